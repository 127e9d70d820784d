// Live runs through the whole engine with a WAV file as the microphone: every block exactly
// once and in order, nothing after stop, the software mixer's gain in the levels; and the
// choice and check of the sound system.
#include "PitchEngine.h"
#include "capture/AlsaSource.h"
#include "capture/SilenceSource.h"
#include "capture/SoundSystem.h"
#include "capture/AudioFileSource.h"
#include "mixer/AlsaMixer.h"
#include "mixer/SoftwareMixer.h"

#include "../support/EngineDoubles.h"
#include "../support/Signals.h"
#include "../support/TempFolder.h"
#include "../support/WavWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <cmath>
#include <mutex>
#include <vector>

using namespace tonik;
using namespace testdoubles;

namespace {

// What the callbacks saw; they are plain functions, so it goes through globals.
std::mutex seenMutex;
std::vector<std::vector<int16_t>> seenBlocks;
std::vector<int> seenPending;
std::vector<LevelResult> seenLevels;
std::atomic<int> calls{0};

int keepFrame(const FrameResult* r) {
    std::vector<int16_t> block(512);
    for (int i = 0; i < 512; ++i) block[i] = static_cast<int16_t>(std::lrint(r->samples512[i] * 32767.0));
    std::lock_guard lock(seenMutex);
    seenBlocks.push_back(std::move(block));
    seenPending.push_back(static_cast<int>(r->blocksPending));
    return ++calls;
}
int keepLevel(const LevelResult* r) {
    std::lock_guard lock(seenMutex);
    seenLevels.push_back(*r);
    return ++calls;
}

class LiveRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard lock(seenMutex);
        seenBlocks.clear();
        seenPending.clear();
        seenLevels.clear();
        calls = 0;
    }
    // An engine whose microphone plays `samples` `speed` times faster than real time.
    void makeEngine(const std::vector<int16_t>& samples, double speed) {
        const std::string path = dir_.path + "/take.wav";
        testsignals::writeBytes(path, testsignals::wavBytes(samples));
        auto mixer = std::make_unique<SoftwareMixer>();
        auto source = std::make_unique<AudioFileSource>(path, mixer.get(), speed);
        engine_ = std::make_unique<PitchEngine>(EngineBackends{std::move(mixer), std::move(source), {}},
                                                host_);
        engine_->initialize(nullptr);
    }
    size_t blocksSeen() {
        std::lock_guard lock(seenMutex);
        return seenBlocks.size();
    }
    size_t levelsSeen() {
        std::lock_guard lock(seenMutex);
        return seenLevels.size();
    }

    testsignals::TempFolder dir_;
    ScriptedHost host_;
    std::unique_ptr<PitchEngine> engine_;
};

std::vector<int16_t> numberedBlocks(int blocks) {
    std::vector<int16_t> out(blocks * 512);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<int16_t>((i * 7) % 20000 - 10000);
    return out;
}

}  // namespace

TEST_F(LiveRunTest, DeliversEveryBlockOnceAndInOrder) {
    const std::vector<int16_t> take = numberedBlocks(120);
    makeEngine(take, 20.0);
    engine_->start(nullptr, keepFrame);
    ASSERT_TRUE(eventually([&] { return blocksSeen() >= 120; }));
    engine_->stop();
    const size_t seen = blocksSeen();

    std::lock_guard lock(seenMutex);
    for (size_t b = 0; b < 120; ++b)
        ASSERT_TRUE(std::equal(seenBlocks[b].begin(), seenBlocks[b].end(), take.begin() + b * 512))
            << "block " << b;
    // Each delivery is a whole number of blocks, one to sixteen, counted down to the last.
    for (size_t b = 0; b < seenPending.size();) {
        const int run = seenPending[b];
        ASSERT_GE(run, 1);
        ASSERT_LE(run, 16);
        for (int k = 0; k < run && b < seenPending.size(); ++k, ++b) ASSERT_EQ(seenPending[b], run - k);
    }
    EXPECT_EQ(seenBlocks.size(), seen) << "nothing arrives after stop returned";
}

TEST_F(LiveRunTest, ANewRunDropsWhatTheLastOneLeftUndelivered) {
    const std::vector<int16_t> take = numberedBlocks(40);
    makeEngine(take, 20.0);
    engine_->start(nullptr, keepFrame);
    ASSERT_TRUE(eventually([&] { return blocksSeen() >= 10; }));
    engine_->start(nullptr, keepFrame);  // a second start without a stop changes nothing
    engine_->stop();
    const size_t first = blocksSeen();

    engine_->start(nullptr, keepFrame);
    ASSERT_TRUE(eventually([&] { return blocksSeen() >= first + 3; }));
    engine_->stop();
    std::lock_guard lock(seenMutex);
    EXPECT_TRUE(std::equal(seenBlocks[first].begin(), seenBlocks[first].end(), take.begin()))
        << "the new run starts from its own first block";
    // However far the first run got before it was stopped (on a loaded machine it may have
    // played the whole take and gone on into the silence after it), it delivered the file's
    // blocks in order.
    const std::vector<int16_t> silence(512, 0);
    for (size_t b = 1; b < first; ++b) {
        const auto expected = b < 40 ? take.begin() + static_cast<std::ptrdiff_t>(b * 512) : silence.begin();
        EXPECT_TRUE(std::equal(seenBlocks[b].begin(), seenBlocks[b].end(), expected)) << b;
    }
}

TEST_F(LiveRunTest, VolumeRunFollowsTheMixerAndItsGainIsAudible) {
    makeEngine(testsignals::sine(441.0, 3000.0, 44100 * 4), 20.0);
    const auto levelAfterChange = [&](double volume, int boost) {
        engine_->volumeChange(volume, boost, 55);
        const size_t before = levelsSeen();
        engine_->volumeStart(nullptr, keepLevel);
        EXPECT_TRUE(eventually([&] { return levelsSeen() >= before + 8; }));
        engine_->volumeStop(-150.0);
        std::lock_guard lock(seenMutex);
        return seenLevels.back();
    };
    const LevelResult full = levelAfterChange(1.0, 0);
    EXPECT_DOUBLE_EQ(full.volumeFraction, 1.0);
    EXPECT_EQ(full.boost, 0);
    EXPECT_EQ(full.peakLevel, 55);
    EXPECT_NEAR(full.level, 20.0 * std::log(3000.0 / 32767.0), 0.05);

    const LevelResult half = levelAfterChange(0.5, 0);
    EXPECT_NEAR(half.volumeFraction, 0.5, 1e-4);
    EXPECT_NEAR(half.level - full.level, 20.0 * std::log(0.5), 0.05);

    const LevelResult boosted = levelAfterChange(0.5, 1);
    EXPECT_EQ(boosted.boost, 1);
    EXPECT_NEAR(boosted.level - half.level, 20.0 * std::log(10.0), 0.05) << "boost adds 20 dB";
    EXPECT_EQ(engine_->noiseGate(), -150.0);
}

TEST_F(LiveRunTest, StartAndStopTwoHundredTimes) {
    makeEngine(numberedBlocks(64), 50.0);
    for (int cycle = 0; cycle < 200; ++cycle) {
        engine_->start(nullptr, keepFrame);
        ASSERT_EQ(engine_->state(), EngineState::Pitch) << cycle;
        engine_->stop();
        ASSERT_EQ(engine_->state(), EngineState::Ready) << cycle;
        const int after = calls.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(calls.load(), after) << "a block arrived after stop, cycle " << cycle;
    }
    // The engine still works after all of it.
    engine_->start(nullptr, keepFrame);
    const int before = calls.load();
    EXPECT_TRUE(eventually([&] { return calls.load() > before; }));
    engine_->stop();
}

TEST(SoundSystem, AnUnusableSoundSystemEndsInitializeWithItsMessage) {
    ScriptedHost host;
    PitchEngine engine(EngineBackends{std::make_unique<ScriptedMixer>(),
                                      std::make_unique<FedCaptureSource>(), "too old"},
                       host);
    EXPECT_THROW(engine.initialize(nullptr), ProcessExit);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "too old");
    EXPECT_EQ(host.messages[0].icon, TONIK_ICON_ERROR);
    EXPECT_EQ(host.quitRequests, 1);
    EXPECT_EQ(engine.state(), EngineState::Closed);
}

TEST(SoundSystem, AlsaVersionsFromOnePointZeroSixteenOn) {
    EXPECT_TRUE(alsaVersionIsUsable("1.2.8"));
    EXPECT_TRUE(alsaVersionIsUsable("1.0.16"));
    EXPECT_TRUE(alsaVersionIsUsable("2.0"));
    EXPECT_FALSE(alsaVersionIsUsable("1.0.15"));
    EXPECT_FALSE(alsaVersionIsUsable("0.9.8"));
    EXPECT_FALSE(alsaVersionIsUsable("garbage"));
    EXPECT_FALSE(alsaVersionIsUsable(nullptr));
    EXPECT_TRUE(alsaProblem().empty()) << "this machine's ALSA library";
}

TEST(SoundSystem, TheCaptureChoiceNamesItsBackends) {
    EXPECT_NE(dynamic_cast<SilenceSource*>(backendsFor("silence").capture.get()), nullptr);
    EXPECT_NE(dynamic_cast<SoftwareMixer*>(backendsFor("silence").mixer.get()), nullptr);
    EXPECT_NE(dynamic_cast<AudioFileSource*>(backendsFor("file:/tmp/take.wav").capture.get()), nullptr);
    EXPECT_NE(dynamic_cast<AlsaSource*>(backendsFor("alsa:hw:1,0").capture.get()), nullptr);
    EXPECT_NE(dynamic_cast<AlsaMixer*>(backendsFor(nullptr).mixer.get()), nullptr) << "ALSA by default";
    EXPECT_NE(dynamic_cast<AlsaSource*>(backendsFor("").capture.get()), nullptr);
    EXPECT_NE(dynamic_cast<SilenceSource*>(backendsFor("microphone").capture.get()), nullptr)
        << "an unknown choice falls back to silence";
}
