#include "document/VolumeControlFile.h"

#include "document/SafeFile.h"
#include "document/UserPrompt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hummwell {

namespace {

constexpr size_t kMagicBytes = 16;
constexpr size_t kLabelBytes = 20;
static_assert(sizeof kVolumeMagic == kMagicBytes + 1, "the magic is 16 bytes plus the literal's zero");
static_assert(kMagicBytes + kLabelBytes + 5 * 4 + 8 == kVolumeFileBytes, "the format has no padding");

// Field offsets within the 64 bytes.
constexpr size_t kGainAt = 36;
constexpr size_t kBoostAt = 40;
constexpr size_t kNoiseAt = 44;
constexpr size_t kMaximumAt = 48;
constexpr size_t kPitchAt = 52;
constexpr size_t kFloorAt = 56;

constexpr double kFloorLowest = -200.0;
constexpr double kFloorHighest = -50.0;
constexpr int kGainSteps = 255;

const std::string kInvalid = "Invalid Hummwell Volume Control file";

// The first field that is out of range, named as the message names it; empty when all hold.
std::string firstInvalidField(const VolumeSettings& s) {
    if (s.recordingGain < 0 || s.recordingGain > 255) return "volume";
    if (s.noiseSetting < 0 || s.noiseSetting > 100) return "noise";
    if (s.maximumSetting < 0 || s.maximumSetting > 100) return "maximum";
    if (s.pitchSetting < -80 || s.pitchSetting > -20) return "peak";
    // Written so that NaN fails as well.
    if (!(s.floorLevel >= kFloorLowest && s.floorLevel <= kFloorHighest)) return "minimum";
    return {};
}

}  // namespace

LevelThresholds deriveLevels(const VolumeSettings& s) {
    LevelThresholds d;
    d.noiseLevel = (s.noiseSetting / 2) + s.floorLevel;  // integer halving on purpose
    d.topLevel = (100 - s.maximumSetting) * 0.01 * d.noiseLevel;
    d.levelSpan = (d.topLevel - d.noiseLevel) * 0.0078125;  // 128 velocity steps
    d.onsetLevel = d.levelSpan * 28 + d.noiseLevel;
    return d;
}

VolumeRead readVolumeFile(const std::string& path, const VolumeSettings& base) {
    VolumeRead result;
    // The size first, from the open file: a file of the wrong size is refused without pulling
    // an arbitrarily large file into memory, and a pipe or a device is not read at all.
    long long size = 0;
    const int fd = openRegularFile(path, &result.unreadable, &size);
    if (fd < 0) return result;
    ::close(fd);
    if (size != kVolumeFileBytes) {
        result.invalid = kInvalid;
        return result;
    }
    const std::optional<std::vector<uint8_t>> bytes = readWholeFile(path, kVolumeFileBytes, &result.unreadable);
    if (!bytes) return result;
    // The length is checked again: the file may have changed since it was measured.
    if (bytes->size() != static_cast<size_t>(kVolumeFileBytes) ||
        std::memcmp(bytes->data(), kVolumeMagic, kMagicBytes) != 0) {
        result.invalid = kInvalid;
        return result;
    }
    const uint8_t* p = bytes->data();
    VolumeSettings read = base;  // the label in the file is not used
    read.recordingGain = getInt32(p + kGainAt);
    read.gainBoost = getInt32(p + kBoostAt);
    read.noiseSetting = getInt32(p + kNoiseAt);
    read.maximumSetting = getInt32(p + kMaximumAt);
    read.pitchSetting = getInt32(p + kPitchAt);
    read.floorLevel = getDouble(p + kFloorAt);
    const std::string bad = firstInvalidField(read);
    if (!bad.empty()) {
        result.invalid = kInvalid + " (" + bad + ")";
        return result;
    }
    result.settings = read;
    return result;
}

bool loadVolumeFile(const std::string& path, VolumeSettings& into, UserPrompt& prompt, std::string* unreadable) {
    const VolumeRead read = readVolumeFile(path, into);
    if (read.settings) {
        into = *read.settings;
        return true;
    }
    if (!read.invalid.empty()) prompt.error(read.invalid);
    if (unreadable) *unreadable = read.unreadable;
    return false;
}

bool saveVolumeFile(const std::string& path, const VolumeSettings& s, std::string* reason) {
    std::vector<uint8_t> out;
    out.reserve(kVolumeFileBytes);
    out.insert(out.end(), kVolumeMagic, kVolumeMagic + kMagicBytes);
    out.insert(out.end(), s.ownerLabel.begin(), s.ownerLabel.end());
    putInt32(out, s.recordingGain);
    putInt32(out, s.gainBoost);
    putInt32(out, s.noiseSetting);
    putInt32(out, s.maximumSetting);
    putInt32(out, s.pitchSetting);
    putDouble(out, s.floorLevel);
    return writeFileAtomically(path, out, reason);
}

void FloorCalibration::observe(double level, double& floorLevel) {
    if (count_ < kSettingBlocks) {
        ++count_;
        if (std::isnan(level) || level < kFloorLowest)
            floorLevel = kFloorLowest;
        else if (level <= kFloorHighest)
            floorLevel = level;
        else
            floorLevel = kFloorHighest;
    } else if (count_ < kCalibrationBlocks) {
        ++count_;
        if (level < floorLevel) floorLevel = std::max(level, kFloorLowest);
    }
}

void followMixer(VolumeSettings& s, FloorCalibration& calibration, double volumeFraction,
                 int boost) {
    // The mixer holds the gain in its own, finer steps, so the fraction read back is the
    // chosen gain's fraction give or take one of those steps; the nearest gain step recovers
    // the chosen gain where truncating would lose one now and then. A fraction that is not a
    // number says nothing about the gain.
    if (!std::isnan(volumeFraction)) {
        const double steps = std::clamp(volumeFraction, 0.0, 1.0) * kGainSteps;
        const int32_t g = static_cast<int32_t>(std::lround(steps));
        if (g != s.recordingGain) {
            s.recordingGain = g;
            calibration.restart();
        }
    }
    if (boost != s.gainBoost) {
        s.gainBoost = boost;
        calibration.restart();
    }
}

}  // namespace hummwell
