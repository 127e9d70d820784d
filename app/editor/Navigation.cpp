#include "Navigation.h"

#include "document/ViewState.h"

#include <cmath>

namespace hummwell {

namespace {

bool canNavigate(const ViewState& v) { return v.transportState == kIdle && v.frameCount() >= 2; }

}  // namespace

int beatIndexAt(const ViewState& v, int frame) {
    const double t = frameToMs(frame);
    const double measure = v.settings.measureMs();
    const double inMeasure = t - std::trunc(t / measure) * measure;
    return static_cast<int>(std::trunc(inMeasure / v.settings.beatMs()));
}

int snapToBeat(const ViewState& v, int f) {
    const int last = v.frameCount() - 1;
    int before = f;
    while (before > 0 && beatIndexAt(v, before - 1) == beatIndexAt(v, before)) --before;
    int after = f;
    while (after < last && beatIndexAt(v, after - 1) == beatIndexAt(v, after)) ++after;
    return after - f < f - before ? after : before;
}

void moveCursorTo(ViewState& v, int frame) {
    v.setCursor(frame);
    v.surface.setScroll(v.frameCount(), v.cursorFrame, true);
    v.surface.repaint();
}

void gotoFirst(ViewState& v) {
    if (canNavigate(v)) moveCursorTo(v, 0);
}

void gotoLast(ViewState& v) {
    if (canNavigate(v)) moveCursorTo(v, v.frameCount() - 1);
}

void gotoNextBeat(ViewState& v) {
    if (!canNavigate(v)) return;
    const int last = v.frameCount() - 1;
    const int beat = beatIndexAt(v, v.cursorFrame);
    int f = v.cursorFrame;
    while (f < last && beatIndexAt(v, f) == beat) ++f;
    moveCursorTo(v, f);
}

void gotoPrevBeat(ViewState& v) {
    if (!canNavigate(v)) return;
    int f = v.cursorFrame;
    if (f > 1) --f;  // from a beat's first frame, on to the beat before
    while (f > 0 && beatIndexAt(v, f - 1) == beatIndexAt(v, f)) --f;
    moveCursorTo(v, f);
}

void gotoNextNote(ViewState& v) {
    if (!canNavigate(v)) return;
    const int last = v.frameCount() - 1;
    if (v.cursorFrame >= last) return;
    int f = v.cursorFrame + 1;
    while (f <= last - 1 && v.track.mark[f] != kMarkOnset) ++f;
    moveCursorTo(v, f);  // the last frame when no onset follows
}

void gotoPrevNote(ViewState& v) {
    if (!canNavigate(v) || v.cursorFrame <= 0) return;
    int f = v.cursorFrame - 1;
    while (f > 0 && v.track.mark[f] != kMarkOnset) --f;
    moveCursorTo(v, f);
}

void stepCursorLeft(ViewState& v) {
    if (canNavigate(v) && v.cursorFrame > 0) moveCursorTo(v, v.cursorFrame - 1);
}

void stepCursorRight(ViewState& v) {
    if (v.transportState == kIdle && v.cursorFrame < v.frameCount() - 1)
        moveCursorTo(v, v.cursorFrame + 1);
}

void onScrolled(ViewState& v, int position) {
    if (v.transportState == kIdle) v.setCursor(position);
}

void onViewResized(ViewState& v, int width) {
    v.viewWidth = width;
    if (v.transportState == kIdle || v.transportState == kPlaying)
        v.surface.setScroll(v.frameCount(), v.cursorFrame, v.transportState == kIdle);
    else
        v.surface.setScroll(1, 0, false);  // nothing to scroll to while recording or empty
}

}  // namespace hummwell
