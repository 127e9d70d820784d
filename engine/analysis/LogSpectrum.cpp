#include "LogSpectrum.h"

#include <fftw3.h>

#include <cmath>
#include <mutex>
#include <new>
#include <numbers>
#include <vector>

namespace tonik {

std::mutex& fftPlannerMutex() {
    static std::mutex mutex;
    return mutex;
}

double hammingCoefficient(int n, int length) {
    return 0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * n / (length - 1));
}

struct LogSpectrum::Plan {
    std::vector<double> window;
    double* in = nullptr;
    fftw_complex* out = nullptr;
    fftw_plan plan = nullptr;
};

LogSpectrum::LogSpectrum(int points, int windowLength) : points_(points), plan_(new Plan) {
    plan_->window.resize(points);
    for (int n = 0; n < points; ++n) plan_->window[n] = hammingCoefficient(n, windowLength);

    std::lock_guard lock(fftPlannerMutex());
    plan_->in = fftw_alloc_real(points);
    plan_->out = fftw_alloc_complex(points / 2 + 1);
    // ESTIMATE keeps the arithmetic, and so every result, the same from run to run.
    plan_->plan = fftw_plan_dft_r2c_1d(points, plan_->in, plan_->out, FFTW_ESTIMATE);
    if (!plan_->in || !plan_->out || !plan_->plan) {
        release();
        throw std::bad_alloc();
    }
}

void LogSpectrum::release() {
    if (plan_->plan) fftw_destroy_plan(plan_->plan);
    fftw_free(plan_->out);
    fftw_free(plan_->in);
}

LogSpectrum::~LogSpectrum() {
    std::lock_guard lock(fftPlannerMutex());
    release();
}

void LogSpectrum::compute(const double* samples, double* spectrum) {
    const double* window = plan_->window.data();
    double* in = plan_->in;
    for (int n = 0; n < points_; ++n) in[n] = samples[n] * window[n];
    fftw_execute(plan_->plan);

    const fftw_complex* out = plan_->out;
    const int half = points_ / 2;
    for (int k = 0; k <= half; ++k) {
        const double re = out[k][0];
        const double im = out[k][1];
        // The log of the magnitude, as half the log of the power: no square root per bin.
        spectrum[k] = 0.5 * std::log(re * re + im * im);
    }
    for (int k = half + 1; k < points_; ++k) spectrum[k] = spectrum[points_ - k];
}

}  // namespace tonik
