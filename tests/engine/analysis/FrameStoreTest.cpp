#include "analysis/FrameStore.h"

#include "../../support/Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace tonik;

namespace {

constexpr double kScale = 1.0 / 32767.0;

// A block whose samples count up from `first`: every sample tells where it came from.
std::vector<int16_t> rampBlock(int first) {
    std::vector<int16_t> block(kBlockSize);
    for (int i = 0; i < kBlockSize; ++i) block[i] = static_cast<int16_t>((first + i) % 30000);
    return block;
}

int peakBin(const double* spectrum, int points) {
    return static_cast<int>(std::max_element(spectrum + 1, spectrum + points / 2) - spectrum);
}

}  // namespace

TEST(FrameStore, FirstBlockAfterResetSitsBehindZeros) {
    FrameStore store;
    store.pushBlock(rampBlock(1).data());
    store.reset();
    EXPECT_EQ(store.frameIndex(), -1);
    EXPECT_EQ(store.blockCount(), 0);

    const std::vector<int16_t> x = rampBlock(100);
    store.pushBlock(x.data());
    EXPECT_EQ(store.frameIndex(), 0);
    EXPECT_EQ(store.blockCount(), 1);

    const ShortFrame& s = store.shortFrame(0);
    for (int i = 0; i < 512; ++i) ASSERT_DOUBLE_EQ(s.samples[i], x[i] * kScale);

    const MidFrame& m = store.midFrame(0);
    for (int i = 0; i < 768; ++i) ASSERT_EQ(m.samples[i], 0.0) << i;
    for (int i = 0; i < 256; ++i) ASSERT_DOUBLE_EQ(m.samples[768 + i], x[2 * i] * kScale) << i;

    const LongFrame& l = store.longFrame(0);
    for (int i = 0; i < 1920; ++i) ASSERT_EQ(l.samples[i], 0.0) << i;
    for (int i = 0; i < 128; ++i) ASSERT_DOUBLE_EQ(l.samples[1920 + i], x[4 * i] * kScale) << i;
}

// After 256 blocks every ring has wrapped once; the next frames must read across the ring's
// end, through the mirror, and still see their newest samples in order.
TEST(FrameStore, RingsWrapAfter256BlocksAndFramesReadThroughTheMirror) {
    FrameStore store;
    int next = 0;
    for (int b = 0; b < 256; ++b, next += kBlockSize) store.pushBlock(rampBlock(next).data());
    EXPECT_EQ(store.frameIndex(), 255);
    EXPECT_EQ(store.ring44Position(), 0);
    EXPECT_EQ(store.ring22Position(), 0);
    EXPECT_EQ(store.ring11Position(), 0);

    store.pushBlock(rampBlock(next).data());
    EXPECT_EQ(store.frameIndex(), 0);  // back in the slot of the first block
    EXPECT_EQ(store.ring44Position(), 512);

    // Every sample of the input is the previous one + 1 (mod 30000): the half-rate frame then
    // climbs by 2 and the quarter-rate half by 4, across the wrap.
    const MidFrame& m = store.midFrame(0);
    for (int i = 1; i < 1024; ++i)
        ASSERT_NEAR(std::fmod((m.samples[i] - m.samples[i - 1]) / kScale + 30000, 30000), 2, 1e-6) << i;
    const LongFrame& l = store.longFrame(0);
    for (int i = 1025; i < 2048; ++i)
        ASSERT_NEAR(std::fmod((l.samples[i] - l.samples[i - 1]) / kScale + 30000, 30000), 4, 1e-6) << i;
    EXPECT_DOUBLE_EQ(m.samples[1023], ((next + 510) % 30000) * kScale);
    EXPECT_DOUBLE_EQ(l.samples[2047], ((next + 508) % 30000) * kScale);

    // Sixteen blocks later every mirror entry has been written again and repeats the head.
    for (int b = 1; b < 16; ++b) store.pushBlock(rampBlock(next += kBlockSize).data());
    auto mirrorsHead = [](const auto& ring) {
        for (int k = 0; k < ring.kMirror; ++k)
            if (ring.data[ring.kSize + k] != ring.data[k]) return false;
        return true;
    };
    EXPECT_TRUE(mirrorsHead(store.ring44()));
    EXPECT_TRUE(mirrorsHead(store.ring22()));
    EXPECT_TRUE(mirrorsHead(store.ring11()));
}

TEST(FrameStore, BlockLevelsAndFramesBlocksBack) {
    FrameStore store;
    store.pushBlock(std::vector<int16_t>(512, 1234).data());           // constant
    store.pushBlock(testsignals::square(32767, 512).data());            // full scale
    store.pushBlock(testsignals::square(16384, 512).data());            // +-0.5
    EXPECT_EQ(store.shortFrame(-2).level, -std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(store.shortFrame(-1).level, 0.0);
    EXPECT_NEAR(store.shortFrame(0).level, 20.0 * std::log(16384.0 / 32767.0), 1e-12);
    EXPECT_EQ(&store.shortFrame(-256), &store.shortFrame(0));  // 256 blocks back is this slot
}

TEST(FrameStore, SlowFrameLevelsTakeTheLoudestOfRecentBlocks) {
    EXPECT_EQ(combinedLevel(-5, -1, -9, -7), -1);
    EXPECT_EQ(combinedLevel(0.0, -1, -9, -7), -7);  // oldest still empty: only c and d count

    FrameStore store;
    const double amplitudes[] = {30000, 1000, 2000, 4000};
    for (double a : amplitudes) store.pushBlock(testsignals::square(int16_t(a), 512).data());
    auto level = [](double amplitude) { return 20.0 * std::log(amplitude / 32767.0); };
    // fourth block: all four short frames are real, the first is the loudest
    EXPECT_NEAR(store.midFrame(0).level, level(30000), 1e-12);
    // third block: the oldest of its four was an empty slot, so the loud first block (b) did
    // not count, only the second and third
    EXPECT_NEAR(store.midFrame(-1).level, level(2000), 1e-12);
    // first block: its predecessor was an empty slot whose 0.0 beats any real level
    EXPECT_EQ(store.midFrame(-3).level, 0.0);
}

// A sine centred on a bin of all three frames shows there, once the slow frames are full.
TEST(FrameStore, SpectrumOfASinePeaksAtItsBinInEveryFrame) {
    const double frequency = 20 * 44100.0 / 512;  // bin 20, 80 and 320
    const std::vector<int16_t> tone = testsignals::sine(frequency, 16000, 16 * 512);
    FrameStore store;
    for (int b = 0; b < 16; ++b) store.pushBlock(tone.data() + b * 512);
    EXPECT_EQ(peakBin(store.shortFrame(0).spectrum, 512), 20);
    EXPECT_EQ(peakBin(store.midFrame(0).spectrum, 1024), 80);
    EXPECT_EQ(peakBin(store.longFrame(0).spectrum, 2048), 320);
    // the upper half mirrors the lower
    EXPECT_EQ(store.longFrame(0).spectrum[2048 - 320], store.longFrame(0).spectrum[320]);
}

// The slow frames' windows are longer than the frames: only their rising part and the start of
// the falling half weigh the samples.
TEST(FrameStore, FramesUseTheirOwnWindowLengths) {
    FrameStore store;
    const std::vector<int16_t> tone = testsignals::sine(233.0, 12000, 16 * 512);
    for (int b = 0; b < 16; ++b) store.pushBlock(tone.data() + b * 512);
    LogSpectrum shortKind(512, 512), midKind(1024, 1536), longKind(2048, 3584);
    std::vector<double> expected(2048);
    shortKind.compute(store.shortFrame(0).samples, expected.data());
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 512, store.shortFrame(0).spectrum));
    midKind.compute(store.midFrame(0).samples, expected.data());
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 1024, store.midFrame(0).spectrum));
    longKind.compute(store.longFrame(0).samples, expected.data());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), store.longFrame(0).spectrum));
}

TEST(FrameStore, StatisticsCoverTheirBins) {
    FrameStore store;
    // bin 4 of the short frame lies below the floor and top range (6..) but inside the wide
    // range (3..)
    const std::vector<int16_t> low = testsignals::sine(4 * 44100.0 / 512, 20000, 512);
    store.pushBlock(low.data());
    store.computeStatistics();
    const BlockStatistics& st = store.statistics();
    EXPECT_EQ(st.wideTop512, store.shortFrame(0).spectrum[4]);
    EXPECT_LT(st.top512, st.wideTop512 - 1.0);

    store.pushBlock(std::vector<int16_t>(512, 0).data());
    store.computeStatistics();
    const double minusInf = -std::numeric_limits<double>::infinity();
    EXPECT_EQ(store.statistics().floor512, minusInf);  // silence flows through as -inf
    EXPECT_EQ(store.statistics().top512, minusInf);
    EXPECT_GT(store.statistics().top2048, minusInf);    // the slow frames still hold the tone
}

TEST(FrameStore, NullBlockIsIgnored) {
    FrameStore store;
    store.pushBlock(nullptr);
    EXPECT_EQ(store.blockCount(), 0);
    EXPECT_EQ(store.frameIndex(), -1);
}
