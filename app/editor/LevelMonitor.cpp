#include "editor/LevelMonitor.h"

#include "document/SafeFile.h"
#include "document/UserPrompt.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace hummwell {

namespace {

constexpr double kGainStep = 1.0 / 255;  // the recording control's fraction per gain step
constexpr double kFarOff = 1'000'000.0;
constexpr int kMeterFails = -1000;  // a meter that cannot be computed fails the test

// The level set-up in progress: the library's level callback has no context.
std::atomic<LevelMonitor*> runningMonitor{nullptr};

int clampedInt(double x) {
    if (std::isnan(x)) return static_cast<int>(-kFarOff);
    return static_cast<int>(std::clamp(x, -kFarOff, kFarOff));
}

// trunc(10 top) - trunc(10 floor + peak): how far, in tenths, the spectrum's strongest peak
// stands above its floor beyond the pitch level. Silence has minus infinity in its spectra,
// which fails the test rather than becoming an undefined integer.
int pitchMeterOf(double top, double floor, int peakLevel) {
    const double d = std::trunc(10.0 * top) - std::trunc(10.0 * floor + peakLevel);
    if (std::isnan(d)) return kMeterFails;
    return static_cast<int>(std::clamp(d, -1000.0, 1000.0));
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// --- the library's volume run ------------------------------------------------------------

TonikVolumeRun::~TonikVolumeRun() {
    if (running_) stop(0.0);
}

void TonikVolumeRun::start(LevelMonitor& monitor) {
    runningMonitor.store(&monitor);
    running_ = true;
    tonik_volume_start(owner_, &TonikVolumeRun::onLevel);
}

void TonikVolumeRun::stop(double noiseGate) {
    tonik_volume_stop(noiseGate);
    runningMonitor.store(nullptr);
    running_ = false;
}

void TonikVolumeRun::change(double volume, int boost, int peakLevel) {
    tonik_volume_change(volume, boost, peakLevel);
}

int TonikVolumeRun::onLevel(const LevelResult* result) {
    LevelMonitor* monitor = runningMonitor.load();
    if (!monitor || !result) return 0;
    monitor->onLevel(*result);
    return 1;
}

// --- geometry ----------------------------------------------------------------------------

SliderRange sliderRange(LevelSlider slider) {
    switch (slider) {
    case LevelSlider::Gain: return {0, 255, 1, 16};
    case LevelSlider::Noise: return {0, 100, 1, 10};
    case LevelSlider::Maximum: return {0, 100, 1, 10};
    case LevelSlider::Pitch: return {-80, -20, 1, 5};
    }
    return {0, 0, 1, 1};
}

int levelX(double level, int width) { return clampedInt(std::trunc((width - 8) + 2.0 * level)); }

LevelScale levelScale(const LevelReadings& r, int width) {
    LevelScale s;
    s.xLevel = std::max(levelX(r.currentLevel, width), kLevelBarLeast);
    s.xFloor = levelX(r.settings.floorLevel, width);
    s.xNoise = levelX(r.levels.noiseLevel, width);
    s.xOnset = levelX(r.levels.onsetLevel, width);
    s.xTop = std::min(levelX(r.levels.topLevel, width), kTopMarkMost);
    s.floorMeasured = r.settings.floorLevel > -200.0;
    s.aboveNoise = r.currentLevel > r.levels.noiseLevel;
    return s;
}

PitchBars pitchBars(int pitchMeter, int widePitchMeter, int width) {
    const auto end = [width](int meter) {
        const int hi = std::max(13, width - 13);
        return std::clamp(width / 2 + 2 * meter - 6, 13, hi);
    };
    return {end(pitchMeter), end(widePitchMeter),
            pitchMeter < widePitchMeter && pitchMeter < 0, widePitchMeter >= 0, pitchMeter >= 0};
}

// --- the monitor -------------------------------------------------------------------------

LevelMonitor::LevelMonitor(UserPrompt& prompt, VolumeRun& run) : prompt_(prompt), run_(run) {}

LevelMonitor::~LevelMonitor() { end(); }

void LevelMonitor::end() {
    if (running_) stopRun(readings().levels.noiseLevel);
}

void LevelMonitor::setPath(const std::string& path) {
    std::lock_guard lock(mutex_);
    path_ = path;
}

std::string LevelMonitor::path() const {
    std::lock_guard lock(mutex_);
    return path_;
}

std::string LevelMonitor::title() const { return nameOf(path()); }

void LevelMonitor::setOwnerLabel(const std::array<char, 20>& label) {
    std::lock_guard lock(mutex_);
    settings_.ownerLabel = label;
}

LevelReadings LevelMonitor::readings() const {
    std::lock_guard lock(mutex_);
    LevelReadings r;
    r.settings = settings_;
    r.levels = deriveLevels(settings_);
    r.currentLevel = currentLevel_;
    r.pitchMeter = pitchMeter_;
    r.widePitchMeter = widePitchMeter_;
    r.calibrationCount = calibration_.count();
    return r;
}

void LevelMonitor::sendSettings() {
    VolumeSettings s;
    {
        std::lock_guard lock(mutex_);
        s = settings_;
    }
    run_.change(s.recordingGain * kGainStep, s.gainBoost, -s.pitchSetting);
}

void LevelMonitor::startRun() {
    if (running_) return;
    running_ = true;
    run_.start(*this);
}

void LevelMonitor::stopRun(double noiseGate) {
    // Ended even when no run is known to be up: the gate must reach the library.
    run_.stop(noiseGate);
    running_ = false;
}

void LevelMonitor::begin() {
    const std::string file = path();
    VolumeSettings loaded = readings().settings;
    // No prompt is shown under the lock: the file is read into a copy.
    if (loadVolumeFile(file, loaded, prompt_)) {
        std::lock_guard lock(mutex_);
        settings_ = loaded;
    }
    {
        std::lock_guard lock(mutex_);
        calibration_.restart();
    }
    sendSettings();
    startRun();
}

template <class Choose, class Attempt>
bool LevelMonitor::fileLoop(Choose choose, Attempt attempt) {
    FileChoice choice{kVolumeFileFilter, kVolumeFileExtension, path()};
    while (const std::optional<std::string> chosen = choose(choice)) {
        if (attempt(*chosen)) {
            std::lock_guard lock(mutex_);
            path_ = *chosen;
            return true;
        }
        choice.initialPath = *chosen;
    }
    return false;
}

void LevelMonitor::open() {
    stopRun(readings().settings.floorLevel);
    fileLoop([this](const FileChoice& c) { return prompt_.chooseFileToOpen(c); },
             [this](const std::string& chosen) {
                 VolumeSettings loaded = readings().settings;
                 std::string unreadable;
                 if (!loadVolumeFile(chosen, loaded, prompt_, &unreadable)) {
                     if (!unreadable.empty()) prompt_.error(failedToOpenMessage(unreadable, chosen));
                     return false;
                 }
                 {
                     std::lock_guard lock(mutex_);
                     settings_ = loaded;
                 }
                 sendSettings();
                 return true;
             });
    {
        std::lock_guard lock(mutex_);
        calibration_.restart();
    }
    startRun();
}

void LevelMonitor::saveAs() {
    stopRun(readings().levels.noiseLevel);
    fileLoop([this](const FileChoice& c) { return prompt_.chooseFileToSave(c); },
             [this](const std::string& chosen) {
                 std::string reason;
                 if (saveVolumeFile(chosen, readings().settings, &reason)) return true;
                 prompt_.error(failedToOpenMessage(reason, chosen));
                 return false;
             });
    {
        std::lock_guard lock(mutex_);
        calibration_.finish();
    }
    startRun();
}

LevelThresholds LevelMonitor::saveAndApply() {
    stopRun(readings().levels.noiseLevel);
    sendSettings();
    if (!saveVolumeFile(path(), readings().settings)) {
        prompt_.error(kFailedToSaveVolumeFile, PromptIcon::Exclamation);
        saveAs();
        // Save as leaves a run going for a dialog that stays open; this one closes, and a run
        // left behind would silently refuse the next Record.
        stopRun(readings().levels.noiseLevel);
    }
    return readings().levels;
}

void LevelMonitor::sliderMoved(LevelSlider slider, int value) {
    const SliderRange range = sliderRange(slider);
    value = std::clamp(value, range.minimum, range.maximum);
    {
        std::lock_guard lock(mutex_);
        switch (slider) {
        case LevelSlider::Gain:
            if (value != settings_.recordingGain) calibration_.restart();
            settings_.recordingGain = value;
            break;
        case LevelSlider::Noise: settings_.noiseSetting = value; break;
        case LevelSlider::Maximum: settings_.maximumSetting = value; break;
        case LevelSlider::Pitch: settings_.pitchSetting = value; break;
        }
    }
    sendSettings();
}

void LevelMonitor::boostClicked(bool on) {
    {
        std::lock_guard lock(mutex_);
        settings_.gainBoost = on ? 1 : 0;
        calibration_.restart();
    }
    sendSettings();
}

void LevelMonitor::onLevel(const LevelResult& r) {
    const int pitchMeter = pitchMeterOf(r.top1024, r.floor1024, r.peakLevel);
    const int widePitchMeter = pitchMeterOf(r.wideTop1024, r.floor1024, r.peakLevel);
    std::lock_guard lock(mutex_);
    followMixer(settings_, calibration_, r.volumeFraction, r.boost);
    calibration_.observe(r.level, settings_.floorLevel);
    currentLevel_ = r.level;
    settings_.pitchSetting = -r.peakLevel;
    pitchMeter_ = pitchMeter;
    widePitchMeter_ = widePitchMeter;
}

}  // namespace hummwell
