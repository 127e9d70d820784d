#include "PitchEngine.h"

#include "capture/AlsaSource.h"
#include "capture/SilenceSource.h"
#include "capture/SoundSystem.h"
#include "capture/AudioFileSource.h"
#include "mixer/AlsaMixer.h"
#include "mixer/SoftwareMixer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tonik {

namespace {

constexpr const char* kErrorCaption = "ERROR";
constexpr const char* kNoteCaption = "Tonikit";

// Fraction of the control's range to a raw control value, truncated toward zero and kept
// within what the control's type can hold.
uint32_t rawVolume(uint32_t minimum, uint32_t maximum, double fraction) {
    const double raw = std::trunc(minimum + (double(maximum) - double(minimum)) * fraction);
    if (!(raw >= 0.0)) return 0;  // negative or NaN
    if (raw >= double(std::numeric_limits<uint32_t>::max()))
        return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(raw);
}

// Repeats `attempt` until it returns 0, asking after each failure whether to try again; any
// answer but Retry ends the process.
template <typename Attempt>
void retryOrExit(Host& host, void* owner, const char* question, Attempt attempt) {
    for (int code = attempt(); code != 0; code = attempt()) {
        if (host.showMessage(owner, formatMessage(question, static_cast<unsigned>(code)),
                             kErrorCaption, TONIK_ICON_WARNING,
                             TONIK_BUTTONS_RETRY_CANCEL) != TONIK_ANSWER_RETRY)
            host.quitAndExit();
    }
}

// The mixer of the card a PCM name points at: "hw:1,0" and "plughw:1" belong to card "hw:1";
// any other name to the default card.
std::string mixerCardOf(const std::string& device) {
    for (const char* prefix : {"hw:", "plughw:"}) {
        const std::string p = prefix;
        if (device.rfind(p, 0) == 0) return "hw:" + device.substr(p.size(), device.find(',') - p.size());
    }
    return "default";
}

}  // namespace

EngineBackends backendsFor(const char* capture) {
    const std::string choice = capture ? capture : "";
    if (choice.empty() || choice == "alsa" || choice.rfind("alsa:", 0) == 0) {
        const std::string device = choice.size() > 5 ? choice.substr(5) : "default";
        return {std::make_unique<AlsaMixer>(mixerCardOf(device)), std::make_unique<AlsaSource>(device),
                alsaProblem()};
    }
    auto mixer = std::make_unique<SoftwareMixer>();
    const SoftwareMixer* gain = mixer.get();
    if (choice.rfind("file:", 0) == 0)
        return {std::move(mixer), std::make_unique<AudioFileSource>(choice.substr(5), gain), {}};
    if (choice != "silence")
        std::fprintf(stderr, "tonik: unknown TONIK_CAPTURE \"%s\" (alsa, alsa:DEVICE, file:PATH or "
                     "silence); capturing silence\n", choice.c_str());
    return {std::move(mixer), std::make_unique<SilenceSource>(gain), {}};
}

EngineBackends backendsFromEnvironment() { return backendsFor(std::getenv("TONIK_CAPTURE")); }

PitchEngine::PitchEngine(EngineBackends backends, Host& host)
    : host_(host),
      soundSystemProblem_(std::move(backends.soundSystemProblem)),
      analysis_(settings_),
      sink_(store_, analysis_, settings_, *this),
      mixer_(std::move(backends.mixer)),
      recorder_(std::move(backends.capture), host) {}

PitchEngine::~PitchEngine() {
    pitchCallback_ = nullptr;
    volumeCallback_ = nullptr;
    recorder_.release();
    mixer_.close();
}

EngineState PitchEngine::state() const {
    switch (run_) {
        case Run::Pushed: return EngineState::Pushed;
        case Run::Live:
            return settings_.mode == BlockMode::Volume ? EngineState::Volume : EngineState::Pitch;
        case Run::None: break;
    }
    return initialized_ ? EngineState::Ready : EngineState::Closed;
}

void PitchEngine::openMixer(void* owner) {
    retryOrExit(host_, owner,
                "ERROR (0x%X)\nFail to initialize Sound Mixer Device.\n\nDo you want to retry "
                "initializing?\nOtherwise, this program will now EXIT.",
                [this] { return mixer_.open(); });
}

void PitchEngine::readVolumeAtStart(void* owner) {
    retryOrExit(host_, owner,
                "ERROR (0x%X)\nFail to get recording volume level.\n\nDo you want to retry "
                "getting volume level?\nOtherwise, this program will now EXIT.",
                [this] {
                    uint32_t volume = 0;
                    const int code = mixer_.getVolume(volume);
                    if (code == 0) currentVolume_ = volume;
                    return code;
                });
}

void PitchEngine::initialize(void* owner) {
    if (run_ != Run::None) return;
    if (!soundSystemProblem_.empty()) {
        host_.showMessage(owner, soundSystemProblem_, kErrorCaption, TONIK_ICON_ERROR,
                          TONIK_BUTTONS_OK);
        host_.quitAndExit();
    }
    openMixer(owner);
    if (mixer_.getMute() == 0) {
        mixer_.setMute(1);
        host_.showMessage(owner, "NOTE: This program makes your microphone sound mute.",
                          kNoteCaption, TONIK_ICON_INFORMATION, TONIK_BUTTONS_OK);
    }
    currentBoost_ = mixer_.getBoost();
    volumeMinimum_ = mixer_.volumeMinimum();
    volumeMaximum_ = mixer_.volumeMaximum();
    readVolumeAtStart(owner);

    recorder_.setOwner(owner);
    if (!recorder_.prepared())
        recorder_.prepare([this](const int16_t* samples, int count) {
            return sink_.blockSink(samples, count);
        });
    initialized_ = true;
    released_ = false;
}

bool PitchEngine::beginLiveRun(void* owner, BlockMode mode) {
    // A live run needs the capture device that initialize prepares and clear gives up.
    if (run_ != Run::None || !initialized_ || released_) return false;
    recorder_.waitForWorker();
    run_ = Run::Live;
    settings_.mode = mode;
    recorder_.setOwner(owner);
    return true;
}

void PitchEngine::start(void* owner, FrameResultCallback callback) {
    if (!beginLiveRun(owner, BlockMode::Pitch)) return;
    pitchCallback_ = callback;
    store_.reset();
    analysis_.forgetPitches();
    recorder_.start();
}

void PitchEngine::volumeStart(void* owner, LevelResultCallback callback) {
    if (!beginLiveRun(owner, BlockMode::Volume)) return;
    volumeCallback_ = callback;
    store_.reset();
    recorder_.start();
}

// Any end function ends any run. Capture stops with it, so a run that is over never delivers
// another block; the worker has left the callback when this returns.
void PitchEngine::endRun() {
    run_ = Run::None;
    recorder_.stop();
    if (restoreLevels_) {
        settings_.noiseGate = restoreLevels_->noiseGate;
        settings_.peakLevel = restoreLevels_->peakLevel;
        restoreLevels_.reset();
    }
}

void PitchEngine::stop() {
    if (run_ == Run::None) return;
    pitchCallback_ = nullptr;
    endRun();
}

void PitchEngine::volumeStop(double noiseLevel) {
    if (run_ == Run::None) return;
    if (restoreLevels_) restoreLevels_->noiseGate = noiseLevel;
    else settings_.noiseGate = noiseLevel;
    volumeCallback_ = nullptr;
    endRun();
}

int PitchEngine::volumeChange(double volume, int boost, int peakLevel) {
    const uint32_t raw = rawVolume(volumeMinimum_, volumeMaximum_, volume);
    mixer_.setVolume(raw);
    mixer_.setBoost(boost);
    currentVolume_ = raw;
    currentBoost_ = boost;
    if (restoreLevels_) restoreLevels_->peakLevel = peakLevel;
    else settings_.peakLevel = peakLevel;
    return 1;
}

void PitchEngine::startFile(void* owner, FrameResultCallback callback, std::optional<RunLevels> levels) {
    if (run_ != Run::None) return;
    recorder_.waitForWorker();
    if (levels) {
        restoreLevels_ = RunLevels{settings_.noiseGate, settings_.peakLevel};
        settings_.noiseGate = levels->noiseGate;
        settings_.peakLevel = levels->peakLevel;
    }
    run_ = Run::Pushed;
    settings_.mode = BlockMode::Pitch;
    pitchCallback_ = callback;
    recorder_.setOwner(owner);
    store_.reset();
    analysis_.forgetPitches();
}

void PitchEngine::stopFile() {
    if (run_ == Run::None) return;
    endRun();  // the callback stays stored
}

int PitchEngine::send(const int16_t* samples, int count) {
    // The store has one writer: while the capture thread feeds it, pushed samples wait outside.
    if (recorder_.capturing()) return 0;
    recorder_.waitForWorker();
    return sink_.blockSink(samples, count);
}

void PitchEngine::clear() {
    if (run_ == Run::None) return;
    recorder_.release();
    released_ = true;
}

int PitchEngine::deliverBlock() {
    uint32_t volume = 0;
    if (mixer_.getVolume(volume) == 0) currentVolume_.store(volume, std::memory_order_relaxed);
    currentBoost_.store(mixer_.getBoost(), std::memory_order_relaxed);

    const ShortFrame& shortFrame = store_.shortFrame(0);
    const double* samples = shortFrame.samples;
    const double* spectrum512 = shortFrame.spectrum;
    const double* spectrum1024 = store_.midFrame(0).spectrum;
    const double* spectrum2048 = store_.longFrame(0).spectrum;
    const BlockStatistics& stats = store_.statistics();

    if (settings_.mode.load(std::memory_order_relaxed) == BlockMode::Volume) {
        LevelResult& r = levelRecord_;
        const double minimum = volumeMinimum_.load(std::memory_order_relaxed);
        const double maximum = volumeMaximum_.load(std::memory_order_relaxed);
        const double current = currentVolume_.load(std::memory_order_relaxed);
        // A control without range has nothing to report but its bottom.
        r.volumeFraction = maximum > minimum ? (current - minimum) / (maximum - minimum) : 0.0;
        r.boost = currentBoost_.load(std::memory_order_relaxed);
        r.peakLevel = settings_.peakLevel.load(std::memory_order_relaxed);
        r.level = shortFrame.level;
        r.samples512 = samples;
        r.spectrum512 = spectrum512;
        r.spectrum1024 = spectrum1024;
        r.spectrum2048 = spectrum2048;
        r.floor512 = stats.floor512;
        r.floor1024 = stats.floor1024;
        r.floor2048 = stats.floor2048;
        r.top512 = stats.top512;
        r.top1024 = stats.top1024;
        r.top2048 = stats.top2048;
        r.wideTop512 = stats.wideTop512;
        r.wideTop1024 = stats.wideTop1024;
        r.wideTop2048 = stats.wideTop2048;
        const LevelResultCallback callback = volumeCallback_.load();
        return callback ? callback(&r) : 0;
    }

    FrameResult& r = store_.result();
    r.samples512 = samples;
    r.spectrum512 = spectrum512;
    r.spectrum1024 = spectrum1024;
    r.spectrum2048 = spectrum2048;
    r.floor512 = stats.floor512;
    r.floor1024 = stats.floor1024;
    r.floor2048 = stats.floor2048;
    const FrameResultCallback callback = pitchCallback_.load();
    return callback ? callback(&r) : 0;
}

}  // namespace tonik
