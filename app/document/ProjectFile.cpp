#include "ProjectFile.h"

#include "SafeFile.h"
#include "ViewState.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace hummwell {

namespace {

constexpr int kMagicBytes = 16;
constexpr int32_t kFormatVersion = 1;
constexpr int kVersionOffset = 16;
constexpr int kLabelOffset = 20;
constexpr int kLabelBytes = 20;
constexpr int kSettingsOffset = 40;
constexpr int kFrameCountOffset = 120;
static_assert(kVersionOffset == kMagicBytes && kVersionOffset + 4 == kLabelOffset &&
              kLabelOffset + kLabelBytes == kSettingsOffset);
static_assert(kSettingsOffset + 4 * kSettingCount == kFrameCountOffset);
static_assert(kFrameCountOffset + 4 == kProjectHeaderBytes);
static_assert(sizeof(kProjectMagic) == kMagicBytes + 1);
static_assert(sizeof(ProjectSettings::ownerLabel) == kLabelBytes);

const char* const kFailedToOpen = "Failed to Open File.";
// Far beyond anything sung or any number of Volume Ups, yet safe to compute with.
constexpr double kHighestStoredPitch = 127.0;
constexpr double kHighestStoredVolume = 1e9;
const char* const kInvalidFile = "Invalid Hummwell file";
const char* const kWrongVersion = "This file is not for Hummwell plus";
const char* const kInvalidLength = "Invalid Hummwell file length";
const char* const kDiscardQuestion =
    "If you open an existing Project file, current data will be lost.\nDo you want to continue?";

// The warning of each checked setting, in header order; the two switches are not checked.
const char* const kInvalidSetting[kSettingCount] = {
    "Invalid Speed",
    "Invalid Tempo",
    "Invalid Key",
    "Invalid Scale",
    nullptr,  // metronome on
    "Invalid Metronome MeasureChannel",
    "Invalid Metronome MeasureInstrument",
    "Invalid Metronome MeasureNote",
    "Invalid Metronome MeasureVelocity",
    "Invalid Metronome BeatChannel",
    "Invalid Metronome BeatInstrument",
    "Invalid Metronome BeatNote",
    "Invalid Metronome BeatVelocity",
    "Invalid ReferenceKey Adjust",
    "Invalid Transpose",
    "Invalid Channel",
    "Invalid Instrument",
    "Invalid Quantize",
    nullptr,  // real-time out on
    "Invalid Velocity",
};

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

bool isTickNote(Setting s) { return s == Setting::MeasureTickNote || s == Setting::BeatTickNote; }

// The header's settings, each out-of-range value warned about and replaced by the view's.
// `incoming` starts as the view's settings, so a tick note is checked against its channel as
// already read.
ProjectSettings readSettings(const ViewState& view, const uint8_t* field) {
    ProjectSettings incoming = view.settings;
    for (int i = 0; i < kSettingCount; ++i, field += 4) {
        const Setting s = static_cast<Setting>(i);
        int32_t v = getInt32(field);
        if (!incoming.isValid(s, v)) {
            view.prompt.error(kInvalidSetting[i], PromptIcon::Exclamation);
            v = view.settings.get(s);
            // The view's note may not fit the file's channel (30 is a drum, not an octave):
            // an octave choice that large would send a note beyond the MIDI range.
            if (isTickNote(s) && !incoming.isValid(s, v))
                v = std::clamp(v, 0, incoming.isValid(s, 46) ? 46 : 5);
        }
        incoming.store(s, v);
    }
    return incoming;
}

// Empties the columns and refills them from the body, column after column.
void readColumns(FrameTrack& track, const uint8_t* body, size_t n) {
    track.clear();
    track.pitch.resize(n);
    track.volume.resize(n);
    track.reserved.resize(n);
    track.mark.resize(n);
    track.note.resize(n);
    for (size_t i = 0; i < n; ++i, body += 8) track.pitch[i] = getDouble(body);
    for (size_t i = 0; i < n; ++i, body += 8) track.volume[i] = getDouble(body);
    for (size_t i = 0; i < n; ++i, body += 4) track.reserved[i] = getInt32(body);
    for (size_t i = 0; i < n; ++i, body += 4) track.mark[i] = getInt32(body);
    for (size_t i = 0; i < n; ++i, body += 4) track.note[i] = getInt32(body);
}

// Values no writer of ours stores (a pitch of 1e300, NaN, a mark of 7) are read as a rest
// before anything computes with them. Returns how many frames were.
int restOutOfRangeFrames(FrameTrack& track) {
    int mended = 0;
    for (int i = 0; i < track.frameCount(); ++i) {
        const double p = track.pitch[i], v = track.volume[i];
        const bool pitchOk = std::isfinite(p) && p >= 0.0 && p <= kHighestStoredPitch;
        const bool volumeOk = std::isfinite(v) && v >= 0.0 && v <= kHighestStoredVolume;
        const bool markOk = track.mark[i] >= kMarkRest && track.mark[i] <= kMarkOnset;
        const bool noteOk = track.note[i] >= 0 && track.note[i] <= 127;
        if (pitchOk && volumeOk && markOk && noteOk) continue;
        track.set(i, Frame{});
        ++mended;
    }
    return mended;
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

bool readProjectFile(ViewState& view, const std::string& path) {
    const std::optional<std::vector<uint8_t>> file = readWholeFile(path);
    if (!file) {
        view.prompt.error(kFailedToOpen);
        return false;
    }
    const std::vector<uint8_t>& bytes = *file;
    if (bytes.size() < static_cast<size_t>(kProjectHeaderBytes) ||
        std::memcmp(bytes.data(), kProjectMagic, kMagicBytes) != 0) {
        view.prompt.error(kInvalidFile);
        return false;
    }
    if (getInt32(bytes.data() + kVersionOffset) != kFormatVersion) {
        view.prompt.error(kWrongVersion);
        return false;
    }
    const ProjectSettings incoming = readSettings(view, bytes.data() + kSettingsOffset);

    // The count is checked against the real size, in 64 bits, before anything is allocated:
    // a damaged count must never make us reserve gigabytes or read past the end.
    const int32_t count = getInt32(bytes.data() + kFrameCountOffset);
    if (count < 0 || kProjectHeaderBytes + int64_t{kProjectBytesPerFrame} * count !=
                         static_cast<int64_t>(bytes.size())) {
        view.prompt.error(kInvalidLength, PromptIcon::Exclamation);
        return false;
    }

    if (count == 0) {
        // A header without frames: the rest of the program needs the final rest frame.
        view.track.reset();
    } else {
        readColumns(view.track, bytes.data() + kProjectHeaderBytes, static_cast<size_t>(count));
        if (const int mended = restOutOfRangeFrames(view.track))
            view.prompt.error(std::to_string(mended) + " frames hold values out of range; they are read as rests",
                              PromptIcon::Exclamation);
        // Cut before the setters re-quantize and redraw, so nothing beyond the capacity of the
        // track pictures is ever drawn.
        view.track.cutTo(view.maxFrames);
    }

    for (const Setting s : kPanelOrder) {
        view.setSetting(s, incoming.get(s));
        view.surface.showSetting(s, incoming.get(s));
    }
    for (const Setting s : kTickFields) view.settings.store(s, incoming.get(s));
    view.lastMeasureTickNote = -1;
    view.lastBeatTickNote = -1;
    return true;
}

bool writeProjectFile(ViewState& view, const std::string& path) {
    const FrameTrack& track = view.track;
    const size_t n = static_cast<size_t>(track.frameCount());
    std::vector<uint8_t> bytes(kProjectMagic, kProjectMagic + kMagicBytes);
    bytes.reserve(kProjectHeaderBytes + kProjectBytesPerFrame * n);
    putInt32(bytes, kFormatVersion);
    bytes.insert(bytes.end(), view.settings.ownerLabel.begin(), view.settings.ownerLabel.end());
    for (const int32_t v : view.settings.values) putInt32(bytes, v);
    putInt32(bytes, static_cast<int32_t>(n));
    for (const double v : track.pitch) putDouble(bytes, v);
    for (const double v : track.volume) putDouble(bytes, v);
    for (const int32_t v : track.reserved) putInt32(bytes, v);
    for (const int32_t v : track.mark) putInt32(bytes, v);
    for (const int32_t v : track.note) putInt32(bytes, v);

    // Through a temporary file: a failed save never destroys the project it would replace.
    std::string reason;
    if (!writeFileAtomically(path, bytes, &reason)) {
        view.prompt.error(failedToOpenMessage(reason));
        return false;
    }
    return true;
}

void newProject(ViewState& view, UndoSteps steps) {
    if (!view.requestTransport(kEmptyProject)) return;  // asks whether to save first
    showEmptyTrack(view, steps);
}

namespace {

// Whether an open may go on: nothing recorded, or the user agrees to lose it.
bool readyToOpen(ViewState& view) {
    if (view.transportState == kRecording || view.transportState == kPlaying) return false;
    if (view.frameCount() > 1) {
        if (view.prompt.message(kDiscardQuestion, "OPEN", PromptIcon::Question,
                                PromptButtons::YesNo) != PromptAnswer::Yes)
            return false;
        // The data is gone from here on, so the view becomes an empty project at once: a
        // cancelled or failed open must not leave the old picture and scroll range over a
        // one-frame track.
        showEmptyTrack(view);
        view.requestTransport(kEmptyProject);
    }
    return true;
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

bool saveProject(ViewState& view) {
    if (view.transportState != kIdle) return false;
    while (const std::optional<std::string> path = view.prompt.chooseFileToSave(projectChoice())) {
        if (writeProjectFile(view, *path)) {
            if (view.projectFileUsed) view.projectFileUsed(*path);
            return true;
        }
    }
    return false;
}

}  // namespace hummwell
