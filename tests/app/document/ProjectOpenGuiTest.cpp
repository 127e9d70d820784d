// Open as the user meets it in the window after a take: Yes to losing the data, then a file
// that is missing, a pipe, a file that is no project, and Cancel. The take stays, every frame
// of it, with its undo step, and Undo still takes it back.
#include "document/ProjectFile.h"
#include "editor/Commands.h"
#include "support/GuiShell.h"

#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using namespace hummwell;

TEST(ProjectOpen, AFailedOpenAfterATakeKeepsEveryFrameAndTheUndoStep) {
    guitest::Shell s;
    ASSERT_TRUE(s.start());
    s.setOneNote(300, 50, 150, 62.0);  // what was there before the take
    s.state().cursorFrame = 299;
    s.frame().refreshCommands();

    s.action(kCmdRecord).trigger();
    ASSERT_EQ(s.state().transportState, kRecording);
    QTest::qWait(3500);  // past the count-in of 2.9 s: a few dozen frames of the room
    s.action(kCmdStop).trigger();
    ASSERT_EQ(s.state().transportState, kIdle);
    const FrameTrack afterTake = s.state().track;
    ASSERT_GT(afterTake.frameCount(), 300);
    ASSERT_EQ(s.state().history.undoCount(), 1);

    const std::string pipe = s.folder.path + "/pipe.hwp";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    std::ofstream(s.folder.path + "/words.hwp") << std::string(300, 'x');
    s.prompt.messages.clear();  // the library's note about the microphone at start-up
    s.prompt.answers = {PromptAnswer::Yes};
    s.prompt.files = {s.folder.path + "/missing.hwp", pipe, s.folder.path + "/words.hwp"};
    s.frame().refreshCommands();
    s.menuItem("&File", "&Open Project...")->trigger();  // the dialog comes back after each, then Cancel

    const std::vector<std::string> said = s.prompt.texts();
    ASSERT_EQ(said.size(), 4u) << ::testing::PrintToString(said);
    EXPECT_EQ(said[1], "Failed to Open File.\n" + s.folder.path + "/missing.hwp: No such file or directory");
    EXPECT_EQ(said[2], "Failed to Open File.\n" + pipe + ": is not a regular file (a pipe, a device or a socket)");
    EXPECT_EQ(said[3], "Invalid Hummwell file");
    const FrameTrack& now = s.state().track;
    ASSERT_EQ(now.frameCount(), afterTake.frameCount());
    EXPECT_EQ(now.pitch, afterTake.pitch);
    EXPECT_EQ(now.mark, afterTake.mark);
    EXPECT_EQ(s.state().transportState, kIdle);
    EXPECT_EQ(s.state().history.undoCount(), 1);

    // The take can still be undone, through the window.
    s.frame().refreshCommands();
    ASSERT_TRUE(s.action(kCmdUndo).isEnabled());
    s.action(kCmdUndo).trigger();
    EXPECT_EQ(s.state().frameCount(), 300);
    EXPECT_EQ(s.state().track.pitch[100], 62.0);
}
