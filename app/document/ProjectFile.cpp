#include "ProjectFile.h"

#include "SafeFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>
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

// Far beyond anything sung or any number of Volume Ups, yet safe to compute with.
constexpr double kHighestStoredPitch = 127.0;
constexpr double kHighestStoredVolume = 1e9;
const char* const kInvalidFile = "Invalid Hummwell file";
const char* const kWrongVersion = "This file is not for Hummwell plus";
const char* const kInvalidLength = "Invalid Hummwell file length";
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

bool isTickNote(Setting s) { return s == Setting::MeasureTickNote || s == Setting::BeatTickNote; }

// The header's settings, each out-of-range value warned about and replaced by the fallback's.
// `incoming` starts as the fallback, so a tick note is checked against its channel as already
// read.
ProjectSettings readSettings(const ProjectSettings& fallback, const uint8_t* field, std::vector<std::string>& warnings) {
    ProjectSettings incoming = fallback;
    for (int i = 0; i < kSettingCount; ++i, field += 4) {
        const Setting s = static_cast<Setting>(i);
        int32_t v = getInt32(field);
        if (!incoming.isValid(s, v)) {
            warnings.push_back(kInvalidSetting[i]);
            v = fallback.get(s);
            // The view's note may not fit the file's channel (30 is a drum, not an octave):
            // an octave choice that large would send a note beyond the MIDI range.
            if (isTickNote(s) && !incoming.isValid(s, v))
                v = std::clamp(v, 0, incoming.isValid(s, 46) ? 46 : 5);
        }
        incoming.store(s, v);
    }
    return incoming;
}

// The first `kept - 1` frames and the last of `count`, column after column, from the body at
// `body` of the open file: no more than the track can hold is ever read.
bool readColumns(int fd, long long body, long long count, int kept, FrameTrack& track) {
    const size_t head = static_cast<size_t>(kept) - 1;
    std::vector<uint8_t> column(head * 8 + 8);
    long long at = body;
    // One column of `bytes`-wide values: the head, then the last value.
    const auto read = [&](int bytes, auto store) {
        if (!readAt(fd, at, column.data(), head * bytes) ||
            !readAt(fd, at + (count - 1) * bytes, column.data() + head * bytes, static_cast<size_t>(bytes)))
            return false;
        for (size_t i = 0; i <= head; ++i) store(i, column.data() + i * bytes);
        at += count * bytes;
        return true;
    };
    track.clear();
    const size_t n = head + 1;
    track.pitch.resize(n);
    track.volume.resize(n);
    track.reserved.resize(n);
    track.mark.resize(n);
    track.note.resize(n);
    return read(8, [&](size_t i, const uint8_t* p) { track.pitch[i] = getDouble(p); }) &&
           read(8, [&](size_t i, const uint8_t* p) { track.volume[i] = getDouble(p); }) &&
           read(4, [&](size_t i, const uint8_t* p) { track.reserved[i] = getInt32(p); }) &&
           read(4, [&](size_t i, const uint8_t* p) { track.mark[i] = getInt32(p); }) &&
           read(4, [&](size_t i, const uint8_t* p) { track.note[i] = getInt32(p); });
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

}  // namespace

ProjectRead readProject(const std::string& path, const ProjectSettings& fallback, int capacity) {
    ProjectRead result;
    const auto fail = [&result](const std::string& error, PromptIcon icon = PromptIcon::Error) {
        result.error = result.line = error;
        result.icon = icon;
        return result;
    };
    const auto unreadable = [&](const std::string& reason) {
        fail(failedToOpenMessage(reason, path));
        result.line = failedToOpenMessage(reason);
        return result;
    };
    std::string reason;
    long long size = 0;
    const int fd = openRegularFile(path, &reason, &size);
    if (fd < 0) return unreadable(reason);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    uint8_t header[kProjectHeaderBytes];
    if (size < kProjectHeaderBytes || !readAt(fd, 0, header, sizeof header) ||
        std::memcmp(header, kProjectMagic, kMagicBytes) != 0)
        return fail(kInvalidFile);
    if (getInt32(header + kVersionOffset) != kFormatVersion) return fail(kWrongVersion);

    // The count is checked against the real size, in 64 bits, before anything is read: a
    // damaged count must never make us reserve gigabytes or read past the end.
    const int32_t count = getInt32(header + kFrameCountOffset);
    if (count < 0 || kProjectHeaderBytes + int64_t{kProjectBytesPerFrame} * count != size)
        return fail(kInvalidLength, PromptIcon::Exclamation);

    ProjectContents contents;
    contents.settings = readSettings(fallback, header + kSettingsOffset, contents.warnings);
    contents.storedFrames = count;
    if (count == 0) {
        // A header without frames: the rest of the program needs the final rest frame.
        contents.track.reset();
    } else {
        const int kept = std::min<long long>(count, std::max(capacity, 1));
        if (!readColumns(fd, kProjectHeaderBytes, count, kept, contents.track))
            return unreadable(std::strerror(errno ? errno : EIO));
        if (const int mended = restOutOfRangeFrames(contents.track))
            contents.warnings.push_back(std::to_string(mended) + " frames hold values out of range; they are read as rests");
        if (count > kept)
            contents.warnings.push_back("The project holds " + std::to_string(count) + " frames (" + frameTime(count) +
                                        ") but the track holds " + std::to_string(kept) + " (" + frameTime(kept) +
                                        "): the frames after " + frameTime(kept - 1) + " are left out.");
    }
    result.contents = std::move(contents);
    return result;
}

std::optional<std::string> writeProject(const std::string& path, const FrameTrack& track,
                                        const ProjectSettings& settings) {
    const size_t n = static_cast<size_t>(track.frameCount());
    std::vector<uint8_t> bytes(kProjectMagic, kProjectMagic + kMagicBytes);
    bytes.reserve(kProjectHeaderBytes + kProjectBytesPerFrame * n);
    putInt32(bytes, kFormatVersion);
    bytes.insert(bytes.end(), settings.ownerLabel.begin(), settings.ownerLabel.end());
    for (const int32_t v : settings.values) putInt32(bytes, v);
    putInt32(bytes, static_cast<int32_t>(n));
    for (const double v : track.pitch) putDouble(bytes, v);
    for (const double v : track.volume) putDouble(bytes, v);
    for (const int32_t v : track.reserved) putInt32(bytes, v);
    for (const int32_t v : track.mark) putInt32(bytes, v);
    for (const int32_t v : track.note) putInt32(bytes, v);
    // Through a temporary file: a failed save never destroys the project it would replace.
    std::string reason;
    if (!writeFileAtomically(path, bytes, &reason)) return reason;
    return std::nullopt;
}

}  // namespace hummwell
