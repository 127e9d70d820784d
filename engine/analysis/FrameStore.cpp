#include "FrameStore.h"

#include "PitchArithmetic.h"

#include <algorithm>
#include <cstring>

namespace tonik {

namespace {

constexpr double kFullScale = 32767.0;

// Window lengths longer than the frame: the mid and long frames see only the rising part and
// the start of the falling half of the window, so their oldest samples weigh least.
constexpr int kMidWindow = 1536;
constexpr int kLongWindow = 3584;

double meanOf(const double* values, int first, int last) {
    double sum = 0.0;
    for (int k = first; k <= last; ++k) sum += values[k];
    return sum / (last - first + 1);
}

double maximumOf(const double* values, int first, int last) {
    return *std::max_element(values + first, values + last + 1);
}

}  // namespace

double combinedLevel(double a, double b, double c, double d) {
    if (a != 0.0) return std::max({a, b, c, d});
    return std::max(c, d);
}

FrameStore::FrameStore()
    : shortFrames_(new ShortFrame[kFrameSlots]),
      midFrames_(new MidFrame[kFrameSlots]),
      longFrames_(new LongFrame[kFrameSlots]),
      ring44_(new Ring44),
      ring22_(new Ring22),
      ring11_(new Ring11),
      shortSpectrum_(ShortFrame::kPoints, ShortFrame::kPoints),
      midSpectrum_(MidFrame::kPoints, kMidWindow),
      longSpectrum_(LongFrame::kPoints, kLongWindow) {
    reset();
}

FrameStore::~FrameStore() = default;

void FrameStore::reset() {
    std::memset(shortFrames_.get(), 0, sizeof(ShortFrame) * kFrameSlots);
    std::memset(midFrames_.get(), 0, sizeof(MidFrame) * kFrameSlots);
    std::memset(longFrames_.get(), 0, sizeof(LongFrame) * kFrameSlots);
    std::memset(ring44_.get(), 0, sizeof(Ring44));
    std::memset(ring22_.get(), 0, sizeof(Ring22));
    std::memset(ring11_.get(), 0, sizeof(Ring11));
    frameIndex_ = -1;
    p44_ = p22_ = p11_ = 0;
    blockCount_ = 0;
}

void FrameStore::pushBlock(const int16_t* x) {
    if (x == nullptr) return;
    ++blockCount_;

    // The slower rings take every second and every fourth sample without a low-pass filter:
    // the pitch search's thresholds were set on these spectra, aliases included.
    for (int i = 0; i < kBlockSize; ++i) {
        ring44_->write(p44_ + i, x[i]);
        if (i % 2 == 0) ring22_->write(p22_ + i / 2, x[i]);
        if (i % 4 == 0) ring11_->write(p11_ + i / 4, x[i]);
    }

    frameIndex_ = (frameIndex_ + 1) % kFrameSlots;

    ShortFrame& s = shortFrames_[frameIndex_];
    s.position = p44_;
    for (int i = 0; i < ShortFrame::kPoints; ++i)
        s.samples[i] = ring44_->data[p44_ + i] / kFullScale;
    s.level = blockLevel(s.samples, ShortFrame::kPoints);
    shortSpectrum_.compute(s.samples, s.spectrum);

    MidFrame& m = midFrames_[frameIndex_];
    m.level = combinedLevel(shortFrame(-3).level, shortFrame(-2).level, shortFrame(-1).level,
                            s.level);
    m.position = (p22_ - 768 + Ring22::kSize) % Ring22::kSize;
    for (int i = 0; i < MidFrame::kPoints; ++i)
        m.samples[i] = ring22_->data[m.position + i] / kFullScale;
    midSpectrum_.compute(m.samples, m.spectrum);

    LongFrame& l = longFrames_[frameIndex_];
    l.level = combinedLevel(midFrame(-12).level, midFrame(-8).level, midFrame(-4).level,
                            m.level);
    l.position = (p11_ - 1920 + Ring11::kSize) % Ring11::kSize;
    constexpr int kHalf = LongFrame::kPoints / 2;
    std::fill(l.samples, l.samples + kHalf, 0.0);
    for (int i = kHalf; i < LongFrame::kPoints; ++i)
        l.samples[i] = ring11_->data[l.position + i] / kFullScale;
    longSpectrum_.compute(l.samples, l.spectrum);

    p44_ = (p44_ + kBlockSize) % Ring44::kSize;
    p22_ = (p22_ + kBlockSize / 2) % Ring22::kSize;
    p11_ = (p11_ + kBlockSize / 4) % Ring11::kSize;
}

void FrameStore::computeStatistics() {
    const double* s = shortFrame(0).spectrum;
    const double* m = midFrame(0).spectrum;
    const double* l = longFrame(0).spectrum;
    BlockStatistics& st = statistics_;
    st.floor512 = meanOf(s, 6, 255) - 0.5;
    st.top512 = maximumOf(s, 6, 255);
    st.wideTop512 = maximumOf(s, 3, 255);
    st.floor1024 = meanOf(m, 12, 511) - 0.5;
    st.top1024 = maximumOf(m, 12, 511);
    st.wideTop1024 = maximumOf(m, 3, 511);
    st.floor2048 = meanOf(l, 24, 1023) - 0.5;
    st.top2048 = maximumOf(l, 24, 1023);
    st.wideTop2048 = maximumOf(l, 3, 1023);
}

}  // namespace tonik
