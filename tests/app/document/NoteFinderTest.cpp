// The look-ahead note finder on contours with known notes: what it must split (legato steps,
// leaps), what it must keep whole (vibrato, glides, dropouts, octave slips), what it drops
// (clicks), and where each onset lands.
#include "document/NoteFinder.h"
#include "document/ProjectSettings.h"
#include "document/Quantizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace hummwell;

namespace {

// Onsets come this many frames before the first frame that has the note's pitch: after a rest,
// and after a legato step.
constexpr int L = notefinder::kOnsetLeadFrames;
constexpr int S = notefinder::kLegatoLeadFrames;

// A contour built piece by piece: held pitches, ramps and rests, frame by frame.
struct Contour {
    std::vector<double> pitch;
    Contour& hold(double p, int frames) {
        pitch.insert(pitch.end(), frames, p);
        return *this;
    }
    Contour& rest(int frames) { return hold(0.0, frames); }
    Contour& ramp(double from, double to, int frames) {
        for (int i = 0; i < frames; ++i) pitch.push_back(from + (to - from) * (i + 0.5) / frames);
        return *this;
    }
    // Vibrato of +-depth semitones at hz around centre.
    Contour& vibrato(double centre, double depth, double hz, int frames) {
        for (int i = 0; i < frames; ++i)
            pitch.push_back(centre + depth * std::sin(2.0 * std::numbers::pi * hz * i * kFrameMs / 1000.0));
        return *this;
    }
    FrameTrack track() const {
        FrameTrack t;
        t.clear();
        for (double p : pitch) t.append({p, 0, p > 0.0 ? 64.0 : 0.0, p > 0.0 ? kMarkContinue : kMarkRest, 0});
        t.append({});  // the closing rest frame
        return t;
    }
};

struct Found {
    std::vector<int> onsets;
    FrameTrack track;
};

Found find(const Contour& c) {
    Found f{{}, c.track()};
    findNotes(f.track, 0, f.track.frameCount());
    for (int i = 0; i < f.track.frameCount(); ++i)
        if (f.track.mark[i] == kMarkOnset) f.onsets.push_back(i);
    return f;
}

// The notes of the track in the Note quantize mode.
std::vector<int> noteNumbers(FrameTrack& t) {
    ProjectSettings settings;
    settings.store(Setting::QuantizeMode, kNoteQuantize);
    requantize(t, settings, 0, t.frameCount());
    std::vector<int> out;
    for (int i = 0; i < t.frameCount(); ++i)
        if (t.mark[i] == kMarkOnset) out.push_back(t.note[i]);
    return out;
}

}  // namespace

TEST(NoteFinder, VibratoUpToSixtyCentsStaysOneNoteWhereverItIsCentred) {
    for (const double hz : {4.0, 5.5, 7.0})
        for (const double centre : {60.0, 60.4, 59.6})
            for (const double depth : {0.3, 0.6}) {
                Found f = find(Contour().rest(10).vibrato(centre, depth, hz, 130).rest(10));
                EXPECT_EQ(f.onsets, std::vector<int>{10 - L}) << hz << " Hz, centre " << centre << ", +-" << depth;
            }
}

// Every onset lies the analysis's latency before the first frame of the new pitch, also when
// the note before has to give up its last frames for it.
TEST(NoteFinder, LegatoStepsAreSplitWhereTheNewPitchBegins) {
    Found steps = find(Contour().rest(5).hold(60.0, 40).hold(61.0, 40).hold(64.0, 30).rest(5));
    EXPECT_EQ(steps.onsets, (std::vector<int>{5 - L, 45 - S, 85 - S}));
    EXPECT_EQ(noteNumbers(steps.track), (std::vector<int>{60, 61, 64}));
    for (int i = 45 - S; i < 45; ++i) EXPECT_DOUBLE_EQ(steps.track.pitch[i], 61.0) << i;

    // A step held for 58 ms is a note; a blip of 23 ms is not.
    EXPECT_EQ(find(Contour().hold(60.0, 30).hold(62.0, 5).hold(60.0, 30)).onsets,
              (std::vector<int>{0, 30 - S, 35 - S}));
    EXPECT_EQ(find(Contour().hold(60.0, 30).hold(62.0, 2).hold(60.0, 30)).onsets, std::vector<int>{0});

    // Steps on top of vibrato, off the semitone grid.
    Found sung = find(Contour().vibrato(62.3, 0.4, 5.0, 50).vibrato(64.3, 0.4, 5.0, 50).rest(3));
    EXPECT_EQ(sung.onsets.size(), 2u);
    EXPECT_NEAR(sung.onsets.size() == 2 ? sung.onsets[1] : 0, 50 - S, 2);

    // After a rest, an onset leads over the rest but leaves one frame of it.
    EXPECT_EQ(find(Contour().hold(60.0, 20).rest(3).hold(64.0, 20)).onsets, (std::vector<int>{0, 21}));
}

TEST(NoteFinder, AGlideIsSharedByTheNotesItJoinsAndAScoopBelongsToItsNote) {
    Found glide = find(Contour().hold(60.0, 30).ramp(60.0, 65.0, 9).hold(65.0, 30).rest(3));
    ASSERT_EQ(glide.onsets.size(), 2u);
    EXPECT_GE(glide.onsets[1], 32 - S);  // in the glide, where it is nearer the new pitch
    EXPECT_LE(glide.onsets[1], 38 - S);
    EXPECT_EQ(noteNumbers(glide.track), (std::vector<int>{60, 65}));

    Found scoop = find(Contour().rest(4).ramp(58.0, 62.0, 8).hold(62.0, 40).ramp(62.0, 59.0, 6).rest(4));
    EXPECT_EQ(scoop.onsets, std::vector<int>{4 - L});
    EXPECT_EQ(noteNumbers(scoop.track), std::vector<int>{62});
}

TEST(NoteFinder, OctaveSlipsAreFoldedBackButARealLeapIsANote) {
    Contour slips;
    slips.hold(57.0, 40);
    slips.pitch[10] = slips.pitch[11] = slips.pitch[12] = 69.0;  // the second harmonic won
    slips.pitch[25] = 76.0;                                       // the third
    Found f = find(slips);
    EXPECT_EQ(f.onsets, std::vector<int>{0});
    for (int i = 0; i < 40; ++i) EXPECT_DOUBLE_EQ(f.track.pitch[i], 57.0) << i;

    EXPECT_EQ(find(Contour().hold(60.0, 30).hold(72.0, 30)).onsets, (std::vector<int>{0, 30 - S}));

    // Noise can hold a pitch two octaves and more down for a tenth of a second: still the
    // same note, at its own pitch.
    Contour deep;
    deep.hold(57.0, 60);
    for (int i = 25; i < 33; ++i) deep.pitch[i] = 23.0 + 0.2 * i;
    Found f2 = find(deep);
    EXPECT_EQ(f2.onsets, std::vector<int>{0});
    EXPECT_EQ(noteNumbers(f2.track), std::vector<int>{57});
    for (int i = 25; i < 33; ++i) EXPECT_DOUBLE_EQ(f2.track.pitch[i], 57.0) << i;
}

TEST(NoteFinder, ClicksAreDroppedAndDropoutsBridged) {
    Found click = find(Contour().rest(10).hold(70.0, 3).rest(10).hold(60.0, 20));
    EXPECT_EQ(click.onsets, std::vector<int>{23 - L});
    for (int i = 10; i < 13; ++i) {
        EXPECT_EQ(click.track.mark[i], kMarkRest);
        EXPECT_EQ(click.track.pitch[i], 0.0);
        EXPECT_EQ(click.track.volume[i], 0.0);
    }

    Found dropout = find(Contour().hold(60.0, 20).rest(2).hold(60.2, 20));
    EXPECT_EQ(dropout.onsets, std::vector<int>{0});
    EXPECT_GT(dropout.track.pitch[20], 60.0);  // filled between its neighbours
    EXPECT_LT(dropout.track.pitch[21], 60.2);

    // A consonant of 70 ms between two syllables on one pitch is a new note.
    EXPECT_EQ(find(Contour().hold(60.0, 20).rest(6).hold(60.0, 20)).onsets, (std::vector<int>{0, 26 - L}));
}

// With the engine's results, frames under the gate are rests whatever their pitch, pitches
// the recording left out come back, and volumes follow the levels.
TEST(NoteFinder, EvidenceGivesPitchesLevelsAndTheGate) {
    FrameTrack t = Contour().rest(40).track();
    t.syncEvidence();
    for (int i = 5; i < 35; ++i) t.evidence[i] = {i < 10 ? -90.0 : -60.0, 64.0, 10.0, true, false, {}};
    NoteFinderOptions options;
    options.noiseLevel = -80.0;
    options.levelSpan = 0.5;
    EXPECT_EQ(findNotes(t, 0, t.frameCount(), options), 1);
    EXPECT_EQ(t.mark[9 - L], kMarkRest);
    EXPECT_EQ(t.mark[10 - L], kMarkOnset);
    EXPECT_EQ(t.mark[34], kMarkContinue);
    EXPECT_EQ(t.mark[35], kMarkRest);
    EXPECT_DOUBLE_EQ(t.pitch[20], 64.0);
    EXPECT_DOUBLE_EQ(t.volume[20], 40.0);
}

TEST(NoteFinder, ARangeLeavesTheRestOfTheTrackAlone) {
    Found whole = find(Contour().hold(60.0, 30).hold(65.0, 30).hold(67.0, 30));
    FrameTrack t = Contour().hold(60.0, 30).hold(65.0, 30).hold(67.0, 30).track();
    t.mark[0] = kMarkOnset;
    const std::vector<int32_t> before = t.mark;
    findNotes(t, 30, 30);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(t.mark[i], before[i]);
    EXPECT_EQ(t.mark[30], kMarkOnset);
    EXPECT_EQ(t.mark[45], kMarkContinue);
    // The note that went on past the range is whole again, with its own onset.
    EXPECT_EQ(t.mark[60], kMarkOnset);
    EXPECT_EQ(whole.onsets, (std::vector<int>{0, 30 - S, 60 - S}));
    EXPECT_EQ(findNotes(t, 95, 10), 0);  // beyond the end: nothing
}

namespace {

// A take heard again over its whole audio: every frame's level (library dB), the engine's pitch
// and how well the audio repeats at it and at the octaves around it.
struct HeardTake {
    FrameTrack track;
    HeardTake() { track.clear(); }
    HeardTake& frames(int count, double pitch, double level, Periodicity p = {0.98f, -0.5f, 0.97f}) {
        for (int i = 0; i < count; ++i) {
            track.append({}, FrameEvidence{level, pitch, pitch > 0.0 ? 8.0 : 0.0, true, true, pitch > 0.0 ? p : Periodicity{}});
        }
        return *this;
    }
    HeardTake& quiet(int count) { return frames(count, 0.0, -150.0); }
    std::vector<int> onsets() {
        track.append({}, FrameEvidence{-150.0, 0.0, 0.0, true, true, {}});
        NoteFinderOptions options;
        options.pitchFrom = NoteFinderOptions::Pitch::Evidence;
        findNotes(track, 0, track.frameCount());
        std::vector<int> out;
        for (int i = 0; i < track.frameCount(); ++i)
            if (track.mark[i] == kMarkOnset) out.push_back(i);
        return out;
    }
};

}  // namespace

// Low strings, tubas and bassoons with a weak fundamental are heard an octave low; a pitch
// read from the second harmonic an octave high. Where the audio repeats tells which.
TEST(NoteFinderHeard, TheAudiosPeriodSettlesTheOctave) {
    HeardTake low;
    low.quiet(5).frames(40, 33.0, -40.0, {0.97f, 0.96f, 0.9f}).quiet(5);
    ASSERT_EQ(low.onsets().size(), 1u);
    EXPECT_NEAR(low.track.pitch[20], 45.0, 1e-9);

    HeardTake high;
    high.quiet(5).frames(40, 69.0, -40.0, {0.3f, -0.6f, 0.98f}).quiet(5);
    ASSERT_EQ(high.onsets().size(), 1u);
    EXPECT_NEAR(high.track.pitch[20], 57.0, 1e-9);

    // A voice whose second harmonic is strong repeats fairly well at half its period too:
    // not well enough to move it.
    HeardTake voice;
    voice.quiet(5).frames(40, 57.0, -40.0, {0.98f, 0.8f, 0.97f}).quiet(5);
    voice.onsets();
    EXPECT_NEAR(voice.track.pitch[20], 57.0, 1e-9);
}

TEST(NoteFinderHeard, PitchesReadIntoNoiseMakeNoNotes) {
    // Rumble: low pitches that wander and hardly repeat, with frames of none between.
    HeardTake rumble;
    rumble.quiet(5);
    for (int i = 0; i < 60; ++i)
        rumble.frames(1, i % 4 == 3 ? 0.0 : 22.0 + (i * 7 % 5), -35.0, {0.3f + 0.05f * (i % 5), 0.2f, 0.1f});
    rumble.quiet(5);
    EXPECT_TRUE(rumble.onsets().empty());
    // The same level and pitch, repeating: a note.
    HeardTake hum;
    hum.quiet(5).frames(60, 40.0, -35.0).quiet(5);
    EXPECT_EQ(hum.onsets().size(), 1u);
}

// A sung note starts at its vowel: a voiced consonant before it (a murmur 20 dB under the vowel,
// already on the pitch) is no part of it.
TEST(NoteFinderHeard, ANoteStartsAtItsVowelNotAtTheMurmurBeforeIt) {
    HeardTake syllable;
    syllable.quiet(10).frames(6, 60.0, -85.0).frames(40, 60.0, -40.0).quiet(10);
    EXPECT_EQ(syllable.onsets(), std::vector<int>{16});
    for (int i = 10; i < 16; ++i) EXPECT_EQ(syllable.track.mark[i], kMarkRest) << i;

    // Without a murmur the note starts up to three frames before its first pitch, over the
    // frames as loud as it where the analysis had not heard the pitch yet.
    HeardTake vowel;
    vowel.quiet(7).frames(3, 0.0, -45.0).frames(40, 60.0, -40.0).quiet(10);
    EXPECT_EQ(vowel.onsets(), std::vector<int>{7});
}

// Between two sung notes a consonant dips the level, and carries the pitch from one to the
// other: the second note starts where the level climbs out of the dip, and the dip is a rest.
TEST(NoteFinderHeard, AConsonantBetweenTwoNotesBelongsToNeither) {
    HeardTake words;
    words.quiet(5).frames(40, 60.0, -40.0);
    for (int i = 0; i < 8; ++i) words.frames(1, 60.0 + 4.0 * (i + 1) / 9.0, -75.0);  // "m", gliding
    words.frames(40, 64.0, -40.0).quiet(5);
    const std::vector<int> onsets = words.onsets();
    ASSERT_EQ(onsets.size(), 2u) << ::testing::PrintToString(onsets);
    EXPECT_EQ(onsets[1], 53);  // the first frame of the vowel
    EXPECT_EQ(words.track.mark[48], kMarkRest);
    EXPECT_EQ(words.track.mark[44], kMarkContinue);  // the first vowel to its end

    // A legato step at one level: the old pitch fills the analysis a while after the change.
    HeardTake legato;
    legato.quiet(5).frames(40, 60.0, -40.0).frames(40, 62.0, -40.0).quiet(5);
    const std::vector<int> step = legato.onsets();
    ASSERT_EQ(step.size(), 2u);
    EXPECT_EQ(step[1], 45 - S);
}
