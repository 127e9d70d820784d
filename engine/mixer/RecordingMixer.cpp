#include "RecordingMixer.h"

namespace tonik {

RecordingMixer::RecordingMixer(std::unique_ptr<MixerBackend> backend)
    : backend_(std::move(backend)) {}

RecordingMixer::~RecordingMixer() { close(); }

int RecordingMixer::open() {
    // A retry after a failed open opens again from scratch.
    if (open_) backend_->close();
    const int result = backend_->open();
    open_ = true;  // even a failed open may hold the device; close releases it
    return result;
}

void RecordingMixer::close() {
    if (open_) backend_->close();
    open_ = false;
}

int RecordingMixer::readSwitch(MixerControl control) {
    if (!backend_->has(control)) return 0;
    uint32_t value = 0;
    if (backend_->read(control, value) != 0) return 0;
    return static_cast<int>(value);
}

int RecordingMixer::writeSwitch(MixerControl control, int value) {
    if (!backend_->has(control)) return kMixerNoDriver;
    return backend_->write(control, static_cast<uint32_t>(value));
}

int RecordingMixer::getMute() { return readSwitch(MixerControl::PlaybackMute); }
int RecordingMixer::setMute(int value) { return writeSwitch(MixerControl::PlaybackMute, value); }
int RecordingMixer::getBoost() { return readSwitch(MixerControl::Boost); }
int RecordingMixer::setBoost(int value) { return writeSwitch(MixerControl::Boost, value); }

int RecordingMixer::getVolume(uint32_t& value) {
    if (!backend_->has(MixerControl::RecordingVolume)) return kMixerNoDriver;
    uint32_t raw = 0;
    const int result = backend_->read(MixerControl::RecordingVolume, raw);
    if (result == 0) value = raw;
    return result;
}

int RecordingMixer::setVolume(uint32_t value) {
    if (!backend_->has(MixerControl::RecordingVolume)) return kMixerNoDriver;
    if (value > backend_->volumeMaximum()) value = backend_->volumeMaximum();
    if (value < backend_->volumeMinimum()) value = backend_->volumeMinimum();
    return backend_->write(MixerControl::RecordingVolume, value);
}

uint32_t RecordingMixer::volumeMinimum() const { return backend_->volumeMinimum(); }
uint32_t RecordingMixer::volumeMaximum() const { return backend_->volumeMaximum(); }

}  // namespace tonik
