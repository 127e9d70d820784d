// The project file "*.hwp": the settings and the whole frame track in one little-endian
// binary file, with its reader, its writer and the New, Open and Save Project commands.
#pragma once

#include <string>

namespace hummwell {

class ViewState;

inline constexpr char kProjectMagic[] = "Sonavent HWP1.0\n";  // 16 bytes, no terminating zero
inline constexpr int kProjectHeaderBytes = 124;
inline constexpr int kProjectBytesPerFrame = 28;

// Reads a project into the view state. On failure (after its message) the track and the
// settings are as they were.
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
