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
#pragma once

#include "FrameTrack.h"

#include <vector>

namespace hummwell {

// What the engine said of a frame, kept beside the track during a take.
struct FrameEvidence {
    double level = -200.0;  // library dB
    double pitch = 0.0;     // fractional MIDI note as the track stores it; 0.0 none
    double clarity = 0.0;   // score of the stage that found it; 0.0 when tracked or none
};

// The take's levels, used only with evidence: frames below the noise level are rests whatever
// their pitch, and the volume of a frame is its level over the noise level in velocity steps.
struct NoteFinderOptions {
    double noiseLevel = -1000.0;  // library dB
    double levelSpan = 0.0;       // library dB per velocity step; 0 keeps the track's volumes
};

// Re-decides the marks of frames first .. first + count - 1 (held to the track): rests where
// nothing is sung, an onset on the first frame of every note, continuations inside. With
// `evidence` (one entry per track frame) the engine's pitch and level are used; without it, the
// track's own pitch column. Pitches of frames inside a note are repaired (octave flips folded,
// dropouts bridged); frames that become rests get pitch 0. Returns the number of notes.
int findNotes(FrameTrack& track, int first, int count, const std::vector<FrameEvidence>* evidence = nullptr,
              const NoteFinderOptions& options = {});

namespace notefinder {

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
