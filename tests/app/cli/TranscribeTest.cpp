// Audio files of a melody whose notes are known, through hummwell-cli to MIDI, projects and
// the frames table.
#include "CliTestSupport.h"

#include "FileTranscription.h"

#include <cmath>
#include <fstream>

namespace {

using namespace clitest;
using hummwell::cli::MidiNote;

class TranscribeMelody : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new testsignals::TempFolder("cli");
        melody = sungmelody::exampleMelody();
        take = folder->path + "/take.wav";
        writeAudio(take, sungmelody::render(melody, 44100, 1), 44100, 1);
    }
    static void TearDownTestSuite() { delete folder; }

    std::string path(const std::string& name) const { return folder->path + "/" + name; }

    std::vector<MidiNote> transcribeNotes(const std::string& input, const std::string& mode) {
        const std::string out = path("notes-" + mode + ".mid");
        const CliRun r = runCli({"transcribe", input, "-o", out, "--quantize", mode});
        EXPECT_EQ(r.code, 0) << r.err;
        return readMidi(out).notes;
    }

    static inline testsignals::TempFolder* folder = nullptr;
    static inline sungmelody::Melody melody;
    static inline std::string take;
};

TEST_F(TranscribeMelody, EveryQuantizeModeGivesBackTheSungNotes) {
    const int sung = static_cast<int>(melody.notes.size());
    for (const std::string mode : {"as-is", "basic", "relative", "note"}) {
        SCOPED_TRACE(mode);
        const std::string out = path(mode + ".mid");
        const CliRun r = runCli({"transcribe", take, "-o", out, "--quantize", mode});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const hummwell::cli::MidiFileContents m = readMidi(out);
        // At least 90% of the notes at the right pitch and within 50 ms, and next to nothing
        // that was not sung.
        EXPECT_GE(matchedNotes(melody, m.notes, 0.050), std::ceil(0.9 * sung));
        EXPECT_LE(static_cast<int>(m.notes.size()), sung + 1);
        // Only the unquantized mode follows the sung curve with pitch bend.
        if (mode == "as-is") EXPECT_GT(m.pitchBends, 500);
        else EXPECT_EQ(m.pitchBends, 0);
    }
}

TEST_F(TranscribeMelody, NoteModeHoldsEachNoteForAsLongAsItWasSung) {
    const std::vector<MidiNote> notes = transcribeNotes(take, "note");
    ASSERT_EQ(notes.size(), melody.notes.size());
    for (size_t i = 0; i < notes.size(); ++i) {
        SCOPED_TRACE(i);
        const sungmelody::Note& sung = melody.notes[i];
        EXPECT_EQ(notes[i].key, sung.midi);
        // The end of a note is found when its level falls under the gate, or at the leap.
        EXPECT_NEAR(notes[i].endSeconds, sung.startSeconds + sung.seconds, 0.080);
    }
}

TEST_F(TranscribeMelody, AProjectExportsToTheSameMidiAsTheDirectTranscription) {
    const std::string project = path("take.hwp");
    ASSERT_EQ(runCli({"transcribe", take, "-o", project, "--quantize", "note"}).code, 0);
    for (const std::string mode : {"note", "basic", "as-is"}) {
        SCOPED_TRACE(mode);
        const std::string direct = path("direct-" + mode + ".mid");
        const std::string exported = path("exported-" + mode + ".mid");
        ASSERT_EQ(runCli({"transcribe", take, "-o", direct, "--quantize", mode}).code, 0);
        const CliRun r = runCli({"export", project, "-o", exported, "--quantize", mode});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(hummwell::readWholeFile(exported), hummwell::readWholeFile(direct));
    }
    // Without options the export keeps the project's own settings.
    ASSERT_EQ(runCli({"export", project, "-o", path("kept.mid")}).code, 0);
    EXPECT_EQ(hummwell::readWholeFile(path("kept.mid")), hummwell::readWholeFile(path("direct-note.mid")));

    const CliRun info = runCli({"info", project});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("Hummwell project"), std::string::npos);
    EXPECT_NE(info.out.find("notes        12, MIDI 60..79"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Note Quantizing"), std::string::npos) << info.out;

    // An unquantized project names the range of the sung notes, not "MIDI 0..0".
    ASSERT_EQ(runCli({"transcribe", take, "-o", path("as-is.hwp")}).code, 0);
    const CliRun asIs = runCli({"info", path("as-is.hwp")});
    EXPECT_NE(asIs.out.find("notes        12, MIDI 60..79"), std::string::npos) << asIs.out;
}

TEST_F(TranscribeMelody, SettingsShapeTheNotesAndReachTheFiles) {
    // An octave up and the reference tuned 100 cents higher: every note 11 semitones up.
    const std::string out = path("shifted.hwp");
    const CliRun r = runCli({"transcribe", take, "-o", out, "--quantize=note", "--transpose", "+1",
                          "--ref-adjust", "100", "--key", "Bb", "--scale", "diatonic",
                          "--instrument", "0", "--velocity-out", "expression"});
    ASSERT_EQ(r.code, 0) << r.err;
    const CliRun info = runCli({"info", out});
    for (const char* shown : {"A# (Bb) Major", "Diatonic Scale", "+100 %", "+1 Octaves",
                              "to Expression"})
        EXPECT_NE(info.out.find(shown), std::string::npos) << shown << "\n" << info.out;

    ASSERT_EQ(runCli({"export", out, "-o", path("shifted.mid"), "--scale", "chromatic"}).code, 0);
    const std::vector<MidiNote> notes = readMidi(path("shifted.mid")).notes;
    ASSERT_EQ(notes.size(), melody.notes.size());
    for (size_t i = 0; i < notes.size(); ++i) EXPECT_EQ(notes[i].key, melody.notes[i].midi + 11) << i;
}

TEST_F(TranscribeMelody, FramesHaveOneRowPerBlockWithTheTranscribersDecisions) {
    const std::string csv = path("take.csv");
    const CliRun r = runCli({"frames", take, "-o", csv, "--quantize", "note"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "time_s,level,pitch,clarity,noteState,outcome,framePitch,frameVolume,frameMark,"
                    "frameNote,foundPitch,foundVolume,foundMark,foundNote,periodicity,periodicityUp,"
                    "periodicityDown");
    const size_t samples = static_cast<size_t>(melody.seconds * 44100);
    size_t rows = 0;
    int onsets = 0, found = 0, differing = 0, sungFrames = 0;
    double lastTime = -1.0, sungPeriodicity = 0.0;
    while (std::getline(in, line)) {
        double time, level, pitch, clarity, outcome, framePitch, frameVolume, foundPitch, foundVolume;
        double periodicity, up, down;
        int noteState, mark, note, foundMark, foundNote;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf,%lf,%d,%lf,%lf,%lf,%d,%d,%lf,%lf,%d,%d,%lf,%lf,%lf", &time,
                              &level, &pitch, &clarity, &noteState, &outcome, &framePitch, &frameVolume,
                              &mark, &note, &foundPitch, &foundVolume, &foundMark, &foundNote, &periodicity,
                              &up, &down),
                  17)
            << line;
        // The sung vowels repeat at their pitch; blocks without one have no measure.
        if (pitch == 0.0) { EXPECT_EQ(periodicity, 0.0) << line; }
        sungPeriodicity += foundMark != -1 && pitch > 0.0 ? periodicity : 0.0;
        sungFrames += foundMark != -1 && pitch > 0.0;
        EXPECT_NEAR(time, rows * 512.0 / 44100.0, 1e-4);
        EXPECT_GT(time, lastTime);
        lastTime = time;
        onsets += mark == 1;
        found += foundMark == 1;
        differing += mark != foundMark;
        if (mark == -1) { EXPECT_EQ(frameVolume, 0.0) << line; }
        if (foundMark == -1) { EXPECT_EQ(foundVolume, 0.0) << line; }
        ++rows;
    }
    EXPECT_EQ(rows, (samples + 511) / 512);
    // Both decisions are there, each with every note; they differ in places (the note finder
    // starts notes on their first pitched frame).
    EXPECT_EQ(onsets, static_cast<int>(melody.notes.size()));
    EXPECT_EQ(found, static_cast<int>(melody.notes.size()));
    EXPECT_GT(differing, 0);
    ASSERT_GT(sungFrames, 400);
    EXPECT_GT(sungPeriodicity / sungFrames, 0.8);

    // With the live path only, the note finder's columns are empty.
    ASSERT_EQ(runCli({"frames", take, "-o", csv, "--notes", "live"}).code, 0);
    std::ifstream again(csv);
    std::getline(again, line);
    std::getline(again, line);
    EXPECT_NE(line.find(",,,,,"), std::string::npos) << line;
}

// Recordings come at other rates and with two channels; the notes must not depend on it.
TEST_F(TranscribeMelody, OtherRatesAndChannelCountsGiveTheSameNotes) {
    const std::vector<MidiNote> original = transcribeNotes(take, "note");
    struct Variant {
        const char* name;
        int rate;
        int channels;
        int format;
    };
    for (const Variant v : {Variant{"48k-stereo.wav", 48000, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                            Variant{"22k.flac", 22050, 1, SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                            Variant{"96k.ogg", 96000, 1, SF_FORMAT_OGG | SF_FORMAT_VORBIS}}) {
        SCOPED_TRACE(v.name);
        const std::string input = path(v.name);
        writeAudio(input, sungmelody::render(melody, v.rate, v.channels), v.rate, v.channels,
                   v.format);
        const std::vector<MidiNote> notes = transcribeNotes(input, "note");
        ASSERT_EQ(notes.size(), original.size());
        for (size_t i = 0; i < notes.size(); ++i) {
            EXPECT_EQ(notes[i].key, original[i].key) << i;
            EXPECT_NEAR(notes[i].startSeconds, original[i].startSeconds, 0.012) << i;  // a frame
        }
    }
}

// The bundled example is what its generator makes, so the generator can remake it.
TEST(BundledExample, IsTheGeneratorsMelody) {
    SF_INFO info{};
    SNDFILE* f = sf_open(HUMMWELL_EXAMPLE_MELODY, SFM_READ, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<int16_t> stored(static_cast<size_t>(info.frames));
    EXPECT_EQ(sf_readf_short(f, stored.data(), info.frames), info.frames);
    sf_close(f);
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_EQ(info.channels, 1);
    const std::vector<int16_t> made =
        sungmelody::toPcm16(sungmelody::render(sungmelody::exampleMelody(), 44100, 1));
    ASSERT_EQ(stored.size(), made.size());
    int differing = 0;
    for (size_t i = 0; i < made.size(); ++i) differing += std::abs(stored[i] - made[i]) > 1;
    EXPECT_EQ(differing, 0);
}

// The track holds 6 min 20 s; a longer file is transcribed up to there, with a warning.
TEST(LongInput, IsCutAtTheTracksCapacityWithAWarning) {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    // Six minutes of blocks take many minutes in the unoptimised sanitizer builds; the cut
    // itself is checked there on a short track (FileTranscription.FillsTheTrack...).
    GTEST_SKIP() << "six minutes of audio are too slow in a sanitizer build";
#endif
    testsignals::TempFolder folder("cli-long");
    const std::string input = folder.path + "/long.wav";
    const int rate = 8000;  // small on disk; resampled like any other
    std::vector<float> samples(static_cast<size_t>(400 * rate), 0.0f);
    for (int i = 0; i < rate; ++i) samples[i] = 0.3f * std::sin(2.0 * M_PI * 330.0 * i / rate);
    writeAudio(input, samples, rate, 1);
    const std::string out = folder.path + "/long.mid";
    const CliRun r = runCli({"transcribe", input, "-o", out});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "hummwell-cli: warning: " + input +
                         " lasts 6:40.0 but the track holds 6:20.4; transcribed up to 6:20.4\n");
    const hummwell::cli::MidiFileContents m = readMidi(out);
    EXPECT_NEAR(m.seconds, 32767 * 512.0 / 44100.0, 0.05);  // the full track

    // Exactly what the track holds is no cut and gets no word; one sample more is a cut,
    // told with times that differ.
    const hummwell::cli::FileTranscription capacity;
    const size_t holds = static_cast<size_t>(capacity.blockCapacity()) * 512;
    std::vector<float> exact(holds, 0.0f);
    for (int i = 0; i < 44100; ++i) exact[i] = 0.3f * std::sin(2.0 * M_PI * 330.0 * i / 44100);
    writeAudio(input, exact, 44100, 1);
    const CliRun full = runCli({"transcribe", input, "-o", out});
    ASSERT_EQ(full.code, 0) << full.err;
    EXPECT_EQ(full.err, "");
    exact.push_back(0.0f);
    writeAudio(input, exact, 44100, 1);
    const CliRun over = runCli({"transcribe", input, "-o", out});
    ASSERT_EQ(over.code, 0) << over.err;
    EXPECT_EQ(over.err, "hummwell-cli: warning: " + input +
                            " lasts 6:20.40093 but the track holds 6:20.40091; transcribed up to 6:20.40091\n");
}

TEST(FileTranscription, FillsTheTrackToItsCapacityAndNoFurther) {
    hummwell::cli::FileTranscription t;
    t.maxFrames = 300;
    const std::vector<int16_t> samples = sungmelody::toPcm16(
        sungmelody::render(sungmelody::exampleMelody(), 44100, 1));  // 694 blocks
    t.run(samples, {});
    EXPECT_TRUE(t.cut);
    EXPECT_EQ(t.blocks.size(), 298u);
    EXPECT_EQ(t.track.frameCount(), 300);
    EXPECT_EQ(t.track.mark.back(), hummwell::kMarkRest);
    // The floor is measured with the engine's own level of each block.
    for (size_t b = 0; b < t.blocks.size(); ++b)
        ASSERT_EQ(hummwell::blockLevel(&samples[b * 512]), t.blocks[b].level) << b;
}

}  // namespace

namespace {

clitest::CliRun runOnTerminal(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = hummwell::cli::runCli(args, {out, err, true});
    return {code, out.str(), err.str()};
}

TEST(Progress, ABarForLongInputsOnATerminalUnlessQuiet) {
    testsignals::TempFolder folder("cli-progress");
    const std::string longTake = folder.path + "/long.wav", shortTake = folder.path + "/short.wav";
    clitest::writeAudio(longTake, sungmelody::render(sungmelody::exampleMelody(3), 44100, 1), 44100, 1);
    clitest::writeAudio(shortTake, sungmelody::render(sungmelody::exampleMelody(), 44100, 1), 44100, 1);
    const std::string out = folder.path + "/out.mid";

    const clitest::CliRun shown = runOnTerminal({"transcribe", longTake, "-o", out});
    ASSERT_EQ(shown.code, 0) << shown.err;
    EXPECT_NE(shown.err.find("\rtranscribing [##############################] 100%  23.2 of 23.2 s"),
              std::string::npos)
        << shown.err;
    EXPECT_EQ(shown.err.back(), '\r');  // the bar is wiped, so the shell's prompt starts clean
    EXPECT_EQ(runOnTerminal({"transcribe", longTake, "-o", out, "--quiet"}).err, "");
    EXPECT_EQ(runOnTerminal({"transcribe", shortTake, "-o", out}).err, "");  // 8 s: over at once
    EXPECT_EQ(clitest::runCli({"transcribe", longTake, "-o", out}).err, "");  // not a terminal
}

}  // namespace
