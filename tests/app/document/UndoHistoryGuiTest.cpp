// Undo and Redo as the user meets them in the window: the Edit menu's first two items, their
// keys on the main window bringing a deleted note back into the track and its bar into the
// picture, and both waiting while the track plays.
#include "editor/Commands.h"
#include "resources/PatternPicture.h"
#include "support/GuiShell.h"
#include "view/CVtView.h"
#include "view/ViewLayout.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace hummwell;

namespace {

// Frames 100 .. 299 are one note at MIDI 60.0 between rests, quantized by notes, in a shown
// and active window.
struct Window : guitest::Shell {
    Window() {
        EXPECT_TRUE(start());
        setOneNote(400, 100, 300, 60.0);
        view().chooseSetting(Setting::QuantizeMode, kNoteQuantize);
        state().cursorFrame = 150;
        view().setScroll(state().frameCount(), 150, true);
        frame().show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame()));
        QApplication::setActiveWindow(&frame());
        view().setFocus();
        frame().refreshCommands();
    }
    CVtView& view() { return frame().view(); }
    QMenu* editMenu() {
        for (QAction* menu : frame().menuBar()->actions())
            if (menu->text() == "&Edit") return menu->menu();
        return nullptr;
    }
    // Whether the track picture shows a note bar for `midi` at frame f.
    bool barAt(int f, int midi) {
        QApplication::processEvents();
        const QImage& picture = view().trackPicture();
        for (int y = rowOfPitch(midi + 0.5); y <= rowOfPitch(midi - 0.5); ++y)
            if (picture.pixel(f, y) == pictures::kNoteBarGreen.rgb()) return true;
        return false;
    }
    bool noteIsThere() {
        const FrameTrack& t = state().track;
        for (int i = 100; i < 300; ++i)
            if (t.pitch[i] != 60.0 || t.mark[i] != (i == 100 ? kMarkOnset : kMarkContinue)) return false;
        return true;
    }
    bool restsThere() {
        const FrameTrack& t = state().track;
        for (int i = 100; i < 300; ++i)
            if (t.pitch[i] != 0.0 || t.mark[i] != kMarkRest) return false;
        return true;
    }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&frame(), static_cast<Qt::Key>(k), modifiers);
        QApplication::processEvents();
    }
};

}  // namespace

TEST(UndoWindow, UndoAndRedoOpenTheEditMenuWithTheirTextsAndNames) {
    Window s;
    QMenu* edit = s.editMenu();
    ASSERT_NE(edit, nullptr);
    const QList<QAction*> items = edit->actions();
    ASSERT_GE(items.size(), 3);
    EXPECT_EQ(items[0], &s.action(kCmdUndo));
    EXPECT_EQ(items[1], &s.action(kCmdRedo));
    EXPECT_TRUE(items[2]->isSeparator());
    // A screen reader reads the menu texts without their mnemonics.
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(edit);
    ASSERT_NE(menu, nullptr);
    ASSERT_GE(menu->childCount(), 2);
    EXPECT_EQ(menu->child(0)->text(QAccessible::Name), "Undo");
    EXPECT_EQ(menu->child(1)->text(QAccessible::Name), "Redo");
    EXPECT_EQ(s.action(kCmdUndo).toolTip(), "Undo");
    EXPECT_FALSE(s.action(kCmdUndo).isEnabled()) << "nothing done yet";
    EXPECT_FALSE(s.action(kCmdRedo).isEnabled());
}

TEST(UndoWindow, CtrlZBringsADeletedNoteBackAndCtrlYTakesItAgain) {
    Window s;
    const int half = s.view().viewport()->width() / 2;
    const int top = -s.view().verticalScrollBar()->value();
    QTest::mouseClick(s.view().viewport(), Qt::LeftButton, {}, QPoint(half + 10, 319 + top));
    ASSERT_TRUE(s.state().selection.noteSelected);
    ASSERT_TRUE(s.barAt(200, 60));
    EXPECT_FALSE(s.action(kCmdUndo).isEnabled()) << "selecting is no edit";

    s.key(Qt::Key_Delete);
    ASSERT_TRUE(s.restsThere());
    EXPECT_FALSE(s.barAt(200, 60));
    EXPECT_TRUE(s.action(kCmdUndo).isEnabled());

    s.key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(s.noteIsThere());
    EXPECT_TRUE(s.barAt(200, 60));
    EXPECT_TRUE(s.state().selection.noteSelected) << "the selection comes back with it";
    EXPECT_FALSE(s.action(kCmdUndo).isEnabled());
    EXPECT_TRUE(s.action(kCmdRedo).isEnabled());

    s.key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(s.restsThere());
    EXPECT_FALSE(s.barAt(200, 60));

    // The other keys of each.
    s.key(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_TRUE(s.noteIsThere());
    s.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(s.restsThere());
}

TEST(UndoWindow, UndoWaitsWhileTheTrackPlays) {
    Window s;
    s.state().selection.rangeSelected = true;
    s.state().selection.rangeStart = 120;
    s.state().selection.rangeEnd = 180;
    s.frame().refreshCommands();
    s.key(Qt::Key_PageUp);  // Pitch+1.0
    ASSERT_EQ(s.state().track.pitch[150], 61.0);
    ASSERT_TRUE(s.action(kCmdUndo).isEnabled());

    s.state().cursorFrame = 0;
    s.action(kCmdPlay).trigger();
    ASSERT_EQ(s.state().transportState, kPlaying);
    EXPECT_FALSE(s.action(kCmdUndo).isEnabled());
    EXPECT_FALSE(s.action(kCmdRedo).isEnabled());
    s.key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(s.state().track.pitch[150], 61.0);
    EXPECT_EQ(s.state().history.undoCount(), 1);

    s.action(kCmdStop).trigger();
    EXPECT_TRUE(s.action(kCmdUndo).isEnabled());
    s.key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(s.state().track.pitch[150], 60.0);
}
