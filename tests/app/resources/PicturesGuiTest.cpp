// The painted pictures: their sizes, the toolbar strip against its glyphs, and the keyboard's
// keys landing on the note view's pitch rows from either side.
#include "resources/PatternPicture.h"
#include "resources/Pictures.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace hummwell::pictures;

class GuiApplication : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "pictures-test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QGuiApplication> app_;
};
[[maybe_unused]] const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiApplication);

bool isUniform(const QImage& img) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != img.pixel(0, 0)) return false;
    return true;
}

void expectPicture(const QImage& img, int w, int h, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(img.size(), QSize(w, h));
    EXPECT_EQ(img.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_FALSE(isUniform(img)) << "nothing drawn";
}

constexpr int kGlyphs = static_cast<int>(ToolbarImage::Count);

TEST(Pictures, EachHasItsSizeAndSomethingOnIt) {
    for (int i = 0; i < kGlyphs; ++i) expectPicture(toolbarImage(ToolbarImage(i)), 16, 15, "toolbar glyph");
    expectPicture(toolbarStrip(), 16 * kGlyphs, 15, "toolbar strip");
    for (int w : {30, 20})
        for (KeyboardSide side : {KeyboardSide::ViewOnRight, KeyboardSide::ViewOnLeft})
            expectPicture(keyboardStrip(w, side), w, kKeyboardHeight, "keyboard");
    const QImage splash = splashPicture();
    expectPicture(splash, splash.width(), splash.height(), "splash");
    EXPECT_NEAR(splash.width(), 420, 40);
    EXPECT_NEAR(splash.height(), 260, 30);
    expectPicture(aboutPicture(), 64, 64, "about");
    for (int i = 0; i < 4; ++i) expectPicture(panelPicture(i), 50, 50, "panel");
    EXPECT_TRUE(panelPicture(4).isNull());
    EXPECT_TRUE(panelPicture(-1).isNull());
    for (int s : {16, 32, 48, 64, 128}) expectPicture(programImage(s), s, s, "program icon");
}

TEST(Pictures, ToolbarGlyphsAreDistinctAndTheStripHoldsThemInOrder) {
    const QImage strip = toolbarStrip();
    for (int i = 0; i < kGlyphs; ++i) {
        const QImage glyph = toolbarImage(ToolbarImage(i));
        EXPECT_EQ(strip.copy(i * 16, 0, 16, 15), glyph) << "slice " << i;
        bool seeThrough = false;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x) seeThrough |= qAlpha(glyph.pixel(x, y)) == 0;
        EXPECT_TRUE(seeThrough) << "glyph " << i << " has no transparent background";
        for (int j = 0; j < i; ++j) EXPECT_NE(glyph, toolbarImage(ToolbarImage(j))) << i << " and " << j;
    }
}

// Back = the side away from the note view, where black keys start.
struct Keyboard {
    int width;
    KeyboardSide side;
    QImage img = keyboardStrip(width, side);
    int fromBack(int x) const { return side == KeyboardSide::ViewOnRight ? x : width - 1 - x; }
    int grayAt(int xFromBack, int row) const { return qGray(img.pixel(fromBack(xFromBack), row)); }
};

constexpr int kDark = 80, kLight = 150;

TEST(Pictures, KeyboardKeysSitOnTheirPitchRowsFromEitherSide) {
    for (int w : {30, 20})
        for (KeyboardSide side : {KeyboardSide::ViewOnRight, KeyboardSide::ViewOnLeft}) {
            const Keyboard kb{w, side};
            SCOPED_TRACE(testing::Message() << "width " << w << (side == KeyboardSide::ViewOnRight ? " view right" : " view left"));
            for (int row = 282; row <= 287; ++row) {  // C#4, 61
                for (int x = 0; x < w / 2; ++x) EXPECT_LT(kb.grayAt(x, row), kDark) << "black key back, row " << row;
                for (int x = w * 7 / 10; x < w - 1; ++x) EXPECT_GT(kb.grayAt(x, row), kLight) << "view side, row " << row;
            }
            for (int row = 288; row <= 293; ++row)  // middle C, 60; the last column is the view's border
                for (int x = 0; x < w - 1; ++x) EXPECT_GT(kb.grayAt(x, row), kLight) << "white key, row " << row;
            for (int note = 21; note <= 108; ++note) {
                const int pc = note % 12;
                const bool black = pc == 1 || pc == 3 || pc == 6 || pc == 8 || pc == 10;
                EXPECT_EQ(kb.grayAt(1, (108 - note) * 6 + 2) < kDark, black) << "note " << note;
            }
        }
    EXPECT_EQ(keyboardStrip(30, KeyboardSide::ViewOnLeft), keyboardStrip(30, KeyboardSide::ViewOnRight).mirrored(true, false));
}

}  // namespace

// The note view's source columns: the bands sit on the pitch rows, the tonic is tinted, and
// in the diatonic columns a band is the range that snaps to one degree.
TEST(PatternPicture, BandsFollowThePitchRowsTheTonicAndTheScale) {
    const QImage p = hummwell::pictures::patternPicture();
    ASSERT_EQ(p.size(), QSize(31, 557));
    using namespace hummwell::pictures;
    EXPECT_EQ(p.pixelColor(kNoteBarColumn, 300), kNoteBarGreen);
    EXPECT_EQ(p.pixelColor(kCursorLineColumn, 5), kCursorLineGreen);
    EXPECT_EQ(p.pixelColor(kChromaticColumn, 10), QColor(Qt::black));  // the header band
    // MIDI 60's band is rows 316..321 (pitch 60.0 is drawn at row 319); 61's is 310..315.
    const auto at = [&](int column, int row) { return p.pixelColor(column, row); };
    const int c = kChromaticColumn + 0, g = kChromaticColumn + 7;  // tonic C, tonic G
    EXPECT_EQ(at(c, 318), at(c, 319));
    EXPECT_NE(at(c, 318), at(g, 318));           // C is the tonic in one and not the other
    EXPECT_LT(at(c, 312).lightness(), at(c, 306).lightness());  // C# darker than D (304..309)
    EXPECT_NE(at(c, 316), at(c, 318));           // the band's edge row is set off
    // Diatonic, tonic C: 60.9 still snaps to C, 61.2 to D, so C's band ends between them.
    const int d = kDiatonicColumn + 0;
    const auto row = [](double pitch) { return static_cast<int>(28 + (108.5 - pitch) * 6); };
    EXPECT_EQ(at(d, row(60.2)), at(d, row(60.6)));
    EXPECT_NE(at(d, row(60.2)), at(d, row(61.6)));
    EXPECT_EQ(at(d, row(60.2)), at(kDiatonicColumn + 0, row(72.2)));  // every octave alike
    EXPECT_NE(at(d, row(60.2)), at(kDiatonicColumn + 2, row(60.2)));  // D major's C# region
}
