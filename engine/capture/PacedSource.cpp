#include "PacedSource.h"

#include "mixer/SoftwareMixer.h"

#include <algorithm>
#include <cmath>

namespace tonik {

namespace {
constexpr int kBlock = 512;
constexpr long long kSampleRate = 44100;
}  // namespace

bool PacedSource::start() {
    std::lock_guard lock(mutex_);
    interrupted_ = false;
    started_ = Clock::now();
    blocksRead_ = 0;
    return true;
}

PacedSource::Clock::time_point PacedSource::blockDue(long long block) const {
    // Block b is complete when its last sample has been "recorded".
    const double seconds = double(block * kBlock) / kSampleRate / speed_;
    return started_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

int PacedSource::read(int16_t* out, int maxSamples) {
    std::unique_lock lock(mutex_);
    if (wake_.wait_until(lock, blockDue(blocksRead_ + 1), [this] { return interrupted_; })) {
        interrupted_ = false;
        return 0;
    }
    // Every whole block recorded by now, as a driver's buffer would hold them.
    const double elapsed = std::chrono::duration<double>(Clock::now() - started_).count() * speed_;
    const long long available = static_cast<long long>(elapsed * kSampleRate) / kBlock;
    const long long blocks = std::clamp<long long>(available - blocksRead_, 1, maxSamples / kBlock);
    const int count = static_cast<int>(blocks * kBlock);
    fill(out, blocksRead_ * kBlock, count);
    blocksRead_ += blocks;
    lock.unlock();

    if (mixer_) {
        const double gain = mixer_->gain();
        if (gain != 1.0) {
            for (int i = 0; i < count; ++i)
                out[i] = static_cast<int16_t>(std::clamp(std::lrint(out[i] * gain), -32768L, 32767L));
        }
    }
    return count;
}

void PacedSource::interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    wake_.notify_all();
}

}  // namespace tonik
