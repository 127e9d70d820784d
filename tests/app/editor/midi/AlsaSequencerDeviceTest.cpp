// The ALSA sequencer output and the choice of MIDI output. Where the machine has a sequencer,
// the test is its own receiving client; where it has none (CI), opening must fail with a reason.
#include "editor/midi/AlsaSequencerDevice.h"
#include "editor/midi/FluidSynthDevice.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace {

using namespace hummwell;

bool starts(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

TEST(AlsaSequencerEvent, EncodesChannelMessagesInTheSequencersTerms) {
    struct Case {
        uint32_t packed;
        std::optional<SequencerEvent> event;
    };
    const Case cases[] = {
        {packShortMessage(0x90, 5, 60, 100), SequencerEvent{SND_SEQ_EVENT_NOTEON, 5, 60, 100}},
        {packShortMessage(0x90, 5, 60, 0), SequencerEvent{SND_SEQ_EVENT_NOTEON, 5, 60, 0}},
        {packShortMessage(0x80, 15, 61, 64), SequencerEvent{SND_SEQ_EVENT_NOTEOFF, 15, 61, 64}},
        {packShortMessage(0xA0, 0, 62, 33), SequencerEvent{SND_SEQ_EVENT_KEYPRESS, 0, 62, 33}},
        {packShortMessage(0xB0, 3, 101, 0), SequencerEvent{SND_SEQ_EVENT_CONTROLLER, 3, 101, 0}},
        {packShortMessage(0xB0, 3, 6, 12), SequencerEvent{SND_SEQ_EVENT_CONTROLLER, 3, 6, 12}},
        {packShortMessage(0xC0, 2, 68, 0), SequencerEvent{SND_SEQ_EVENT_PGMCHANGE, 2, 0, 68}},
        {packShortMessage(0xD0, 1, 90, 0), SequencerEvent{SND_SEQ_EVENT_CHANPRESS, 1, 0, 90}},
        // 14-bit bends, low seven bits first, around the centre 8192.
        {packShortMessage(0xE0, 4, 0, 64), SequencerEvent{SND_SEQ_EVENT_PITCHBEND, 4, 0, 0}},
        {packShortMessage(0xE0, 4, 0, 0), SequencerEvent{SND_SEQ_EVENT_PITCHBEND, 4, 0, -8192}},
        {packShortMessage(0xE0, 4, 127, 127), SequencerEvent{SND_SEQ_EVENT_PITCHBEND, 4, 0, 8191}},
        {packShortMessage(0xE0, 4, 0x55, 0x4A),
         SequencerEvent{SND_SEQ_EVENT_PITCHBEND, 4, 0, 1365}},
        {0xFF, SequencerEvent{SND_SEQ_EVENT_RESET, 0, 0, 0}},
        {0xF8, std::nullopt},  // clock: no meaning without a tempo
        {0x453C, std::nullopt},  // a data byte where the status belongs
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.packed);
        const auto e = sequencerEventFor(c.packed);
        ASSERT_EQ(e.has_value(), c.event.has_value());
        if (!e) continue;
        EXPECT_EQ(e->type, c.event->type);
        EXPECT_EQ(e->channel, c.event->channel);
        EXPECT_EQ(e->param, c.event->param);
        EXPECT_EQ(e->value, c.event->value);
    }
}

// A client of the test's own with one port that takes MIDI, as a software synthesizer has.
struct Receiver {
    Receiver() {
        if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
            seq = nullptr;
            return;
        }
        snd_seq_set_client_name(seq, "Hummwell test synth");
        port = snd_seq_create_simple_port(seq, "in",
                                          SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                          SND_SEQ_PORT_TYPE_MIDI_GENERIC |
                                              SND_SEQ_PORT_TYPE_APPLICATION);
    }
    ~Receiver() {
        if (seq) snd_seq_close(seq);
    }
    std::string address() const {
        return std::to_string(snd_seq_client_id(seq)) + ":" + std::to_string(port);
    }
    // The next event, waiting a second at most; null when none came.
    snd_seq_event_t* next() {
        for (int tries = 0; tries < 100; ++tries) {
            snd_seq_event_t* ev = nullptr;
            if (snd_seq_event_input(seq, &ev) >= 0 && ev) return ev;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return nullptr;
    }
    snd_seq_t* seq = nullptr;
    int port = -1;
};

TEST(AlsaSequencerDevice, DeliversToTheNamedPortOrSaysWhyNot) {
    Receiver receiver;
    if (!receiver.seq) {
        // No /dev/snd/seq: every choice fails the same way and leaves nothing open.
        for (const std::string address : {"", "128:0", "NoSuchClient:0"}) {
            AlsaSequencerDevice device(address);
            std::string problem;
            ::testing::internal::CaptureStderr();
            EXPECT_FALSE(device.open(problem)) << address;
            EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "the reason is enough";
            EXPECT_FALSE(device.isOpen());
            EXPECT_TRUE(starts(problem, "no ALSA sequencer (/dev/snd/seq): ")) << problem;
            EXPECT_TRUE(device.destination().empty());
            device.send(packShortMessage(0x90, 0, 60, 100));  // closed: ignored
        }
        return;
    }
    ASSERT_GE(receiver.port, 0);

    AlsaSequencerDevice missing("NoSuchClient:0");
    std::string problem;
    EXPECT_FALSE(missing.open(problem));
    EXPECT_TRUE(starts(problem, "no ALSA sequencer port NoSuchClient:0: ")) << problem;

    AlsaSequencerDevice device(receiver.address());
    ASSERT_TRUE(device.open(problem)) << problem;
    EXPECT_EQ(device.destination(), receiver.address() + " in");
    device.send(packShortMessage(0x90, 2, 60, 100));
    device.send(packShortMessage(0xE0, 2, 0x55, 0x4A));
    snd_seq_event_t* ev = receiver.next();
    while (ev && ev->type == SND_SEQ_EVENT_PORT_SUBSCRIBED) ev = receiver.next();
    ASSERT_NE(ev, nullptr);
    EXPECT_EQ(ev->type, SND_SEQ_EVENT_NOTEON);
    EXPECT_EQ(ev->data.note.channel, 2);
    EXPECT_EQ(ev->data.note.note, 60);
    EXPECT_EQ(ev->data.note.velocity, 100);
    EXPECT_EQ(ev->dest.port, receiver.port);
    ev = receiver.next();
    ASSERT_NE(ev, nullptr);
    EXPECT_EQ(ev->type, SND_SEQ_EVENT_PITCHBEND);
    EXPECT_EQ(ev->data.control.value, 1365);
    device.close();
    EXPECT_FALSE(device.isOpen());
    EXPECT_TRUE(device.destination().empty());
}

TEST(MidiDeviceFor, CreatesTheChosenKindUnopened) {
    std::string problem;
    auto internal = midiDeviceFor("internal", problem);
    auto* synth = dynamic_cast<FluidSynthDevice*>(internal.get());
    ASSERT_NE(synth, nullptr);
    EXPECT_EQ(synth->output(), FluidSynthDevice::Output::AudioDriver);
    EXPECT_FALSE(synth->isOpen());
    EXPECT_NE(dynamic_cast<SilentMidiDevice*>(midiDeviceFor("none", problem).get()), nullptr);
    for (const auto& [choice, address] : {std::pair<std::string, std::string>{"alsa", ""},
                                          {"alsa:128:0", "128:0"},
                                          {"alsa:TiMidity:0", "TiMidity:0"}}) {
        auto device = midiDeviceFor(choice, problem);
        auto* alsa = dynamic_cast<AlsaSequencerDevice*>(device.get());
        ASSERT_NE(alsa, nullptr) << choice;
        EXPECT_EQ(alsa->address(), address);
        EXPECT_FALSE(alsa->isOpen());
    }
    EXPECT_TRUE(problem.empty()) << problem;
}

TEST(MidiDeviceFor, RefusesAnUnknownChoiceWithTheChoicesItKnows) {
    for (const std::string choice : {"fluid", "", "alsa:", "ALSA", "internal "}) {
        std::string problem;
        EXPECT_EQ(midiDeviceFor(choice, problem), nullptr) << choice;
        EXPECT_EQ(problem, "unknown MIDI output '" + choice +
                               "' (internal, alsa, alsa:CLIENT:PORT or none)");
    }
}

TEST(MidiDeviceFromEnvironment, FollowsHummwellMidiOutWithInternalAsTheDefault) {
    const char* old = std::getenv("HUMMWELL_MIDI_OUT");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    std::string problem;
    ::unsetenv("HUMMWELL_MIDI_OUT");
    EXPECT_NE(dynamic_cast<FluidSynthDevice*>(midiDeviceFromEnvironment(problem).get()), nullptr);
    ::setenv("HUMMWELL_MIDI_OUT", "none", 1);
    EXPECT_NE(dynamic_cast<SilentMidiDevice*>(midiDeviceFromEnvironment(problem).get()), nullptr);
    ::setenv("HUMMWELL_MIDI_OUT", "alsa:14:0", 1);
    auto alsa = midiDeviceFromEnvironment(problem);
    ASSERT_NE(dynamic_cast<AlsaSequencerDevice*>(alsa.get()), nullptr);
    EXPECT_EQ(static_cast<AlsaSequencerDevice&>(*alsa).address(), "14:0");
    ::setenv("HUMMWELL_MIDI_OUT", "speakers", 1);
    EXPECT_EQ(midiDeviceFromEnvironment(problem), nullptr);
    EXPECT_TRUE(starts(problem, "unknown MIDI output 'speakers'")) << problem;
    saved ? ::setenv("HUMMWELL_MIDI_OUT", saved->c_str(), 1) : ::unsetenv("HUMMWELL_MIDI_OUT");
}

}  // namespace
