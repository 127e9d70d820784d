// The project file "*.hwp": the settings and the whole frame track in one little-endian
// binary file, its reader and its writer, on plain data. The commands that use them, with
// their messages, are in ProjectCommands.
#pragma once

#include "FrameTrack.h"
#include "ProjectSettings.h"
#include "UserPrompt.h"

#include <optional>
#include <string>
#include <vector>

namespace hummwell {

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

// Writes a project: nothing on success, else the system's reason. A failure leaves any earlier
// file at `path` untouched.
std::optional<std::string> writeProject(const std::string& path, const FrameTrack& track,
                                        const ProjectSettings& settings);

}  // namespace hummwell
