// The note view's off-screen pictures pixel by pixel: the grid's header, row backgrounds and
// lines for a key, scale, speed and metre; the loudness meter, note bars, pitch curve and
// onset ticks of a rendered stretch; and New Project's erasing.
#include "view/TrackPictures.h"

#include "resources/PatternPicture.h"

#include <gtest/gtest.h>

#include <string>

using namespace hummwell;
namespace pix = hummwell::pictures;

namespace {

constexpr int kColumns = 2000;

struct Pictures {
    Pictures() {
        EXPECT_TRUE(p.make(kColumns));
        EXPECT_TRUE(p.makeAhead());
        p.renderGrid(settings);
        bars.rebuild(0, 0);
    }
    // A note of `pitch` per run: '1' onset, '0' continuation, '.' rest.
    void setTrack(const std::string& pattern, double pitch = 60.0, double volume = 64.0) {
        track.clear();
        for (char c : pattern)
            track.append(c == '.' ? Frame{} : Frame{pitch, 60, volume, c == '1' ? kMarkOnset : kMarkContinue, 0});
    }
    void render() { p.renderStretch(track, settings, bars, 0, track.frameCount()); }
    QRgb track_(int x, int y) const { return p.track().pixel(x, y); }
    QRgb grid(int x, int y) const { return p.grid().pixel(x, y); }
    QRgb pattern(int column, int y) const { return p.pattern().pixel(column, y); }

    TrackPictures p;
    ProjectSettings settings;
    NoteBarTable bars;
    FrameTrack track;
};

// The rows of column x, from `top` to `bottom`, that have colour c.
std::vector<int> rowsOf(const QImage& image, int x, QRgb c, int top = 0, int bottom = kDrawingRows - 1) {
    std::vector<int> out;
    for (int y = top; y <= bottom; ++y)
        if (image.pixel(x, y) == c) out.push_back(y);
    return out;
}

std::vector<int> span(int first, int last) {
    std::vector<int> out;
    for (int y = first; y <= last; ++y) out.push_back(y);
    return out;
}

}  // namespace

TEST(GridPicture, HeaderBandRowBackgroundsAndTheLinesOf120Bpm) {
    Pictures s;
    const QImage& g = s.p.grid();
    for (int x : {0, 50, 1999}) {
        EXPECT_EQ(g.pixel(x, 0), qRgb(0, 0, 0));
        EXPECT_EQ(g.pixel(x, 14), qRgb(128, 128, 128));
        EXPECT_EQ(g.pixel(x, 27), qRgb(0, 0, 0));
    }
    // C major, chromatic: every plain column is the pattern's column 0, row for row.
    for (int y = 28; y < kDrawingRows; ++y) ASSERT_EQ(s.grid(50, y), s.pattern(pix::kChromaticColumn, y)) << y;
    for (int x : {44, 87, 130}) EXPECT_EQ(s.grid(x, 300), s.pattern(pix::kBeatLineColumn, 300)) << x;
    for (int x : {0, 173, 345}) EXPECT_EQ(s.grid(x, 300), s.pattern(pix::kMeasureLineColumn, 300)) << x;
    EXPECT_NE(s.pattern(pix::kBeatLineColumn, 300), s.pattern(pix::kChromaticColumn, 300));
    EXPECT_EQ(s.p.track(), s.p.grid());  // copied whole
}

TEST(GridPicture, KeyScaleAndSpeedRedrawIt) {
    Pictures s;
    s.settings.store(Setting::Key, 10);  // keyOffset (3 - 10) mod 12 = 5: G
    s.settings.store(Setting::Scale, 1);
    s.settings.store(Setting::Speed, 4);  // 240 bpm: beats every 250 ms
    s.p.renderGrid(s.settings);
    const int tonic = (12 - s.settings.keyOffset()) % 12;
    ASSERT_EQ(tonic, 7);
    for (int y = 28; y < kDrawingRows; ++y)
        ASSERT_EQ(s.grid(50, y), s.pattern(pix::kDiatonicColumn + tonic, y)) << y;
    EXPECT_EQ(s.grid(22, 300), s.pattern(pix::kBeatLineColumn, 300));     // ceil(21.5)
    EXPECT_EQ(s.grid(87, 300), s.pattern(pix::kMeasureLineColumn, 300));  // ceil(86.1)
    EXPECT_EQ(s.grid(65, 300), s.pattern(pix::kBeatLineColumn, 300));     // ceil(64.6)
    EXPECT_EQ(s.grid(60, 300), s.grid(50, 300));
}

TEST(TrackPicture, AsIsDrawsFiveCurveLinesTheOnsetTickAndTheMeter) {
    Pictures s;
    s.setTrack(std::string(10, '.') + "1" + std::string(30, '0') + ".");
    s.render();
    const QImage& t = s.p.track();
    // A pitch of 60.0 lies on row 319; the curve is five lines about it.
    EXPECT_EQ(t.pixel(20, 317), kCurveOuter.rgb());
    EXPECT_EQ(t.pixel(20, 318), kCurveInner.rgb());
    EXPECT_EQ(t.pixel(20, 319), kCurveCentre.rgb());
    EXPECT_EQ(t.pixel(20, 320), kCurveInner.rgb());
    EXPECT_EQ(t.pixel(20, 321), kCurveOuter.rgb());
    EXPECT_EQ(t.pixel(20, 316), s.grid(20, 316));
    EXPECT_EQ(t.pixel(20, 322), s.grid(20, 322));
    // The onset tick, rows y - 6 .. y + 7, stays over the curve that leaves it.
    EXPECT_EQ(rowsOf(t, 10, kTickColour.rgb(), 28), span(313, 326));
    // The meter: volume 64 gives rows 8 .. 21 of the header.
    EXPECT_EQ(rowsOf(t, 20, kMeterColour.rgb()), span(8, 21));
    EXPECT_EQ(rowsOf(t, 5, kMeterColour.rgb()), span(14, 15));  // a silent rest
    // Nothing in rests, and no bars unquantized.
    for (int y = 28; y < kDrawingRows; ++y) ASSERT_EQ(t.pixel(5, y), s.grid(5, y));
    EXPECT_TRUE(rowsOf(t, 20, pix::kNoteBarGreen.rgb()).empty());
}

TEST(TrackPicture, QuantizedDrawsTheBarAndThreeCurveLines) {
    Pictures s;
    s.settings.store(Setting::QuantizeMode, kNoteQuantize);
    s.setTrack("1" + std::string(30, '0') + ".");
    s.render();
    const QImage& t = s.p.track();
    EXPECT_EQ(t.pixel(10, 317), pix::kNoteBarGreen.rgb());
    EXPECT_EQ(t.pixel(10, 318), kCurveOuter.rgb());
    EXPECT_EQ(t.pixel(10, 319), kCurveCentre.rgb());
    EXPECT_EQ(t.pixel(10, 320), kCurveOuter.rgb());
    EXPECT_EQ(t.pixel(10, 321), pix::kNoteBarGreen.rgb());
    EXPECT_EQ(t.pixel(10, 316), s.grid(10, 316));
    EXPECT_EQ(t.pixel(10, 322), s.grid(10, 322));
    // The bar ends with the note's run.
    EXPECT_EQ(t.pixel(31, 317), s.grid(31, 317));
}

TEST(TrackPicture, NoBarOutsideTheKeyboardAndDiatonicBarsByDegree) {
    Pictures s;
    s.settings.store(Setting::QuantizeMode, kNoteQuantize);
    s.setTrack("1000000000.");
    s.track.note.assign(s.track.frameCount(), 0);  // no note
    s.p.renderStretch(s.track, s.settings, s.bars, 0, s.track.frameCount());
    for (int y = 28; y < kDrawingRows; ++y)
        ASSERT_NE(s.p.track().pixel(5, y), pix::kNoteBarGreen.rgb()) << y;

    // D in C major: the bar of the second degree, 11 rows from 674 - 6 × 62, under the
    // curve's three lines at rows 306 .. 308.
    s.bars.rebuild(1, 0);
    s.setTrack("1000000000.", 62.0);
    s.track.note.assign(s.track.frameCount(), 62);
    s.p.renderStretch(s.track, s.settings, s.bars, 0, s.track.frameCount());
    EXPECT_EQ(rowsOf(s.p.track(), 5, pix::kNoteBarGreen.rgb(), 28),
              (std::vector<int>{302, 303, 304, 305, 309, 310, 311, 312}));
}

TEST(TrackPicture, AStretchIsErasedToTheGridBeforeItIsDrawnAgain) {
    Pictures s;
    s.setTrack("1" + std::string(30, '0') + ".", 70.0);
    s.render();
    s.setTrack("1" + std::string(30, '0') + ".", 60.0);
    s.p.renderStretch(s.track, s.settings, s.bars, 5, 20);
    EXPECT_EQ(s.p.track().pixel(10, rowOfPitch(70.0)), s.grid(10, rowOfPitch(70.0)));
    EXPECT_EQ(s.p.track().pixel(10, 319), kCurveCentre.rgb());
    EXPECT_EQ(s.p.track().pixel(25, rowOfPitch(70.0)), kCurveCentre.rgb());  // outside the stretch
}

TEST(TrackPicture, NewProjectPutsTheGridBackAndABlackLineDownColumnZero) {
    Pictures s;
    s.setTrack("1" + std::string(300, '0') + ".");
    s.render();
    s.p.eraseTrack();
    for (int y = 0; y < kDrawingRows; ++y) ASSERT_EQ(s.p.track().pixel(0, y), qRgb(0, 0, 0));
    for (int x = 1; x < kColumns; x += 37)
        for (int y = 0; y < kDrawingRows; y += 7) ASSERT_EQ(s.p.track().pixel(x, y), s.grid(x, y)) << x << "," << y;
}
