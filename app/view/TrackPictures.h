// The note view's off-screen pictures and the drawing into them: the empty measure grid, the
// track drawn over a copy of it (loudness meter, note bars, pitch curve, onset ticks), and the
// empty grid shown ahead of the cursor while recording. Painting only copies slices of these.
//
// Threads: everything here runs on the GUI thread, but drawRecordedFrame, which the capture
// thread calls during a take with the view's take lock held.
#pragma once

#include "document/FrameTrack.h"
#include "document/ProjectSettings.h"
#include "view/ViewLayout.h"

#include <QColor>
#include <QImage>

namespace hummwell {

inline constexpr int kAheadColumns = 2000;  // empty grid right of the cursor while recording

// The pens, RGB.
inline const QColor kMeterColour{0, 210, 0};
inline const QColor kCurveCentre{0, 128, 64};
inline const QColor kCurveInner{64, 192, 128};
inline const QColor kCurveOuter{128, 255, 192};
inline const QColor kTickColour{128, 128, 128};  // onset ticks and the header line

class TrackPictures {
public:
    TrackPictures();

    // The grid and track pictures, `columns` wide; false (and none) when they cannot be made.
    bool make(int columns);
    bool makeAhead();
    int columns() const { return grid_.width(); }

    // The empty grid of the key, scale, speed and metre, copied whole to the track picture.
    void renderGrid(const ProjectSettings& settings);
    // Frames first .. end - 1 erased to the grid and drawn again.
    void renderStretch(const FrameTrack& track, const ProjectSettings& settings,
                       const NoteBarTable& bars, int first, int end);
    // New Project: the grid back over every column a track was drawn in, and a black line
    // down column 0.
    void eraseTrack();
    // Record: the empty grid ahead of the cursor, in step with the measures at `cursor`.
    void prepareAhead(int cursor);
    // The frame just stored by a take: its column erased to the grid, its meter line, and the
    // curve into it or its onset tick. Allocates nothing: it runs on the capture thread.
    void drawRecordedFrame(const FrameTrack& track, int frame);

    const GridLines& lines() const { return lines_; }
    const QImage& grid() const { return grid_; }
    const QImage& track() const { return track_; }
    const QImage& ahead() const { return ahead_; }
    const QImage& pattern() const { return pattern_; }
    const QImage& picture(Picture p) const;

private:
    void segment(int x0, int y0, int x1, int y1, QRgb colour);
    void onsetTick(int x, int y);
    void drawFrame(const FrameTrack& track, int i, bool asIs);

    QImage pattern_, grid_, track_, ahead_;
    GridLines lines_;
    int drawnEnd_ = 0;  // track columns at or beyond it are the grid's
};

}  // namespace hummwell
