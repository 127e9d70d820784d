#include "view/TrackPictures.h"

#include "resources/PatternPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace hummwell {

namespace {

constexpr double kLowestPitch = 20.5;
constexpr double kHighestPitch = 108.5;
const QRgb kBlack = qRgb(0, 0, 0);

bool drawable(double pitch) { return pitch >= kLowestPitch && pitch <= kHighestPitch; }

QRgb* row(QImage& image, int y) { return reinterpret_cast<QRgb*>(image.scanLine(y)); }
const QRgb* row(const QImage& image, int y) { return reinterpret_cast<const QRgb*>(image.constScanLine(y)); }

// One column of the pattern into column x of a picture, over the pitch rows.
void copyPatternColumn(QImage& to, int x, const QImage& pattern, int column) {
    for (int y = kHeaderRows; y < kDrawingRows; ++y) row(to, y)[x] = row(pattern, y)[column];
}

void fillEmptyGrid(QImage& picture, const QImage& pattern, int column) {
    const int w = picture.width();
    for (int y = 0; y < kDrawingRows; ++y) {
        QRgb colour = kBlack;
        if (y == kHeaderLineRow) colour = kTickColour.rgb();
        else if (y >= kHeaderRows) colour = row(pattern, y)[column];
        // A scanline fill: many times faster than stretching the pattern column per column.
        std::fill_n(row(picture, y), w, colour);
    }
}

}  // namespace

TrackPictures::TrackPictures() : pattern_(pictures::patternPicture().convertToFormat(QImage::Format_RGB32)) {}

bool TrackPictures::make(int columns) {
    grid_ = QImage(columns, kDrawingRows, QImage::Format_RGB32);
    track_ = QImage(columns, kDrawingRows, QImage::Format_RGB32);
    if (grid_.isNull() || track_.isNull()) {
        grid_ = track_ = QImage();
        return false;
    }
    return true;
}

bool TrackPictures::makeAhead() {
    ahead_ = QImage(kAheadColumns, kDrawingRows, QImage::Format_RGB32);
    return !ahead_.isNull() && !pattern_.isNull();
}

const QImage& TrackPictures::picture(Picture p) const {
    switch (p) {
    case Picture::Grid: return grid_;
    case Picture::Track: return track_;
    case Picture::Ahead: return ahead_;
    }
    return grid_;
}

void TrackPictures::renderGrid(const ProjectSettings& settings) {
    if (grid_.isNull()) return;
    const int tonic = (12 - settings.keyOffset()) % 12;
    const int background = (settings.get(Setting::Scale) == 0 ? pictures::kChromaticColumn
                                                               : pictures::kDiatonicColumn) + tonic;
    fillEmptyGrid(grid_, pattern_, background);
    lines_ = gridLines(settings.beatMs(), settings.beatsPerMeasure(), grid_.width());
    for (int x : lines_.beats) copyPatternColumn(grid_, x, pattern_, pictures::kBeatLineColumn);
    for (int x : lines_.measures) copyPatternColumn(grid_, x, pattern_, pictures::kMeasureLineColumn);
    std::memcpy(track_.bits(), grid_.constBits(), static_cast<size_t>(grid_.sizeInBytes()));
    drawnEnd_ = 0;
    if (!ahead_.isNull()) {
        fillEmptyGrid(ahead_, pattern_, background);
        copyPatternColumn(ahead_, 0, pattern_, pictures::kMeasureLineColumn);
    }
}

void TrackPictures::eraseTrack() {
    const size_t bytes = static_cast<size_t>(drawnEnd_) * sizeof(QRgb);
    for (int y = 0; y < kDrawingRows && bytes > 0; ++y)
        std::memcpy(row(track_, y), row(grid_, y), bytes);
    drawnEnd_ = 0;
    if (track_.isNull()) return;
    for (int y = 0; y < kDrawingRows; ++y) row(track_, y)[0] = kBlack;
}

void TrackPictures::prepareAhead(int cursor) {
    if (ahead_.isNull() || grid_.isNull()) return;
    // The grid's own columns from the cursor on where it has them, else from the same place
    // in the first measures.
    const int from = cursor + ahead_.width() <= grid_.width() ? cursor : lines_.sinceMeasure(cursor);
    const int width = std::min(ahead_.width(), grid_.width() - from);
    for (int y = 0; y < kDrawingRows; ++y)
        std::memcpy(row(ahead_, y), row(grid_, y) + from, static_cast<size_t>(width) * sizeof(QRgb));
}

void TrackPictures::drawRecordedFrame(const FrameTrack& t, int i) {
    if (track_.isNull() || i < 0 || i >= track_.width() || i >= t.frameCount()) return;
    for (int y = 0; y < kDrawingRows; ++y) row(track_, y)[i] = row(grid_, y)[i];
    drawnEnd_ = std::max(drawnEnd_, i + 1);
    const MeterRows m = meterRows(t.volume[i]);
    for (int y = m.top; y <= m.bottom; ++y) row(track_, y)[i] = kMeterColour.rgb();
    if (drawable(t.pitch[i])) drawFrame(t, i, true);
}

void TrackPictures::segment(int x0, int y0, int x1, int y1, QRgb colour) {
    // Bresenham, both ends drawn, clipped to the picture.
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    const int w = track_.width();
    while (true) {
        if (x0 >= 0 && x0 < w && y0 >= 0 && y0 < kDrawingRows) row(track_, y0)[x0] = colour;
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void TrackPictures::onsetTick(int x, int y) { segment(x, y - 6, x, y + 7, kTickColour.rgb()); }

// The curve into frame i from frame i - 1, or the onset tick where frame i starts a note.
void TrackPictures::drawFrame(const FrameTrack& t, int i, bool asIs) {
    const int y1 = rowOfPitch(t.pitch[i]);
    if (t.mark[i] == kMarkOnset) {
        onsetTick(i, y1);
        return;
    }
    if (i == 0) return;
    // A curve that comes from an unvoiced frame starts at this one, instead of rising from
    // below the picture.
    const int y0 = drawable(t.pitch[i - 1]) ? rowOfPitch(t.pitch[i - 1]) : y1;
    const int x0 = i - 1;
    if (asIs) {
        for (int d : {-2, 2}) segment(x0, y0 + d, i, y1 + d, kCurveOuter.rgb());
        for (int d : {-1, 1}) segment(x0, y0 + d, i, y1 + d, kCurveInner.rgb());
    } else {
        for (int d : {-1, 1}) segment(x0, y0 + d, i, y1 + d, kCurveOuter.rgb());
    }
    segment(x0, y0, i, y1, kCurveCentre.rgb());
    // The curve must not cover the tick of the note it continues.
    if (t.mark[i - 1] == kMarkOnset) onsetTick(x0, y0);
}

void TrackPictures::renderStretch(const FrameTrack& t, const ProjectSettings& settings,
                                  const NoteBarTable& bars, int first, int end) {
    if (track_.isNull()) return;
    first = std::max(first, 0);
    end = std::min({end, t.frameCount(), track_.width()});
    if (end <= first) return;

    // Erased to the empty grid.
    const size_t offset = static_cast<size_t>(first) * sizeof(QRgb);
    const size_t bytes = static_cast<size_t>(end - first) * sizeof(QRgb);
    for (int y = 0; y < kDrawingRows; ++y)
        std::memcpy(reinterpret_cast<uchar*>(row(track_, y)) + offset,
                    reinterpret_cast<const uchar*>(row(grid_, y)) + offset, bytes);
    drawnEnd_ = std::max(drawnEnd_, end);

    // The loudness meter in the header band.
    const QRgb meter = kMeterColour.rgb();
    for (int i = first; i < end; ++i) {
        const MeterRows m = meterRows(t.volume[i]);
        for (int y = m.top; y <= m.bottom; ++y) row(track_, y)[i] = meter;
    }

    const bool asIs = settings.get(Setting::QuantizeMode) == kAsIs;
    if (!asIs) {
        const QRgb green = pictures::kNoteBarGreen.rgb();
        for (int i = first; i < end;) {
            int j = i + 1;
            while (j < end && t.note[j] == t.note[i]) ++j;
            const NoteBar b = bars.bar(t.note[i]);
            for (int y = std::max(b.top, 0); y < std::min(b.top + b.height, kDrawingRows); ++y)
                std::fill(row(track_, y) + i, row(track_, y) + j, green);
            i = j;
        }
    }

    // The pitch curve: the first frame by its mark, then every voiced frame.
    if (t.mark[first] == kMarkOnset || t.mark[first] == kMarkContinue) drawFrame(t, first, asIs);
    for (int i = first + 1; i < end; ++i)
        if (drawable(t.pitch[i])) drawFrame(t, i, asIs);
}

}  // namespace hummwell
