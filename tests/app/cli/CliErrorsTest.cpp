// What hummwell-cli does with bad input, wrong use and each kind of file it describes: one
// clear line, a non-zero exit and never an output file left behind.
#include "CliTestSupport.h"

#include "AudioFileStream.h"
#include "document/ProjectFile.h"
#include "document/VolumeControlFile.h"
#include "FileTranscription.h"

#include <csignal>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace clitest;

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class BadInput : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return folder.path + "/" + name; }
    // The folder holds exactly `names`: no output and no temporary file beside them.
    void expectOnly(std::vector<std::string> names) const {
        std::vector<std::string> there = folder.entries();
        std::sort(there.begin(), there.end());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(there, names);
    }
    testsignals::TempFolder folder{"cli-bad"};
};

TEST_F(BadInput, AudioThatCannotBeTranscribedLeavesNoOutput) {
    writeText(path("notes.wav"), "these are words, not samples\n");
    writeAudio(path("empty.wav"), {}, 44100, 1);
    struct Case {
        std::string input;
        std::string reason;
    };
    for (const Case& c : {Case{"missing.wav", "no such file"},
                          Case{"notes.wav", "not an audio file that can be read ("},
                          Case{"empty.wav", "holds no audio"}}) {
        SCOPED_TRACE(c.input);
        for (const std::string command : {"transcribe", "frames"}) {
            const CliRun r = runCli({command, path(c.input), "-o", path(command == "frames" ? "out.csv" : "out.mid")});
            EXPECT_EQ(r.code, 1);
            EXPECT_EQ(r.err.rfind("hummwell-cli: " + path(c.input) + ": " + c.reason, 0), 0u) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_EQ(r.out, "");
        }
    }
    expectOnly({"notes.wav", "empty.wav"});
}

TEST_F(BadInput, AProjectThatCannotBeReadIsNamedWithItsMessage) {
    writeText(path("words.hwp"), std::string(200, 'x'));
    // A project that its writer made, cut short.
    writeAudio(path("take.wav"), sungmelody::render(sungmelody::exampleMelody(), 44100, 1), 44100, 1);
    ASSERT_EQ(runCli({"transcribe", path("take.wav"), "-o", path("take.hwp")}).code, 0);
    const auto whole = hummwell::readWholeFile(path("take.hwp"));
    ASSERT_TRUE(whole.has_value());
    std::ofstream(path("short.hwp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(whole->data()), static_cast<std::streamsize>(whole->size() - 10));

    struct Case {
        std::string input;
        std::string message;
    };
    for (const Case& c : {Case{"missing.hwp", "Failed to Open File. No such file or directory"},
                          Case{"words.hwp", "Invalid Hummwell file"},
                          Case{"short.hwp", "Invalid Hummwell file length"}}) {
        SCOPED_TRACE(c.input);
        const CliRun exported = runCli({"export", path(c.input), "-o", path("out.mid")});
        EXPECT_EQ(exported.code, 1);
        EXPECT_EQ(exported.err, "hummwell-cli: " + path(c.input) + ": " + c.message + "\n");
        const CliRun info = runCli({"info", path(c.input)});
        EXPECT_EQ(info.code, 1);
        EXPECT_NE(info.err.find(c.input), std::string::npos);
    }
    expectOnly({"words.hwp", "take.wav", "take.hwp", "short.hwp"});
}

TEST_F(BadInput, AnOutputThatCannotBeWrittenFailsAfterTheWork) {
    writeAudio(path("take.wav"), sungmelody::render(sungmelody::exampleMelody(), 44100, 1), 44100, 1);
    const CliRun r = runCli({"transcribe", path("take.wav"), "-o", path("no-folder/take.mid")});
    EXPECT_EQ(r.code, 1);
    // The system's own words say why.
    EXPECT_EQ(r.err, "hummwell-cli: " + path("no-folder/take.mid") +
                         ": Failed to Open File. No such file or directory\n");
    const CliRun csv = runCli({"frames", path("take.wav"), "-o", path("no-folder/take.csv")});
    EXPECT_EQ(csv.code, 1);
    EXPECT_EQ(csv.err, "hummwell-cli: " + path("no-folder/take.csv") +
                           ": cannot be written: No such file or directory\n");
    expectOnly({"take.wav"});
}

TEST(CommandLine, WrongUseIsExplainedWithExitCodeTwo) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{}, "usage: hummwell-cli COMMAND"},
        {{"sing"}, "hummwell-cli: unknown command 'sing'"},
        {{"transcribe"}, "hummwell-cli: transcribe takes one audio file"},
        {{"transcribe", "a.wav", "b.wav"}, "hummwell-cli: transcribe takes one audio file"},
        {{"transcribe", "a.wav", "-o", "a.txt"}, "hummwell-cli: the output a.txt must end in .mid"},
        {{"transcribe", "a.wav", "--speed", "3"}, "hummwell-cli: unknown option --speed for transcribe"},
        {{"transcribe", "a.wav", "-x"}, "hummwell-cli: unknown option -x for transcribe"},
        {{"transcribe", "a.wav", "--key"}, "hummwell-cli: --key needs a value"},
        {{"transcribe", "a.wav", "--key", "H"}, "hummwell-cli: --key takes a major key"},
        {{"transcribe", "a.wav", "--transpose", "6"}, "hummwell-cli: --transpose takes a whole number from -5 to 5, not '6'"},
        {{"transcribe", "a.wav", "--ref-adjust=1.5"}, "hummwell-cli: --ref-adjust takes a whole number from -100 to 100"},
        {{"transcribe", "a.wav", "--floor", "-40"}, "hummwell-cli: --floor takes a number from -200 to -50, not '-40'"},
        {{"transcribe", "a.wav", "--quantize", "snap"}, "hummwell-cli: --quantize takes as-is|basic|relative|note, not 'snap'"},
        {{"transcribe", "a.wav", "--quiet=yes"}, "hummwell-cli: --quiet takes no value"},
        {{"export", "a.hwp", "--transpose", "1"}, "hummwell-cli: unknown option --transpose for export"},
        {{"info"}, "hummwell-cli: info takes one file"},
    };
    for (const Case& c : cases) {
        const CliRun r = runCli(c.args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
    }
}

TEST(CommandLine, EveryCommandHasHelp) {
    for (const std::string command : {"transcribe", "frames", "export", "info"}) {
        const CliRun r = runCli({command, "--help"});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out.rfind("usage: hummwell-cli " + command, 0), 0u) << r.out;
    }
    // How the floor is found is said where the options are.
    EXPECT_NE(runCli({"transcribe", "-h"}).out.find("quietest block of the first 200 (2.3 s)"), std::string::npos);
}

TEST(Info, DescribesEachKindOfFileAndNamesInvalidOnes) {
    testsignals::TempFolder folder("cli-info");
    const std::string hvc = folder.path + "/mic.hvc";
    hummwell::VolumeSettings v;
    v.noiseSetting = 40;
    v.floorLevel = -120.0;
    ASSERT_TRUE(hummwell::saveVolumeFile(hvc, v));
    const CliRun volume = runCli({"info", hvc});
    ASSERT_EQ(volume.code, 0) << volume.err;
    EXPECT_NE(volume.out.find("gate (velocity 0)     -100.00 dB"), std::string::npos) << volume.out;

    v.recordingGain = 256;  // out of range: refused by the reader with its own message
    ASSERT_TRUE(hummwell::saveVolumeFile(folder.path + "/loud.hvc", v));
    const CliRun loud = runCli({"info", folder.path + "/loud.hvc"});
    EXPECT_EQ(loud.code, 1);
    EXPECT_EQ(loud.err, "hummwell-cli: " + folder.path +
                            "/loud.hvc: Invalid Hummwell Volume Control file (volume)\n");

    const CliRun midi = runCli({"info", std::string(HUMMWELL_TEST_DATA_DIR) + "/export_note_quantized.mid"});
    ASSERT_EQ(midi.code, 0) << midi.err;
    EXPECT_NE(midi.out.find("Standard MIDI File, format 1, 2 tracks"), std::string::npos) << midi.out;
    EXPECT_NE(midi.out.find("division     11025 ticks per quarter note"), std::string::npos);

    writeText(folder.path + "/cut.mid", std::string("MThd\0\0\0\6\0\1\0\2", 12));
    const CliRun cut = runCli({"info", folder.path + "/cut.mid"});
    EXPECT_EQ(cut.code, 1);
    EXPECT_EQ(cut.err, "hummwell-cli: " + folder.path + "/cut.mid: truncated: the header runs past the end\n");
    writeText(folder.path + "/notes.txt", "la la la");
    const CliRun other = runCli({"info", folder.path + "/notes.txt"});
    EXPECT_EQ(other.code, 1);
    EXPECT_NE(other.err.find("not a Hummwell project (.hwp), volume control file (.hvc) or MIDI file (.mid)"),
              std::string::npos);
}

// The level set-up from a volume control file or the options instead of the calibration.
TEST(LevelSetup, AVolumeFileOrTheFloorOptionSetsTheGate) {
    testsignals::TempFolder folder("cli-gate");
    const std::string take = folder.path + "/take.wav";
    writeAudio(take, sungmelody::render(sungmelody::exampleMelody(), 44100, 1), 44100, 1);
    hummwell::VolumeSettings v;
    v.noiseSetting = 41;  // halved as a whole number: 20
    v.floorLevel = -120.0;
    ASSERT_TRUE(hummwell::saveVolumeFile(folder.path + "/mic.hvc", v));

    const CliRun fromFile = runCli({"transcribe", take, "-o", folder.path + "/a.mid", "--vcf", folder.path + "/mic.hvc"});
    ASSERT_EQ(fromFile.code, 0) << fromFile.err;
    EXPECT_NE(fromFile.out.find("noise floor -120.0 dB, gate -100.0 dB"), std::string::npos) << fromFile.out;
    const CliRun options = runCli({"transcribe", take, "-o", folder.path + "/b.mid", "--floor", "-90", "--noise", "100"});
    EXPECT_NE(options.out.find("noise floor -90.0 dB, gate -40.0 dB"), std::string::npos) << options.out;
    // Calibrated from the take's room noise, which lies far below either.
    const CliRun calibrated = runCli({"transcribe", take, "-o", folder.path + "/c.mid"});
    EXPECT_NE(calibrated.out.find("12 notes"), std::string::npos) << calibrated.out;
    const size_t at = calibrated.out.find("noise floor ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_LT(std::stod(calibrated.out.substr(at + 12)), -140.0) << calibrated.out;

    const CliRun missing = runCli({"transcribe", take, "--vcf", folder.path + "/none.hvc"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "hummwell-cli: " + folder.path + "/none.hvc: No such file or directory\n");
}

TEST(MidiReader, RefusesMalformedFilesWithTheReason) {
    // A header of format 1 at 480 ticks a quarter, then one track chunk around `body`.
    const auto withTrack = [](int tracks, const std::vector<uint8_t>& body) {
        const uint8_t n = static_cast<uint8_t>(body.size());
        std::vector<uint8_t> f{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, static_cast<uint8_t>(tracks),
                               0x01, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, n};
        for (const uint8_t b : body) f.push_back(b);
        return f;
    };
    struct Case {
        std::vector<uint8_t> bytes;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {{'R', 'I', 'F', 'F'}, "not a Standard MIDI File (no MThd header)"},
        {withTrack(1, {0x00, 0x40, 0x7F}), "track 1: data byte without a status"},
        {withTrack(1, {0x00, 0x90, 0x40}), "track 1 is truncated"},
        {withTrack(1, {0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x40, 0x40}), "track 1 is truncated"},
        {withTrack(2, {0x00, 0xFF, 0x2F, 0x00}), "the header declares 2 tracks, the file holds 1"},
        {withTrack(1, {0x00, 0x90, 0x40, 0x80}), "track 1: data byte above 127"},
    };
    for (const Case& c : cases) {
        hummwell::cli::MidiFileContents m;
        std::string error;
        EXPECT_FALSE(hummwell::cli::readMidiFile(c.bytes, m, error)) << c.reason;
        EXPECT_EQ(error, c.reason);
    }
    // Running status, a note-on of velocity 0 as its end, and the tempo map: at 480 ticks a
    // quarter, 60 bpm for the first quarter and 120 after it.
    hummwell::cli::MidiFileContents m;
    std::string error;
    ASSERT_TRUE(hummwell::cli::readMidiFile(
        withTrack(1, {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // 1,000,000 us a quarter
                      0x83, 0x60, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // at 480: 500,000
                      0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x3C, 0x00,  // C4 held one quarter
                      0x00, 0xFF, 0x2F, 0x00}),
        m, error))
        << error;
    ASSERT_EQ(m.notes.size(), 1u);
    EXPECT_EQ(m.notes[0].key, 60);
    EXPECT_EQ(m.notes[0].velocity, 100);
    EXPECT_DOUBLE_EQ(m.notes[0].startSeconds, 1.0);
    EXPECT_DOUBLE_EQ(m.notes[0].endSeconds, 1.5);
    EXPECT_DOUBLE_EQ(m.firstTempoBpm, 60.0);
}

}  // namespace

TEST_F(BadInput, NoCommandWritesOverItsOwnInput) {
    const std::vector<float> melody = sungmelody::render(sungmelody::exampleMelody(), 44100, 1);
    writeAudio(path("take.wav"), melody, 44100, 1);
    const auto before = hummwell::readWholeFile(path("take.wav"));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"frames", path("take.wav"), "-o", path("take.wav")},
          std::vector<std::string>{"transcribe", path("take.wav"), "-o", path("take.wav")},
          std::vector<std::string>{"frames", path("take.wav"), "-o", path("take.txt")}}) {
        const CliRun r = runCli(args);
        EXPECT_EQ(r.code, 2) << args[3];
        EXPECT_NE(r.err.find(args[3]), std::string::npos) << r.err;
    }
    EXPECT_EQ(hummwell::readWholeFile(path("take.wav")), before);

    ASSERT_EQ(runCli({"transcribe", path("take.wav"), "-o", path("take.hwp")}).code, 0);
    const CliRun same = runCli({"export", path("take.hwp"), "-o", path("take.hwp")});
    EXPECT_EQ(same.code, 2);
    // Through another name for the same file, too.
    std::filesystem::create_symlink(path("take.hwp"), path("alias.hwp"));
    EXPECT_EQ(runCli({"export", path("alias.hwp"), "-o", path("take.hwp")}).code, 2);
    expectOnly({"take.wav", "take.hwp", "alias.hwp"});
}

TEST_F(BadInput, WithoutAnOutputTheResultGoesBesideTheInput) {
    writeAudio(path("take.wav"), sungmelody::render(sungmelody::exampleMelody(), 44100, 1), 44100, 1);
    ASSERT_EQ(runCli({"transcribe", path("take.wav")}).code, 0);
    ASSERT_EQ(runCli({"frames", path("take.wav")}).code, 0);
    expectOnly({"take.wav", "take.mid", "take.frames.csv"});
}

// A project with an impossible speed and frames no writer of ours makes (found by fuzzing the
// export: a pitch of 1e300 reached an int conversion in the quantizer). The reader's warnings
// reach the console, and the frames are read as rests before anything computes with them.
TEST_F(BadInput, AProjectsOutOfRangeValuesAreWarnedAboutAndReadAsRests) {
    writeAudio(path("take.wav"), sungmelody::render(sungmelody::exampleMelody(), 44100, 1), 44100, 1);
    ASSERT_EQ(runCli({"transcribe", path("take.wav"), "-o", path("take.hwp")}).code, 0);
    std::vector<uint8_t> bytes = *hummwell::readWholeFile(path("take.hwp"));
    const auto putAt = [&bytes](size_t at, const std::vector<uint8_t>& v) {
        std::copy(v.begin(), v.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    };
    std::vector<uint8_t> field;
    hummwell::putInt32(field, 999);
    putAt(40, field);  // Speed, the first setting
    const size_t frames = (bytes.size() - 124) / 28;
    const size_t pitches = 124, volumes = pitches + 8 * frames, marks = volumes + 12 * frames;
    for (const auto& [frame, pitch] : std::vector<std::pair<size_t, double>>{
             {100, 1e300}, {101, std::nan("")}, {102, -5.0}, {103, INFINITY}}) {
        field.clear();
        hummwell::putDouble(field, pitch);
        putAt(pitches + 8 * frame, field);
    }
    field.clear();
    hummwell::putDouble(field, -INFINITY);
    putAt(volumes + 8 * 200, field);
    field.clear();
    hummwell::putInt32(field, 7);
    putAt(marks + 4 * 300, field);
    hummwell::writeFileAtomically(path("bad.hwp"), bytes);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"export", path("bad.hwp"), "-o", path("bad.mid"), "--quantize", "relative"},
          std::vector<std::string>{"info", path("bad.hwp")}}) {
        const CliRun r = runCli(args);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.err.find("warning: " + path("bad.hwp") + ": Invalid Speed"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("6 frames hold values out of range; they are read as rests"), std::string::npos)
            << r.err;
    }
}

// A recording cut short is transcribed as far as it goes, with a word; samples that are no
// numbers are silence, and the floor is measured from the rest.
TEST_F(BadInput, AShortFileAndSamplesThatAreNoNumbersAreToldAbout) {
    std::vector<float> melody = sungmelody::render(sungmelody::exampleMelody(), 44100, 1);
    writeAudio(path("whole.wav"), melody, 44100, 1);
    std::vector<uint8_t> bytes = *hummwell::readWholeFile(path("whole.wav"));
    bytes.resize(bytes.size() / 2);  // the header still promises the whole take
    hummwell::writeFileAtomically(path("short.wav"), bytes);
    const CliRun cut = runCli({"transcribe", path("short.wav"), "-o", path("short.mid")});
    ASSERT_EQ(cut.code, 0) << cut.err;
    EXPECT_NE(cut.err.find("warning: " + path("short.wav") + ": the file ends after"), std::string::npos)
        << cut.err;

    for (size_t i = 0; i < 2000; ++i) melody[i] = i % 2 ? std::nanf("") : INFINITY;
    writeAudio(path("nan.wav"), melody, 44100, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    const CliRun nan = runCli({"transcribe", path("nan.wav"), "-o", path("nan.mid")});
    ASSERT_EQ(nan.code, 0) << nan.err;
    EXPECT_NE(nan.err.find("2000 samples are not finite numbers; they are read as silence"), std::string::npos)
        << nan.err;
    EXPECT_EQ(nan.out.find("noise floor -200.0"), std::string::npos) << nan.out;
    EXPECT_GE(readMidi(path("nan.mid")).notes.size(), 11u);
}

TEST(MidiReader, SmpteTimeNeedsTicksPerFrameAndManyTempoChangesAddUp) {
    // 25 frames a second and 0 ticks per frame: no time can be told (it gave NaN seconds).
    const std::vector<uint8_t> noTicks{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0xE7, 0x00,
                                       'M', 'T', 'r', 'k', 0, 0, 0, 4, 0x00, 0xFF, 0x2F, 0x00};
    hummwell::cli::MidiFileContents m;
    std::string error;
    EXPECT_FALSE(hummwell::cli::readMidiFile(noTicks, m, error));
    EXPECT_EQ(error, "not a Standard MIDI File (SMPTE division with no ticks per frame)");

    // 25 frames of 40 ticks: a note 1,000 ticks in starts at 1 s.
    std::vector<uint8_t> smpte = noTicks;
    smpte[13] = 40;
    smpte.resize(18);
    const std::vector<uint8_t> track{0x87, 0x68, 0x90, 0x3C, 0x64, 0x0A, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    for (const uint8_t b : {uint8_t{0}, uint8_t{0}, uint8_t{0}, static_cast<uint8_t>(track.size())}) smpte.push_back(b);
    smpte.insert(smpte.end(), track.begin(), track.end());
    ASSERT_TRUE(hummwell::cli::readMidiFile(smpte, m, error)) << error;
    ASSERT_EQ(m.notes.size(), 1u);
    EXPECT_DOUBLE_EQ(m.notes[0].startSeconds, 1.0);

    // A tempo change every quarter, alternating 60 and 120 bpm, with a note on every quarter:
    // each note starts where the halves and wholes of the seconds before it add up to.
    std::vector<uint8_t> body;
    const int quarters = 200;
    for (int q = 0; q < quarters; ++q) {
        const uint32_t micros = q % 2 ? 500000 : 1000000;
        body.insert(body.end(), {0x00, 0xFF, 0x51, 0x03, static_cast<uint8_t>(micros >> 16),
                                 static_cast<uint8_t>(micros >> 8), static_cast<uint8_t>(micros)});
        body.insert(body.end(), {0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x00});  // 480 ticks
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    for (int shift : {24, 16, 8, 0}) file.push_back(static_cast<uint8_t>(body.size() >> shift));
    file.insert(file.end(), body.begin(), body.end());
    ASSERT_TRUE(hummwell::cli::readMidiFile(file, m, error)) << error;
    ASSERT_EQ(m.notes.size(), static_cast<size_t>(quarters));
    double expected = 0.0;
    for (int q = 0; q < quarters; ++q) {
        EXPECT_NEAR(m.notes[q].startSeconds, expected, 1e-9) << q;
        expected += q % 2 ? 0.5 : 1.0;
    }
    EXPECT_NEAR(m.seconds, expected, 1e-9);
}

// info looks at a file's first bytes before anything else: a huge file of another kind is
// turned away without being read.
TEST_F(BadInput, InfoTurnsAwayAHugeFileOfAnotherKindAtOnce) {
    const std::string huge = path("huge.wav");
    { std::ofstream create(huge); }
    std::filesystem::resize_file(huge, 4ull << 30);  // sparse: 4 GiB of zeros, no disk
    const CliRun r = runCli({"info", huge});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("not a Hummwell project"), std::string::npos) << r.err;
    std::filesystem::remove(huge);
}

namespace {

// A Standard MIDI File of one track holding the given events after the header.
std::string midiFile(const std::string& events) {
    std::string track = events + std::string("\x00\xFF\x2F\x00", 4);
    std::string out("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14);  // format 0, one track, 480 ticks
    out += "MTrk";
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((track.size() >> shift) & 0xFF);
    return out + track;
}

}  // namespace

// Files that are huge, endless or odd are answered at once, in little memory, with the reason.
TEST_F(BadInput, HugeEndlessAndOddFilesAreAnsweredAtOnceWithTheirReason) {
    const std::string pipe = path("pipe.hwp");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const std::string wavPipe = path("pipe.wav");
    ASSERT_EQ(::mkfifo(wavPipe.c_str(), 0644), 0);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"info", pipe},
                                                 {"export", pipe, "-o", path("out.mid")},
                                                 {"transcribe", wavPipe, "-o", path("out.mid")},
                                                 {"info", "/dev/zero"}}) {
        const CliRun r = runCli(args);
        EXPECT_EQ(r.code, 1) << args[1];
        EXPECT_NE(r.err.find("is not a regular file (a pipe, a device or a socket)"), std::string::npos) << r.err;
    }
    // A MIDI file of 1.4 GB (sparse) is refused unread.
    writeText(path("huge.mid"), midiFile(""));
    ASSERT_EQ(::truncate(path("huge.mid").c_str(), 1'400'000'000), 0);
    const CliRun huge = runCli({"info", path("huge.mid")});
    EXPECT_EQ(huge.code, 1);
    EXPECT_EQ(huge.err, "hummwell-cli: " + path("huge.mid") + ": is 1.4 GB; a file of this kind is read up to 16.0 MB\n");
    expectOnly({"pipe.hwp", "pipe.wav", "huge.mid"});
}

TEST_F(BadInput, AMidiTempoOfZeroIsReadAs120BpmAndSaidSo) {
    // A tempo of 0 µs per quarter, then a note of one quarter (480 ticks).
    writeText(path("zero.mid"), midiFile(std::string("\x00\xFF\x51\x03\x00\x00\x00", 7) +
                                         std::string("\x00\x90\x3C\x40\x83\x60\x80\x3C\x00", 9)));
    const CliRun r = runCli({"info", path("zero.mid")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "hummwell-cli: warning: " + path("zero.mid") +
                         ": track 1: a tempo of 0 microseconds per quarter note at tick 0 is not valid; 120 bpm is "
                         "used from there\n");
    EXPECT_NE(r.out.find("tempo        120.00 bpm"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("duration     0.50 s"), std::string::npos) << r.out;
}

// A 444-byte WAV whose header says 1 Hz: 200 seconds of nothing musical, read in a buffer the
// size of the engine's own, not one for 4,096 seconds of it.
TEST_F(BadInput, AWavOfOneHertzIsReadInASmallBuffer) {
    std::vector<float> samples(200);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = (i % 7) * 0.1f - 0.3f;
    writeAudio(path("onehz.wav"), samples, 1, 1);
    ASSERT_EQ(std::filesystem::file_size(path("onehz.wav")), 444u);
    tonik::AudioFileStream stream;
    ASSERT_TRUE(stream.open(path("onehz.wav")));
    EXPECT_LE(stream.samplesPerStep(), 50'000u);  // a second of the engine's, not 4,096 s
    std::vector<int16_t> out(1 << 16);
    size_t total = 0;
    for (size_t got; (got = stream.read(out.data(), out.size())) > 0;) total += got;
    EXPECT_NEAR(static_cast<double>(total), 200.0 * 44100, 44100.0);
    const CliRun r = runCli({"transcribe", path("onehz.wav"), "-o", path("onehz.mid")});
    EXPECT_EQ(r.code, 0) << r.err;
}

TEST_F(BadInput, FloatSamplesFarBeyondFullScaleAreReadAsFullScaleAndSaidSo) {
    std::vector<float> samples(44100, 0.1f);
    samples[100] = 1e30f;
    samples[200] = -3.0f;
    samples[300] = 1.5f;  // a little over: common, and no news
    writeAudio(path("loud.wav"), samples, 44100, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    const CliRun r = runCli({"transcribe", path("loud.wav"), "-o", path("loud.mid")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("hummwell-cli: warning: " + path("loud.wav") +
                         ": 2 samples lie far beyond full scale (up to 1e+30 times it); they are read as full scale"),
              std::string::npos)
        << r.err;
}

// hummwell-cli killed a hundred times while it writes a project of a full track: the output is
// always a whole project or not there, and nothing is left beside it once the next save ran.
TEST_F(BadInput, ExportsKilledAtAnyMomentLeaveAWholeProjectAndNothingBesideIt) {
    using namespace hummwell;
    FrameTrack track;
    track.clear();
    for (int i = 0; i < kDefaultMaxFrames; ++i)
        track.append(Frame{i % 50 < 40 ? 60.0 + (i / 50) % 12 : 0.0, 0, 64.0,
                           i % 50 == 0 ? kMarkOnset : (i % 50 < 40 ? kMarkContinue : kMarkRest), 0});
    const ProjectSettings settings;
    ASSERT_FALSE(writeProject(path("full.hwp"), track, settings).has_value());
    const std::string out = path("copy.hwp");
    std::mt19937 rng(5);
    for (int kill = 0; kill < 100; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::execl(HUMMWELL_CLI_PROGRAM, HUMMWELL_CLI_PROGRAM, "export", path("full.hwp").c_str(), "-o", out.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::usleep(rng() % 60000);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        if (std::filesystem::exists(out)) {
            const ProjectRead read = readProject(out, settings, kDefaultMaxFrames);
            ASSERT_TRUE(read.contents.has_value()) << "kill " << kill << ": " << read.error;
            ASSERT_EQ(read.contents->track.frameCount(), kDefaultMaxFrames);
        }
        std::vector<std::string> beside = folder.entries();
        std::erase(beside, "full.hwp");
        std::erase(beside, "copy.hwp");
        ASSERT_LE(beside.size(), 1u) << "kill " << kill;
    }
    ASSERT_EQ(runCli({"export", path("full.hwp"), "-o", out}).code, 0);
    expectOnly({"full.hwp", "copy.hwp"});
}
