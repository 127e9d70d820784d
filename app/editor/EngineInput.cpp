#include "EngineInput.h"

#include "tonik.h"

#include <algorithm>
#include <atomic>

namespace hummwell {

namespace {
// The library's callback has no context: the sink of the run in progress. Set before the
// run starts and cleared after tonik_stop has returned, so the capture thread never sees a
// sink that is going away.
std::atomic<FrameSink*> runningSink{nullptr};

// What a pushed run hears; its callback runs inside tonik_send on the caller's thread.
std::vector<HeardBlock>* hearing = nullptr;
int keepHeard(const FrameResult* r) {
    if (hearing) hearing->push_back({r->level, r->pitch, r->clarity, {}});
    return 1;
}
}  // namespace

EngineInput::~EngineInput() {
    if (sink_ && runningSink.load() == sink_) stop();
}

void EngineInput::start() {
    if (!sink_) return;
    runningSink.store(sink_);
    tonik_start(owner_, &EngineInput::onFrame);
}

void EngineInput::stop() {
    tonik_stop();
    runningSink.store(nullptr);
}

std::vector<HeardBlock> EngineInput::hear(const std::vector<int16_t>& samples, const AnalysisLevels& levels) {
    std::vector<HeardBlock> heard;
    if (runningSink.load() || samples.size() < static_cast<size_t>(kBlockSamples)) return heard;
    heard.reserve(samples.size() / kBlockSamples);
    hearing = &heard;
    tonik_start_file_levels(owner_, &keepHeard, levels.noiseGate, levels.peakLevel);
    // A second at a time: the library takes an int count.
    constexpr size_t kChunk = 86 * kBlockSamples;
    for (size_t at = 0; at + kBlockSamples <= samples.size(); at += kChunk) {
        const size_t n = std::min(kChunk, samples.size() - at) / kBlockSamples * kBlockSamples;
        tonik_send(samples.data() + at, static_cast<int>(n), 0);
    }
    tonik_stop_file();
    hearing = nullptr;
    return heard;
}

int EngineInput::onFrame(const FrameResult* result) {
    FrameSink* sink = runningSink.load();
    if (!sink || !result) return 0;
    sink->onFrameResult(*result);
    return 1;
}

}  // namespace hummwell
