// The volume control file, the levels derived from its settings, and the noise-floor
// calibration that the level set-up runs on live blocks.
#include "document/VolumeControlFile.h"

#include "document/SafeFile.h"
#include "support/AppDoubles.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace hummwell;
using appdoubles::ScriptedPrompt;

namespace {

const std::string kInvalid = "Invalid Hummwell Volume Control file";
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using TempFolder = testsignals::TempFolder;

// A file's fields as laid out on disk, encoded here from the format rather than by the code
// under test, so that a reader and a writer agreeing on a wrong layout still fail.
struct RawFile {
    std::string magic = std::string(kVolumeMagic, 16);
    std::string label = std::string("in the file\0\0\0\0\0\0\0\0\0", 20);
    int32_t gain = 200, boost = 7, noise = 30, maximum = 70, pitch = -40;
    double floor = -120.5;

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out(magic.begin(), magic.end());
        out.insert(out.end(), label.begin(), label.end());
        for (int32_t v : {gain, boost, noise, maximum, pitch}) putInt32(out, v);
        putDouble(out, floor);
        return out;
    }
};

void writeRaw(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
}

// Differs from RawFile and from the defaults in every field, the label included.
VolumeSettings distinctSettings() {
    VolumeSettings s;
    s.ownerLabel = {'M', 'a', 'r', 'a'};
    s.recordingGain = 17;
    s.gainBoost = 1;
    s.noiseSetting = 63;
    s.maximumSetting = 12;
    s.pitchSetting = -71;
    s.floorLevel = -87.3125;
    return s;
}

bool sameSixValues(const VolumeSettings& a, const VolumeSettings& b) {
    return a.recordingGain == b.recordingGain && a.gainBoost == b.gainBoost &&
           a.noiseSetting == b.noiseSetting && a.maximumSetting == b.maximumSetting &&
           a.pitchSetting == b.pitchSetting && a.floorLevel == b.floorLevel;
}

bool unchanged(const VolumeSettings& s) {
    return s.ownerLabel == distinctSettings().ownerLabel && sameSixValues(s, distinctSettings());
}

struct LoadOutcome {
    bool loaded;
    std::vector<std::string> messages;  // every one checked for title and icon
    VolumeSettings after;               // loaded into distinctSettings()
};

LoadOutcome loadRaw(const std::vector<uint8_t>& raw) {
    TempFolder dir;
    const std::string file = dir.path + "/take.hvc";
    writeRaw(file, raw);
    ScriptedPrompt prompt;
    VolumeSettings into = distinctSettings();
    const bool loaded = loadVolumeFile(file, into, prompt);
    for (const auto& m : prompt.messages) {
        EXPECT_EQ(m.title, "ERROR");
        EXPECT_EQ(m.icon, PromptIcon::Error);
    }
    return {loaded, prompt.texts(), into};
}

// Refused with exactly `message` (and nothing changed), or accepted silently when empty.
void expectOutcome(const RawFile& raw, const std::string& message, const std::string& what) {
    SCOPED_TRACE(what);
    const LoadOutcome o = loadRaw(raw.bytes());
    if (message.empty()) {
        EXPECT_TRUE(o.loaded);
        EXPECT_TRUE(o.messages.empty());
    } else {
        EXPECT_FALSE(o.loaded);
        EXPECT_EQ(o.messages, std::vector<std::string>{message});
        EXPECT_TRUE(unchanged(o.after));
    }
}

}  // namespace

// --- the file's bytes -------------------------------------------------------------------

TEST(VolumeFile, SavesTheSixtyFourLittleEndianBytes) {
    TempFolder dir;
    const std::string file = dir.path + "/set.hvc";
    VolumeSettings s;
    s.ownerLabel = {'A', 'n', 'n', 'a'};
    s.recordingGain = 0x1234;  // out of range on reading, but written as it is
    s.gainBoost = 1;
    s.maximumSetting = 100;
    s.pitchSetting = -20;
    ASSERT_TRUE(saveVolumeFile(file, s));

    std::vector<uint8_t> expected{'S', 'o', 'n', 'a', 'v', 'e', 'n', 't', ' ', 'V', 'C', 'F',
                                  '1', '.', '0', '\n', 'A', 'n', 'n', 'a'};
    expected.resize(36, 0);
    const uint8_t fields[28] = {0x34, 0x12, 0, 0,  1, 0, 0, 0,  50, 0, 0, 0,  100, 0, 0, 0,
                                0xEC, 0xFF, 0xFF, 0xFF,          // -20
                                0, 0, 0, 0, 0, 0, 0x49, 0xC0};  // -50.0
    expected.insert(expected.end(), fields, fields + 28);
    EXPECT_EQ(readWholeFile(file), expected);
}

TEST(VolumeFile, ReadsEveryFieldButKeepsItsOwnLabel) {
    const LoadOutcome o = loadRaw(RawFile{}.bytes());
    ASSERT_TRUE(o.loaded);
    EXPECT_EQ(o.after.recordingGain, 200);
    EXPECT_EQ(o.after.gainBoost, 7);  // not checked
    EXPECT_EQ(o.after.noiseSetting, 30);
    EXPECT_EQ(o.after.maximumSetting, 70);
    EXPECT_EQ(o.after.pitchSetting, -40);
    EXPECT_EQ(o.after.floorLevel, -120.5);
    EXPECT_EQ(o.after.ownerLabel, distinctSettings().ownerLabel);
}

TEST(VolumeFile, SaveThenLoadGivesTheSameValuesAndLevels) {
    TempFolder dir;
    const std::string file = dir.path + "/round.hvc";
    const VolumeSettings saved = distinctSettings();
    ASSERT_TRUE(saveVolumeFile(file, saved));
    ScriptedPrompt prompt;
    VolumeSettings loaded;  // defaults: different in every value
    ASSERT_TRUE(loadVolumeFile(file, loaded, prompt));
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_TRUE(sameSixValues(loaded, saved));
    const LevelThresholds a = deriveLevels(saved), b = deriveLevels(loaded);
    EXPECT_EQ(a.noiseLevel, b.noiseLevel);
    EXPECT_EQ(a.topLevel, b.topLevel);
    EXPECT_EQ(a.levelSpan, b.levelSpan);
    EXPECT_EQ(a.onsetLevel, b.onsetLevel);
}

// --- what is not a volume control file --------------------------------------------------

TEST(VolumeFile, WhatCannotBeOpenedFailsWithoutAMessage) {
    TempFolder dir;
    const std::string pipe = dir.path + "/pipe.hvc";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    ScriptedPrompt prompt;
    VolumeSettings into = distinctSettings();
    EXPECT_FALSE(loadVolumeFile(dir.path + "/none.hvc", into, prompt));
    EXPECT_FALSE(loadVolumeFile("", into, prompt));
    EXPECT_FALSE(loadVolumeFile(dir.path, into, prompt));
    // A pipe without a writer would block its reader for ever: it must not be opened at all.
    EXPECT_FALSE(loadVolumeFile(pipe, into, prompt));
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_TRUE(unchanged(into));
}

TEST(VolumeFile, RejectsAWrongLengthOrMagic) {
    for (const size_t size : {65u, 63u, 0u}) {
        std::vector<uint8_t> bytes = RawFile{}.bytes();
        bytes.resize(size, 0);
        const LoadOutcome o = loadRaw(bytes);
        EXPECT_FALSE(o.loaded) << size;
        EXPECT_EQ(o.messages, std::vector<std::string>{kInvalid}) << size;
        EXPECT_TRUE(unchanged(o.after)) << size;
    }
    RawFile raw;
    raw.magic[15] = '\r';
    expectOutcome(raw, kInvalid, "the closing line feed");
    raw.magic = "Sonavent HWP1.0\n";
    raw.gain = 999;
    expectOutcome(raw, kInvalid, "a project file's magic, named before the bad gain");
}

// --- field ranges -----------------------------------------------------------------------

TEST(VolumeFile, EachFieldIsHeldToItsRange) {
    struct Case {
        const char* what;
        std::function<void(RawFile&)> set;
        const char* refusal;  // empty: accepted
    };
    const Case cases[] = {
        {"gain 0", [](RawFile& r) { r.gain = 0; }, ""},
        {"gain 255", [](RawFile& r) { r.gain = 255; }, ""},
        {"gain 256", [](RawFile& r) { r.gain = 256; }, " (volume)"},
        {"gain -1", [](RawFile& r) { r.gain = -1; }, " (volume)"},
        {"noise 0, maximum 100", [](RawFile& r) { r.noise = 0; r.maximum = 100; }, ""},
        {"noise 100, maximum 0", [](RawFile& r) { r.noise = 100; r.maximum = 0; }, ""},
        {"noise 101", [](RawFile& r) { r.noise = 101; }, " (noise)"},
        {"noise -1", [](RawFile& r) { r.noise = -1; }, " (noise)"},
        {"maximum 101", [](RawFile& r) { r.maximum = 101; }, " (maximum)"},
        {"maximum -1", [](RawFile& r) { r.maximum = -1; }, " (maximum)"},
        {"pitch -20", [](RawFile& r) { r.pitch = -20; }, ""},
        {"pitch -80", [](RawFile& r) { r.pitch = -80; }, ""},
        {"pitch -19", [](RawFile& r) { r.pitch = -19; }, " (peak)"},
        {"pitch -81", [](RawFile& r) { r.pitch = -81; }, " (peak)"},
        {"pitch 50, the library's sign", [](RawFile& r) { r.pitch = 50; }, " (peak)"},
        {"floor -50.0", [](RawFile& r) { r.floor = -50.0; }, ""},
        {"floor -200.0", [](RawFile& r) { r.floor = -200.0; }, ""},
        {"floor -49.9", [](RawFile& r) { r.floor = -49.9; }, " (minimum)"},
        {"floor -200.1", [](RawFile& r) { r.floor = -200.1; }, " (minimum)"},
        {"floor just above -50", [](RawFile& r) { r.floor = std::nextafter(-50.0, 0.0); }, " (minimum)"},
        {"floor NaN", [](RawFile& r) { r.floor = kNaN; }, " (minimum)"},
        {"floor -inf", [](RawFile& r) { r.floor = -kInf; }, " (minimum)"},
    };
    for (const Case& c : cases) {
        RawFile raw;
        c.set(raw);
        expectOutcome(raw, *c.refusal ? kInvalid + c.refusal : "", c.what);
    }
}

TEST(VolumeFile, TheFirstFailingFieldNamesTheMessage) {
    RawFile raw;
    raw.gain = 300;
    raw.noise = raw.maximum = 200;
    raw.pitch = 0;
    raw.floor = 0.0;
    expectOutcome(raw, kInvalid + " (volume)", "all bad");
    raw.gain = 10;
    expectOutcome(raw, kInvalid + " (noise)", "from noise on");
    raw.noise = 10;
    expectOutcome(raw, kInvalid + " (maximum)", "from maximum on");
    raw.maximum = 10;
    expectOutcome(raw, kInvalid + " (peak)", "pitch and floor");
    raw.pitch = -30;
    expectOutcome(raw, kInvalid + " (minimum)", "floor only");
}

// --- saving -----------------------------------------------------------------------------

TEST(VolumeFile, AFailedSaveReportsFailureAndLeavesTheEarlierFile) {
    TempFolder dir;
    EXPECT_FALSE(saveVolumeFile(dir.path + "/absent/set.hvc", distinctSettings()));
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/absent"));

    // A name just inside the file system's limit: the file can exist, but no temporary name
    // fits beside it, so the save fails before touching it, whatever the user's rights.
    const long nameMax = ::pathconf(dir.path.c_str(), _PC_NAME_MAX);
    ASSERT_GT(nameMax, 8);
    const std::string file = dir.path + "/" + std::string(static_cast<size_t>(nameMax) - 2, 'v');
    const std::vector<uint8_t> earlier = RawFile{}.bytes();
    writeRaw(file, earlier);
    EXPECT_FALSE(saveVolumeFile(file, distinctSettings()));
    EXPECT_EQ(readWholeFile(file), earlier);
}

// --- derived levels ---------------------------------------------------------------------

TEST(LevelThresholds, DefaultSettingsGiveTheDocumentedLevels) {
    const LevelThresholds d = deriveLevels(VolumeSettings{});  // noise 50, maximum 50, floor -50
    EXPECT_DOUBLE_EQ(d.noiseLevel, -25.0);
    EXPECT_DOUBLE_EQ(d.topLevel, -12.5);
    EXPECT_DOUBLE_EQ(d.levelSpan, 0.09765625);
    EXPECT_DOUBLE_EQ(d.onsetLevel, -22.265625);
    // What holds before any level set-up is exactly what its defaults give.
    const LevelThresholds before;
    EXPECT_EQ(before.noiseLevel, d.noiseLevel);
    EXPECT_EQ(before.topLevel, d.topLevel);
    EXPECT_EQ(before.levelSpan, d.levelSpan);
    EXPECT_EQ(before.onsetLevel, d.onsetLevel);
}

TEST(LevelThresholds, NoiseSettingIsHalvedInIntegers) {
    VolumeSettings s;
    s.floorLevel = -130.0;
    s.noiseSetting = 51;
    EXPECT_DOUBLE_EQ(deriveLevels(s).noiseLevel, 25 + s.floorLevel);
    s.noiseSetting = 1;
    EXPECT_DOUBLE_EQ(deriveLevels(s).noiseLevel, s.floorLevel);
}

TEST(LevelThresholds, MaximumSettingMovesTheTopFromNoiseToFullScale) {
    VolumeSettings s;
    s.floorLevel = -100.0;
    s.noiseSetting = 40;  // noise -80.0
    s.maximumSetting = 100;
    LevelThresholds d = deriveLevels(s);
    EXPECT_DOUBLE_EQ(d.topLevel, 0.0);
    EXPECT_DOUBLE_EQ(d.levelSpan, 80.0 / 128);
    EXPECT_DOUBLE_EQ(d.onsetLevel, -80.0 + 28 * 80.0 / 128);
    s.maximumSetting = 75;
    EXPECT_DOUBLE_EQ(deriveLevels(s).topLevel, -20.0);
    s.maximumSetting = 0;  // the top sits on the noise level: no span at all
    d = deriveLevels(s);
    EXPECT_DOUBLE_EQ(d.topLevel, -80.0);
    EXPECT_DOUBLE_EQ(d.levelSpan, 0.0);
    EXPECT_DOUBLE_EQ(d.onsetLevel, -80.0);
}

// --- calibration of the noise floor -----------------------------------------------------

TEST(FloorCalibration, TheFirstFifteenBlocksSetTheFloorWithinItsRange) {
    FloorCalibration c;
    double floor = -50.0;
    // Each block sets the floor, louder ones too; NaN and minus infinity (a constant block)
    // count as the bottom.
    const std::pair<double, double> blocks[] = {{-90.0, -90.0}, {-70.0, -70.0}, {-20.0, -50.0},
                                                {-250.0, -200.0}, {-200.0, -200.0}, {-60.0, -60.0},
                                                {-kInf, -200.0}, {-60.0, -60.0}, {kNaN, -200.0},
                                                {kInf, -50.0}};
    for (const auto& [level, expected] : blocks) {
        c.observe(level, floor);
        EXPECT_EQ(floor, expected) << "after " << level;
    }
    EXPECT_EQ(c.count(), 10);
}

TEST(FloorCalibration, ThenTheFloorOnlyFallsUntilTwoHundredBlocks) {
    FloorCalibration c;
    double floor = 0.0;
    for (int i = 0; i < 15; ++i) c.observe(-80.0, floor);
    c.observe(-60.0, floor);
    EXPECT_EQ(floor, -80.0) << "a louder block no longer counts";
    c.observe(-95.0, floor);
    EXPECT_EQ(floor, -95.0);
    c.observe(kNaN, floor);
    EXPECT_EQ(floor, -95.0);
    c.observe(-300.0, floor);
    EXPECT_EQ(floor, -200.0);
    floor = -90.0;
    for (int i = c.count(); i < 199; ++i) c.observe(-70.0, floor);
    c.observe(-91.0, floor);  // the 200th block still counts
    EXPECT_EQ(floor, -91.0);
    EXPECT_FALSE(c.running());
    c.observe(-150.0, floor);
    EXPECT_EQ(floor, -91.0);
    EXPECT_EQ(c.count(), 200);
}

TEST(FloorCalibration, RestartSetsTheFloorAfreshAndFinishFreezesIt) {
    FloorCalibration c;
    double floor = -50.0;
    for (int i = 0; i < 40; ++i) c.observe(-120.0, floor);
    c.restart();
    c.observe(-65.0, floor);  // louder than before, yet taken
    EXPECT_EQ(floor, -65.0);
    c.finish();
    c.observe(-180.0, floor);
    EXPECT_EQ(floor, -65.0);
}

// --- following the mixer ----------------------------------------------------------------

TEST(FollowMixer, AChangedGainOrBoostIsTakenOverAndRestartsCalibration) {
    VolumeSettings s;  // gain 128, no boost
    FloorCalibration c;
    for (int i = 0; i < 30; ++i) c.observe(-80.0, s.floorLevel);
    followMixer(s, c, 128.0 / 255, 0);
    EXPECT_EQ(c.count(), 30) << "an unchanged mixer leaves calibration alone";

    followMixer(s, c, 64.0 / 255, 0);
    EXPECT_EQ(s.recordingGain, 64);
    EXPECT_EQ(c.count(), 0);

    c.finish();
    followMixer(s, c, 64.0 / 255, 1);
    EXPECT_EQ(s.gainBoost, 1);
    EXPECT_EQ(s.recordingGain, 64);
    EXPECT_EQ(c.count(), 0);
}

TEST(FollowMixer, EveryGainSurvivesTheMixersOwnSteps) {
    // A 16-bit mixer control holds gain g as trunc(65535 * g / 255) and reports that back as
    // a fraction of its range. Each gain must come back as itself, or setting it would move
    // the slider by one step and restart calibration.
    for (int g = 0; g <= 255; ++g) {
        const double raw = std::trunc(65535.0 * (g * (1.0 / 255)));
        VolumeSettings s;
        s.recordingGain = g;
        FloorCalibration c;
        c.finish();
        followMixer(s, c, raw / 65535.0, 0);
        EXPECT_EQ(s.recordingGain, g);
        EXPECT_FALSE(c.running()) << "gain " << g;
    }
}

TEST(FollowMixer, AFractionOutsideTheRangeIsHeldToIt) {
    VolumeSettings s;
    FloorCalibration c;
    followMixer(s, c, 3.0, 0);
    EXPECT_EQ(s.recordingGain, 255);
    followMixer(s, c, -0.5, 0);
    EXPECT_EQ(s.recordingGain, 0);
    s.recordingGain = 128;
    c.finish();
    followMixer(s, c, kNaN, 0);
    EXPECT_EQ(s.recordingGain, 128);
    EXPECT_FALSE(c.running());
}
