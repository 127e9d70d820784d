#include "PitchAnalysis.h"

namespace tonik {

void PitchAnalysis::analyzeBlock(const FrameStore& store, int blocksPending,
                                 FrameResult& result) {
    // Every block starts as "below the gate, nothing searched"; the search overwrites it.
    result.level = store.shortFrame(0).level;
    result.pitch = 0.0;
    result.clarity = 0.0;
    result.noteState = -1;
    result.reserved = 0;
    result.outcome = 1.0;
    result.blocksPending = static_cast<double>(blocksPending);
    result.stage512 = result.stage1024 = result.stage2048 = result.tracking = StageResult{};
    // TODO(#3): gate and onset state, the three-stage sieve, refinements and tracking.
    (void)settings_;
}

}  // namespace tonik
