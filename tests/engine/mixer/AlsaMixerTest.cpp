#include "mixer/AlsaMixer.h"
#include "mixer/RecordingMixer.h"

#include "../../support/PrivateAlsaConfig.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace tonik;
using testalsa::PrivateAlsaConfig;
using Element = AlsaMixer::Element;
using BoostBy = AlsaMixer::BoostBy;

namespace {

// Control devices without hardware: a card this machine does not have, and a definition that
// ALSA refuses (a control server that is not configured). "default" stays undefined, as on a
// machine without a sound card.
constexpr const char* kControls = R"(
ctl.nocard { type hw; card 31 }
ctl.broken { type shm; server "nowhere"; ctl "x" }
)";

constexpr MixerControl kControlsOfTheMixer[] = {
    MixerControl::PlaybackMute, MixerControl::Boost, MixerControl::RecordingVolume};

Element captureVolume(const char* name) { return {name, true, false, false, false}; }
Element playbackOnly(const char* name) { return {name, false, false, true, true}; }

}  // namespace

TEST(AlsaMixer, WithoutACardOpenGivesNoDriverAndNoControls) {
    PrivateAlsaConfig config{kControls};
    for (const char* card : {"default", "nocard", "hw:5"}) {
        AlsaMixer mixer(card);
        EXPECT_EQ(mixer.open(), kMixerNoDriver) << card;
        for (MixerControl control : kControlsOfTheMixer) {
            uint32_t value = 77;
            EXPECT_FALSE(mixer.has(control)) << card;
            EXPECT_EQ(mixer.read(control, value), kMixerNoDriver) << card;
            EXPECT_EQ(value, 77u) << card;
            EXPECT_EQ(mixer.write(control, 1), kMixerNoDriver) << card;
        }
        EXPECT_EQ(mixer.volumeMinimum(), 0u);
        EXPECT_EQ(mixer.volumeMaximum(), 0u);
        mixer.close();
        mixer.close();  // closing what is not open does nothing
    }
}

TEST(AlsaMixer, OtherRefusalsGiveTheirErrorNumber) {
    PrivateAlsaConfig config{kControls};
    AlsaMixer mixer("broken");
    EXPECT_EQ(mixer.open(), EINVAL);
    EXPECT_FALSE(mixer.has(MixerControl::RecordingVolume));
}

TEST(AlsaMixer, RecordingMixerWithoutACardReadsOffAndRefusesWrites) {
    PrivateAlsaConfig config{kControls};
    RecordingMixer mixer(std::make_unique<AlsaMixer>("nocard"));
    uint32_t volume = 5;
    EXPECT_EQ(mixer.open(), kMixerNoDriver);
    EXPECT_EQ(mixer.getMute(), 0);
    EXPECT_EQ(mixer.setMute(1), kMixerNoDriver);
    EXPECT_EQ(mixer.getBoost(), 0);
    EXPECT_EQ(mixer.getVolume(volume), kMixerNoDriver);
    EXPECT_EQ(volume, 5u);
    // A retry opens again from scratch and fails the same way.
    EXPECT_EQ(mixer.open(), kMixerNoDriver);
}

TEST(AlsaMixerChoice, RecordingVolumePrefersTheCardsCaptureLevelToTheMicrophones) {
    const std::vector<Element> elements = {
        playbackOnly("Master"), captureVolume("Front Mic"), captureVolume("Mic"),
        captureVolume("Capture")};
    EXPECT_EQ(AlsaMixer::choose(elements).volume, 3);
}

TEST(AlsaMixerChoice, RecordingVolumeNeedsACaptureVolumeUnderAKnownName) {
    // "Capture" with only a switch, "Mic" heard through the speakers only.
    Element captureSwitchOnly{"Capture", false, true, false, false};
    EXPECT_EQ(AlsaMixer::choose({captureSwitchOnly, playbackOnly("Mic"), captureVolume("Rear Mic")})
                  .volume,
              2);
    EXPECT_EQ(AlsaMixer::choose({captureSwitchOnly, playbackOnly("Mic"), captureVolume("Line")})
                  .volume,
              -1);
    EXPECT_EQ(AlsaMixer::choose({}).volume, -1);
    EXPECT_EQ(AlsaMixer::choose({captureVolume("Digital")}).volume, 0);
}

TEST(AlsaMixerChoice, BoostIsMicBoostElseAnyMicrophoneBoostNeverATone) {
    const Element bass = playbackOnly("Bass Boost");
    const Element front = captureVolume("Front Mic Boost");
    const Element mic = captureVolume("Mic Boost");
    EXPECT_EQ(AlsaMixer::choose({bass, front, mic}).boost, 2);
    EXPECT_EQ(AlsaMixer::choose({bass, front}).boost, 1);
    EXPECT_EQ(AlsaMixer::choose({bass}).boost, -1);
    // A "Mic Boost" with neither a switch nor a volume (a choice list) cannot be driven.
    const Element listOnly{"Mic Boost", false, false, false, false};
    EXPECT_EQ(AlsaMixer::choose({listOnly, front}).boost, 1);
    EXPECT_EQ(AlsaMixer::choose({listOnly}).boost, -1);
}

TEST(AlsaMixerChoice, BoostGoesThroughASwitchBeforeAVolume) {
    const auto by = [](Element e) {
        const auto choice = AlsaMixer::choose({e});
        EXPECT_EQ(choice.boost, 0);
        return choice.boostBy;
    };
    EXPECT_EQ(by({"Mic Boost", true, true, true, true}), BoostBy::CaptureSwitch);
    EXPECT_EQ(by({"Mic Boost", true, false, true, true}), BoostBy::PlaybackSwitch);
    EXPECT_EQ(by({"Mic Boost", true, false, true, false}), BoostBy::CaptureVolume);
    EXPECT_EQ(by({"Mic Boost", false, false, true, false}), BoostBy::PlaybackVolume);
}

TEST(AlsaMixerChoice, PlaybackMuteIsTheMicsPlaybackSwitch) {
    const Element micWithSwitch = playbackOnly("Mic");
    const Element micVolumeOnly{"Mic", true, false, true, false};
    EXPECT_EQ(AlsaMixer::choose({playbackOnly("Front Mic"), micWithSwitch}).mute, 1);
    EXPECT_EQ(AlsaMixer::choose({playbackOnly("Front Mic"), micVolumeOnly}).mute, -1);
}

TEST(AlsaMixerChoice, OneElementCanServeSeveralControls) {
    // An older card's "Mic": recorded at its capture volume, muted at its playback switch.
    const Element mic{"Mic", true, false, true, true};
    const auto choice = AlsaMixer::choose({playbackOnly("Master"), mic});
    EXPECT_EQ(choice.volume, 1);
    EXPECT_EQ(choice.mute, 1);
    EXPECT_EQ(choice.boost, -1);
}
