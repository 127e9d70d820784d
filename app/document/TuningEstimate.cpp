#include "TuningEstimate.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace hummwell {

namespace {

constexpr int kShortestCounted = 9;  // frames: a note of 100 ms has a steady middle
constexpr int kFewestNotes = 3;

double folded(double pitch) {
    while (pitch < 20.5) pitch += 12.0;
    while (pitch > 108.5) pitch -= 12.0;
    return pitch;
}

}  // namespace

std::optional<TuningEstimate> estimateTuning(const FrameTrack& track, int first, int count) {
    const int end = std::clamp(first + std::max(count, 0), 0, track.frameCount());
    first = std::clamp(first, 0, end);
    double c = 0.0, s = 0.0, weight = 0.0;
    int notes = 0;
    std::vector<double> middle;
    for (int a = first; a < end;) {
        if (track.mark[a] != kMarkOnset) {
            ++a;
            continue;
        }
        int b = a + 1;
        while (b < end && track.mark[b] == kMarkContinue) ++b;
        const int length = b - a;
        if (length >= kShortestCounted) {
            // The attack's scoop and the release's fall stay out.
            const int from = a + std::min(length / 4, 8), to = b - std::max(1, length * 15 / 100);
            middle.clear();
            for (int i = from; i < to; ++i)
                if (track.pitch[i] >= 1.0) middle.push_back(track.pitch[i]);
            if (middle.size() >= 4) {
                std::nth_element(middle.begin(), middle.begin() + static_cast<std::ptrdiff_t>(middle.size() / 2), middle.end());
                const double m = middle[middle.size() / 2];
                const double angle = 2.0 * std::numbers::pi * (m - std::round(m));
                c += length * std::cos(angle);
                s += length * std::sin(angle);
                weight += length;
                ++notes;
            }
        }
        a = b;
    }
    if (notes < kFewestNotes || weight <= 0.0) return std::nullopt;
    const double cents = std::atan2(s, c) / (2.0 * std::numbers::pi) * 100.0;
    return TuningEstimate{cents, std::hypot(c, s) / weight, notes};
}

bool worthRetuning(const TuningEstimate& estimate) {
    // Ten cents is within what anyone hears as in tune; notes that scatter widely (an
    // agreement of 0.3 is a spread of about 25 cents) leave the reference unclear.
    return estimate.notes >= 4 && estimate.agreement >= 0.3 && std::abs(estimate.cents) >= 10.0;
}

void retune(FrameTrack& track, int first, int count, double cents) {
    const int end = std::clamp(first + std::max(count, 0), 0, track.frameCount());
    first = std::clamp(first, 0, end);
    const double shift = -cents / 100.0;
    const bool evidence = track.evidenceInStep();
    for (int i = first; i < end; ++i) {
        if (track.pitch[i] >= 1.0) track.pitch[i] = folded(track.pitch[i] + shift);
        if (evidence && track.evidence[i].known && track.evidence[i].pitch >= 1.0)
            track.evidence[i].pitch = folded(track.evidence[i].pitch + shift);
    }
}

}  // namespace hummwell
