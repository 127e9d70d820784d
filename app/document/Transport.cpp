#include "Transport.h"

namespace hummwell {

TransportMove moveTransport(TransportState from, TransportState target, int frames, int maxFrames,
                            int cursorFrame) {
    switch (from) {
    case kIdle:
    case kEmptyProject:
        if (target == kRecording) {
            if (frames >= maxFrames) return {false, from, true};
            return {true, kRecording};
        }
        if (from == kIdle && target == kPlaying && cursorFrame < frames - 1) return {true, kPlaying};
        if (from == kIdle && target == kEmptyProject) return {true, kEmptyProject};
        return {false, from};
    case kRecording:
    case kPlaying:
        if (target != kIdle) return {false, from};
        return {true, frames <= 1 ? kEmptyProject : kIdle};
    }
    return {false, from};
}

}  // namespace hummwell
