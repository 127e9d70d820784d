// What each control panel choice does beyond storing its value, as the MIDI messages it sends
// (caught by a recording device) and the drawing it asks for, and the channel conflict.
#include "editor/PanelChoice.h"

#include "document/ViewState.h"
#include "editor/MidiOutput.h"
#include "support/AppDoubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>

namespace {

using namespace hummwell;
using Message = std::tuple<int, int, int, int>;  // status, channel, data1, data2

constexpr int kControl = 0xB0, kProgram = 0xC0, kNoteOn = 0x90, kNoteOff = 0x80;
const Message kAllOff{kControl, 0, 123, 0};

struct Panel : ::testing::Test {
    Panel() {
        auto recording = std::make_unique<RecordingMidiDevice>();
        device = recording.get();
        output = std::make_unique<MidiOutput>(std::move(recording), prompt);
        view = std::make_unique<ViewState>(prompt, surface, *output, input);
        output->attach(*view);
        output->openMidiOutput();
        // Frames 0 .. 9 one note at 60.3, then the closing rest; the cursor on frame 4.
        view->track.clear();
        for (int i = 0; i < 10; ++i) view->track.append(Frame{60.3, 60, 90.0, i == 0 ? kMarkOnset : kMarkContinue, 0});
        view->track.append(Frame{});
        view->transportState = kIdle;
        view->cursorFrame = 4;
        sent();
    }
    std::vector<Message> sent() {
        std::vector<Message> out;
        for (const auto& m : device->messages) out.emplace_back(m.status(), m.channel(), m.data1(), m.data2());
        device->messages.clear();
        return out;
    }
    // The panel's way in: the conflict check, then the setter.
    bool choose(Setting s, int value) { return panelChoiceAllowed(*view, s, value) && view->setSetting(s, value); }

    appdoubles::ScriptedPrompt prompt;
    appdoubles::RecordingSurface surface;
    appdoubles::CountingInput input;
    RecordingMidiDevice* device = nullptr;
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<ViewState> view;
};

}  // namespace

TEST_F(Panel, AKeyChangeSilencesRedrawsAndResoundsTheCursorFrameWithScrubOn) {
    view->scrubOn = true;
    EXPECT_TRUE(choose(Setting::Key, 5));
    const std::vector<Message> m = sent();
    ASSERT_GE(m.size(), 8u);
    EXPECT_EQ(m[0], kAllOff);                             // before the key changes
    EXPECT_EQ(m[1], (Message{kProgram, 0, 68, 0}));      // the re-sounding prepares the channel
    EXPECT_EQ(m[4], (Message{kControl, 0, 6, 12}));      // bend range 12
    EXPECT_EQ(m[5], kAllOff);
    EXPECT_EQ(m[6], (Message{kNoteOn, 0, 60, 127}));
    EXPECT_EQ(surface.grids, 1);
    EXPECT_FALSE(surface.stretches.empty());

    // Without Scrub nothing sounds but the silencing; an unchanged value does nothing at all.
    view->scrubOn = false;
    EXPECT_TRUE(choose(Setting::Scale, 1));
    EXPECT_EQ(sent(), std::vector<Message>{kAllOff});
    EXPECT_FALSE(choose(Setting::Scale, 1));
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(surface.grids, 2);
}

TEST_F(Panel, SpeedAndMetreRedrawTheGridAndSoundNothing) {
    view->scrubOn = true;
    EXPECT_TRUE(choose(Setting::Speed, 4));
    EXPECT_TRUE(choose(Setting::Metre, 0));
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(surface.grids, 2);
    EXPECT_EQ(surface.stretches.size(), 2u);
}

TEST_F(Panel, QuantizeSilencesRequantizesAndResounds) {
    view->scrubOn = true;
    EXPECT_TRUE(choose(Setting::QuantizeMode, kNoteQuantize));
    const std::vector<Message> m = sent();
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m[0], kAllOff);
    EXPECT_EQ(m.back(), (Message{0xE0, 0, 0, 64}));  // the quantized note, its bend centred
    EXPECT_EQ(view->track.note[4], 60);
}

TEST_F(Panel, TheNoteChannelMayNotBeATickChannel) {
    // Both ticks use channel 10 (index 9) by default.
    EXPECT_FALSE(choose(Setting::MidiChannel, 9));
    ASSERT_EQ(prompt.texts(), std::vector<std::string>{"Recording channel should be different from Metronome channel"});
    EXPECT_EQ(prompt.messages[0].title, "ERROR");
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(view->setting(Setting::MidiChannel), 0);
    EXPECT_EQ(surface.shownSettings.back(), std::make_pair(Setting::MidiChannel, 0));  // the list put back
    EXPECT_TRUE(sent().empty());

    // Another channel: silence on the old one, then the note on the new one with its program.
    view->scrubOn = true;
    EXPECT_TRUE(choose(Setting::MidiChannel, 3));
    const std::vector<Message> m = sent();
    ASSERT_GE(m.size(), 3u);
    EXPECT_EQ(m[0], kAllOff);
    EXPECT_EQ(m[1], (Message{kProgram, 3, 68, 0}));
    EXPECT_NE(std::find(m.begin(), m.end(), Message{kNoteOn, 3, 60, 127}), m.end());

    // A project file that is opened keeps its own rules: the setter alone accepts it.
    view->setSetting(Setting::BeatTickChannel, 3);
    EXPECT_EQ(prompt.messages.size(), 1u);
}

TEST_F(Panel, AnInstrumentIsHeardThroughTheResounding) {
    view->scrubOn = true;
    EXPECT_TRUE(choose(Setting::Instrument, 40));
    const std::vector<Message> m = sent();
    ASSERT_GE(m.size(), 2u);
    EXPECT_EQ(m[0], kAllOff);
    EXPECT_EQ(m[1], (Message{kProgram, 0, 40, 0}));
}

TEST_F(Panel, SwitchingOffSilencesWhatItWasSounding) {
    view->transportState = kRecording;
    output->soundMeasureTick();
    output->soundBeatTick();
    sent();
    EXPECT_TRUE(choose(Setting::MetronomeOn, 0));
    EXPECT_EQ(sent(), (std::vector<Message>{{kNoteOff, 9, 38, 0}, {kNoteOff, 9, 42, 0}}));
    EXPECT_TRUE(choose(Setting::RealtimeOutOn, 1));
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(choose(Setting::RealtimeOutOn, 0));
    EXPECT_EQ(sent(), std::vector<Message>{kAllOff});
}

TEST_F(Panel, StoreOnlySettingsSoundAndDrawNothing) {
    view->scrubOn = true;
    EXPECT_TRUE(choose(Setting::Transpose, 3));
    EXPECT_TRUE(choose(Setting::RefKeyAdjust, 90));
    EXPECT_TRUE(choose(Setting::VelocityOutMode, 1));
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(surface.grids, 0);
    EXPECT_TRUE(surface.stretches.empty());
}

TEST_F(Panel, DuringATakeTheNewInstrumentWaitsForTheNextRecordedFrame) {
    view->transportState = kRecording;
    view->setSetting(Setting::RealtimeOutOn, 1);
    sent();
    output->lastSoundedNote = 60;
    EXPECT_TRUE(choose(Setting::Instrument, 12));
    const std::vector<Message> m = sent();
    ASSERT_EQ(m.size(), 5u);  // silence, then the channel prepared: no note from this thread
    EXPECT_EQ(m[0], kAllOff);
    EXPECT_EQ(m[1], (Message{kProgram, 0, 12, 0}));
    EXPECT_EQ(output->lastSoundedNote, 0);  // the next frame strikes afresh
}
