// The level set-up's logic without its widgets: the meters and the calibration fed by level
// blocks, the volume run it keeps going, Open, Save as and Save and Apply with their files and
// messages, and where the displays put their marks.
#include "editor/LevelMonitor.h"

#include "document/UserPrompt.h"
#include "support/AppDoubles.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace hummwell;
using appdoubles::ScriptedPrompt;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Keeps every call the monitor makes on the library, in order.
class RecordingRun final : public VolumeRun {
public:
    std::vector<std::string> calls;
    bool running = false;
    void start(LevelMonitor&) override {
        calls.push_back("start");
        running = true;
    }
    void stop(double gate) override {
        calls.push_back("stop " + number(gate));
        running = false;
    }
    void change(double volume, int boost, int peak) override {
        calls.push_back("change " + number(volume * 255) + " " + std::to_string(boost) + " " +
                        std::to_string(peak));
    }
    static std::string number(double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        return text;
    }
};

LevelResult block(double level, double volumeFraction = 128 / 255.0, int boost = 0, int peak = 50) {
    LevelResult r{};
    r.volumeFraction = volumeFraction;
    r.boost = boost;
    r.peakLevel = peak;
    r.level = level;
    r.floor1024 = -3.0;
    r.top1024 = 3.0;
    r.wideTop1024 = 4.0;
    return r;
}

struct Monitor {
    testsignals::TempFolder folder;
    ScriptedPrompt prompt;
    RecordingRun run;
    LevelMonitor monitor{prompt, run};

    std::string file(const std::string& name) const { return folder.path + "/" + name; }
    void feed(double level, int blocks = 1) {
        for (int i = 0; i < blocks; ++i) monitor.onLevel(block(level));
    }
};

VolumeSettings someSettings() {
    VolumeSettings s;
    s.recordingGain = 200;
    s.gainBoost = 1;
    s.noiseSetting = 30;
    s.maximumSetting = 70;
    s.pitchSetting = -40;
    s.floorLevel = -120.0;
    return s;
}

}  // namespace

// --- live blocks -------------------------------------------------------------------------

TEST(LevelMonitor, CalibrationSetsTheFloorThenOnlyLowersItForTwoHundredBlocks) {
    Monitor m;
    m.feed(-90.0, 14);
    m.feed(-80.0);  // the fifteenth block still sets it
    EXPECT_EQ(m.monitor.readings().settings.floorLevel, -80.0);
    EXPECT_EQ(m.monitor.readings().calibrationCount, 15);
    m.feed(-70.0);  // louder: kept
    m.feed(-95.0);  // quieter: taken
    EXPECT_EQ(m.monitor.readings().settings.floorLevel, -95.0);
    m.feed(-60.0, 183);
    EXPECT_EQ(m.monitor.readings().calibrationCount, 200);
    m.feed(-150.0);  // after 2.3 s nothing moves it
    const LevelReadings r = m.monitor.readings();
    EXPECT_EQ(r.settings.floorLevel, -95.0);
    EXPECT_EQ(r.currentLevel, -150.0);
    // The derived levels follow the floor: noise 50 halves to 25 over it.
    EXPECT_EQ(r.levels.noiseLevel, -70.0);
    EXPECT_EQ(r.levels.topLevel, -35.0);
    EXPECT_DOUBLE_EQ(r.levels.onsetLevel, -70.0 + 28 * 35.0 / 128);
}

TEST(LevelMonitor, ABlockOfDigitalSilencePutsTheFloorAtItsBottom) {
    Monitor m;
    m.feed(-kInf);
    EXPECT_EQ(m.monitor.readings().settings.floorLevel, -200.0);
    m.feed(kNaN);
    EXPECT_EQ(m.monitor.readings().settings.floorLevel, -200.0);
}

TEST(LevelMonitor, MetersSayHowFarThePeakClearsTheFloorAndSilenceFails) {
    Monitor m;
    LevelResult r = block(-40.0);
    r.top1024 = 2.55;      // trunc(25.5) = 25
    r.wideTop1024 = 4.0;   // 40
    r.floor1024 = -1.0;    // trunc(-10 + 50) = 40
    m.monitor.onLevel(r);
    EXPECT_EQ(m.monitor.readings().pitchMeter, 25 - 40);
    EXPECT_EQ(m.monitor.readings().widePitchMeter, 0);

    // Silence: minus infinity in the spectra, and no undefined integer.
    r.top1024 = r.wideTop1024 = r.floor1024 = -kInf;
    m.monitor.onLevel(r);
    EXPECT_LT(m.monitor.readings().pitchMeter, 0);
    EXPECT_LT(m.monitor.readings().widePitchMeter, 0);
    r.top1024 = kNaN;
    m.monitor.onLevel(r);
    EXPECT_LT(m.monitor.readings().pitchMeter, 0);
}

TEST(LevelMonitor, BlocksCarryTheMixersGainBoostAndPitchLevelBackIntoTheSettings) {
    Monitor m;
    m.feed(-100.0, 300);
    ASSERT_EQ(m.monitor.readings().calibrationCount, 200);
    m.monitor.onLevel(block(-100.0, 64 / 255.0, 0, 50));  // the gain changed outside
    LevelReadings r = m.monitor.readings();
    EXPECT_EQ(r.settings.recordingGain, 64);
    EXPECT_EQ(r.calibrationCount, 1);  // calibration started again with this block
    m.feed(-100.0, 300);
    m.monitor.onLevel(block(-100.0, 64 / 255.0, 1, 33));  // and the boost
    r = m.monitor.readings();
    EXPECT_EQ(r.settings.gainBoost, 1);
    EXPECT_EQ(r.calibrationCount, 1);
    EXPECT_EQ(r.settings.pitchSetting, -33);
}

// --- the controls ------------------------------------------------------------------------

TEST(LevelMonitor, OnlyTheGainSliderAndTheBoostRestartCalibration) {
    Monitor m;
    m.feed(-100.0, 250);
    for (LevelSlider s : {LevelSlider::Noise, LevelSlider::Maximum, LevelSlider::Pitch}) {
        m.monitor.sliderMoved(s, sliderRange(s).minimum + 1);
        EXPECT_EQ(m.monitor.readings().calibrationCount, 200);
    }
    m.monitor.boostClicked(true);
    EXPECT_EQ(m.monitor.readings().calibrationCount, 0);
    m.monitor.onLevel(block(-100.0, 128 / 255.0, 1, 79));  // the mixer took both
    m.monitor.sliderMoved(LevelSlider::Gain, 10);
    EXPECT_EQ(m.monitor.readings().calibrationCount, 0);

    const VolumeSettings s = m.monitor.readings().settings;
    EXPECT_EQ(s.recordingGain, 10);
    EXPECT_EQ(s.gainBoost, 1);
    EXPECT_EQ(s.noiseSetting, 1);
    EXPECT_EQ(s.maximumSetting, 1);
    EXPECT_EQ(s.pitchSetting, -79);
    // Every move reaches the mixer at once: gain / 255, boost, and the pitch level negated.
    EXPECT_EQ(m.run.calls.back(), "change 10 1 79");
    EXPECT_EQ(m.run.calls.size(), 5u);
}

TEST(LevelMonitor, SliderRangesAndSteps) {
    const auto check = [](LevelSlider s, int lo, int hi, int line, int page) {
        const SliderRange r = sliderRange(s);
        EXPECT_EQ(r.minimum, lo);
        EXPECT_EQ(r.maximum, hi);
        EXPECT_EQ(r.lineStep, line);
        EXPECT_EQ(r.pageStep, page);
    };
    check(LevelSlider::Gain, 0, 255, 1, 16);
    check(LevelSlider::Noise, 0, 100, 1, 10);
    check(LevelSlider::Maximum, 0, 100, 1, 10);
    check(LevelSlider::Pitch, -80, -20, 1, 5);
}

// --- the files and the run ----------------------------------------------------------------

TEST(LevelMonitor, BeginLoadsTheFileSendsItsSettingsAndStartsTheRun) {
    Monitor m;
    ASSERT_TRUE(saveVolumeFile(m.file("mic.hvc"), someSettings()));
    m.monitor.setPath(m.file("mic.hvc"));
    m.feed(-100.0, 250);
    m.monitor.begin();
    EXPECT_EQ(m.run.calls, (std::vector<std::string>{"change 200 1 40", "start"}));
    EXPECT_TRUE(m.monitor.running());
    const LevelReadings r = m.monitor.readings();
    EXPECT_EQ(r.settings.noiseSetting, 30);
    EXPECT_EQ(r.settings.floorLevel, -120.0);
    EXPECT_EQ(r.calibrationCount, 0);
    EXPECT_EQ(m.monitor.title(), "mic.hvc");
}

TEST(LevelMonitor, BeginSkipsAMissingFileSilentlyButReportsAnInvalidOne) {
    Monitor m;
    m.monitor.setPath(m.file("none.hvc"));
    m.monitor.begin();
    EXPECT_TRUE(m.prompt.messages.empty());
    EXPECT_EQ(m.monitor.readings().settings.recordingGain, 128);
    m.monitor.end();

    testsignals::TempFolder other;
    const std::string bad = other.path + "/bad.hvc";
    std::FILE* f = std::fopen(bad.c_str(), "wb");
    std::fputs("not a level file", f);
    std::fclose(f);
    m.monitor.setPath(bad);
    m.monitor.begin();
    ASSERT_EQ(m.prompt.texts(), std::vector<std::string>{"Invalid Hummwell Volume Control file"});
    EXPECT_EQ(m.prompt.messages[0].title, "ERROR");
    EXPECT_EQ(m.prompt.messages[0].icon, PromptIcon::Error);
    EXPECT_TRUE(m.monitor.running());
}

TEST(LevelMonitor, OpenPausesTheRunAsksUntilAFileLoadsAndCalibratesAgain) {
    Monitor m;
    const std::string good = m.file("good.hvc"), bad = m.file("bad.hvc");
    ASSERT_TRUE(saveVolumeFile(good, someSettings()));
    VolumeSettings out = someSettings();
    out.pitchSetting = -10;  // written as is, refused on reading
    ASSERT_TRUE(saveVolumeFile(bad, out));
    m.monitor.setPath(m.file("default.hvc"));
    m.monitor.begin();
    m.feed(-100.0, 250);
    m.run.calls.clear();

    m.prompt.files = {bad, good};
    m.monitor.open();
    // The gate given when Open pauses the run is the floor itself.
    EXPECT_EQ(m.run.calls, (std::vector<std::string>{"stop -100", "change 200 1 40", "start"}));
    EXPECT_EQ(m.prompt.texts(), std::vector<std::string>{"Invalid Hummwell Volume Control file (peak)"});
    ASSERT_EQ(m.prompt.openChoices.size(), 2u);
    EXPECT_EQ(m.prompt.openChoices[0].filter, "Hummwell Volume Control Files (*.hvc)|*.hvc|");
    EXPECT_EQ(m.prompt.openChoices[0].defaultExtension, "hvc");
    EXPECT_EQ(m.prompt.openChoices[0].initialPath, m.file("default.hvc"));
    EXPECT_EQ(m.monitor.path(), good);
    EXPECT_EQ(m.monitor.title(), "good.hvc");
    EXPECT_EQ(m.monitor.readings().calibrationCount, 0);
    EXPECT_TRUE(m.monitor.running());

    // Cancelled: nothing changes but the calibration, which starts again.
    m.run.calls.clear();
    m.feed(-100.0, 250);
    m.monitor.open();
    EXPECT_EQ(m.monitor.path(), good);
    EXPECT_EQ(m.run.calls.back(), "start");
    EXPECT_EQ(m.monitor.readings().calibrationCount, 0);
}

TEST(LevelMonitor, SaveAsAsksAgainAfterAFailureAndFreezesTheFloor) {
    Monitor m;
    m.monitor.setPath(m.file("default.hvc"));
    m.monitor.begin();
    m.feed(-100.0, 20);
    m.run.calls.clear();
    const std::string saved = m.file("saved.hvc");
    m.prompt.files = {m.file("no-such-folder/x.hvc"), saved};
    m.monitor.saveAs();
    // A failed save says which file and why, then asks again.
    EXPECT_EQ(m.prompt.texts(), std::vector<std::string>{"Failed to Open File.\n" + m.file("no-such-folder/x.hvc") +
                                                         ": No such file or directory"});
    EXPECT_EQ(m.prompt.saveChoices.size(), 2u);
    EXPECT_EQ(m.run.calls, (std::vector<std::string>{"stop -75", "start"}));
    EXPECT_EQ(m.monitor.path(), saved);
    EXPECT_EQ(std::filesystem::file_size(saved), 64u);
    m.feed(-150.0);
    EXPECT_EQ(m.monitor.readings().settings.floorLevel, -100.0);

    VolumeSettings back;
    ASSERT_TRUE(loadVolumeFile(saved, back, m.prompt));
    EXPECT_EQ(back.floorLevel, -100.0);
}

TEST(LevelMonitor, OpenOfAFileThatCannotBeReadSaysWhichAndWhyAndAsksAgain) {
    Monitor m;
    m.monitor.setPath(m.file("default.hvc"));
    m.monitor.begin();
    const std::string fifo = m.file("pipe.hvc");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    m.prompt.files = {m.file("missing.hvc"), m.file(""), fifo};
    m.monitor.open();  // the pipe must not hold it: it is refused at once
    EXPECT_EQ(m.prompt.openChoices.size(), 4u);
    EXPECT_EQ(m.prompt.texts(), (std::vector<std::string>{
                                    "Failed to Open File.\n" + m.file("missing.hvc") + ": No such file or directory",
                                    "Failed to Open File.\n" + m.file("") + ": is a folder",
                                    "Failed to Open File.\n" + fifo + ": is not a regular file (a pipe, a device or a socket)"}));
    EXPECT_EQ(m.monitor.path(), m.file("default.hvc"));
}

TEST(LevelMonitor, SaveAndApplyEndsTheRunWithTheGateAndWritesTheFile) {
    Monitor m;
    m.monitor.setPath(m.file("default.hvc"));
    m.monitor.begin();
    m.feed(-120.0, 30);
    m.run.calls.clear();
    const LevelThresholds d = m.monitor.saveAndApply();
    EXPECT_EQ(d.noiseLevel, -95.0);
    EXPECT_EQ(m.run.calls, (std::vector<std::string>{"stop -95", "change 128 0 50"}));
    EXPECT_FALSE(m.monitor.running());
    EXPECT_EQ(std::filesystem::file_size(m.file("default.hvc")), 64u);
    EXPECT_TRUE(m.prompt.messages.empty());
}

TEST(LevelMonitor, AFailedSaveOnApplyGoesThroughSaveAsAndStillEndsTheRun) {
    Monitor m;
    m.monitor.setPath(m.file("gone/default.hvc"));
    m.monitor.begin();
    m.run.calls.clear();
    m.prompt.files = {m.file("kept.hvc")};
    m.monitor.saveAndApply();
    ASSERT_EQ(m.prompt.texts(), std::vector<std::string>{"Failed to Save VCF"});
    EXPECT_EQ(m.prompt.messages[0].title, "ERROR");
    EXPECT_EQ(m.prompt.messages[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(m.monitor.path(), m.file("kept.hvc"));
    EXPECT_TRUE(std::filesystem::exists(m.file("kept.hvc")));
    // Save as restarts the run for a dialog that stays; this one closes with none left going.
    EXPECT_EQ(m.run.calls.back(), "stop -25");
    EXPECT_FALSE(m.run.running);
    EXPECT_FALSE(m.monitor.running());

    // Cancelled as well: the settings still apply, and no run is left.
    Monitor n;
    n.monitor.setPath(n.file("gone/default.hvc"));
    n.monitor.begin();
    n.monitor.saveAndApply();
    EXPECT_FALSE(n.run.running);
}

TEST(LevelMonitor, ARunStillGoingEndsWithTheMonitor) {
    ScriptedPrompt prompt;
    RecordingRun run;
    {
        LevelMonitor monitor(prompt, run);
        monitor.begin();
    }
    EXPECT_FALSE(run.running);
    EXPECT_EQ(run.calls.back(), "stop -25");
}

// The capture thread writes while the GUI thread reads and moves sliders; ThreadSanitizer
// reports any value they share without the lock.
TEST(LevelMonitor, BlocksAndControlsMayComeFromTwoThreads) {
    Monitor m;
    std::thread capture([&m] {
        for (int i = 0; i < 20000; ++i) m.monitor.onLevel(block(-60.0 - i % 50, (i % 256) / 255.0, i % 2));
    });
    int checked = 0;
    for (int i = 0; i < 2000; ++i) {
        m.monitor.sliderMoved(LevelSlider::Noise, i % 101);
        const LevelReadings r = m.monitor.readings();
        // One consistent copy: its levels are the rule's for its own settings.
        checked += r.levels.noiseLevel == deriveLevels(r.settings).noiseLevel;
    }
    capture.join();
    EXPECT_EQ(checked, 2000);
}

// --- the displays ------------------------------------------------------------------------

TEST(LevelDisplay, TwoPixelsADecibelFromZeroAtWidthLessEight) {
    EXPECT_EQ(levelX(-25.0, 478), 420);
    EXPECT_EQ(levelX(0.0, 478), 470);
    EXPECT_EQ(levelX(-12.75, 478), 444);  // truncated
    EXPECT_EQ(levelX(-kInf, 478), -1000000);
    EXPECT_EQ(levelX(kNaN, 478), -1000000);

    LevelReadings r;
    r.currentLevel = -kInf;  // a constant block
    r.settings.maximumSetting = 100;  // top at full scale
    r.levels = deriveLevels(r.settings);
    const LevelScale s = levelScale(r, 478);
    EXPECT_EQ(s.xLevel, 21);
    EXPECT_EQ(s.xTop, 469);
    EXPECT_EQ(s.xFloor, 370);
    EXPECT_EQ(s.xNoise, 420);
    EXPECT_FALSE(s.aboveNoise);
    EXPECT_TRUE(s.floorMeasured);
    r.settings.floorLevel = -200.0;
    r.currentLevel = r.levels.noiseLevel + 0.5;
    r.levels = deriveLevels(r.settings);
    EXPECT_FALSE(levelScale(r, 478).floorMeasured);
    EXPECT_TRUE(levelScale(r, 478).aboveNoise == (r.currentLevel > r.levels.noiseLevel));
}

TEST(PitchDisplay, BarsAreHeldInsideAndTheWideBarShowsOnlyWhenItHelps) {
    const PitchBars pass = pitchBars(5, 8, 150);
    EXPECT_EQ(pass.a, 75 + 10 - 6);
    EXPECT_EQ(pass.b, 75 + 16 - 6);
    EXPECT_TRUE(pass.passes);
    EXPECT_FALSE(pass.showWide);

    const PitchBars helped = pitchBars(-4, 3, 150);
    EXPECT_TRUE(helped.showWide);
    EXPECT_TRUE(helped.widePasses);
    EXPECT_FALSE(helped.passes);

    const PitchBars silent = pitchBars(-1000, -1000, 150);
    EXPECT_EQ(silent.a, 13);
    EXPECT_EQ(pitchBars(1000, 1000, 150).a, 137);
}

// The library's own volume run on the software microphone: blocks arrive on its capture
// thread while this thread moves a slider and reads the meters, and none arrives after Save
// and Apply has returned.
TEST(TonikVolumeRun, FeedsTheMonitorLiveUntilSaveAndApply) {
    ::setenv("TONIK_CAPTURE", "silence", 1);
    testsignals::TempFolder folder;
    ScriptedPrompt prompt;
    TonikVolumeRun run;
    LevelMonitor monitor(prompt, run);
    tonik_initialize(nullptr);
    monitor.setPath(folder.path + "/default.hvc");
    monitor.begin();
    int moves = 0;
    for (int i = 0; i < 400 && monitor.readings().calibrationCount < 30; ++i) {
        monitor.sliderMoved(LevelSlider::Maximum, 40 + i % 20);
        ++moves;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const LevelThresholds applied = monitor.saveAndApply();
    const LevelReadings r = monitor.readings();
    ASSERT_GE(r.calibrationCount, 30);
    // Digital silence: the floor at the bottom of the scale, the gate 25 dB over it.
    EXPECT_EQ(r.settings.floorLevel, -200.0);
    EXPECT_EQ(applied.noiseLevel, -175.0);
    EXPECT_GT(moves, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(monitor.readings().calibrationCount, r.calibrationCount);
    EXPECT_FALSE(monitor.running());
}
