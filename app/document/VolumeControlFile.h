// The level set-up without its dialog: the volume control file "*.hvc" (64 bytes), the levels
// derived from its settings, and the calibration of the noise floor from live block levels.
// The dialog and the command line share these.
#pragma once

#include "LevelThresholds.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace hummwell {

class UserPrompt;

inline constexpr char kVolumeMagic[] = "Sonavent VCF1.0\n";  // 16 bytes, no terminating zero
inline constexpr int kVolumeFileBytes = 64;

struct VolumeSettings {
    std::array<char, 20> ownerLabel{'d', 'e', 'f', 'a', 'u', 'l', 't'};
    int32_t recordingGain = 128;  // 0..255
    int32_t gainBoost = 0;        // 0/1
    int32_t noiseSetting = 50;    // 0..100
    int32_t maximumSetting = 50;  // 0..100
    int32_t pitchSetting = -50;   // -80..-20; the library's peakLevel is its negation
    double floorLevel = -50.0;    // library dB, -200.0 .. -50.0
};

// The levels the level set-up's settings give, in library dB, that the live decision and the
// velocities follow.
LevelThresholds deriveLevels(const VolumeSettings& s);

// What a volume control file holds, or why it cannot be used.
struct VolumeRead {
    std::optional<VolumeSettings> settings;  // the file's, with `base`'s label
    std::string invalid;                     // the message of a file that is no valid one
    std::string unreadable;                  // why it could not be read at all (missing, a pipe)
};
VolumeRead readVolumeFile(const std::string& path, const VolumeSettings& base);

// Loads a file into `into`. A file that cannot be opened (missing, a folder, a pipe) gives false
// without a message, its reason in `unreadable`; an invalid one gives false after its message
// ("ERROR", error icon) and leaves `into` as it was.
bool loadVolumeFile(const std::string& path, VolumeSettings& into, UserPrompt& prompt,
                    std::string* unreadable = nullptr);
// Writes the 64 bytes; a failure leaves any earlier file at `path` untouched and says why.
bool saveVolumeFile(const std::string& path, const VolumeSettings& s, std::string* reason = nullptr);

// The noise floor measured from the first blocks of a volume run: the first 15 set it, the
// next 185 may only lower it, later ones are ignored.
class FloorCalibration {
public:
    static constexpr int kSettingBlocks = 15;
    static constexpr int kCalibrationBlocks = 200;

    void restart() { count_ = 0; }
    void finish() { count_ = kCalibrationBlocks; }
    bool running() const { return count_ < kCalibrationBlocks; }
    int count() const { return count_; }
    // One block's level; updates floorLevel while calibration runs.
    void observe(double level, double& floorLevel);

private:
    int count_ = 0;
};

// The dialog follows mixer changes made outside it: a changed gain or boost is taken over and
// restarts calibration.
void followMixer(VolumeSettings& s, FloorCalibration& calibration, double volumeFraction,
                 int boost);

}  // namespace hummwell
