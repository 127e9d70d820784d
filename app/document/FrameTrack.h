// The transcription as a frame track: one entry per engine frame (512 samples, 11.61 ms) in
// five parallel columns. Notes are runs of frames from a mark 1 to the next non-zero mark.
//
// Invariants the track keeps: the columns always have the same length; the last frame is the
// rest frame an empty project starts with (recording inserts in front of it).
#pragma once

#include "Periodicity.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hummwell {

inline constexpr double kFrameMs = 11.609977324263038;   // 512 / 44,100 s
inline constexpr double kFramesPerMs = 0.0861328125;     // 44,100 / 512 / 1,000
inline constexpr int kDefaultMaxFrames = 32767;           // about 6 min 20 s

enum FrameMark : int32_t { kMarkRest = -1, kMarkContinue = 0, kMarkOnset = 1 };

// Frame index to whole milliseconds, truncated.
int frameToMs(int frame);
// A count of frames as minutes and seconds to a tenth: "6:20.4".
std::string frameTime(long long frames);

struct Frame {
    double pitch = 0.0;   // fractional MIDI note; below 1.0 no pitch
    int32_t note = 0;     // quantized MIDI note; only 21..108 sound
    double volume = 0.0;  // 0.0 .. 127.0
    int32_t mark = kMarkRest;
    int32_t reserved = 0;
};

// What the engine said of a frame, kept beside the track for the note finder while the
// project is open; never stored in a file.
struct FrameEvidence {
    double level = -200.0;  // library dB
    double pitch = 0.0;     // fractional MIDI note as the track stores it; 0.0 none
    double clarity = 0.0;   // score of the stage that found it; 0.0 when tracked or none
    bool known = false;     // false for frames that came from a file, an edit or a paste
    // Heard again over the whole take, with a gate from its own levels (see LookAhead.h): the
    // engine's gate has had its say, and no live gate applies.
    bool lookAhead = false;
    Periodicity periodicity;  // of the audio at the engine's pitch; known with lookAhead only
};

class FrameTrack {
public:
    FrameTrack() { reset(); }

    int frameCount() const { return static_cast<int>(pitch.size()); }
    Frame frame(int i) const { return {pitch[i], note[i], volume[i], mark[i], reserved[i]}; }
    void set(int i, const Frame& f) {
        pitch[i] = f.pitch;
        note[i] = f.note;
        volume[i] = f.volume;
        mark[i] = f.mark;
        reserved[i] = f.reserved;
    }

    // All columns emptied, then the single rest frame of an empty project.
    void reset();
    // Inserts one frame before index `at` in every column.
    void insert(int at, const Frame& f, const FrameEvidence& e = {});
    // Removes frames first .. first + count - 1 from every column.
    void erase(int first, int count);
    // Frames first .. first + count - 1 replaced by all of `with`'s frames, the tail moved
    // once. The evidence stays in step: `with`'s own when it keeps it, else unknown.
    void replace(int first, int count, const FrameTrack& with);
    // Frames first .. end - 1 as a track of their own, with their evidence when it is in step.
    FrameTrack slice(int first, int end) const;
    // Appends one frame to every column (readers fill the track column by column instead).
    void append(const Frame& f, const FrameEvidence& e = {});
    void clear();  // no frames at all; only for readers about to refill every column
    // Room for `frames` frames in every column, so that inserts up to there never allocate.
    void reserve(int frames);
    // Keeps the first maxFrames - 1 frames and the last one.
    void cutTo(int maxFrames);

    // The note (onset .. before the next non-zero mark) that frame i belongs to, as [first,
    // end); {i, i} when i is a rest. An onset at i starts its own note.
    struct Span {
        int first;
        int end;
    };
    Span noteAround(int i) const;

    std::vector<double> pitch;
    std::vector<int32_t> note;
    std::vector<double> volume;
    std::vector<int32_t> mark;
    std::vector<int32_t> reserved;

    // Beside the five columns and kept in step with them by every method above; a reader that
    // refills the columns directly leaves it behind, and then nothing is known.
    std::vector<FrameEvidence> evidence;
    bool evidenceInStep() const { return evidence.size() == pitch.size(); }
    // Puts the evidence back in step, every frame unknown, when it is not.
    void syncEvidence() {
        if (!evidenceInStep()) evidence.assign(pitch.size(), FrameEvidence{});
    }
};

}  // namespace hummwell
