#include "Pictures.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <numbers>

namespace hummwell::pictures {

namespace {

constexpr QImage::Format kFormat = QImage::Format_ARGB32_Premultiplied;

QImage blank(int width, int height) {
    QImage img(width, height, kFormat);
    img.fill(Qt::transparent);
    return img;
}

// ---- The toolbar's palette: one outline ink, and a fill with its darker edge per family. ----
const QColor kInk(0x2b, 0x30, 0x38);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kPaperShade(0xd5, 0xdb, 0xe3);
const QColor kPaperLine(0xa3, 0xae, 0xbc);
const QColor kFolder(0xf2, 0xc5, 0x4f), kFolderBack(0xd9, 0xa2, 0x2c), kFolderEdge(0x8a, 0x5f, 0x0e);
const QColor kBlue(0x3b, 0x7d, 0xd8), kBlueEdge(0x1f, 0x4e, 0x94);
const QColor kGreen(0x3c, 0xb0, 0x4a), kGreenLight(0x8e, 0xdc, 0x96), kGreenEdge(0x1e, 0x6e, 0x2a);
const QColor kRed(0xe0, 0x3c, 0x31), kRedLight(0xf7, 0xa8, 0xa0), kRedEdge(0x8f, 0x1d, 0x16);
const QColor kAmber(0xf0, 0x9a, 0x1c), kAmberEdge(0x9a, 0x5a, 0x05);
const QColor kSteel(0xc4, 0xcb, 0xd4), kSteelDark(0x6e, 0x78, 0x86);
const QColor kSlate(0x4a, 0x52, 0x5e), kSlateLight(0x6d, 0x77, 0x85);
const QColor kWood(0xc8, 0x8e, 0x4c), kWoodEdge(0x7a, 0x4d, 0x1c);

enum class Dir { Left, Right, Up, Down };

// Whole-pixel drawing for the 16 x 15 glyphs; antialiasing stays off so every edge is crisp.
class Pixels {
public:
    explicit Pixels(QImage& img) : img_(img), p_(&img) { p_.setRenderHint(QPainter::Antialiasing, false); }

    void dot(int x, int y, const QColor& c) { p_.fillRect(x, y, 1, 1, c); }
    void hline(int x0, int x1, int y, const QColor& c) { p_.fillRect(std::min(x0, x1), y, std::abs(x1 - x0) + 1, 1, c); }
    void vline(int x, int y0, int y1, const QColor& c) { p_.fillRect(x, std::min(y0, y1), 1, std::abs(y1 - y0) + 1, c); }
    void erase(int x, int y) {
        p_.setCompositionMode(QPainter::CompositionMode_Clear);
        p_.fillRect(x, y, 1, 1, Qt::transparent);
        p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    // A filled box, corners inclusive, with a one-pixel edge.
    void box(int x0, int y0, int x1, int y1, const QColor& fill, const QColor& edge) {
        p_.fillRect(x0, y0, x1 - x0 + 1, y1 - y0 + 1, edge);
        if (x1 - x0 >= 2 && y1 - y0 >= 2) p_.fillRect(x0 + 1, y0 + 1, x1 - x0 - 1, y1 - y0 - 1, fill);
    }

    // Any shape given by which pixels it covers; its edge is the pixels that touch the outside
    // sideways or vertically, which keeps the outline one pixel thick and unbroken.
    void region(const std::function<bool(int, int)>& inside, const QColor& fill, const QColor& edge) {
        for (int y = 0; y < img_.height(); ++y)
            for (int x = 0; x < img_.width(); ++x) {
                if (!inside(x, y)) continue;
                const bool rim = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
                dot(x, y, rim ? edge : fill);
            }
    }

    void disc(double cx, double cy, double r, const QColor& fill, const QColor& edge) {
        region([=](int x, int y) { return std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= r; }, fill, edge);
    }

    // A triangle from a base line at `base` (a column for Left/Right, a row for Up/Down) spanning
    // lo..hi, narrowing over `length` lines to a one- or two-pixel tip in direction d.
    void triangle(Dir d, int base, int lo, int hi, int length, const QColor& fill, const QColor& edge) {
        const int half = (hi - lo) / 2;
        for (int k = 0; k < length; ++k) {
            const int inset = length > 1 ? (k * half * 2 + (length - 1)) / (2 * (length - 1)) : 0;
            const int a = lo + inset, b = hi - inset;
            const int at = (d == Dir::Right || d == Dir::Down) ? base + k : base - k;
            const bool wholeEdge = k == 0 || k == length - 1;
            if (d == Dir::Left || d == Dir::Right) {
                vline(at, a, b, wholeEdge ? edge : fill);
                dot(at, a, edge);
                dot(at, b, edge);
            } else {
                hline(a, b, at, wholeEdge ? edge : fill);
                dot(a, at, edge);
                dot(b, at, edge);
            }
        }
    }

    // An arrow: shaft from `tail` to the head's base line, head from there to its tip.
    void arrow(Dir d, int tail, int headBase, int headLength, int shaftLo, int shaftHi, int headLo, int headHi,
               const QColor& fill, const QColor& edge) {
        const bool horizontal = d == Dir::Left || d == Dir::Right;
        if (horizontal)
            box(std::min(tail, headBase), shaftLo, std::max(tail, headBase), shaftHi, fill, edge);
        else
            box(shaftLo, std::min(tail, headBase), shaftHi, std::max(tail, headBase), fill, edge);
        triangle(d, headBase, headLo, headHi, headLength, fill, edge);
        // Open the head's base where the shaft enters it, so the two read as one outline.
        for (int t = shaftLo + 1; t < shaftHi; ++t) {
            if (horizontal) dot(headBase, t, fill);
            else dot(t, headBase, fill);
        }
    }

    // Rows of characters, one per pixel row; any character but '.' or ' ' is painted.
    void pattern(int x0, int y0, std::initializer_list<const char*> rows, const QColor& c) {
        int y = y0;
        for (const char* row : rows) {
            for (int x = 0; row[x] != '\0'; ++x)
                if (row[x] != '.' && row[x] != ' ') dot(x0 + x, y, c);
            ++y;
        }
    }

private:
    QImage& img_;
    QPainter p_;
};

// A sheet of paper, corners inclusive, with its top-right corner turned down by `fold` pixels.
void page(Pixels& g, int x0, int y0, int x1, int y1, int fold) {
    for (int y = y0; y <= y1; ++y) g.hline(x0, y - y0 < fold ? x1 - fold + (y - y0) : x1, y, kPaper);
    for (int y = y0 + 1; y < y0 + fold; ++y)
        for (int x = x1 - fold + 1; x < x1 - fold + (y - y0); ++x) g.dot(x, y, kPaperShade);
    g.hline(x0, x1 - fold, y0, kInk);
    g.vline(x0, y0, y1, kInk);
    g.hline(x0, x1, y1, kInk);
    g.vline(x1, y0 + fold, y1, kInk);
    for (int k = 1; k < fold; ++k) g.dot(x1 - fold + k, y0 + k, kInk);
    g.vline(x1 - fold, y0 + 1, y0 + fold, kSteelDark);
    g.hline(x1 - fold, x1 - 1, y0 + fold, kSteelDark);
}

// An eighth note whose head's left column is hx and top row hy; the stem rises on the right.
void eighthNote(Pixels& g, int hx, int hy, const QColor& c) {
    g.hline(hx + 1, hx + 3, hy, c);
    g.hline(hx, hx + 3, hy + 1, c);
    g.hline(hx, hx + 2, hy + 2, c);
    g.vline(hx + 3, hy - 7, hy, c);
    g.dot(hx + 4, hy - 6, c);
    g.vline(hx + 5, hy - 5, hy - 4, c);
}

// A note bar as the note view draws one.
void noteBar(Pixels& g, int x0, int x1, int y0, int y1) {
    g.box(x0, y0, x1, y1, kGreen, kGreenEdge);
    g.hline(x0 + 1, x1 - 1, y0 + 1, kGreenLight);
}

// A chevron pointing up, three pixels thick, its two-pixel tip at columns 7 and 8 of row `tip`.
bool inUpChevron(int x, int y, int tip) {
    const int k = x <= 7 ? 7 - x : x - 8;
    return k >= 0 && k <= 5 && y >= tip + k && y <= tip + k + 2;
}

// The loudspeaker of both volume glyphs.
void speaker(Pixels& g) {
    g.region([](int x, int y) { return (x >= 1 && x <= 3 && y >= 5 && y <= 9) || (x >= 4 && x <= 7 && std::abs(y - 7) <= x - 1); },
             kSteel, kInk);
}

void drawGlyph(Pixels& g, ToolbarImage which) {
    switch (which) {
    case ToolbarImage::NewProject:
        page(g, 3, 0, 12, 14, 4);
        break;
    case ToolbarImage::OpenProject:
        g.box(0, 1, 5, 3, kFolderBack, kFolderEdge);
        g.box(0, 3, 13, 13, kFolderBack, kFolderEdge);
        g.hline(1, 4, 3, kFolderBack);
        g.box(2, 4, 11, 8, kPaper, kSteelDark);
        for (int y = 7; y <= 13; ++y) {
            const int left = 3 - (y - 7) / 2;
            const bool rim = y == 7 || y == 13;
            g.hline(left, left + 12, y, rim ? kFolderEdge : kFolder);
            g.dot(left, y, kFolderEdge);
            g.dot(left + 12, y, kFolderEdge);
        }
        break;
    case ToolbarImage::SaveProject:
        g.box(1, 0, 14, 14, kBlue, kBlueEdge);
        g.erase(14, 0);
        g.dot(13, 1, kBlueEdge);
        g.box(4, 0, 11, 5, kSteel, kSteelDark);
        g.box(8, 1, 9, 4, kSlate, kSlate);
        g.box(3, 8, 12, 14, kPaper, kBlueEdge);
        g.hline(5, 10, 10, kPaperLine);
        g.hline(5, 10, 12, kPaperLine);
        break;
    case ToolbarImage::ExportMidi:
        page(g, 0, 0, 9, 14, 3);
        eighthNote(g, 2, 9, kGreenEdge);
        g.arrow(Dir::Right, 8, 12, 4, 10, 12, 8, 14, kBlue, kBlueEdge);
        break;
    case ToolbarImage::Record:
        g.disc(8.0, 7.5, 6.2, kRed, kRedEdge);
        g.hline(5, 6, 4, kRedLight);
        g.dot(4, 5, kRedLight);
        break;
    case ToolbarImage::Stop:
        g.box(3, 3, 12, 12, kSlate, kInk);
        g.hline(4, 11, 4, kSlateLight);
        break;
    case ToolbarImage::Play:
        g.triangle(Dir::Right, 3, 1, 13, 10, kGreen, kGreenEdge);
        break;
    case ToolbarImage::Scrub: {
        static constexpr int kWave[] = {1, 2, 3, 1, 2, 4, 3, 0, 0, 3, 4, 2, 1, 3, 2, 1};
        for (int x = 0; x < 16; ++x)
            if (kWave[x] > 0) g.vline(x, 10 - kWave[x], 10 + kWave[x], x % 2 ? kBlue : kBlueEdge);
        g.vline(7, 2, 14, kRed);
        g.vline(8, 2, 14, kRedEdge);
        g.triangle(Dir::Down, 0, 5, 10, 3, kRed, kRedEdge);
        break;
    }
    case ToolbarImage::GotoFirst:
        g.box(1, 2, 3, 12, kBlue, kBlueEdge);
        g.triangle(Dir::Left, 13, 2, 12, 9, kBlue, kBlueEdge);
        break;
    case ToolbarImage::GotoLast:
        g.box(12, 2, 14, 12, kBlue, kBlueEdge);
        g.triangle(Dir::Right, 2, 2, 12, 9, kBlue, kBlueEdge);
        break;
    case ToolbarImage::PrevBeat:
        g.triangle(Dir::Left, 9, 3, 11, 8, kBlue, kBlueEdge);
        g.box(12, 0, 14, 14, kAmber, kAmberEdge);
        break;
    case ToolbarImage::NextBeat:
        g.triangle(Dir::Right, 6, 3, 11, 8, kBlue, kBlueEdge);
        g.box(1, 0, 3, 14, kAmber, kAmberEdge);
        break;
    case ToolbarImage::PrevNote:
        g.triangle(Dir::Left, 8, 3, 11, 7, kBlue, kBlueEdge);
        eighthNote(g, 10, 10, kGreenEdge);
        break;
    case ToolbarImage::NextNote:
        g.triangle(Dir::Right, 8, 3, 11, 7, kBlue, kBlueEdge);
        eighthNote(g, 0, 10, kGreenEdge);
        break;
    case ToolbarImage::Cut: {
        // Two blades crossing above two finger rings.
        const auto blade = [&](int x0, int x1, const QColor& c) {
            for (int y = 0; y <= 9; ++y) {
                const int x = x0 + (x1 - x0) * y / 9;
                g.dot(x, y, c);
                g.dot(x + 1, y, c);
            }
        };
        blade(3, 10, kSteelDark);
        blade(11, 4, kSlate);
        g.hline(7, 8, 5, kInk);
        const auto ring = [](double cx, double cy) {
            return [=](int x, int y) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                return d <= 3.2 && d >= 1.4;
            };
        };
        g.region(ring(4.0, 11.5), kRed, kRedEdge);
        g.region(ring(12.0, 11.5), kRed, kRedEdge);
        break;
    }
    case ToolbarImage::Copy:
        page(g, 0, 0, 9, 10, 3);
        page(g, 5, 4, 14, 14, 3);
        for (int y : {8, 10, 12}) g.hline(7, y == 12 ? 10 : 12, y, kPaperLine);
        break;
    case ToolbarImage::Paste:
        g.box(0, 1, 11, 14, kWood, kWoodEdge);
        g.box(2, 3, 9, 12, kPaperShade, kSteelDark);
        g.box(3, 0, 8, 2, kSteel, kSteelDark);
        page(g, 7, 5, 15, 14, 3);
        for (int y : {8, 10, 12}) g.hline(9, 13, y, kPaperLine);
        break;
    case ToolbarImage::Delete:
        g.region([](int x, int y) { return y >= 2 && y <= 12 && ((x >= y - 1 && x <= y + 1) || (x >= 13 - y && x <= 15 - y)); },
                 kRed, kRedEdge);
        break;
    case ToolbarImage::Merge:
        g.arrow(Dir::Right, 0, 4, 3, 3, 3, 1, 5, kBlueEdge, kBlueEdge);
        g.arrow(Dir::Left, 15, 11, 3, 3, 3, 1, 5, kBlueEdge, kBlueEdge);
        noteBar(g, 1, 14, 8, 12);
        g.vline(7, 9, 11, kGreenLight);
        g.vline(8, 9, 11, kGreenEdge);
        break;
    case ToolbarImage::Split:
        g.arrow(Dir::Left, 6, 2, 3, 3, 3, 1, 5, kBlueEdge, kBlueEdge);
        g.arrow(Dir::Right, 9, 13, 3, 3, 3, 1, 5, kBlueEdge, kBlueEdge);
        noteBar(g, 1, 5, 8, 12);
        noteBar(g, 10, 14, 8, 12);
        break;
    case ToolbarImage::PitchUp:
    case ToolbarImage::PitchDown:
        g.region([](int x, int y) { return inUpChevron(x, y, 1) || inUpChevron(x, y, 6); }, kGreen, kGreenEdge);
        break;
    case ToolbarImage::PitchUpTenth:
    case ToolbarImage::PitchDownTenth:
        g.arrow(Dir::Up, 11, 6, 4, 6, 9, 4, 11, kGreen, kGreenEdge);
        break;
    case ToolbarImage::MoveLeft:
    case ToolbarImage::MoveRight:
        g.arrow(Dir::Left, 14, 6, 6, 5, 9, 2, 12, kBlue, kBlueEdge);
        break;
    case ToolbarImage::VolumeUp:
        speaker(g);
        g.region([](int x, int y) { return (y >= 6 && y <= 8 && x >= 9 && x <= 15) || (x >= 11 && x <= 13 && y >= 4 && y <= 10); },
                 kGreen, kGreenEdge);
        break;
    case ToolbarImage::VolumeDown:
        speaker(g);
        g.region([](int x, int y) { return y >= 6 && y <= 8 && x >= 9 && x <= 15; }, kRed, kRedEdge);
        break;
    case ToolbarImage::Help:
        g.disc(8.0, 7.5, 6.8, kBlue, kBlueEdge);
        g.pattern(5, 3, {".XXXX.", "XX..XX", "....XX", "...XX.", "..XX..", "..XX..", "......", "..XX..", "..XX.."}, kPaper);
        break;
    case ToolbarImage::Count:
        break;
    }
}

// ---- The program's logo, shared by the About box and the icon. ----

void drawLogo(QPainter& p, int size) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 64.0, size / 64.0);
    const bool tiny = size <= 24;

    QLinearGradient tile(0, 0, 0, 64);
    tile.setColorAt(0, QColor(0x22, 0x5a, 0x86));
    tile.setColorAt(1, QColor(0x1b, 0x86, 0x86));
    p.setPen(QPen(QColor(0x10, 0x33, 0x4d), tiny ? 3.0 : 1.5));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(1.5, 1.5, 61, 61), 13, 13);

    if (!tiny) {
        p.setPen(QPen(QColor(255, 255, 255, 45), 1.0));
        for (double y : {16.0, 28.0, 40.0, 52.0}) p.drawLine(QPointF(8, y), QPointF(56, y));
    }

    // Three notes climbing, as the note view would show the sung phrase.
    QLinearGradient bar(0, 0, 0, 64);
    bar.setColorAt(0, QColor(0x7d, 0xe0, 0x8a));
    bar.setColorAt(1, QColor(0x2f, 0xa8, 0x45));
    p.setBrush(bar);
    p.setPen(QPen(QColor(0x12, 0x55, 0x22), tiny ? 2.5 : 1.5));
    for (const QRectF& r : {QRectF(8, 41, 17, 9), QRectF(26, 29, 13, 9), QRectF(40, 17, 16, 9)}) p.drawRoundedRect(r, 3, 3);

    // The voice's pitch: gliding between the notes with a little vibrato.
    QPainterPath voice(QPointF(7, 36));
    voice.cubicTo(QPointF(12, 31), QPointF(16, 39), QPointF(21, 34));
    voice.cubicTo(QPointF(25, 30), QPointF(26, 24), QPointF(31, 23));
    voice.cubicTo(QPointF(36, 22), QPointF(37, 15), QPointF(42, 12));
    voice.cubicTo(QPointF(47, 9), QPointF(50, 14), QPointF(57, 9));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xff, 0xe0, 0x6a), tiny ? 6.0 : 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(voice);
    p.restore();
}

// ---- Control-panel pictures. ----

void panelTile(QPainter& p) {
    QLinearGradient g(0, 0, 0, 50);
    g.setColorAt(0, QColor(0xf6, 0xf8, 0xfb));
    g.setColorAt(1, QColor(0xdc, 0xe3, 0xeb));
    p.setPen(QPen(QColor(0xb3, 0xbe, 0xcb), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 49, 49), 8, 8);
}

void drawMicrophone(QPainter& p) {
    const QColor dark(0x3e, 0x46, 0x52);
    // The holder's U, the stem and the foot.
    QPainterPath holder;
    holder.arcMoveTo(QRectF(12, 8, 24, 26), 180);
    holder.arcTo(QRectF(12, 8, 24, 26), 180, 180);
    p.setPen(QPen(dark, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(holder);
    p.setPen(QPen(dark, 3.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(24, 34), QPointF(24, 41));
    p.setPen(Qt::NoPen);
    p.setBrush(dark);
    p.drawRoundedRect(QRectF(15, 40, 18, 4.5), 2, 2);

    // The capsule with its grille.
    const QRectF capsule(17, 5, 14, 24);
    QLinearGradient metal(capsule.left(), 0, capsule.right(), 0);
    metal.setColorAt(0, QColor(0x9b, 0xa5, 0xb2));
    metal.setColorAt(0.4, QColor(0xee, 0xf1, 0xf5));
    metal.setColorAt(1, QColor(0x7c, 0x86, 0x94));
    p.setPen(QPen(dark, 1.2));
    p.setBrush(metal);
    p.drawRoundedRect(capsule, 7, 7);
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(capsule, 7, 7);
    p.setClipPath(clip);
    p.setPen(QPen(QColor(0x4a, 0x52, 0x5e, 150), 1.0));
    for (double y = 9; y <= 20; y += 2.75) p.drawLine(QPointF(17, y), QPointF(31, y));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x55, 0x5f, 0x6c));
    p.drawRect(QRectF(17, 22.5, 14, 3));
    p.restore();

    // The voice going in.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2f, 0xa8, 0x45), 1.8, Qt::SolidLine, Qt::RoundCap));
    for (double r : {4.0, 8.0}) p.drawArc(QRectF(35 - r, 13 - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
}

void drawPitchGrid(QPainter& p) {
    const QRectF area(6, 6, 38, 38);
    p.setPen(QPen(QColor(0xa9, 0xb6, 0xc5), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(area);
    p.setPen(QPen(QColor(0xdc, 0xe3, 0xec), 1.0));
    for (double v = 12.5; v < 44; v += 6) {
        p.drawLine(QPointF(6.5, v), QPointF(43.5, v));
        p.drawLine(QPointF(v, 6.5), QPointF(v, 43.5));
    }
    // Faint notes under the sung line.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3c, 0xb0, 0x4a, 90));
    for (const QRectF& r : {QRectF(8, 31, 10, 5), QRectF(19, 19, 11, 5), QRectF(31, 25, 11, 5)}) p.drawRect(r);

    QPainterPath voice(QPointF(8, 38));
    voice.cubicTo(QPointF(11, 32), QPointF(14, 35), QPointF(17, 33));
    voice.cubicTo(QPointF(20, 30), QPointF(19, 21), QPointF(23, 21));
    voice.cubicTo(QPointF(26, 21), QPointF(27, 23), QPointF(30, 21));
    voice.cubicTo(QPointF(33, 19), QPointF(33, 28), QPointF(37, 27));
    voice.cubicTo(QPointF(39, 26.5), QPointF(40, 29), QPointF(42, 27));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x1f, 0x5f, 0xc0), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(voice);
}

void drawPianoKeys(QPainter& p) {
    const double left = 7, top = 9, keyW = 6, keyH = 32;
    p.setPen(QPen(QColor(0x5c, 0x66, 0x73), 1.0));
    for (int i = 0; i < 6; ++i) {
        QLinearGradient face(0, top, 0, top + keyH);
        face.setColorAt(0, QColor(0xe4, 0xe8, 0xed));
        face.setColorAt(0.25, Qt::white);
        face.setColorAt(1, QColor(0xf4, 0xf5, 0xf7));
        p.setBrush(face);
        p.drawRoundedRect(QRectF(left + i * keyW, top, keyW, keyH), 1.2, 1.2);
    }
    // C D E F G A: black keys after C, D, F and G.
    p.setPen(Qt::NoPen);
    for (int after : {0, 1, 3, 4}) {
        const QRectF key(left + (after + 1) * keyW - 2.2, top, 4.4, 19);
        QLinearGradient face(key.left(), 0, key.right(), 0);
        face.setColorAt(0, QColor(0x12, 0x14, 0x18));
        face.setColorAt(0.5, QColor(0x3a, 0x3f, 0x48));
        face.setColorAt(1, QColor(0x12, 0x14, 0x18));
        p.setBrush(face);
        p.drawRoundedRect(key, 1, 1);
    }
}

void drawMidiPlug(QPainter& p) {
    const QPointF c(25, 25);
    QLinearGradient metal(0, 6, 0, 44);
    metal.setColorAt(0, QColor(0xe3, 0xe7, 0xec));
    metal.setColorAt(1, QColor(0x7b, 0x85, 0x92));
    p.setPen(QPen(QColor(0x3e, 0x46, 0x52), 1.2));
    p.setBrush(metal);
    p.drawEllipse(c, 19, 19);
    p.setBrush(QColor(0x2b, 0x30, 0x38));
    p.drawEllipse(c, 14, 14);
    // The key notch, opposite the middle pin.
    p.setPen(Qt::NoPen);
    p.setBrush(metal);
    p.drawRect(QRectF(22.5, 36, 5, 4));
    // Five pins on a half circle: both ends level with the centre, the middle one at the top.
    p.setPen(QPen(QColor(0x8a, 0x6a, 0x10), 0.8));
    p.setBrush(QColor(0xf0, 0xd0, 0x6a));
    for (int i = 0; i < 5; ++i) {
        const double a = std::numbers::pi * (1.0 + i / 4.0);
        p.drawEllipse(QPointF(c.x() + 8.5 * std::cos(a), c.y() + 8.5 * std::sin(a)), 2.1, 2.1);
    }
}

// ---- The keyboard's colours. ----
const QColor kWhiteKey(0xf8, 0xf8, 0xf5);
const QColor kCTint(0xe3, 0xec, 0xf7);
const QColor kMiddleC(0xc6, 0xd8, 0xf0);
const QColor kBlackKey(0x1c, 0x1d, 0x21);
const QColor kBlackKeyFront(0x44, 0x47, 0x4e);
const QColor kKeySeparator(0xb4, 0xb8, 0xbe);
const QColor kKeyBorder(0x70, 0x76, 0x80);

bool isBlackKey(int note) {
    switch (note % 12) {
    case 1: case 3: case 6: case 8: case 10: return true;
    default: return false;
    }
}

}  // namespace

QImage toolbarImage(ToolbarImage which) {
    QImage img = blank(kToolbarImageWidth, kToolbarImageHeight);
    {
        Pixels g(img);
        drawGlyph(g, which);
    }
    // The second of each pair is its partner turned over, so the two always match.
    switch (which) {
    case ToolbarImage::PitchDown:
    case ToolbarImage::PitchDownTenth:
        return img.mirrored(false, true).convertToFormat(kFormat);
    case ToolbarImage::MoveRight:
        return img.mirrored(true, false).convertToFormat(kFormat);
    default:
        return img;
    }
}

QImage toolbarStrip() {
    const int count = static_cast<int>(ToolbarImage::Count);
    QImage strip = blank(kToolbarImageWidth * count, kToolbarImageHeight);
    QPainter p(&strip);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (int i = 0; i < count; ++i) p.drawImage(i * kToolbarImageWidth, 0, toolbarImage(static_cast<ToolbarImage>(i)));
    return strip;
}

QImage keyboardStrip(int width, KeyboardSide side) {
    if (width <= 0) return {};
    QImage img(width, kKeyboardHeight, kFormat);
    img.fill(kWhiteKey);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    // x is counted from the back edge, the one away from the note view.
    const auto span = [&](int x, int w, int y, int h, const QColor& c) {
        p.fillRect(side == KeyboardSide::ViewOnRight ? x : width - x - w, y, w, h, c);
    };
    const int blackLength = std::max(1, (width * 3 + 2) / 5);
    for (int note = 108; note >= 21; --note) {
        const int top = (108 - note) * 6;
        if (isBlackKey(note)) {
            span(0, blackLength, top, 6, kBlackKey);
            span(blackLength - 1, 1, top, 6, kBlackKeyFront);
            // The two white keys either side meet halfway along the black key's band.
            span(blackLength, width - blackLength, top + 3, 1, kKeySeparator);
        } else {
            if (note % 12 == 0) span(0, width, top, 6, note == 60 ? kMiddleC : kCTint);
            // B and E have a white neighbour directly above: C and F.
            if (note % 12 == 11 || note % 12 == 4) span(0, width, top, 1, kKeySeparator);
        }
    }
    span(0, width, kKeyboardHeight - 1, 1, kKeyBorder);
    span(width - 1, 1, 0, kKeyboardHeight, kKeyBorder);
    return img;
}

QImage splashPicture() {
    const int w = 420, h = 260;
    QImage img = blank(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(0x15, 0x33, 0x57));
    sky.setColorAt(1, QColor(0x22, 0x7a, 0x86));
    p.fillRect(img.rect(), sky);
    QRadialGradient glow(QPointF(w * 0.8, 30), 220);
    glow.setColorAt(0, QColor(255, 255, 255, 50));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(img.rect(), glow);

    // A stretch of the note view: a grid, the sung line, and the notes it becomes.
    const QRectF grid(24, 112, 372, 120);
    const double row = 12, beat = 31;
    p.setPen(QPen(QColor(255, 255, 255, 26), 1.0));
    for (double y = grid.top(); y <= grid.bottom() + 0.1; y += row) p.drawLine(QPointF(grid.left(), y), QPointF(grid.right(), y));
    for (double x = grid.left(); x <= grid.right() + 0.1; x += beat) p.drawLine(QPointF(x, grid.top()), QPointF(x, grid.bottom()));

    struct Sung { double x0, x1; int row; };
    static constexpr Sung kPhrase[] = {{30, 92, 7}, {100, 150, 5}, {158, 214, 6}, {222, 300, 3}, {308, 388, 4}};
    const auto rowY = [&](double r) { return grid.top() + r * row + row / 2; };

    // Bars grow firmer from left to right as the line settles into notes.
    for (const Sung& s : kPhrase) {
        const double settled = (s.x0 - kPhrase[0].x0) / (kPhrase[4].x0 - kPhrase[0].x0);
        const int alpha = static_cast<int>(70 + 185 * settled);
        p.setPen(QPen(QColor(0x14, 0x5a, 0x26, alpha), 1.2));
        p.setBrush(QColor(0x4c, 0xc7, 0x63, alpha));
        p.drawRoundedRect(QRectF(s.x0, rowY(s.row) - 5, s.x1 - s.x0, 10), 3, 3);
    }
    // The voice: glides between the notes' pitches, vibrato on the held part, a little drift.
    QPainterPath voice;
    for (double x = kPhrase[0].x0; x <= kPhrase[4].x1; x += 1.5) {
        double level = kPhrase[0].row;
        double held = 0;
        for (std::size_t i = 0; i < std::size(kPhrase); ++i) {
            const Sung& s = kPhrase[i];
            if (x >= s.x0) {
                const double prev = i == 0 ? s.row : kPhrase[i - 1].row;
                const double t = std::clamp((x - s.x0 + 8) / 16.0, 0.0, 1.0);
                level = prev + (s.row - prev) * (t * t * (3 - 2 * t));
                held = std::clamp((x - s.x0 - 10) / (s.x1 - s.x0), 0.0, 1.0);
            }
        }
        const double y = rowY(level) - 9 + std::sin(x / 4.2) * 3.2 * held + std::sin(x / 23.0) * 1.4;
        if (voice.elementCount() == 0) voice.moveTo(x, y);
        else voice.lineTo(x, y);
    }
    QLinearGradient fade(grid.left(), 0, grid.right(), 0);
    fade.setColorAt(0, QColor(0xff, 0xe3, 0x70, 255));
    fade.setColorAt(1, QColor(0xff, 0xe3, 0x70, 90));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(fade), 2.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(voice);

    // The name and version.
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setStyleHint(QFont::SansSerif);
    title.setPixelSize(40);
    title.setBold(true);
    const QString name = QStringLiteral("Hummwell");
    const QPointF at(28, 62);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 70));
    p.drawText(at + QPointF(1.5, 2), name);
    p.setPen(Qt::white);
    p.drawText(at, name);
    QFont plus = title;
    plus.setBold(false);
    plus.setItalic(true);
    const double plusX = at.x() + QFontMetricsF(title).horizontalAdvance(name + QLatin1Char(' '));
    p.setFont(plus);
    p.setPen(QColor(0x9c, 0xf0, 0xa8));
    p.drawText(QPointF(plusX, at.y()), QStringLiteral("plus"));

    QFont small = title;
    small.setBold(false);
    small.setPixelSize(15);
    p.setFont(small);
    p.setPen(QColor(0xd3, 0xe8, 0xef));
    p.drawText(QPointF(at.x() + 2, at.y() + 28), QStringLiteral("Version 1.00"));

    p.setPen(QPen(QColor(255, 255, 255, 60), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    return img;
}

QImage aboutPicture() { return programImage(64); }

QImage panelPicture(int index) {
    if (index < 0 || index > 3) return {};
    QImage img = blank(50, 50);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    panelTile(p);
    switch (index) {
    case 0: drawMicrophone(p); break;
    case 1: drawPitchGrid(p); break;
    case 2: drawPianoKeys(p); break;
    default: drawMidiPlug(p); break;
    }
    return img;
}

QImage programImage(int size) {
    if (size <= 0) return {};
    QImage img = blank(size, size);
    QPainter p(&img);
    drawLogo(p, size);
    return img;
}

}  // namespace hummwell::pictures
