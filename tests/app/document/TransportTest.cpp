// The transport's moves, every state against every request.
#include "document/Transport.h"

#include <gtest/gtest.h>

using namespace hummwell;

namespace {

constexpr int kMax = 100;

std::string moved(TransportState from, TransportState target, int frames, int cursor = 0) {
    const TransportMove m = moveTransport(from, target, frames, kMax, cursor);
    if (m.trackFull) return "full";
    return m.made ? std::to_string(static_cast<int>(m.next)) : "-";
}

}  // namespace

TEST(Transport, EveryStateAgainstEveryRequest) {
    // Columns: requests for idle (Stop), record, play, new project; a track of 10 frames with
    // the cursor on frame 3.
    const TransportState all[] = {kIdle, kRecording, kPlaying, kEmptyProject};
    const char* expected[4][4] = {
        /* idle      */ {"-", "1", "2", "3"},
        /* recording */ {"0", "-", "-", "-"},
        /* playing   */ {"0", "-", "-", "-"},
        /* empty     */ {"-", "1", "-", "-"},
    };
    for (int f = 0; f < 4; ++f)
        for (int t = 0; t < 4; ++t)
            EXPECT_EQ(moved(all[f], all[t], 10, 3), expected[f][t]) << "from " << f << " to " << t;
}

TEST(Transport, TheEdgesOfTheTrack) {
    // Record needs room, and says so when there is none.
    EXPECT_EQ(moved(kIdle, kRecording, kMax - 1), "1");
    EXPECT_EQ(moved(kIdle, kRecording, kMax), "full");
    EXPECT_EQ(moved(kEmptyProject, kRecording, kMax + 5), "full");
    // Play needs a frame after the cursor: never from the closing rest.
    EXPECT_EQ(moved(kIdle, kPlaying, 10, 8), "2");
    EXPECT_EQ(moved(kIdle, kPlaying, 10, 9), "-");
    // Stopping a take that recorded nothing leaves a new project.
    EXPECT_EQ(moved(kRecording, kIdle, 1), "3");
    EXPECT_EQ(moved(kRecording, kIdle, 2), "0");
    EXPECT_EQ(moved(kPlaying, kIdle, 1), "3");
}
