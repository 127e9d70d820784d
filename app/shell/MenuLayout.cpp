#include "MenuLayout.h"

#include "editor/Commands.h"

namespace hummwell {

const std::vector<CommandText>& commandTexts() {
    static const std::vector<CommandText> texts = {
        // File
        {kCmdNewProject, "&New Project", {"Ctrl+N"}, "Start a new project\nNew Project"},
        {kCmdOpenProject, "&Open Project...", {"Ctrl+O"}, "Open a saved project\nOpen Project"},
        {kCmdSaveProject, "&Save Project...", {"Ctrl+S"}, "Save the project to a file\nSave Project"},
        {kCmdExportMidi, "&Export to MIDI...", {"Ctrl+E"},
         "Write the notes as a Standard MIDI File\nExport to MIDI"},
        {kCmdExit, "E&xit", {}, "Quit the application\nExit"},
        // Edit
        {kCmdUndo, "&Undo", {"Ctrl+Z", "Alt+Backspace"}, "Undo the last edit or take\nUndo"},
        {kCmdRedo, "&Redo", {"Ctrl+Y", "Ctrl+Shift+Z"}, "Redo the edit or take undone last\nRedo"},
        {kCmdCut, "Cu&t", {"Ctrl+X", "Shift+Del"}, "Cut the selection to the clip\nCut"},
        {kCmdCopy, "&Copy", {"Ctrl+C", "Ctrl+Ins"}, "Copy the selection to the clip\nCopy"},
        {kCmdPaste, "&Paste", {"Ctrl+V", "Shift+Ins"}, "Insert the clip at Current-Position\nPaste"},
        {kCmdDelete, "&Delete", {"Del", "Backspace"}, "Delete the selection\nDelete"},
        {kCmdSelectAll, "Select &All", {"Ctrl+A"}, "Select the whole track\nSelect All"},
        {kCmdUnselect, "&Unselect", {"Esc"}, "Clear the selection and the clip\nUnselect"},
        {kCmdFindNotes, "&Find Notes", {"Ctrl+F"},
         "Decide again where the notes of the selection, or of the whole track, start and end\nFind Notes"},
        {kCmdFindNotesAfterTake, "Find Notes After Each &Take", {},
         "Find the notes of every take when it ends\nFind Notes After Each Take"},
        {kCmdTuneToSinger, "Tune to the Sin&ger...", {},
         "Measure how far the notes are sung from A4 = 440 Hz and round them from there\nTune to the Singer"},
        {kCmdMerge, "&Merge", {"Ctrl+G"}, "Merge left & right notes at Current-Position\nMerge"},
        {kCmdSplit, "&Split", {"Ctrl+U"}, "Split a note at Current-Position\nSplit"},
        {kCmdPitchUp, "Pitch+1.0", {"PgUp"}, "Selected Notes Pitch = Pitch + 1.0(one note up)\nPitch+1.0"},
        {kCmdPitchDown, "Pitch-1.0", {"PgDown"},
         "Selected Notes Pitch = Pitch - 1.0(one note down)\nPitch-1.0"},
        {kCmdPitchUpTenth, "Pitch+0.1", {"Up"}, "Selected Notes Pitch = Pitch + 0.1(10 cents up)\nPitch+0.1"},
        {kCmdPitchDownTenth, "Pitch-0.1", {"Down"},
         "Selected Notes Pitch = Pitch - 0.1(10 centsdown)\nPitch-0.1"},
        {kCmdMoveLeft, "Move &left", {}, "Move the selected notes one frame left\nMove left"},
        {kCmdMoveRight, "Move &right", {}, "Move the selected notes one frame right\nMove right"},
        {kCmdVolumeUp, "&Volume Up", {"Ctrl+Up"}, "Sound Volume Up\nVolume Up"},
        {kCmdVolumeDown, "V&olume Down", {"Ctrl+Down"}, "Sound Volume Down\nVolume Down"},
        {kCmdLeftKey, "", {"Left"}, "Move the selection, or Current-Position, one frame left"},
        {kCmdRightKey, "", {"Right"}, "Move the selection, or Current-Position, one frame right"},
        // Sound
        {kCmdRecord, "&Record", {"Ctrl+R"}, "Record from the microphone at Current-Position\nRecord"},
        {kCmdStop, "S&top", {"Ctrl+T"}, "Stop recording or playing\nStop"},
        {kCmdPlay, "&Play", {"Ctrl+P"}, "Play from Current-Position\nPlay"},
        {kCmdPlayStopToggle, "", {"Space"}, "Play, or stop playing"},
        {kCmdScrub, "Scru&b", {"Ctrl+B"}, "Sound the note at Current-Position while moving\nScrub"},
        // Goto
        {kCmdGotoFirst, "Goto &First", {"Home"}, "Go to the first frame\nFirst"},
        {kCmdGotoLast, "Goto &Last", {"End"}, "Go to the last frame\nLast"},
        {kCmdPrevBeat, "Pre&v Beat", {"Shift+Tab"}, "Go to the previous beat\nPrev Beat"},
        {kCmdNextBeat, "Ne&xt Beat", {"Tab"}, "Go to the next beat\nNext Beat"},
        {kCmdPrevNote, "&Prev Note", {"Ctrl+Left"}, "Go to the previous note\nPrev Note"},
        {kCmdNextNote, "&Next Note", {"Ctrl+Right"}, "Go to the next note\nNext Note"},
        // View
        {kCmdViewToolbar, "&Toolbar", {}, "Show or hide the toolbar\nToggle Toolbar"},
        {kCmdViewStatusBar, "&Status Bar", {}, "Show or hide the status bar\nToggle Status Bar"},
        // Help
        {kCmdHelp, "&Help Topics", {"F1"}, "Open the user guide\nHelp"},
        {kCmdUserBoard, "Online User's Board...", {}, "Visit the users' discussion board\nUser's Board"},
        {kCmdCheckUpdate, "Check Update...", {}, "Look for a newer version\nCheck Update"},
        {kCmdAbout, "&About Hummwell plus...", {},
         "Display program information, version number and copyright\nAbout"},
    };
    return texts;
}

const CommandText* commandText(int id) {
    for (const CommandText& t : commandTexts())
        if (t.id == id) return &t;
    return nullptr;
}

const std::vector<MenuLayout>& menuLayout() {
    static const std::vector<MenuLayout> menus = {
        {"&File",
         {kCmdNewProject, kCmdOpenProject, kCmdSaveProject, kCmdExportMidi, kSeparator,
          kCmdRecentFile1, kSeparator, kCmdExit}},
        {"&Edit",
         {kCmdUndo, kCmdRedo, kSeparator, kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete, kSeparator, kCmdSelectAll, kCmdUnselect,
          kSeparator, kCmdFindNotes, kCmdFindNotesAfterTake, kCmdTuneToSinger, kSeparator, kCmdMerge, kCmdSplit,
          kSeparator, kCmdPitchUp, kCmdPitchDown,
          kCmdPitchUpTenth, kCmdPitchDownTenth, kSeparator, kCmdMoveLeft, kCmdMoveRight,
          kSeparator, kCmdVolumeUp, kCmdVolumeDown}},
        {"&Sound", {kCmdRecord, kCmdStop, kCmdPlay, kSeparator, kCmdScrub}},
        {"&Goto",
         {kCmdGotoFirst, kCmdGotoLast, kSeparator, kCmdPrevBeat, kCmdNextBeat, kSeparator,
          kCmdPrevNote, kCmdNextNote}},
        {"&View", {kCmdViewToolbar, kCmdViewStatusBar}},
        {"&Help", {kCmdHelp, kSeparator, kCmdUserBoard, kCmdCheckUpdate, kSeparator, kCmdAbout}},
    };
    return menus;
}

const std::vector<int>& toolbarLayout() {
    static const std::vector<int> buttons = {
        kCmdNewProject, kCmdOpenProject, kCmdSaveProject, kCmdExportMidi, kSeparator,
        kCmdRecord, kCmdStop, kCmdPlay, kCmdScrub, kSeparator,
        kCmdGotoFirst, kCmdGotoLast, kCmdPrevBeat, kCmdNextBeat, kCmdPrevNote, kCmdNextNote, kSeparator,
        kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete, kSeparator,
        kCmdMerge, kCmdSplit, kSeparator,
        kCmdPitchUp, kCmdPitchDown, kCmdPitchUpTenth, kCmdPitchDownTenth, kCmdMoveLeft, kCmdMoveRight, kSeparator,
        kCmdVolumeUp, kCmdVolumeDown, kSeparator,
        kCmdHelp,
    };
    return buttons;
}

}  // namespace hummwell
