#include "ProjectCommands.h"

#include "MidiExport.h"
#include "ProjectFile.h"
#include "SafeFile.h"
#include "ViewState.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace hummwell {

namespace {

const char* const kDiscardQuestion =
    "If you open an existing Project file, current data will be lost.\nDo you want to continue?";
const char* const kSaveBeforeNewQuestion = "Do you want to save current MIDI sound before start new project?";

// Applied through their setters, each then shown in its control, in this fixed order.
constexpr Setting kPanelOrder[] = {
    Setting::Speed,        Setting::Metre,           Setting::Key,
    Setting::Scale,        Setting::QuantizeMode,    Setting::RefKeyAdjust,
    Setting::MidiChannel,  Setting::Instrument,      Setting::Transpose,
    Setting::VelocityOutMode, Setting::MetronomeOn,  Setting::RealtimeOutOn,
};
// The metronome ticks are stored without setters.
constexpr Setting kTickFields[] = {
    Setting::MeasureTickChannel, Setting::MeasureTickInstrument, Setting::MeasureTickNote,
    Setting::MeasureTickVelocity, Setting::BeatTickChannel,      Setting::BeatTickInstrument,
    Setting::BeatTickNote,        Setting::BeatTickVelocity,
};

const FileChoice& projectChoice() {
    static const FileChoice choice{"Hummwell Project Files (*.hwp)|*.hwp|", "hwp", ""};
    return choice;
}

// The state of New Project: one rest frame, nothing sounding, nothing drawn, and nothing to
// undo unless an edit emptied the track.
void showEmptyTrack(ViewState& view, UndoSteps steps = UndoSteps::Forget) {
    if (steps == UndoSteps::Forget) view.history.clear();
    view.output.allNotesOff();
    view.track.reset();
    view.cursorFrame = 0;
    view.clearSelection();  // the frames it named are gone; the clip stays for a paste
    view.surface.clearPicture();
    view.surface.setScroll(1, 0, false);
}

}  // namespace

void applyProject(ViewState& view, ProjectContents&& contents) {
    view.output.allNotesOff();
    view.track = std::move(contents.track);
    view.clearSelection();
    for (const Setting s : kPanelOrder) {
        view.setSetting(s, contents.settings.get(s));
        view.surface.showSetting(s, contents.settings.get(s));
    }
    for (const Setting s : kTickFields) view.settings.store(s, contents.settings.get(s));
    view.output.forgetTicks();
}

bool readProjectFile(ViewState& view, const std::string& path) {
    ProjectRead read = readProject(path, view.settings, view.maxFrames);
    if (!read.contents) {
        view.prompt.error(read.error, read.icon);
        return false;
    }
    for (const std::string& warning : read.contents->warnings) view.prompt.error(warning, PromptIcon::Exclamation);
    view.cutProject = read.contents->storedFrames > view.maxFrames
                          ? std::optional<CutProject>(CutProject{path, read.contents->storedFrames})
                          : std::nullopt;
    applyProject(view, std::move(*read.contents));
    return true;
}

bool writeProjectFile(ViewState& view, const std::string& path) {
    if (const std::optional<std::string> reason = writeProject(path, view.track, view.settings)) {
        view.prompt.error(failedToOpenMessage(*reason, path));
        return false;
    }
    return true;
}

bool writeMidiFile(const std::string& path, const FrameTrack& track, const ProjectSettings& settings,
                   UserPrompt& prompt) {
    if (const std::optional<std::string> reason = writeMidi(path, track, settings)) {
        prompt.error(failedToOpenMessage(*reason, path));
        return false;
    }
    return true;
}

void exportMidi(ViewState& view) {
    if (view.transportState != kIdle) return;
    const FileChoice choice{"MIDI Files (*.mid)|*.mid||", "mid", ""};
    for (;;) {
        const std::optional<std::string> path = view.prompt.chooseFileToSave(choice);
        if (!path) return;
        if (writeMidiFile(*path, view.track, view.settings, view.prompt)) return;
    }
}

void newProject(ViewState& view, UndoSteps steps) {
    if (view.transportState == kIdle && view.frameCount() > 1) {
        const PromptAnswer a = view.prompt.message(kSaveBeforeNewQuestion, "SAVE AS", PromptIcon::Question,
                                                   PromptButtons::YesNoCancel);
        if (a == PromptAnswer::Cancel) return;
        if (a == PromptAnswer::Yes) saveProject(view);  // goes on whatever it gives
    }
    if (!view.requestTransport(kEmptyProject)) return;
    showEmptyTrack(view, steps);
    view.cutProject.reset();
}

namespace {

// Whether an open may go on: nothing recorded, or the user agrees to lose it.
bool readyToOpen(ViewState& view) {
    if (view.transportState == kRecording || view.transportState == kPlaying) return false;
    // The project stays until a file has been read whole and found good: a cancelled or
    // failed open leaves it, and its undo history, as they were.
    return view.frameCount() <= 1 || view.prompt.message(kDiscardQuestion, "OPEN", PromptIcon::Question,
                                                         PromptButtons::YesNo) == PromptAnswer::Yes;
}

bool openAndFinish(ViewState& view, const std::string& path) {
    if (!readProjectFile(view, path)) return false;
    finishOpen(view);
    if (view.projectFileUsed) view.projectFileUsed(path);
    return true;
}

}  // namespace

void openProject(ViewState& view) {
    if (!readyToOpen(view)) return;
    while (const std::optional<std::string> path = view.prompt.chooseFileToOpen(projectChoice()))
        if (openAndFinish(view, *path)) return;
}

bool openProjectFile(ViewState& view, const std::string& path) {
    return readyToOpen(view) && openAndFinish(view, path);
}

void finishOpen(ViewState& view) {
    const int n = view.frameCount();
    view.transportState = n < 2 ? kEmptyProject : kIdle;
    view.surface.showTransportState(view.transportState);
    view.clipTrack.clear();  // Unselect; the repaint below shows it
    view.clearSelection();
    view.history.clear();
    view.surface.redrawGrid();
    view.requantize(0, n);
    view.cursorFrame = 0;
    view.surface.setScroll(n, 0, n >= 2);
    view.surface.repaint();
    if (view.scrubOn) view.output.resoundCursor();
}

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

// Saving over the file a cut project came from loses what was cut, for good: only with the
// user's word.
bool consentToCut(ViewState& view, const std::string& path) {
    if (!view.cutProject || !sameFile(view.cutProject->path, path)) return true;
    const std::string text = path + " holds " + std::to_string(view.cutProject->frames) +
                             " frames, and the track only the first " + std::to_string(view.maxFrames) + " of them (" +
                             frameTime(view.maxFrames) + ").\nSaving over it loses the rest for good. Save anyway?";
    return view.prompt.message(text, "SAVE", PromptIcon::Exclamation, PromptButtons::YesNo) == PromptAnswer::Yes;
}

}  // namespace

bool saveProject(ViewState& view) {
    if (view.transportState != kIdle) return false;
    while (const std::optional<std::string> path = view.prompt.chooseFileToSave(projectChoice())) {
        if (!consentToCut(view, *path)) continue;
        if (writeProjectFile(view, *path)) {
            if (view.cutProject && sameFile(view.cutProject->path, *path)) view.cutProject.reset();
            if (view.projectFileUsed) view.projectFileUsed(*path);
            return true;
        }
    }
    return false;
}

}  // namespace hummwell
