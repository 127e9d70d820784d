// The engine's block pipeline assembled from its parts, for tests and benchmarks: settings,
// frame store, pitch analysis and block sink, with a target that takes every block.
#pragma once

#include "analysis/BlockSink.h"

#include <cstdint>

namespace testsignals {

struct NullTarget final : tonik::BlockTarget {
    int deliverBlock() override { return 0; }
};

struct BlockPipeline {
    explicit BlockPipeline(tonik::OctaveCorrection correction = tonik::OctaveCorrection::AlsoFromZero)
        : analysis(settings, correction) {}

    // One block of 512 samples in; a copy of its record out.
    FrameResult feed(const int16_t* block) {
        sink.blockSink(block, tonik::kBlockSize);
        return store.result();
    }

    tonik::AnalysisSettings settings;
    tonik::FrameStore store;
    tonik::PitchAnalysis analysis;
    NullTarget target;
    tonik::BlockSink sink{store, analysis, settings, target};
};

}  // namespace testsignals
