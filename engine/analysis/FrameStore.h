// The frame store: the last 256 blocks as three frames each (44.1, 22.05 and 11.025 kHz),
// with their levels and log-magnitude spectra, the three sample rings they are read from,
// the block's spectral statistics and the result record of the newest block.
//
// Written only by the thread that runs the block pipeline; nothing here is locked.
#pragma once

#include "LogSpectrum.h"
#include "tonik.h"

#include <cstdint>
#include <memory>

namespace tonik {

inline constexpr int kSampleRate = 44100;
inline constexpr int kBlockSize = 512;
inline constexpr int kFrameSlots = 256;

// One frame: level in library dB, N samples (already / 32767), N log-magnitude bins, and the
// ring position its samples were read from.
template <int N>
struct Frame {
    static constexpr int kPoints = N;
    double level;
    int32_t position;
    double samples[N];
    double spectrum[N];
};
using ShortFrame = Frame<512>;   // the block itself, 44,100 Hz, 86.13 Hz per bin
using MidFrame = Frame<1024>;    // newest 1,024 half-rate samples, 21.53 Hz per bin
using LongFrame = Frame<2048>;   // 1,024 zeros, then the newest 1,024 quarter-rate samples

// Statistics of the newest frames' spectra (bins are spectrum indices).
struct BlockStatistics {
    double floor512 = 0, floor1024 = 0, floor2048 = 0;        // mean of bins 6/12/24.. - 0.5
    double top512 = 0, top1024 = 0, top2048 = 0;              // maximum of the same bins
    double wideTop512 = 0, wideTop1024 = 0, wideTop2048 = 0;  // maximum from bin 3
};

// A ring of int16 samples whose last `Mirror` entries repeat the first ones, so that any run
// of up to `Mirror` samples can be read contiguously from any start position.
template <int Size, int Mirror>
struct SampleRing {
    static constexpr int kSize = Size;
    static constexpr int kMirror = Mirror;
    int16_t data[Size + Mirror];
    void write(int position, int16_t value) {
        data[position] = value;
        if (position < Mirror) data[position + Size] = value;
    }
};
using Ring44 = SampleRing<131072, 8192>;
using Ring22 = SampleRing<65536, 4096>;
using Ring11 = SampleRing<32768, 2048>;

class FrameStore {
public:
    FrameStore();  // allocates all storage once and resets
    ~FrameStore();
    FrameStore(const FrameStore&) = delete;
    FrameStore& operator=(const FrameStore&) = delete;

    // All frames and rings zero, frameIndex -1, positions and block counter 0. The result
    // record is left as it is.
    void reset();
    // Pushes one block of 512 samples into the rings and builds the three new frames with their
    // levels and spectra. A null pointer is ignored.
    void pushBlock(const int16_t* block);
    // Recomputes the nine statistics from the newest frames.
    void computeStatistics();

    // Frame k blocks back: 0 the newest, -1 the one before, down to -255.
    const ShortFrame& shortFrame(int k) const { return shortFrames_[slot(k)]; }
    const MidFrame& midFrame(int k) const { return midFrames_[slot(k)]; }
    const LongFrame& longFrame(int k) const { return longFrames_[slot(k)]; }

    int frameIndex() const { return frameIndex_; }
    int blockCount() const { return blockCount_; }
    // Next write positions; after a push they point just past the newest block.
    int ring44Position() const { return p44_; }
    int ring22Position() const { return p22_; }
    int ring11Position() const { return p11_; }
    const Ring44& ring44() const { return *ring44_; }
    const Ring22& ring22() const { return *ring22_; }
    const Ring11& ring11() const { return *ring11_; }

    const BlockStatistics& statistics() const { return statistics_; }
    FrameResult& result() { return result_; }
    const FrameResult& result() const { return result_; }

private:
    int slot(int k) const { return ((frameIndex_ + k) % kFrameSlots + kFrameSlots) % kFrameSlots; }

    std::unique_ptr<ShortFrame[]> shortFrames_;
    std::unique_ptr<MidFrame[]> midFrames_;
    std::unique_ptr<LongFrame[]> longFrames_;
    std::unique_ptr<Ring44> ring44_;
    std::unique_ptr<Ring22> ring22_;
    std::unique_ptr<Ring11> ring11_;
    LogSpectrum shortSpectrum_;
    LogSpectrum midSpectrum_;
    LogSpectrum longSpectrum_;
    int frameIndex_ = -1;
    int p44_ = 0, p22_ = 0, p11_ = 0;
    int blockCount_ = 0;
    BlockStatistics statistics_;
    FrameResult result_{};
};

// Level of a frame built from four earlier levels, oldest first: while the oldest is still
// the 0.0 of an empty slot after a reset, only the two newest count.
double combinedLevel(double a, double b, double c, double d);

}  // namespace tonik
