#include "LookAhead.h"

#include <algorithm>
#include <cmath>

namespace hummwell {

namespace {

InputLevels percentiles(std::vector<double>& levels) {
    if (levels.empty()) return {-50.0, -50.0};
    std::sort(levels.begin(), levels.end());
    return {levels[levels.size() / 50], levels[levels.size() * 9 / 10]};
}

double heldLevel(const int16_t* block) {
    const double level = blockLevel(block);
    return std::isnan(level) ? -200.0 : std::max(level, -200.0);
}

}  // namespace

double blockLevel(const int16_t* block) {
    const auto [lo, hi] = std::minmax_element(block, block + kBlockSamples);
    return 20.0 * std::log((*hi / 32767.0 - *lo / 32767.0) / 2.0);
}

InputLevels inputLevels(const int16_t* samples, size_t count) {
    std::vector<double> levels;
    levels.reserve(count / kBlockSamples + 1);
    std::vector<int16_t> last(kBlockSamples, 0);
    for (size_t at = 0; at < count; at += kBlockSamples) {
        if (count - at >= static_cast<size_t>(kBlockSamples)) {
            levels.push_back(heldLevel(samples + at));
        } else {
            std::copy(samples + at, samples + count, last.begin());
            levels.push_back(heldLevel(last.data()));
        }
    }
    return percentiles(levels);
}

InputLevels inputLevels(const SampleReader& read, size_t maxBlocks) {
    std::vector<double> levels;
    std::vector<int16_t> block(kBlockSamples);
    while (levels.size() < maxBlocks) {
        const size_t got = read(block.data(), kBlockSamples);
        if (got == 0) break;
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(got), block.end(), int16_t{0});
        levels.push_back(heldLevel(block.data()));
        if (got < static_cast<size_t>(kBlockSamples)) break;
    }
    return percentiles(levels);
}

int lookAheadPitchLevel(const InputLevels& levels) {
    // Noise close under the singing needs the finest pitch detection to be heard through;
    // a clean take is read more strictly, so that faint partials and decays stay out.
    const double t = std::clamp((levels.loud - levels.quiet - 30.0) / 30.0, 0.0, 1.0);
    return static_cast<int>(std::lround(kLookAheadPitchLevel + t * (kLookAheadCleanPitchLevel - kLookAheadPitchLevel)));
}

AnalysisLevels lookAheadLevels(const InputLevels& levels, double liveGate) {
    return {std::min(levels.quiet + kLookAheadGateAboveFloor, liveGate), lookAheadPitchLevel(levels)};
}

}  // namespace hummwell
