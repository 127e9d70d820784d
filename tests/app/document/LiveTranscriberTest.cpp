// The live decision fed with made-up engine results, frame by frame: where notes start and
// end, which pitches a frame keeps, its volume, and the count-in before the first frame.
#include "document/LiveTranscriber.h"

#include "support/EngineResults.h"

#include <gtest/gtest.h>

#include <vector>

using namespace hummwell;

namespace {

using engineresults::kQuiet;
using engineresults::result;
using engineresults::sung;

// A take without a count-in: the decided frames in order.
struct Take {
    ProjectSettings settings;
    LiveTranscriber transcriber;
    std::vector<LiveTranscriber::Decided> frames;

    Take() { transcriber.start(0); }
    void feed(const std::vector<FrameResult>& results) {
        for (const FrameResult& r : results) frames.push_back(transcriber.decide(r, settings));
    }
    std::vector<int> marks() const {
        std::vector<int> out;
        for (const auto& d : frames) out.push_back(d.frame.mark);
        return out;
    }
    std::vector<double> pitches() const {
        std::vector<double> out;
        for (const auto& d : frames) out.push_back(d.frame.pitch);
        return out;
    }
    std::vector<double> volumes() const {
        std::vector<double> out;
        for (const auto& d : frames) out.push_back(d.frame.volume);
        return out;
    }
};

}  // namespace

TEST(LiveTranscriber, DecidesEachFrameOneFrameLate) {
    Take r;
    r.feed({kQuiet, sung(60.0, 1), sung(60.1), sung(60.2), kQuiet, kQuiet});
    // The first frame stored is the silence the history starts from; each result is stored
    // when its successor arrives.
    EXPECT_EQ(r.marks(), (std::vector<int>{-1, -1, 1, 0, 0, -1}));
    EXPECT_EQ(r.pitches(), (std::vector<double>{0.0, 0.0, 60.0, 60.1, 60.2, 0.0}));
    EXPECT_DOUBLE_EQ(r.volumes()[2], 127.0);  // 35 dB above the noise level, capped
    EXPECT_EQ(r.volumes()[5], 0.0);
}

TEST(LiveTranscriber, VolumeCountsSpansAboveTheNoiseLevel) {
    Take r;
    r.feed({kQuiet, result(-20.0, 60.0, 9.0, 1), result(-24.0, 60.0, 9.0, 0),
            result(-20.0, 60.0, 9.0, 0), kQuiet});
    // (level - noise) / span: 5 / 0.09765625 = 51.2 and 1 / 0.09765625 = 10.24.
    EXPECT_DOUBLE_EQ(r.volumes()[2], 51.2);
    EXPECT_DOUBLE_EQ(r.volumes()[3], 10.24);
}

TEST(LiveTranscriber, AOneFrameSoundNeverBecomesANote) {
    Take r;
    r.feed({kQuiet, kQuiet, sung(60.0, 1), kQuiet, kQuiet, kQuiet});
    for (int m : r.marks()) EXPECT_EQ(m, kMarkRest);

    Take quiet;  // after a rest, a sound below the onset level stays silence
    quiet.feed({kQuiet, result(-24.0, 60.0, 9.0, 1), result(-24.0, 60.0, 9.0, 0), kQuiet});
    for (int m : quiet.marks()) EXPECT_EQ(m, kMarkRest);
}

TEST(LiveTranscriber, AnOnsetNeedsAClearPitchToFollow) {
    Take r;
    // The onset frame has no pitch of its own and the next one is unclear: no note.
    r.feed({kQuiet, result(-10.0, 0.0, 0.0, 1), result(-10.0, 60.0, 3.0, 0), kQuiet, kQuiet});
    EXPECT_EQ(r.marks()[2], kMarkRest);

    Take clear;  // with a clear successor the onset borrows its pitch
    clear.feed({kQuiet, result(-10.0, 0.0, 0.0, 1), sung(61.0), sung(61.0), kQuiet});
    EXPECT_EQ(clear.marks()[2], kMarkOnset);
    EXPECT_EQ(clear.pitches()[2], 61.0);
}

TEST(LiveTranscriber, FillsAMissingPitchInsideANote) {
    Take r;
    r.feed({kQuiet, sung(60.0, 1), sung(60.0), result(-10.0, 0.0, 0.0, 0), sung(61.0),
            sung(61.0), kQuiet});
    EXPECT_EQ(r.marks()[4], kMarkContinue);
    EXPECT_DOUBLE_EQ(r.pitches()[4], 60.5);
}

TEST(LiveTranscriber, SmoothsAOneFrameGlitch) {
    Take r;
    r.feed({kQuiet, sung(60.0, 1), sung(60.0), sung(67.0), sung(60.4), sung(60.4), kQuiet});
    EXPECT_EQ(r.marks()[4], kMarkContinue);
    EXPECT_DOUBLE_EQ(r.pitches()[4], 60.2);  // the mean of its neighbours
}

TEST(LiveTranscriber, AJumpOfMoreThanFiveSemitonesStartsANewNote) {
    for (const double jump : {5.5, 4.9}) {
        Take r;
        r.feed({kQuiet, sung(60.0, 1), sung(60.0), sung(60.0), sung(60.0 + jump),
                sung(60.0 + jump), sung(60.0 + jump), kQuiet});
        EXPECT_EQ(r.marks()[5], jump > 5.0 ? kMarkOnset : kMarkContinue) << jump;
        EXPECT_DOUBLE_EQ(r.pitches()[5], 60.0 + jump);
    }
}

TEST(LiveTranscriber, TransposesAdjustsAndFoldsIntoThePianoRange) {
    Take r;
    r.settings.store(Setting::Transpose, 4);      // +1 octave
    r.settings.store(Setting::RefKeyAdjust, 100);  // no adjustment
    r.feed({kQuiet, sung(57.0, 1), sung(100.0), sung(100.0), kQuiet});
    EXPECT_DOUBLE_EQ(r.pitches()[2], 69.0);
    EXPECT_DOUBLE_EQ(r.pitches()[3], 100.0) << "112 folds down an octave";

    Take low;
    low.settings.store(Setting::Transpose, 10);      // -5 octaves
    low.settings.store(Setting::RefKeyAdjust, 150);  // -50 %: half a semitone up
    low.feed({kQuiet, sung(60.0, 1), sung(60.0), kQuiet});
    EXPECT_DOUBLE_EQ(low.pitches()[2], 24.5) << "60 + 0.5 - 60 folds up by octaves past 20.5";
}


TEST(LiveTranscriber, CountsInFirstAndStartsEachTakeWithoutTheLastOnesHistory) {
    LiveTranscriber t;
    t.start(3);
    EXPECT_EQ(t.countInLeft(), -3);
    EXPECT_EQ(t.countIn(), LiveTranscriber::CountIn::First);
    EXPECT_EQ(t.countIn(), LiveTranscriber::CountIn::Later);
    EXPECT_EQ(t.countInLeft(), -1);
    EXPECT_EQ(t.countIn(), LiveTranscriber::CountIn::Later);
    EXPECT_EQ(t.countIn(), LiveTranscriber::CountIn::Over);
    EXPECT_EQ(t.countInLeft(), 0);

    // A take that ended in the middle of a note: the next take starts from silence.
    ProjectSettings settings;
    for (const FrameResult& r : {kQuiet, sung(60.0, 1), sung(60.0), sung(60.0)}) t.decide(r, settings);
    t.start(0);
    EXPECT_EQ(t.countIn(), LiveTranscriber::CountIn::Over);
    const LiveTranscriber::Decided first = t.decide(sung(60.0), settings);
    EXPECT_EQ(first.frame.mark, kMarkRest);
    EXPECT_EQ(first.frame.pitch, 0.0);
    EXPECT_TRUE(first.evidence.known);
    EXPECT_FALSE(first.evidence.lookAhead);
    // The engine's own pitch goes beside a frame the decision smoothed.
    const LiveTranscriber::Decided second = t.decide(sung(60.0), settings);
    EXPECT_EQ(second.evidence.pitch, 60.0);
    EXPECT_EQ(second.evidence.level, -10.0);
}

// The metronome through a take: a tick every beat, sounding 130 ms ahead of its frame, every
// bar's first a measure tick; the count-in ticks where its frames fall in the bar before.
TEST(LiveTranscriber, TicksEveryBeatAheadOfItsFrameAndThroughTheCountIn) {
    ProjectSettings settings;  // 120 bpm, 4/4
    const double beatFrames = settings.beatMs() * kFramesPerMs;
    const int measureFrames = static_cast<int>(settings.measureMs() * kFramesPerMs);
    const int beats = settings.beatsPerMeasure();

    auto ticksOf = [&](LiveTranscriber& t, int from, int to) {
        std::vector<std::pair<int, TickKind>> out;
        for (int f = from; f < to; ++f) {
            const TickKind k = t.tick(f, settings);
            if (k != kNoTick) out.emplace_back(f, k);
        }
        return out;
    };
    LiveTranscriber take;
    take.start(0);
    const auto ticks = ticksOf(take, 0, 4 * measureFrames);
    // Beats 1 .. 16: none at frame 0 (its 130 ms are no boundary), and the 16th, at 8 s, is due
    // 130 ms before the four bars' frames end.
    ASSERT_EQ(ticks.size(), static_cast<size_t>(4 * beats));
    for (size_t i = 0; i < ticks.size(); ++i) {
        // Beat k + 1 begins at (k + 1) x beat; its tick is on the first frame 130 ms ahead of it.
        const double dueMs = (static_cast<double>(i) + 1.0) * settings.beatMs() - 130.0;
        EXPECT_NEAR(ticks[i].first, dueMs * kFramesPerMs, 1.0) << i;
        EXPECT_EQ(ticks[i].second, (i + 1) % beats == 0 ? kMeasureTick : kBeatTick) << i;
        if (i > 0) EXPECT_NEAR(ticks[i].first - ticks[i - 1].first, beatFrames, 1.0);
    }

    // A count-in of one bar before frame 0: its results tick on the bar's beats, one after the
    // other, and the take that follows goes on from the cursor.
    LiveTranscriber countedIn;
    countedIn.start(measureFrames);
    std::vector<std::pair<int, TickKind>> heard;
    for (int i = 0; countedIn.countIn() != LiveTranscriber::CountIn::Over; ++i) {
        const TickKind k = countedIn.tick(0, settings);
        if (k != kNoTick) heard.emplace_back(i, k);
    }
    ASSERT_GE(heard.size(), static_cast<size_t>(beats - 1));
    for (size_t i = 1; i < heard.size(); ++i) EXPECT_NEAR(heard[i].first - heard[i - 1].first, beatFrames, 1.0);
}
