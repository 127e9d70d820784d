// The library as a client sees it: only the C interface of the shared libtonik.
#include "tonik.h"

#include "../support/Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<FrameResult> frames;
std::vector<std::vector<double>> firstSamples;
int answer = 0;
int keepFrame(const FrameResult* r) {
    frames.push_back(*r);
    firstSamples.emplace_back(r->samples512, r->samples512 + 4);
    return answer + static_cast<int>(frames.size());
}
int otherCallback(const FrameResult*) { return -1; }

std::atomic<int> levelCalls{0};
std::atomic<bool> inLevelCallback{false};
LevelResult lastLevel{};
int onLevel(const LevelResult* r) {
    inLevelCallback = true;
    lastLevel = *r;
    ++levelCalls;
    inLevelCallback = false;
    return 0;
}

struct Shown {
    std::string text;
    int icon;
};
std::vector<Shown> shown;
int recordMessage(void*, void*, const char* text, const char*, int icon, int) {
    shown.push_back({text, icon});
    return TONIK_ANSWER_OK;
}

class TonikApi : public ::testing::Test {
protected:
    void SetUp() override {
        tonik_stop_file();  // whatever an earlier test left running
        frames.clear();
        firstSamples.clear();
        answer = 0;
    }
    void TearDown() override { tonik_stop_file(); }
};

}  // namespace

TEST_F(TonikApi, SendDeliversOneRecordPerWholeBlock) {
    tonik_start_file(nullptr, keepFrame);
    const std::vector<int16_t> samples = testsignals::sine(440.0, 8000, 1536);
    answer = 100;
    EXPECT_EQ(tonik_send(samples.data(), 1536, 0), 103);  // what the last callback returned
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].blocksPending, 3.0);
    EXPECT_EQ(frames[1].blocksPending, 2.0);
    EXPECT_EQ(frames[2].blocksPending, 1.0);
    // each record points at its own block, already scaled to -1..1
    EXPECT_DOUBLE_EQ(firstSamples[1][1], samples[513] / 32767.0);

    frames.clear();
    EXPECT_EQ(tonik_send(samples.data(), 1000, 0), 101);
    EXPECT_EQ(frames.size(), 1u);
    frames.clear();
    EXPECT_EQ(tonik_send(samples.data(), 511, 0), 0);
    EXPECT_EQ(tonik_send(nullptr, 1024, 0), 0);
    EXPECT_TRUE(frames.empty());
}

TEST_F(TonikApi, RecordsCarryTheBlockLevelAndTheGatedDefaults) {
    tonik_start_file(nullptr, keepFrame);
    const std::vector<int16_t> half = testsignals::square(16384, 512);
    tonik_send(half.data(), 512, 0);
    ASSERT_EQ(frames.size(), 1u);
    const FrameResult& r = frames[0];
    EXPECT_NEAR(r.level, 20.0 * std::log(16384.0 / 32767.0), 1e-12);
    EXPECT_EQ(r.noteState, -1);
    EXPECT_EQ(r.outcome, 1.0);
    EXPECT_EQ(r.pitch, 0.0);
    EXPECT_EQ(r.clarity, 0.0);
    EXPECT_EQ(r.tracking.score, 0.0);
    // a square wave at the Nyquist frequency: floors are finite, statistics are filled
    EXPECT_TRUE(std::isfinite(r.floor512));
    EXPECT_TRUE(std::isfinite(r.floor2048));
}

TEST_F(TonikApi, SecondStartKeepsTheFirstCallbackAndNoCallbackMeansZero) {
    tonik_start_file(nullptr, keepFrame);
    tonik_start_file(nullptr, otherCallback);
    const std::vector<int16_t> block(512, 3);
    EXPECT_EQ(tonik_send(block.data(), 512, 0), 1);
    tonik_stop_file();
    EXPECT_EQ(tonik_send(block.data(), 512, 0), 2);  // the callback stays stored after stop_file
    tonik_start_file(nullptr, nullptr);
    EXPECT_EQ(tonik_send(block.data(), 512, 0), 0);
    EXPECT_EQ(frames.size(), 2u);
}

// A live volume run on the silence source, end to end: initialize with the host hook, the
// level records at real-time pace, and nothing delivered once volume_stop has returned.
TEST_F(TonikApi, LiveVolumeRunOnSilence) {
    TonikHost host{};
    host.showMessage = recordMessage;
    tonik_set_host(&host);
    tonik_initialize(nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "NOTE: This program makes your microphone sound mute.");
    EXPECT_EQ(shown[0].icon, TONIK_ICON_INFORMATION);

    EXPECT_EQ(tonik_volume_change(0.5, 1, 40), 1);
    tonik_volume_start(nullptr, onLevel);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (levelCalls < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    tonik_volume_stop(-50.0);
    const int calls = levelCalls;
    EXPECT_GE(calls, 3);
    EXPECT_FALSE(inLevelCallback);
    EXPECT_NEAR(lastLevel.volumeFraction, 32767.0 / 65535.0, 1e-12);
    EXPECT_EQ(lastLevel.boost, 1);
    EXPECT_EQ(lastLevel.peakLevel, 40);
    EXPECT_EQ(lastLevel.level, -INFINITY);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(levelCalls, calls);
    tonik_set_host(nullptr);
}

// A new take is new audio: the pitch that ended the last take must not shape its first blocks,
// neither through the tracking search nor through the octave correction.
TEST_F(TonikApi, ARunStartsWithoutThePitchOfTheRunBefore) {
    tonik_initialize(nullptr);
    tonik_volume_start(nullptr, onLevel);
    tonik_volume_stop(-100.0);  // every block of the tones passes the gate
    const auto take = [](double note) {
        frames.clear();
        tonik_start_file(nullptr, keepFrame);
        const std::vector<int16_t> tone = testsignals::harmonicTone(testsignals::noteHz(note), 8000, 512 * 24);
        tonik_send(tone.data(), static_cast<int>(tone.size()), 0);
        tonik_stop_file();
    };
    take(72.0);
    ASSERT_NEAR(frames.back().pitch, 72.0, 0.3);
    take(60.0);  // an octave below, loud from its first sample
    int pitched = 0;
    for (size_t i = 0; i < frames.size(); ++i)
        if (frames[i].pitch > 0.0) {
            ++pitched;
            EXPECT_NEAR(frames[i].pitch, 60.0, 0.3) << "block " << i << ", outcome " << frames[i].outcome;
        }
    EXPECT_GE(pitched, 20);
}

TEST_F(TonikApi, APushedRunWithItsOwnLevelsHearsUnderTheLiveGateAndLeavesItAsItWas) {
    // A quiet tone (about -95 library dB): under a live gate of -60, above one of -150.
    tonik_initialize(nullptr);
    tonik_volume_start(nullptr, onLevel);
    tonik_volume_stop(-60.0);
    const std::vector<int16_t> tone = testsignals::harmonicTone(220.0, 120.0, 512 * 40);
    const auto pitchedBlocks = [] {
        return std::count_if(frames.begin(), frames.end(), [](const FrameResult& r) { return r.pitch > 1.0; });
    };
    tonik_start_file(nullptr, keepFrame);
    tonik_send(tone.data(), static_cast<int>(tone.size()), 0);
    tonik_stop_file();
    EXPECT_EQ(pitchedBlocks(), 0);

    frames.clear();
    tonik_start_file_levels(nullptr, keepFrame, -150.0, 20);
    tonik_send(tone.data(), static_cast<int>(tone.size()), 0);
    tonik_stop_file();
    ASSERT_EQ(frames.size(), 40u);
    EXPECT_GT(pitchedBlocks(), 30);
    std::vector<double> pitches;
    for (const FrameResult& r : frames)
        if (r.pitch > 1.0) pitches.push_back(r.pitch);
    std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
    EXPECT_NEAR(pitches[pitches.size() / 2], 57.0, 0.25);  // A3

    frames.clear();
    tonik_start_file(nullptr, keepFrame);
    tonik_send(tone.data(), static_cast<int>(tone.size()), 0);
    EXPECT_EQ(pitchedBlocks(), 0);
}
