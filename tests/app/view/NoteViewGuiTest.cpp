// The note view as the user sees it, offscreen through the real window: where frames land
// around the centred cursor, the grid that goes on before frame 0, New Project's empty grid,
// the readouts in each state, an inverted range, the tracker with its pointer shapes, and the
// picture sliding during playback.
#include "view/CVtView.h"

#include "editor/Commands.h"
#include "editor/ControlPanel.h"
#include "editor/NoteDrag.h"
#include "resources/PatternPicture.h"
#include "support/GuiShell.h"

#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <string>

using namespace hummwell;

namespace {

struct View : guitest::Shell {
    View() {
        EXPECT_TRUE(start());
        // Frames 100 .. 299 are one note at MIDI 60.0, with rests around it.
        setOneNote(400, 100, 300, 60.0);
        state().requantize(0, state().frameCount());
        moveCursor(0);
        frame().refreshCommands();
    }
    CVtView& view() { return frame().view(); }
    void moveCursor(int f) {
        state().cursorFrame = f;
        view().setScroll(state().frameCount(), f, true);
        view().viewport()->update();
    }
    QImage shot() { return view().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    int half() { return view().viewport()->width() / 2; }
    int top() { return -view().verticalScrollBar()->value(); }
    QString readout(int id) { return qobject_cast<QLabel*>(frame().panel().control(id))->text(); }
};

const QRgb kMeasureLine = pictures::patternPicture().pixel(pictures::kMeasureLineColumn, 300);
const QRgb kCursorLine = pictures::kCursorLineGreen.rgb();

}  // namespace

TEST(NoteView, FrameFLiesAtHalfPlusFMinusTheCursor) {
    View s;
    for (int cursor : {0, 150, 260}) {
        s.moveCursor(cursor);
        const QImage img = s.shot();
        const int x = s.half() + 200 - cursor;
        if (x < 0 || x >= img.width()) continue;
        SCOPED_TRACE(cursor);
        EXPECT_EQ(img.pixel(x, 319 + s.top()), kCurveCentre.rgb());
        EXPECT_EQ(img.pixel(x, 317 + s.top()), kCurveOuter.rgb());
        EXPECT_EQ(img.pixel(x, 319 + 30 + s.top()), s.view().gridPicture().pixel(200, 349));
        // The onset tick of frame 100 reaches below the curve.
        const int onset = s.half() + 100 - cursor;
        if (onset >= 0) {
            EXPECT_EQ(img.pixel(onset, 325 + s.top()), kTickColour.rgb());
        }
        EXPECT_EQ(img.pixel(s.half(), 400 + s.top()), kCursorLine);
    }
}

TEST(NoteView, BeforeFrameZeroTheGridGoesOnInStep) {
    View s;
    const QImage img = s.shot();
    // Frame 0 has its measure line under the cursor; one measure (172 or 173 columns) to the
    // left the filler has the one before it.
    int lines = 0;
    for (int x = s.half() - 174; x <= s.half() - 172; ++x) lines += img.pixel(x, 300 + s.top()) == kMeasureLine;
    EXPECT_EQ(lines, 1);
    EXPECT_NE(img.pixel(s.half() - 100, 300 + s.top()), kMeasureLine);
}

TEST(NoteView, NewProjectShowsOnlyTheGridAndTheCursorLine) {
    View s;
    s.moveCursor(200);
    s.prompt.answers.push_back(PromptAnswer::No);  // do not save
    s.action(kCmdNewProject).trigger();
    ASSERT_EQ(s.state().transportState, kEmptyProject);
    QApplication::processEvents();
    const QImage img = s.shot();
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < kDrawingRows && y + s.top() < img.height(); y += 3) {
            const QRgb c = img.pixel(x, y + s.top());
            ASSERT_NE(c, kCurveCentre.rgb()) << x << "," << y;
            ASSERT_NE(c, kMeterColour.rgb()) << x << "," << y;
        }
    EXPECT_EQ(img.pixel(s.half(), 300 + s.top()), kCursorLine);
    EXPECT_EQ(s.readout(kPanelTime), "");
    EXPECT_EQ(s.readout(kPanelPitch), "");
    EXPECT_EQ(s.readout(kPanelVolume), "");
}

TEST(NoteView, ReadoutsFollowTheCursorAndTheState) {
    View s;
    s.moveCursor(150);  // 1,741.5 ms
    QApplication::processEvents();
    s.shot();
    EXPECT_EQ(s.readout(kPanelTime), "00:01:741");
    EXPECT_EQ(s.readout(kPanelPitch), "060.00");
    EXPECT_EQ(s.readout(kPanelVolume), "64 0");
    s.view().chooseSetting(Setting::QuantizeMode, kNoteQuantize);
    s.shot();
    EXPECT_EQ(s.readout(kPanelPitch), "060");
    EXPECT_EQ(s.readout(kPanelVolume), "64 0");
}

TEST(NoteView, ARangeIsInvertedAndANoteGetsItsTracker) {
    View s;
    s.moveCursor(150);
    const QImage before = s.shot();
    s.state().selection.rangeSelected = true;
    s.state().selection.rangeStart = 140;
    s.state().selection.rangeEnd = 160;
    const QImage inverted = s.shot();
    for (int y : {5, 300, 319}) {
        EXPECT_EQ(inverted.pixel(s.half() - 5, y + s.top()) & 0xFFFFFF,
                  ~before.pixel(s.half() - 5, y + s.top()) & 0xFFFFFF);
        EXPECT_EQ(inverted.pixel(s.half() + 20, y + s.top()), before.pixel(s.half() + 20, y + s.top()));
    }

    // A click on the curve selects the note: the tracker frames it with its handles outside.
    // The pointer arrives first, as a real one does.
    s.state().selection.rangeSelected = false;
    QTest::mouseMove(s.view().viewport(), QPoint(s.half() + 10, 319 + s.top()));
    QTest::mouseClick(s.view().viewport(), Qt::LeftButton, {}, QPoint(s.half() + 10, 319 + s.top()));
    ASSERT_TRUE(s.state().selection.noteSelected);
    const QImage framed = s.shot();
    const int left = s.half() + s.state().selection.noteStart - 150;
    const int right = s.half() + s.state().selection.noteEnd - 150;
    const int topRow = s.state().selection.noteTop + s.top();
    EXPECT_EQ(framed.pixel(left - 3, topRow - 3), qRgb(0, 0, 0));   // the top-left handle
    EXPECT_EQ(framed.pixel(right + 2, topRow - 3), qRgb(0, 0, 0));  // the top-right handle
    EXPECT_EQ(framed.pixel(left + 1, topRow + 1), before.pixel(left + 1, topRow + 1));  // inside

    // Over the handles the pointer shows which way a drag reshapes the note.
    const int midY = (s.state().selection.noteTop + s.state().selection.noteBottom) / 2 + s.top();
    QTest::mouseMove(s.view().viewport(), QPoint(right + 2, midY));
    EXPECT_EQ(s.view().viewport()->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(s.view().viewport(), QPoint(left - 3, topRow - 3));
    EXPECT_EQ(s.view().viewport()->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mouseMove(s.view().viewport(), QPoint(s.half() + 10, 319 + s.top()));
    EXPECT_EQ(s.view().viewport()->cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(s.view().viewport(), QPoint(5, 500 + s.top()));
    EXPECT_EQ(s.view().viewport()->cursor().shape(), Qt::ArrowCursor);
}

TEST(NoteView, PlayMovesThePictureAndTheTime) {
    View s;
    s.moveCursor(90);
    const QImage before = s.shot();
    const QString time = s.readout(kPanelTime);
    s.action(kCmdPlay).trigger();
    ASSERT_EQ(s.state().transportState, kPlaying);
    QTest::qWait(300);  // about 26 frames
    const QImage during = s.shot();
    const int cursor = s.state().cursorFrame;
    EXPECT_GT(cursor, 105);
    EXPECT_NE(s.readout(kPanelTime), time);
    EXPECT_EQ(s.readout(kPanelVolume), "64");  // no mark while playing
    // The onset tick of frame 100 slid left with the cursor.
    EXPECT_EQ(during.pixel(s.half() + 100 - cursor, 325 + s.top()), kTickColour.rgb());
    EXPECT_NE(before.pixel(s.half() + 100 - cursor, 325 + s.top()), kTickColour.rgb());
    s.action(kCmdStop).trigger();
}
