#include "EngineInput.h"

#include "document/ViewState.h"
#include "tonik.h"

#include <atomic>

namespace hummwell {

namespace {
// The library's callback has no context: the view of the run in progress. Set before the
// run starts and cleared after tonik_stop has returned, so the capture thread never sees a
// view that is going away.
std::atomic<ViewState*> runningView{nullptr};
}  // namespace

EngineInput::~EngineInput() {
    if (view_ && runningView.load() == view_) stop();
}

void EngineInput::start() {
    if (!view_) return;
    runningView.store(view_);
    tonik_start(owner_, &EngineInput::onFrame);
}

void EngineInput::stop() {
    tonik_stop();
    runningView.store(nullptr);
}

int EngineInput::onFrame(const FrameResult* result) {
    ViewState* view = runningView.load();
    if (!view || !result) return 0;
    view->onFrameResult(*result);
    return 1;
}

}  // namespace hummwell
