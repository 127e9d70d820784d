// The level set-up without its widgets: the settings the dialog edits, the volume run it keeps
// going while it is shown, the live level and pitch meters with the floor calibration, the
// Open, Save as and Save and Apply steps with their files and messages, and the geometry of
// the two displays. CVolumeControlDlg shows this and forwards its controls to it.
//
// Threads: onLevel runs on the library's capture thread during a volume run; everything else
// runs on the GUI thread. The values both touch sit behind one small lock, held only to copy
// them, so the capture thread never waits for drawing.
#pragma once

#include "document/VolumeControlFile.h"
#include "tonik.h"

#include <mutex>
#include <string>

namespace hummwell {

class UserPrompt;
class LevelMonitor;

inline constexpr char kVolumeFileFilter[] = "Hummwell Volume Control Files (*.hvc)|*.hvc|";
inline constexpr char kVolumeFileExtension[] = "hvc";
inline constexpr char kFailedToSaveVolumeFile[] = "Failed to Save VCF";
inline constexpr int kLevelTimerMs = 33;  // the displays' refresh

// What the level set-up asks of the library.
class VolumeRun {
public:
    virtual ~VolumeRun() = default;
    // Starts a volume run whose blocks go to monitor.onLevel on the capture thread.
    virtual void start(LevelMonitor& monitor) = 0;
    // Ends the run; `noiseGate` (library dB) becomes the gate of later pitch runs. No block
    // is delivered after it returns.
    virtual void stop(double noiseGate) = 0;
    // Gain 0..1 of the recording control, boost 0/1, the pitch-detection level 20..80.
    virtual void change(double volume, int boost, int peakLevel) = 0;
};

// The volume run of the tonik library. Its callback has no context, so the monitor of the
// run in progress is kept process-wide.
class TonikVolumeRun final : public VolumeRun {
public:
    explicit TonikVolumeRun(void* ownerWindow = nullptr) : owner_(ownerWindow) {}
    ~TonikVolumeRun() override;
    void start(LevelMonitor& monitor) override;
    void stop(double noiseGate) override;
    void change(double volume, int boost, int peakLevel) override;

private:
    static int onLevel(const LevelResult* result);
    void* owner_;
    bool running_ = false;
};

enum class LevelSlider { Gain, Noise, Maximum, Pitch };

struct SliderRange {
    int minimum, maximum, lineStep, pageStep;
};
SliderRange sliderRange(LevelSlider slider);

// One consistent copy of what the displays show.
struct LevelReadings {
    VolumeSettings settings;
    LevelThresholds levels;
    double currentLevel = -900.0;  // library dB of the newest block
    int pitchMeter = 0;            // tenths: >= 0 when the 1,024-point peak clears the test
    int widePitchMeter = 0;        // the same over the wide band
    int calibrationCount = 0;      // blocks since calibration restarted; 200 and more: done
};

// Where the level display's marks and zones lie, in pixels of a display `width` wide.
struct LevelScale {
    int xLevel, xFloor, xNoise, xOnset, xTop;
    bool floorMeasured;  // the floor lies above the bottom of the scale: the second zone colours
    bool aboveNoise;   // the level bar's colour
};
inline constexpr int kScaleLeft = 9;     // the band covers 9 .. 469
inline constexpr int kScaleRight = 470;
inline constexpr int kLevelBarLeast = 21;
inline constexpr int kTopMarkMost = 469;
// x(v) = trunc((width - 8) + 2 v): 0 dB at width - 8, two pixels per library dB. Held to
// +-1,000,000 so that minus infinity (a constant block) stays an ordinary number.
int levelX(double level, int width);
LevelScale levelScale(const LevelReadings& r, int width);

// The pitch display: the bar ends a (1,024-point test) and b (wide band), in pixels.
struct PitchBars {
    int a, b;
    bool showWide;    // the wide bar is drawn under the narrow one
    bool widePasses;  // its colour
    bool passes;      // the narrow bar's colour
};
PitchBars pitchBars(int pitchMeter, int widePitchMeter, int width);

class LevelMonitor {
public:
    LevelMonitor(UserPrompt& prompt, VolumeRun& run);
    // A run still going is ended, with the gate it would have been given.
    ~LevelMonitor();
    LevelMonitor(const LevelMonitor&) = delete;
    LevelMonitor& operator=(const LevelMonitor&) = delete;

    // --- GUI thread ---------------------------------------------------------------------
    // The file the dialog loads when it opens and saves on Save and Apply.
    void setPath(const std::string& path);
    std::string path() const;
    // The file's name without its folder, as the dialog shows it.
    std::string title() const;
    void setOwnerLabel(const std::array<char, 20>& label);

    // The dialog opens: the file at path() is loaded (silently skipped when it cannot be
    // opened), calibration restarts, and the volume run starts with the settings' gain,
    // boost and pitch level.
    void begin();
    // Open...: the run paused while the user picks a file, which is loaded (asking again
    // after a file that fails its checks); calibration then starts afresh.
    void open();
    // Save as...: the run paused while the user picks a name and the file is saved (asking
    // again after a failure); calibration is then over and the floor stays.
    void saveAs();
    // Save and Apply: the run ends with the noise level as the library's gate, the settings go
    // to the mixer and the file is saved (after "Failed to Save VCF", through Save as). The
    // run has ended when this returns. Gives the levels the transcription uses.
    LevelThresholds saveAndApply();

    // Ends a run still going, with the noise level as the gate: for a dialog that goes away
    // without "Save and Apply".
    void end();

    void sliderMoved(LevelSlider slider, int value);
    void boostClicked(bool on);
    LevelReadings readings() const;
    bool running() const { return running_; }

    // --- capture thread -------------------------------------------------------------------
    void onLevel(const LevelResult& result);

private:
    void startRun();
    void stopRun(double noiseGate);
    void sendSettings();
    // A file dialog answered until `attempt` succeeds or the user cancels; true on success.
    template <class Choose, class Attempt>
    bool fileLoop(Choose choose, Attempt attempt);

    UserPrompt& prompt_;
    VolumeRun& run_;
    bool running_ = false;  // GUI thread only

    mutable std::mutex mutex_;  // guards what follows
    VolumeSettings settings_;
    FloorCalibration calibration_;
    double currentLevel_ = -900.0;
    int pitchMeter_ = 0;
    int widePitchMeter_ = 0;
    std::string path_;
};

}  // namespace hummwell
