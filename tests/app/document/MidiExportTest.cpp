// The exported Standard MIDI File: its fixed layout, both encoders byte for byte, the golden
// references, writing and the Export command, and a read-back by an independent reader.
#include "document/MidiExport.h"
#include "document/ProjectCommands.h"

#include "document/SafeFile.h"
#include "document/ViewState.h"
#include "support/AppDoubles.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace hummwell;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr size_t kEventsAt = 51;  // header chunk, first track, second track's head and set-up

struct F {
    double pitch;
    double volume = 0.0;
    int mark = kMarkContinue;
    int note = 0;
};
const F kRest{0.0, 0.0, kMarkRest, 0};

FrameTrack trackOf(const std::vector<F>& frames) {
    FrameTrack t;
    t.clear();
    for (const F& f : frames) t.append(Frame{f.pitch, f.note, f.volume, f.mark, 0});
    return t;
}

// Quantized material: runs of (note, frames), then the final rest.
FrameTrack runsOf(const std::vector<std::pair<int, int>>& runs) {
    std::vector<F> frames;
    for (auto [note, count] : runs)
        for (int i = 0; i < count; ++i) frames.push_back({note ? 60.0 : 0.0, 64.0, i ? 0 : 1, note});
    frames.push_back(kRest);
    return trackOf(frames);
}

ProjectSettings mode(int quantizeMode) {
    ProjectSettings s;
    s.store(Setting::QuantizeMode, quantizeMode);
    return s;
}

// The frame events alone: what follows the fixed set-up, without the End of Track.
Bytes events(const Bytes& file) {
    EXPECT_GE(file.size(), kEventsAt + 3);
    if (file.size() < kEventsAt + 3) return {};
    return Bytes(file.begin() + kEventsAt, file.end() - 3);
}

uint32_t bigEndian(const Bytes& b, size_t at) {
    return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

std::string hexRow(const Bytes& b, size_t from, size_t to, const Bytes& other) {
    char cell[8];
    std::string row;
    for (size_t i = from; i < to; ++i) {
        if (i >= b.size()) break;
        const bool differs = i >= other.size() || other[i] != b[i];
        std::snprintf(cell, sizeof cell, differs ? "[%02X]" : " %02X ", b[i]);
        row += cell;
    }
    return row;
}

// Where two files part, with the rows around it; differing bytes in brackets.
std::string hexDiff(const Bytes& expected, const Bytes& actual) {
    size_t first = 0;
    while (first < expected.size() && first < actual.size() && expected[first] == actual[first]) ++first;
    size_t differing = 0;
    for (size_t i = 0; i < std::max(expected.size(), actual.size()); ++i)
        differing += i >= expected.size() || i >= actual.size() || expected[i] != actual[i];
    std::string out = "expected " + std::to_string(expected.size()) + " bytes, actual " +
                      std::to_string(actual.size()) + "; " + std::to_string(differing) +
                      " differ, the first at offset " + std::to_string(first) + " (rows in hex)\n";
    const size_t start = first >= 32 ? (first - 32) / 16 * 16 : 0;
    for (size_t row = start; row < first + 48; row += 16) {
        if (row >= expected.size() && row >= actual.size()) break;
        char at[24];
        std::snprintf(at, sizeof at, "%06zx", row);
        out += std::string(at) + " expected " + hexRow(expected, row, row + 16, actual) + "\n";
        out += std::string(at) + " actual   " + hexRow(actual, row, row + 16, expected) + "\n";
    }
    return out;
}

using TempFolder = testsignals::TempFolder;

// Three notes: one with a rest before it, one gliding and swelling, one re-struck by its
// onset; then the final rest.
FrameTrack referenceTrack() {
    return trackOf({kRest,
                    {60.0, 80.0, kMarkOnset, 60}, {60.3, 90.7, 0, 60}, {59.6, 100.0, 0, 60},
                    kRest,
                    {64.2, 70.0, kMarkOnset, 64}, {64.5, 110.0, 0, 64}, {66.8, 120.0, 0, 67},
                    {66.8, 50.0, kMarkOnset, 67},
                    kRest});
}

void expectMatchesReference(const Bytes& actual, const std::string& name) {
    const std::string path = std::string(HUMMWELL_TEST_DATA_DIR) + "/" + name;
    if (const char* update = std::getenv("HUMMWELL_UPDATE_GOLDEN"); update && std::string(update) == "1") {
        ASSERT_TRUE(writeFileAtomically(path, actual)) << path;
        std::printf("wrote %s (%zu bytes)\n", path.c_str(), actual.size());
    }
    const auto expected = readWholeFile(path);
    ASSERT_TRUE(expected.has_value()) << path << " is missing: run scripts/update-golden.sh";
    EXPECT_TRUE(*expected == actual) << name << " differs from its reference:\n"
                                     << hexDiff(*expected, actual);
}

}  // namespace

// --- The fixed layout --------------------------------------------------------------------

TEST(MidiFileLayout, StartsWithTheHeaderTheEmptyFirstTrackAndTheNoteSetUp) {
    ProjectSettings s;
    s.store(Setting::Instrument, 41);
    const Bytes file = buildMidiFile(FrameTrack{}, s);
    const Bytes head{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x2B, 0x11,
                     'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0,
                     'M', 'T', 'r', 'k'};
    ASSERT_GE(file.size(), kEventsAt);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 30), head);
    const Bytes setUp{0, 0xC0, 41, 0, 0xB0, 0x65, 0, 0, 0xB0, 0x64, 0, 0, 0xB0, 0x06, 12, 0, 0x90};
    EXPECT_EQ(Bytes(file.begin() + 34, file.begin() + kEventsAt), setUp);
    EXPECT_EQ(Bytes(file.end() - 3, file.end()), (Bytes{0xFF, 0x2F, 0x00}));
}

TEST(MidiFileLayout, TrackLengthCountsEveryByteAfterIt) {
    for (int m : {0, 3}) {
        for (const FrameTrack& t : {FrameTrack{}, referenceTrack(), runsOf({{60, 9000}})}) {
            const Bytes file = buildMidiFile(t, mode(m));
            ASSERT_GT(file.size(), 34u);
            EXPECT_EQ(bigEndian(file, 30), file.size() - 34) << "mode " << m;
        }
    }
}

TEST(MidiFileLayout, ChannelSpeedAndMetreDoNotReachTheFile) {
    for (int m : {0, 1}) {
        ProjectSettings base = mode(m);
        const Bytes reference = buildMidiFile(referenceTrack(), base);
        ProjectSettings other = base;
        other.store(Setting::MidiChannel, 5);
        other.store(Setting::Speed, 4);
        other.store(Setting::Metre, 3);
        EXPECT_EQ(buildMidiFile(referenceTrack(), other), reference) << "mode " << m;
        other.store(Setting::MidiChannel, 15);
        EXPECT_EQ(buildMidiFile(referenceTrack(), other), reference) << "mode " << m;
    }
}

TEST(MidiFileLayout, ATrackWithoutFramesStillCompletesTheOpenNoteOn) {
    FrameTrack none;
    none.clear();
    for (int m : {0, 2}) EXPECT_EQ(events(buildMidiFile(none, mode(m))), (Bytes{0, 0, 0})) << m;
}

TEST(MidiFileLayout, OutOfRangeProgramIsHeldToADataByte) {
    ProjectSettings s;
    s.store(Setting::Instrument, 300);
    EXPECT_EQ(buildMidiFile(FrameTrack{}, s)[36], 127);
}

// --- The sung curve (mode 0) -------------------------------------------------------------

TEST(MidiAsSung, EachFrameGivesItsBendNowAndItsLoudnessOneFrameLater) {
    const Bytes got = events(buildMidiFile(trackOf({{60.0, 80.9, kMarkOnset}, kRest}), mode(0)));
    EXPECT_EQ(got, (Bytes{0x3C, 0x7F, 0,                       // completes the Note On
                          0xE0, 0x00, 0x40, 0x82, 0x00, 0xB0, 0x07, 80, 0,
                          0x90, 0x3C, 0, 0, 0x00, 0x00, 0,     // the rest ends the note
                          0xE0, 0x00, 0x40, 0x82, 0x00, 0xB0, 0x07, 0, 0}));
}

TEST(MidiAsSung, ElevenPointNineSemitonesBendWhileTwelvePointFiveStrikeANewNote) {
    const Bytes got = events(buildMidiFile(
        trackOf({{60.0, 64, kMarkOnset}, {71.9, 64}, {72.5, 64}, {60.1, 64}, {48.0, 64}, kRest}),
        mode(0)));
    const int up = 8192 + 8124;  // 11.9 × 682.67 = 8123.73
    const Bytes expected{0x3C, 0x7F, 0, 0xE0, 0x00, 0x40, 0x82, 0x00, 0xB0, 0x07, 64, 0,
                         // 71.9 is a bend of the sounding 60
                         0xE0, up & 0x7F, up >> 7, 0x82, 0x00, 0xB0, 0x07, 64, 0,
                         // 72.5 ends 60 and strikes 73, bent down half a semitone: 8192 - 341
                         0x90, 0x3C, 0, 0, 0x49, 0x7F, 0, 0xE0, 7851 & 0x7F, 7851 >> 7, 0x82, 0x00, 0xB0, 0x07, 64, 0,
                         // 60.1 is 12.9 below 73: 60 struck again
                         0x90, 0x49, 0, 0, 0x3C, 0x7F, 0, 0xE0, 8260 & 0x7F, 8260 >> 7, 0x82, 0x00, 0xB0, 0x07, 64, 0,
                         // exactly twelve below is still a bend, to the bottom of the range
                         0xE0, 0x00, 0x00, 0x82, 0x00, 0xB0, 0x07, 64, 0,
                         0x90, 0x3C, 0, 0, 0x00, 0x00, 0, 0xE0, 0x00, 0x40, 0x82, 0x00, 0xB0, 0x07, 0, 0};
    EXPECT_EQ(got, expected) << hexDiff(expected, got);
}

TEST(MidiAsSung, ExactlyTwelveSemitonesUpIsHeldToTheTopOfTheBendRange) {
    const Bytes got = events(buildMidiFile(trackOf({{60.0, 64, kMarkOnset}, {72.0, 64}, kRest}), mode(0)));
    ASSERT_GT(got.size(), 15u);
    EXPECT_EQ(Bytes(got.begin() + 12, got.begin() + 15), (Bytes{0xE0, 0x7F, 0x7F}))
        << "16384 does not fit in 14 bits: " << hexDiff({}, got);
}

TEST(MidiAsSung, AnOnsetRestrikesTheSameNote) {
    const Bytes got = events(buildMidiFile(trackOf({{60.0, 64, kMarkOnset}, {60.0, 64, kMarkOnset}, kRest}), mode(0)));
    ASSERT_GT(got.size(), 19u);
    EXPECT_EQ(Bytes(got.begin() + 12, got.begin() + 19), (Bytes{0x90, 0x3C, 0, 0, 0x3C, 0x7F, 0}));
}

TEST(MidiAsSung, LoudnessIsTruncatedAndHeldToTheControllerRange) {
    // Volume Up stores values past 127; they must not become status bytes.
    ProjectSettings s = mode(0);
    s.store(Setting::VelocityOutMode, 1);
    const Bytes got = events(buildMidiFile(trackOf({{60.0, 64.99, kMarkOnset}, {60.0, 139.2}, {60.0, -3.0}, kRest}), s));
    const Bytes expected{0x3C, 0x7F, 0,
                         0xE0, 0x00, 0x40, 0x82, 0x00, 0xB0, 0x0B, 64, 0,
                         0xE0, 0x00, 0x40, 0x82, 0x00, 0xB0, 0x0B, 127, 0,
                         0xE0, 0x00, 0x40, 0x82, 0x00, 0xB0, 0x0B, 0, 0,
                         0x90, 0x3C, 0, 0, 0x00, 0x00, 0, 0xE0, 0x00, 0x40, 0x82, 0x00, 0xB0, 0x0B, 0, 0};
    EXPECT_EQ(got, expected) << hexDiff(expected, got);
}

TEST(MidiAsSung, NotesFollowTheViewsScaleAndKey) {
    ProjectSettings s = mode(0);
    s.store(Setting::Scale, 1);  // C major: 61.2 is D
    const Bytes got = events(buildMidiFile(trackOf({{61.2, 64, kMarkOnset}, kRest}), s));
    ASSERT_GT(got.size(), 5u);
    const int bend = 8192 - 546;  // -0.8 × 682.67 = -546.13
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 6), (Bytes{62, 0x7F, 0, 0xE0, bend & 0x7F, bend >> 7}));
}

TEST(MidiAsSung, ATrackEndingInANoteEndsIt) {
    const Bytes got = events(buildMidiFile(trackOf({{60.0, 64, kMarkOnset}}), mode(0)));
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(Bytes(got.end() - 4, got.end()), (Bytes{0x90, 0x3C, 0, 0}));
}

// --- Plain notes (modes 1 to 3) ----------------------------------------------------------

TEST(MidiQuantized, ARunIsOneNoteOnItsLengthAndOneNoteOff) {
    const Bytes got = events(buildMidiFile(runsOf({{0, 1}, {60, 100}, {62, 1}}), mode(3)));
    const Bytes expected{0x00, 0, 0x82, 0x00, 0x00, 0, 0,           // the leading rest
                         0x3C, 64, 0x81, 0xC8, 0x00, 0x3C, 0, 0,    // 100 frames
                         0x3E, 64, 0x82, 0x00, 0x3E, 0, 0,
                         0x00, 0, 0x82, 0x00, 0x00, 0, 0};          // the final rest
    EXPECT_EQ(got, expected) << hexDiff(expected, got);
}

TEST(MidiQuantized, RunLengthsWidenAtEachVariableLengthBoundary) {
    struct Case {
        int frames;
        Bytes delta;
    };
    const Case cases[] = {{63, {0xFE, 0x00}},
                          {64, {0x81, 0x80, 0x00}},
                          {8191, {0xFF, 0xFE, 0x00}},
                          {8192, {0x81, 0x80, 0x80, 0x00}},
                          {8193, {0x81, 0x80, 0x82, 0x00}}};
    for (const Case& c : cases) {
        const Bytes got = events(buildMidiFile(runsOf({{60, c.frames}}), mode(3)));
        Bytes expected{0x3C, 64};
        expected.insert(expected.end(), c.delta.begin(), c.delta.end());
        expected.insert(expected.end(), {0x3C, 0, 0, 0x00, 0, 0x82, 0x00, 0x00, 0, 0});
        EXPECT_EQ(got, expected) << c.frames << " frames\n" << hexDiff(expected, got);
    }
}

TEST(MidiQuantized, EveryQuantizedModeWritesFrameNoteAlone) {
    // Pitch, loudness and marks do not matter: no bend, no controller, no restrike.
    FrameTrack t = trackOf({{61.4, 10, kMarkOnset, 60}, {58.0, 120, kMarkOnset, 60}, kRest});
    const Bytes expected{0x3C, 64, 0x84, 0x00, 0x3C, 0, 0, 0x00, 0, 0x82, 0x00, 0x00, 0, 0};
    for (int m : {1, 2, 3}) EXPECT_EQ(events(buildMidiFile(t, mode(m))), expected) << "mode " << m;
}

TEST(MidiQuantized, NoteValuesThatAreNoDataByteBecomeRests) {
    // The low 8 bits are written; 316 is 60, while -1 (0xFF) and 200 would be status bytes.
    const Bytes got = events(buildMidiFile(runsOf({{316, 1}, {-1, 1}, {200, 1}}), mode(1)));
    const Bytes expected{0x3C, 64, 0x82, 0x00, 0x3C, 0, 0, 0x00, 0, 0x86, 0x00, 0x00, 0, 0};
    EXPECT_EQ(got, expected) << hexDiff(expected, got);
}

TEST(MidiQuantized, ARunBeyondTheLongestDeltaIsStruckAgain) {
    // 1,048,575 frames is the most a four-byte delta holds; a fifth byte is no valid file.
    const int longest = 0x0FFFFFFF / 256;
    const Bytes got = events(buildMidiFile(runsOf({{60, longest + 1}}), mode(3)));
    const Bytes expected{0x3C, 64, 0xFF, 0xFF, 0xFE, 0x00, 0x3C, 0, 0,
                         0x3C, 64, 0x82, 0x00, 0x3C, 0, 0,
                         0x00, 0, 0x82, 0x00, 0x00, 0, 0};
    EXPECT_EQ(got, expected) << hexDiff(expected, got);
}

// --- References --------------------------------------------------------------------------

TEST(MidiExportGolden, SungCurveMatchesItsReference) {
    expectMatchesReference(buildMidiFile(referenceTrack(), mode(0)), "export_as_sung.mid");
}

TEST(MidiExportGolden, NoteQuantizedMatchesItsReference) {
    ProjectSettings s = mode(3);
    s.store(Setting::Instrument, 0);
    expectMatchesReference(buildMidiFile(referenceTrack(), s), "export_note_quantized.mid");
}

// --- Writing and the command -------------------------------------------------------------

TEST(MidiFileWrite, WritesTheBuiltBytesOrReportsAndKeepsWhatWasThere) {
    TempFolder dir;
    appdoubles::ScriptedPrompt prompt;
    const std::string good = dir.path + "/song.mid";
    ASSERT_TRUE(writeMidiFile(good, referenceTrack(), mode(0), prompt));
    EXPECT_EQ(readWholeFile(good), buildMidiFile(referenceTrack(), mode(0)));
    EXPECT_TRUE(prompt.messages.empty());

    const std::string blocked = dir.path + "/taken.mid";  // a folder stands where the file would go
    ASSERT_EQ(::mkdir(blocked.c_str(), 0755), 0);
    EXPECT_FALSE(writeMidiFile(blocked, referenceTrack(), mode(0), prompt));
    EXPECT_FALSE(writeMidiFile(dir.path + "/missing/song.mid", referenceTrack(), mode(0), prompt));
    ASSERT_EQ(prompt.messages.size(), 2u);
    // After the message, the file and the system's own words for why.
    EXPECT_EQ(prompt.messages[0].text, "Failed to Open File.\n" + blocked + ": Is a directory");
    EXPECT_EQ(prompt.messages[1].text, "Failed to Open File.\n" + dir.path + "/missing/song.mid: No such file or directory");
    EXPECT_EQ(prompt.messages[0].title, "ERROR");
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Error);
    struct stat st;
    EXPECT_TRUE(::stat(blocked.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

struct ExportCommand : appdoubles::ViewFixture, ::testing::Test {
    ViewState view{prompt, surface, output, input};
    TempFolder dir;
    ExportCommand() { view.track = referenceTrack(); }
};

TEST_F(ExportCommand, OnlyAnIdleTrackIsOffered) {
    for (TransportState state : {kRecording, kPlaying, kEmptyProject}) {
        view.transportState = state;
        prompt.files.push_back(dir.path + "/x.mid");
        exportMidi(view);
        EXPECT_TRUE(prompt.saveChoices.empty()) << "state " << state;
        prompt.files.clear();
    }
    EXPECT_FALSE(readWholeFile(dir.path + "/x.mid").has_value());
}

TEST_F(ExportCommand, AFailedWriteOffersTheDialogAgainUntilOneSucceeds) {
    view.transportState = kIdle;
    view.settings.store(Setting::QuantizeMode, kBasic);
    const std::string good = dir.path + "/tune.mid";
    prompt.files = {dir.path + "/missing/tune.mid", good};
    exportMidi(view);
    ASSERT_EQ(prompt.saveChoices.size(), 2u);
    EXPECT_EQ(prompt.saveChoices[0].filter, "MIDI Files (*.mid)|*.mid||");
    EXPECT_EQ(prompt.saveChoices[0].defaultExtension, "mid");
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Failed to Open File.\n" + dir.path +
                                                       "/missing/tune.mid: No such file or directory"});
    EXPECT_EQ(readWholeFile(good), buildMidiFile(view.track, view.settings));
}

TEST_F(ExportCommand, CancelAfterAFailureEndsTheCommand) {
    view.transportState = kIdle;
    prompt.files = {dir.path + "/missing/tune.mid"};  // then cancel
    exportMidi(view);
    EXPECT_EQ(prompt.saveChoices.size(), 2u);
    EXPECT_EQ(prompt.messages.size(), 1u);
}

// --- Read back by an independent reader --------------------------------------------------

namespace {

const char* const kPython = "/usr/bin/python3";

// The reader's text for a file, or the reason it could not be read (ok false).
std::string readBack(const std::string& file, bool& ok) {
    const std::string script = std::string(HUMMWELL_TEST_DATA_DIR) + "/../document/read_midi.py";
    const std::string command = std::string(kPython) + " '" + script + "' '" + file + "' 2>&1";
    std::string text;
    ok = false;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return "popen failed";
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    const int status = ::pclose(pipe);
    ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return text;
}

bool readerAvailable() {
    return ::access(kPython, X_OK) == 0 &&
           std::system((std::string(kPython) + " -c 'import mido' >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

TEST(MidiReadBack, AnotherReaderSeesTwoTracksAndTheNotesAtTheirTicks) {
    if (!readerAvailable()) GTEST_SKIP() << "needs /usr/bin/python3 with mido (python3-mido; scripts/install-deps.sh)";
    TempFolder dir;
    appdoubles::ScriptedPrompt prompt;
    const std::string file = dir.path + "/notes.mid";
    ASSERT_TRUE(writeMidiFile(file, runsOf({{0, 2}, {60, 100}, {62, 64}}), mode(3), prompt));
    bool ok;
    const std::string text = readBack(file, ok);
    ASSERT_TRUE(ok) << text;
    const std::string expected =
        "chunk MThd 6\nchunk MTrk 4\nchunk MTrk 50\n"
        "file type=1 ticks_per_beat=11025 tracks=2\n"
        "track 0\n0 end_of_track\n"
        "track 1\n"
        "0 program_change channel=0 program=68\n"
        "0 control_change channel=0 control=101 value=0\n"
        "0 control_change channel=0 control=100 value=0\n"
        "0 control_change channel=0 control=6 value=12\n"
        "0 note_on channel=0 note=0 velocity=0\n512 note_on channel=0 note=0 velocity=0\n"
        "512 note_on channel=0 note=60 velocity=64\n26112 note_on channel=0 note=60 velocity=0\n"
        "26112 note_on channel=0 note=62 velocity=64\n42496 note_on channel=0 note=62 velocity=0\n"
        "42496 note_on channel=0 note=0 velocity=0\n42752 note_on channel=0 note=0 velocity=0\n"
        "42752 end_of_track\n";
    EXPECT_EQ(text, expected);
}

TEST(MidiReadBack, TheSungCurveIsAValidFileEvenAtItsEdges) {
    if (!readerAvailable()) GTEST_SKIP() << "needs /usr/bin/python3 with mido (python3-mido; scripts/install-deps.sh)";
    TempFolder dir;
    appdoubles::ScriptedPrompt prompt;
    const std::string file = dir.path + "/sung.mid";
    // Loudness past the controller's range and a bend of exactly twelve semitones.
    ASSERT_TRUE(writeMidiFile(file, trackOf({{60.0, 200.0, kMarkOnset}, {72.0, 90.0}, kRest}), mode(0), prompt));
    bool ok;
    const std::string text = readBack(file, ok);
    ASSERT_TRUE(ok) << text;
    EXPECT_NE(text.find("0 note_on channel=0 note=60 velocity=127\n0 pitchwheel channel=0 pitch=0\n"
                        "256 control_change channel=0 control=7 value=127\n"
                        "256 pitchwheel channel=0 pitch=8191\n"
                        "512 control_change channel=0 control=7 value=90\n"
                        "512 note_on channel=0 note=60 velocity=0\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("768 end_of_track\n"), std::string::npos) << text;
}
