#include "Commands.h"

#include "EditCommands.h"
#include "Navigation.h"
#include "document/MidiExport.h"
#include "document/ProjectFile.h"
#include "document/ViewState.h"

namespace hummwell {

namespace {

// The frame before the cursor, or a rest before frame 0.
int markBefore(const ViewState& v) { return v.cursorFrame > 0 ? v.track.mark[v.cursorFrame - 1] : kMarkRest; }
int markAfter(const ViewState& v) {
    return v.cursorFrame + 1 < v.frameCount() ? v.track.mark[v.cursorFrame + 1] : kMarkRest;
}

}  // namespace

CommandFlags commandFlags(TransportState state) {
    switch (state) {
    case kIdle: return {true, true, true, false};
    case kRecording:
    case kPlaying: return {false, false, false, true};
    case kEmptyProject: return {false, true, false, false};
    }
    return {};
}

bool governingFlag(int id, CommandFlag& flag) {
    switch (id) {
    case kCmdNewProject:
    case kCmdSaveProject:
    case kCmdExportMidi:
    case kCmdSelectAll:
    case kCmdLeftKey:
    case kCmdRightKey:
    case kCmdUndo:
    case kCmdRedo:
    case kCmdCut:
    case kCmdCopy:
    case kCmdPaste:
    case kCmdDelete:
    case kCmdUnselect:
    case kCmdMerge:
    case kCmdSplit:
    case kCmdPitchUp:
    case kCmdPitchDown:
    case kCmdPitchUpTenth:
    case kCmdPitchDownTenth:
    case kCmdMoveLeft:
    case kCmdMoveRight:
    case kCmdVolumeUp:
    case kCmdVolumeDown: flag = CommandFlag::Edit; return true;
    case kCmdOpenProject:
    case kCmdRecord:
    case kCmdHelp:
    case kCmdUserBoard:
    case kCmdCheckUpdate:
    case kCmdAbout:
    case kCmdPanelChange:
    case kCmdPanelTick: flag = CommandFlag::File; return true;
    case kCmdPlay:
    case kCmdGotoFirst:
    case kCmdGotoLast:
    case kCmdNextBeat:
    case kCmdPrevBeat:
    case kCmdNextNote:
    case kCmdPrevNote:
    case kCmdScrub: flag = CommandFlag::Play; return true;
    case kCmdStop: flag = CommandFlag::Stop; return true;
    default: return false;
    }
}

bool commandEnabled(const ViewState& v, int id) {
    CommandFlag which{};
    if (!governingFlag(id, which)) return false;
    const CommandFlags flags = commandFlags(v.transportState);
    switch (which) {
    case CommandFlag::File: return flags.file;
    case CommandFlag::Play: return flags.play;
    case CommandFlag::Stop: return flags.stop;
    case CommandFlag::Edit: break;
    }
    if (!flags.edit) return false;

    const int c = v.cursorFrame;
    const int n = v.frameCount();
    const bool clip = v.clipTrack.frameCount() > 0;
    switch (id) {
    case kCmdCut:
    case kCmdCopy:
    case kCmdDelete:
    case kCmdPitchUp:
    case kCmdPitchDown:
    case kCmdPitchUpTenth:
    case kCmdPitchDownTenth:
    case kCmdMoveLeft:
    case kCmdMoveRight:
    case kCmdVolumeUp:
    case kCmdVolumeDown: return v.hasSelection();
    case kCmdPaste: return clip;
    case kCmdUnselect: return v.hasSelection() || clip;
    case kCmdMerge:
        return c > 0 && c < n && v.track.mark[c] == kMarkOnset && markBefore(v) == kMarkContinue;
    case kCmdSplit:
        return c > 0 && c < n - 1 && v.track.mark[c] == kMarkContinue &&
               markBefore(v) != kMarkOnset && markAfter(v) == kMarkContinue;
    default: return true;
    }
}

bool commandChecked(const ViewState& v, int id) { return id == kCmdScrub && v.scrubOn; }

bool runCommand(ViewState& v, int id) {
    if (!commandEnabled(v, id)) return false;
    switch (id) {
    case kCmdNewProject: newProject(v); break;
    case kCmdOpenProject: openProject(v); break;
    case kCmdSaveProject: saveProject(v); break;
    case kCmdExportMidi: exportMidi(v); break;
    case kCmdRecord: v.record(); break;
    case kCmdPlay: v.play(); break;
    case kCmdStop: v.stop(); break;
    case kCmdScrub: v.toggleScrub(); break;
    case kCmdCopy: copySelection(v); break;
    case kCmdCut: cutSelection(v); break;
    case kCmdPaste: pasteClip(v); break;
    case kCmdDelete: deleteSelection(v); break;
    case kCmdSelectAll: selectAll(v); break;
    case kCmdUndo:
    case kCmdRedo: break;  // there is no undo; the keys are taken so that they do nothing
    case kCmdUnselect: unselect(v); break;
    case kCmdMerge: mergeAtCursor(v); break;
    case kCmdSplit: splitAtCursor(v); break;
    case kCmdPitchUp: shiftPitch(v, 1.0); break;
    case kCmdPitchDown: shiftPitch(v, -1.0); break;
    case kCmdPitchUpTenth: shiftPitch(v, 0.1); break;
    case kCmdPitchDownTenth: shiftPitch(v, -0.1); break;
    case kCmdMoveLeft: moveSelectionLeft(v); break;
    case kCmdMoveRight: moveSelectionRight(v); break;
    case kCmdVolumeUp: volumeUp(v); break;
    case kCmdVolumeDown: volumeDown(v); break;
    case kCmdLeftKey: leftKey(v); break;
    case kCmdRightKey: rightKey(v); break;
    case kCmdGotoFirst: gotoFirst(v); break;
    case kCmdGotoLast: gotoLast(v); break;
    case kCmdNextBeat: gotoNextBeat(v); break;
    case kCmdPrevBeat: gotoPrevBeat(v); break;
    case kCmdNextNote: gotoNextNote(v); break;
    case kCmdPrevNote: gotoPrevNote(v); break;
    default: return false;
    }
    return true;
}

}  // namespace hummwell
