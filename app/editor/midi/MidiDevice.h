// Where everything the user hears goes: one packed short MIDI message at a time, as the
// program's MIDI operations send them. Backends: an embedded General MIDI synthesizer, an
// ALSA sequencer port, nothing at all, and a sink that keeps every message for the tests.
#pragma once

#include "document/Clock.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hummwell {

// status | channel, data1 << 8, data2 << 16: the packed short message.
inline uint32_t packShortMessage(int status, int channel, int data1, int data2) {
    return static_cast<uint32_t>((status | channel) | (data1 << 8) | (data2 << 16));
}

class MidiDevice {
public:
    virtual ~MidiDevice() = default;
    // Opens the device; false (with the reason in `problem`) when it cannot be used. Opening
    // an open device closes it first, so every take starts from a reset device.
    virtual bool open(std::string& problem) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Sends one message now; ignored while the device is closed. Safe from any one thread at a
    // time: the engine's capture thread sends while recording, the UI thread otherwise.
    virtual void send(uint32_t packed) = 0;
};

// Discards everything: HUMMWELL_MIDI_OUT=none.
class SilentMidiDevice final : public MidiDevice {
public:
    bool open(std::string&) override {
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void send(uint32_t) override {}

private:
    bool open_ = false;
};

// Keeps every message with the clock's time; can be told to refuse opening.
class RecordingMidiDevice final : public MidiDevice {
public:
    struct Message {
        uint32_t packed;
        double ms;
        int status() const { return static_cast<int>(packed & 0xF0); }
        int channel() const { return static_cast<int>(packed & 0x0F); }
        int data1() const { return static_cast<int>((packed >> 8) & 0xFF); }
        int data2() const { return static_cast<int>((packed >> 16) & 0xFF); }
    };
    explicit RecordingMidiDevice(const Clock* clock = nullptr) : clock_(clock) {}

    bool open(std::string& problem) override {
        ++opens;
        open_ = !refuseOpen;
        if (!open_) problem = "refused by the test";
        return open_;
    }
    void close() override {
        if (open_) ++closes;
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    void send(uint32_t packed) override {
        if (open_) messages.push_back({packed, clock_ ? clock_->nowMs() : 0.0});
    }

    std::vector<Message> messages;
    int opens = 0;
    int closes = 0;
    bool refuseOpen = false;

private:
    const Clock* clock_;
    bool open_ = false;
};

// The device named by `choice`: "internal" (the embedded synthesizer), "alsa" (the first
// synthesizer port the ALSA sequencer offers), "alsa:CLIENT:PORT", "none". Null with the
// reason in `problem` for a choice it does not know.
std::unique_ptr<MidiDevice> midiDeviceFor(const std::string& choice, std::string& problem);
// By HUMMWELL_MIDI_OUT, "internal" when it is not set.
std::unique_ptr<MidiDevice> midiDeviceFromEnvironment(std::string& problem);

}  // namespace hummwell
