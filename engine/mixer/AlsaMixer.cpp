#include "AlsaMixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <string_view>

namespace tonik {

namespace {

// In order of preference: the card's own recording level first, then the microphone inputs.
constexpr std::array<std::string_view, 6> kVolumeNames = {
    "Capture", "Mic", "Internal Mic", "Front Mic", "Rear Mic", "Digital"};

// The first channel, the only one of a mono element.
constexpr snd_mixer_selem_channel_id_t kFirstChannel = SND_MIXER_SCHN_FRONT_LEFT;

bool canBoost(const AlsaMixer::Element& e) {
    return e.captureSwitch || e.playbackSwitch || e.captureVolume || e.playbackVolume;
}

// "Bass Boost" and the like are tone controls, not the microphone's.
bool namesMicBoost(std::string_view name) {
    constexpr auto npos = std::string_view::npos;
    return name.find("Mic") != npos && name.find("Boost") != npos;
}

uint32_t rangeOf(long minimum, long maximum) {
    return static_cast<uint32_t>(std::clamp<long long>(
        static_cast<long long>(maximum) - minimum, 0, UINT32_MAX));
}

}  // namespace

struct AlsaMixer::Card {
    std::string name;
    mutable std::mutex mutex;
    snd_mixer_t* mixer = nullptr;
    snd_mixer_elem_t* volume = nullptr;
    snd_mixer_elem_t* boost = nullptr;
    snd_mixer_elem_t* mute = nullptr;
    BoostBy boostBy = BoostBy::CaptureSwitch;
    long volumeMinimum = 0, volumeMaximum = 0;  // the capture volume's own range
    long boostMinimum = 0, boostMaximum = 0;    // used when the boost is a volume

    snd_mixer_elem_t* element(MixerControl control) const {
        switch (control) {
            case MixerControl::PlaybackMute: return mute;
            case MixerControl::Boost: return boost;
            case MixerControl::RecordingVolume: break;
        }
        return volume;
    }
    uint32_t volumeRange() const { return rangeOf(volumeMinimum, volumeMaximum); }
    void release() {
        if (mixer) snd_mixer_close(mixer);
        mixer = nullptr;
        volume = boost = mute = nullptr;
        volumeMinimum = volumeMaximum = boostMinimum = boostMaximum = 0;
    }
    int readLocked(MixerControl control, uint32_t& value);
    int writeLocked(MixerControl control, uint32_t value);
    static int onElementEvent(snd_mixer_elem_t* element, unsigned int mask);
};

// Runs inside the mixer calls made under the card's lock: an element the card no longer has
// (a device unplugged) is forgotten before ALSA frees it.
int AlsaMixer::Card::onElementEvent(snd_mixer_elem_t* element, unsigned int mask) {
    if (mask != SND_CTL_EVENT_MASK_REMOVE) return 0;
    auto* card = static_cast<Card*>(snd_mixer_elem_get_callback_private(element));
    for (snd_mixer_elem_t** slot : {&card->volume, &card->boost, &card->mute})
        if (*slot == element) *slot = nullptr;
    return 0;
}

AlsaMixer::Choice AlsaMixer::choose(const std::vector<Element>& elements) {
    const auto first = [&elements](auto&& matches) {
        const auto it = std::find_if(elements.begin(), elements.end(), matches);
        return it == elements.end() ? -1 : static_cast<int>(it - elements.begin());
    };
    Choice choice;
    for (std::string_view name : kVolumeNames) {
        choice.volume =
            first([name](const Element& e) { return e.name == name && e.captureVolume; });
        if (choice.volume >= 0) break;
    }
    choice.boost = first([](const Element& e) { return e.name == "Mic Boost" && canBoost(e); });
    if (choice.boost < 0)
        choice.boost = first([](const Element& e) { return namesMicBoost(e.name) && canBoost(e); });
    if (choice.boost >= 0) {
        const Element& e = elements[choice.boost];
        choice.boostBy = e.captureSwitch    ? BoostBy::CaptureSwitch
                         : e.playbackSwitch ? BoostBy::PlaybackSwitch
                         : e.captureVolume  ? BoostBy::CaptureVolume
                                            : BoostBy::PlaybackVolume;
    }
    choice.mute = first([](const Element& e) { return e.name == "Mic" && e.playbackSwitch; });
    return choice;
}

AlsaMixer::AlsaMixer(std::string card) : card_(std::make_unique<Card>()) {
    card_->name = std::move(card);
}

AlsaMixer::~AlsaMixer() { close(); }

int AlsaMixer::open() {
    Card& c = *card_;
    std::lock_guard lock(c.mutex);
    c.release();
    int error = snd_mixer_open(&c.mixer, 0);
    if (error < 0) {
        c.mixer = nullptr;
        return -error;
    }
    error = snd_mixer_attach(c.mixer, c.name.c_str());
    if (error < 0) {
        c.release();
        return error == -ENOENT || error == -ENODEV || error == -ENXIO ? kMixerNoDriver : -error;
    }
    if ((error = snd_mixer_selem_register(c.mixer, nullptr, nullptr)) < 0 ||
        (error = snd_mixer_load(c.mixer)) < 0) {
        c.release();
        return -error;
    }

    std::vector<Element> elements;
    std::vector<snd_mixer_elem_t*> handles;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(c.mixer); e; e = snd_mixer_elem_next(e)) {
        if (!snd_mixer_selem_is_active(e)) continue;
        elements.push_back({snd_mixer_selem_get_name(e),
                            snd_mixer_selem_has_capture_volume(e) != 0,
                            snd_mixer_selem_has_capture_switch(e) != 0,
                            snd_mixer_selem_has_playback_volume(e) != 0,
                            snd_mixer_selem_has_playback_switch(e) != 0});
        handles.push_back(e);
    }
    const Choice choice = choose(elements);
    if (choice.volume < 0) {
        c.release();
        return kMixerNoDriver;
    }
    c.volume = handles[choice.volume];
    error = snd_mixer_selem_get_capture_volume_range(c.volume, &c.volumeMinimum,
                                                     &c.volumeMaximum);
    if (choice.boost >= 0 && error >= 0) {
        c.boost = handles[choice.boost];
        c.boostBy = choice.boostBy;
        long& low = c.boostMinimum;
        long& high = c.boostMaximum;
        if (c.boostBy == BoostBy::CaptureVolume)
            error = snd_mixer_selem_get_capture_volume_range(c.boost, &low, &high);
        else if (c.boostBy == BoostBy::PlaybackVolume)
            error = snd_mixer_selem_get_playback_volume_range(c.boost, &low, &high);
    }
    if (error < 0) {
        c.release();
        return -error;
    }
    if (choice.mute >= 0) c.mute = handles[choice.mute];
    for (snd_mixer_elem_t* e : {c.volume, c.boost, c.mute}) {
        if (!e) continue;
        snd_mixer_elem_set_callback(e, Card::onElementEvent);
        snd_mixer_elem_set_callback_private(e, &c);
    }
    return 0;
}

void AlsaMixer::close() {
    std::lock_guard lock(card_->mutex);
    card_->release();
}

bool AlsaMixer::has(MixerControl control) const {
    std::lock_guard lock(card_->mutex);
    return card_->element(control) != nullptr;
}

uint32_t AlsaMixer::volumeMaximum() const {
    std::lock_guard lock(card_->mutex);
    return card_->volume ? card_->volumeRange() : 0;
}

int AlsaMixer::read(MixerControl control, uint32_t& value) {
    std::lock_guard lock(card_->mutex);
    return card_->readLocked(control, value);
}

int AlsaMixer::write(MixerControl control, uint32_t value) {
    std::lock_guard lock(card_->mutex);
    return card_->writeLocked(control, value);
}

int AlsaMixer::Card::readLocked(MixerControl control, uint32_t& value) {
    if (!mixer || !element(control)) return kMixerNoDriver;
    // Levels set with the system's own mixer arrive as events.
    int error = snd_mixer_handle_events(mixer);
    if (error < 0) return -error;
    snd_mixer_elem_t* e = element(control);
    if (!e) return kMixerNoDriver;
    long level = 0;
    int on = 0;
    switch (control) {
        case MixerControl::RecordingVolume:
            error = snd_mixer_selem_get_capture_volume(e, kFirstChannel, &level);
            if (error >= 0)
                value = static_cast<uint32_t>(std::clamp<long long>(
                    static_cast<long long>(level) - volumeMinimum, 0, volumeRange()));
            break;
        case MixerControl::PlaybackMute:
            error = snd_mixer_selem_get_playback_switch(e, kFirstChannel, &on);
            if (error >= 0) value = on ? 0 : 1;
            break;
        case MixerControl::Boost:
            switch (boostBy) {
                case BoostBy::CaptureSwitch:
                    error = snd_mixer_selem_get_capture_switch(e, kFirstChannel, &on);
                    break;
                case BoostBy::PlaybackSwitch:
                    error = snd_mixer_selem_get_playback_switch(e, kFirstChannel, &on);
                    break;
                case BoostBy::CaptureVolume:
                    error = snd_mixer_selem_get_capture_volume(e, kFirstChannel, &level);
                    on = level > boostMinimum;
                    break;
                case BoostBy::PlaybackVolume:
                    error = snd_mixer_selem_get_playback_volume(e, kFirstChannel, &level);
                    on = level > boostMinimum;
                    break;
            }
            if (error >= 0) value = on ? 1 : 0;
            break;
    }
    return error < 0 ? -error : 0;
}

int AlsaMixer::Card::writeLocked(MixerControl control, uint32_t value) {
    snd_mixer_elem_t* e = element(control);
    if (!mixer || !e) return kMixerNoDriver;
    int error = 0;
    switch (control) {
        case MixerControl::RecordingVolume:
            value = std::min(value, volumeRange());
            error = snd_mixer_selem_set_capture_volume_all(e, volumeMinimum + long(value));
            break;
        case MixerControl::PlaybackMute:
            error = snd_mixer_selem_set_playback_switch_all(e, value ? 0 : 1);
            break;
        case MixerControl::Boost: {
            const long level = value ? boostMaximum : boostMinimum;
            switch (boostBy) {
                case BoostBy::CaptureSwitch:
                    error = snd_mixer_selem_set_capture_switch_all(e, value ? 1 : 0);
                    break;
                case BoostBy::PlaybackSwitch:
                    error = snd_mixer_selem_set_playback_switch_all(e, value ? 1 : 0);
                    break;
                case BoostBy::CaptureVolume:
                    error = snd_mixer_selem_set_capture_volume_all(e, level);
                    break;
                case BoostBy::PlaybackVolume:
                    error = snd_mixer_selem_set_playback_volume_all(e, level);
                    break;
            }
            break;
        }
    }
    return error < 0 ? -error : 0;
}

}  // namespace tonik
