// The block pipeline's entry: cuts incoming samples into 512-sample blocks and, for each one,
// pushes it into the frame store, computes the statistics, runs the pitch analysis (pitch
// mode only) and hands the block to its target. Runs on the capture thread in a live run and
// on the caller's thread for pushed samples; never on two threads at once.
#pragma once

#include "AnalysisSettings.h"
#include "FrameStore.h"
#include "PitchAnalysis.h"

#include <cstdint>

namespace tonik {

// Receives every finished block; its result is passed back to the pipeline's caller.
class BlockTarget {
public:
    virtual ~BlockTarget() = default;
    virtual int deliverBlock() = 0;
};

class BlockSink {
public:
    BlockSink(FrameStore& store, PitchAnalysis& analysis, const AnalysisSettings& settings,
              BlockTarget& target)
        : store_(store), analysis_(analysis), settings_(settings), target_(target) {}

    // Processes count / 512 whole blocks in order and ignores the rest. Returns the target's
    // result for the last block; 0 when no block was whole or samples is null.
    int blockSink(const int16_t* samples, int count);

private:
    FrameStore& store_;
    PitchAnalysis& analysis_;
    const AnalysisSettings& settings_;
    BlockTarget& target_;
};

}  // namespace tonik
