/* Pushes a generated sung-like tone through tonik and prints what the engine reports for a few
 * blocks: level, onset state, outcome, the spectral floors and the strongest component of the
 * fine (11,025 Hz) spectrum. Written in C: it is also the check that tonik.h is plain C.
 *
 * Usage: tonik_demo [frequency_hz [seconds]]   (defaults: 220 Hz, 1.5 s) */
#include "tonik.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#define SAMPLE_RATE 44100
#define LONG_BIN_HZ (11025.0 / 2048.0)

static int blockNumber = 0;

static int onFrame(const FrameResult* r) {
    int peak = 1;
    for (int k = 2; k < 1024; ++k)
        if (r->spectrum2048[k] > r->spectrum2048[peak]) peak = k;
    if (blockNumber < 4 || blockNumber % 16 == 0)
        printf("%5d %9.2f %5d %8.1f %7.2f %9.2f %9.2f %9.2f %8.1f\n", blockNumber, r->level,
               r->noteState, r->outcome, r->pitch, r->floor512, r->floor1024, r->floor2048,
               peak * LONG_BIN_HZ);
    ++blockNumber;
    return blockNumber;
}

int main(int argc, char** argv) {
    const double frequency = argc > 1 ? atof(argv[1]) : 220.0;
    const double seconds = argc > 2 ? atof(argv[2]) : 1.5;
    if (!(frequency > 20.0 && frequency < 5000.0) || !(seconds > 0.0 && seconds <= 60.0)) {
        fprintf(stderr, "usage: tonik_demo [frequency_hz 20..5000 [seconds 0..60]]\n");
        return 2;
    }

    const int count = (int)(seconds * SAMPLE_RATE);
    int16_t* samples = malloc(sizeof(int16_t) * (size_t)count);
    if (!samples) {
        fprintf(stderr, "tonik_demo: out of memory\n");
        return 1;
    }
    /* A voice-like tone: falling harmonics, a 5.5 Hz vibrato of +-30 cents, soft attack. */
    double phase = 0.0;
    for (int i = 0; i < count; ++i) {
        const double t = (double)i / SAMPLE_RATE;
        const double f = frequency * pow(2.0, 0.3 / 12.0 * sin(2.0 * M_PI * 5.5 * t));
        phase += 2.0 * M_PI * f / SAMPLE_RATE;
        double v = 0.0;
        for (int h = 1; h <= 6; ++h) v += sin(h * phase) / (h * h);
        const double envelope = t < 0.05 ? t / 0.05 : 1.0;
        samples[i] = (int16_t)lrint(12000.0 * envelope * v);
    }

    printf("tonik demo: %.2f s tone at %.1f Hz, %d blocks of 512 samples\n", seconds, frequency,
           count / 512);
    printf("block level(dB) state  outcome   pitch  floor512 floor1024 floor2048 peak(Hz)\n");
    tonik_start_file(NULL, onFrame);
    const int last = tonik_send(samples, count, 0);
    tonik_stop_file();
    printf("%d blocks delivered; the last callback returned %d\n", blockNumber, last);
    free(samples);
    return blockNumber == count / 512 ? 0 : 1;
}
