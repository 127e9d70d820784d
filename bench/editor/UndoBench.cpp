// Undo and Redo on a full track (32,766 frames, about 6 min 20 s of notes): one undo and one
// redo of a paste, which move every later frame and redraw them; what a step adds to a small
// edit (the track is copied when it begins and compared when it ends); and the history's
// memory after 100 drag gestures, reported as counters.
#include "document/ViewState.h"
#include "editor/Commands.h"
#include "editor/EditCommands.h"
#include "editor/NoteDrag.h"
#include "view/NoteGeometry.h"
#include "support/FullTrack.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>

namespace {

using namespace hummwell;

// A 410-frame clip (ten notes) pasted at the cursor, through the command.
void pasteTenNotes(ViewState& v) {
    v.maxFrames = kDefaultMaxFrames + 1000;
    for (int i = 0; i < 410; ++i) v.clipTrack.append(v.track.frame(i));
    if (!runCommand(v, kCmdPaste) || v.history.undoCount() != 1) std::abort();
}

void BM_UndoPaste(benchmark::State& state) {
    FullTrack full(static_cast<int>(state.range(0)));
    ViewState& v = full.view;
    state.counters["track_frames"] = v.frameCount();
    pasteTenNotes(v);
    for (auto _ : state) {
        runCommand(v, kCmdUndo);
        benchmark::DoNotOptimize(v.track.pitch[v.cursorFrame]);
        state.PauseTiming();
        runCommand(v, kCmdRedo);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoPaste)->Arg(kAsIs)->Arg(kRelative)->Unit(benchmark::kMicrosecond);

void BM_RedoPaste(benchmark::State& state) {
    FullTrack full(static_cast<int>(state.range(0)));
    ViewState& v = full.view;
    state.counters["track_frames"] = v.frameCount();
    pasteTenNotes(v);
    for (auto _ : state) {
        state.PauseTiming();
        runCommand(v, kCmdUndo);
        state.ResumeTiming();
        runCommand(v, kCmdRedo);
        benchmark::DoNotOptimize(v.track.pitch[v.cursorFrame]);
    }
}
BENCHMARK(BM_RedoPaste)->Arg(kAsIs)->Arg(kRelative)->Unit(benchmark::kMicrosecond);

// Volume Up on one note, with the step around it and without: the difference is what the
// history costs every edit.
void BM_VolumeUp(benchmark::State& state) {
    FullTrack full(kRelative);
    ViewState& v = full.view;
    const int note = (v.cursorFrame / 41) * 41;
    v.selection.noteSelected = true;
    v.selection.noteStart = note;
    v.selection.noteEnd = note + 40;
    const bool withStep = state.range(0) != 0;
    bool up = true;
    for (auto _ : state) {
        if (withStep) runCommand(v, up ? kCmdVolumeUp : kCmdVolumeDown);
        else up ? volumeUp(v) : volumeDown(v);
        up = !up;
        benchmark::DoNotOptimize(v.track.volume[note]);
    }
    state.SetLabel(withStep ? "with its undo step" : "edit alone");
}
BENCHMARK(BM_VolumeUp)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// 100 gestures, each pressing on a note near the cursor, dragging it a semitone up or down in
// three steps and releasing: the time of all 100, and the history they leave.
void BM_HundredDrags(benchmark::State& state) {
    FullTrack full(kRelative);
    ViewState& v = full.view;
    const int note = (v.cursorFrame / 41) * 41;
    size_t bytes = 0;
    int steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        v.history.clear();
        state.ResumeTiming();
        NoteDrag drag;
        for (int g = 0; g < 100; ++g) {
            const int f = note + 20;
            const int x = xOfFrame(v, f);
            const int y = static_cast<int>(28 + (108.5 - v.track.pitch[f]) * 6);
            const int dy = g % 2 ? 6 : -6;
            drag.leftButtonDown(v, x, y, false);
            for (int i = 1; i <= 3; ++i) drag.pointerMove(v, x, y + dy * i / 3, PointerFlags{true, false, false});
            drag.leftButtonUp(v, x, y + dy, false);
        }
        bytes = v.history.bytes();
        steps = v.history.undoCount();
    }
    if (steps != 100) state.SkipWithError("a drag made no step");
    state.counters["steps"] = steps;
    state.counters["history_bytes"] = static_cast<double>(bytes);
    state.counters["bytes_per_step"] = static_cast<double>(bytes) / std::max(steps, 1);
}
BENCHMARK(BM_HundredDrags)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
