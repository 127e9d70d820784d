// hummwell-cli on what users also feed it: silence, noise without singing, a clipped take, a
// single held note, a take that starts in the middle of a note, and a singer whose reference
// is not A4 = 440 Hz.
#include "CliTestSupport.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

using namespace clitest;

constexpr int kRate = 44100;

std::vector<hummwell::cli::MidiNote> notesOf(const std::string& out) { return readMidi(out).notes; }

struct Take {
    testsignals::TempFolder folder{"cli-hard"};
    CliRun run(const std::vector<float>& samples, int rate = kRate, std::vector<std::string> more = {}) {
        const std::string in = folder.path + "/take.wav";
        writeAudio(in, samples, rate, 1);
        std::vector<std::string> args = {"transcribe", in, "-o", out()};
        if (std::find(more.begin(), more.end(), "--quantize") == more.end()) more.insert(more.end(), {"--quantize", "note"});
        args.insert(args.end(), more.begin(), more.end());
        return runCli(args);
    }
    std::string out() const { return folder.path + "/take.mid"; }
};

// Noise of standard deviation `sigma`, white or through a one-pole low-pass (the rumble of
// traffic, wind or a handled microphone).
std::vector<float> noise(double seconds, double sigma, bool rumble) {
    std::mt19937 rng(9);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<float> out(static_cast<size_t>(seconds * kRate));
    double y = 0.0;
    for (float& v : out) {
        y = rumble ? 0.995 * y + 0.1 * gauss(rng) : gauss(rng);
        v = static_cast<float>(std::clamp(sigma * y, -1.0, 1.0));
    }
    return out;
}

TEST(HardInput, SilenceAndNoiseGiveNoNotesAndSaySo) {
    for (const auto& [what, samples] : std::vector<std::pair<std::string, std::vector<float>>>{
             {"digital silence", std::vector<float>(8 * kRate, 0.0f)},
             {"white noise", noise(8.0, 0.2, false)},
             {"quiet white noise", noise(8.0, 0.002, false)},
             {"rumble", noise(8.0, 0.1, true)}}) {
        Take take;
        const CliRun r = take.run(samples);
        ASSERT_EQ(r.code, 0) << what << ": " << r.err;
        EXPECT_NE(r.err.find("take.wav: no singing found"), std::string::npos) << what << ": " << r.err;
        EXPECT_EQ(notesOf(take.out()).size(), 0u) << what;
    }
}

TEST(HardInput, AClippedTakeAndAHeldNoteKeepTheirNotes) {
    const sungmelody::Melody melody = sungmelody::exampleMelody();
    // Eight times too loud: most of every note flattened against full scale.
    std::vector<float> loud = sungmelody::render(melody, kRate, 1);
    for (float& v : loud) v = std::clamp(v * 8.0f, -1.0f, 1.0f);
    Take clipped;
    ASSERT_EQ(clipped.run(loud).code, 0);
    const auto notes = notesOf(clipped.out());
    EXPECT_GE(matchedNotes(melody, notes, 0.050), 11);
    EXPECT_LE(notes.size(), melody.notes.size() + 1);

    // One note held for six seconds, vibrato and all, is one note.
    sungmelody::Melody held;
    held.notes = {{57, 0.5, 6.0}};
    held.seconds = 7.0;
    Take one;
    ASSERT_EQ(one.run(sungmelody::render(held, kRate, 1)).code, 0);
    const auto heldNotes = notesOf(one.out());
    ASSERT_EQ(heldNotes.size(), 1u);
    EXPECT_EQ(heldNotes[0].key, 57);
    EXPECT_NEAR(heldNotes[0].startSeconds, 0.5, 0.05);
}

TEST(HardInput, ATakeThatStartsInTheMiddleOfANoteStartsWithIt) {
    const sungmelody::Melody melody = sungmelody::exampleMelody();
    std::vector<float> take = sungmelody::render(melody, kRate, 1);
    // Cut 0.2 s into the first note (0.4 s long, from 0.5 s).
    const double cut = melody.notes[0].startSeconds + 0.2;
    take.erase(take.begin(), take.begin() + static_cast<std::ptrdiff_t>(cut * kRate));
    Take t;
    ASSERT_EQ(t.run(take).code, 0);
    const auto notes = notesOf(t.out());
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes[0].key, melody.notes[0].midi);
    EXPECT_LT(notes[0].startSeconds, 0.05);
    sungmelody::Melody rest = melody;
    rest.notes.erase(rest.notes.begin());
    for (sungmelody::Note& n : rest.notes) n.startSeconds -= cut;
    EXPECT_GE(matchedNotes(rest, notes, 0.050), 10);
}

TEST(HardInput, ATakeSungFortyCentsFlatGivesTheNotesItMeantWithAutoTuning) {
    const sungmelody::Melody melody = sungmelody::exampleMelody();
    const std::vector<float> inTune = sungmelody::render(melody, kRate, 1);
    // The same samples played slower: every pitch 40 cents lower, every time 2.3 % later.
    const double slower = std::pow(2.0, 0.40 / 12.0);
    const int flatRate = static_cast<int>(std::lround(kRate / slower));

    Take flat;
    const CliRun asked = flat.run(inTune, flatRate, {"--tuning", "auto", "--quantize", "basic"});
    ASSERT_EQ(asked.code, 0) << asked.err;
    // 40 cents, give or take what the melody's own vibrato and glides leave in the medians.
    const size_t said = asked.out.find("take.wav: sung ");
    ASSERT_NE(said, std::string::npos) << asked.out;
    const int cents = std::stoi(asked.out.substr(said + 15));
    EXPECT_GE(cents, 35);
    EXPECT_LE(cents, 45);
    EXPECT_NE(asked.out.find("cents flat of A4 = 440 Hz, from 12 notes; Reference Key Adjust -0"), std::string::npos)
        << asked.out;
    // Every frame rounded on its own, vibrato and all: they round to the notes meant.
    const auto tuned = notesOf(flat.out());
    sungmelody::Melody later = melody;
    for (sungmelody::Note& n : later.notes) n.startSeconds *= slower;
    EXPECT_EQ(matchedNotes(later, tuned, 0.050), static_cast<int>(melody.notes.size()));
    EXPECT_EQ(tuned.size(), melody.notes.size());

    // Without it, the vibrato swings every note across the line to the semitone below.
    ASSERT_EQ(flat.run(inTune, flatRate, {"--quantize", "basic"}).code, 0);
    EXPECT_GT(notesOf(flat.out()).size(), 2 * melody.notes.size());

    // In tune, auto changes nothing, and a wrong value is refused.
    Take right;
    const CliRun r = right.run(inTune, kRate, {"--tuning", "auto"});
    EXPECT_NE(r.out.find("A4 = 440 Hz"), std::string::npos);
    EXPECT_EQ(matchedNotes(melody, notesOf(right.out()), 0.050), static_cast<int>(melody.notes.size()));
    const CliRun bad = right.run(inTune, kRate, {"--tuning", "432"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("--tuning takes 440|auto, not '432'"), std::string::npos) << bad.err;
}

}  // namespace
