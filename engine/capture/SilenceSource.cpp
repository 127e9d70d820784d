#include "SilenceSource.h"

#include <algorithm>
#include <cstring>

namespace tonik {

namespace {
constexpr int kBlock = 512;
constexpr long long kSampleRate = 44100;
}  // namespace

bool SilenceSource::start() {
    std::lock_guard lock(mutex_);
    interrupted_ = false;
    started_ = Clock::now();
    blocksRead_ = 0;
    return true;
}

SilenceSource::Clock::time_point SilenceSource::blockDue(long long block) const {
    // Block b is complete when its last sample has been "recorded".
    return started_ + std::chrono::duration_cast<Clock::duration>(
                          std::chrono::duration<double>(double(block * kBlock) / kSampleRate));
}

int SilenceSource::read(int16_t* out, int maxSamples) {
    std::unique_lock lock(mutex_);
    if (!wake_.wait_until(lock, blockDue(blocksRead_ + 1), [this] { return interrupted_; })) {
        const auto elapsed = std::chrono::duration<double>(Clock::now() - started_).count();
        const long long available = static_cast<long long>(elapsed * kSampleRate) / kBlock;
        const long long blocks = std::clamp<long long>(available - blocksRead_, 1, maxSamples / kBlock);
        blocksRead_ += blocks;
        std::memset(out, 0, sizeof(int16_t) * blocks * kBlock);
        return static_cast<int>(blocks * kBlock);
    }
    interrupted_ = false;
    return 0;
}

void SilenceSource::interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    wake_.notify_all();
}

}  // namespace tonik
