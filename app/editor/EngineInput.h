// The microphone through tonik, for the note view: start runs a live pitch run whose blocks
// go to the attached sink's onFrameResult on the engine's capture thread; stop returns only after the
// last block has been delivered.
#pragma once

#include "document/ViewPorts.h"
#include "tonik.h"

namespace hummwell {

class EngineInput final : public PitchInput {
public:
    // `ownerWindow` is passed to the library, which hands it back with its messages.
    explicit EngineInput(void* ownerWindow = nullptr) : owner_(ownerWindow) {}
    ~EngineInput() override;
    EngineInput(const EngineInput&) = delete;
    EngineInput& operator=(const EngineInput&) = delete;

    void attach(FrameSink& sink) { sink_ = &sink; }
    void start() override;
    void stop() override;
    // A pushed-sample run of the library at `levels`, on the calling thread; the live run
    // must have ended. The library's own gate and level come back when it ends.
    std::vector<HeardBlock> hear(const std::vector<int16_t>& samples, const AnalysisLevels& levels) override;

private:
    static int onFrame(const FrameResult* result);
    void* owner_;
    FrameSink* sink_ = nullptr;
};

}  // namespace hummwell
