// Per-block pitch analysis: fills the level, pitch, onset state, outcome and stage results of
// the newest block's FrameResult (the first 176 bytes). Runs on the pipeline's thread, one
// block at a time; allocates nothing after construction.
//
// The search is a cascade of three harmonic sieves over the newest 512-, 1,024- and 2,048-point
// frames (coarse and fast to fine and slow). A stage that finds a fundamental refines it on the
// finest spectrum; the two slower stages then narrow it by autocorrelation of the newest raw
// samples. When no stage answers, the previous block's pitch is looked for within two
// semitones by autocorrelation alone.
#pragma once

#include "AnalysisSettings.h"
#include "Autocorrelation.h"
#include "FrameStore.h"
#include "tonik.h"

#include <memory>

namespace tonik {

// How the octave-jump correction after the cascade learns the last output pitch.
enum class OctaveCorrection {
    // The last pitch is recorded only once one is known, and none is known at first: the
    // correction never acts.
    SecondPathOnly,
    // The last pitch is also recorded when none is known yet, so a jump of an octave that lasts
    // one or two blocks is folded back.
    AlsoFromZero,
};

// Folds back an octave jump of the output pitch that lasts one or two blocks: singers rarely
// leap an octave for 12 ms, while a harmonic sieve does mistake the second harmonic for the
// fundamental now and then.
class OctaveJumpCorrector {
public:
    explicit OctaveJumpCorrector(OctaveCorrection mode) : mode_(mode) {}
    // pitch: a block's output pitch above 20.0, corrected in place.
    void apply(double& pitch);
    double lastPitch() const { return last_; }
    void reset() {
        last_ = 0.0;
        corrections_ = 0;
    }

private:
    OctaveCorrection mode_;
    double last_ = 0.0;  // last output pitch, 0.0 until one is recorded
    int corrections_ = 0;
};

// The lag range and sample count of an autocorrelation search over a fundamental's interval.
struct LagSearch {
    int lagMin;
    int lagMax;
    int length;
};

// Status of one sieve stage.
enum SieveStatus : int {
    kSieveFound = 0,     // a fundamental was found: refine, then the acceptance test
    kSieveLowBand = 2,   // the low band dominates or the strongest peak lies below bin 4.5
    kSieveWeak = 3,      // the largest excess is below the weak-frame threshold: stop
    kSieveNoOrder = 4,   // no harmonic order reached the success score
};

class PitchAnalysis {
public:
    // A fundamental in bins of the spectrum at work, with the interval it is believed to lie in.
    struct Candidate {
        double f0 = 0.0;
        double low = 0.0;
        double high = 0.0;
        double score = 0.0;
    };

    static constexpr int kBins512 = 256;
    static constexpr int kBins1024 = 512;
    static constexpr int kBins2048 = 1024;
    static constexpr double kLongBinHz = 11025.0 / 2048.0;  // one LongFrame bin

    explicit PitchAnalysis(const AnalysisSettings& settings,
                           OctaveCorrection correction = OctaveCorrection::AlsoFromZero);

    void analyzeBlock(const FrameStore& store, int blocksPending, FrameResult& result);

    // The steps of the cascade, public so that each can be checked on its own.
    //
    // Sets every entry of the three floor arrays (natural-log magnitude).
    void fillFloors(double floor512, double floor1024, double floor2048);
    // spectrum: the stage's frame spectrum (at least 256, 512 or 1,024 bins). On kSieveFound,
    // best() holds the winning candidate in that spectrum's bins.
    int sieve512(const double* spectrum);
    int sieve1024(const double* spectrum);
    int sieve2048(const double* spectrum);
    // Turns best() into stageOutput() in Hz on the LongFrame spectrum [1,024 bins used].
    void refineFine(const double* longSpectrum, double scale, double stopThreshold);
    // Narrows stageOutput() by autocorrelation of the newest samples before `position` in ring.
    void refineByLag(const Ring44& ring, int position);
    // 1 when the tracking search ran around pitch p (in stageOutput()), 0 when p is outside
    // 20.5 .. 108.5.
    int trackPrevious(const Ring44& ring, int position, double p);

    const Candidate& best() const { return best_; }
    const StageResult& stageOutput() const { return output_; }
    StageResult& stageOutput() { return output_; }
    const double* excessSpectrum() const { return excess_; }
    const Autocorrelation& autocorrelation() const { return correlation_; }

    // The pitch of the last accepted block, 0.0 for none.
    double previousPitch() const { return previousPitch_; }
    void setPreviousPitch(double pitch) { previousPitch_ = pitch; }
    // Every run starts as after loading: a take that starts loud would otherwise be tracked
    // from, and octave-corrected towards, the pitch that ended the take before it.
    void forgetPitches() {
        previousPitch_ = 0.0;
        corrector_.reset();
    }

    const OctaveJumpCorrector& octaveCorrector() const { return corrector_; }

    // Rule for the harmonics examined by the two slower sieves: as many of the first eight as
    // stay at or below `limit` bins, and no more than 2K + 1 for order K.
    static int harmonicCount(double f0, int order, int limit);
    // The lags searched for an interval lowHz .. highHz: one period at each end, widened by
    // half a sample, over two periods of the lowest frequency (both capped at 8,192).
    static LagSearch lagSearch(double lowHz, double highHz);

private:
    struct StageRules;
    int sieve(const StageRules& rules, const double* spectrum);
    void harmonicLoop(const StageRules& rules, const double* spectrum, int order, int harmonics,
                      double maxExcess);

    const AnalysisSettings& settings_;

    double floor512_[kBins512];
    double floor1024_[kBins1024];
    double floor2048_[kBins2048];
    double excess_[kBins2048];
    Candidate candidate_;
    Candidate best_;
    StageResult output_{};
    double previousPitch_ = 0.0;

    OctaveJumpCorrector corrector_;

    std::unique_ptr<double[]> lagSamples_;  // [8,192] raw samples for the lag search
    Autocorrelation correlation_;
};

}  // namespace tonik
