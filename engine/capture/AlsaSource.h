// Live capture from an ALSA PCM: 16-bit mono at exactly 44,100 Hz (plug devices such as
// "default" may convert), a period of about 512 frames and a buffer of about 16 of them.
// open/start/stop/close run on the application thread, read on the recorder's worker thread,
// interrupt on any thread. read waits on the PCM and on an event of its own, without a
// time-out, and allocates nothing.
#pragma once

#include "CaptureSource.h"

#include <memory>
#include <string>
#include <vector>

namespace tonik {

class AlsaSource final : public CaptureSource {
public:
    explicit AlsaSource(std::string device = "default");
    ~AlsaSource() override;
    AlsaSource(const AlsaSource&) = delete;
    AlsaSource& operator=(const AlsaSource&) = delete;

    // NoDevice when the name is unknown or its card is absent, CannotOpen for any other
    // refusal (busy, no permission, a broken definition), CannotConfigure when the device
    // cannot deliver the format or holds fewer than two blocks.
    CaptureOpenResult open() override;
    // Drops whatever the device holds and starts a fresh run; clears an interrupt.
    bool start() override;
    // Overruns and suspends are recovered and the run goes on; -1 only when the device is
    // gone or was not started.
    int read(int16_t* out, int maxSamples) override;
    // Every read returns 0 at once until the next start or stop.
    void interrupt() override;
    // Discards what was captured and not yet read; clears an interrupt.
    void stop() override;
    void close() override;

    // Names of the PCMs that can capture, in the order the sound system lists them, at most
    // `limit` of them.
    static std::vector<std::string> captureDevices(int limit = 20);

private:
    struct Device;
    std::unique_ptr<Device> device_;
};

}  // namespace tonik
