// A take in a noisy room, as a user makes it through the window: the microphone plays a sung
// melody under white noise 10 dB below it, the level set-up measures the room (the noise) and
// is applied, Record and Stop are pressed, and Find Notes After Each Take decides the notes.
// They must be the notes hummwell-cli finds in the same file: the take keeps its audio, and
// Stop hears it again the way a file is heard, whatever the live gate let through.
//
// The file source is chosen once per process, before the library first starts, so this test
// has its own executable.
#include "editor/Commands.h"
#include "melody/SungMelody.h"
#include "support/AudioWriter.h"
#include "support/GuiShell.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace hummwell;

namespace {

constexpr double kRoomSeconds = 3.5;  // longer than the count-in of 250 blocks (2.9 s)
constexpr double kSnrDb = 10.0;
constexpr int kRate = 44100;

struct NoisyTakeFile : ::testing::Environment {
    void SetUp() override {
        melody = sungmelody::exampleMelody(2);  // 24 notes
        for (sungmelody::Note& n : melody.notes) n.startSeconds += kRoomSeconds;
        melody.seconds += kRoomSeconds + 0.5;
        std::vector<float> take = sungmelody::render(melody, kRate, 1);
        // White noise 10 dB under the power of what is sung, from the first sample on.
        double power = 0.0;
        size_t sung = 0;
        for (const sungmelody::Note& n : melody.notes)
            for (size_t i = static_cast<size_t>(n.startSeconds * kRate);
                 i < static_cast<size_t>((n.startSeconds + n.seconds) * kRate) && i < take.size(); ++i, ++sung)
                power += static_cast<double>(take[i]) * take[i];
        const double rms = std::sqrt(power / static_cast<double>(sung) / std::pow(10.0, kSnrDb / 10.0));
        sungmelody::detail::Noise noise;
        noise.state = 0x1234567u;
        for (float& v : take) v = static_cast<float>(std::clamp(v + rms * noise.next(), -1.0, 1.0));
        path = folder.path + "/noisy-take.wav";
        testsignals::writeAudio(path, take, kRate, 1);
        ::setenv("TONIK_CAPTURE", ("file:" + path).c_str(), 1);
    }
    testsignals::TempFolder folder{"hummwell-noisy-take"};
    std::string path;
    sungmelody::Melody melody;
};

NoisyTakeFile* takeFile = static_cast<NoisyTakeFile*>(::testing::AddGlobalTestEnvironment(new NoisyTakeFile));

struct Note {
    int key;
    int block;  // the block of the file the note starts on
};

// The note finder's notes in hummwell-cli's frames table of the file, quantized per note.
std::vector<Note> cliNotes(const std::string& wav, const std::string& folder) {
    const std::string csv = folder + "/cli.csv";
    const std::string command = std::string(HUMMWELL_CLI) + " frames '" + wav + "' -o '" + csv +
                                "' --quantize note --quiet";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);  // the header: found* are the last four columns
    std::vector<Note> out;
    for (int block = 0; std::getline(in, line); ++block) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
        if (cells.size() < 14) continue;
        if (std::stoi(cells[12]) == kMarkOnset && std::stoi(cells[13]) > 0) out.push_back({std::stoi(cells[13]), block});
    }
    return out;
}

// Notes of the track, frame i holding block countIn + i - 1 of the file.
std::vector<Note> trackNotes(const FrameTrack& t, int countIn) {
    std::vector<Note> out;
    for (int i = 0; i < t.frameCount(); ++i)
        if (t.mark[i] == kMarkOnset && t.note[i] > 0) out.push_back({t.note[i], countIn + i - 1});
    return out;
}

// Notes of `a` with a note of `b` of the same key starting within `blocks`, in order.
int matching(const std::vector<Note>& a, const std::vector<Note>& b, int blocks) {
    int matched = 0;
    size_t next = 0;
    for (const Note& n : a)
        for (size_t i = next; i < b.size(); ++i)
            if (b[i].key == n.key && std::abs(b[i].block - n.block) <= blocks) {
                ++matched;
                next = i + 1;
                break;
            }
    return matched;
}

}  // namespace

TEST(NoisyTakeEndToEnd, TheTakeThroughTheWindowGivesTheNotesTheCommandLineFindsInTheFile) {
    guitest::Shell s;
    s.levelSetup.calibrationBlocks = 30;  // 0.35 s of the noisy room
    ASSERT_TRUE(s.start());
    ASSERT_TRUE(s.state().findNotesAfterTake);

    s.action(kCmdRecord).trigger();
    ASSERT_EQ(s.state().transportState, kRecording);
    const int countIn = -static_cast<int>(std::trunc(s.state().settings.beatMs() * -0.5));
    const int fileFrames = static_cast<int>(takeFile->melody.seconds * 1000.0 / kFrameMs);
    const auto recorded = [&s] {
        const std::lock_guard lock(s.state().takeLock);
        return s.state().frameCount();
    };
    for (int waited = 0; waited < 40000 && recorded() + countIn < fileFrames; waited += 50) QTest::qWait(50);
    s.action(kCmdStop).trigger();
    ASSERT_EQ(s.state().transportState, kIdle);
    // The take's audio was kept, one block for each recorded frame after the first.
    EXPECT_EQ(s.state().takeAudio().size(), static_cast<size_t>(s.state().frameCount() - 1) * 512);

    s.frame().view().chooseSetting(Setting::QuantizeMode, kNoteQuantize);
    const std::vector<Note> window = trackNotes(s.state().track, countIn);
    const std::vector<Note> cli = cliNotes(takeFile->path, takeFile->folder.path);

    // The melody as sung, in blocks of the file.
    std::vector<Note> sung;
    for (const sungmelody::Note& n : takeFile->melody.notes)
        sung.push_back({n.midi, static_cast<int>(std::lround(n.startSeconds * 44100.0 / 512.0))});
    // Within 50 ms (four blocks) of where each was sung: the command line finds most of them
    // in this noise, which is what the take must keep.
    const int cliRight = matching(sung, cli, 4);
    EXPECT_GE(cliRight, 20) << cli.size() << " notes from the command line";

    // The same notes, within one.
    EXPECT_LE(std::abs(static_cast<int>(window.size()) - static_cast<int>(cli.size())), 1)
        << window.size() << " notes in the window, " << cli.size() << " from the command line";
    EXPECT_GE(matching(cli, window, 2), static_cast<int>(cli.size()) - 1);
    EXPECT_GE(matching(sung, window, 4), cliRight - 1);
}
