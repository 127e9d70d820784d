// Milliseconds for the playback timer and the recording sink: the steady clock in the program,
// a clock the tests move by hand.
#pragma once

#include <chrono>

namespace hummwell {

class Clock {
public:
    virtual ~Clock() = default;
    virtual double nowMs() const = 0;
};

class SteadyClock final : public Clock {
public:
    double nowMs() const override {
        using namespace std::chrono;
        return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
    }
};

class ManualClock final : public Clock {
public:
    double nowMs() const override { return ms; }
    void advance(double by) { ms += by; }
    double ms = 0.0;
};

}  // namespace hummwell
