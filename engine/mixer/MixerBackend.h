// The three controls of the sound card's mixer that the engine drives, as a backend offers
// them. Result codes: 0 success, otherwise the backend's error; kMixerNoDriver (6) stands for
// a missing device and for every required line or control that is missing.
// Called from the application thread and, for reads of volume and boost, from the capture
// thread: implementations keep each call self-contained.
#pragma once

#include <cstdint>

namespace tonik {

inline constexpr int kMixerNoDriver = 6;

enum class MixerControl {
    PlaybackMute,     // the microphone as heard through the speakers; 1 = muted
    Boost,            // microphone boost switch, 0/1
    RecordingVolume,  // raw value within [volumeMinimum, volumeMaximum]
};

class MixerBackend {
public:
    virtual ~MixerBackend() = default;
    // 0, or the code why the mixer cannot be used (the recording volume is required).
    virtual int open() = 0;
    virtual void close() = 0;
    // Whether the open mixer has the control.
    virtual bool has(MixerControl control) const = 0;
    virtual int read(MixerControl control, uint32_t& value) = 0;
    virtual int write(MixerControl control, uint32_t value) = 0;
    virtual uint32_t volumeMinimum() const = 0;
    virtual uint32_t volumeMaximum() const = 0;
};

}  // namespace tonik
