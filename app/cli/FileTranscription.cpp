#include "FileTranscription.h"

#include "document/NoteFinder.h"
#include "document/Quantizer.h"
#include "tonik.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace hummwell::cli {

namespace {

constexpr int kBlock = 512;
constexpr int kBlocksPerSend = 86;  // about a second between progress reports

// The run the engine is delivering to; the engine's callback is a plain function.
FileTranscription* active = nullptr;
int ignoreLevel(const LevelResult*) { return 1; }

// The library's messages on stderr. Its notes are about the microphone, which a file run does
// not use; questions get Cancel, as no one is there to retry.
int showMessage(void*, void*, const char* text, const char*, int icon, int) {
    if (icon != TONIK_ICON_INFORMATION) std::fprintf(stderr, "hummwell-cli: %s\n", text);
    return TONIK_ANSWER_CANCEL;
}

}  // namespace

void prepareEngine() {
    static bool prepared = false;
    if (prepared) return;
    // The file's samples are pushed; the capture device only paces the volume run that hands
    // over the noise gate, so silence does for it on any machine.
    setenv("TONIK_CAPTURE", "silence", 1);
    const TonikHost host{nullptr, showMessage, nullptr, nullptr};
    tonik_set_host(&host);
    tonik_initialize(nullptr);
    prepared = true;
}

FileTranscription::~FileTranscription() {
    if (active == this) active = nullptr;
}

double FileTranscription::capacitySeconds() const {
    return static_cast<double>(blockCapacity()) * kBlock / 44100.0;
}

int FileTranscription::onFrame(const FrameResult* r) {
    FileTranscription* self = active;
    if (!self || !r) return 0;
    self->onBlock(*r);
    return 1;
}

void FileTranscription::onBlock(const FrameResult& r) {
    if (recordBlocks_) {
        BlockRecord block{r.level, r.pitch, r.clarity, r.noteState, r.outcome, {}};
        if (r.pitch >= 1.0) block.periodicity = meter_.measure((blocks.size() + 1) * kBlock, r.pitch);
        blocks.push_back(block);
    }
    // As a take records it: each frame before the closing rest, until the track is full.
    if (track.frameCount() >= maxFrames) return;
    const LiveTranscriber::Decided decided = transcriber_.decide(r, settings);
    track.insert(track.frameCount() - 1, decided.frame, decided.evidence);
}

// The level set-up's calibration over the input's first blocks.
void FileTranscription::calibrate(const std::vector<int16_t>& head) {
    const size_t count = std::min(head.size() / kBlock, static_cast<size_t>(FloorCalibration::kCalibrationBlocks));
    FloorCalibration calibration;
    for (size_t b = 0; b < count; ++b) calibration.observe(blockLevel(&head[b * kBlock]), volume.floorLevel);
}

void FileTranscription::run(const std::vector<int16_t>& samples, const LevelSetup& setup,
                            const Progress& progress) {
    size_t at = 0;
    run([&](int16_t* out, size_t count) {
        const size_t n = std::min(count, samples.size() - at);
        std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(at), n, out);
        at += n;
        return n;
    }, setup, progress);
}

void FileTranscription::run(const SampleReader& read, const LevelSetup& setup, const Progress& progress) {
    prepareEngine();
    volume = setup.volume;
    blocks.clear();
    meter_ = PeriodicityMeter{};
    cut = false;
    const size_t capacity = static_cast<size_t>(blockCapacity());

    // The floor is measured on the first blocks before anything is sent, as the level set-up
    // measures it before a take; those blocks are then the take's first.
    std::vector<int16_t> head(std::min(capacity, static_cast<size_t>(FloorCalibration::kCalibrationBlocks)) * kBlock);
    head.resize(read(head.data(), head.size()));
    if (head.empty()) return;
    if (setup.floor == FloorSource::Calibrated) calibrate(head);
    levels = deriveLevels(volume);

    // The gate reaches the engine as the end of a volume run hands it over; the look-ahead
    // path's levels hold for its own run only.
    tonik_volume_change(volume.recordingGain / 255.0, volume.gainBoost, -volume.pitchSetting);
    tonik_volume_start(nullptr, ignoreLevel);
    tonik_volume_stop(levels.noiseLevel);
    std::optional<AnalysisLevels> engineLevels = setup.engineLevels;
    if (engineLevels) engineLevels->noiseGate = std::min(engineLevels->noiseGate, levels.noiseLevel);

    settings.store(Setting::QuantizeMode, kAsIs);  // a take is recorded unquantized
    track.reset();
    track.syncEvidence();
    track.reserve(maxFrames + 1);
    transcriber_.levels = levels;
    transcriber_.start(0);
    active = this;
    if (engineLevels)
        tonik_start_file_levels(nullptr, &FileTranscription::onFrame, engineLevels->noiseGate, engineLevels->peakLevel);
    else
        tonik_start_file(nullptr, &FileTranscription::onFrame);
    recordBlocks_ = true;
    // Whole blocks, the last one completed with silence; then one silent block more, since the
    // transcriber decides each frame when the next one arrives.
    std::vector<int16_t> batch(static_cast<size_t>(kBlocksPerSend) * kBlock);
    size_t headAt = 0, sent = 0;
    bool ended = false;
    while (!ended && sent < capacity) {
        const size_t wanted = std::min(static_cast<size_t>(kBlocksPerSend), capacity - sent) * kBlock;
        size_t got = std::min(wanted, head.size() - headAt);
        std::copy_n(head.begin() + static_cast<std::ptrdiff_t>(headAt), got, batch.begin());
        headAt += got;
        if (got < wanted) got += read(batch.data() + got, wanted - got);
        ended = got < wanted;
        if (got == 0) break;
        const size_t n = (got + kBlock - 1) / kBlock;
        std::fill(batch.begin() + static_cast<std::ptrdiff_t>(got), batch.begin() + static_cast<std::ptrdiff_t>(n * kBlock), int16_t{0});
        meter_.append(batch.data(), n * kBlock);  // before the engine hands its blocks back
        tonik_send(batch.data(), static_cast<int>(n * kBlock), 0);
        sent += n;
        if (progress) progress(static_cast<double>(sent * kBlock) / 44100.0);
    }
    recordBlocks_ = false;
    if (!ended) {
        int16_t more = 0;
        cut = read(&more, 1) > 0;
    }
    std::fill(batch.begin(), batch.begin() + kBlock, int16_t{0});
    tonik_send(batch.data(), kBlock, 0);
    tonik_stop_file();
    active = nullptr;
    requantize(track, settings, 0, track.frameCount());
}

void FileTranscription::quantize(int mode) {
    settings.store(Setting::QuantizeMode, mode);
    requantize(track, settings, 0, track.frameCount());
}

void FileTranscription::findNotes() {
    // Frame f holds block f - 1: the transcriber's first frame is the silence before the first
    // block. The note finder places each note on the frame of its first pitched block.
    liveTrack = track;
    track.evidence.assign(static_cast<size_t>(track.frameCount()), FrameEvidence{});
    for (size_t b = 0; b + 1 < track.evidence.size() && b < blocks.size(); ++b)
        track.evidence[b + 1] = lookAheadEvidence({blocks[b].level, blocks[b].pitch, blocks[b].clarity, blocks[b].periodicity},
                                                  settings);
    NoteFinderOptions options;
    options.pitchFrom = NoteFinderOptions::Pitch::Evidence;
    options.noiseLevel = levels.noiseLevel;
    options.levelSpan = levels.levelSpan;
    hummwell::findNotes(track, 0, track.frameCount() - 1, options);
    requantize(track, settings, 0, track.frameCount());
}

}  // namespace hummwell::cli
