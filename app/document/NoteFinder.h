// The look-ahead note finder: decides where notes start and end over a whole take at once,
// from the pitch contour and the voicing of every frame, instead of frame by frame as a
// recording must. It writes ordinary marks (and repairs the pitch of frames it keeps in a
// note), so every quantize mode and the file formats work on its result unchanged.
//
// The steps: octave flips are folded back toward the pitch around them; dropouts of a frame or
// two inside a voiced stretch are bridged; voiced stretches too short to be sung are dropped;
// each stretch is cut into notes where the contour settles at a new pitch, by a dynamic
// program that weighs how far the frames stray from their note's mean against a cost per
// note, so vibrato and a scoop stay inside one note while a legato step of a semitone held
// for about 50 ms is split; glides between two notes are shared out between them.
//
// With the engine's evidence of a take heard whole (its level, and how well the audio repeats
// at the pitch and at the octaves around it), a frame's octave is the one its audio repeats
// at; notes that hardly repeat are noise; short notes far quieter than a note beside them are
// consonant murmurs; and each note starts at its vowel: out of a rest where the level comes
// near the note's, after a consonant's dip where the level climbs out of it (the dip a rest of
// its own), after a legato step as far before the new pitch as the analysis hears late.
#pragma once

#include "FrameTrack.h"

#include <vector>

namespace hummwell {

// How the track's evidence (what the engine said of each frame) is used, where it is known.
struct NoteFinderOptions {
    // Evidence: the engine's pitch of every known frame, as a file's transcription has it.
    // TrackFirst: the track's own pitch, which the user may have edited, and the engine's only
    // where the track has none (the first frames of a soft attack a recording gated).
    enum class Pitch { Evidence, TrackFirst } pitchFrom = Pitch::TrackFirst;
    // Frames below the noise level are rests whatever their pitch (library dB), but for those
    // heard again with a gate of their own; the volume of a frame is its level over the noise
    // level in velocity steps.
    double noiseLevel = -1000.0;
    double levelSpan = 0.0;  // library dB per velocity step; 0 keeps the track's volumes
};

// Re-decides the marks of frames first .. first + count - 1 (held to the track): rests where
// nothing is sung, an onset on the first frame of every note, continuations inside. Frames
// whose evidence is known are read with it as the options say; the others from the track's
// own pitch column. Pitches of frames inside a note are repaired (octave flips folded, stray
// and edge frames and dropouts given their note's pitch); frames that become rests get pitch
// 0. A note that went on past the range starts anew there. Returns the number of notes.
int findNotes(FrameTrack& track, int first, int count, const NoteFinderOptions& options = {});

namespace notefinder {

// How many frames before its first pitched frame a note starts: the analysis hears a pitch
// about 35 ms after a note begins out of a rest, and a new pitch about 58 ms after a legato
// step, while the old one still fills its longest frame (measured on sung, choir, wind and
// string notes).
inline constexpr int kOnsetLeadFrames = 3;
inline constexpr int kLegatoLeadFrames = 5;

// The steps on their own, over a contour (0.0 = no pitch), for tests and tuning.
// Folds frames an octave (or an octave and a fifth, or two octaves) away from the median of
// the frames around them back to it.
void foldOctaveFlips(std::vector<double>& pitch);
// Fills gaps of up to `frames` unpitched frames between pitched frames a step apart or less.
void bridgeDropouts(std::vector<double>& pitch, int frames);
// Note boundaries of one voiced stretch (every entry pitched): the starts of its notes, the
// first always 0.
std::vector<int> segment(const std::vector<double>& stretch);

}  // namespace notefinder

}  // namespace hummwell
