// The transport gate, Record and Stop, and a take fed with made-up engine results: what the view
// does with each decided frame.
#include "document/ViewState.h"
#include "document/ProjectCommands.h"
#include "document/ProjectFile.h"

#include "support/AppDoubles.h"
#include "support/EngineResults.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace hummwell;
using appdoubles::ViewFixture;

namespace {

constexpr int kCountIn = 250;  // frames of count-in at 120 bpm

using engineresults::kQuiet;
using engineresults::result;
using engineresults::sung;

struct Recorder : ViewFixture {
    ViewState view{prompt, surface, output, input};

    Recorder() { view.settings.store(Setting::MetronomeOn, 0); }
    // Record, then the count-in.
    void startRecording() {
        view.record();
        for (int i = 0; i < kCountIn; ++i) view.onFrameResult(kQuiet);
    }
    void feed(const std::vector<FrameResult>& results) {
        for (const FrameResult& r : results) view.onFrameResult(r);
    }
    // The recorded frames, without the final rest frame.
    std::vector<int> marks() const {
        return std::vector<int>(view.track.mark.begin(), view.track.mark.end() - 1);
    }
    std::vector<double> pitches() const {
        return std::vector<double>(view.track.pitch.begin(), view.track.pitch.end() - 1);
    }
};

}  // namespace

// --- Transport gate -------------------------------------------------------------------------

TEST(TransportGate, FollowsItsTable) {
    ViewFixture f;
    ViewState view(f.prompt, f.surface, f.output, f.input);
    EXPECT_FALSE(view.requestTransport(kPlaying)) << "an empty project cannot play";
    EXPECT_FALSE(view.requestTransport(kIdle));
    EXPECT_TRUE(view.requestTransport(kRecording));
    EXPECT_FALSE(view.requestTransport(kPlaying)) << "no play while recording";
    EXPECT_TRUE(view.requestTransport(kIdle));
    EXPECT_EQ(view.transportState, kEmptyProject) << "nothing recorded: back to empty";

    view.track.insert(0, Frame{60.0, 0, 64.0, kMarkOnset, 0});
    view.transportState = kRecording;
    EXPECT_TRUE(view.requestTransport(kIdle));
    EXPECT_EQ(view.transportState, kIdle);
    view.cursorFrame = 1;  // on the final rest frame: nothing to play
    EXPECT_FALSE(view.requestTransport(kPlaying));
    view.cursorFrame = 0;
    EXPECT_TRUE(view.requestTransport(kPlaying));
    EXPECT_TRUE(view.requestTransport(kIdle));
    EXPECT_EQ(f.surface.states,
              (std::vector<TransportState>{kRecording, kEmptyProject, kIdle, kPlaying, kIdle}));
    EXPECT_TRUE(f.prompt.messages.empty());
}

TEST(TransportGate, RefusesToRecordIntoAFullTrack) {
    ViewFixture f;
    ViewState view(f.prompt, f.surface, f.output, f.input);
    view.maxFrames = 1;
    EXPECT_FALSE(view.requestTransport(kRecording));
    ASSERT_EQ(f.prompt.messages.size(), 1u);
    EXPECT_EQ(f.prompt.messages[0].text,
              "No more recording is allowed because your MIDI data is full.");
    EXPECT_EQ(f.prompt.messages[0].title, "ERROR");
    EXPECT_EQ(f.prompt.messages[0].icon, PromptIcon::Error);
    EXPECT_EQ(view.transportState, kEmptyProject);
}

TEST(TransportGate, NewProjectAsksToSaveWhenThereIsMaterial) {
    ViewFixture f;
    ViewState view(f.prompt, f.surface, f.output, f.input);
    view.transportState = kIdle;
    view.track.insert(0, Frame{60.0, 0, 64.0, kMarkOnset, 0});

    f.prompt.answers = {PromptAnswer::Cancel};
    newProject(view);
    EXPECT_EQ(view.transportState, kIdle);
    EXPECT_EQ(view.frameCount(), 2);
    ASSERT_EQ(f.prompt.messages.size(), 1u);
    EXPECT_EQ(f.prompt.messages[0].text,
              "Do you want to save current MIDI sound before start new project?");
    EXPECT_EQ(f.prompt.messages[0].title, "SAVE AS");
    EXPECT_EQ(f.prompt.messages[0].buttons, PromptButtons::YesNoCancel);

    f.prompt.answers = {PromptAnswer::Yes};  // the save dialog is cancelled: it goes on anyway
    newProject(view);
    EXPECT_EQ(f.prompt.saveChoices.size(), 1u);
    EXPECT_EQ(view.transportState, kEmptyProject);
    EXPECT_EQ(view.frameCount(), 1);

    // The gate itself only moves; the question is New Project's.
    view.transportState = kIdle;
    view.track.insert(0, Frame{60.0, 0, 64.0, kMarkOnset, 0});
    EXPECT_TRUE(view.requestTransport(kEmptyProject));
    EXPECT_EQ(f.prompt.messages.size(), 2u);
}

// --- Record and Stop ------------------------------------------------------------------------

TEST(Record, PreparesTheRunAndRecordsUnquantized) {
    Recorder r;
    r.view.settings.store(Setting::QuantizeMode, kNoteQuantize);
    r.view.record();
    EXPECT_EQ(r.view.transportState, kRecording);
    EXPECT_EQ(r.view.setting(Setting::QuantizeMode), kAsIs);
    ASSERT_FALSE(r.surface.shownSettings.empty());
    EXPECT_EQ(r.surface.shownSettings.back(), std::make_pair(Setting::QuantizeMode, 0));
    // The switch to "As Is" silences the take's channel and prepares it; then the device is
    // reopened and prepared for the take.
    EXPECT_EQ(r.output.calls, "apcop");
    EXPECT_EQ(r.input.starts, 1);
    EXPECT_EQ(r.surface.recordingDisplays, 1);
    EXPECT_FALSE(r.surface.scrollEnabled);
}

TEST(Record, DropsTheSelectionButKeepsTheClip) {
    // Recording moves every frame after the cursor, and a new project has none: a selection
    // would name frames that are no longer the ones selected.
    Recorder r;
    r.view.selection.noteSelected = true;
    r.view.selection.noteStart = 0;
    r.view.selection.noteEnd = 40;
    r.view.clipTrack.append(Frame{60.0, 60, 64.0, kMarkOnset, 0});
    r.view.record();
    EXPECT_FALSE(r.view.hasSelection());
    EXPECT_EQ(r.view.clipTrack.frameCount(), 1);
    r.view.stop();

    r.view.selection.rangeSelected = true;
    r.view.selection.rangeEnd = 1;
    r.view.transportState = kIdle;
    newProject(r.view);
    EXPECT_FALSE(r.view.hasSelection());
    EXPECT_EQ(r.view.clipTrack.frameCount(), 1);
}

TEST(Record, SplitsTheNoteUnderTheCursor) {
    Recorder r;
    r.view.track.clear();
    for (int i = 0; i < 6; ++i) r.view.track.append(Frame{60.0, 0, 64.0, i ? kMarkContinue : kMarkOnset, 0});
    r.view.track.append(Frame{});
    r.view.transportState = kIdle;
    r.view.cursorFrame = 3;
    r.view.record();
    EXPECT_EQ(r.view.track.mark[3], kMarkOnset);

    Recorder edge;  // at frame 1 there is no room for a split
    edge.view.track = r.view.track;
    edge.view.track.mark[3] = kMarkContinue;
    edge.view.transportState = kIdle;
    edge.view.cursorFrame = 1;
    edge.view.record();
    EXPECT_EQ(edge.view.track.mark[1], kMarkContinue);
}

TEST(Record, CountsInForHalfTheBeatInFramesThenRecords) {
    Recorder r;
    r.view.record();
    for (int i = 0; i < kCountIn; ++i) r.view.onFrameResult(sung(60.0));
    EXPECT_EQ(r.view.frameCount(), 1) << "nothing is recorded during the count-in";
    r.view.onFrameResult(sung(60.0));
    EXPECT_EQ(r.view.frameCount(), 2);
    EXPECT_EQ(r.view.cursorFrame, 1);
    EXPECT_EQ(r.view.track.mark.back(), kMarkRest) << "the final rest frame stays last";
}

TEST(Record, StopEndsTheRunAndRequantizes) {
    Recorder r;
    r.startRecording();
    r.feed({kQuiet, sung(60.0, 1), sung(60.2), sung(60.1), kQuiet, kQuiet});
    r.view.setSetting(Setting::QuantizeMode, kAsIs);
    r.surface.stretches.clear();
    r.view.stop();
    EXPECT_EQ(r.input.stops, 1);
    EXPECT_EQ(r.output.calls.back(), 'a');
    EXPECT_EQ(r.view.transportState, kIdle);
    ASSERT_FALSE(r.surface.stretches.empty());
    EXPECT_EQ(r.surface.stretches.back(), std::make_pair(0, r.view.frameCount()));
    EXPECT_TRUE(r.surface.scrollEnabled);
    EXPECT_TRUE(r.prompt.messages.empty());
}

TEST(Record, DropsFramesAtCapacityAndStopSaysSo) {
    Recorder r;
    r.view.maxFrames = 5;
    r.startRecording();
    for (int i = 0; i < 20; ++i) r.view.onFrameResult(sung(60.0, i == 1 ? 1 : 0));
    EXPECT_EQ(r.view.frameCount(), 5);
    r.view.stop();
    ASSERT_EQ(r.prompt.messages.size(), 1u);
    EXPECT_EQ(r.prompt.messages[0].text,
              "No more recording is allowed because your MIDI data is full.");
}

// --- A take through the view --------------------------------------------------------------

TEST(Take, SoundsEachFrameWhenRealTimeOutputIsOn) {
    Recorder r;
    r.view.settings.store(Setting::RealtimeOutOn, 1);
    r.startRecording();
    r.feed({kQuiet, sung(60.0, 1), sung(60.0)});
    EXPECT_EQ(r.output.soundedFrames, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(r.surface.recordedColumns, (std::vector<int>{0, 1, 2}));
}

TEST(Take, TicksTheMetronome130MsAhead) {
    Recorder r;
    r.view.settings.store(Setting::MetronomeOn, 1);
    r.view.record();
    for (int i = 0; i < kCountIn; ++i) r.view.onFrameResult(kQuiet);
    EXPECT_NE(r.output.calls.find('b'), std::string::npos) << "the count-in ticks";
    EXPECT_NE(r.output.calls.find('m'), std::string::npos);

    // Recording from frame 0: the beat at 500 ms sounds with the frame whose start plus
    // 130 ms first passes it, frame 32 (371 ms), not frame 44.
    std::vector<int> tickedFrames;
    for (int frame = 0; frame < 60; ++frame) {
        const size_t before = r.output.calls.size();
        r.view.onFrameResult(kQuiet);
        if (r.output.calls.find_first_of("bm", before) != std::string::npos)
            tickedFrames.push_back(frame);
    }
    ASSERT_FALSE(tickedFrames.empty());
    EXPECT_EQ(tickedFrames[0], 32);
}
