// Conversions between frequency, FFT bin and fractional MIDI note number, the block level in
// library dB, and the small array searches that the frame store and the pitch search share.
// Everything is double precision and stateless.
#pragma once

namespace tonik {

// Finite stand-ins for "no value" in maxOf/minOf: infinities are never reported.
inline constexpr double kNoMaximum = -2147483647.0;
inline constexpr double kNoMinimum = 2147483647.0;

// Note number (69.0 = A at 440 Hz x tuning) to frequency in Hz.
double noteToFreq(double note, double tuning);
// Frequency in Hz to fractional note number.
double freqToNote(double frequencyHz, double tuning);
// Note number of bin `bin` of a `size`-point spectrum at `sampleRate` Hz.
double binToNote(int bin, int sampleRate, int size, double tuning);

// 20 x ln(half the peak-to-peak amplitude) of `count` values: 0.0 for a full-scale swing of
// -1..1, minus infinity for a constant block.
double blockLevel(const double* values, int count);

double roundHalfUp(double x);

// Largest value; kNoMaximum when empty (or when every value is below it, e.g. -inf).
double maxOf(const double* values, int count);
// Smallest value; kNoMinimum when empty.
double minOf(const double* values, int count);
// Index of the first largest value; -1 when empty or when nothing exceeds -2^31.
int argMax(const double* values, int count);

struct WindowPeak {
    double value;     // height of the peak, 0.0 when there is none
    double position;  // its index; -2.0 max on the window's edge, -1.0 max not a local peak
};

// Interior maximum of values[ceil(centre - halfWidth) .. ceil(centre + halfWidth)], the window
// clipped to the array.
WindowPeak windowPeak(const double* values, int count, double centre, double halfWidth);

// Whether values[trunc(centre)] stands at least 2.0 (in the array's units) above the minimum
// on each side within halfWidth. The right side includes the centre itself.
bool isPeakAbove(const double* values, int count, double centre, double halfWidth);

}  // namespace tonik
