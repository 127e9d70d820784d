// The capture recorder: owns a CaptureSource and a worker thread that hands every whole block
// it reads to the block pipeline's sink. Set-up failures are fatal (message, quit, exit 0).
// prepare/start/stop/release run on the application thread; the sink runs on the worker.
#pragma once

#include "CaptureSource.h"
#include "host/Host.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace tonik {

class DxRecorder {
public:
    using Sink = std::function<int(const int16_t* samples, int count)>;

    // The most one read hands over: 16 blocks, the capture buffer of a real device.
    static constexpr int kMaxReadSamples = 16 * 512;

    DxRecorder(std::unique_ptr<CaptureSource> source, Host& host);
    ~DxRecorder();

    void setOwner(void* owner) { owner_ = owner; }
    // Stores the sink and opens the source; failures end the process.
    void prepare(Sink sink);
    bool prepared() const { return prepared_; }
    // Starts capturing and the worker. Retries, with a message each time, until it works.
    void start();
    // Ends the worker and capturing; returns once the worker has left the sink.
    void stop();
    // Stops if capturing and closes the source; prepare again before the next start.
    void release();
    bool capturing() const { return capturing_; }
    // Returns once no worker is running. Only needed after a sink stopped its own run: the
    // worker may still be finishing the blocks of its last read.
    void waitForWorker();

private:
    void run();

    std::unique_ptr<CaptureSource> source_;
    Host& host_;
    void* owner_ = nullptr;
    Sink sink_;
    bool prepared_ = false;
    std::atomic<bool> capturing_{false};  // also cleared by a sink that stops its own run
    std::atomic<bool> stopRequested_{false};
    std::vector<int16_t> buffer_;
    std::thread worker_;
};

}  // namespace tonik
