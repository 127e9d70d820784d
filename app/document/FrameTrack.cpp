#include "FrameTrack.h"

#include <algorithm>
#include <cmath>

namespace hummwell {

int frameToMs(int frame) { return static_cast<int>(std::trunc(frame * kFrameMs)); }

void FrameTrack::clear() {
    pitch.clear();
    note.clear();
    volume.clear();
    mark.clear();
    reserved.clear();
    evidence.clear();
}

void FrameTrack::reserve(int frames) {
    const size_t n = static_cast<size_t>(std::max(frames, 0));
    pitch.reserve(n);
    note.reserve(n);
    volume.reserve(n);
    mark.reserve(n);
    reserved.reserve(n);
    evidence.reserve(n);
}

void FrameTrack::reset() {
    clear();
    append(Frame{});
}

void FrameTrack::append(const Frame& f, const FrameEvidence& e) {
    if (evidenceInStep()) evidence.push_back(e);
    pitch.push_back(f.pitch);
    note.push_back(f.note);
    volume.push_back(f.volume);
    mark.push_back(f.mark);
    reserved.push_back(f.reserved);
}

void FrameTrack::insert(int at, const Frame& f, const FrameEvidence& e) {
    if (evidenceInStep()) evidence.insert(evidence.begin() + at, e);
    pitch.insert(pitch.begin() + at, f.pitch);
    note.insert(note.begin() + at, f.note);
    volume.insert(volume.begin() + at, f.volume);
    mark.insert(mark.begin() + at, f.mark);
    reserved.insert(reserved.begin() + at, f.reserved);
}

void FrameTrack::erase(int first, int count) {
    if (evidenceInStep()) evidence.erase(evidence.begin() + first, evidence.begin() + first + count);
    pitch.erase(pitch.begin() + first, pitch.begin() + first + count);
    note.erase(note.begin() + first, note.begin() + first + count);
    volume.erase(volume.begin() + first, volume.begin() + first + count);
    mark.erase(mark.begin() + first, mark.begin() + first + count);
    reserved.erase(reserved.begin() + first, reserved.begin() + first + count);
}

void FrameTrack::cutTo(int maxFrames) {
    const int n = frameCount();
    if (n <= maxFrames || maxFrames < 1) return;
    erase(maxFrames - 1, n - maxFrames);
}

FrameTrack::Span FrameTrack::noteAround(int i) const {
    if (mark[i] == kMarkRest) return {i, i};
    int first = i;
    while (first > 0 && mark[first] == kMarkContinue) --first;
    if (mark[first] != kMarkOnset) return {i, i};  // continuation frames without an onset
    int end = i + 1;
    while (end < frameCount() && mark[end] == kMarkContinue) ++end;
    return {first, end};
}

}  // namespace hummwell
