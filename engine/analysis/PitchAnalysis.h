// Per-block pitch analysis: fills the level, pitch, onset state, outcome and stage results of
// the newest block's FrameResult (the first 176 bytes). Runs on the pipeline's thread.
#pragma once

#include "AnalysisSettings.h"
#include "FrameStore.h"

namespace tonik {

class PitchAnalysis {
public:
    explicit PitchAnalysis(const AnalysisSettings& settings) : settings_(settings) {}

    void analyzeBlock(const FrameStore& store, int blocksPending, FrameResult& result);

private:
    const AnalysisSettings& settings_;
};

}  // namespace tonik
