// The engine behind the exports: owns the frame store, the pitch analysis, the block pipeline,
// the recording mixer and the capture recorder, and runs one run at a time.
//
// Every method but deliverBlock runs on the application thread. deliverBlock runs on the
// thread that runs the pipeline: the capture worker in a live run, the caller of send()
// otherwise. The values both sides touch are atomics.
#pragma once

#include "analysis/AnalysisSettings.h"
#include "analysis/BlockSink.h"
#include "analysis/FrameStore.h"
#include "analysis/PitchAnalysis.h"
#include "capture/CaptureSource.h"
#include "capture/DxRecorder.h"
#include "host/Host.h"
#include "mixer/MixerBackend.h"
#include "mixer/RecordingMixer.h"
#include "tonik.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tonik {

enum class EngineState { Closed, Ready, Pitch, Volume, Pushed };

// The noise gate (library dB) and the pitch-detection level a run analyses with.
struct RunLevels {
    double noiseGate;
    int peakLevel;
};

struct EngineBackends {
    std::unique_ptr<MixerBackend> mixer;
    std::unique_ptr<CaptureSource> capture;
    // Why the sound system behind them cannot be used; empty when it can.
    std::string soundSystemProblem;
};

// The backends named by a TONIK_CAPTURE value: "alsa" (the default device, also for an empty
// value), "alsa:DEVICE", "file:PATH" (a WAV file played in real time) or "silence". ALSA
// capture comes with the card's mixer; the others with the software mixer, whose gain scales
// what they deliver. An unknown value falls back to silence after a warning on stderr.
EngineBackends backendsFor(const char* capture);
EngineBackends backendsFromEnvironment();

class PitchEngine final : public BlockTarget {
public:
    PitchEngine(EngineBackends backends, Host& host);
    ~PitchEngine() override;

    void initialize(void* owner);
    void start(void* owner, FrameResultCallback callback);
    void stop();
    void volumeStart(void* owner, LevelResultCallback callback);
    void volumeStop(double noiseLevel);
    int volumeChange(double volume, int boost, int peakLevel);
    // A pushed-sample run; with `levels`, under those until it ends, when the gate and the
    // level from before come back (a change made meanwhile is kept for then).
    void startFile(void* owner, FrameResultCallback callback, std::optional<RunLevels> levels = {});
    void stopFile();
    int send(const int16_t* samples, int count);
    void clear();

    int deliverBlock() override;

    EngineState state() const;
    double noiseGate() const { return settings_.noiseGate; }
    int peakLevel() const { return settings_.peakLevel; }
    uint32_t currentVolume() const { return currentVolume_; }
    const FrameStore& frameStore() const { return store_; }

private:
    enum class Run { None, Live, Pushed };

    void openMixer(void* owner);
    void readVolumeAtStart(void* owner);
    bool beginLiveRun(void* owner, BlockMode mode);
    void endRun();

    Host& host_;
    std::string soundSystemProblem_;
    AnalysisSettings settings_;
    FrameStore store_;
    PitchAnalysis analysis_;
    BlockSink sink_;
    RecordingMixer mixer_;
    DxRecorder recorder_;
    LevelResult levelRecord_{};

    std::atomic<FrameResultCallback> pitchCallback_{nullptr};
    std::atomic<LevelResultCallback> volumeCallback_{nullptr};
    // Non-None is "a run is active". Atomic because a callback that (against the rules) ends
    // its own run writes it from the capture thread.
    std::atomic<Run> run_{Run::None};
    // The levels to restore when a pushed run with levels of its own ends.
    std::optional<RunLevels> restoreLevels_;
    bool initialized_ = false;
    bool released_ = false;  // the capture device was given up by clear()

    std::atomic<uint32_t> currentVolume_{0};
    std::atomic<uint32_t> volumeMinimum_{0};
    std::atomic<uint32_t> volumeMaximum_{0};
    std::atomic<int> currentBoost_{0};
};

}  // namespace tonik
