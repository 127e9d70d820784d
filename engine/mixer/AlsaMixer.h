// The recording mixer on an ALSA card's simple mixer elements:
// - recording volume: the capture volume of the first of "Capture", "Mic", "Internal Mic",
//   "Front Mic", "Rear Mic", "Digital" that has one (required), offset so that its minimum is 0;
// - boost: "Mic Boost", else the first element naming both "Mic" and "Boost", through its
//   switch (on = 1) or, without one, its volume (above the minimum = 1; writing 1 sets the
//   maximum, 0 the minimum);
// - playback mute: the playback switch of "Mic" (switch off = muted).
// Results are 0, kMixerNoDriver without a card or a recording volume, else the positive errno.
// Every call takes one lock around the mixer handle: the capture thread reads volume and boost
// while the application thread writes them.
#pragma once

#include "MixerBackend.h"

#include <memory>
#include <string>
#include <vector>

namespace tonik {

class AlsaMixer final : public MixerBackend {
public:
    // card: a control device name, "default" or "hw:N".
    explicit AlsaMixer(std::string card = "default");
    ~AlsaMixer() override;
    AlsaMixer(const AlsaMixer&) = delete;
    AlsaMixer& operator=(const AlsaMixer&) = delete;

    int open() override;
    void close() override;
    bool has(MixerControl control) const override;
    // Takes in changes made by other programs first.
    int read(MixerControl control, uint32_t& value) override;
    int write(MixerControl control, uint32_t value) override;
    uint32_t volumeMinimum() const override { return 0; }
    uint32_t volumeMaximum() const override;

    // What a simple element offers, as far as the choice of controls goes.
    struct Element {
        std::string name;
        bool captureVolume = false, captureSwitch = false;
        bool playbackVolume = false, playbackSwitch = false;
    };
    enum class BoostBy { CaptureSwitch, PlaybackSwitch, CaptureVolume, PlaybackVolume };
    struct Choice {
        int volume = -1, boost = -1, mute = -1;  // indexes into the elements; -1 = absent
        BoostBy boostBy = BoostBy::CaptureSwitch;
    };
    // Which elements stand for the three controls.
    static Choice choose(const std::vector<Element>& elements);

private:
    struct Card;
    std::unique_ptr<Card> card_;
};

}  // namespace tonik
