// The file commands on the view: New, Open and Save Project, Export to MIDI, and the reading
// and writing of a view's project with the messages the user sees.
#pragma once

#include "FrameTrack.h"
#include "ProjectFile.h"
#include "ProjectSettings.h"

#include <string>

namespace hummwell {

class UserPrompt;
class ViewState;

// Gives the view a project read whole: its track, then its settings through their setters,
// each shown in its control. The caller shows the warnings and finishes the open.
void applyProject(ViewState& view, ProjectContents&& contents);

// Reads a project into the view state, its warnings shown. On failure (after its message) the
// track, the settings and the undo history are as they were.
bool readProjectFile(ViewState& view, const std::string& path);
// Writes the view state's project; a failure leaves any earlier file at `path` untouched and
// says which and why.
bool writeProjectFile(ViewState& view, const std::string& path);

// Whether New Project forgets the undo history: the command does; an edit that emptied the
// track keeps it, so that the edit can be undone.
enum class UndoSteps { Forget, Keep };

// The commands.
void newProject(ViewState& view, UndoSteps steps = UndoSteps::Forget);
void openProject(ViewState& view);
// Open Project for a file the caller names (a recent project): the same question first, no
// file dialog. Returns whether the file was read.
bool openProjectFile(ViewState& view, const std::string& path);
// Whether the project was written; false when the user cancelled the dialog.
bool saveProject(ViewState& view);
// What Open Project does after a successful read; also used for a file named at start-up.
void finishOpen(ViewState& view);

// Writes a Standard MIDI File; on failure "Failed to Open File." with the file and the reason,
// leaving any earlier file as it was.
bool writeMidiFile(const std::string& path, const FrameTrack& track, const ProjectSettings& settings,
                   UserPrompt& prompt);
// The Export to MIDI command: only when idle with material.
void exportMidi(ViewState& view);

}  // namespace hummwell
