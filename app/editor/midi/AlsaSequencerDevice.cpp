#include "AlsaSequencerDevice.h"

#include "document/MidiStatus.h"

#include <cstdarg>
#include <utility>

// alsa-lib 1.2.8 declares snd_lib_error_set_local after its header's extern "C" block ends.
extern "C" {
#include <alsa/error.h>
}
#include <alsa/asoundlib.h>

namespace hummwell {

namespace {

// Port types that make a sound of their own, or belong to a program that may (a software
// synthesizer registers as an application).
constexpr unsigned kSynthesizerTypes = SND_SEQ_PORT_TYPE_MIDI_GM | SND_SEQ_PORT_TYPE_MIDI_GS |
                                       SND_SEQ_PORT_TYPE_MIDI_XG | SND_SEQ_PORT_TYPE_SYNTH |
                                       SND_SEQ_PORT_TYPE_SYNTHESIZER |
                                       SND_SEQ_PORT_TYPE_APPLICATION;
constexpr unsigned kTakesMidi = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;

// ALSA prints why the sequencer does not open; open() gives that reason itself. Only this
// thread's handler changes, so the engine's capture keeps its own.
class QuietAlsa {
public:
    QuietAlsa() : previous_(snd_lib_error_set_local(drop)) {}
    ~QuietAlsa() { snd_lib_error_set_local(previous_); }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

private:
    static void drop(const char*, int, const char*, int, const char*, va_list) {}
    snd_local_error_handler_t previous_;
};

std::string portName(snd_seq_t* seq, const snd_seq_addr_t& addr) {
    std::string name = std::to_string(addr.client) + ":" + std::to_string(addr.port);
    snd_seq_port_info_t* info;
    snd_seq_port_info_alloca(&info);
    if (snd_seq_get_any_port_info(seq, addr.client, addr.port, info) >= 0)
        name += std::string(" ") + snd_seq_port_info_get_name(info);
    return name;
}

// The first port, in client order, that takes MIDI and sounds; the system client (timer,
// announcements) and our own are passed over.
std::optional<snd_seq_addr_t> firstSynthesizerPort(snd_seq_t* seq) {
    const int self = snd_seq_client_id(seq);
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == SND_SEQ_CLIENT_SYSTEM || id == self) continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(port);
            if ((caps & kTakesMidi) != kTakesMidi || (caps & SND_SEQ_PORT_CAP_NO_EXPORT))
                continue;
            if (snd_seq_port_info_get_type(port) & kSynthesizerTypes)
                return *snd_seq_port_info_get_addr(port);
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<SequencerEvent> sequencerEventFor(uint32_t packed) {
    const int status = static_cast<int>(packed & 0xF0);
    const int channel = static_cast<int>(packed & 0x0F);
    const int data1 = static_cast<int>((packed >> 8) & 0x7F);
    const int data2 = static_cast<int>((packed >> 16) & 0x7F);
    switch (status) {
    case kNoteOff:
        return SequencerEvent{SND_SEQ_EVENT_NOTEOFF, channel, data1, data2};
    case kNoteOn:
        // Velocity 0 stays a note-on: receivers treat it as the note-off it means.
        return SequencerEvent{SND_SEQ_EVENT_NOTEON, channel, data1, data2};
    case 0xA0:
        return SequencerEvent{SND_SEQ_EVENT_KEYPRESS, channel, data1, data2};
    case kControl:
        return SequencerEvent{SND_SEQ_EVENT_CONTROLLER, channel, data1, data2};
    case kProgram:
        return SequencerEvent{SND_SEQ_EVENT_PGMCHANGE, channel, 0, data1};
    case 0xD0:
        return SequencerEvent{SND_SEQ_EVENT_CHANPRESS, channel, 0, data1};
    case kPitchBend:
        // The sequencer's bend is centred on 0, MIDI's on 8192.
        return SequencerEvent{SND_SEQ_EVENT_PITCHBEND, channel, 0, (data1 | (data2 << 7)) - 8192};
    case 0xF0:
        if ((packed & 0xFF) == 0xFF) return SequencerEvent{SND_SEQ_EVENT_RESET, 0, 0, 0};
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

struct AlsaSequencerDevice::Sequencer {
    snd_seq_t* seq = nullptr;
    int port = -1;

    Sequencer() = default;
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;
    // Closing the client removes its port and the connection with it.
    ~Sequencer() {
        if (seq) snd_seq_close(seq);
    }
};

AlsaSequencerDevice::AlsaSequencerDevice(std::string address) : address_(std::move(address)) {}

AlsaSequencerDevice::~AlsaSequencerDevice() { close(); }

bool AlsaSequencerDevice::open(std::string& problem) {
    close();
    QuietAlsa quiet;
    auto s = std::make_unique<Sequencer>();
    // Non-blocking, so that a destination whose input is full makes send() drop the message
    // instead of stalling the capture thread.
    int err = snd_seq_open(&s->seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK);
    if (err < 0) {
        s->seq = nullptr;
        problem = std::string("no ALSA sequencer (/dev/snd/seq): ") + snd_strerror(err);
        return false;
    }
    snd_seq_set_client_name(s->seq, "Hummwell");
    s->port = snd_seq_create_simple_port(s->seq, "Hummwell out",
                                         SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                         SND_SEQ_PORT_TYPE_MIDI_GENERIC |
                                             SND_SEQ_PORT_TYPE_APPLICATION);
    if (s->port < 0) {
        problem = std::string("cannot create the ALSA sequencer port: ") + snd_strerror(s->port);
        return false;
    }

    snd_seq_addr_t to{};
    if (!address_.empty()) {
        err = snd_seq_parse_address(s->seq, &to, address_.c_str());
        if (err < 0) {
            problem = "no ALSA sequencer port " + address_ + ": " + snd_strerror(err);
            return false;
        }
    } else if (auto first = firstSynthesizerPort(s->seq)) {
        to = *first;
    } else {
        problem = "no ALSA sequencer port to play on (start a synthesizer or name one as "
                  "alsa:CLIENT:PORT)";
        return false;
    }
    const std::string name = portName(s->seq, to);
    err = snd_seq_connect_to(s->seq, s->port, to.client, to.port);
    if (err < 0) {
        problem = "cannot connect to ALSA sequencer port " + name + ": " + snd_strerror(err);
        return false;
    }
    sequencer_ = std::move(s);
    destination_ = name;
    return true;
}

void AlsaSequencerDevice::close() {
    sequencer_.reset();
    destination_.clear();
}

bool AlsaSequencerDevice::isOpen() const { return sequencer_ != nullptr; }

void AlsaSequencerDevice::send(uint32_t packed) {
    if (!sequencer_) return;
    const std::optional<SequencerEvent> e = sequencerEventFor(packed);
    if (!e) return;
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_source(&ev, sequencer_->port);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    switch (e->type) {
    case SND_SEQ_EVENT_NOTEON:
        snd_seq_ev_set_noteon(&ev, e->channel, e->param, e->value);
        break;
    case SND_SEQ_EVENT_NOTEOFF:
        snd_seq_ev_set_noteoff(&ev, e->channel, e->param, e->value);
        break;
    case SND_SEQ_EVENT_KEYPRESS:
        snd_seq_ev_set_keypress(&ev, e->channel, e->param, e->value);
        break;
    case SND_SEQ_EVENT_CONTROLLER:
        snd_seq_ev_set_controller(&ev, e->channel, e->param, e->value);
        break;
    case SND_SEQ_EVENT_PGMCHANGE:
        snd_seq_ev_set_pgmchange(&ev, e->channel, e->value);
        break;
    case SND_SEQ_EVENT_CHANPRESS:
        snd_seq_ev_set_chanpress(&ev, e->channel, e->value);
        break;
    case SND_SEQ_EVENT_PITCHBEND:
        snd_seq_ev_set_pitchbend(&ev, e->channel, e->value);
        break;
    default:
        ev.type = static_cast<snd_seq_event_type_t>(e->type);
        snd_seq_ev_set_fixed(&ev);
        break;
    }
    snd_seq_t* seq = sequencer_->seq;
    if (snd_seq_event_output(seq, &ev) < 0 || snd_seq_drain_output(seq) < 0)
        snd_seq_drop_output(seq);
}

}  // namespace hummwell
