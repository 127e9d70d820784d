// Find Notes as the user meets it in the window: the Edit menu's command on a legato take the
// recording left as one note, on the whole track or only the selection, and its option to run
// after every take, kept in the profile.
#include "document/NoteFinder.h"
#include "editor/Commands.h"
#include "resources/PatternPicture.h"
#include "support/GuiShell.h"
#include "view/CVtView.h"
#include "view/ViewLayout.h"

#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

using namespace hummwell;

namespace {

// A take the live decision left as one note: 60 for 50 frames, then 64 legato for 50, from an
// opened project (no evidence of the engine's).
struct LegatoTake : guitest::Shell {
    LegatoTake() {
        EXPECT_TRUE(start());
        setTrack(160, [](int i) {
            const bool voiced = i >= 20 && i < 120;
            const double pitch = i < 70 ? 60.0 : 64.0;
            return voiced ? Frame{pitch, 0, 64.0, i == 20 ? kMarkOnset : kMarkContinue, 0} : Frame{};
        });
        frame().view().chooseSetting(Setting::QuantizeMode, kNoteQuantize);
        frame().refreshCommands();
    }
    int onsets() const {
        const FrameTrack& t = const_cast<LegatoTake*>(this)->state().track;
        return static_cast<int>(std::count(t.mark.begin(), t.mark.end(), kMarkOnset));
    }
    bool barAt(int frame, int midi) {
        const QImage& picture = this->frame().view().trackPicture();
        for (int y = rowOfPitch(midi + 0.5); y <= rowOfPitch(midi - 0.5); ++y)
            if (picture.pixel(frame, y) == pictures::kNoteBarGreen.rgb()) return true;
        return false;
    }
};

}  // namespace

TEST(FindNotes, TheEditMenuCommandSplitsALegatoNoteAndTheBarsShowIt) {
    LegatoTake s;
    ASSERT_EQ(s.onsets(), 1);
    EXPECT_TRUE(s.barAt(100, 62));  // one bar at the mean of both pitches
    QAction* find = s.menuItem("&Edit", "&Find Notes");
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->isEnabled());
    find->trigger();
    EXPECT_EQ(s.onsets(), 2);
    const FrameTrack& t = s.state().track;
    EXPECT_EQ(t.mark[70 - notefinder::kLegatoLeadFrames], kMarkOnset);
    EXPECT_TRUE(s.barAt(40, 60));
    EXPECT_TRUE(s.barAt(100, 64));
    EXPECT_FALSE(s.barAt(100, 62));
}

TEST(FindNotes, ASelectionLimitsItAndItWaitsWhilePlaying) {
    LegatoTake s;
    // Only frames 0 .. 60 are selected: the step at 70 stays unsplit.
    s.state().selection.rangeSelected = true;
    s.state().selection.rangeStart = 0;
    s.state().selection.rangeEnd = 60;
    s.action(kCmdFindNotes).trigger();
    EXPECT_EQ(s.state().track.mark[70 - notefinder::kLegatoLeadFrames], kMarkContinue);
    EXPECT_EQ(s.state().track.mark[60], kMarkOnset);  // the note goes on past the range

    s.state().clearSelection();
    s.action(kCmdPlay).trigger();
    ASSERT_EQ(s.state().transportState, kPlaying);
    s.frame().refreshCommands();
    EXPECT_FALSE(s.action(kCmdFindNotes).isEnabled());
    const std::vector<int32_t> marks = s.state().track.mark;
    s.action(kCmdFindNotes).trigger();
    EXPECT_EQ(s.state().track.mark, marks);
    s.action(kCmdStop).trigger();
}

TEST(FindNotes, TheOptionAfterEachTakeIsOnByDefaultAndKeptInTheProfile) {
    LegatoTake s;
    QAction* option = s.menuItem("&Edit", "Find Notes After Each &Take");
    ASSERT_NE(option, nullptr);
    EXPECT_TRUE(option->isCheckable());
    EXPECT_TRUE(option->isChecked());
    EXPECT_TRUE(s.state().findNotesAfterTake);
    option->trigger();
    EXPECT_FALSE(s.state().findNotesAfterTake);
    EXPECT_EQ(s.profile.readString(kSettingsSection, kFindNotesEntry), "0");
    s.frame().refreshCommands();
    EXPECT_FALSE(option->isChecked());
    option->trigger();
    EXPECT_EQ(s.profile.readString(kSettingsSection, kFindNotesEntry), "1");

    // It can be chosen before the first take, when nothing else in the Edit menu can.
    s.action(kCmdNewProject).trigger();
    ASSERT_EQ(s.state().transportState, kEmptyProject);
    s.frame().refreshCommands();
    EXPECT_TRUE(option->isEnabled());
    EXPECT_FALSE(s.menuItem("&Edit", "&Find Notes")->isEnabled());
}
