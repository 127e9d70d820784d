/*
 * tonik: pitch detection engine.
 *
 * Audio arrives as 16-bit mono samples at 44,100 Hz, either from the microphone (a live run)
 * or pushed by the client with tonik_send (a pushed-sample run). It is cut into blocks of
 * 512 samples (11.61 ms); for every block the engine fills one result record and hands its
 * address to the client's callback.
 *
 * Level scale ("library dB"): 20 x the natural logarithm of half the peak-to-peak amplitude of
 * a block normalised to -1..1. 0.0 is full scale, quieter blocks are negative, a constant block
 * is minus infinity.
 * Pitch: fractional MIDI note number, 69.0 = 440 Hz; 0.0 means no pitch.
 *
 * Threading contract:
 *  - Every export is called from one client thread (the "application thread").
 *  - During a live run the callbacks run on the library's capture thread, one block after the
 *    other; during tonik_send they run on the caller's thread, inside tonik_send.
 *  - A callback must not start or end a run, and must not keep the record pointer: the record
 *    and the arrays it points to belong to the library and are rewritten for the next block.
 *  - When tonik_stop or tonik_volume_stop returns, no callback is running and none will follow.
 *  - tonik_send must not be called while a live run delivers blocks.
 */
#ifndef TONIK_H
#define TONIK_H

#include <stddef.h>
#include <stdint.h>

#if defined(TONIK_BUILDING_LIBRARY) && defined(__GNUC__)
#define TONIK_API __attribute__((visibility("default")))
#else
#define TONIK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One stage of the pitch search. Frequencies in Hz. */
typedef struct StageResult {
    double f0Hz;     /* fundamental frequency */
    double f0LowHz;  /* lower bound of the interval the fundamental is believed to lie in */
    double f0HighHz; /* upper bound of that interval */
    double score;    /* how well the harmonics of f0Hz were found; 0.0 for the tracking search */
} StageResult;

/* Result of one block of a pitch run or a pushed-sample run. */
typedef struct FrameResult {
    double level;           /* newest block, library dB */
    double pitch;           /* fractional MIDI note number; 0.0 = no pitch */
    double clarity;         /* score of the stage that answered; 0.0 when none or tracking */
    int32_t noteState;      /* -1 below the noise gate, 1 onset, 0 continuation */
    int32_t reserved;       /* keeps outcome at offset 32 on every ABI */
    double outcome;         /* 1.0 gated, 3.0 weak, 256/512/1024 stage, 2048 tracked, 65535 none */
    double blocksPending;   /* whole blocks left in this delivery, this one included */
    StageResult stage512;   /* all zero unless the 512-point stage succeeded */
    StageResult stage1024;
    StageResult stage2048;
    StageResult tracking;
    const double* samples512;   /* [512] newest block, each sample / 32767 */
    const double* spectrum512;  /* [512] natural-log magnitude spectrum, 44,100 Hz frame */
    const double* spectrum1024; /* [1024] natural-log magnitude spectrum, 22,050 Hz frame */
    const double* spectrum2048; /* [2048] natural-log magnitude spectrum, 11,025 Hz frame */
    double floor512;        /* mean of spectrum512 bins 6..255, minus 0.5 */
    double floor1024;       /* mean of spectrum1024 bins 12..511, minus 0.5 */
    double floor2048;       /* mean of spectrum2048 bins 24..1023, minus 0.5 */
} FrameResult;

/* Result of one block of a volume run (level set-up). */
typedef struct LevelResult {
    double volumeFraction;  /* recording volume as 0.0..1.0 of the control's range */
    int32_t boost;          /* microphone boost switch, 0 or 1 */
    int32_t peakLevel;      /* pitch-detection level last given to tonik_volume_change */
    double level;           /* newest block, library dB */
    const double* samples512;
    const double* spectrum512;
    const double* spectrum1024;
    const double* spectrum2048;
    double floor512;        /* the nine spectral statistics of the block */
    double floor1024;
    double floor2048;
    double top512;          /* maximum of spectrum512 bins 6..255 */
    double top1024;         /* maximum of spectrum1024 bins 12..511 */
    double top2048;         /* maximum of spectrum2048 bins 24..1023 */
    double wideTop512;      /* maximum of spectrum512 bins 3..255 */
    double wideTop1024;     /* maximum of spectrum1024 bins 3..511 */
    double wideTop2048;     /* maximum of spectrum2048 bins 3..1023 */
} LevelResult;

/* The int a FrameResultCallback returns is passed on only as the result of tonik_send. */
typedef int (*FrameResultCallback)(const FrameResult* result);
typedef int (*LevelResultCallback)(const LevelResult* result);

/* Opens the mixer and prepares capture. Call once, first. Ignored while a run is active.
 * Set-up failures the user does not retry end the process with exit code 0. */
TONIK_API void tonik_initialize(void* ownerWindow);
/* Live pitch run: a FrameResult per captured block. */
TONIK_API void tonik_start(void* ownerWindow, FrameResultCallback callback);
TONIK_API void tonik_stop(void);
/* Live volume run: a LevelResult per captured block, no pitch search. */
TONIK_API void tonik_volume_start(void* ownerWindow, LevelResultCallback callback);
/* Ends a volume run; noiseLevel (library dB) becomes the noise gate of later pitch runs. */
TONIK_API void tonik_volume_stop(double noiseLevel);
/* volume 0.0..1.0 of the recording control, boost 0/1, peakLevel the pitch-detection level.
 * Mixer errors are ignored. Returns 1. */
TONIK_API int tonik_volume_change(double volume, int boost, int peakLevel);
/* Pushed-sample run: no capture; feed samples with tonik_send. */
TONIK_API void tonik_start_file(void* ownerWindow, FrameResultCallback callback);
/* A pushed-sample run with a noise gate (library dB) and a pitch-detection level of its own,
 * for a client that chooses them from the audio it pushes (a take kept and analysed again).
 * When the run ends, later runs have the gate and the level they had before. */
TONIK_API void tonik_start_file_levels(void* ownerWindow, FrameResultCallback callback,
                                       double noiseLevel, int peakLevel);
TONIK_API void tonik_stop_file(void);
/* Runs count / 512 whole blocks of 16-bit mono 44,100 Hz samples and ignores the rest.
 * Returns what the callback returned for the last block; 0 when no block was whole, when
 * samples is NULL, or when no callback is stored. The third argument is not used. */
TONIK_API int tonik_send(const int16_t* samples, int count, int unused);
/* Releases the capture device for good while a run is active; no run starts after it. */
TONIK_API void tonik_clear(void);

/* ---- Host hook: how the library talks to the user ------------------------------------- */

enum TonikIcon { TONIK_ICON_ERROR = 0, TONIK_ICON_WARNING = 1, TONIK_ICON_INFORMATION = 2 };
enum TonikButtons { TONIK_BUTTONS_OK = 0, TONIK_BUTTONS_RETRY_CANCEL = 1 };
enum TonikAnswer { TONIK_ANSWER_OK = 1, TONIK_ANSWER_CANCEL = 2, TONIK_ANSWER_RETRY = 4 };

typedef struct TonikHost {
    void* context;
    /* Shows a modal message and returns a TonikAnswer. Called on the application thread
     * from tonik_initialize and the starts. */
    int (*showMessage)(void* context, void* ownerWindow, const char* text, const char* caption,
                       int icon, int buttons);
    /* Asks the program's event loop to quit; called before a fatal exit. May be NULL. */
    void (*postQuit)(void* context);
    /* Ends the process. NULL: exit(code). */
    void (*exitProcess)(void* context, int code);
} TonikHost;

/* Installs the host (copied). NULL restores the default: messages on stderr, Cancel as the
 * answer to questions, exit(code). */
TONIK_API void tonik_set_host(const TonikHost* host);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* The record layouts are part of the interface: clients copy whole records. */
#ifdef __cplusplus
#define TONIK_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define TONIK_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

TONIK_STATIC_ASSERT(sizeof(StageResult) == 32, "StageResult is 32 bytes");
TONIK_STATIC_ASSERT(offsetof(FrameResult, outcome) == 32, "FrameResult.outcome at 32");
TONIK_STATIC_ASSERT(offsetof(FrameResult, blocksPending) == 40, "blocksPending at 40");
TONIK_STATIC_ASSERT(offsetof(FrameResult, stage512) == 48, "stage512 at 48");
TONIK_STATIC_ASSERT(offsetof(FrameResult, tracking) == 144, "tracking at 144");
TONIK_STATIC_ASSERT(offsetof(FrameResult, samples512) == 176, "samples512 at 176");
TONIK_STATIC_ASSERT(offsetof(LevelResult, level) == 16, "LevelResult.level at 16");
TONIK_STATIC_ASSERT(offsetof(LevelResult, samples512) == 24, "LevelResult.samples512 at 24");
#if UINTPTR_MAX == 0xFFFFFFFFu
TONIK_STATIC_ASSERT(offsetof(FrameResult, floor512) == 192, "FrameResult.floor512 at 192");
TONIK_STATIC_ASSERT(sizeof(FrameResult) == 216, "FrameResult is 216 bytes");
TONIK_STATIC_ASSERT(offsetof(LevelResult, floor512) == 40, "LevelResult.floor512 at 40");
TONIK_STATIC_ASSERT(sizeof(LevelResult) == 112, "LevelResult is 112 bytes");
#else
/* 8-byte pointers: the four pointers take 32 bytes, later offsets move by 16. */
TONIK_STATIC_ASSERT(offsetof(FrameResult, floor512) == 208, "FrameResult.floor512 at 208");
TONIK_STATIC_ASSERT(sizeof(FrameResult) == 232, "FrameResult is 232 bytes");
TONIK_STATIC_ASSERT(offsetof(LevelResult, floor512) == 56, "LevelResult.floor512 at 56");
TONIK_STATIC_ASSERT(sizeof(LevelResult) == 128, "LevelResult is 128 bytes");
#endif

#undef TONIK_STATIC_ASSERT

#endif /* TONIK_H */
