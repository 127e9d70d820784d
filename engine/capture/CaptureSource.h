// Where live samples come from: 16-bit mono at 44,100 Hz, handed out in whole 512-sample
// blocks. open/start/stop/close run on the application thread; read runs on the recorder's
// worker thread; interrupt may be called from any thread and makes a waiting read return.
#pragma once

#include <cstdint>
#include <string>

namespace tonik {

enum class CaptureOpenResult {
    Ok,
    NoDevice,         // nothing to capture from
    CannotOpen,       // the device exists but cannot be opened
    CannotConfigure,  // the format or the buffer cannot be set up
};

class CaptureSource {
public:
    virtual ~CaptureSource() = default;
    virtual CaptureOpenResult open() = 0;
    // After a failed open: the whole message for the user when the source can say more than
    // the result does (which file, and why); empty for the standard message.
    virtual std::string problem() const { return {}; }
    // Starts (or restarts) capturing into a fresh buffer; false when that failed.
    virtual bool start() = 0;
    // Waits until at least one whole block is available, then copies every whole block there
    // is, up to maxSamples (a multiple of 512). Returns the number of samples copied (0 when
    // interrupted) or -1 on a device error.
    virtual int read(int16_t* out, int maxSamples) = 0;
    virtual void interrupt() = 0;
    // Stops capturing; samples not yet read are dropped.
    virtual void stop() = 0;
    virtual void close() = 0;
};

}  // namespace tonik
