// The festival singer's song text, its timing reader and its melisma onsets; with festival
// installed, also what festival makes of them: the timing of a word of two syllables, and the
// pitch on either side of a melisma's onset. Built with the benchmarks, run by hand.
#include "document/Scale.h"
#include "FestivalSinger.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace notecorpus {
namespace {

using hummwell::midiToHz;

TEST(FestivalSongText, JoinsNotesWithPlusAndSyllablesWithComma) {
    FestivalWord river{"river", {{{100.0, 110.0}, {0.3, 0.2}}, {{120.0}, {0.5}}}, 0.4};
    FestivalWord sky{"sky", {{{130.0}, {0.6}}}, 0.0};
    const std::string xml = singingXml({river, sky});
    EXPECT_NE(xml.find("<PITCH FREQ=\"100.0000+110.0000,120.0000\"><DURATION SECONDS=\"0.3000+0.2000,0.5000\">"
                       "river</DURATION></PITCH>\n<REST SECONDS=\"0.4000\"></REST>\n"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<PITCH FREQ=\"130.0000\"><DURATION SECONDS=\"0.6000\">sky</DURATION></PITCH>\n</SINGING>"),
              std::string::npos)
        << xml;
    EXPECT_EQ(xml.find("<REST", xml.find("sky")), std::string::npos) << "no rest after a word without one";
}

TEST(FestivalTiming, ReadsOneSyllablePerLine) {
    const auto t = parseSyllableTiming("0.000000 0.560000 0.080000 0.480000\n0.560000 1.350000 0.640000 1.350000\n");
    ASSERT_TRUE(t);
    ASSERT_EQ(t->size(), 2u);
    EXPECT_DOUBLE_EQ((*t)[1].start, 0.56);
    EXPECT_DOUBLE_EQ((*t)[1].vowelStart, 0.64);
    EXPECT_DOUBLE_EQ((*t)[1].vowelEnd, 1.35);
}

TEST(FestivalTiming, RejectsASyllableWithoutVowelOrOutOfOrder) {
    EXPECT_FALSE(parseSyllableTiming("0.0 0.5 -1 -1\n"));           // no vowel
    EXPECT_FALSE(parseSyllableTiming("0.0 0.5 0.3 0.2\n"));         // vowel ends before it starts
    EXPECT_FALSE(parseSyllableTiming("0.1 0.5 0.05 0.4\n"));        // vowel before the syllable
    EXPECT_FALSE(parseSyllableTiming("0.0 0.5 0.1\n"));             // a field missing
    EXPECT_TRUE(parseSyllableTiming("")->empty());
}

TEST(MelismaOnsets, FallMidwayThroughEachPitchMove) {
    const SyllableTiming syllable{1.0, 2.0, 1.08, 2.0};
    // Equal shares: the move runs from 90% of the first share to 10% of the second, around 1.5.
    const auto equal = melismaOnsets(syllable, {0.5, 0.5});
    ASSERT_EQ(equal.size(), 1u);
    EXPECT_NEAR(equal[0], 1.5, 1e-9);
    // Shares 0.2 : 0.6 : 0.2 of a 1 s syllable: boundaries at 1.2 and 1.8; the first move runs
    // from 1.18 to 1.26 (middle 1.22), the second from 1.74 to 1.82 (middle 1.78).
    const auto three = melismaOnsets(syllable, {0.1, 0.3, 0.1});
    ASSERT_EQ(three.size(), 2u);
    EXPECT_NEAR(three[0], 1.22, 1e-9);
    EXPECT_NEAR(three[1], 1.78, 1e-9);
    EXPECT_TRUE(melismaOnsets(syllable, {0.7}).empty());
}

bool haveFestival() { return std::system("command -v festival >/dev/null 2>&1") == 0; }

// The strongest autocorrelation lag's frequency over [from, to) seconds, in 60-400 Hz.
double pitchHz(const FestivalTake& take, double from, double to) {
    const size_t a = static_cast<size_t>(from * take.rate), b = static_cast<size_t>(to * take.rate);
    double best = -1.0;
    int bestLag = 0;
    for (int lag = take.rate / 400; lag <= take.rate / 60; ++lag) {
        double sum = 0.0, energy = 0.0;
        for (size_t i = a; i + static_cast<size_t>(lag) < b; ++i) {
            sum += take.samples[i] * take.samples[i + static_cast<size_t>(lag)];
            energy += take.samples[i] * take.samples[i];
        }
        const double score = sum / std::max(energy, 1e-12);
        if (score > best) best = score, bestLag = lag;
    }
    return static_cast<double>(take.rate) / bestLag;
}

TEST(FestivalSinging, TimesBothSyllablesOfAWordByTheirOwnPhones) {
    if (!haveFestival()) GTEST_SKIP() << "festival is not installed";
    // "tender" is t eh n | d er. Read with festival.scm's own leaves, the first syllable owned
    // the second's phones too and its vowel came out about 0.11 s long; it should be 0.25 s.
    std::string error;
    const auto take = singWithFestival({{"tender", {{{midiToHz(47)}, {0.5}}, {{midiToHz(43)}, {0.7}}}, 0.0}},
                                       "kal_diphone", error);
    ASSERT_TRUE(take) << error;
    ASSERT_EQ(take->syllables.size(), 2u);
    const SyllableTiming& ten = take->syllables[0];
    const SyllableTiming& der = take->syllables[1];
    EXPECT_GT(ten.vowelEnd - ten.vowelStart, 0.2);
    EXPECT_LE(ten.end, der.start + 1e-6);
    EXPECT_NEAR(der.end - ten.start, 1.2, 0.1);
    EXPECT_GT(take->rate, 0);
    EXPECT_NEAR(static_cast<double>(take->samples.size()) / take->rate, der.end, 0.1);
}

TEST(FestivalSinging, SingsEachNoteOfAMelismaOnEitherSideOfItsOnset) {
    if (!haveFestival()) GTEST_SKIP() << "festival is not installed";
    std::string error;
    const std::vector<double> seconds{0.5, 0.5};
    const auto take = singWithFestival({{"me", {{{midiToHz(45), midiToHz(50)}, seconds}}, 0.0}}, "kal_diphone", error);
    ASSERT_TRUE(take) << error;
    ASSERT_EQ(take->syllables.size(), 1u);
    const double onset = melismaOnsets(take->syllables[0], seconds).at(0);
    const double before = 12.0 * std::log2(pitchHz(*take, onset - 0.25, onset - 0.06) / 440.0) + 69.0;
    const double after = 12.0 * std::log2(pitchHz(*take, onset + 0.06, onset + 0.25) / 440.0) + 69.0;
    EXPECT_NEAR(before, 45.0, 0.3);
    EXPECT_NEAR(after, 50.0, 0.3);
}

TEST(FestivalSinging, FailsOnAWordItsLexiconSplitsOtherwise) {
    if (!haveFestival()) GTEST_SKIP() << "festival is not installed";
    std::string error;
    // "river" has two syllables; given one, the notes could not be matched to festival's timing.
    EXPECT_FALSE(singWithFestival({{"river", {{{110.0}, {0.6}}}, 0.0}}, "kal_diphone", error));
    EXPECT_NE(error.find("timed 2 syllables where the words have 1"), std::string::npos) << error;
}

}  // namespace
}  // namespace notecorpus
