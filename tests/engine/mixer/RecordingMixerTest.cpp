#include "mixer/RecordingMixer.h"
#include "mixer/SoftwareMixer.h"

#include "../../support/EngineDoubles.h"

#include <gtest/gtest.h>

using namespace tonik;
using testdoubles::ScriptedMixer;

TEST(RecordingMixer, MissingControlsReadAsOffAndRefuseWrites) {
    auto backend = std::make_unique<ScriptedMixer>();
    backend->hasMute = backend->hasBoost = backend->hasVolume = false;
    backend->mute = backend->boost = 1;
    RecordingMixer mixer(std::move(backend));
    uint32_t volume = 77;
    EXPECT_EQ(mixer.getMute(), 0);
    EXPECT_EQ(mixer.getBoost(), 0);
    EXPECT_EQ(mixer.setMute(1), kMixerNoDriver);
    EXPECT_EQ(mixer.setBoost(1), kMixerNoDriver);
    EXPECT_EQ(mixer.getVolume(volume), kMixerNoDriver);
    EXPECT_EQ(mixer.setVolume(5), kMixerNoDriver);
    EXPECT_EQ(volume, 77u);
}

TEST(RecordingMixer, VolumeIsClampedToTheControlsBounds) {
    auto backend = std::make_unique<ScriptedMixer>();
    backend->minimum = 100;
    backend->maximum = 5000;
    ScriptedMixer& controls = *backend;
    RecordingMixer mixer(std::move(backend));
    EXPECT_EQ(mixer.setVolume(9000), 0);
    EXPECT_EQ(controls.volume, 5000u);
    EXPECT_EQ(mixer.setVolume(3), 0);
    EXPECT_EQ(controls.volume, 100u);

    controls.volumeReadFailures = 1;
    uint32_t volume = 0;
    EXPECT_EQ(mixer.getVolume(volume), 0x20);  // the backend's code comes through
    EXPECT_EQ(mixer.getVolume(volume), 0);
    EXPECT_EQ(volume, 100u);
}

TEST(SoftwareMixer, HasControlsOnlyWhileOpenAndKeepsTheirValues) {
    SoftwareMixer mixer;
    uint32_t value = 0;
    EXPECT_FALSE(mixer.has(MixerControl::Boost));
    EXPECT_EQ(mixer.read(MixerControl::RecordingVolume, value), kMixerNoDriver);
    ASSERT_EQ(mixer.open(), 0);
    EXPECT_EQ(mixer.read(MixerControl::PlaybackMute, value), 0);
    EXPECT_EQ(value, 0u);  // unmuted, so initialize mutes it
    EXPECT_EQ(mixer.read(MixerControl::RecordingVolume, value), 0);
    EXPECT_EQ(value, SoftwareMixer::kVolumeMaximum);
    mixer.write(MixerControl::Boost, 1);
    mixer.write(MixerControl::RecordingVolume, 70000);
    mixer.read(MixerControl::Boost, value);
    EXPECT_EQ(value, 1u);
    mixer.read(MixerControl::RecordingVolume, value);
    EXPECT_EQ(value, SoftwareMixer::kVolumeMaximum);
}
