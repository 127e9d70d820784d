#include "Scale.h"

#include "FrameTrack.h"

#include <cmath>

namespace hummwell {

int snapToNote(double pitch, int scaleIndex, int keyOffset) {
    if (scaleIndex == 0) {
        const double rounded = std::floor(pitch + 0.5);
        if (!(rounded > 1.0)) return rounded >= 0.0 ? static_cast<int>(rounded) : 0;
        if (rounded > 108.0) return 108;
        if (rounded < 21.0) return 21;
        return static_cast<int>(rounded);
    }
    if (!(pitch > 1.0)) return 0;
    double p = pitch;
    if (p > 108.0) p = 108.0;
    else if (p < 21.0) p = 21.0;
    int base = (12 - keyOffset) % 12;
    while (p - base >= 12.0) base += 12;
    const double r = p - base;
    // The degrees of the major scale, each taking the pitches nearest to it.
    int degree = 12;
    if (r < 1.0) degree = 0;
    else if (r < 3.0) degree = 2;
    else if (r < 4.5) degree = 4;
    else if (r < 6.0) degree = 5;
    else if (r < 8.0) degree = 7;
    else if (r < 10.0) degree = 9;
    else if (r < 11.5) degree = 11;
    return base + degree;
}

TickKind tickAt(double ms, double beatMs, double measureMs, TickFlags& flags) {
    const double beats = ms / beatMs;
    const double fb = beats - std::floor(beats);
    if (!(fb < kFrameMs / beatMs)) {
        flags.beatArmed = true;
        return kNoTick;
    }
    const double measures = ms / measureMs;
    const double fm = measures - std::floor(measures);
    if (!(fm < kFrameMs / measureMs)) {
        flags.measureArmed = true;
        if (flags.beatArmed) {
            flags.beatArmed = false;
            return kBeatTick;
        }
        return kNoTick;
    }
    if (flags.measureArmed) {
        flags.measureArmed = false;
        return kMeasureTick;
    }
    return kNoTick;
}

}  // namespace hummwell
