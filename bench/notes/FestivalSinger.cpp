#include "FestivalSinger.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace notecorpus {

namespace {

// Times every syllable and saves the audio. festival.scm's item.leafs runs on past an item's
// last leaf (it compares two item handles with equal?, which never holds), so in a word of two
// syllables singing mode would time the first as if it owned the second's phones too: its
// vowel came out short and the next consonant long. Leaves taken from the tree itself fix that.
constexpr const char* kScript = R"((voice_@VOICE@)
(require 'singing-mode)
(define (item.leafs si)
  (if (item.daughter1 si)
      (apply append (mapcar item.leafs (item.daughters si)))
      (list si)))
(define (hummwell-vowel segs)
  (if (null? segs)
      nil
      (if (string-equal (item.feat (car segs) "ph_vc") "+") (car segs) (hummwell-vowel (cdr segs)))))
(define (hummwell-save utt)
  (let ((fd (fopen "@TIMING@" "w")))
    (mapcar
     (lambda (syl)
       (let ((vowel (hummwell-vowel (item.daughters (item.relation syl 'SylStructure)))))
         (format fd "%f %f %f %f\n" (item.feat syl "syllable_start") (item.feat syl "syllable_end")
                 (if vowel (item.feat vowel "segment_start") -1) (if vowel (item.feat vowel "end") -1))))
     (utt.relation.items utt 'Syllable))
    (fclose fd))
  (utt.save.wave utt "@WAV@" 'riff)
  utt)
(set! tts_hooks (list utt.synth hummwell-save))
(tts_file "@SONG@" 'singing)
)";

std::string replaced(std::string text, const std::string& key, const std::string& value) {
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
    return text;
}

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The values of one attribute: notes joined by '+' within a syllable, syllables by ','.
template <typename Get>
std::string attribute(const FestivalWord& word, Get get) {
    std::string out;
    char number[32];
    for (size_t s = 0; s < word.syllables.size(); ++s) {
        if (s) out += ',';
        const std::vector<double>& values = get(word.syllables[s]);
        for (size_t n = 0; n < values.size(); ++n) {
            if (n) out += '+';
            std::snprintf(number, sizeof number, "%.4f", values[n]);
            out += number;
        }
    }
    return out;
}

}  // namespace

std::string singingXml(const std::vector<FestivalWord>& words) {
    std::string xml =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE SINGING PUBLIC \"-//SINGING//DTD SINGING mark up//EN\" \"Singing.v0_1.dtd\" []>\n"
        "<SINGING BPM=\"60\">\n";
    char rest[64];
    for (const FestivalWord& word : words) {
        xml += "<PITCH FREQ=\"" + attribute(word, [](const FestivalSyllable& s) -> const auto& { return s.hz; }) +
               "\"><DURATION SECONDS=\"" +
               attribute(word, [](const FestivalSyllable& s) -> const auto& { return s.seconds; }) + "\">" +
               word.text + "</DURATION></PITCH>\n";
        if (word.restAfter > 0.0) {
            std::snprintf(rest, sizeof rest, "<REST SECONDS=\"%.4f\"></REST>\n", word.restAfter);
            xml += rest;
        }
    }
    return xml + "</SINGING>\n";
}

std::optional<std::vector<SyllableTiming>> parseSyllableTiming(const std::string& text) {
    std::vector<SyllableTiming> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        SyllableTiming t;
        std::istringstream fields(line);
        if (!(fields >> t.start >> t.end >> t.vowelStart >> t.vowelEnd)) return std::nullopt;
        // A syllable without a vowel (-1), or one out of order, is nothing to time a note by.
        if (!(t.start <= t.vowelStart && t.vowelStart < t.vowelEnd && t.vowelEnd <= t.end)) return std::nullopt;
        out.push_back(t);
    }
    return out;
}

std::vector<double> melismaOnsets(const SyllableTiming& syllable, const std::vector<double>& seconds) {
    double total = 0.0;
    for (double s : seconds) total += s;
    std::vector<double> onsets;
    if (total <= 0.0) return onsets;
    const double span = syllable.end - syllable.start;
    double before = 0.0;
    for (size_t k = 1; k < seconds.size(); ++k) {
        before += seconds[k - 1];
        const double boundary = syllable.start + before / total * span;
        const double previous = seconds[k - 1] / total * span, next = seconds[k] / total * span;
        onsets.push_back(boundary + 0.05 * (next - previous));
    }
    return onsets;
}

std::optional<FestivalTake> singWithFestival(const std::vector<FestivalWord>& words, const std::string& voice,
                                             std::string& error) {
    std::string folder = (std::filesystem::temp_directory_path() / "hummwell-festival-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        error = "cannot make a scratch folder for festival";
        return std::nullopt;
    }
    const std::filesystem::path dir(folder);
    struct Cleanup {
        std::filesystem::path dir;
        ~Cleanup() {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        }
    } cleanup{dir};

    const auto song = dir / "song.xml", script = dir / "sing.scm", timing = dir / "timing.txt",
               wav = dir / "take.wav", log = dir / "festival.log";
    std::ofstream(song) << singingXml(words);
    std::string scheme = replaced(kScript, "@VOICE@", voice);
    scheme = replaced(scheme, "@TIMING@", timing.string());
    scheme = replaced(scheme, "@WAV@", wav.string());
    scheme = replaced(scheme, "@SONG@", song.string());
    std::ofstream(script) << scheme;

    const std::string command = "festival -b '" + script.string() + "' >'" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    if (status != 0 || !std::filesystem::exists(wav)) {
        error = "festival failed (" + command + "): " + readAll(log);
        return std::nullopt;
    }

    FestivalTake take;
    size_t expected = 0;
    for (const FestivalWord& w : words) expected += w.syllables.size();
    const std::string text = readAll(timing);
    size_t lines = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines += line.empty() ? 0 : 1;
    if (lines != expected) {
        error = "festival timed " + std::to_string(lines) + " syllables where the words have " +
                std::to_string(expected);
        return std::nullopt;
    }
    const auto syllables = parseSyllableTiming(text);
    if (!syllables) {
        error = "festival's syllable timing is unreadable:\n" + text;
        return std::nullopt;
    }
    take.syllables = *syllables;

    SF_INFO info{};
    SNDFILE* f = sf_open(wav.c_str(), SFM_READ, &info);
    if (!f || info.channels != 1) {
        if (f) sf_close(f);
        error = "cannot read festival's audio " + wav.string();
        return std::nullopt;
    }
    take.rate = info.samplerate;
    take.samples.resize(static_cast<size_t>(info.frames));
    const sf_count_t read = sf_readf_double(f, take.samples.data(), info.frames);
    sf_close(f);
    take.samples.resize(static_cast<size_t>(std::max<sf_count_t>(read, 0)));
    return take;
}

}  // namespace notecorpus
