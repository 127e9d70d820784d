// The live decision: every engine result of a take becomes one frame of the track as it
// arrives, decided a frame late from the result before and the one after. A note starts after
// a rest where the level reaches the onset level and the pitch is clear, one-frame glitches are
// smoothed, and a step of more than five semitones starts a new note. Before the first frame,
// a count-in lets its results pass; the metronome ticks through both.
//
// Threads: during a take, the engine's capture thread calls everything here, under the view
// state's take lock; start runs on the GUI thread before the engine starts.
#pragma once

#include "FrameTrack.h"
#include "LevelThresholds.h"
#include "LookAhead.h"
#include "ProjectSettings.h"
#include "Scale.h"
#include "tonik.h"

namespace hummwell {

// An engine pitch as a take records it: tuned by the reference key adjustment, moved by the
// transposition, and folded into MIDI 20.5 .. 108.5. No pitch (0.0) stays none.
double takePitch(double enginePitch, const ProjectSettings& settings);
// What the engine said of a block heard again over the whole take, as evidence of its frame.
FrameEvidence lookAheadEvidence(const HeardBlock& block, const ProjectSettings& settings);

class LiveTranscriber {
public:
    LevelThresholds levels;

    // A new take: the history is forgotten, and the first `countIn` results only count in.
    void start(int countIn);

    // What a result of the count-in is: the first, which only starts it, or a later one; or
    // none, once the count-in is over and results are frames.
    enum class CountIn { Over, First, Later };
    CountIn countIn();
    // The count-in: negative while it runs, counting up to 0.
    int countInLeft() const { return countInLeft_; }

    // The frame of the result before this one, decided now that this one has come, and the
    // engine's own view of it, kept beside it for the note finder.
    struct Decided {
        Frame frame;
        FrameEvidence evidence;
    };
    Decided decide(const FrameResult& result, const ProjectSettings& settings);

    // The metronome's tick for the result that is to be stored at `frame`, sounding 130 ms
    // ahead of it; a result of the count-in ticks where it falls in the bar before the take.
    TickKind tick(int frame, const ProjectSettings& settings);

private:
    // The fields of a FrameResult the decision reads; noteState becomes the decided mark.
    struct Record {
        double level = -900.0;  // silence
        double pitch = 0.0;
        double heardPitch = 0.0;  // the engine's, before the decision fills or smooths it
        double clarity = 0.0;
        int noteState = kMarkRest;
    };
    // Decides the mark of r1_ from its neighbours and writes it into r1_'s noteState, so that
    // it is r2_'s mark a frame later.
    void decideFrame();

    int countInStart_ = 0;
    int countInLeft_ = 0;
    bool firstFrame_ = false;
    TickFlags ticks_;  // armed from one take to the next
    Record r2_, r1_, r0_;  // two frames back, the frame being decided, the newest
};

}  // namespace hummwell
