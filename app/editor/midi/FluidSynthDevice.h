// The embedded General MIDI synthesizer (HUMMWELL_MIDI_OUT=internal): FluidSynth playing a
// soundfont on the machine's audio output, or rendering on request for the tests and the
// latency benchmark.
//
// Threads: open, close, send and render are called from one thread at a time (the engine's
// capture thread while recording, the UI thread otherwise). With an audio output, the driver's
// own thread renders while send runs; FluidSynth's synth API serialises the two.
#pragma once

#include "MidiDevice.h"

#include <memory>
#include <string>

namespace hummwell {

class FluidSynthDevice final : public MidiDevice {
public:
    enum class Output {
        AudioDriver,  // the machine's audio output, rendered by the driver's thread
        Offline,      // no audio output: the caller renders with render()
    };

    static constexpr int kSampleRate = 44100;  // Hz, the synth's and the driver's
    // The driver's period and how many it keeps queued: 2 x 256 frames = 11.6 ms at most
    // between a note-on and its sound leaving the machine.
    static constexpr int kPeriodFrames = 256;
    static constexpr int kPeriods = 2;

    explicit FluidSynthDevice(Output output = Output::AudioDriver);
    ~FluidSynthDevice() override;
    FluidSynthDevice(const FluidSynthDevice&) = delete;
    FluidSynthDevice& operator=(const FluidSynthDevice&) = delete;

    // Loads the soundfont and, for Output::AudioDriver, starts the first audio driver that
    // opens (ALSA, then PulseAudio or PipeWire). False with a one-line reason otherwise, with
    // nothing left open.
    bool open(std::string& problem) override;
    void close() override;
    bool isOpen() const override;
    void send(uint32_t packed) override;

    // Offline only: the next `frames` frames of the synth's stereo output, -1..1, into
    // `left` and `right` (each of size [frames]). False and silence when the device is closed
    // or plays on an audio driver, whose thread does the rendering.
    bool render(float* left, float* right, int frames);

    Output output() const { return output_; }
    // The audio driver playing ("alsa", "pulseaudio", ...); empty when offline or closed.
    const std::string& audioDriver() const { return audioDriver_; }

    // The soundfont open() loads: HUMMWELL_SOUNDFONT when set (whether or not it exists),
    // else the first installed General MIDI soundfont; empty when there is none.
    static std::string soundfontPath();

private:
    struct Synth;
    const Output output_;
    std::unique_ptr<Synth> synth_;
    std::string audioDriver_;
};

}  // namespace hummwell
