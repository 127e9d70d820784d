// A capture source without hardware that delivers digital silence at the pace of a real
// microphone: one 512-sample block every 11.61 ms after start.
#pragma once

#include "CaptureSource.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tonik {

class SilenceSource final : public CaptureSource {
public:
    CaptureOpenResult open() override { return CaptureOpenResult::Ok; }
    bool start() override;
    int read(int16_t* out, int maxSamples) override;
    void interrupt() override;
    void stop() override {}
    void close() override {}

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point blockDue(long long block) const;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool interrupted_ = false;
    Clock::time_point started_;
    long long blocksRead_ = 0;
};

}  // namespace tonik
