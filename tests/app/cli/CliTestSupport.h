// Running hummwell-cli in process, and the audio and MIDI files its tests read and write.
#pragma once

#include "Cli.h"
#include "MidiReader.h"
#include "document/SafeFile.h"
#include "melody/SungMelody.h"
#include "support/AudioWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <sstream>
#include <string>
#include <vector>

namespace clitest {

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

inline CliRun runCli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = hummwell::cli::runCli(args, {out, err, false});
    return {code, out.str(), err.str()};
}

using testsignals::writeAudio;

inline hummwell::cli::MidiFileContents readMidi(const std::string& path) {
    hummwell::cli::MidiFileContents m;
    const auto bytes = hummwell::readWholeFile(path);
    EXPECT_TRUE(bytes.has_value()) << path;
    if (!bytes) return m;
    std::string error;
    EXPECT_TRUE(hummwell::cli::readMidiFile(*bytes, m, error)) << path << ": " << error;
    return m;
}

// How many sung notes have a transcribed note of the same key starting within `tolerance`
// seconds of them, each transcribed note used once.
inline int matchedNotes(const sungmelody::Melody& melody,
                        const std::vector<hummwell::cli::MidiNote>& notes, double tolerance) {
    std::vector<bool> used(notes.size(), false);
    int matched = 0;
    for (const sungmelody::Note& sung : melody.notes)
        for (size_t i = 0; i < notes.size(); ++i)
            if (!used[i] && notes[i].key == sung.midi &&
                std::abs(notes[i].startSeconds - sung.startSeconds) <= tolerance) {
                used[i] = true;
                ++matched;
                break;
            }
    return matched;
}

}  // namespace clitest
