#include "LiveTranscriber.h"

#include <algorithm>
#include <cmath>

namespace hummwell {

namespace {

constexpr double kOnsetClarity = 4.0;   // an onset needs a clear pitch in the next frame
constexpr double kGlitchSemitones = 2.0;
constexpr double kNewNoteSemitones = 5.0;

}  // namespace

double takePitch(double enginePitch, const ProjectSettings& settings) {
    double p = enginePitch;
    if (p > 1.0) {
        p -= (100 - settings.get(Setting::RefKeyAdjust)) * 0.01;
        p -= (settings.get(Setting::Transpose) - 5) * 12.0;
        while (p < 20.5) p += 12.0;
        while (p > 108.5) p -= 12.0;
    }
    return p;
}

FrameEvidence lookAheadEvidence(const HeardBlock& block, const ProjectSettings& settings) {
    return {block.level, takePitch(block.pitch, settings), block.clarity, true, true, block.periodicity};
}

void LiveTranscriber::start(int countIn) {
    countInStart_ = countInLeft_ = -std::max(countIn, 0);
    firstFrame_ = true;
}

LiveTranscriber::CountIn LiveTranscriber::countIn() {
    if (countInLeft_ >= 0) return CountIn::Over;
    const bool first = countInLeft_ == countInStart_;
    ++countInLeft_;
    return first ? CountIn::First : CountIn::Later;
}

TickKind LiveTranscriber::tick(int frame, const ProjectSettings& settings) {
    constexpr double kTickLeadMs = 130.0;  // ticks sound ahead of the frame being stored
    int p = countInLeft_ + frame;
    while (p < 0) p = static_cast<int>(std::trunc(p + settings.measureMs() * kFramesPerMs));
    return tickAt(frameToMs(p) + kTickLeadMs, settings.beatMs(), settings.measureMs(), ticks_);
}

LiveTranscriber::Decided LiveTranscriber::decide(const FrameResult& result, const ProjectSettings& settings) {
    if (firstFrame_) {
        r1_ = r0_ = Record{};
        firstFrame_ = false;
    }
    r2_ = r1_;
    r1_ = r0_;
    const double heard = takePitch(result.pitch, settings);
    r0_ = Record{result.level, heard, heard, result.clarity, result.noteState};

    decideFrame();

    const double v = (r1_.level - levels.noiseLevel) / levels.levelSpan;
    const double volume = (r1_.pitch >= 1.0 && v >= 0.0) ? std::min(v, 127.0) : 0.0;
    return {Frame{r1_.pitch, 0, volume, r1_.noteState, 0}, FrameEvidence{r1_.level, r1_.heardPitch, r1_.clarity, true, false, {}}};
}

void LiveTranscriber::decideFrame() {
    Record& r1 = r1_;
    const Record& r2 = r2_;
    const Record& r0 = r0_;
    const auto silence = [&r1] {
        r1.pitch = 0.0;
        r1.noteState = kMarkRest;
    };

    int m = r1.noteState;
    if (r1.level < levels.noiseLevel) {
        silence();
        return;
    }
    if (r1.level < levels.onsetLevel && r2.noteState == kMarkRest) {
        silence();  // too quiet to start a note after a rest
        return;
    }
    if (r1.level >= levels.onsetLevel && r2.noteState == kMarkRest) m = kMarkOnset;
    if (r2.noteState == kMarkOnset && m == kMarkOnset) m = kMarkContinue;

    // A missing pitch is filled from the neighbours.
    if (r1.pitch < 1.0) {
        if (m == kMarkOnset) {
            if (r0.pitch < 20.5 || r0.level < levels.noiseLevel || r0.clarity < kOnsetClarity)
                m = kMarkRest;
            else
                r1.pitch = r0.pitch;
        }
        if (r1.pitch < 1.0 && m == kMarkContinue) {
            if (r2.pitch > 1.0 && r0.pitch > 1.0) r1.pitch = (r2.pitch + r0.pitch) * 0.5;
            else if (r0.pitch > 1.0) r1.pitch = r0.pitch;
            else r1.pitch = r2.pitch;
        }
    }

    // Smoothing of one-frame glitches, then a split where the pitch moves on for good.
    if (m == kMarkContinue && r1.pitch > 1.0) {
        if (r1.pitch > r2.pitch + kGlitchSemitones || r1.pitch < r2.pitch - kGlitchSemitones) {
            if (r0.noteState == kMarkRest)
                r1.pitch = r2.pitch;
            else if (r0.pitch - kGlitchSemitones < r2.pitch && r2.pitch < r0.pitch + kGlitchSemitones)
                r1.pitch = (r2.pitch + r0.pitch) * 0.5;
            else if (r0.pitch - kGlitchSemitones < r1.pitch && r1.pitch < r0.pitch + kGlitchSemitones)
                r1.pitch = r0.pitch;
            else
                r1.pitch = r2.pitch;
        }
        if (r1.pitch > r2.pitch + kNewNoteSemitones || r1.pitch < r2.pitch - kNewNoteSemitones)
            m = kMarkOnset;
    }
    // A note must last at least two frames: an onset stands only before a continuation.
    if (m == kMarkOnset && r0.noteState != kMarkContinue) {
        silence();
        return;
    }
    r1.noteState = m;
}

}  // namespace hummwell
