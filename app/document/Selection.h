// What the user selected in the note view, as the document keeps it and an undo step restores it.
#pragma once

namespace hummwell {

// What the user selected: at most one of a range of frames and a note. The range is frames
// rangeStart .. rangeEnd - 1, the two in either order until a command sorts them; the note is
// frames noteStart .. noteEnd - 1, framed by rows noteTop .. noteBottom.
struct Selection {
    bool rangeSelected = false;
    int rangeStart = 0;
    int rangeEnd = 0;
    bool noteSelected = false;
    int noteStart = 0;
    int noteEnd = 0;
    int noteWidth = 0;
    int noteTop = 0;
    int noteBottom = 0;
    int noteHeight = 0;
    bool any() const { return rangeSelected || noteSelected; }
    bool operator==(const Selection&) const = default;
};

}  // namespace hummwell
