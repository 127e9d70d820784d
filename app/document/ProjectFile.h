// The project file "*.hwp": the settings and the whole frame track in one little-endian
// binary file, with its reader, its writer and the New, Open and Save Project commands.
#pragma once

#include "FrameTrack.h"
#include "ProjectSettings.h"
#include "UserPrompt.h"

#include <optional>
#include <string>
#include <vector>

namespace hummwell {

class ViewState;

inline constexpr char kProjectMagic[] = "Sonavent HWP1.0\n";  // 16 bytes, no terminating zero
inline constexpr int kProjectHeaderBytes = 124;
inline constexpr int kProjectBytesPerFrame = 28;

// What a project file holds, read and checked whole before anything of a view changes.
struct ProjectContents {
    ProjectSettings settings;           // an invalid value replaced by the fallback's
    FrameTrack track;                   // at most the capacity, its last frame the file's last
    std::vector<std::string> warnings;  // settings replaced, frames read as rests, frames left out
    int storedFrames = 0;               // the frames in the file
};
struct ProjectRead {
    std::optional<ProjectContents> contents;
    std::string error;  // why there are none, as a message box tells it
    std::string line;   // the same on one line, without the file's name
    PromptIcon icon = PromptIcon::Error;
};
// Reads no more of the file than a track of `capacity` frames holds, whatever its size: a
// regular file only (a pipe or a device is refused at once), its size checked against the
// header's count before any frame is read.
ProjectRead readProject(const std::string& path, const ProjectSettings& fallback, int capacity);

// Gives the view a project read whole: its track, then its settings through their setters,
// each shown in its control. The caller shows the warnings and finishes the open.
void applyProject(ViewState& view, ProjectContents&& contents);

// Reads a project into the view state, its warnings shown. On failure (after its message) the
// track, the settings and the undo history are as they were.
bool readProjectFile(ViewState& view, const std::string& path);
// Writes the view state's project; a failure leaves any earlier file at `path` untouched.
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

}  // namespace hummwell
