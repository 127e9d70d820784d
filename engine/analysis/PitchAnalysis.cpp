#include "PitchAnalysis.h"

#include "PitchArithmetic.h"

#include <algorithm>
#include <cmath>

namespace tonik {

namespace {

constexpr double kLowestOrderF0 = 4.5;  // bins; lower fundamentals are not tried
constexpr double kLowHarmonics = 2.5 * kLowestOrderF0;
constexpr int kHarmonicLimit = 512;     // highest bin the slower sieves examine a harmonic at
constexpr int kExcessBins = PitchAnalysis::kBins2048;

enum class Scoring { Short, Mid, Long };

enum class PeakPlace { Inside, OneBinOut, TwoBinsOut, Elsewhere };

// An index into the excess array, clipped to it: harmonic positions can drift slightly past
// the stage's bins when the interval narrows.
int excessIndex(double x) {
    const double t = std::trunc(x);
    if (!(t >= 0.0)) return 0;
    return t > kExcessBins - 1 ? kExcessBins - 1 : static_cast<int>(t);
}

// A lag in samples as an int, held to the longest search; an undefined one becomes 0.
int clampedLag(double lag) {
    if (std::isnan(lag)) return 0;
    constexpr double kLongest = Autocorrelation::kMaxLag;
    return static_cast<int>(std::clamp(lag, -kLongest, kLongest));
}

}  // namespace

struct PitchAnalysis::StageRules {
    int bins;                 // N, bins analysed
    const double* floor;      // floor array of the stage
    int firstBin;             // first bin of the maximum search
    double lowBandFactor;     // 0.0: no low-band test
    double weakThreshold;     // on the largest excess
    int maxOrder;             // Kmax
    bool strictOrderTest;     // f0 above 4.5 (else at least 4.5)
    Scoring scoring;
    double successScore;
    bool strictSuccess;       // score above (else at least) successScore
};

PitchAnalysis::PitchAnalysis(const AnalysisSettings& settings, OctaveCorrection correction)
    : settings_(settings), corrector_(correction),
      lagSamples_(new double[Autocorrelation::kMaxLength]) {
    fillFloors(0.0, 0.0, 0.0);
    std::fill(excess_, excess_ + kBins2048, 1.0);
}

void PitchAnalysis::fillFloors(double floor512, double floor1024, double floor2048) {
    std::fill(floor512_, floor512_ + kBins512, floor512);
    std::fill(floor1024_, floor1024_ + kBins1024, floor1024);
    std::fill(floor2048_, floor2048_ + kBins2048, floor2048);
}

void PitchAnalysis::analyzeBlock(const FrameStore& store, int blocksPending,
                                 FrameResult& result) {
    const double gate = settings_.noiseGate.load(std::memory_order_relaxed);
    const double tuning = settings_.tuning;

    // Every block starts as "below the gate, nothing searched"; the search overwrites it.
    result.level = store.shortFrame(0).level;
    result.pitch = 0.0;
    result.clarity = 0.0;
    result.noteState = -1;
    result.reserved = 0;
    result.outcome = 1.0;
    result.blocksPending = static_cast<double>(blocksPending);
    result.stage512 = result.stage1024 = result.stage2048 = result.tracking = StageResult{};

    if (result.level < gate) {
        // A rest ends what the octave correction knows too: the note after it may leap an
        // octave, and its first blocks must not be folded back toward the note before.
        previousPitch_ = 0.0;
        corrector_.reset();
        return;
    }
    const double previousLevel = store.shortFrame(-1).level;
    result.noteState = (previousLevel < gate || previousLevel + 10.0 < result.level) ? 1 : 0;

    const BlockStatistics& st = store.statistics();
    fillFloors(st.floor512, st.floor1024, st.floor2048);

    const double* longSpectrum = store.longFrame(0).spectrum;
    const Ring44& ring = store.ring44();
    const int position = store.ring44Position();

    // The three stages differ only in their sieve, their refinement and their range.
    struct Stage {
        int (PitchAnalysis::*sieve)(const double*);
        const double* spectrum;
        double scale;
        double stopThreshold;
        bool byLag;
        double lowestPitch;
        bool trustedAnyway;  // a high score outweighs a previous pitch below the range
        double outcome;
        StageResult FrameResult::*slot;
    };
    const double peak = settings_.peakLevel.load(std::memory_order_relaxed);
    const Stage stages[] = {
        {&PitchAnalysis::sieve512, store.shortFrame(0).spectrum, 16.0, peak / 20.0, false, 69.0,
         false, 256.0, &FrameResult::stage512},
        {&PitchAnalysis::sieve1024, store.midFrame(0).spectrum, 4.0, peak / 20.0, true, 45.0,
         true, 512.0, &FrameResult::stage1024},
        {&PitchAnalysis::sieve2048, longSpectrum, 1.0, 3.0, true, 20.5, true, 1024.0,
         &FrameResult::stage2048},
    };

    bool answered = false;
    bool stopped = false;
    for (const Stage& stage : stages) {
        const int status = (this->*stage.sieve)(stage.spectrum);
        result.outcome = status;
        if (status == kSieveFound) {
            refineFine(longSpectrum, stage.scale, stage.stopThreshold);
            if (stage.byLag) refineByLag(ring, position);
            result.*stage.slot = output_;
            result.pitch = freqToNote(output_.f0Hz, tuning);
            result.clarity = output_.score;
            const bool previousInRange = previousPitch_ == 0.0 ||
                                         previousPitch_ >= stage.lowestPitch ||
                                         (stage.trustedAnyway && result.clarity > 8.0);
            if (result.pitch >= stage.lowestPitch && previousInRange) {
                result.outcome = stage.outcome;
                previousPitch_ = result.pitch;
                answered = true;
                break;
            }
        } else if (status == kSieveWeak) {
            result.pitch = 0.0;
            previousPitch_ = 0.0;
            stopped = true;
            break;
        }
    }

    if (!answered && !stopped) {
        if (previousPitch_ >= 20.5 && trackPrevious(ring, position, previousPitch_) == 1) {
            result.tracking = output_;
            result.pitch = freqToNote(output_.f0Hz, tuning);
            result.clarity = 0.0;
            result.outcome = 2048.0;
            previousPitch_ = result.pitch;
        } else {
            result.pitch = 0.0;
            previousPitch_ = 0.0;
            result.outcome = 65535.0;
        }
    }

    if (result.pitch > 20.0) corrector_.apply(result.pitch);
}

void OctaveJumpCorrector::apply(double& pitch) {
    if (last_ == 0.0) {
        corrections_ = 0;
        if (mode_ == OctaveCorrection::AlsoFromZero) last_ = pitch;
        return;
    }
    // A third block in the new octave lets the jump through.
    const bool up = pitch >= last_ + 11.0 && pitch <= last_ + 13.0;
    const bool down = pitch >= last_ - 13.0 && pitch <= last_ - 11.0;
    if (up || down) {
        if (corrections_ < 2) {
            pitch += up ? -12.0 : 12.0;
            ++corrections_;
        } else {
            corrections_ = 0;
        }
    } else {
        corrections_ = 0;
    }
    last_ = pitch;
}

int PitchAnalysis::harmonicCount(double f0, int order, int limit) {
    int h = 8;
    while (h >= 2 && h * f0 > limit) --h;
    return std::min(h, 2 * order + 1);
}

LagSearch PitchAnalysis::lagSearch(double lowHz, double highHz) {
    const int lagMin = clampedLag(std::floor(kSampleRate / highHz - 0.5));
    const int lagMax = clampedLag(std::ceil(kSampleRate / lowHz + 0.5));
    return {lagMin, lagMax, std::min(2 * lagMax, Autocorrelation::kMaxLength)};
}

int PitchAnalysis::sieve512(const double* spectrum) {
    const double peak = settings_.peakLevel.load(std::memory_order_relaxed);
    const StageRules rules{kBins512, floor512_, 4, 0.5, peak * 0.125, 5, true, Scoring::Short,
                           0.0, true};
    return sieve(rules, spectrum);
}

int PitchAnalysis::sieve1024(const double* spectrum) {
    const double peak = settings_.peakLevel.load(std::memory_order_relaxed);
    const StageRules rules{kBins1024, floor1024_, 6, 0.8, peak / 10.0, 15, false, Scoring::Mid,
                           5.0, false};
    return sieve(rules, spectrum);
}

int PitchAnalysis::sieve2048(const double* spectrum) {
    const double peak = settings_.peakLevel.load(std::memory_order_relaxed);
    const StageRules rules{kBins2048, floor2048_, 12, 0.0, peak / 12.0, 15, false,
                           Scoring::Long, 5.0, false};
    return sieve(rules, spectrum);
}

int PitchAnalysis::sieve(const StageRules& rules, const double* spectrum) {
    const int n = rules.bins;
    for (int k = 0; k < n; ++k) {
        const double d = spectrum[k] - rules.floor[k];
        excess_[k] = d >= 1.0 ? d : 1.0;  // an undefined difference fails the test too
    }

    int peakBin = rules.firstBin;
    double maxExcess = excess_[peakBin];
    for (int k = peakBin + 1; k < n; ++k) {
        if (excess_[k] > maxExcess) {
            maxExcess = excess_[k];
            peakBin = k;
        }
    }

    // The centre of a flat-topped peak: the run of bins within 5% of its height.
    int left = peakBin;
    for (int k = peakBin - 1; k >= 1 && excess_[k] > 0.95 * maxExcess; --k) left = k;
    int right = peakBin;
    for (int k = peakBin + 1; k <= n - 1 && excess_[k] > 0.95 * maxExcess; ++k) right = k;
    const double centre = (left + right) / 2.0;

    if (rules.lowBandFactor > 0.0 &&
        rules.lowBandFactor * maxExcess < (excess_[2] + excess_[3] + excess_[4]) / 3.0)
        return kSieveLowBand;
    if (centre < kLowestOrderF0) return kSieveLowBand;
    if (maxExcess < rules.weakThreshold) return kSieveWeak;

    best_ = Candidate{};
    for (int order = rules.maxOrder; order >= 1; --order) {
        candidate_ = Candidate{(centre + 0.5) / order, (centre - 1.0) / order,
                               (centre + 2.0) / order, 0.0};
        const bool tried = rules.strictOrderTest ? candidate_.f0 > kLowestOrderF0
                                                 : candidate_.f0 >= kLowestOrderF0;
        if (tried) {
            const int harmonics = rules.scoring == Scoring::Short
                                      ? order
                                      : harmonicCount(candidate_.f0, order, kHarmonicLimit);
            harmonicLoop(rules, spectrum, order, harmonics, maxExcess);
        }
        if (candidate_.score > best_.score) best_ = candidate_;
    }

    const bool success = rules.strictSuccess ? best_.score > rules.successScore
                                             : best_.score >= rules.successScore;
    return success ? kSieveFound : kSieveNoOrder;
}

void PitchAnalysis::harmonicLoop(const StageRules& rules, const double* spectrum, int order,
                                 int harmonics, double maxExcess) {
    const int n = rules.bins;
    const double peakLevel = settings_.peakLevel.load(std::memory_order_relaxed);
    Candidate& c = candidate_;
    const double halfWidth = c.f0 / 2.0;  // fixed for the order, even as f0 narrows
    const bool shortStage = rules.scoring == Scoring::Short;
    const bool longStage = rules.scoring == Scoring::Long;
    const bool subMultipleTest = best_.f0 > 0.0 && best_.score > 5.0;

    int oddCount = 0, evenCount = 0, subHits = 0;
    double oddSum = 0.0, evenSum = 0.0;

    for (int j = 1; j <= harmonics; ++j) {
        const double weight = (30.0 - j) / 30.0;
        const double centreJ = j * c.f0;
        const WindowPeak found = windowPeak(excess_, n, centreJ - 1.0, halfWidth);
        const double height = found.value;

        // Mean excess between the previous harmonic and this one; a segment well below the
        // strongest peak counts as the peak itself, so that only strong bins exceed it.
        const int segStart = j == 1 ? 0 : excessIndex((j - 1) * c.f0 - 1.0);
        const int segCount = std::min(static_cast<int>(std::floor(c.f0)), kExcessBins - segStart);
        double segMean = 0.0;
        for (int k = 0; k < segCount; ++k) segMean += excess_[segStart + k];
        segMean /= segCount;
        if (0.5 * maxExcess > segMean) segMean = maxExcess;

        // Low harmonics of the finest stage sit where the window's main lobe and the low-band
        // leakage meet: they earn a fixed credit whatever is found there.
        const bool lowHarmonic = longStage && centreJ <= kLowHarmonics;

        if (found.position < 0.0) {
            if (shortStage) {
                c.score = 0.0;
                return;
            }
            const double contribution =
                lowHarmonic ? 1.5
                            : (excess_[excessIndex(std::trunc(centreJ) - 1.0)] >= segMean ? -0.5
                                                                                          : -1.5);
            c.score += weight * contribution;
            continue;
        }
        const int bin = static_cast<int>(found.position);

        // A lower fundamental already scored well: energy between this order's harmonics at
        // that fundamental's multiples speaks against this order.
        if (shortStage) {
            if (c.f0 > kLowestOrderF0 && subMultipleTest) {
                const double ratio = roundHalfUp(c.f0 / best_.f0);
                for (int t = 1; t <= ratio - 1; ++t) {
                    if (excess_[excessIndex(t * best_.f0 + (j - 1) * c.f0 - 1.0)] >= segMean) {
                        c.score = 0.0;
                        return;
                    }
                }
            }
        } else if (!longStage) {
            if (c.f0 > kLowestOrderF0 && subMultipleTest) {
                const double ratio = roundHalfUp(c.f0 / best_.f0);
                for (int t = 1; t <= ratio - 1; ++t)
                    if (excess_[excessIndex(t * best_.f0 + (j - 1) * c.f0 - 2.0)] >= segMean)
                        c.score += weight * -2.0;
            }
        } else if (c.f0 > 1.5 * kLowestOrderF0 && subMultipleTest) {
            const double ratio = roundHalfUp(c.f0 / best_.f0);
            const double hw = halfWidth / ratio;
            for (int t = 1; t <= ratio - 1; ++t) {
                const WindowPeak sub =
                    windowPeak(excess_, n, ((j - 1) + t / ratio) * c.f0 - 1.0, hw);
                if (sub.position + 1.0 > kLowHarmonics) {
                    ++subHits;
                    const int b2 = static_cast<int>(sub.position);
                    const bool strong =
                        sub.value > 0.8 * maxExcess &&
                        (isPeakAbove(excess_, n, b2, std::ceil(j * c.f0) - b2) ||
                         excess_[b2] > peakLevel / 15.0);
                    c.score += weight * (strong ? -2.0 : -sub.value / height);
                }
            }
        }

        // Narrowing: a peak inside the expected interval pins the fundamental's interval.
        const double lo = std::floor(j * c.low) - 1.0;
        const double hi = std::ceil(j * c.high) - 1.0;
        PeakPlace place;
        if (lo <= bin && bin <= hi) {
            c.low = std::max(c.low, (bin - 1.0) / j);
            c.high = std::min(c.high, (bin + 2.0) / j);
            c.f0 = (c.low + c.high) / 2.0;
            place = PeakPlace::Inside;
        } else if (std::floor(j * c.low) == bin + 2 || std::ceil(j * c.high) == bin) {
            place = PeakPlace::OneBinOut;
        } else if (c.f0 > 7.5 &&
                   (std::ceil(j * c.low) == bin + 3 || std::ceil(j * c.high) + 1 == bin)) {
            place = PeakPlace::TwoBinsOut;
        } else {
            place = PeakPlace::Elsewhere;
        }
        const double relative = height / maxExcess;

        if (shortStage) {
            const bool above = isPeakAbove(excess_, n, bin, halfWidth);
            switch (place) {
            case PeakPlace::Inside: c.score += relative + 0.5 + (above ? 0.5 : 0.0); break;
            case PeakPlace::OneBinOut: c.score += 0.75 * relative + (above ? 0.5 : 0.0); break;
            case PeakPlace::TwoBinsOut: c.score += above ? 0.5 * relative : 0.0; break;
            case PeakPlace::Elsewhere: c.score = 0.0; return;
            }
            continue;
        }

        if (place == PeakPlace::Inside) {
            if (j % 2 == 1) {
                ++oddCount;
                oddSum += height;
            } else {
                ++evenCount;
                evenSum += height;
            }
        }
        double contribution = 0.0;
        bool endLoop = false;
        switch (place) {
        case PeakPlace::Inside:
            contribution = relative + ((isPeakAbove(excess_, n, bin, halfWidth) ||
                                        excess_[bin] > 3.5) ? 0.5 : 0.0);
            break;
        case PeakPlace::OneBinOut:
            contribution = 0.8 * relative + (excess_[bin] > 3.5 ? 0.5 : 0.0);
            break;
        case PeakPlace::TwoBinsOut: contribution = relative * (j > order ? 0.5 : 0.2); break;
        case PeakPlace::Elsewhere:
            if (j > order) {
                const int e = std::clamp(static_cast<int>(std::ceil(centreJ)) - 1, 0, 2 * n - 1);
                // The floor is the same in every bin of the stage.
                const double raw = spectrum[e] - rules.floor[std::min(e, n - 1)];
                contribution = 0.2 * raw / maxExcess - std::abs(bin - e) / halfWidth;
            }
            endLoop = j == 1 && centreJ > 50.0;
            break;
        }
        c.score += weight * (lowHarmonic ? 1.5 : contribution);
        if (endLoop) break;
    }

    if (shortStage) {
        if (c.score > 0.0) c.score += 1.2 * (6 - order);
        return;
    }
    if (longStage && subHits > harmonics / 2) c.score -= subHits / 2;
    if (harmonics < 8) {
        // Harmonics above the limit are credited with the mean of those examined.
        const double mean = std::max(c.score / harmonics, 0.0);
        for (int k = harmonics + 1; k <= 8; ++k) c.score += (30.0 - k) / 30.0 * mean;
    }
    // Strong even harmonics over weak odd ones point to the octave above.
    if (oddCount > 0 && evenCount > 0 && evenSum / evenCount - 2.0 > oddSum / oddCount)
        c.score -= 1.0;
}

void PitchAnalysis::refineFine(const double* longSpectrum, double scale, double stopThreshold) {
    Candidate& c = best_;
    c.f0 *= scale;
    c.low *= scale;
    c.high *= scale;
    for (int k = 0; k < kBins2048; ++k) {
        const double d = longSpectrum[k] - floor2048_[k];
        excess_[k] = d >= 1.0 ? d : 1.0;
    }

    // Each harmonic's strongest bin inside the interval's multiple narrows the interval.
    const double harmonicsInRange = std::floor(kBins2048 / c.f0);
    for (int i = 1; i < harmonicsInRange && i < 20; ++i) {
        const int first = std::max(static_cast<int>(std::ceil(i * c.low - 1.0)), 0);
        const int end = std::min(static_cast<int>(std::ceil(i * c.high - 1.0)), kBins2048);
        const int b = first + argMax(excess_ + first, end - first);
        if (b < 0 || b >= kBins2048) break;  // the interval left the spectrum
        if (!(excess_[b] > stopThreshold)) break;
        c.low = std::max(c.low, (b - 1.0) / i);
        c.high = std::min(c.high, (b + 2.0) / i);
        c.f0 = (c.low + c.high) / 2.0;
    }

    output_.f0Hz = c.f0 * kLongBinHz;
    output_.f0LowHz = c.low * kLongBinHz;
    output_.f0HighHz = c.high * kLongBinHz;
    output_.score = c.score;
}

void PitchAnalysis::refineByLag(const Ring44& ring, int position) {
    const double tuning = settings_.tuning;
    const double nLow = freqToNote(output_.f0LowHz, tuning);
    const double nHigh = freqToNote(output_.f0HighHz, tuning);
    const auto [lagMin, lagMax, length] = lagSearch(output_.f0LowHz, output_.f0HighHz);
    // An interval already narrower than a twentieth of a semitone, or an undefined one, stays.
    if (!(nHigh - nLow > 0.05) || lagMax - lagMin <= 1 || length <= 0) return;

    // The newest `length` samples, oldest first, read straight through the ring's mirror.
    const int start = ((position - length) % Ring44::kSize + Ring44::kSize) % Ring44::kSize;
    double* x = lagSamples_.get();
    for (int k = 0; k < length; ++k) x[k] = ring.data[start + k];

    const int lag = correlation_.bestLag(x, length, lagMin, lagMax);
    const double fA = kSampleRate / (lag + 0.5);
    const double fB = kSampleRate / (lag - 0.5);
    const double nA = freqToNote(fA, tuning);
    const double nB = freqToNote(fB, tuning);
    if (nLow - 0.1 < nA && nA < nHigh + 0.1) output_.f0LowHz = fA;
    if (nLow - 0.1 < nB && nB < nHigh + 0.1) output_.f0HighHz = fB;
    output_.f0Hz = (output_.f0LowHz + output_.f0HighHz) / 2.0;
}

int PitchAnalysis::trackPrevious(const Ring44& ring, int position, double p) {
    if (p < 20.5 || p > 108.5) return 0;
    output_ = StageResult{};
    output_.f0LowHz = noteToFreq(p - 2.0, settings_.tuning);
    output_.f0HighHz = noteToFreq(p + 2.0, settings_.tuning);
    refineByLag(ring, position);
    output_.score = 0.0;
    return 1;
}

}  // namespace tonik
