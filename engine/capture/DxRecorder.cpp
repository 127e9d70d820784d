#include "DxRecorder.h"

namespace tonik {

namespace {
constexpr const char* kCaption = "DirectSound";
}

DxRecorder::DxRecorder(std::unique_ptr<CaptureSource> source, Host& host)
    : source_(std::move(source)), host_(host) {}

DxRecorder::~DxRecorder() { release(); }

void DxRecorder::prepare(Sink sink) {
    sink_ = std::move(sink);
    buffer_.assign(kMaxReadSamples, 0);
    const CaptureOpenResult opened = source_->open();
    if (opened != CaptureOpenResult::Ok && !source_->problem().empty())
        host_.fatal(owner_, source_->problem() + " \nTonikit will now EXIT!", kCaption);
    switch (opened) {
        case CaptureOpenResult::Ok: break;
        case CaptureOpenResult::NoDevice:
            host_.fatal(owner_, "ERROR: Can not find Sound Device. \nTonikit will now EXIT!", kCaption);
        case CaptureOpenResult::CannotOpen:
            host_.fatal(owner_, "Error initializing DirectSound. \nTonikit will now EXIT!", kCaption);
        case CaptureOpenResult::CannotConfigure:
            host_.fatal(owner_, "Error creating DirectSound Buffer. \nTonikit will now EXIT!", kCaption);
    }
    prepared_ = true;
}

void DxRecorder::start() {
    if (!prepared_ || capturing_) return;
    while (!source_->start())
        host_.showMessage(owner_, "Error in Recording Signal.Try Again.", kCaption,
                          TONIK_ICON_ERROR, TONIK_BUTTONS_OK);
    waitForWorker();
    stopRequested_ = false;
    try {
        worker_ = std::thread(&DxRecorder::run, this);
    } catch (...) {
        source_->stop();
        throw;
    }
    capturing_ = true;
}

void DxRecorder::run() {
    while (!stopRequested_.load()) {
        const int count = source_->read(buffer_.data(), kMaxReadSamples);
        if (count < 0) return;  // device error: no more blocks until the next start
        if (count > 0 && !stopRequested_.load()) sink_(buffer_.data(), count);
    }
}

void DxRecorder::stop() {
    if (!capturing_) return;
    stopRequested_ = true;
    source_->interrupt();
    waitForWorker();
    source_->stop();
    capturing_ = false;
}

void DxRecorder::waitForWorker() {
    // A sink that ended the run from inside the worker cannot wait for itself; the worker then
    // leaves its loop when the sink returns, and the next caller from outside joins it.
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

void DxRecorder::release() {
    stop();
    waitForWorker();
    if (prepared_) source_->close();
    prepared_ = false;
}

}  // namespace tonik
