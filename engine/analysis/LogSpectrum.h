// Log-magnitude spectrum of one frame: the first N points of a Hamming window of length W
// applied to N real samples, a forward FFT without normalisation, then the natural log of the
// magnitude of every bin (minus infinity for a zero magnitude).
#pragma once

#include <memory>
#include <mutex>

namespace tonik {

class LogSpectrum {
public:
    // points must be a power of two; windowLength >= points. Allocates and plans here, once.
    LogSpectrum(int points, int windowLength);
    ~LogSpectrum();
    LogSpectrum(const LogSpectrum&) = delete;
    LogSpectrum& operator=(const LogSpectrum&) = delete;

    int points() const { return points_; }

    // samples [points] in, spectrum [points] out. Allocates nothing: safe on the capture thread.
    // Only bins 0..N/2 are transformed; the upper half mirrors them, as it does for real input.
    void compute(const double* samples, double* spectrum);

private:
    struct Plan;
    void release();  // with the planner lock held
    int points_;
    std::unique_ptr<Plan> plan_;
};

// FFTW's planner is not thread-safe (executing a finished plan is): every plan is made and
// destroyed with this held.
std::mutex& fftPlannerMutex();

// Coefficient n of a Hamming window of length `length`.
double hammingCoefficient(int n, int length);

}  // namespace tonik
