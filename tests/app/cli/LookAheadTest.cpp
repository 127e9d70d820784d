// hummwell-cli's default note finding over the whole file, against the live path, where the
// live path is known to fail: noise at 10 dB SNR, and a take that starts with singing.
#include "CliTestSupport.h"

#include <cmath>

namespace {

using namespace clitest;

// The melody with white noise added at `snrDb` (power over the whole take's notes).
std::vector<float> noisyMelody(const sungmelody::Melody& melody, double snrDb) {
    std::vector<float> s = sungmelody::render(melody, 44100, 1);
    double power = 0.0;
    size_t voiced = 0;
    for (const sungmelody::Note& n : melody.notes)
        for (size_t i = static_cast<size_t>(n.startSeconds * 44100);
             i < static_cast<size_t>((n.startSeconds + n.seconds) * 44100) && i < s.size(); ++i, ++voiced)
            power += double(s[i]) * s[i];
    const double noiseRms = std::sqrt(power / voiced / std::pow(10.0, snrDb / 10.0));
    sungmelody::detail::Noise noise;
    for (float& v : s) v = static_cast<float>(std::clamp(v + noiseRms * noise.next(), -1.0, 1.0));
    return s;
}

std::vector<hummwell::cli::MidiNote> transcribe(const std::string& input, const std::string& out,
                                                const std::string& method) {
    const CliRun r = runCli({"transcribe", input, "-o", out, "--quantize", "note", "--notes", method});
    EXPECT_EQ(r.code, 0) << r.err;
    return readMidi(out).notes;
}

TEST(LookAhead, FindsTheNotesAtTenDecibelsSnrWhereTheLivePathLosesThem) {
    testsignals::TempFolder folder("cli-noise");
    const sungmelody::Melody melody = sungmelody::exampleMelody();
    const std::string input = folder.path + "/noisy.wav";
    writeAudio(input, noisyMelody(melody, 10.0), 44100, 1);
    const auto found = transcribe(input, folder.path + "/found.mid", "lookahead");
    const auto live = transcribe(input, folder.path + "/live.mid", "live");
    const int sung = static_cast<int>(melody.notes.size());
    EXPECT_GE(matchedNotes(melody, found, 0.050), sung - 2);
    EXPECT_LE(static_cast<int>(found.size()), sung + 2);
    EXPECT_LT(matchedNotes(melody, live, 0.050), matchedNotes(melody, found, 0.050));
}

// Without a quiet lead-in the live path measures its floor from the singing itself (held at
// -50 dB) and gates most of it; the quietest blocks of the whole file give the real floor.
TEST(LookAhead, ATakeThatStartsWithSingingGetsItsFloorFromTheQuietestBlocks) {
    testsignals::TempFolder folder("cli-start");
    sungmelody::Melody melody = sungmelody::exampleMelody();
    const double lead = melody.notes.front().startSeconds;
    for (sungmelody::Note& n : melody.notes) n.startSeconds -= lead;
    melody.seconds -= lead;
    const std::string input = folder.path + "/start.wav";
    writeAudio(input, noisyMelody(melody, 30.0), 44100, 1);
    const CliRun r = runCli({"transcribe", input, "-o", folder.path + "/found.mid", "--quantize", "note"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.find("noise floor -50.0"), std::string::npos) << r.out;
    const auto found = readMidi(folder.path + "/found.mid").notes;
    EXPECT_GE(matchedNotes(melody, found, 0.050), static_cast<int>(melody.notes.size()) - 1);
    const auto live = transcribe(input, folder.path + "/live.mid", "live");
    EXPECT_LT(matchedNotes(melody, live, 0.050), matchedNotes(melody, found, 0.050));
}

TEST(LookAhead, TheMethodIsCheckedAndNamedInTheHelp) {
    const CliRun bad = runCli({"transcribe", "x.wav", "--notes", "later"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("--notes takes live|lookahead, not 'later'"), std::string::npos) << bad.err;
    EXPECT_NE(runCli({"transcribe", "--help"}).out.find("--notes lookahead|live"), std::string::npos);
    EXPECT_NE(runCli({"frames", "--help"}).out.find("foundMark"), std::string::npos);
}

}  // namespace
