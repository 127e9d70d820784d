// The take's audio: kept block by block within the room made for it, and heard again at the
// levels of its own quiet and loud blocks, each block becoming its frame's evidence.
#include "document/TakeAudio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace hummwell;

namespace {

// Hears what it is told to, and remembers what it was given.
class ScriptedHearing final : public PitchInput {
public:
    std::vector<HeardBlock> answer;
    std::vector<int16_t> given;
    AnalysisLevels levels{};
    int calls = 0;
    void start() override {}
    void stop() override {}
    std::vector<HeardBlock> hear(const std::vector<int16_t>& samples, const AnalysisLevels& at) override {
        ++calls;
        given = samples;
        levels = at;
        return answer;
    }
};

// One block of a 220 Hz sine at `amplitude` (of full scale 1), as the engine delivers it.
std::vector<double> sineBlock(int index, double amplitude) {
    std::vector<double> b(kBlockSamples);
    for (int i = 0; i < kBlockSamples; ++i)
        b[i] = amplitude * std::sin(2.0 * std::numbers::pi * 220.0 * (index * kBlockSamples + i) / 44100.0);
    return b;
}

}  // namespace

TEST(TakeAudio, KeepsBlocksWithinItsRoomAsTheSamplesTheyWere) {
    TakeAudio take;
    take.begin(2);
    const std::vector<double> loud(kBlockSamples, 2.0), half(kBlockSamples, -0.5);
    take.keep(loud.data());
    take.keep(nullptr);  // a result without samples keeps nothing
    take.keep(half.data());
    take.keep(loud.data());  // past the room: dropped, never a reallocation on the capture thread
    ASSERT_EQ(take.samples().size(), 2u * kBlockSamples);
    EXPECT_EQ(take.samples().front(), 32767) << "held to full scale";
    EXPECT_EQ(take.samples().back(), -16384) << "-0.5 x 32767, rounded away from zero";

    take.begin(0);  // a full track: no room, whatever the last take had
    take.keep(loud.data());
    EXPECT_TRUE(take.samples().empty());
}

TEST(TakeAudio, HearsTheTakeAgainAtItsOwnLevels) {
    TakeAudio take;
    ScriptedHearing input;
    ProjectSettings settings;
    EXPECT_TRUE(take.hearAgain(input, -40.0, settings).empty()) << "nothing kept: nothing to hear";
    EXPECT_EQ(input.calls, 0);

    take.begin(40);
    for (int b = 0; b < 40; ++b) take.keep(sineBlock(b, b < 20 ? 0.001 : 0.5).data());
    for (int b = 0; b < 40; ++b)
        input.answer.push_back({b < 20 ? -60.0 : -1.0, b < 20 ? 0.0 : 57.0, b < 20 ? 0.0 : 8.0, {}});
    const std::vector<FrameEvidence> heard = take.hearAgain(input, -40.0, settings);
    ASSERT_EQ(input.calls, 1);
    EXPECT_EQ(input.given, take.samples());
    // The gate sits 10 dB over the take's quiet half, far below the live gate it was given.
    EXPECT_LT(input.levels.noiseGate, -40.0);

    ASSERT_EQ(heard.size(), 40u);
    for (int b = 0; b < 40; ++b) {
        EXPECT_TRUE(heard[b].known && heard[b].lookAhead) << b;
        EXPECT_EQ(heard[b].level, input.answer[b].level) << b;
    }
    EXPECT_EQ(heard[5].pitch, 0.0);
    EXPECT_EQ(heard[5].periodicity.atPitch, 0.0f) << "no pitch, no periodicity";
    EXPECT_DOUBLE_EQ(heard[30].pitch, 57.0);
    EXPECT_GT(heard[30].periodicity.atPitch, 0.9f) << "a steady 220 Hz repeats at its period";
}
