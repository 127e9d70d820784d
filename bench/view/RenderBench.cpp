// The note view's drawing: a full-track render in "As Is" and in Note mode, the grid, one
// paint of an 800 x 557 view, and the two ways of laying the row backgrounds (a stretched
// copy of the pattern column per picture column against a fill per scanline). A re-render
// follows every setting change of a whole track, so it must stay well under 50 ms; a paint
// runs every second frame during playback, so under 1 ms.
#include "resources/PatternPicture.h"
#include "support/FullTrack.h"
#include "view/TrackPictures.h"
#include "view/ViewLayout.h"

#include <QApplication>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

using namespace hummwell;

struct Drawing {
    explicit Drawing(int mode) : full(mode), settings(full.view.settings), track(full.view.track) {
        pictures.make(kDefaultMaxFrames);
        pictures.makeAhead();
        pictures.renderGrid(settings);
        bars.rebuild(0, 0);
    }
    FullTrack full;
    const ProjectSettings& settings;
    const FrameTrack& track;
    TrackPictures pictures;
    NoteBarTable bars;
};

void renderStretch(benchmark::State& state) {
    Drawing d(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        d.pictures.renderStretch(d.track, d.settings, d.bars, 0, d.track.frameCount());
        benchmark::ClobberMemory();
    }
    state.counters["frames"] = d.track.frameCount();
}
BENCHMARK(renderStretch)->Arg(kAsIs)->Arg(kNoteQuantize)->Unit(benchmark::kMillisecond);

// The same full track of rests: what erasing to the grid and the meter cost on their own.
void renderStretchOfRests(benchmark::State& state) {
    Drawing d(kAsIs);
    FrameTrack rests;
    rests.clear();
    for (int i = 0; i < d.track.frameCount(); ++i) rests.append(Frame{});
    for (auto _ : state) {
        d.pictures.renderStretch(rests, d.settings, d.bars, 0, rests.frameCount());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(renderStretchOfRests)->Unit(benchmark::kMillisecond);

void renderGrid(benchmark::State& state) {
    Drawing d(kAsIs);
    for (auto _ : state) {
        d.pictures.renderGrid(d.settings);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(renderGrid)->Unit(benchmark::kMillisecond);

// What the view's paint does for an 800-column client deep in the track: the plan, then its
// copies and the cursor line into the window's backing picture.
void paintView(benchmark::State& state) {
    Drawing d(kAsIs);
    d.pictures.renderStretch(d.track, d.settings, d.bars, 0, d.track.frameCount());
    ViewState& view = d.full.view;
    view.transportState = static_cast<TransportState>(state.range(0));
    view.cursorFrame = state.range(0) == kIdle ? 16000 : 0;
    QImage window(800, kDrawingRows, QImage::Format_RGB32);
    for (auto _ : state) {
        const PaintPlan plan = planPaint(view, d.pictures.lines(), window.width());
        QPainter p(&window);
        for (const Slice& s : plan.slices)
            p.drawImage(QPoint(s.clientX, 0), d.pictures.picture(s.source),
                        QRect(s.sourceX, 0, s.width, kDrawingRows));
        p.drawImage(QPoint(plan.cursorX, 0), d.pictures.pattern(),
                    QRect(pictures::kCursorLineColumn, 0, 1, kDrawingRows));
        p.end();
        benchmark::DoNotOptimize(plan.readouts.time.data());
    }
}
BENCHMARK(paintView)->Arg(kIdle)->Arg(kEmptyProject)->Unit(benchmark::kMicrosecond);

// The row backgrounds of 32,767 columns: a stretched copy of the pattern column into every
// column, as a picture API invites, against one fill per scanline of the colour that row has.
void rowBackgrounds(benchmark::State& state) {
    const QImage pattern = pictures::patternPicture().convertToFormat(QImage::Format_RGB32);
    QImage grid(kDefaultMaxFrames, kDrawingRows, QImage::Format_RGB32);
    const bool perColumn = state.range(0) == 0;
    for (auto _ : state) {
        if (perColumn) {
            QPainter p(&grid);
            for (int x = 0; x < grid.width(); ++x)
                p.drawImage(QRect(x, kHeaderRows, 1, kDrawingRows - kHeaderRows), pattern,
                            QRect(0, kHeaderRows, 1, kDrawingRows - kHeaderRows));
        } else {
            for (int y = kHeaderRows; y < kDrawingRows; ++y) {
                auto* line = reinterpret_cast<QRgb*>(grid.scanLine(y));
                std::fill_n(line, grid.width(), pattern.pixel(0, y));
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetLabel(perColumn ? "stretched copy per column" : "fill per scanline");
}
BENCHMARK(rowBackgrounds)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
