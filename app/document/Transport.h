// The transport: idle, recording, playing, or a new project with nothing in it, and which
// requests move it where. The view state is its one gate; this is the rule it applies.
#pragma once

namespace hummwell {

enum TransportState : int { kIdle = 0, kRecording = 1, kPlaying = 2, kEmptyProject = 3 };

struct TransportMove {
    bool made = false;
    TransportState next = kIdle;  // where it leads, when made
    bool trackFull = false;       // Record refused for want of room: the user is told why
};

// Record from idle or a new project while the track has room; Play from idle with a frame
// after the cursor; New Project from idle; Stop (a request for idle) from a take or playback,
// to a new project when nothing was recorded. Anything else is refused.
TransportMove moveTransport(TransportState from, TransportState target, int frames, int maxFrames,
                            int cursorFrame);

}  // namespace hummwell
