// An ALSA sequencer port (HUMMWELL_MIDI_OUT=alsa or alsa:CLIENT:PORT): our client "Hummwell"
// with one output port "Hummwell out", connected to a synthesizer's port. Every message goes
// out at once as a direct event, without a queue.
//
// Threads: open, close and send are called from one thread at a time (the engine's capture
// thread while recording, the UI thread otherwise).
#pragma once

#include "MidiDevice.h"

#include <memory>
#include <optional>
#include <string>

namespace hummwell {

class AlsaSequencerDevice final : public MidiDevice {
public:
    // `address` is "CLIENT:PORT", the client by number or name ("128:0", "TiMidity:0"); empty
    // for the first port that takes MIDI and belongs to a synthesizer or an application.
    explicit AlsaSequencerDevice(std::string address = {});
    ~AlsaSequencerDevice() override;
    AlsaSequencerDevice(const AlsaSequencerDevice&) = delete;
    AlsaSequencerDevice& operator=(const AlsaSequencerDevice&) = delete;

    // False with a one-line reason when there is no sequencer, no such port or no port to
    // take the messages; nothing stays open then.
    bool open(std::string& problem) override;
    void close() override;
    bool isOpen() const override;
    // Drops the message rather than wait when the destination does not keep up: the capture
    // thread must not stall on a slow synthesizer.
    void send(uint32_t packed) override;

    const std::string& address() const { return address_; }
    // "CLIENT:PORT name" of the connected port; empty while closed.
    const std::string& destination() const { return destination_; }

private:
    struct Sequencer;
    const std::string address_;
    std::unique_ptr<Sequencer> sequencer_;
    std::string destination_;
};

// One packed message in the sequencer's terms: `type` is an snd_seq_event_type value, `param`
// the note or controller number, `value` the velocity, controller value, program, pressure or
// the pitch bend as -8192..8191.
struct SequencerEvent {
    int type;
    int channel;
    int param;
    int value;
};
// None for what is not passed on: system messages other than reset, and data bytes without a
// status.
std::optional<SequencerEvent> sequencerEventFor(uint32_t packed);

}  // namespace hummwell
