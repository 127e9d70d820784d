/* Pushes a generated sung-like tone through tonik and prints what the engine reports for a few
 * blocks: level, onset state, outcome, pitch, the spectral floors and the strongest component of
 * the fine (11,025 Hz) spectrum, then the median pitch. Written in C: it is also the check that
 * tonik.h is plain C.
 *
 * Usage: tonik_demo [frequency_hz [seconds]]   (defaults: 220 Hz, 1.5 s) */
#define _XOPEN_SOURCE 700 /* setenv, M_PI */
#include "tonik.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#define SAMPLE_RATE 44100
#define LONG_BIN_HZ (11025.0 / 2048.0)

static int blockNumber = 0;
static double pitches[60 * SAMPLE_RATE / 512 + 1];
static int pitched = 0;

static int onLevel(const LevelResult* r) {
    (void)r;
    return 0;
}

static int byValue(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

static int onFrame(const FrameResult* r) {
    int peak = 1;
    for (int k = 2; k < 1024; ++k)
        if (r->spectrum2048[k] > r->spectrum2048[peak]) peak = k;
    if (blockNumber < 4 || blockNumber % 16 == 0)
        printf("%5d %9.2f %5d %8.1f %7.2f %9.2f %9.2f %9.2f %8.1f\n", blockNumber, r->level,
               r->noteState, r->outcome, r->pitch, r->floor512, r->floor1024, r->floor2048,
               peak * LONG_BIN_HZ);
    if (r->pitch >= 1.0) pitches[pitched++] = r->pitch;
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
    /* The gate as the level set-up leaves it: a quiet room's floor plus the default noise
     * setting of 25 dB. Until a volume run sets it the gate is 0 dB, above any tone. */
    setenv("TONIK_CAPTURE", "silence", 0); /* the tone is pushed: no microphone is needed */
    tonik_initialize(NULL);
    tonik_volume_start(NULL, onLevel);
    tonik_volume_stop(-100.0);

    tonik_start_file(NULL, onFrame);
    const int last = tonik_send(samples, count, 0);
    tonik_stop_file();
    printf("%d blocks delivered; the last callback returned %d\n", blockNumber, last);
    const double expected = 69.0 + 12.0 * log2(frequency / 440.0);
    if (pitched > 0) {
        qsort(pitches, (size_t)pitched, sizeof pitches[0], byValue);
        printf("%d blocks with a pitch, median %.2f (the tone is note %.2f)\n", pitched,
               pitches[pitched / 2], expected);
    } else {
        printf("no block with a pitch (the tone is note %.2f)\n", expected);
    }
    free(samples);
    return blockNumber == count / 512 ? 0 : 1;
}
