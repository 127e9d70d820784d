// A view state over the app doubles with a track written as a string of marks: '1' an onset,
// '0' a continuation (both pitched), '.' a rest. The last character is the closing rest.
#pragma once

#include "document/ViewState.h"
#include "editor/NoteDrag.h"
#include "view/NoteGeometry.h"
#include "support/AppDoubles.h"

#include <string>
#include <vector>

namespace editfixture {

using namespace hummwell;

struct EditView {
    appdoubles::ViewFixture f;
    ViewState view{f.prompt, f.surface, f.output, f.input};
    NoteDrag drag;  // the pointer's gesture, as the view widget holds it

    EditView() { view.viewWidth = 600; }

    void setTrack(const std::string& pattern, double pitch = 60.0, double volume = 64.0) {
        FrameTrack& t = view.track;
        t.clear();
        for (const char c : pattern) {
            if (c == '.') t.append(Frame{});
            else t.append(Frame{pitch, 0, volume, c == '1' ? kMarkOnset : kMarkContinue, 0});
        }
        view.transportState = t.frameCount() > 1 ? kIdle : kEmptyProject;
    }

    std::string marks() const {
        std::string out;
        for (const int m : view.track.mark) out += m == kMarkOnset ? '1' : m == kMarkContinue ? '0' : '.';
        return out;
    }

    std::vector<double> pitches(int first, int end) const {
        return {view.track.pitch.begin() + first, view.track.pitch.begin() + end};
    }

    // Client coordinates of a frame and a pitch.
    int xOf(int frame) const { return xOfFrame(view, frame); }
    static int rowOf(double pitch) { return static_cast<int>(28 + (108.5 - pitch) * 6); }

    // Selects the note at `frame` as a click on its curve would, without the gesture.
    void pickNote(int frame) {
        drag.selectNoteAt(view, xOf(frame), rowOf(view.track.pitch[frame]));
        drag = NoteDrag{};
        view.history.holdGesture(false);
    }

    void selectRange(int start, int end) {
        view.selection.rangeSelected = true;
        view.selection.noteSelected = false;
        view.selection.rangeStart = start;
        view.selection.rangeEnd = end;
    }
};

}  // namespace editfixture
