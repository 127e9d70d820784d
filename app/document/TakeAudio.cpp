#include "TakeAudio.h"

#include "LiveTranscriber.h"
#include "LookAhead.h"
#include "Periodicity.h"

#include <algorithm>

namespace hummwell {

void TakeAudio::begin(int blocks) {
    std::vector<int16_t>().swap(samples_);  // exactly this take's room, not the last one's
    samples_.reserve(static_cast<size_t>(std::max(blocks, 0)) * kBlockSamples);
}

void TakeAudio::keep(const double* block) {
    if (!block || samples_.size() + kBlockSamples > samples_.capacity()) return;
    for (int i = 0; i < kBlockSamples; ++i) samples_.push_back(takeSample(block[i]));
}

std::vector<FrameEvidence> TakeAudio::hearAgain(PitchInput& input, double liveGate,
                                                const ProjectSettings& settings) const {
    std::vector<FrameEvidence> evidence;
    if (samples_.size() < static_cast<size_t>(kBlockSamples)) return evidence;
    const AnalysisLevels at = lookAheadLevels(inputLevels(samples_.data(), samples_.size()), liveGate);
    std::vector<HeardBlock> heard = input.hear(samples_, at);
    PeriodicityMeter meter;
    evidence.reserve(heard.size());
    for (size_t b = 0; b < heard.size(); ++b) {
        meter.append(samples_.data() + b * kBlockSamples, kBlockSamples);
        if (heard[b].pitch >= 1.0) heard[b].periodicity = meter.measure((b + 1) * kBlockSamples, heard[b].pitch);
        evidence.push_back(lookAheadEvidence(heard[b], settings));
    }
    return evidence;
}

}  // namespace hummwell
