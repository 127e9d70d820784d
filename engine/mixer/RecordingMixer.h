// The engine's view of the recording mixer: mute of the microphone's playback, the boost
// switch and the recording volume, with the rules for missing controls (reads give 0, writes
// give kMixerNoDriver) and the clamping of the volume to its bounds.
#pragma once

#include "MixerBackend.h"

#include <cstdint>
#include <memory>

namespace tonik {

class RecordingMixer {
public:
    explicit RecordingMixer(std::unique_ptr<MixerBackend> backend);
    ~RecordingMixer();

    int open();
    void close();

    // 1 muted, 0 not muted, no mute control, or a failed read.
    int getMute();
    int setMute(int value);
    // 1/0 as the control reports; 0 without a boost control or on a failed read.
    int getBoost();
    int setBoost(int value);
    // 0 and the raw value, or an error code (kMixerNoDriver without a volume control).
    int getVolume(uint32_t& value);
    // Writes value clamped to the control's bounds.
    int setVolume(uint32_t value);
    uint32_t volumeMinimum() const;
    uint32_t volumeMaximum() const;

private:
    int readSwitch(MixerControl control);
    int writeSwitch(MixerControl control, int value);

    std::unique_ptr<MixerBackend> backend_;
    bool open_ = false;
};

}  // namespace tonik
