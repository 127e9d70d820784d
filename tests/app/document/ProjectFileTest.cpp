// The project file: its bytes, the reader's checks and messages, safe saving, and the New,
// Open and Save Project commands. Files are assembled here byte by byte, not by the writer.
#include "document/ProjectCommands.h"
#include "document/ProjectFile.h"

#include "document/SafeFile.h"
#include "document/ViewState.h"
#include "support/AppDoubles.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace hummwell;
using appdoubles::ViewFixture;

namespace {

const char* const kLength = "Invalid Hummwell file length";
const char* const kInvalid = "Invalid Hummwell file";

using TempFolder = testsignals::TempFolder;

// A project file as the format lays it out, with every part open to damage.
struct Image {
    std::string magic = std::string(kProjectMagic, 16);
    int32_t version = 1;
    std::array<int32_t, kSettingCount> values = ProjectSettings{}.values;
    std::vector<Frame> frames{Frame{}};
    std::optional<int32_t> count;  // instead of the number of frames
    int extraBytes = 0;            // negative: bytes cut off the end

    Image& set(Setting s, int32_t v) {
        values[static_cast<int>(s)] = v;
        return *this;
    }
    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> b(magic.begin(), magic.end());
        putInt32(b, version);
        const char label[20] = "someone";
        b.insert(b.end(), label, label + 20);
        for (const int32_t v : values) putInt32(b, v);
        putInt32(b, count.value_or(static_cast<int32_t>(frames.size())));
        for (const Frame& f : frames) putDouble(b, f.pitch);
        for (const Frame& f : frames) putDouble(b, f.volume);
        for (const Frame& f : frames) putInt32(b, f.reserved);
        for (const Frame& f : frames) putInt32(b, f.mark);
        for (const Frame& f : frames) putInt32(b, f.note);
        if (extraBytes >= 0) b.insert(b.end(), extraBytes, 0);
        else b.resize(b.size() + extraBytes);
        return b;
    }
};

// Frames with values that tell the columns and the frames apart.
std::vector<Frame> numberedFrames(int n) {
    std::vector<Frame> out;
    for (int i = 0; i < n; ++i)
        out.push_back(Frame{40.0 + i + 0.125, 50 + i, 10.0 + i, i == 0 ? kMarkOnset : kMarkContinue, 900 + i});
    out.back().mark = kMarkRest;
    return out;
}

uint64_t bitsOf(double v) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// Valid settings unlike the defaults, as the view holds them before a file is read.
constexpr std::array<int32_t, kSettingCount> kCurrent{
    1, 1, 5, 1, 0, kPercussionChannel, 10, 40, 20, 2, 11, 4, 30, 90, 3, 4, 70, kBasic, 0, 1};

struct ProjectFile : ::testing::Test, ViewFixture {
    ViewState view{prompt, surface, output, input};
    TempFolder dir;

    std::string put(const std::vector<uint8_t>& bytes, const std::string& name = "take.hwp") {
        const std::string path = dir.path + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string put(const Image& image, const std::string& name = "take.hwp") {
        return put(image.bytes(), name);
    }
    void giveTrack(int n) {
        view.track.clear();
        for (const Frame& f : numberedFrames(n)) view.track.append(f);
        view.transportState = n > 1 ? kIdle : kEmptyProject;
    }
    void expectOnlyMessage(const std::string& text, PromptIcon icon) {
        ASSERT_EQ(prompt.messages.size(), 1u) << text;
        EXPECT_EQ(prompt.messages[0].text, text);
        EXPECT_EQ(prompt.messages[0].title, "ERROR");
        EXPECT_EQ(prompt.messages[0].icon, icon);
        EXPECT_EQ(prompt.messages[0].buttons, PromptButtons::Ok);
    }
};

void expectSameTrack(const FrameTrack& a, const FrameTrack& b) {
    ASSERT_EQ(a.frameCount(), b.frameCount());
    for (int i = 0; i < a.frameCount(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(bitsOf(a.pitch[i]), bitsOf(b.pitch[i]));
        EXPECT_EQ(bitsOf(a.volume[i]), bitsOf(b.volume[i]));
        EXPECT_EQ(a.note[i], b.note[i]);
        EXPECT_EQ(a.mark[i], b.mark[i]);
        EXPECT_EQ(a.reserved[i], b.reserved[i]);
    }
}

}  // namespace

// --- Layout and round trip -----------------------------------------------------------------

TEST_F(ProjectFile, WritesTheHeaderAndTheColumnsAtTheirOffsets) {
    giveTrack(2);
    for (int i = 0; i < kSettingCount; ++i) view.settings.values[i] = 1000 + i;
    const std::string path = dir.path + "/out.hwp";
    ASSERT_TRUE(writeProjectFile(view, path));
    const std::vector<uint8_t> b = readWholeFile(path).value();
    ASSERT_EQ(b.size(), 124u + 28u * 2u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 16), "Sonavent HWP1.0\n");
    EXPECT_EQ(getInt32(&b[16]), 1);
    EXPECT_EQ(std::string(b.begin() + 20, b.begin() + 40), std::string("default\0\0\0\0\0\0\0\0\0\0\0\0\0", 20));
    const std::pair<int, Setting> fields[] = {
        {40, Setting::Speed},           {44, Setting::Metre},
        {48, Setting::Key},             {52, Setting::Scale},
        {56, Setting::MetronomeOn},     {60, Setting::MeasureTickChannel},
        {64, Setting::MeasureTickInstrument}, {68, Setting::MeasureTickNote},
        {72, Setting::MeasureTickVelocity},   {76, Setting::BeatTickChannel},
        {80, Setting::BeatTickInstrument},    {84, Setting::BeatTickNote},
        {88, Setting::BeatTickVelocity},      {92, Setting::RefKeyAdjust},
        {96, Setting::Transpose},       {100, Setting::MidiChannel},
        {104, Setting::Instrument},     {108, Setting::QuantizeMode},
        {112, Setting::RealtimeOutOn},  {116, Setting::VelocityOutMode},
    };
    for (const auto& [offset, s] : fields) EXPECT_EQ(getInt32(&b[offset]), view.setting(s)) << offset;
    EXPECT_EQ(getInt32(&b[120]), 2);
    // Column after column: pitch, volume, reserved, mark, note.
    EXPECT_EQ(getDouble(&b[124]), 40.125);
    EXPECT_EQ(getDouble(&b[132]), 41.125);
    EXPECT_EQ(getDouble(&b[140]), 10.0);
    EXPECT_EQ(getDouble(&b[148]), 11.0);
    EXPECT_EQ(getInt32(&b[156]), 900);
    EXPECT_EQ(getInt32(&b[160]), 901);
    EXPECT_EQ(getInt32(&b[164]), kMarkOnset);
    EXPECT_EQ(getInt32(&b[168]), kMarkRest);
    EXPECT_EQ(getInt32(&b[172]), 50);
    EXPECT_EQ(getInt32(&b[176]), 51);
}

TEST_F(ProjectFile, RoundTripGivesBackEverySettingAndFrameBitForBit) {
    ViewFixture other;
    ViewState source(other.prompt, other.surface, other.output, other.input);
    source.settings.values = {4, 3, 11, 1, 0, 3, 12, 4, 100, 15, 13, 5, 90, 150, 7, 11, 5, kNoteQuantize, 1, 1};
    source.track.clear();
    const double pitches[] = {0.1 + 0.2, std::nextafter(60.0, 61.0), -0.0, 5e-324, 108.49999999999999, 0.0};
    for (int i = 0; i < 6; ++i)
        source.track.append(Frame{pitches[i], 0, 127.0 / (i + 3), i == 1 ? kMarkOnset : kMarkContinue, -7 * i});
    source.track.mark.back() = kMarkRest;
    source.requantize(0, 6);  // the notes a reader re-quantizing under these settings finds too
    const std::string path = dir.path + "/trip.hwp";
    ASSERT_TRUE(writeProjectFile(source, path));

    ASSERT_TRUE(readProjectFile(view, path));
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(view.settings.values, source.settings.values);
    expectSameTrack(view.track, source.track);
}

TEST_F(ProjectFile, ReadKeepsTheNoteColumnAsStoredWhenNotQuantizing) {
    Image image;
    image.frames = numberedFrames(3);
    image.frames[0].note = 127;  // not what any quantizer would give
    ASSERT_TRUE(readProjectFile(view, put(image)));
    EXPECT_EQ(view.track.note, (std::vector<int32_t>{127, 51, 52}));
    EXPECT_EQ(view.track.reserved, (std::vector<int32_t>{900, 901, 902}));
}

// --- Header faults ---------------------------------------------------------------------------

TEST_F(ProjectFile, MissingFileFailsToOpen) {
    giveTrack(4);
    EXPECT_FALSE(readProjectFile(view, dir.path + "/absent.hwp"));
    expectOnlyMessage("Failed to Open File.\n" + dir.path + "/absent.hwp: No such file or directory", PromptIcon::Error);
    EXPECT_EQ(view.frameCount(), 4);
}

TEST_F(ProjectFile, RejectsFilesShorterThanTheHeader) {
    for (const int size : {0, 16, 123}) {
        prompt.messages.clear();
        Image image;
        image.frames.clear();
        image.extraBytes = size - 124;
        EXPECT_FALSE(readProjectFile(view, put(image))) << size;
        expectOnlyMessage(kInvalid, PromptIcon::Error);
    }
}

TEST_F(ProjectFile, RejectsAWrongMagic) {
    for (const char* magic : {"Sonavent HWP1.0\r", "sonavent HWP1.0\n", "Sonavent VCF1.0\n"}) {
        prompt.messages.clear();
        Image image;
        image.magic = std::string(magic, 16);
        EXPECT_FALSE(readProjectFile(view, put(image))) << magic;
        expectOnlyMessage(kInvalid, PromptIcon::Error);
    }
}

TEST_F(ProjectFile, RejectsAnotherVersionBeforeLookingAtTheSettings) {
    for (const int32_t version : {0, 2, -1}) {
        prompt.messages.clear();
        Image image;
        image.version = version;
        image.set(Setting::Speed, 9);
        EXPECT_FALSE(readProjectFile(view, put(image))) << version;
        expectOnlyMessage("This file is not for Hummwell plus", PromptIcon::Error);
    }
}

// --- Frame count -----------------------------------------------------------------------------

TEST_F(ProjectFile, RejectsOneByteTooLongAndChangesNothing) {
    giveTrack(5);
    view.settings.values = kCurrent;
    const FrameTrack before = view.track;
    Image image;
    image.frames = numberedFrames(3);
    image.extraBytes = 1;
    EXPECT_FALSE(readProjectFile(view, put(image)));
    expectOnlyMessage(kLength, PromptIcon::Exclamation);
    expectSameTrack(view.track, before);
    EXPECT_EQ(view.settings.values, kCurrent);
    EXPECT_TRUE(surface.shownSettings.empty());
    EXPECT_EQ(output.calls, "");  // nothing silenced, the ticks remembered
}

TEST_F(ProjectFile, RejectsOneByteTooShort) {
    Image image;
    image.frames = numberedFrames(3);
    image.extraBytes = -1;
    EXPECT_FALSE(readProjectFile(view, put(image)));
    expectOnlyMessage(kLength, PromptIcon::Exclamation);
}

// Counts that a 32-bit product 28 × N would match to the size of a one-frame file, and counts
// no file can have: each is refused before a single frame is allocated.
TEST_F(ProjectFile, NeverTrustsTheFrameCount) {
    for (const int32_t count : {0x7fffffff, 0x40000001, -1, -1073741823, INT32_MIN}) {
        prompt.messages.clear();
        Image image;
        image.count = count;
        EXPECT_FALSE(readProjectFile(view, put(image))) << count;
        expectOnlyMessage(kLength, PromptIcon::Exclamation);
        EXPECT_EQ(view.frameCount(), 1);
    }
}

TEST_F(ProjectFile, AFileWithoutFramesOpensAsAnEmptyProject) {
    giveTrack(6);
    Image image;
    image.frames.clear();
    image.set(Setting::Speed, 4);
    const std::string path = put(image);
    ASSERT_EQ(readWholeFile(path)->size(), 124u);
    ASSERT_TRUE(readProjectFile(view, path));
    ASSERT_EQ(view.frameCount(), 1);
    EXPECT_EQ(view.track.mark[0], kMarkRest);
    EXPECT_EQ(view.track.pitch[0], 0.0);
    EXPECT_EQ(view.setting(Setting::Speed), 4);
    finishOpen(view);
    EXPECT_EQ(view.transportState, kEmptyProject);
    EXPECT_FALSE(surface.scrollEnabled);
}

TEST_F(ProjectFile, ReplacesTheWholeTrack) {
    giveTrack(10);
    Image image;
    image.frames = {Frame{61.0, 0, 5.0, kMarkOnset, 0}, Frame{}};
    ASSERT_TRUE(readProjectFile(view, put(image)));
    ASSERT_EQ(view.frameCount(), 2);
    EXPECT_EQ(view.track.pitch[0], 61.0);
    EXPECT_EQ(view.track.mark[1], kMarkRest);
}

TEST_F(ProjectFile, CutsToMaxFramesKeepingTheFinalFrame) {
    view.maxFrames = 4;
    Image image;
    image.frames = numberedFrames(6);
    image.set(Setting::Speed, 4);  // a change that redraws the track
    ASSERT_TRUE(readProjectFile(view, put(image)));
    EXPECT_EQ(view.track.pitch, (std::vector<double>{40.125, 41.125, 42.125, 45.125}));
    EXPECT_EQ(view.track.reserved, (std::vector<int32_t>{900, 901, 902, 905}));
    EXPECT_EQ(view.track.mark.back(), kMarkRest);
    ASSERT_FALSE(surface.stretches.empty());
    for (const auto& [first, count] : surface.stretches) EXPECT_LE(first + count, 4);
    // Said, with what is left out.
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"The project holds 6 frames (0:00.1) but the track holds 4 "
                                                       "(0:00.0): the frames after 0:00.0 are left out."});
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Exclamation);
}

// The cut version never replaces the whole one unasked: a save over the file it came from
// asks, No offers the dialog again, and another file is written without a question.
TEST_F(ProjectFile, ASaveOverTheFileACutProjectCameFromAsksFirst) {
    view.maxFrames = 4;
    Image image;
    image.frames = numberedFrames(6);
    const std::string original = put(image);
    const std::vector<uint8_t> whole = readWholeFile(original).value();
    ASSERT_TRUE(readProjectFile(view, original));
    finishOpen(view);
    prompt.messages.clear();

    prompt.files = {original, dir.path + "/other.hwp"};
    prompt.answers = {PromptAnswer::No};
    EXPECT_TRUE(saveProject(view));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, original + " holds 6 frames, and the track only the first 4 of them (0:00.0).\n"
                                                  "Saving over it loses the rest for good. Save anyway?");
    EXPECT_EQ(prompt.messages[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(readWholeFile(original), whole);
    EXPECT_EQ(readWholeFile(dir.path + "/other.hwp")->size(), 124u + 28u * 4u);

    // Yes writes it, and from then on the file holds what the track does: no more questions.
    prompt.messages.clear();
    prompt.files = {original, original};
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(saveProject(view));
    EXPECT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(readWholeFile(original)->size(), 124u + 28u * 4u);
    EXPECT_TRUE(saveProject(view));
    EXPECT_EQ(prompt.messages.size(), 1u);
}

// A project of a hundred million frames (2.8 GB, sparse on disk) opens at once, cut: only what
// the track holds is read.
TEST_F(ProjectFile, AHugeProjectIsReadNoFurtherThanTheTrackHolds) {
    Image image;
    image.count = 100'000'000;
    image.frames = numberedFrames(3);
    std::vector<uint8_t> head = image.bytes();
    head.resize(124);
    const std::string path = put(head, "huge.hwp");
    ASSERT_EQ(::truncate(path.c_str(), 124 + 28LL * 100'000'000), 0);
    ASSERT_TRUE(readProjectFile(view, path));
    EXPECT_EQ(view.frameCount(), view.maxFrames);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text.rfind("The project holds 100000000 frames (", 0), 0u);

    // A pipe or a device is refused at once, not read or waited on.
    prompt.messages.clear();
    const std::string pipe = dir.path + "/pipe.hwp";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_FALSE(readProjectFile(view, pipe));
    EXPECT_FALSE(readProjectFile(view, "/dev/zero"));
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{
                                  "Failed to Open File.\n" + pipe + ": is not a regular file (a pipe, a device or a socket)",
                                  "Failed to Open File.\n/dev/zero: is not a regular file (a pipe, a device or a socket)"}));
}

// --- Settings --------------------------------------------------------------------------------

namespace {
struct Range {
    Setting setting;
    const char* warning;
    int lo, hi;
};
// The tick notes are checked on a melodic channel here; see the tick-note tests.
const Range kRanges[] = {
    {Setting::Speed, "Invalid Speed", 0, 4},
    {Setting::Metre, "Invalid Tempo", 0, 3},
    {Setting::Key, "Invalid Key", 0, 11},
    {Setting::Scale, "Invalid Scale", 0, 1},
    {Setting::MeasureTickChannel, "Invalid Metronome MeasureChannel", 0, 15},
    {Setting::MeasureTickInstrument, "Invalid Metronome MeasureInstrument", 0, 127},
    {Setting::MeasureTickNote, "Invalid Metronome MeasureNote", 0, 5},
    {Setting::MeasureTickVelocity, "Invalid Metronome MeasureVelocity", 0, 127},
    {Setting::BeatTickChannel, "Invalid Metronome BeatChannel", 0, 15},
    {Setting::BeatTickInstrument, "Invalid Metronome BeatInstrument", 0, 127},
    {Setting::BeatTickNote, "Invalid Metronome BeatNote", 0, 5},
    {Setting::BeatTickVelocity, "Invalid Metronome BeatVelocity", 0, 127},
    {Setting::RefKeyAdjust, "Invalid ReferenceKey Adjust", 0, 200},
    {Setting::Transpose, "Invalid Transpose", 0, 10},
    {Setting::MidiChannel, "Invalid Channel", 0, 15},
    {Setting::Instrument, "Invalid Instrument", 0, 127},
    {Setting::QuantizeMode, "Invalid Quantize", 0, 3},
    {Setting::VelocityOutMode, "Invalid Velocity", 0, 1},
};
}  // namespace

TEST_F(ProjectFile, EachOutOfRangeValueWarnsAndKeepsTheCurrentOne) {
    for (const Range& r : kRanges) {
        for (const int v : {r.lo - 1, r.lo, r.hi, r.hi + 1}) {
            SCOPED_TRACE(std::string(r.warning) + " " + std::to_string(v));
            ViewFixture f;
            ViewState view(f.prompt, f.surface, f.output, f.input);
            view.settings.values = kCurrent;
            view.settings.store(Setting::MeasureTickChannel, 0);
            view.settings.store(Setting::MeasureTickNote, 2);
            TempFolder dir;
            Image image;
            image.set(Setting::MeasureTickChannel, 0).set(Setting::MeasureTickNote, 3);
            image.set(Setting::BeatTickChannel, 0).set(Setting::BeatTickNote, 4).set(r.setting, v);
            const std::string path = dir.path + "/one.hwp";
            ASSERT_TRUE(writeFileAtomically(path, image.bytes()));

            const int before = view.setting(r.setting);
            EXPECT_TRUE(readProjectFile(view, path));
            const bool bad = v < r.lo || v > r.hi;
            if (bad) {
                ASSERT_EQ(f.prompt.texts(), std::vector<std::string>{r.warning});
                EXPECT_EQ(f.prompt.messages[0].title, "ERROR");
                EXPECT_EQ(f.prompt.messages[0].icon, PromptIcon::Exclamation);
            } else {
                EXPECT_TRUE(f.prompt.messages.empty());
            }
            EXPECT_EQ(view.setting(r.setting), bad ? before : v);
        }
    }
}

TEST_F(ProjectFile, WarnsAboutAllEighteenFieldsInReadingOrder) {
    view.settings.values = kCurrent;
    Image image;
    image.values = {5, -1, 12, 2, 12345, 16, 128, 47, -1, -1, -1, 6, 128, 201, 11, 16, -1, 4, -7, 2};
    ASSERT_TRUE(readProjectFile(view, put(image)));
    std::vector<std::string> expected;
    for (const Range& r : kRanges) expected.push_back(r.warning);
    EXPECT_EQ(prompt.texts(), expected);
    for (const auto& m : prompt.messages) EXPECT_EQ(m.icon, PromptIcon::Exclamation);
    std::array<int32_t, kSettingCount> kept = kCurrent;
    kept[static_cast<int>(Setting::MetronomeOn)] = 12345;  // the switches are not checked
    kept[static_cast<int>(Setting::RealtimeOutOn)] = -7;
    EXPECT_EQ(view.settings.values, kept);
}

// A file refused for its length is refused whole: its settings are never warned about.
TEST_F(ProjectFile, ALengthThatIsWrongRefusesTheFileWithoutWarningsAboutItsSettings) {
    view.settings.values = kCurrent;
    Image image;
    image.set(Setting::Speed, 7).set(Setting::VelocityOutMode, 9);
    image.extraBytes = 27;
    EXPECT_FALSE(readProjectFile(view, put(image)));
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{kLength}));
    EXPECT_EQ(view.settings.values, kCurrent);
}

TEST_F(ProjectFile, TickNoteThirtyIsValidOnlyOnThePercussionChannel) {
    view.settings.store(Setting::MeasureTickChannel, 0);
    view.settings.store(Setting::MeasureTickNote, 2);
    Image image;
    image.set(Setting::MeasureTickChannel, kPercussionChannel).set(Setting::MeasureTickNote, 30);
    ASSERT_TRUE(readProjectFile(view, put(image, "drum.hwp")));
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(view.setting(Setting::MeasureTickNote), 30);

    view.settings.store(Setting::MeasureTickChannel, 0);
    view.settings.store(Setting::MeasureTickNote, 2);
    image.set(Setting::MeasureTickChannel, 0);
    ASSERT_TRUE(readProjectFile(view, put(image, "melodic.hwp")));
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Invalid Metronome MeasureNote"});
    EXPECT_EQ(view.setting(Setting::MeasureTickNote), 2);
}

TEST_F(ProjectFile, TickNoteIsCheckedAgainstTheChannelAsReplaced) {
    view.settings.store(Setting::BeatTickChannel, kPercussionChannel);
    Image image;
    image.set(Setting::BeatTickChannel, 16).set(Setting::BeatTickNote, 30);
    ASSERT_TRUE(readProjectFile(view, put(image)));
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Invalid Metronome BeatChannel"});
    EXPECT_EQ(view.setting(Setting::BeatTickChannel), kPercussionChannel);
    EXPECT_EQ(view.setting(Setting::BeatTickNote), 30);
}

// The current drum note does not fit a melodic channel from the file: the note stays a valid
// octave choice instead of one that would sound far beyond the MIDI range.
TEST_F(ProjectFile, ReplacedTickNotesStayValidForTheirChannel) {
    view.settings.store(Setting::MeasureTickNote, 30);  // both on the percussion channel
    view.settings.store(Setting::BeatTickNote, 46);
    Image image;
    image.set(Setting::MeasureTickChannel, 0).set(Setting::MeasureTickNote, 30);
    image.set(Setting::BeatTickChannel, 3).set(Setting::BeatTickNote, -2);
    ASSERT_TRUE(readProjectFile(view, put(image)));
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"Invalid Metronome MeasureNote",
                                                        "Invalid Metronome BeatNote"}));
    EXPECT_EQ(view.setting(Setting::MeasureTickNote), 5);
    EXPECT_EQ(view.setting(Setting::BeatTickNote), 5);
}

TEST_F(ProjectFile, AppliesTheSettingsInThePanelOrderAndStoresTheTicks) {
    Image image;
    image.values = kCurrent;
    ASSERT_TRUE(readProjectFile(view, put(image)));
    const std::vector<std::pair<Setting, int>> shown{
        {Setting::Speed, 1},        {Setting::Metre, 1},      {Setting::Key, 5},
        {Setting::Scale, 1},        {Setting::QuantizeMode, kBasic}, {Setting::RefKeyAdjust, 90},
        {Setting::MidiChannel, 4},  {Setting::Instrument, 70}, {Setting::Transpose, 3},
        {Setting::VelocityOutMode, 1}, {Setting::MetronomeOn, 0}, {Setting::RealtimeOutOn, 0}};
    EXPECT_EQ(surface.shownSettings, shown);
    EXPECT_EQ(view.settings.values, kCurrent);
    // The old tick notes are forgotten: their note-offs would go to the new tick channels.
    EXPECT_NE(output.calls.find('t'), std::string::npos);
}

TEST_F(ProjectFile, SettingsGoThroughTheSettersThatRequantize) {
    Image image;
    image.set(Setting::QuantizeMode, kBasic);
    image.frames = {Frame{60.4, 0, 90.0, kMarkOnset, 0}, Frame{61.6, 0, 90.0, kMarkContinue, 0}, Frame{}};
    ASSERT_TRUE(readProjectFile(view, put(image)));
    EXPECT_EQ(view.track.note, (std::vector<int32_t>{60, 62, 0}));
}

// --- Writing ---------------------------------------------------------------------------------

TEST_F(ProjectFile, WriteIntoAMissingFolderFailsToOpen) {
    EXPECT_FALSE(writeProjectFile(view, dir.path + "/nowhere/take.hwp"));
    expectOnlyMessage("Failed to Open File.\n" + dir.path + "/nowhere/take.hwp: No such file or directory",
                      PromptIcon::Error);
    EXPECT_TRUE(dir.entries().empty());
}

TEST_F(ProjectFile, WriteOntoAFolderFailsAndLeavesItAndNoTemporary) {
    const std::string target = dir.path + "/take.hwp";
    ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
    put(std::vector<uint8_t>{1, 2, 3}, "take.hwp/inside");
    EXPECT_FALSE(writeProjectFile(view, target));
    expectOnlyMessage("Failed to Open File.\n" + target + ": Is a directory", PromptIcon::Error);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"take.hwp"});
    EXPECT_EQ(readWholeFile(target + "/inside"), (std::vector<uint8_t>{1, 2, 3}));
}

// The file size limit makes the disk refuse the new bytes halfway, even for root.
TEST_F(ProjectFile, AFailedOverwriteLeavesTheOldFileByteForByte) {
    const std::string path = dir.path + "/take.hwp";
    ASSERT_TRUE(writeProjectFile(view, path));
    const std::vector<uint8_t> old = readWholeFile(path).value();
    giveTrack(200);  // 5,724 bytes

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeProjectFile(view, path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    expectOnlyMessage("Failed to Open File.\n" + path + ": File too large", PromptIcon::Error);
    EXPECT_EQ(readWholeFile(path), old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"take.hwp"});
}

// --- Commands --------------------------------------------------------------------------------

TEST_F(ProjectFile, NewProjectEmptiesTheTrackAndKeepsTheSettings) {
    giveTrack(5);
    view.cursorFrame = 3;
    view.settings.values = kCurrent;
    prompt.answers = {PromptAnswer::No};  // to the save question
    newProject(view);
    EXPECT_EQ(prompt.messages.size(), 1u);
    EXPECT_TRUE(prompt.saveChoices.empty());
    EXPECT_EQ(output.calls, "a");
    EXPECT_EQ(view.frameCount(), 1);
    EXPECT_EQ(view.cursorFrame, 0);
    EXPECT_EQ(surface.clears, 1);
    EXPECT_EQ(surface.scrollRange, 1);
    EXPECT_EQ(surface.scrollPosition, 0);
    EXPECT_FALSE(surface.scrollEnabled);
    EXPECT_EQ(view.transportState, kEmptyProject);
    EXPECT_EQ(view.settings.values, kCurrent);
}

TEST_F(ProjectFile, NewProjectSavesFirstWhenAskedTo) {
    giveTrack(5);
    const std::string path = dir.path + "/before.hwp";
    prompt.answers = {PromptAnswer::Yes};
    prompt.files = {path};
    newProject(view);
    EXPECT_EQ(readWholeFile(path)->size(), 124u + 28u * 5u);
    EXPECT_EQ(view.frameCount(), 1);
}

TEST_F(ProjectFile, NewProjectDoesNothingWhenCancelledOrBusy) {
    giveTrack(5);
    prompt.answers = {PromptAnswer::Cancel};
    newProject(view);
    view.transportState = kRecording;
    newProject(view);
    EXPECT_EQ(view.frameCount(), 5);
    EXPECT_EQ(output.calls, "");
    EXPECT_EQ(prompt.messages.size(), 1u);
}

TEST_F(ProjectFile, OpenIsIgnoredWhileRecordingOrPlaying) {
    giveTrack(5);
    for (const TransportState busy : {kRecording, kPlaying}) {
        view.transportState = busy;
        openProject(view);
    }
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_TRUE(prompt.openChoices.empty());
    EXPECT_EQ(view.frameCount(), 5);
}

TEST_F(ProjectFile, OpenAsksBeforeDiscardingTheTrack) {
    giveTrack(5);
    prompt.answers = {PromptAnswer::No};
    openProject(view);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text,
              "If you open an existing Project file, current data will be lost.\nDo you want to continue?");
    EXPECT_EQ(prompt.messages[0].title, "OPEN");
    EXPECT_EQ(prompt.messages[0].buttons, PromptButtons::YesNo);
    EXPECT_TRUE(prompt.openChoices.empty());
    EXPECT_EQ(view.frameCount(), 5);
    EXPECT_EQ(view.transportState, kIdle);
}

// Yes to losing the data means: once a good file is there. Cancelled, or after files that
// could not be read, the project stays as it was, cursor and all.
TEST_F(ProjectFile, OpenCancelledOrFailedAfterYesKeepsTheProject) {
    giveTrack(5);
    view.cursorFrame = 4;
    view.transportState = kIdle;
    view.settings.values = kCurrent;
    const FrameTrack before = view.track;
    prompt.answers = {PromptAnswer::Yes};
    prompt.files = {dir.path + "/absent.hwp", put(std::vector<uint8_t>(200, 'x'), "junk.hwp")};
    openProject(view);
    ASSERT_EQ(prompt.openChoices.size(), 3u);
    EXPECT_EQ(prompt.openChoices[0].filter, "Hummwell Project Files (*.hwp)|*.hwp|");
    EXPECT_EQ(prompt.openChoices[0].defaultExtension, "hwp");
    expectSameTrack(view.track, before);
    EXPECT_EQ(view.cursorFrame, 4);
    EXPECT_EQ(view.transportState, kIdle);
    EXPECT_EQ(surface.clears, 0);
    EXPECT_EQ(view.settings.values, kCurrent);
    EXPECT_EQ(prompt.texts().size(), 3u);  // the question, then a message for each file
}

TEST_F(ProjectFile, OpenShowsTheDialogAgainUntilAReadSucceeds) {
    Image image;
    image.frames = numberedFrames(3);
    prompt.files = {dir.path + "/absent.hwp", put(std::vector<uint8_t>(200, 'x'), "junk.hwp"),
                    put(image)};
    openProject(view);  // an empty project asks nothing
    EXPECT_EQ(prompt.openChoices.size(), 3u);
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{
                                  "Failed to Open File.\n" + dir.path + "/absent.hwp: No such file or directory",
                                  kInvalid}));
    EXPECT_EQ(view.frameCount(), 3);
    EXPECT_EQ(view.transportState, kIdle);
    EXPECT_EQ(surface.states.back(), kIdle);
}

TEST_F(ProjectFile, OpenEndsWhenTheRetriedDialogIsCancelled) {
    prompt.files = {dir.path + "/absent.hwp"};
    openProject(view);
    EXPECT_EQ(prompt.openChoices.size(), 2u);
    EXPECT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(surface.grids, 0);
}

TEST_F(ProjectFile, FinishOpenRequantizesRedrawsAndRewinds) {
    giveTrack(4);
    view.settings.store(Setting::QuantizeMode, kBasic);
    view.cursorFrame = 2;
    view.scrubOn = true;
    view.transportState = kEmptyProject;
    view.selection.rangeSelected = true;
    view.clipTrack.append(Frame{});
    finishOpen(view);
    EXPECT_FALSE(view.selection.rangeSelected);
    EXPECT_EQ(view.clipTrack.frameCount(), 0);
    EXPECT_EQ(view.transportState, kIdle);
    EXPECT_EQ(surface.states, std::vector<TransportState>{kIdle});
    EXPECT_EQ(surface.grids, 1);
    EXPECT_EQ(view.track.note, (std::vector<int32_t>{40, 41, 42, 43}));
    EXPECT_EQ(view.cursorFrame, 0);
    EXPECT_EQ(surface.scrollRange, 4);
    EXPECT_EQ(surface.scrollPosition, 0);
    EXPECT_TRUE(surface.scrollEnabled);
    EXPECT_EQ(surface.repaints, 1);
    EXPECT_EQ(output.calls, "r");
}

TEST_F(ProjectFile, SaveDoesNothingUnlessIdle) {
    for (const TransportState s : {kEmptyProject, kRecording, kPlaying}) {
        view.transportState = s;
        saveProject(view);
    }
    EXPECT_TRUE(prompt.saveChoices.empty());
}

TEST_F(ProjectFile, SaveShowsTheDialogAgainAfterAFailedWrite) {
    giveTrack(3);
    const std::string path = dir.path + "/saved.hwp";
    prompt.files = {dir.path + "/nowhere/saved.hwp", path};
    saveProject(view);
    ASSERT_EQ(prompt.saveChoices.size(), 2u);
    EXPECT_EQ(prompt.saveChoices[1].filter, "Hummwell Project Files (*.hwp)|*.hwp|");
    EXPECT_EQ(prompt.saveChoices[1].defaultExtension, "hwp");
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Failed to Open File.\n" + dir.path +
                                                       "/nowhere/saved.hwp: No such file or directory"});
    EXPECT_EQ(readWholeFile(path)->size(), 124u + 28u * 3u);
}
