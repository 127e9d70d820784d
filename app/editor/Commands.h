// The program's commands by their numeric ids, which menus, toolbar buttons, keys and panel
// buttons share; whether each is enabled in the view's present state; and running the ones
// whose handlers live in the GUI-free core.
#pragma once

#include "document/ViewPorts.h"

namespace hummwell {

class ViewState;

enum CommandId : int {
    kCmdNewProject = 57600,
    kCmdOpenProject = 57601,
    kCmdSaveProject = 57603,
    kCmdExportMidi = 32784,
    kCmdRecord = 32771,
    kCmdPlay = 32772,
    kCmdStop = 32773,
    kCmdPlayStopToggle = 32774,  // Space: Play when idle, Stop while playing
    kCmdScrub = 32783,
    kCmdCopy = 57634,
    kCmdCut = 57635,
    kCmdPaste = 57637,
    kCmdDelete = 57632,
    kCmdSelectAll = 57642,
    kCmdUndo = 57643,
    kCmdRedo = 57644,
    kCmdUnselect = 32789,
    kCmdMerge = 32790,
    kCmdSplit = 32791,
    kCmdPitchUp = 32792,         // +1.0
    kCmdPitchDown = 32793,       // -1.0
    kCmdPitchUpTenth = 32794,    // +0.1
    kCmdPitchDownTenth = 32795,  // -0.1
    kCmdMoveLeft = 32796,
    kCmdMoveRight = 32797,
    kCmdVolumeUp = 32816,
    kCmdVolumeDown = 32817,
    kCmdLeftKey = 32812,
    kCmdRightKey = 32813,
    kCmdGotoFirst = 32786,
    kCmdGotoLast = 32787,
    kCmdNextBeat = 32808,
    kCmdPrevBeat = 32809,
    kCmdNextNote = 32814,
    kCmdPrevNote = 32815,
    kCmdHelp = 57670,
    kCmdAbout = 57664,
    kCmdUserBoard = 32799,
    kCmdCheckUpdate = 32798,
    kCmdRecentFile1 = 57616,  // the recent projects, kCmdRecentFile1 .. kCmdRecentFile1 + 3
    kCmdFindNotes = 32840,           // the look-ahead note finder over the selection or track
    kCmdFindNotesAfterTake = 32841,  // its option: run it when a take ends
    kCmdTuneToSinger = 32842,        // the singer's reference measured and offered
    kCmdPanelTick = 1027,
    kCmdPanelChange = 1028,
};

// The four command-enable flags follow the transport.
enum class CommandFlag { Edit, File, Play, Stop };

struct CommandFlags {
    bool edit = false;
    bool file = false;
    bool play = false;
    bool stop = false;
    bool operator==(const CommandFlags&) const = default;
};

CommandFlags commandFlags(TransportState state);
// The flag that governs a command; false for an id that is not a command.
bool governingFlag(int id, CommandFlag& flag);
// The flag and, for the edit commands, what they need of the selection, the clip or the
// frames at the cursor.
bool commandEnabled(const ViewState& view, int id);
// Scrub's menu check mark.
bool commandChecked(const ViewState& view, int id);

// Runs an enabled command whose handler is GUI-free: the project and file commands, Record,
// Play, Stop, Scrub, the edits and the cursor moves. Returns false when the command is
// disabled or belongs to the windows (Help, About, the web pages, the panel's buttons, and
// the recent projects, whose paths the profile holds). Each edit that changes the track, the
// clip or the selection is one undo step; Copy only when it splits a note.
bool runCommand(ViewState& view, int id);

}  // namespace hummwell
