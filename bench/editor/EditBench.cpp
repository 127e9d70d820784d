// The cost of an edit on a full track (32,766 frames, about 6 min 20 s of notes): the note
// being dragged follows the pointer, so one drag step must fit well inside a screen refresh,
// and a paste or delete moves every later frame and re-quantizes them.
#include "document/ViewState.h"
#include "editor/EditCommands.h"
#include "editor/NoteDrag.h"
#include "view/NoteGeometry.h"
#include "support/FullTrack.h"

#include <benchmark/benchmark.h>

namespace {

using namespace hummwell;


void BM_DragStep(benchmark::State& state) {
    FullTrack full(static_cast<int>(state.range(0)));
    ViewState& v = full.view;
    // A note near the cursor, grabbed in its middle; every step moves it one row.
    const int note = (v.cursorFrame / 41) * 41;
    const int x = xOfFrame(v, note + 20);
    const int y = static_cast<int>(28 + (108.5 - v.track.pitch[note + 20]) * 6);
    NoteDrag drag;
    drag.selectNoteAt(v, x, y);
    int dy = 0;
    for (auto _ : state) {
        dy = dy == 0 ? 6 : 0;
        drag.dragSelectedNote(v, x, y + dy, false);
        benchmark::DoNotOptimize(v.track.pitch[note]);
    }
}
BENCHMARK(BM_DragStep)->Arg(kAsIs)->Arg(kNoteQuantize)->Arg(kRelative)->Unit(benchmark::kMicrosecond);

void BM_StretchStep(benchmark::State& state) {
    FullTrack full(kRelative);
    ViewState& v = full.view;
    const int note = (v.cursorFrame / 41) * 41;
    // Delete the next note so that the stretch has rests to grow over.
    v.selection.noteSelected = true;
    v.selection.noteStart = note + 41;
    v.selection.noteEnd = note + 81;
    deleteSelection(v);
    NoteDrag drag;
    drag.selectNoteAt(v, xOfFrame(v, note + 20), static_cast<int>(28 + (108.5 - v.track.pitch[note + 20]) * 6));
    const int x = xOfFrame(v, note + 39);
    drag.grab(v, kDragRight, x, 0);
    int dx = 0;
    for (auto _ : state) {
        dx = dx == 0 ? 30 : 0;  // 40 frames to 70 and back
        drag.dragSelectedNote(v, x + dx, 0, false);
        benchmark::DoNotOptimize(v.track.pitch[note]);
    }
}
BENCHMARK(BM_StretchStep)->Unit(benchmark::kMicrosecond);

// Paste a 410-frame clip in the middle of the track, then delete it again as a range.
void BM_PasteAndDelete(benchmark::State& state) {
    FullTrack full(static_cast<int>(state.range(0)));
    ViewState& v = full.view;
    v.maxFrames = kDefaultMaxFrames + 1000;
    for (int i = 0; i < 410; ++i) v.clipTrack.append(v.track.frame(i));
    const int at = v.cursorFrame;
    for (auto _ : state) {
        pasteClip(v);
        v.selection.rangeSelected = true;
        v.selection.rangeStart = at;
        v.selection.rangeEnd = at + 410;
        deleteSelection(v);
        benchmark::DoNotOptimize(v.track.pitch[at]);
    }
}
BENCHMARK(BM_PasteAndDelete)->Arg(kAsIs)->Arg(kRelative)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
