// Everything Undo and Redo put back, copied out of a view state so that two moments can be
// compared exactly: the five columns and the evidence, the cursor, the selection, the clip and
// the transport. `differences` names the parts that differ, for failure messages.
#pragma once

#include "document/UndoHistory.h"
#include "document/ViewState.h"

#include <string>
#include <tuple>
#include <vector>

namespace viewsnapshot {

using namespace hummwell;

struct Columns {
    std::vector<double> pitch;
    std::vector<int32_t> note;
    std::vector<double> volume;
    std::vector<int32_t> mark;
    std::vector<int32_t> reserved;
    std::vector<std::tuple<double, double, double, bool>> evidence;
    bool operator==(const Columns&) const = default;
};

inline Columns columnsOf(const FrameTrack& t) {
    Columns c{t.pitch, t.note, t.volume, t.mark, t.reserved, {}};
    for (const FrameEvidence& e : t.evidence) c.evidence.emplace_back(e.level, e.pitch, e.clarity, e.known);
    return c;
}

struct Snapshot {
    Columns track;
    int cursor = 0;
    Selection selection;
    Columns clip;
    TransportState transport = kIdle;
    bool operator==(const Snapshot&) const = default;
};

inline Snapshot snapshotOf(const ViewState& v) {
    return {columnsOf(v.track), v.cursorFrame, v.selection, columnsOf(v.clipTrack), v.transportState};
}

inline std::string differences(const Snapshot& a, const Snapshot& b) {
    std::string out;
    const auto note = [&out](bool differ, const char* what) {
        if (differ) out += std::string(out.empty() ? "" : ", ") + what;
    };
    note(a.track.pitch != b.track.pitch, "pitch");
    note(a.track.note != b.track.note, "note");
    note(a.track.volume != b.track.volume, "volume");
    note(a.track.mark != b.track.mark, "mark");
    note(a.track.reserved != b.track.reserved, "reserved");
    note(a.track.evidence != b.track.evidence, "evidence");
    note(a.cursor != b.cursor, "cursor");
    note(!(a.selection == b.selection), "selection");
    note(!(a.clip == b.clip), "clip");
    note(a.transport != b.transport, "transport");
    return out.empty() ? "nothing" : out;
}

}  // namespace viewsnapshot
