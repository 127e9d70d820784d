// Tune to the Singer as the user meets it in the window: a take sung flat, with some notes so
// flat that they round a semitone down; the Edit menu's item says how flat, and Yes sets
// Reference Key Adjust in the panel and gives every note the key that was meant; Undo takes
// the notes back.
#include "editor/Commands.h"
#include "document/SettingLabels.h"
#include "editor/ControlPanel.h"
#include "support/GuiShell.h"
#include "view/CVtView.h"

#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace hummwell;

namespace {

constexpr int kKeys[] = {60, 62, 64, 65, 67, 69, 67, 65};
constexpr double kCentsOff[] = {-38, -55, -42, -58, -44, -52, -40, -47};  // about 47 flat
constexpr int kNoteFrames = 30, kGap = 6;

struct FlatTake : guitest::Shell {
    FlatTake() {
        EXPECT_TRUE(start());
        const int count = 8 * (kNoteFrames + kGap) + kGap + 1;
        setTrack(count, [](int i) {
            const int n = (i - kGap) / (kNoteFrames + kGap), at = (i - kGap) % (kNoteFrames + kGap);
            if (i < kGap || n >= 8 || at >= kNoteFrames) return Frame{};
            const double vibrato = 0.3 * std::sin(2.0 * std::numbers::pi * 5.5 * at * 0.0116);
            return Frame{kKeys[n] + kCentsOff[n] / 100.0 + vibrato, 0, 64.0, at == 0 ? kMarkOnset : kMarkContinue, 0};
        });
        frame().view().chooseSetting(Setting::QuantizeMode, kNoteQuantize);
        frame().refreshCommands();
    }
    int rightKeys() {
        int right = 0;
        for (int n = 0; n < 8; ++n) right += state().track.note[kGap + n * (kNoteFrames + kGap) + 10] == kKeys[n];
        return right;
    }
    QString panelValue() {
        return qobject_cast<QComboBox*>(frame().panel().control(kPanelRefKeyAdjust))->currentText();
    }
};

}  // namespace

TEST(TuneToSinger, SaysHowFlatAndOnYesSetsTheReferenceAndTheNotesMeant) {
    FlatTake s;
    ASSERT_EQ(s.rightKeys(), 5);  // three notes sung more than 50 cents flat round down
    QAction* tune = s.menuItem("&Edit", "Tune to the Sin&ger...");
    ASSERT_NE(tune, nullptr);
    ASSERT_TRUE(tune->isEnabled());
    s.prompt.answers.push_back(PromptAnswer::Yes);
    tune->trigger();
    ASSERT_FALSE(s.prompt.messages.empty());
    const std::string said = s.prompt.messages.back().text;
    EXPECT_EQ(s.prompt.messages.back().title, "Tune to the Singer");
    // About 47 cents: each note's median over a swing and a bit of its vibrato.
    const int index = s.state().setting(Setting::RefKeyAdjust);
    EXPECT_GE(index, 144);
    EXPECT_LE(index, 150);
    const std::string label = refKeyAdjustLabel(index);
    EXPECT_NE(said.find("The notes are sung " + std::to_string(index - 100) + " cents flat of A4 = 440 Hz (measured on 8 notes)."),
              std::string::npos) << said;
    EXPECT_NE(said.find("Set Reference Key Adjust to " + label + " and round the notes from there?"), std::string::npos)
        << said;
    EXPECT_EQ(s.rightKeys(), 8);
    EXPECT_EQ(s.panelValue().toStdString(), label);

    // Undo gives the notes back as they were; a second measure finds them in tune.
    s.frame().refreshCommands();
    s.action(kCmdUndo).trigger();
    EXPECT_EQ(s.rightKeys(), 5);
    s.action(kCmdRedo).trigger();
    EXPECT_EQ(s.rightKeys(), 8);
    tune->trigger();
    EXPECT_NE(s.prompt.messages.back().text.find("in tune with A4 = 440 Hz"), std::string::npos)
        << s.prompt.messages.back().text;
}

TEST(TuneToSinger, NoChangesNothingAndTooFewNotesAreSaidSo) {
    FlatTake s;
    s.prompt.answers.push_back(PromptAnswer::No);
    s.menuItem("&Edit", "Tune to the Sin&ger...")->trigger();
    EXPECT_EQ(s.rightKeys(), 5);
    EXPECT_EQ(s.state().setting(Setting::RefKeyAdjust), 100);
    EXPECT_EQ(s.panelValue(), " 000 %");

    s.setOneNote(100, 20, 60, 60.4);
    s.frame().refreshCommands();
    s.menuItem("&Edit", "Tune to the Sin&ger...")->trigger();
    EXPECT_NE(s.prompt.messages.back().text.find("Too few steady notes to measure the tuning"), std::string::npos);
}
