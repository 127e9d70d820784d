#include "Commands.h"

#include "EditCommands.h"
#include "Navigation.h"
#include "document/MidiExport.h"
#include "document/ProjectCommands.h"
#include "document/ProjectFile.h"
#include "document/ViewState.h"

#include <optional>

namespace hummwell {

namespace {

// What an edit command needs besides the edit flag.
enum class Needs { Nothing, Selection, Clip, SelectionOrClip, OnsetAfterNote, InsideNote, UndoStep, RedoStep };

struct Rule {
    int id;
    CommandFlag flag;
    Needs needs;
};

constexpr CommandFlag kEdit = CommandFlag::Edit;
constexpr CommandFlag kFile = CommandFlag::File;
constexpr CommandFlag kPlay = CommandFlag::Play;

constexpr Rule kRules[] = {
    {kCmdNewProject, kEdit, Needs::Nothing},
    {kCmdSaveProject, kEdit, Needs::Nothing},
    {kCmdExportMidi, kEdit, Needs::Nothing},
    {kCmdSelectAll, kEdit, Needs::Nothing},
    {kCmdFindNotes, kEdit, Needs::Nothing},
    {kCmdFindNotesAfterTake, kFile, Needs::Nothing},  // also before the first take
    {kCmdTuneToSinger, kEdit, Needs::Nothing},
    {kCmdLeftKey, kEdit, Needs::Nothing},
    {kCmdRightKey, kEdit, Needs::Nothing},
    {kCmdCut, kEdit, Needs::Selection},
    {kCmdCopy, kEdit, Needs::Selection},
    {kCmdDelete, kEdit, Needs::Selection},
    {kCmdPitchUp, kEdit, Needs::Selection},
    {kCmdPitchDown, kEdit, Needs::Selection},
    {kCmdPitchUpTenth, kEdit, Needs::Selection},
    {kCmdPitchDownTenth, kEdit, Needs::Selection},
    {kCmdMoveLeft, kEdit, Needs::Selection},
    {kCmdMoveRight, kEdit, Needs::Selection},
    {kCmdVolumeUp, kEdit, Needs::Selection},
    {kCmdVolumeDown, kEdit, Needs::Selection},
    {kCmdPaste, kEdit, Needs::Clip},
    {kCmdUnselect, kEdit, Needs::SelectionOrClip},
    {kCmdMerge, kEdit, Needs::OnsetAfterNote},
    {kCmdSplit, kEdit, Needs::InsideNote},
    {kCmdUndo, kFile, Needs::UndoStep},  // also in an empty project: Delete may have made it
    {kCmdRedo, kFile, Needs::RedoStep},
    {kCmdOpenProject, kFile, Needs::Nothing},
    {kCmdRecord, kFile, Needs::Nothing},
    {kCmdHelp, kFile, Needs::Nothing},
    {kCmdUserBoard, kFile, Needs::Nothing},
    {kCmdCheckUpdate, kFile, Needs::Nothing},
    {kCmdAbout, kFile, Needs::Nothing},
    {kCmdPanelChange, kFile, Needs::Nothing},
    {kCmdPanelTick, kFile, Needs::Nothing},
    {kCmdRecentFile1, kFile, Needs::Nothing},
    {kCmdRecentFile1 + 1, kFile, Needs::Nothing},
    {kCmdRecentFile1 + 2, kFile, Needs::Nothing},
    {kCmdRecentFile1 + 3, kFile, Needs::Nothing},
    {kCmdPlay, kPlay, Needs::Nothing},
    {kCmdGotoFirst, kPlay, Needs::Nothing},
    {kCmdGotoLast, kPlay, Needs::Nothing},
    {kCmdNextBeat, kPlay, Needs::Nothing},
    {kCmdPrevBeat, kPlay, Needs::Nothing},
    {kCmdNextNote, kPlay, Needs::Nothing},
    {kCmdPrevNote, kPlay, Needs::Nothing},
    {kCmdScrub, kPlay, Needs::Nothing},
    {kCmdStop, CommandFlag::Stop, Needs::Nothing},
};

const Rule* ruleFor(int id) {
    for (const Rule& r : kRules)
        if (r.id == id) return &r;
    return nullptr;
}

bool flagSet(const CommandFlags& flags, CommandFlag which) {
    switch (which) {
    case CommandFlag::Edit: return flags.edit;
    case CommandFlag::File: return flags.file;
    case CommandFlag::Play: return flags.play;
    case CommandFlag::Stop: return flags.stop;
    }
    return false;
}

// The mark of frame i; a rest beyond either end of the track.
int markAt(const ViewState& v, int i) { return i >= 0 && i < v.frameCount() ? v.track.mark[i] : kMarkRest; }

// Reads the cursor and the track only for the rules that need them: while a take runs, no
// rule gets this far, and the capture thread owns both.
bool needsMet(const ViewState& v, Needs needs) {
    const bool clip = v.clipTrack.frameCount() > 0;
    const int c = needs == Needs::OnsetAfterNote || needs == Needs::InsideNote ? v.cursorFrame : 0;
    switch (needs) {
    case Needs::Nothing: return true;
    case Needs::Selection: return v.hasSelection();
    case Needs::Clip: return clip;
    case Needs::SelectionOrClip: return v.hasSelection() || clip;
    case Needs::OnsetAfterNote:
        return c > 0 && markAt(v, c) == kMarkOnset && markAt(v, c - 1) == kMarkContinue;
    case Needs::InsideNote:
        return c > 0 && c < v.frameCount() - 1 && markAt(v, c) == kMarkContinue &&
               markAt(v, c - 1) != kMarkOnset && markAt(v, c + 1) == kMarkContinue;
    case Needs::UndoStep: return v.history.canUndo(v);
    case Needs::RedoStep: return v.history.canRedo(v);
    }
    return false;
}

// The commands that make an undo step, and how it is told from no change.
std::optional<StepKind> stepOf(const ViewState& v, int id) {
    switch (id) {
    case kCmdCut:
    case kCmdPaste:
    case kCmdDelete:
    case kCmdMerge:
    case kCmdSplit:
    case kCmdPitchUp:
    case kCmdPitchDown:
    case kCmdPitchUpTenth:
    case kCmdPitchDownTenth:
    case kCmdMoveLeft:
    case kCmdMoveRight:
    case kCmdVolumeUp:
    case kCmdVolumeDown:
    case kCmdFindNotes:
    case kCmdTuneToSinger: return StepKind::Command;
    case kCmdLeftKey:  // without a selection a cursor move, which is no step
    case kCmdRightKey:
        if (v.hasSelection()) return StepKind::Command;
        return std::nullopt;
    case kCmdCopy: return StepKind::Copy;  // a range copied from inside a note splits it
    default: return std::nullopt;
    }
}

// Runs the command's handler; false when the core has none.
bool run(ViewState& v, int id) {
    switch (id) {
    case kCmdNewProject: newProject(v); break;
    case kCmdOpenProject: openProject(v); break;
    case kCmdSaveProject: saveProject(v); break;
    case kCmdExportMidi: exportMidi(v); break;
    case kCmdRecord: v.record(); break;
    case kCmdPlay: v.play(); break;
    case kCmdStop: v.stop(); break;
    case kCmdPlayStopToggle: v.togglePlayStop(); break;
    case kCmdScrub: v.toggleScrub(); break;
    case kCmdCopy: copySelection(v); break;
    case kCmdCut: cutSelection(v); break;
    case kCmdPaste: pasteClip(v); break;
    case kCmdDelete: deleteSelection(v); break;
    case kCmdSelectAll: selectAll(v); break;
    case kCmdUndo: v.history.undo(v); break;
    case kCmdRedo: v.history.redo(v); break;
    case kCmdUnselect: unselect(v); break;
    case kCmdFindNotes: {
        const Stretch range = v.findNotesRange();
        v.findNotes(range.first, range.count);
        break;
    }
    case kCmdFindNotesAfterTake: v.findNotesAfterTake = !v.findNotesAfterTake; break;
    case kCmdTuneToSinger: tuneToTheSinger(v); break;
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
    const Rule* r = ruleFor(id);
    if (r) flag = r->flag;
    return r != nullptr;
}

bool commandEnabled(const ViewState& v, int id) {
    // Space answers in both states of the transport it toggles.
    if (id == kCmdPlayStopToggle) return v.transportState == kIdle || v.transportState == kPlaying;
    const Rule* r = ruleFor(id);
    return r && flagSet(commandFlags(v.transportState), r->flag) && needsMet(v, r->needs);
}

bool commandChecked(const ViewState& v, int id) {
    return (id == kCmdScrub && v.scrubOn) || (id == kCmdFindNotesAfterTake && v.findNotesAfterTake);
}

bool runCommand(ViewState& v, int id) {
    if (!commandEnabled(v, id)) return false;
    const std::optional<StepKind> step = stepOf(v, id);
    if (step) v.history.begin(v, *step);
    const bool ran = run(v, id);
    if (step) {
        v.history.end(v);
        v.history.resumeGesture(v);  // a key pressed during a drag
    }
    return ran;
}

}  // namespace hummwell
