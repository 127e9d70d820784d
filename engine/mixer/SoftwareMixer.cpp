#include "SoftwareMixer.h"

namespace tonik {

int SoftwareMixer::open() {
    open_ = true;
    return 0;
}

void SoftwareMixer::close() { open_ = false; }

bool SoftwareMixer::has(MixerControl) const { return open_; }

std::atomic<uint32_t>& SoftwareMixer::slot(MixerControl control) {
    switch (control) {
        case MixerControl::PlaybackMute: return mute_;
        case MixerControl::Boost: return boost_;
        case MixerControl::RecordingVolume: break;
    }
    return volume_;
}

int SoftwareMixer::read(MixerControl control, uint32_t& value) {
    if (!open_) return kMixerNoDriver;
    value = slot(control).load();
    return 0;
}

int SoftwareMixer::write(MixerControl control, uint32_t value) {
    if (!open_) return kMixerNoDriver;
    if (control == MixerControl::RecordingVolume && value > kVolumeMaximum) value = kVolumeMaximum;
    if (control != MixerControl::RecordingVolume && value > 1) value = 1;
    slot(control).store(value);
    return 0;
}

double SoftwareMixer::gain() const {
    const double volume = static_cast<double>(volume_.load()) / kVolumeMaximum;
    return boost_.load() ? volume * 10.0 : volume;
}

}  // namespace tonik
