// The exact messages of each MIDI operation, caught by a recording device.
#include "editor/MidiOutput.h"

#include <cmath>

#include "editor/midi/FluidSynthDevice.h"

#include "document/PitchBend.h"
#include "document/ViewState.h"
#include "support/AppDoubles.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <tuple>

namespace {

using namespace hummwell;
using Message = std::tuple<int, int, int, int>;  // status, channel, data1, data2

struct MidiFixture : ::testing::Test {
    MidiFixture() {
        auto recording = std::make_unique<RecordingMidiDevice>(&clock);
        device = recording.get();
        output = std::make_unique<MidiOutput>(std::move(recording), prompt);
        view = std::make_unique<ViewState>(prompt, surface, *output, input, clock, timer);
        output->attach(*view);
        output->openMidiOutput();
    }

    // Frames of one note from `pitches`, the first an onset, before the closing rest.
    void setNote(std::initializer_list<double> pitches, double volume = 100.0) {
        view->resetTrack();
        int i = 0;
        for (const double p : pitches) {
            view->track.insert(i, Frame{p, view->snap(p), volume, i == 0 ? kMarkOnset : kMarkContinue, 0});
            ++i;
        }
        view->transportState = kIdle;
    }
    std::vector<Message> sent() {
        std::vector<Message> out;
        for (const auto& m : device->messages) out.emplace_back(m.status(), m.channel(), m.data1(), m.data2());
        device->messages.clear();
        return out;
    }
    // Frames 0 .. count - 1 (all with the closing rest by default), one after the other.
    void soundAll(int count = -1) {
        for (int f = 0; f < (count < 0 ? view->frameCount() : count); ++f) {
            view->cursorFrame = f;
            output->soundFrame(f);
        }
    }

    ManualClock clock;
    appdoubles::ScriptedPrompt prompt;
    appdoubles::RecordingSurface surface;
    appdoubles::CountingInput input;
    QuietTimer timer;
    RecordingMidiDevice* device = nullptr;
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<ViewState> view;
};

TEST_F(MidiFixture, SetUpMessagesOnTheNoteChannel) {
    view->settings.store(Setting::MidiChannel, 3);
    view->settings.store(Setting::Instrument, 41);
    output->prepareNoteChannel();
    output->allNotesOff();
    EXPECT_EQ(sent(), (std::vector<Message>{{0xC0, 3, 41, 0}, {0xB0, 3, 101, 0}, {0xB0, 3, 100, 0},
                                            {0xB0, 3, 6, 12}, {0xB0, 3, 123, 0}}));
    EXPECT_EQ(packShortMessage(0x90, 3, 60, 127), 0x7F3C93u);
}

TEST_F(MidiFixture, TheSoundGateFollowsTheTransport) {
    setNote({60.0, 60.0});
    const auto sounds = [&] {
        device->messages.clear();
        output->soundFrame(0);
        output->resoundCursor();
        return !device->messages.empty();
    };
    view->transportState = kIdle;
    view->scrubOn = false;
    EXPECT_FALSE(sounds());
    view->scrubOn = true;
    EXPECT_TRUE(sounds());
    view->transportState = kRecording;
    view->setSetting(Setting::RealtimeOutOn, 0);
    EXPECT_FALSE(sounds());
    view->setSetting(Setting::RealtimeOutOn, 1);
    EXPECT_TRUE(sounds());
    view->transportState = kPlaying;
    view->setSetting(Setting::RealtimeOutOn, 0);
    view->scrubOn = false;
    EXPECT_TRUE(sounds());
    view->transportState = kEmptyProject;
    view->scrubOn = true;
    EXPECT_FALSE(sounds());
}

TEST_F(MidiFixture, AsIsFollowsTheSungCurveOnOneNoteUpToAnOctave) {
    // A pitch drifting from 60.0 to 71.9 within one note: one note-on, then only bends.
    setNote({60.0, 64.0, 68.0, 71.9, 72.1}, 90.7);
    view->transportState = kPlaying;
    soundAll(5);
    const std::vector<Message> m = sent();
    ASSERT_GE(m.size(), 5u);
    EXPECT_EQ(m[0], Message(0xB0, 0, 123, 0));
    EXPECT_EQ(m[1], Message(0x90, 0, 60, 127));
    EXPECT_EQ(m[2], Message(0xE0, 0, 0, 64));   // 60.0 against 60: centre
    EXPECT_EQ(m[3], Message(0xB0, 0, 7, 90));   // the loudness, truncated
    int noteOns = 0;
    for (const Message& x : m) noteOns += std::get<0>(x) == 0x90;
    EXPECT_EQ(noteOns, 2);  // 60, and 72 for 72.1: more than 12 semitones above 60
    // 71.9 against 60: 11.9 x 8192 / 12 = 8123.7, rounded half up to 8124 above the centre.
    const int bend = 8192 + 8124;
    EXPECT_EQ(m[8], Message(0xE0, 0, bend & 0x7F, bend >> 7));
    EXPECT_EQ(m[10], Message(0xB0, 0, 123, 0));
    EXPECT_EQ(m[11], Message(0x90, 0, 72, 127));
    EXPECT_EQ(output->lastSoundedNote, 72);
    EXPECT_DOUBLE_EQ(output->lastSoundedPitch, 72.1);
}

// Loudness is stored uncapped and may come from a damaged file: the controller value is a
// data byte whatever the frame holds, the same as the exported file writes.
TEST_F(MidiFixture, LoudnessOutsideTheControllerRangeIsHeldToIt) {
    const double volumes[] = {-5.0, std::nan(""), 300.0, 1e12};
    const int expected[] = {0, 0, 127, 127};
    for (int i = 0; i < 4; ++i) {
        setNote({60.0}, volumes[i]);
        view->transportState = kPlaying;
        output->clearSoundedNote();
        soundAll(1);
        const std::vector<Message> m = sent();
        ASSERT_FALSE(m.empty());
        EXPECT_EQ(m.back(), Message(0xB0, 0, 7, expected[i])) << volumes[i];
    }
}

TEST_F(MidiFixture, AFrameWithoutPitchSilencesAndTheNextVoicedFrameStrikes) {
    setNote({62.0, 0.0, 62.0});
    view->track.mark[2] = kMarkContinue;
    view->transportState = kPlaying;
    view->setSetting(Setting::VelocityOutMode, 1);
    view->cursorFrame = 0;
    output->soundFrame(0);
    sent();
    output->soundFrame(1);
    EXPECT_EQ(sent(), (std::vector<Message>{{0xB0, 0, 123, 0}}));
    EXPECT_EQ(output->lastSoundedNote, 0);
    EXPECT_EQ(output->lastSoundedPitch, 0.0);
    output->soundFrame(2);
    EXPECT_EQ(sent(), (std::vector<Message>{{0xB0, 0, 123, 0}, {0x90, 0, 62, 127}, {0xE0, 0, 0, 64},
                                            {0xB0, 0, 11, 100}}));  // expression controller
}

TEST_F(MidiFixture, QuantizedModesSendOnlyWhereTheNoteChanges) {
    setNote({60.2, 60.3, 59.8, 61.9, 62.0});
    view->settings.store(Setting::QuantizeMode, kBasic);
    view->transportState = kPlaying;
    soundAll();
    EXPECT_EQ(sent(), (std::vector<Message>{{0xB0, 0, 123, 0}, {0x90, 0, 60, 64}, {0xE0, 0, 0, 64},
                                            {0xB0, 0, 123, 0}, {0x90, 0, 62, 64}, {0xE0, 0, 0, 64},
                                            {0xB0, 0, 123, 0}}));  // the closing rest
    // An onset strikes even on the same note.
    setNote({60.0, 60.0});
    view->settings.store(Setting::QuantizeMode, kNoteQuantize);
    view->transportState = kPlaying;
    output->clearSoundedNote();
    output->soundFrame(0);
    output->soundFrame(1);
    view->track.mark[1] = kMarkOnset;
    output->soundFrame(1);
    int noteOns = 0;
    for (const Message& x : sent()) noteOns += std::get<0>(x) == 0x90;
    EXPECT_EQ(noteOns, 2);
}

TEST_F(MidiFixture, ResoundStartsAfreshAtTheCursor) {
    setNote({64.4, 64.5}, 127.0);
    view->scrubOn = true;
    view->cursorFrame = 1;
    output->resoundCursor();
    const std::vector<Message> m = sent();
    ASSERT_EQ(m.size(), 8u);
    EXPECT_EQ(m[4], Message(0xB0, 0, 123, 0));
    const int n = view->snap(64.5);
    EXPECT_EQ(m[5], Message(0x90, 0, n, 127));
    const int v = pitchBendValue(64.5, n);
    EXPECT_EQ(m[6], Message(0xE0, 0, v & 0x7F, v >> 7));
    EXPECT_EQ(m[7], Message(0xB0, 0, 7, 127));
    EXPECT_EQ(output->lastSoundedNote, n);
    // On a rest frame: only the set-up and the silence.
    view->cursorFrame = 2;
    output->resoundCursor();
    EXPECT_EQ(sent().size(), 5u);
    EXPECT_EQ(output->lastSoundedNote, 0);
}

TEST_F(MidiFixture, MetronomeTicks) {
    // On the percussion channel: no program change and no bend; index 3 is note 38.
    output->soundMeasureTick();
    EXPECT_EQ(sent(), (std::vector<Message>{{0x90, 9, 38, 64}}));
    output->soundMeasureTick();  // the last tick is let go first
    EXPECT_EQ(sent(), (std::vector<Message>{{0x80, 9, 38, 0}, {0x90, 9, 38, 64}}));
    // On a melodic channel in C major: octave choices 0 and 5 are notes 36 and 96, with the
    // reference key's bend, centred at index 100 and 8192 + 4096 at index 0.
    view->settings.store(Setting::BeatTickChannel, 2);
    view->settings.store(Setting::BeatTickInstrument, 115);
    view->settings.store(Setting::BeatTickNote, 0);
    output->soundBeatTick();
    EXPECT_EQ(sent(), (std::vector<Message>{{0xC0, 2, 115, 0}, {0x90, 2, 36, 48}, {0xE0, 2, 0, 64}}));
    view->settings.store(Setting::BeatTickNote, 5);
    view->settings.store(Setting::RefKeyAdjust, 0);
    output->soundBeatTick();
    EXPECT_EQ(sent(), (std::vector<Message>{{0xC0, 2, 115, 0}, {0x80, 2, 36, 0}, {0x90, 2, 96, 48},
                                            {0xE0, 2, 0, 96}}));  // 12288 = 96 << 7
    // In D major the key note moves down by the key's offset.
    view->settings.store(Setting::Key, 5);
    view->settings.store(Setting::BeatTickNote, 2);
    output->soundBeatTick();
    EXPECT_EQ(std::get<2>(sent()[2]), 60 - view->settings.keyOffset());
    output->silenceTicks();
    EXPECT_EQ(sent(), (std::vector<Message>{{0x80, 9, 38, 0}, {0x80, 2, 60 - view->settings.keyOffset(), 0}}));
}

TEST(PitchBend, ValuesAreRoundedHalfUpAndHeldToFourteenBits) {
    EXPECT_EQ(pitchBendValue(60.0, 60), 8192);
    EXPECT_EQ(pitchBendValue(72.0, 60), 16383);  // exactly 12 semitones: one past the range
    EXPECT_EQ(pitchBendValue(48.0, 60), 0);
    EXPECT_EQ(pitchBendValue(47.0, 60), 0);
    EXPECT_EQ(pitchBendValue(60.5, 60), 8192 + 341);  // 341.33
    // Truncated toward zero, then one up from a remainder of 0.5: below the note the offset
    // rounds towards it (-0.8 semitone is -546.13 units, -1.2 is -819.2 units).
    EXPECT_EQ(pitchBendValue(59.2, 60), 8192 - 546);
    EXPECT_EQ(pitchBendValue(58.8, 60), 8192 - 819);
    EXPECT_EQ(pitchBendValue(60.001, 60), 8192 + 1);   // 0.68 units up
    EXPECT_EQ(pitchBendValue(59.999, 60), 8192);       // 0.68 units down truncates to 0
    EXPECT_EQ(referenceBendValue(199), 8192 - 4055);   // -4055.04
    EXPECT_EQ(referenceBendValue(100), 8192);
    EXPECT_EQ(referenceBendValue(0), 8192 + 4096);
    EXPECT_EQ(referenceBendValue(200), 8192 - 4096);
}

TEST_F(MidiFixture, AFailedOpeningIsReportedEachTimeAndNothingIsSent) {
    device->refuseOpen = true;
    output->openMidiOutput();
    output->openMidiOutput();
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[0].text, "Failed to open MIDI output");
    EXPECT_EQ(prompt.messages[0].title, "ERROR");
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Error);
    EXPECT_FALSE(output->openProblem().empty());
    output->prepareNoteChannel();
    EXPECT_TRUE(device->messages.empty());
    device->refuseOpen = false;
    output->openMidiOutput();  // a later success sounds again, without a message
    EXPECT_EQ(prompt.messages.size(), 2u);
    output->allNotesOff();
    EXPECT_EQ(device->messages.size(), 1u);
}

// A device that outlives the output, so what the output did on its way out can be read.
struct LoggingDevice final : MidiDevice {
    LoggingDevice(std::vector<uint32_t>& l, int& c) : log(l), closes(c) {}
    bool open(std::string&) override { return open_ = true; }
    void close() override {
        closes += open_;
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    void send(uint32_t m) override {
        if (open_) log.push_back(m);
    }
    std::vector<uint32_t>& log;
    int& closes;
    bool open_ = false;
};

TEST(MidiOutputLifetime, GoingSilencesEveryChannelAndClosesTheDevice) {
    appdoubles::ScriptedPrompt prompt;
    std::vector<uint32_t> log;
    int closes = 0;
    {
        MidiOutput output(std::make_unique<LoggingDevice>(log, closes), prompt);
        output.openMidiOutput();
    }
    ASSERT_EQ(log.size(), 16u);
    for (uint32_t channel = 0; channel < 16; ++channel)
        EXPECT_EQ(log[channel], packShortMessage(0xB0, static_cast<int>(channel), 123, 0));
    EXPECT_EQ(closes, 1);
}

// The internal synthesizer on this machine: where no audio output opens, each opening attempt
// says so once and the program goes on without sound.
TEST(InternalSynth, WithoutAnAudioOutputTheProgramGoesOnSilent) {
    appdoubles::ScriptedPrompt prompt;
    MidiOutput output(std::make_unique<FluidSynthDevice>(), prompt);
    appdoubles::RecordingSurface surface;
    appdoubles::CountingInput input;
    ViewState view(prompt, surface, output, input);
    output.attach(view);
    view.insertFrameAtCursor(Frame{69.0, 69, 100.0, kMarkOnset, 0});
    view.transportState = kPlaying;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        output.openMidiOutput();
        output.prepareNoteChannel();
        output.soundFrame(0);
        output.allNotesOff();
        if (output.device().isOpen()) {  // a machine with sound: no message at all
            EXPECT_TRUE(prompt.messages.empty());
            EXPECT_TRUE(output.openProblem().empty());
        } else {
            ASSERT_EQ(prompt.messages.size(), static_cast<size_t>(attempt));
            EXPECT_EQ(prompt.messages.back().text, "Failed to open MIDI output");
            EXPECT_FALSE(output.openProblem().empty());
        }
    }
}

}  // namespace
