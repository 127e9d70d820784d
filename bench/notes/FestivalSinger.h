// Real speech sung to given notes: words through Debian's festival in its singing mode, read
// back with where festival put every syllable and its vowel, so that a reference note can
// start where the vowel starts.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace notecorpus {

// One syllable's notes: several are a melisma, sung on its one vowel.
struct FestivalSyllable {
    std::vector<double> hz;
    std::vector<double> seconds;  // each note's share of the syllable, consonants included
};

struct FestivalWord {
    std::string text;  // as festival's lexicon spells it
    std::vector<FestivalSyllable> syllables;
    double restAfter = 0.0;  // seconds of silence after the word
};

// Seconds from the start of festival's audio.
struct SyllableTiming {
    double start = 0.0, end = 0.0;            // the syllable, consonants included
    double vowelStart = 0.0, vowelEnd = 0.0;  // its vowel
};

struct FestivalTake {
    std::vector<double> samples;  // mono
    int rate = 0;
    std::vector<SyllableTiming> syllables;  // in order, one per FestivalSyllable
};

// The song as singing mode reads it, pitches in Hz and lengths in seconds.
std::string singingXml(const std::vector<FestivalWord>& words);

// The lines "start end vowelStart vowelEnd" that the timing script writes, one per syllable.
std::optional<std::vector<SyllableTiming>> parseSyllableTiming(const std::string& text);

// Where each note after the first of a melisma starts: singing mode holds a note's pitch from
// 10% to 90% of its share of the syllable (start to end) and moves linearly in between, so the
// move's middle is the onset.
std::vector<double> melismaOnsets(const SyllableTiming& syllable, const std::vector<double>& seconds);

// Runs `festival -b` with `voice` (e.g. "kal_diphone") in a scratch folder. Fails with a
// message in `error` when festival is missing, fails, or times a different number of
// syllables than the words have (a word its lexicon splits otherwise).
std::optional<FestivalTake> singWithFestival(const std::vector<FestivalWord>& words, const std::string& voice,
                                             std::string& error);

}  // namespace notecorpus
