// Playback by the clock: Play, the timer's ticks, the end of the track, Stop, Space and Scrub.
#include "document/ViewState.h"
#include "support/AppDoubles.h"

#include <gtest/gtest.h>

namespace {

using namespace hummwell;

struct CountingTimer final : PlaybackTimer {
    int starts = 0, stops = 0, period = 0;
    void start(int periodMs) override {
        ++starts;
        period = periodMs;
    }
    void stop() override { ++stops; }
};

struct Playback : ::testing::Test {
    Playback() {
        for (int i = 0; i < 200; ++i) view.insertFrameAtCursor(Frame{60.0, 60, 80.0, i == 199 ? kMarkOnset : kMarkContinue, 0});
        view.transportState = kIdle;  // 201 frames with the closing rest
        clock.ms = 10000.0;
    }
    appdoubles::ViewFixture f;
    ManualClock clock;
    CountingTimer timer;
    ViewState view{f.prompt, f.surface, f.output, f.input, clock, timer};
};

TEST_F(Playback, PlayStartsTheTimerWithTheClockAtFrameZero) {
    view.cursorFrame = 20;
    view.play();
    EXPECT_EQ(view.transportState, kPlaying);
    EXPECT_EQ(f.output.calls, "opc");  // reopened, set up, the sounded note forgotten
    EXPECT_EQ(timer.starts, 1);
    EXPECT_EQ(timer.period, 10);
    EXPECT_DOUBLE_EQ(view.playStartMs, 10000.0 - 20 * kFrameMs);
    EXPECT_FALSE(f.surface.scrollEnabled);
    // A tick with no frame due yet sounds nothing.
    clock.advance(5.0);
    view.onPlaybackTimer();
    EXPECT_TRUE(f.output.soundedFrames.empty());
    EXPECT_EQ(view.cursorFrame, 20);
}

TEST_F(Playback, FramesBetweenTicksAreSkippedAndOnlyTheDueFrameSounds) {
    view.play();
    std::vector<int> steps;
    int repaints = f.surface.repaints;
    for (int tick = 0; tick < 20; ++tick) {
        const int before = view.cursorFrame;
        clock.advance(50.0);
        view.onPlaybackTimer();
        steps.push_back(view.cursorFrame - before);
        EXPECT_EQ(f.surface.scrollPosition, view.cursorFrame);
    }
    for (const int s : steps) EXPECT_TRUE(s == 4 || s == 5) << s;  // 50 ms is 4.3 frames
    ASSERT_EQ(f.output.soundedFrames.size(), 20u);                 // one frame a tick
    EXPECT_EQ(f.output.soundedFrames.back(), view.cursorFrame);
    EXPECT_EQ(view.cursorFrame, static_cast<int>(1000.0 * kFramesPerMs));
    // The whole view is repainted on odd frames only.
    int odd = 0;
    for (const int frame : f.output.soundedFrames) odd += frame % 2;
    EXPECT_EQ(f.surface.repaints - repaints, odd);
}

TEST_F(Playback, TheEndOfTheTrackStopsOnTheLastFrame) {
    view.scrubOn = true;
    view.cursorFrame = 190;
    view.play();
    f.output.calls.clear();
    clock.advance(200.0);  // far past frame 200
    view.onPlaybackTimer();
    EXPECT_EQ(view.cursorFrame, 200);
    EXPECT_EQ(view.transportState, kIdle);
    EXPECT_EQ(timer.stops, 1);
    EXPECT_EQ(f.output.calls, "ar");  // all notes off, then Scrub sounds the cursor again
    EXPECT_TRUE(f.surface.scrollEnabled);
    // A tick that was queued before Stop changes nothing.
    clock.advance(50.0);
    view.onPlaybackTimer();
    EXPECT_EQ(view.cursorFrame, 200);
    // Play on the last frame is refused.
    view.play();
    EXPECT_EQ(view.transportState, kIdle);
    EXPECT_EQ(timer.starts, 1);
}

TEST_F(Playback, SpaceTogglesOnlyBetweenIdleAndPlaying) {
    view.togglePlayStop();
    EXPECT_EQ(view.transportState, kPlaying);
    view.togglePlayStop();
    EXPECT_EQ(view.transportState, kIdle);
    EXPECT_EQ(timer.stops, 1);
    view.transportState = kRecording;
    view.togglePlayStop();
    EXPECT_EQ(view.transportState, kRecording);
    view.transportState = kEmptyProject;
    view.togglePlayStop();
    EXPECT_EQ(view.transportState, kEmptyProject);
    EXPECT_EQ(timer.starts, 1);
}

TEST_F(Playback, ScrubSoundsTheCursorWhenSwitchedOnAndSilencesWhenOff) {
    view.toggleScrub();
    EXPECT_TRUE(view.scrubOn);
    view.toggleScrub();
    EXPECT_FALSE(view.scrubOn);
    EXPECT_EQ(f.output.calls, "ra");
}

}  // namespace
