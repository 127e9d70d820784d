// Process-wide values that the exports write on the application thread and the block pipeline
// reads on the capture thread; atomics, so a change is seen from the next block on.
#pragma once

#include <atomic>

namespace tonik {

enum class BlockMode : int { Pitch = 0, Volume = 1 };

struct AnalysisSettings {
    std::atomic<BlockMode> mode{BlockMode::Pitch};  // which record a block produces
    std::atomic<double> noiseGate{0.0};             // library dB; blocks below carry no pitch
    std::atomic<int> peakLevel{40};                 // the pitch-detection level
    double tuning = 1.0;                            // reference factor, never changed
};

}  // namespace tonik
