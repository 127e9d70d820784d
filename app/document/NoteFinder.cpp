#include "NoteFinder.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hummwell {

namespace {

constexpr int kOctaveWindow = 7;        // frames each side of the median a flip is judged by
constexpr double kStrayStep = 3.0;      // semitones: a few frames this far off are a mistake
constexpr int kStrayRun = 3;            // ... when no more than this many in a row
constexpr int kWideWindow = 20;         // frames each side for runs far off
constexpr double kFarStep = 9.0;        // semitones: far off, as no sung note stays so briefly
constexpr int kFarRun = 10;             // frames such a run may last
constexpr double kDecayDrop = 30.0;     // library dB below a note's loudest frame: its decay
constexpr double kEdgeStray = 0.75;     // semitones an edge frame may differ from its note
constexpr int kBridgedFrames = 2;       // a dropout of 23 ms is a missed frame, not a rest
constexpr double kBridgedStep = 2.0;    // semitones across a bridged dropout, at most
constexpr int kShortestSung = 5;        // a voiced stretch under 58 ms is a click or a breath
constexpr int kShortestNote = 4;        // a pitch held 46 ms is a note of its own
constexpr int kLongestNote = 2000;      // frames the search looks back for a note's start
constexpr double kNoteCost = 3.0;       // semitones squared: what a note must save to exist
constexpr double kSameNote = 0.5;       // neighbours closer than this in mean are one note
constexpr int kGlideFrames = 12;        // a note shorter than 139 ms may be a glide ...
constexpr double kGlideRange = 1.0;     // ... when its contour moves this far (semitones)
// How well the audio repeats (normalised autocorrelation) decides octaves and voicing.
constexpr double kOctaveUpShare = 0.96;     // half the period repeats nearly as well: too low
constexpr double kOctaveUpLeast = 0.5;
constexpr double kOctaveDownMargin = 0.3;   // only twice the period repeats: too high
constexpr double kOctaveDownLeast = 0.6;
constexpr double kVoicedNote = 0.5;         // a note repeating less than this is noise
// Onsets from the level (library dB; 8.7 of them are 1 dB).
constexpr double kAttackDepth = 30.0;       // under a note's early peak: not yet its vowel
constexpr int kPeakSpan = 20;               // frames a note's early peak is taken over
constexpr int kMurmurFrames = 8;            // frames a quiet murmur may delay an onset
constexpr double kConsonantDip = 20.0;      // a dip this deep on both sides is a consonant
constexpr int kDipReach = 8;                // frames either side of a pitch boundary it is looked for
constexpr double kVowelClimb = 0.2;         // share of the way out of the dip the vowel starts at
constexpr double kVowelFall = 0.5;          // share of the way into it the vowel before ends at
constexpr double kHeldPitch = 0.5;          // semitones from a note's median: where it holds
constexpr int kGlideSteps = 4;              // frames between two held pitches: a glide
constexpr int kGlideLeadFrames = 3;

struct Sums {
    std::vector<double> s1, s2;
    explicit Sums(const std::vector<double>& x) : s1(x.size() + 1, 0.0), s2(x.size() + 1, 0.0) {
        for (size_t i = 0; i < x.size(); ++i) {
            s1[i + 1] = s1[i] + x[i];
            s2[i + 1] = s2[i] + x[i] * x[i];
        }
    }
    double mean(int a, int b) const { return (s1[b] - s1[a]) / (b - a); }
    // Squared distance of frames a .. b - 1 from their mean.
    double spread(int a, int b) const {
        const double n = b - a, s = s1[b] - s1[a];
        return std::max(0.0, (s2[b] - s2[a]) - s * s / n);
    }
};

double median(std::vector<double> v) {
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    return v[mid];
}

// The end of the note whose onset is frame s: the first frame after it that is no continuation.
int noteEndAfter(const std::vector<int32_t>& mark, int s) {
    const int n = static_cast<int>(mark.size());
    int e = s + 1;
    while (e < n && mark[e] == kMarkContinue) ++e;
    return e;
}

// The loudest level of frames a .. b - 1 that have one; minus infinity when none has.
double peakLevel(const std::vector<double>& level, int a, int b) {
    double peak = -std::numeric_limits<double>::infinity();
    for (int i = a; i < b; ++i)
        if (!std::isnan(level[i])) peak = std::max(peak, level[i]);
    return peak;
}

// How far the contour of frames a .. b - 1 travels: the range of its three-frame averages.
double travel(const std::vector<double>& x, int a, int b) {
    double lo = std::numeric_limits<double>::max(), hi = -lo;
    for (int i = a; i < b; ++i) {
        const int l = std::max(a, i - 1), r = std::min(b - 1, i + 1);
        double sum = 0.0;
        for (int j = l; j <= r; ++j) sum += x[j];
        const double m = sum / (r - l + 1);
        lo = std::min(lo, m);
        hi = std::max(hi, m);
    }
    return hi - lo;
}

// The first blocks of a note still hear the note before it (the analysis looks back 93 ms),
// and the last ones hear its decay: up to two frames at each end of a voiced stretch that
// stray from the pitch just inside take that pitch.
void repairEdges(std::vector<double>& x, int a, int b) {
    constexpr int kEdge = 2, kInside = 8;
    if (b - a < kEdge + kInside) return;
    const double head = median(std::vector<double>(x.begin() + a + kEdge, x.begin() + a + kEdge + kInside));
    for (int i = a; i < a + kEdge; ++i)
        if (std::abs(x[i] - head) > kEdgeStray) x[i] = head;
    const double tail = median(std::vector<double>(x.begin() + b - kEdge - kInside, x.begin() + b - kEdge));
    for (int i = b - kEdge; i < b; ++i)
        if (std::abs(x[i] - tail) > kEdgeStray) x[i] = tail;
}

// An instrument rings on after its note ends, and a room answers a voice: the frames at the end
// of a note that have fallen far below its loudest are its decay, not the note.
void trimDecays(std::vector<int32_t>& mark, std::vector<double>& pitch, const std::vector<double>& level) {
    const double drop = kDecayDrop;
    const int n = static_cast<int>(mark.size());
    for (int s = 0; s < n; ++s) {
        if (mark[s] != kMarkOnset) continue;
        const int e = noteEndAfter(mark, s);
        const double peak = peakLevel(level, s, e);
        int end = e;
        while (end - s > kShortestNote && !std::isnan(level[end - 1]) && level[end - 1] < peak - drop) --end;
        for (int i = end; i < e; ++i) {
            mark[i] = kMarkRest;
            pitch[i] = 0.0;
        }
        s = e - 1;
    }
}

// The analysis hears a note's pitch a few blocks after the note begins: each onset moves that
// far back, over rests before it or into the end of the note before (which keeps at least its
// shortest length), and the frames it takes sound its first pitch. Onsets already placed by
// the level stay.
void leadOnsets(std::vector<int32_t>& mark, std::vector<double>& pitch, const std::vector<bool>& placed) {
    const int n = static_cast<int>(mark.size());
    for (int a = 1; a < n; ++a) {
        if (mark[a] != kMarkOnset || placed[a]) continue;
        int to = a;
        if (mark[a - 1] == kMarkRest) {
            // Over rests only, leaving one between this note and the one before.
            while (to > 0 && a - to < notefinder::kOnsetLeadFrames && mark[to - 1] == kMarkRest &&
                   (to - 2 < 0 || mark[to - 2] == kMarkRest))
                --to;
        } else {
            int start = a - 1;
            while (start > 0 && mark[start] != kMarkOnset) --start;
            to = std::max(a - notefinder::kLegatoLeadFrames, start + kShortestNote);
        }
        if (to >= a) continue;
        for (int i = to; i < a; ++i) {
            mark[i] = kMarkContinue;
            pitch[i] = pitch[a];
        }
        mark[to] = kMarkOnset;
        mark[a] = kMarkContinue;
    }
}

// The engine's pitch of a frame, moved an octave where the audio repeats better there: at half
// its period (it heard a subharmonic, as low strings, tubas and bassoons with a weak
// fundamental give it) or only at twice its period (it heard the second harmonic). With it
// comes how well the audio repeats at the pitch chosen; NaN where the audio was not measured.
struct Heard {
    double pitch;
    double voicing;
};
Heard heardPitch(const FrameEvidence& e) {
    const Periodicity& q = e.periodicity;
    const double unknown = std::numeric_limits<double>::quiet_NaN();
    if (e.pitch < 1.0) return {0.0, e.lookAhead ? 0.0 : unknown};  // heard whole, and no pitch
    if (q.atPitch == 0.0f && q.octaveUp == 0.0f && q.octaveDown == 0.0f) return {e.pitch, unknown};
    if (q.octaveUp > kOctaveUpLeast && q.octaveUp >= kOctaveUpShare * q.atPitch) return {e.pitch + 12.0, q.octaveUp};
    if (q.octaveDown > kOctaveDownLeast && q.octaveDown > q.atPitch + kOctaveDownMargin)
        return {e.pitch - 12.0, q.octaveDown};
    return {e.pitch, q.atPitch};
}

// Where each note begins, from the level of its frames: the engine hears a pitch some blocks
// after a note starts, but the level of a block is its own. Returns which onsets were placed.
//  - Out of a rest, a note starts on the first frame within kAttackDepth of its early peak: up
//    to three frames before its first pitch, and later when the frames there are far quieter,
//    as a voiced consonant murmuring before the vowel (m, n, l, v) or a breath is, since a
//    sung note starts at its vowel.
//  - After another note, a dip of the level between them is the consonant: the note starts
//    where the level has climbed a fifth of the way out of it, and the dip itself belongs to
//    neither note. Where the level holds (a legato step, a slur), the old note fills the
//    analysis frames a while: the note starts kLegatoLeadFrames before its new pitch was
//    heard, or three frames when the pitch glided over, as a voice does.
std::vector<bool> placeOnsets(std::vector<int32_t>& mark, std::vector<double>& pitch, const std::vector<double>& level) {
    const int n = static_cast<int>(mark.size());
    std::vector<bool> placed(mark.size(), false);
    const auto lv = [&](int i) { return i < 0 || i >= n || std::isnan(level[i]) ? -1000.0 : level[i]; };
    const auto highest = [&](int from, int to) {
        double top = -1000.0;
        for (int i = std::max(from, 0); i < std::min(to, n); ++i) top = std::max(top, lv(i));
        return top;
    };
    // Frames first .. end - 1 become rests.
    const auto silence = [&](int first, int end) {
        for (int i = first; i < end; ++i) {
            mark[i] = kMarkRest;
            pitch[i] = 0.0;
        }
    };
    for (int a = 0; a < n; ++a) {
        if (mark[a] != kMarkOnset) continue;
        int end = a + 1;
        while (end < n && mark[end] == kMarkContinue) ++end;
        const double peak = highest(a, std::min(end, a + kPeakSpan));
        if (peak <= -1000.0) continue;
        int to = a;
        int restFrom = -1;  // the consonant's frames, restFrom .. to - 1, when they are no note's
        if (a == 0 || mark[a - 1] == kMarkRest) {
            const double threshold = peak - kAttackDepth;
            // Back over rests (one kept before a note before), then on over quiet frames.
            while (to > 0 && a - to < notefinder::kOnsetLeadFrames && mark[to - 1] == kMarkRest &&
                   (to - 2 < 0 || mark[to - 2] == kMarkRest) && lv(to - 1) >= threshold)
                --to;
            if (to == a)
                while (to < std::min(a + kMurmurFrames, end - kShortestNote) && lv(to) < threshold) ++to;
            if (to > a) restFrom = a;
        } else {
            int start = a - 1;
            while (start > 0 && mark[start] != kMarkOnset) --start;
            int dip = a;
            for (int i = std::max(start + 1, a - kDipReach); i < std::min(end, a + kDipReach); ++i)
                if (lv(i) < lv(dip)) dip = i;
            const double before = highest(std::max(start, dip - kPeakSpan), dip);
            const double after = highest(dip + 1, std::min(end, dip + kPeakSpan));
            if (before - lv(dip) >= kConsonantDip && after - lv(dip) >= kConsonantDip) {
                to = dip + 1;
                while (to < end - kShortestNote && lv(to) < lv(dip) + kVowelClimb * (after - lv(dip))) ++to;
                int left = std::min(dip, to - 1);
                while (left - 1 >= start + kShortestNote && lv(left - 1) < lv(dip) + kVowelFall * (before - lv(dip)))
                    --left;
                if (left >= start + kShortestNote) restFrom = left;
            } else {
                // Where each note holds, and whether the pitch travelled between them.
                const double m1 = median(std::vector<double>(pitch.begin() + start, pitch.begin() + a));
                const double m2 = median(std::vector<double>(pitch.begin() + a, pitch.begin() + end));
                int last = a - 1;
                while (last > start && std::abs(pitch[last] - m1) > kHeldPitch) --last;
                int reached = a;
                while (reached < end - 1 && std::abs(pitch[reached] - m2) > kHeldPitch) ++reached;
                const bool glided = reached - last - 1 >= kGlideSteps;
                to = a - (glided ? kGlideLeadFrames : notefinder::kLegatoLeadFrames);
            }
            to = std::clamp(to, start + kShortestNote, std::max(start + kShortestNote, end - kShortestNote));
            if (restFrom >= to) restFrom = -1;
        }
        if (to < a) {
            for (int i = to; i <= a; ++i) {
                mark[i] = kMarkContinue;
                pitch[i] = pitch[a];
            }
        } else if (to > a) {
            const bool afterRest = a == 0 || mark[a - 1] == kMarkRest;
            for (int i = a; i < to; ++i) {
                mark[i] = afterRest ? kMarkRest : kMarkContinue;
                pitch[i] = afterRest ? 0.0 : pitch[a - 1];
            }
        }
        if (restFrom >= 0) silence(restFrom, to);
        mark[to] = kMarkOnset;
        placed[to] = true;
        a = std::max(a, to);
    }
    return placed;
}

// A short note far quieter than a note just beside it is the murmur of a voiced consonant
// carrying the pitch from one vowel to the next, or a breath: no note of its own.
void dropMurmurs(std::vector<int32_t>& mark, std::vector<double>& pitch, const std::vector<double>& level) {
    const int n = static_cast<int>(mark.size());
    struct Span {
        int first, end;
        double peak;
    };
    std::vector<Span> notes;
    for (int a = 0; a < n; ++a) {
        if (mark[a] != kMarkOnset) continue;
        const int e = noteEndAfter(mark, a);
        notes.push_back({a, e, peakLevel(level, a, e)});
        a = e - 1;
    }
    for (size_t k = 0; k < notes.size(); ++k) {
        const Span& s = notes[k];
        if (s.end - s.first >= kGlideFrames || !std::isfinite(s.peak)) continue;
        double beside = -std::numeric_limits<double>::infinity();
        if (k > 0 && s.first - notes[k - 1].end <= kPeakSpan) beside = std::max(beside, notes[k - 1].peak);
        if (k + 1 < notes.size() && notes[k + 1].first - s.end <= kPeakSpan) beside = std::max(beside, notes[k + 1].peak);
        if (s.peak < beside - kConsonantDip)
            for (int i = s.first; i < s.end; ++i) {
                mark[i] = kMarkRest;
                pitch[i] = 0.0;
            }
    }
}

// Notes whose audio hardly repeats at their pitch anywhere are noise: rumble, hiss, a
// fricative the engine read a pitch into.
void dropUnvoicedNotes(std::vector<int32_t>& mark, std::vector<double>& pitch, const std::vector<double>& voicing) {
    const int n = static_cast<int>(mark.size());
    std::vector<double> v;
    for (int a = 0; a < n; ++a) {
        if (mark[a] != kMarkOnset) continue;
        const int e = noteEndAfter(mark, a);
        v.clear();
        for (int i = a; i < e; ++i)
            if (!std::isnan(voicing[i])) v.push_back(voicing[i]);
        if (v.size() * 2 > static_cast<size_t>(e - a) && median(v) < kVoicedNote)
            for (int i = a; i < e; ++i) {
                mark[i] = kMarkRest;
                pitch[i] = 0.0;
            }
        a = e - 1;
    }
}

// For each pitched frame, the median of the pitched frames within `reach` of it; 0.0 for an
// unpitched frame or one with fewer than five pitched frames around.
std::vector<double> localMedians(const std::vector<double>& pitch, int reach) {
    const int n = static_cast<int>(pitch.size());
    std::vector<double> around, centre(pitch.size(), 0.0);
    for (int i = 0; i < n; ++i) {
        if (pitch[i] <= 0.0) continue;
        around.clear();
        for (int j = std::max(0, i - reach); j <= std::min(n - 1, i + reach); ++j)
            if (pitch[j] > 0.0) around.push_back(pitch[j]);
        if (around.size() >= 5) centre[i] = median(around);
    }
    return centre;
}

// Runs of at most `longest` pitched frames that lie more than `step` semitones from the median
// of the pitched frames within `reach` of each take that median.
void replaceStrayRuns(std::vector<double>& pitch, int reach, double step, int longest) {
    const int n = static_cast<int>(pitch.size());
    const std::vector<double> centre = localMedians(pitch, reach);
    std::vector<bool> stray(pitch.size(), false);
    for (int i = 0; i < n; ++i) stray[i] = centre[i] > 0.0 && std::abs(pitch[i] - centre[i]) > step;
    for (int i = 0; i < n;) {
        if (!stray[i]) {
            ++i;
            continue;
        }
        int e = i;
        while (e < n && stray[e]) ++e;
        if (e - i <= longest)
            for (int j = i; j < e; ++j) pitch[j] = centre[j];
        i = e;
    }
}

}  // namespace

namespace notefinder {

void foldOctaveFlips(std::vector<double>& pitch) {
    const std::vector<double> centre = localMedians(pitch, kOctaveWindow);
    for (size_t i = 0; i < pitch.size(); ++i) {
        if (centre[i] <= 0.0) continue;
        const double d = pitch[i] - centre[i];
        for (const double jump : {12.0, 19.0, 24.0, -12.0, -19.0, -24.0})
            if (std::abs(d - jump) < 1.0) {
                pitch[i] -= jump;
                break;
            }
    }
    // A few frames a little off, or a longer run far off, from everything around them (a
    // subharmonic in noise, the first frame of an attack) take the pitch around them instead
    // of pulling their note's mean away; a longer run a little off is a note of its own.
    replaceStrayRuns(pitch, kOctaveWindow, kStrayStep, kStrayRun);
    replaceStrayRuns(pitch, kWideWindow, kFarStep, kFarRun);
}

void bridgeDropouts(std::vector<double>& pitch, int frames) {
    const int n = static_cast<int>(pitch.size());
    for (int i = 1; i < n; ++i) {
        if (pitch[i] > 0.0 || pitch[i - 1] <= 0.0) continue;
        int e = i;
        while (e < n && pitch[e] <= 0.0) ++e;
        if (e < n && e - i <= frames && std::abs(pitch[e] - pitch[i - 1]) <= kBridgedStep) {
            for (int j = i; j < e; ++j)
                pitch[j] = pitch[i - 1] + (pitch[e] - pitch[i - 1]) * (j - i + 1) / (e - i + 1);
        }
        i = e;
    }
}

std::vector<int> segment(const std::vector<double>& x) {
    const int n = static_cast<int>(x.size());
    if (n < 2 * kShortestNote) return {0};
    const Sums sums(x);

    // best[e]: the least cost of cutting frames 0 .. e - 1 into notes; from[e]: where the last
    // of them starts.
    std::vector<double> best(n + 1, std::numeric_limits<double>::infinity());
    std::vector<int> from(n + 1, 0);
    best[0] = 0.0;
    for (int e = kShortestNote; e <= n; ++e) {
        for (int s = std::max(0, e - kLongestNote); s <= e - kShortestNote; ++s) {
            if (!std::isfinite(best[s])) continue;
            const double c = best[s] + sums.spread(s, e) + kNoteCost;
            if (c < best[e]) {
                best[e] = c;
                from[e] = s;
            }
        }
    }
    std::vector<int> starts;
    for (int e = n; e > 0; e = from[e]) starts.push_back(from[e]);
    std::reverse(starts.begin(), starts.end());

    // A short note whose contour travels is a glide: its frames go to the neighbour nearer in
    // pitch, so the note it leads into starts where its pitch is reached and neither note's
    // mean is pulled far.
    bool changed = true;
    while (changed && starts.size() > 1) {
        changed = false;
        for (size_t k = 0; k < starts.size(); ++k) {
            const int a = starts[k], b = k + 1 < starts.size() ? starts[k + 1] : n;
            if (b - a >= kGlideFrames || travel(x, a, b) < kGlideRange) continue;
            if (k == 0) {  // a scoop into the first note
                starts.erase(starts.begin() + 1);
            } else if (k + 1 == starts.size()) {  // a fall off the last one
                starts.erase(starts.begin() + static_cast<std::ptrdiff_t>(k));
            } else {
                const double before = sums.mean(starts[k - 1], a), after = sums.mean(b, k + 2 < starts.size() ? starts[k + 2] : n);
                int cut = a;
                while (cut < b && std::abs(x[cut] - before) <= std::abs(x[cut] - after)) ++cut;
                starts[k + 1] = std::max(cut, a + 1) == b ? b : cut;
                starts.erase(starts.begin() + static_cast<std::ptrdiff_t>(k));
                if (starts[k] <= starts[k - 1]) starts.erase(starts.begin() + static_cast<std::ptrdiff_t>(k));
            }
            changed = true;
            break;
        }
    }
    // Neighbours that settle on the same pitch are one note that drifted.
    for (size_t k = 1; k < starts.size();) {
        const int end = k + 1 < starts.size() ? starts[k + 1] : n;
        if (std::abs(sums.mean(starts[k - 1], starts[k]) - sums.mean(starts[k], end)) < kSameNote)
            starts.erase(starts.begin() + static_cast<std::ptrdiff_t>(k));
        else
            ++k;
    }
    return starts;
}

}  // namespace notefinder

int findNotes(FrameTrack& track, int first, int count, const NoteFinderOptions& options) {
    const int total = track.frameCount();
    const int end = std::clamp(first + std::max(count, 0), 0, total);
    first = std::clamp(first, 0, end);
    const int n = end - first;
    if (n <= 0) return 0;

    const bool withEvidence = track.evidenceInStep();
    const auto known = [&](int f) { return withEvidence && track.evidence[f].known; };
    std::vector<double> pitch(static_cast<size_t>(n));
    std::vector<double> voicing(static_cast<size_t>(n), std::numeric_limits<double>::quiet_NaN());
    for (int i = 0; i < n; ++i) {
        const int f = first + i;
        double p = track.pitch[f];
        if (known(f)) {
            const FrameEvidence& e = track.evidence[f];
            const bool gated = !e.lookAhead && e.level < options.noiseLevel;
            const Heard heard = gated ? Heard{0.0, std::numeric_limits<double>::quiet_NaN()} : heardPitch(e);
            if (options.pitchFrom == NoteFinderOptions::Pitch::Evidence || p < 1.0) {
                p = heard.pitch;
                voicing[i] = heard.voicing;
            }
            if (gated) p = 0.0;
        }
        pitch[i] = p >= 1.0 ? p : 0.0;
    }
    notefinder::foldOctaveFlips(pitch);
    notefinder::bridgeDropouts(pitch, kBridgedFrames);
    std::vector<double> level(static_cast<size_t>(n), std::numeric_limits<double>::quiet_NaN());
    for (int i = 0; i < n; ++i)
        if (known(first + i)) level[i] = track.evidence[first + i].level;

    std::vector<int32_t> mark(static_cast<size_t>(n), kMarkRest);
    int notes = 0;
    for (int a = 0; a < n;) {
        if (pitch[a] <= 0.0) {
            ++a;
            continue;
        }
        int b = a;
        while (b < n && pitch[b] > 0.0) ++b;
        if (b - a >= kShortestSung) {
            repairEdges(pitch, a, b);
            const std::vector<double> stretch(pitch.begin() + a, pitch.begin() + b);
            std::fill(mark.begin() + a, mark.begin() + b, kMarkContinue);
            for (const int s : notefinder::segment(stretch)) {
                mark[a + s] = kMarkOnset;
                ++notes;
            }
        }
        a = b;
    }
    std::vector<bool> placed(mark.size(), false);
    if (withEvidence) {
        trimDecays(mark, pitch, level);
        dropUnvoicedNotes(mark, pitch, voicing);
        dropMurmurs(mark, pitch, level);
        placed = placeOnsets(mark, pitch, level);
    }
    leadOnsets(mark, pitch, placed);
    for (int i = 0; i < n; ++i) {
        const int f = first + i;
        track.mark[f] = mark[i];
        track.pitch[f] = mark[i] == kMarkRest ? 0.0 : pitch[i];
        if (mark[i] == kMarkRest) {
            track.volume[f] = 0.0;
        } else if (known(f) && options.levelSpan > 0.0) {
            const double v = (track.evidence[f].level - options.noiseLevel) / options.levelSpan;
            track.volume[f] = std::clamp(v, 0.0, 127.0);
        }
    }
    // A note that went on past the range now starts there.
    if (end < total && track.mark[end] == kMarkContinue) {
        track.mark[end] = kMarkOnset;
        ++notes;
    }
    return notes;
}

}  // namespace hummwell
