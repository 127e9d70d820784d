// A take as a user makes it, through the window: the program starts on a microphone that
// plays an audio file (a 48 kHz stereo FLAC, as a recorder might leave it: a quiet room, then a sung melody whose notes are known), the level set-up
// measures the room and is applied with its real button, Record and Stop are pressed, and the
// notes in the track, and the curves and bars the window draws for them, must be the melody's.
//
// The file source is chosen once per process, before the library first starts, so this test
// has its own executable.
#include "editor/Commands.h"
#include "editor/ControlPanel.h"
#include "melody/SungMelody.h"
#include "resources/PatternPicture.h"
#include "support/GuiShell.h"
#include "support/AudioWriter.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using namespace hummwell;

namespace {

constexpr double kRoomSeconds = 3.5;  // longer than the count-in of 250 blocks (2.9 s)
constexpr int kFileRate = 48000;     // the source resamples it to the engine's 44,100 Hz

struct TakeFile : ::testing::Environment {
    void SetUp() override {
        melody = sungmelody::exampleMelody();
        std::vector<float> room(static_cast<size_t>(kRoomSeconds * kFileRate));
        sungmelody::detail::Noise noise;
        for (float& v : room) v = static_cast<float>(6.0 / 32768.0 * noise.next());
        std::vector<float> take = sungmelody::render(melody, kFileRate, 1);
        take.insert(take.begin(), room.begin(), room.end());
        take.resize(take.size() + kFileRate / 2);  // and a moment after the last note
        seconds = static_cast<double>(take.size()) / kFileRate;
        std::vector<float> stereo(take.size() * 2);
        for (size_t i = 0; i < take.size(); ++i) stereo[2 * i] = stereo[2 * i + 1] = take[i];
        path = folder.path + "/take.flac";
        testsignals::writeAudio(path, stereo, kFileRate, 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
        ::setenv("TONIK_CAPTURE", ("file:" + path).c_str(), 1);
    }
    testsignals::TempFolder folder{"hummwell-take"};
    std::string path;
    double seconds = 0.0;
    sungmelody::Melody melody;
};

TakeFile* takeFile = static_cast<TakeFile*>(::testing::AddGlobalTestEnvironment(new TakeFile));

struct Note {
    int key;
    double startSeconds;  // in the file
};

// Runs of frames from an onset to the next onset or rest, with their quantized note.
std::vector<Note> notesOf(const FrameTrack& t, int countIn) {
    std::vector<Note> out;
    for (int i = 0; i < t.frameCount(); ++i)
        if (t.mark[i] == kMarkOnset && t.note[i] > 0)
            out.push_back({t.note[i], (i + countIn) * kFrameMs / 1000.0});
    return out;
}

}  // namespace

TEST(TakeEndToEnd, ASungMelodyRecordedThroughTheWindowGivesItsNotes) {
    guitest::Shell s;
    s.levelSetup.calibrationBlocks = 30;  // 0.35 s of the room
    ASSERT_TRUE(s.start());
    ASSERT_EQ(s.levelSetup.answered, 1);
    // The floor was measured from the room, not left at the -50 dB it starts from.
    const double gate = s.state().levels.noiseLevel;
    EXPECT_LT(gate, -100.0);
    EXPECT_GT(gate, -175.0);

    s.action(kCmdRecord).trigger();
    ASSERT_EQ(s.state().transportState, kRecording);
    const int countIn = -static_cast<int>(std::trunc(s.state().settings.beatMs() * -0.5));
    const int fileFrames = static_cast<int>(takeFile->seconds * 1000.0 / kFrameMs);
    const auto recorded = [&s] {
        const std::lock_guard lock(s.state().takeLock);  // the capture thread inserts frames
        return s.state().frameCount();
    };
    for (int waited = 0; waited < 30000 && recorded() + countIn < fileFrames; waited += 50)
        QTest::qWait(50);
    s.action(kCmdStop).trigger();
    ASSERT_EQ(s.state().transportState, kIdle);

    const FrameTrack& track = s.state().track;
    // The engine's view of every recorded frame stayed beside the track, and Stop found the
    // notes with it (the option is on by default).
    ASSERT_TRUE(track.evidenceInStep());
    EXPECT_GT(std::count_if(track.evidence.begin(), track.evidence.end(),
                            [](const FrameEvidence& e) { return e.known; }),
              fileFrames - countIn - 20);
    int pitched = 0;
    for (int i = 0; i < track.frameCount(); ++i) pitched += track.pitch[i] > 1.0;
    // The melody holds 5.9 s of tone: about 500 frames.
    EXPECT_GT(pitched, 400);

    // What the window shows after Stop: the curve through the middle of every sung note, and
    // once the notes are quantized, each note's bar.
    const auto frameOf = [countIn](const sungmelody::Note& n) {
        return static_cast<int>((kRoomSeconds + n.startSeconds + n.seconds / 2) * 1000.0 / kFrameMs) - countIn;
    };
    const auto drawnAt = [&](int frame, int midi, QRgb colour) {
        const QImage& picture = s.frame().view().trackPicture();
        for (int y = rowOfPitch(midi + 0.5); y <= rowOfPitch(midi - 0.5); ++y)
            if (picture.pixel(frame, y) == colour) return true;
        return false;
    };
    int curves = 0;
    for (const sungmelody::Note& sung : takeFile->melody.notes)
        curves += drawnAt(frameOf(sung), sung.midi, kCurveCentre.rgb());
    EXPECT_GE(curves, 11);

    s.frame().view().chooseSetting(Setting::QuantizeMode, kNoteQuantize);
    int bars = 0;
    for (const sungmelody::Note& sung : takeFile->melody.notes)
        bars += drawnAt(frameOf(sung), sung.midi, pictures::kNoteBarGreen.rgb());
    EXPECT_GE(bars, 11);
    const std::vector<Note> notes = notesOf(track, countIn);
    int matched = 0;
    size_t next = 0;
    for (const sungmelody::Note& sung : takeFile->melody.notes) {
        const double start = kRoomSeconds + sung.startSeconds;
        for (size_t i = next; i < notes.size(); ++i)
            // Within 50 ms, as note transcription is scored: the note finder starts each note
            // where it was sung, not where its pitch was first heard.
            if (notes[i].key == sung.midi && std::abs(notes[i].startSeconds - start) < 0.050) {
                ++matched;
                next = i + 1;
                break;
            }
    }
    EXPECT_GE(matched, 11) << notes.size() << " notes found";
    EXPECT_LE(notes.size(), takeFile->melody.notes.size() + 1);
}

namespace {

// The columns of row `y` that show the cursor line's green, in a shot of the view.
std::vector<int> greenColumns(const QImage& shot, int y) {
    std::vector<int> out;
    for (int x = 0; x < shot.width(); ++x)
        if (shot.pixel(x, y) == pictures::kCursorLineGreen.rgb()) out.push_back(x);
    return out;
}

bool curveBetween(const QImage& shot, int fromX, int toX) {
    for (int x = std::max(fromX, 0); x < std::min(toX, shot.width()); ++x)
        for (int y = 28; y < std::min(kDrawingRows, shot.height()); ++y)
            if (shot.pixel(x, y) == kCurveCentre.rgb()) return true;
    return false;
}

}  // namespace

TEST(LiveTake, TheCountInLineMovesAndTheCurveGrowsLeftOfTheCentre) {
    guitest::Shell s;
    s.levelSetup.calibrationBlocks = 30;
    ASSERT_TRUE(s.start());
    CVtView& view = s.frame().view();
    const int half = view.viewport()->width() / 2;
    const int row = 300 - view.verticalScrollBar()->value();
    s.action(kCmdRecord).trigger();
    QTest::qWait(600);
    // During the count-in a second line walks towards the cursor line.
    std::vector<int> first = greenColumns(view.viewport()->grab().toImage(), row);
    QTest::qWait(400);
    std::vector<int> second = greenColumns(view.viewport()->grab().toImage(), row);
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(first[1], half);
    EXPECT_LT(first[0], second[0]);
    EXPECT_LT(second[0], half);

    // The melody begins 4 s into the file: by 5.5 s its first notes are drawn, all of them
    // left of the cursor, and the grid ahead is empty.
    QTest::qWait(4500);
    ASSERT_EQ(s.state().transportState, kRecording);
    const QImage during = view.viewport()->grab().toImage();
    EXPECT_TRUE(curveBetween(during, 0, half));
    EXPECT_FALSE(curveBetween(during, half + 1, during.width()));
    EXPECT_FALSE(s.frame().panel().control(kPanelTime)->property("text").toString().isEmpty());
    s.action(kCmdStop).trigger();
    EXPECT_EQ(s.state().transportState, kIdle);
}

TEST(LiveTake, AFullTrackStopsTheTakeByItselfWithTheMessage) {
    guitest::Shell s;
    s.levelSetup.calibrationBlocks = 30;
    ASSERT_TRUE(s.start());
    s.frame().view().chooseSetting(Setting::Speed, 4);  // 240 bpm: 125 frames of count-in
    s.state().maxFrames = 100;
    s.action(kCmdRecord).trigger();
    for (int waited = 0; waited < 10000 && s.state().transportState == kRecording; waited += 20)
        QTest::qWait(20);
    EXPECT_EQ(s.state().transportState, kIdle);
    EXPECT_EQ(s.state().frameCount(), 100);
    const std::vector<std::string> texts = s.prompt.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(),
                        "No more recording is allowed because your MIDI data is full."),
              texts.end());
}

// The window's recording path while the user paints and changes what a take allows: the
// transposition, the instrument and both check boxes. ThreadSanitizer runs this too.
TEST(LiveTake, SettingsAndPaintsDuringATakeShareNothingUnguarded) {
    guitest::Shell s;
    s.levelSetup.calibrationBlocks = 30;
    ASSERT_TRUE(s.start());
    CVtView& view = s.frame().view();
    ControlPanel& panel = s.frame().panel();
    s.frame().view().chooseSetting(Setting::Speed, 4);  // a short count-in
    s.action(kCmdRecord).trigger();
    auto* metronome = qobject_cast<QCheckBox*>(panel.control(kPanelMetronome));
    auto* realtime = qobject_cast<QCheckBox*>(panel.control(kPanelRealtimeOut));
    ASSERT_TRUE(metronome->isEnabled());
    ASSERT_TRUE(realtime->isEnabled());
    for (int i = 0; i < 60; ++i) {
        qobject_cast<QComboBox*>(panel.control(kPanelTranspose))->activated(i % 11);
        qobject_cast<QComboBox*>(panel.control(kPanelInstrument))->activated(i % 128);
        metronome->click();
        realtime->click();
        view.viewport()->repaint();
        s.frame().refreshCommands();
        QTest::qWait(60);
    }
    s.action(kCmdStop).trigger();
    EXPECT_EQ(s.state().transportState, kIdle);
    EXPECT_GT(s.state().frameCount(), 100);
}
