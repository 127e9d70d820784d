#include "EditCommands.h"

#include "Navigation.h"
#include "view/NoteGeometry.h"
#include "document/ProjectCommands.h"
#include "document/ProjectFile.h"
#include "document/SettingLabels.h"
#include "document/TuningEstimate.h"
#include "document/ViewState.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

namespace hummwell {

namespace {

constexpr double kVolumeStep = 1.1;
constexpr double kPitchSlack = 1e-9;  // repeated 0.1 steps must still reach the bounds

bool idle(const ViewState& v) { return v.transportState == kIdle; }

// The selection as frames [first, end), the range sorted and both held to the track; empty
// when nothing is selected.
struct Span {
    int first = 0;
    int end = 0;
    bool empty() const { return end <= first; }
};

Span selected(ViewState& v) {
    const int last = v.frameCount() - 1;
    if (v.selection.noteSelected) {
        v.selection.noteStart = std::clamp(v.selection.noteStart, 0, last);
        v.selection.noteEnd = std::clamp(v.selection.noteEnd, v.selection.noteStart, last);
        return {v.selection.noteStart, v.selection.noteEnd};
    }
    if (v.selection.rangeSelected) {
        if (v.selection.rangeStart > v.selection.rangeEnd) std::swap(v.selection.rangeStart, v.selection.rangeEnd);
        v.selection.rangeStart = std::clamp(v.selection.rangeStart, 0, last);
        v.selection.rangeEnd = std::clamp(v.selection.rangeEnd, v.selection.rangeStart, last);
        return {v.selection.rangeStart, v.selection.rangeEnd};
    }
    return {};
}

// Moves the selection by `by` frames.
void shiftSelection(ViewState& v, int by) {
    if (v.selection.noteSelected) {
        v.selection.noteStart += by;
        v.selection.noteEnd += by;
    } else {
        v.selection.rangeStart += by;
        v.selection.rangeEnd += by;
    }
}

// Re-quantizes an edited stretch with one frame more on either side: an edit that splits or
// joins notes at its edges changes the notes there too.
void requantizeEdit(ViewState& v, int first, int count) { v.requantize(first - 1, count + 2); }

void finish(ViewState& v) {
    v.surface.repaint();
    if (v.scrubOn) v.output.resoundCursor();
}

// Frame i starts a note of its own when it continued one. Returns whether it did.
bool splitAt(FrameTrack& t, int i) {
    if (i >= t.frameCount() || t.mark[i] != kMarkContinue) return false;
    t.mark[i] = kMarkOnset;
    return true;
}

// A note begins with an onset. A move that steps over an unpitched onset, or a clip that
// begins inside a note, leaves a frame at i that would continue nothing: it starts the note.
void keepOnset(FrameTrack& t, int i) {
    if (i < t.frameCount() && t.mark[i] == kMarkContinue && (i == 0 || t.mark[i - 1] == kMarkRest))
        t.mark[i] = kMarkOnset;
}

}  // namespace

void copySelection(ViewState& v) {
    if (!idle(v) || !v.hasSelection()) return;
    const bool byNote = v.selection.noteSelected;
    const Span s = selected(v);
    v.clipTrack.clear();
    // A range that starts inside a note takes its own note: the track is split there too.
    if (!byNote && splitAt(v.track, s.first)) {
        requantizeEdit(v, s.first, 1);
        v.surface.repaint();
    }
    for (int i = s.first; i < s.end; ++i) v.clipTrack.append(v.track.frame(i));
}

void cutSelection(ViewState& v) {
    if (!idle(v) || !v.hasSelection()) return;
    copySelection(v);
    deleteSelection(v);
}

void pasteClip(ViewState& v) {
    const int k = v.clipTrack.frameCount();
    if (!idle(v) || k == 0) return;
    if (k + v.frameCount() >= v.maxFrames) {
        v.prompt.message(kPasteOverflow, "CANCEL PASTE", PromptIcon::Error, PromptButtons::Ok);
        return;
    }
    const int c = v.cursorFrame;
    splitAt(v.track, c);
    v.track.replace(c, 0, v.clipTrack);  // the evidence stays in step, unknown for the clip's
    keepOnset(v.track, c);
    v.clearSelection();
    requantizeEdit(v, c, v.frameCount() - c);
    v.surface.setScroll(v.frameCount(), c, true);
    finish(v);
}

void deleteSelection(ViewState& v) {
    if (!idle(v) || v.frameCount() < 2) return;
    if (v.selection.rangeSelected) {
        const Span s = selected(v);
        const int before = v.frameCount();
        v.track.erase(s.first, s.end - s.first);
        splitAt(v.track, s.first);
        if (s.first < v.cursorFrame)
            v.cursorFrame = v.cursorFrame > s.end ? v.cursorFrame - (s.end - s.first) : s.first;
        v.selection.rangeSelected = false;
        requantizeEdit(v, s.first, before - s.first);
        v.surface.setScroll(v.frameCount(), v.cursorFrame, true);
        v.surface.repaint();
    } else if (v.selection.noteSelected) {
        const Span s = selected(v);
        for (int i = s.first; i < s.end; ++i) v.track.set(i, Frame{});
        v.clearSelection();
        requantizeEdit(v, s.first, s.end - s.first + 2);
        v.surface.repaint();
    } else {
        return;
    }
    if (v.scrubOn) v.output.resoundCursor();
    if (v.frameCount() <= 1 && v.clipTrack.frameCount() == 0) newProject(v, UndoSteps::Keep);
}

void selectAll(ViewState& v) {
    if (!idle(v) || v.frameCount() < 2) return;
    v.selection.noteSelected = false;
    v.selection.rangeSelected = true;
    v.selection.rangeStart = 0;
    v.selection.rangeEnd = v.frameCount() - 1;  // the closing rest is never selected
    v.surface.repaint();
}

void unselect(ViewState& v) {
    if (!idle(v)) return;
    v.unselect();
}

void mergeAtCursor(ViewState& v) {
    const int c = v.cursorFrame;
    if (!idle(v) || c <= 0 || c >= v.frameCount()) return;
    const FrameTrack& t = v.track;
    if (t.mark[c] != kMarkOnset || t.mark[c - 1] == kMarkRest) return;
    const double step = std::trunc(t.pitch[c] - t.pitch[c - 1]);
    if (step < -2.0 || step > 2.0) return;  // a leap of three semitones stays two notes
    v.unselect();
    v.track.mark[c] = kMarkContinue;
    requantizeEdit(v, c - 1, 3);
    v.surface.repaint();
}

void splitAtCursor(ViewState& v) {
    const int c = v.cursorFrame;
    if (!idle(v) || c < 2 || c >= v.frameCount() - 2) return;
    const FrameTrack& t = v.track;
    if (t.mark[c] != kMarkContinue || t.mark[c - 1] != kMarkContinue ||
        t.mark[c + 1] != kMarkContinue)
        return;
    v.unselect();
    v.track.mark[c] = kMarkOnset;
    requantizeEdit(v, c - 1, 3);
    v.surface.repaint();
}

void shiftPitch(ViewState& v, double step) {
    if (!idle(v) || !v.hasSelection()) return;
    const bool byNote = v.selection.noteSelected;
    const Span s = selected(v);
    // A frame moves only when it stays inside the playable range; unpitched frames never do.
    const double low = kLowestPitch + std::max(0.0, -step) - kPitchSlack;
    const double high = kHighestPitch - std::max(0.0, step) + kPitchSlack;
    double highest = 0.0;
    double lowest = 129.0;
    FrameTrack& t = v.track;
    for (int i = s.first; i < s.end; ++i) {
        double& p = t.pitch[i];
        if (p >= low && p <= high) p = std::clamp(p + step, kLowestPitch, kHighestPitch);
        if (p < 1.0) continue;
        highest = std::max(highest, p);
        lowest = std::min(lowest, p);
    }
    if (byNote) {
        if (highest > 0.0) {  // the rectangle follows the note
            v.selection.noteTop = noteTopRow(highest);
            v.selection.noteBottom = noteBottomRow(lowest);
            v.selection.noteHeight = v.selection.noteBottom - v.selection.noteTop;
        }
        requantizeEdit(v, s.first, s.end - s.first);
    } else {
        splitAt(t, s.first);  // the shifted stretch becomes notes of its own
        splitAt(t, s.end);
        requantizeEdit(v, s.first, s.end - s.first);
    }
    finish(v);
}

void moveSelectionLeft(ViewState& v) {
    if (!idle(v) || !v.hasSelection()) return;
    const Span s = selected(v);
    FrameTrack& t = v.track;
    if (s.empty() || s.first <= 0 || t.pitch[s.first - 1] > 1.0) return;
    splitAt(t, s.end);
    for (int i = s.first; i < s.end; ++i) t.set(i - 1, t.frame(i));
    t.set(s.end - 1, Frame{});
    keepOnset(t, s.first - 1);
    keepOnset(t, s.end - 1);
    shiftSelection(v, -1);
    requantizeEdit(v, s.first - 1, s.end - s.first + 2);
    finish(v);
}

void moveSelectionRight(ViewState& v) {
    if (!idle(v) || !v.hasSelection()) return;
    const Span s = selected(v);
    FrameTrack& t = v.track;
    if (s.empty() || s.end >= v.frameCount() - 1 || t.pitch[s.end] > 1.0) return;
    splitAt(t, s.first);
    for (int i = s.end - 1; i >= s.first; --i) t.set(i + 1, t.frame(i));
    t.set(s.first, Frame{});
    keepOnset(t, s.first + 1);
    keepOnset(t, s.end + 1);
    shiftSelection(v, 1);
    requantizeEdit(v, s.first, s.end - s.first + 1);
    finish(v);
}

namespace {

void scaleVolume(ViewState& v, double factor) {
    if (!idle(v) || !v.hasSelection()) return;
    const Span s = selected(v);
    // Not held to 127 here: the MIDI output caps it, and Down undoes Up.
    for (int i = s.first; i < s.end; ++i) v.track.volume[i] *= factor;
    requantizeEdit(v, s.first, s.end - s.first + 1);
    finish(v);
}

}  // namespace

void volumeUp(ViewState& v) { scaleVolume(v, kVolumeStep); }
void volumeDown(ViewState& v) { scaleVolume(v, 1.0 / kVolumeStep); }

void tuneToTheSinger(ViewState& v) {
    if (!idle(v)) return;
    const Stretch range = v.findNotesRange();
    const std::optional<TuningEstimate> e = estimateTuning(v.track, range.first, range.count);
    constexpr char kTitle[] = "Tune to the Singer";
    if (!e) {
        v.prompt.message("Too few steady notes to measure the tuning: it needs three notes of a tenth of a "
                         "second or longer.", kTitle, PromptIcon::Information, PromptButtons::Ok);
        return;
    }
    const int cents = static_cast<int>(std::lround(e->cents));
    const std::string measured = "measured on " + std::to_string(e->notes) + " notes";
    if (cents == 0) {
        v.prompt.message("The notes are sung in tune with A4 = 440 Hz (" + measured + ").", kTitle,
                         PromptIcon::Information, PromptButtons::Ok);
        return;
    }
    const int index = std::clamp(v.setting(Setting::RefKeyAdjust) - cents, 0, 200);
    std::string text = "The notes are sung " + std::to_string(std::abs(cents)) + (cents < 0 ? " cents flat" : " cents sharp") +
                       " of A4 = 440 Hz (" + measured + ").";
    if (!worthRetuning(*e)) text += "\nThat is close to in tune, or the notes scatter too widely to be sure of it.";
    text += "\n\nSet Reference Key Adjust to " + refKeyAdjustLabel(index) + " and round the notes from there?";
    if (v.prompt.message(text, kTitle, PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes) return;
    retune(v.track, range.first, range.count, cents);
    v.setSetting(Setting::RefKeyAdjust, index);
    v.surface.showSetting(Setting::RefKeyAdjust, index);
    requantizeEdit(v, range.first, range.count);
    finish(v);
}

void leftKey(ViewState& v) {
    if (!idle(v)) return;
    if (v.hasSelection()) moveSelectionLeft(v);
    else stepCursorLeft(v);
}

void rightKey(ViewState& v) {
    if (!idle(v)) return;
    if (v.hasSelection()) moveSelectionRight(v);
    else stepCursorRight(v);
}

}  // namespace hummwell
