#include "PitchEngine.h"

#include "../support/EngineDoubles.h"
#include "../support/Signals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

using namespace tonik;
using namespace testdoubles;

namespace {

// Callbacks are plain functions, so what they see goes through globals.
std::atomic<int> firstCalls{0}, secondCalls{0}, levelCalls{0};
LevelResult lastLevel{};
int countFirst(const FrameResult*) { return ++firstCalls; }
int countSecond(const FrameResult*) { return ++secondCalls; }
int keepLevel(const LevelResult* r) {
    lastLevel = *r;
    return ++levelCalls;
}

class PitchEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        firstCalls = secondCalls = levelCalls = 0;
        auto mixer = std::make_unique<ScriptedMixer>();
        auto capture = std::make_unique<FedCaptureSource>();
        mixer_ = mixer.get();
        capture_ = capture.get();
        engine_ = std::make_unique<PitchEngine>(EngineBackends{std::move(mixer), std::move(capture), {}}, host_);
    }
    void feedBlocks(int blocks) { capture_->feed(std::vector<int16_t>(512 * blocks, 0)); }

    ScriptedHost host_;
    ScriptedMixer* mixer_ = nullptr;
    FedCaptureSource* capture_ = nullptr;
    std::unique_ptr<PitchEngine> engine_;
};

}  // namespace

TEST_F(PitchEngineTest, StatesFollowTheRunsAndOutOfOrderCallsChangeNothing) {
    EXPECT_EQ(engine_->state(), EngineState::Closed);
    engine_->start(nullptr, countFirst);  // nothing to capture from before initialize
    EXPECT_EQ(engine_->state(), EngineState::Closed);
    engine_->startFile(nullptr, countFirst);  // pushed samples need no device
    EXPECT_EQ(engine_->state(), EngineState::Pushed);
    engine_->stopFile();
    EXPECT_EQ(engine_->state(), EngineState::Closed);

    engine_->initialize(nullptr);
    EXPECT_EQ(engine_->state(), EngineState::Ready);
    engine_->start(nullptr, countFirst);
    engine_->start(nullptr, countSecond);        // second start: ignored
    engine_->volumeStart(nullptr, keepLevel);    // as is any other start
    engine_->startFile(nullptr, countSecond);
    EXPECT_EQ(engine_->state(), EngineState::Pitch);
    feedBlocks(2);
    ASSERT_TRUE(eventually([] { return firstCalls == 2; }));
    EXPECT_EQ(secondCalls, 0);
    EXPECT_EQ(levelCalls, 0);

    engine_->stop();
    EXPECT_EQ(engine_->state(), EngineState::Ready);
    engine_->stop();
    engine_->stopFile();
    EXPECT_EQ(engine_->state(), EngineState::Ready);
}

TEST_F(PitchEngineTest, AnyEndFunctionEndsALiveRunAndNothingArrivesAfterIt) {
    engine_->initialize(nullptr);
    engine_->start(nullptr, countFirst);
    feedBlocks(1);
    ASSERT_TRUE(eventually([] { return firstCalls == 1; }));
    engine_->stopFile();  // ends the pitch run, capture included
    EXPECT_EQ(engine_->state(), EngineState::Ready);
    feedBlocks(3);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(firstCalls, 1);
}

TEST_F(PitchEngineTest, VolumeStopSetsTheNoiseGateOnlyWhenARunEnds) {
    engine_->initialize(nullptr);
    engine_->volumeStop(-40.0);
    EXPECT_EQ(engine_->noiseGate(), 0.0);
    engine_->volumeStart(nullptr, keepLevel);
    EXPECT_EQ(engine_->state(), EngineState::Volume);
    engine_->volumeStop(-40.0);
    EXPECT_EQ(engine_->noiseGate(), -40.0);
    EXPECT_EQ(engine_->state(), EngineState::Ready);
}

TEST_F(PitchEngineTest, APushedRunWithLevelsOfItsOwnGivesTheLiveOnesBackWhenItEnds) {
    engine_->initialize(nullptr);
    engine_->volumeStart(nullptr, keepLevel);
    engine_->volumeStop(-40.0);
    engine_->volumeChange(1.0, 0, 45);

    engine_->startFile(nullptr, countFirst, RunLevels{-120.0, 20});
    EXPECT_EQ(engine_->noiseGate(), -120.0);
    EXPECT_EQ(engine_->peakLevel(), 20);
    // A slider moved meanwhile belongs to the live runs, not to this one.
    engine_->volumeChange(1.0, 0, 60);
    EXPECT_EQ(engine_->peakLevel(), 20);
    engine_->stopFile();
    EXPECT_EQ(engine_->noiseGate(), -40.0);
    EXPECT_EQ(engine_->peakLevel(), 60);

    // A second start while a run is active changes nothing, and a run without levels keeps
    // the live ones.
    engine_->startFile(nullptr, countFirst);
    engine_->startFile(nullptr, countFirst, RunLevels{-120.0, 20});
    EXPECT_EQ(engine_->noiseGate(), -40.0);
    engine_->stopFile();
    EXPECT_EQ(engine_->noiseGate(), -40.0);
    EXPECT_EQ(engine_->peakLevel(), 60);
}

TEST_F(PitchEngineTest, VolumeChangeMapsTheFractionOntoTheControl) {
    engine_->initialize(nullptr);
    EXPECT_EQ(engine_->volumeChange(0.5, 1, 55), 1);
    EXPECT_EQ(mixer_->volume, 32767u);
    EXPECT_EQ(mixer_->boost, 1u);
    EXPECT_EQ(engine_->peakLevel(), 55);
    EXPECT_EQ(engine_->currentVolume(), 32767u);

    engine_->volumeChange(1.5, 0, 40);  // stored as given, written clamped
    EXPECT_EQ(mixer_->volume, 65535u);
    engine_->volumeChange(-1.0, 0, 40);
    EXPECT_EQ(mixer_->volume, 0u);
    engine_->volumeChange(std::nan(""), 0, 40);
    EXPECT_EQ(mixer_->volume, 0u);
}

TEST_F(PitchEngineTest, VolumeRunReportsTheMixerAsReadBeforeEveryBlock) {
    engine_->initialize(nullptr);
    engine_->volumeChange(0.25, 1, 30);
    engine_->volumeStart(nullptr, keepLevel);
    capture_->feed(testsignals::square(16384, 512));
    ASSERT_TRUE(eventually([] { return levelCalls == 1; }));
    EXPECT_NEAR(lastLevel.volumeFraction, 16383.0 / 65535.0, 1e-12);
    EXPECT_EQ(lastLevel.boost, 1);
    EXPECT_EQ(lastLevel.peakLevel, 30);
    EXPECT_NEAR(lastLevel.level, 20.0 * std::log(16384.0 / 32767.0), 1e-12);
    EXPECT_NE(lastLevel.spectrum2048, nullptr);

    mixer_->volume = 65535;  // changed behind the engine's back, as a system mixer would
    mixer_->boost = 0;
    feedBlocks(1);
    ASSERT_TRUE(eventually([] { return levelCalls == 2; }));
    EXPECT_EQ(lastLevel.volumeFraction, 1.0);
    EXPECT_EQ(lastLevel.boost, 0);
    engine_->volumeStop(-60.0);
}

TEST_F(PitchEngineTest, InitializeMutesThePlaybackMicrophoneOnceWithANote) {
    engine_->initialize(nullptr);
    engine_->initialize(nullptr);
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text, "NOTE: This program makes your microphone sound mute.");
    EXPECT_EQ(host_.messages[0].icon, TONIK_ICON_INFORMATION);
    EXPECT_EQ(mixer_->mute, 1u);

    // without a mute control the line always reads as not muted: the note comes every time
    mixer_->hasMute = false;
    engine_->initialize(nullptr);
    EXPECT_EQ(host_.messages.size(), 2u);
}

TEST_F(PitchEngineTest, MixerFailuresAskToRetryAndExitOnCancel) {
    mixer_->openResults = {6, 0};
    mixer_->volumeReadFailures = 1;
    host_.answers = {TONIK_ANSWER_RETRY, TONIK_ANSWER_OK, TONIK_ANSWER_RETRY};
    engine_->initialize(nullptr);
    ASSERT_EQ(host_.messages.size(), 3u);
    EXPECT_EQ(host_.messages[0].text,
              "ERROR (0x6)\nFail to initialize Sound Mixer Device.\n\nDo you want to retry "
              "initializing?\nOtherwise, this program will now EXIT.");
    EXPECT_EQ(host_.messages[0].caption, "ERROR");
    EXPECT_EQ(host_.messages[0].buttons, TONIK_BUTTONS_RETRY_CANCEL);
    EXPECT_EQ(host_.messages[2].text,
              "ERROR (0x20)\nFail to get recording volume level.\n\nDo you want to retry "
              "getting volume level?\nOtherwise, this program will now EXIT.");
    EXPECT_EQ(engine_->state(), EngineState::Ready);

    mixer_->openResults = {0x3A};
    host_.answers = {TONIK_ANSWER_CANCEL};
    EXPECT_THROW(engine_->initialize(nullptr), ProcessExit);
    EXPECT_EQ(host_.messages.back().text.substr(0, 13), "ERROR (0x3A)\n");
    EXPECT_EQ(host_.quitRequests, 1);
}

TEST_F(PitchEngineTest, ClearGivesUpTheDeviceUntilTheNextInitialize) {
    engine_->clear();  // no run: nothing happens
    EXPECT_EQ(capture_->closes(), 0);
    engine_->initialize(nullptr);
    engine_->start(nullptr, countFirst);
    engine_->clear();
    EXPECT_EQ(capture_->closes(), 1);
    EXPECT_EQ(engine_->state(), EngineState::Pitch);  // the run stays marked active
    engine_->stop();
    engine_->start(nullptr, countFirst);
    EXPECT_EQ(engine_->state(), EngineState::Ready);  // no device, no live run
    engine_->initialize(nullptr);
    engine_->start(nullptr, countFirst);
    EXPECT_EQ(engine_->state(), EngineState::Pitch);
    engine_->stop();
}

// Ending a run from inside its own callback is not allowed, but must not leave the worker
// writing the store while the next run starts.
PitchEngine* selfStopping = nullptr;
int stopFromInside(const FrameResult*) {
    ++firstCalls;
    selfStopping->stop();
    return 0;
}

TEST_F(PitchEngineTest, ARunEndedFromItsCallbackFinishesBeforeTheNextStarts) {
    selfStopping = engine_.get();
    engine_->initialize(nullptr);
    engine_->start(nullptr, stopFromInside);
    feedBlocks(6);
    ASSERT_TRUE(eventually([] { return firstCalls == 1; }));
    engine_->startFile(nullptr, countSecond);
    const std::vector<int16_t> block(512, 9);
    EXPECT_EQ(engine_->send(block.data(), 512), 1);
    EXPECT_EQ(engine_->frameStore().blockCount(), 1);  // reset came after the worker's blocks
    EXPECT_EQ(firstCalls, 1);
    engine_->stopFile();
}

TEST_F(PitchEngineTest, PushedSamplesWaitWhileLiveCaptureFeedsTheStore) {
    engine_->initialize(nullptr);
    engine_->start(nullptr, countFirst);
    const std::vector<int16_t> block(512, 5);
    EXPECT_EQ(engine_->send(block.data(), 512), 0);
    EXPECT_EQ(engine_->frameStore().blockCount(), 0);
    engine_->stop();
    EXPECT_EQ(engine_->send(block.data(), 512), 0);  // no callback stored any more
    EXPECT_EQ(engine_->frameStore().blockCount(), 1);
}
