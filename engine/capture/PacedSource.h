// A capture source without hardware that hands out blocks at the pace of a real microphone:
// block b is ready 11.61 ms x (b + 1) after start (faster by `speed` for tests). What the
// blocks hold comes from the subclass; a software mixer, when given, scales them as a
// recording gain would, so the level set-up behaves as it does on a sound card.
#pragma once

#include "CaptureSource.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tonik {

class SoftwareMixer;

class PacedSource : public CaptureSource {
public:
    explicit PacedSource(const SoftwareMixer* mixer = nullptr, double speed = 1.0)
        : mixer_(mixer), speed_(speed) {}

    bool start() override;
    int read(int16_t* out, int maxSamples) override;
    void interrupt() override;
    void stop() override {}
    void close() override {}

protected:
    // Writes samples first .. first + count - 1 of the run into out.
    virtual void fill(int16_t* out, long long first, int count) = 0;

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point blockDue(long long block) const;

    const SoftwareMixer* mixer_;
    const double speed_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool interrupted_ = false;
    Clock::time_point started_;
    long long blocksRead_ = 0;
};

}  // namespace tonik
