// A mixer for machines without sound hardware: playback mute, boost and a recording volume of
// 0..65535, held in atomics so the capture thread can read them while the application writes.
// The sources without hardware scale their samples by gain(), as a sound card's input would.
#pragma once

#include "MixerBackend.h"

#include <atomic>

namespace tonik {

class SoftwareMixer final : public MixerBackend {
public:
    static constexpr uint32_t kVolumeMaximum = 65535;

    int open() override;
    void close() override;
    bool has(MixerControl control) const override;
    int read(MixerControl control, uint32_t& value) override;
    int write(MixerControl control, uint32_t value) override;
    uint32_t volumeMinimum() const override { return 0; }
    uint32_t volumeMaximum() const override { return kVolumeMaximum; }

    // Amplitude factor: the volume's fraction of full scale, times 10 (20 dB) with boost on.
    double gain() const;

private:
    std::atomic<uint32_t>& slot(MixerControl control);

    std::atomic<bool> open_{false};
    std::atomic<uint32_t> mute_{0};                 // a fresh machine plays the microphone back
    std::atomic<uint32_t> boost_{0};
    std::atomic<uint32_t> volume_{kVolumeMaximum};  // unity gain
};

}  // namespace tonik
