#include "analysis/BlockSink.h"

#include "../../support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tonik;

namespace {

// Records what each delivered block looked like and answers with the block's number.
struct RecordingTarget final : BlockTarget {
    FrameStore& store;
    std::vector<double> pending;
    std::vector<double> levels;
    explicit RecordingTarget(FrameStore& s) : store(s) {}
    int deliverBlock() override {
        pending.push_back(store.result().blocksPending);
        levels.push_back(store.result().level);
        return static_cast<int>(pending.size()) * 10;
    }
};

struct Pipeline {
    AnalysisSettings settings;
    FrameStore store;
    PitchAnalysis analysis{settings};
    RecordingTarget target{store};
    BlockSink sink{store, analysis, settings, target};
};

}  // namespace

TEST(BlockSink, DeliversEveryWholeBlockAndIgnoresTheRest) {
    Pipeline p;
    const std::vector<int16_t> samples(1536, 100);
    EXPECT_EQ(p.sink.blockSink(samples.data(), 1536), 30);  // the last block's answer
    EXPECT_EQ(p.target.pending, (std::vector<double>{3, 2, 1}));

    p.target.pending.clear();
    EXPECT_EQ(p.sink.blockSink(samples.data(), 1000), 10);
    EXPECT_EQ(p.target.pending.size(), 1u);
    EXPECT_EQ(p.store.blockCount(), 4);  // the 488 left over went nowhere

    EXPECT_EQ(p.sink.blockSink(samples.data(), 511), 0);
    EXPECT_EQ(p.sink.blockSink(nullptr, 1024), 0);
    EXPECT_EQ(p.sink.blockSink(samples.data(), -512), 0);
    EXPECT_EQ(p.target.pending.size(), 1u);
    EXPECT_EQ(p.store.blockCount(), 4);
}

TEST(BlockSink, PitchModeFillsTheRecordVolumeModeLeavesIt) {
    Pipeline p;
    const std::vector<int16_t> half = testsignals::square(16384, 512);
    p.sink.blockSink(half.data(), 512);
    const FrameResult& r = p.store.result();
    EXPECT_NEAR(r.level, 20.0 * std::log(16384.0 / 32767.0), 1e-12);
    EXPECT_EQ(r.noteState, -1);  // nothing is above the initial gate of 0.0
    EXPECT_EQ(r.outcome, 1.0);
    EXPECT_EQ(r.pitch, 0.0);
    EXPECT_EQ(r.stage1024.f0Hz, 0.0);

    p.settings.mode = BlockMode::Volume;
    const std::vector<int16_t> full = testsignals::square(32767, 512);
    p.sink.blockSink(full.data(), 512);
    EXPECT_EQ(p.target.levels.size(), 2u);              // still delivered...
    EXPECT_EQ(p.target.levels[1], p.target.levels[0]);  // ...but the pitch record is untouched
    EXPECT_DOUBLE_EQ(p.store.shortFrame(0).level, 0.0);
}
