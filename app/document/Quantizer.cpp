#include "Quantizer.h"

#include "Scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace hummwell {

namespace {

constexpr int kShortNote = 5;  // frames; shorter notes get one note number in Relative mode

struct Snapper {
    int scale;
    int keyOffset;
    int operator()(double pitch) const { return snapToNote(pitch, scale, keyOffset); }
};

// End of the note that starts at s: the next frame whose mark is not a continuation, or end.
int noteEnd(const FrameTrack& t, int s, int end) {
    int e = s + 1;
    while (e < end && t.mark[e] == kMarkContinue) ++e;
    return e;
}

double meanPitch(const FrameTrack& t, int first, int end) {
    double sum = 0.0;
    for (int i = first; i < end; ++i) sum += t.pitch[i];
    return sum / (end - first);
}

void wholeNoteOfMean(FrameTrack& t, const Snapper& snap, int s, int e) {
    const int note = snap(meanPitch(t, s, e));
    std::fill(t.note.begin() + s, t.note.begin() + e, note);
}

int truncatedDistance(double a, double b) { return std::abs(static_cast<int>(std::trunc(a - b))); }

// A run of exactly k equal notes at i .. i + k - 1 with other notes on both sides, the sides
// inside the note s .. e - 1.
bool isIsland(const FrameTrack& t, int s, int e, int i, int k) {
    if (i - 1 < s || i + k > e - 1) return false;
    const int n = t.note[i];
    for (int j = i + 1; j < i + k; ++j)
        if (t.note[j] != n) return false;
    return t.note[i - 1] != n && t.note[i + k] != n;
}

void setRun(FrameTrack& t, int i, int k, int note) {
    std::fill(t.note.begin() + i, t.note.begin() + i + k, note);
}

// One- and two-frame islands go to the neighbour whose pitch is nearer, over and over until
// none is left; each change merges two runs, so this ends.
void cleanShortIslands(FrameTrack& t, int s, int e, int k) {
    bool changed = true;
    while (changed) {
        changed = false;
        for (int i = s + 1; i + k <= e - 1; ++i) {
            if (!isIsland(t, s, e, i, k)) continue;
            const int left = t.note[i - 1];
            const int right = t.note[i + k];
            int target = left;
            if (left != right) {
                const int dL = truncatedDistance(t.pitch[i], t.pitch[i - 1]);
                const int dR = truncatedDistance(t.pitch[i + k - 1], t.pitch[i + k]);
                target = dL < dR ? left : right;
            }
            setRun(t, i, k, target);
            changed = true;
        }
    }
    // The note's ends have a neighbour on one side only: they follow the frame k further in.
    if (t.note[s] != t.note[s + k]) t.note[s] = t.note[s + k];
    if (t.note[e - 1] != t.note[e - 1 - k]) t.note[e - 1] = t.note[e - 1 - k];
}

// Three- and four-frame islands move only onto a neighbour whose run sounds the same note:
// one sweep, and an island that matches neither side stays.
void cleanLongIslands(FrameTrack& t, int s, int e, int k) {
    for (int i = s + 1; i + k <= e - 1; ++i) {
        if (!isIsland(t, s, e, i, k)) continue;
        const int left = t.note[i - 1];
        const int right = t.note[i + k];
        if (left == right) {
            setRun(t, i, k, left);
            continue;
        }
        int leftFirst = i - 1;
        while (leftFirst > s && t.note[leftFirst - 1] == left) --leftFirst;
        int rightEnd = i + k + 1;
        while (rightEnd < e && t.note[rightEnd] == right) ++rightEnd;
        const double island = meanPitch(t, i, i + k);
        const int dL = truncatedDistance(island, meanPitch(t, leftFirst, i));
        const int dR = truncatedDistance(island, meanPitch(t, i + k, rightEnd));
        if (dL < dR && dL == 0) setRun(t, i, k, left);
        else if (dR == 0) setRun(t, i, k, right);
    }
}

void relativeNote(FrameTrack& t, const Snapper& snap, int s, int e) {
    if (e - s < kShortNote) {
        wholeNoteOfMean(t, snap, s, e);
        return;
    }
    cleanShortIslands(t, s, e, 1);
    cleanShortIslands(t, s, e, 2);
    cleanLongIslands(t, s, e, 3);
    cleanLongIslands(t, s, e, 4);
}

}  // namespace

Stretch requantize(FrameTrack& track, const ProjectSettings& settings, int first, int count) {
    const int n = track.frameCount();
    const int end = std::clamp(first + std::max(count, 0), 0, n);
    first = std::clamp(first, 0, end);
    const int mode = settings.get(Setting::QuantizeMode);
    const Snapper snap{settings.get(Setting::Scale), settings.keyOffset()};

    if (mode == kBasic || mode == kRelative) {
        for (int i = first; i < end; ++i) track.note[i] = snap(track.pitch[i]);
    }
    if (mode == kNoteQuantize) {
        std::fill(track.note.begin() + first, track.note.begin() + end, 0);
        for (int s = first; s < end; ++s) {
            if (track.mark[s] != kMarkOnset) continue;
            const int e = noteEnd(track, s, end);
            wholeNoteOfMean(track, snap, s, e);
            s = e - 1;
        }
    }
    if (mode == kRelative) {
        for (int s = first; s < end; ++s) {
            if (track.mark[s] != kMarkOnset) continue;
            const int e = noteEnd(track, s, end);
            // A note cut by the range end stays; one whose closing mark lies just at the
            // range end is whole.
            const bool closed = e < end || (e < n && track.mark[e] != kMarkContinue);
            if (closed) relativeNote(track, snap, s, e);
            s = e - 1;
        }
    }
    return widenToNotes(track, mode, first, end - first);
}

Stretch widenToNotes(const FrameTrack& track, int mode, int first, int count) {
    const int n = track.frameCount();
    int end = std::clamp(first + std::max(count, 0), 0, n);
    first = std::clamp(first, 0, end);
    if (mode == kRelative || mode == kNoteQuantize) {
        while (first > 0 && first < n && track.mark[first] == kMarkContinue) --first;
        while (end < n && track.mark[end] == kMarkContinue) ++end;
    }
    return {first, end - first};
}

}  // namespace hummwell
