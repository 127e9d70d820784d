#include "FrameTrack.h"

#include <cmath>
#include <cstdio>

#include <algorithm>
#include <cmath>

namespace hummwell {

std::string frameTime(long long frames) {
    const double seconds = static_cast<double>(frames) * kFrameMs / 1000.0;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%04.1f", static_cast<int>(seconds / 60.0),
                  seconds - 60.0 * std::floor(seconds / 60.0));
    return text;
}

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

namespace {

// Overwrites what the two ranges share, then erases the surplus or inserts the rest, so that
// the frames after the range move at most once.
template <typename Column>
void replaceRange(Column& into, int first, int count, const Column& with) {
    const auto k = static_cast<std::ptrdiff_t>(with.size());
    const auto common = std::min<std::ptrdiff_t>(count, k);
    const auto at = into.begin() + first;
    std::copy_n(with.begin(), common, at);
    if (count > k) into.erase(at + k, at + count);
    else into.insert(at + count, with.begin() + count, with.end());
}

}  // namespace

void FrameTrack::replace(int first, int count, const FrameTrack& with) {
    if (evidenceInStep()) {
        if (with.evidenceInStep())
            replaceRange(evidence, first, count, with.evidence);
        else
            replaceRange(evidence, first, count, std::vector<FrameEvidence>(with.pitch.size()));
    }
    replaceRange(pitch, first, count, with.pitch);
    replaceRange(note, first, count, with.note);
    replaceRange(volume, first, count, with.volume);
    replaceRange(mark, first, count, with.mark);
    replaceRange(reserved, first, count, with.reserved);
}

FrameTrack FrameTrack::slice(int first, int end) const {
    FrameTrack out;
    out.clear();
    out.pitch.assign(pitch.begin() + first, pitch.begin() + end);
    out.note.assign(note.begin() + first, note.begin() + end);
    out.volume.assign(volume.begin() + first, volume.begin() + end);
    out.mark.assign(mark.begin() + first, mark.begin() + end);
    out.reserved.assign(reserved.begin() + first, reserved.begin() + end);
    if (evidenceInStep()) out.evidence.assign(evidence.begin() + first, evidence.begin() + end);
    return out;
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
