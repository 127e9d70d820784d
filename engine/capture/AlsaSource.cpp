#include "AlsaSource.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tonik {

namespace {

constexpr snd_pcm_uframes_t kBlock = 512;
constexpr unsigned kRate = 44100;
constexpr snd_pcm_uframes_t kBufferFrames = 16 * kBlock;  // 186 ms
// With less than two blocks of buffer the device overruns while one block is handed on.
constexpr snd_pcm_uframes_t kMinimumBufferFrames = 2 * kBlock;

// What snd_pcm_open answers for a name that is not defined or whose card is not there.
bool isMissingDevice(int error) { return error == -ENOENT || error == -ENODEV || error == -ENXIO; }

struct HwParamsFree {
    void operator()(snd_pcm_hw_params_t* params) const { snd_pcm_hw_params_free(params); }
};
struct SwParamsFree {
    void operator()(snd_pcm_sw_params_t* params) const { snd_pcm_sw_params_free(params); }
};

}  // namespace

struct AlsaSource::Device {
    std::string name;
    snd_pcm_t* pcm = nullptr;
    int wakeFd = -1;  // eventfd that interrupt writes; lives as long as the source
    std::atomic<bool> interrupted{false};
    std::vector<pollfd> fds;  // the PCM's descriptors, then wakeFd; filled at open
    int pcmFdCount = 0;

    bool configure();
    bool recover(int error);
    bool wait();
    void clearInterrupt();
};

bool AlsaSource::Device::configure() {
    snd_pcm_hw_params_t* rawHw = nullptr;
    if (snd_pcm_hw_params_malloc(&rawHw) < 0) return false;
    const std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree> hw(rawHw);
    snd_pcm_uframes_t period = kBlock, buffer = kBufferFrames;
    int direction = 0;
    if (snd_pcm_hw_params_any(pcm, hw.get()) < 0 ||
        snd_pcm_hw_params_set_rate_resample(pcm, hw.get(), 1) < 0 ||
        snd_pcm_hw_params_set_access(pcm, hw.get(), SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, hw.get(), SND_PCM_FORMAT_S16_LE) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, hw.get(), 1) < 0 ||
        snd_pcm_hw_params_set_rate(pcm, hw.get(), kRate, 0) < 0 ||
        snd_pcm_hw_params_set_period_size_near(pcm, hw.get(), &period, &direction) < 0 ||
        snd_pcm_hw_params_set_buffer_size_near(pcm, hw.get(), &buffer) < 0 ||
        snd_pcm_hw_params(pcm, hw.get()) < 0)
        return false;
    // Reads take whole blocks whatever the period; the buffer only has to hold two of them.
    if (snd_pcm_get_params(pcm, &buffer, &period) < 0 || buffer < kMinimumBufferFrames)
        return false;

    snd_pcm_sw_params_t* rawSw = nullptr;
    if (snd_pcm_sw_params_malloc(&rawSw) < 0) return false;
    const std::unique_ptr<snd_pcm_sw_params_t, SwParamsFree> sw(rawSw);
    // The descriptors signal only once a whole block is there.
    return snd_pcm_sw_params_current(pcm, sw.get()) >= 0 &&
           snd_pcm_sw_params_set_avail_min(pcm, sw.get(), kBlock) >= 0 &&
           snd_pcm_sw_params(pcm, sw.get()) >= 0;
}

bool AlsaSource::Device::recover(int error) {
    if (snd_pcm_recover(pcm, error, 1) < 0) return false;
    // An overrun leaves the PCM prepared; a resumed suspend is running already.
    if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) return snd_pcm_start(pcm) >= 0;
    return true;
}

bool AlsaSource::Device::wait() {
    if (::poll(fds.data(), fds.size(), -1) < 0) return errno == EINTR;
    // Plugins translate their descriptors' events; what is left is judged by the caller's next
    // look at the state and the available frames.
    unsigned short events = 0;
    return snd_pcm_poll_descriptors_revents(pcm, fds.data(), pcmFdCount, &events) >= 0;
}

void AlsaSource::Device::clearInterrupt() {
    interrupted.store(false);
    eventfd_t count = 0;
    eventfd_read(wakeFd, &count);  // non-blocking: nothing to drain is fine
}

AlsaSource::AlsaSource(std::string device) : device_(std::make_unique<Device>()) {
    device_->name = std::move(device);
    device_->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

AlsaSource::~AlsaSource() {
    close();
    if (device_->wakeFd >= 0) ::close(device_->wakeFd);
}

CaptureOpenResult AlsaSource::open() {
    close();
    Device& d = *device_;
    if (d.wakeFd < 0) return CaptureOpenResult::CannotOpen;
    // Non-blocking, so that a busy device refuses at once and a read never sleeps inside ALSA
    // where interrupt cannot reach it.
    const int error =
        snd_pcm_open(&d.pcm, d.name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (error < 0) {
        d.pcm = nullptr;
        return isMissingDevice(error) ? CaptureOpenResult::NoDevice : CaptureOpenResult::CannotOpen;
    }
    const int count = d.configure() ? snd_pcm_poll_descriptors_count(d.pcm) : -1;
    if (count <= 0) {
        close();
        return CaptureOpenResult::CannotConfigure;
    }
    d.fds.assign(count + 1, pollfd{});
    d.pcmFdCount = snd_pcm_poll_descriptors(d.pcm, d.fds.data(), count);
    if (d.pcmFdCount <= 0) {
        close();
        return CaptureOpenResult::CannotConfigure;
    }
    d.fds.resize(d.pcmFdCount + 1);
    d.fds.back() = pollfd{d.wakeFd, POLLIN, 0};
    return CaptureOpenResult::Ok;
}

bool AlsaSource::start() {
    Device& d = *device_;
    if (!d.pcm) return false;
    d.clearInterrupt();
    snd_pcm_drop(d.pcm);
    return snd_pcm_prepare(d.pcm) >= 0 && snd_pcm_start(d.pcm) >= 0;
}

int AlsaSource::read(int16_t* out, int maxSamples) {
    Device& d = *device_;
    if (!d.pcm) return -1;
    const snd_pcm_uframes_t room =
        maxSamples > 0 ? snd_pcm_uframes_t(maxSamples) / kBlock * kBlock : 0;
    if (room == 0) return 0;

    snd_pcm_uframes_t got = 0;
    for (;;) {
        if (d.interrupted.load()) return 0;
        int error = 0;
        snd_pcm_sframes_t frames = 0;
        switch (snd_pcm_state(d.pcm)) {
            case SND_PCM_STATE_RUNNING: break;
            case SND_PCM_STATE_XRUN: error = -EPIPE; break;
            case SND_PCM_STATE_SUSPENDED: error = -ESTRPIPE; break;
            default: return -1;  // stopped, never started, or disconnected
        }
        if (error == 0) {
            const snd_pcm_sframes_t avail = snd_pcm_avail_update(d.pcm);
            const snd_pcm_uframes_t partial = got % kBlock;
            const snd_pcm_uframes_t needed = partial ? kBlock - partial : kBlock;
            if (avail < 0) {
                error = static_cast<int>(avail);
            } else if (snd_pcm_uframes_t(avail) < needed) {
                if (!d.wait()) return -1;
                continue;
            } else {
                const snd_pcm_uframes_t whole = snd_pcm_uframes_t(avail) / kBlock * kBlock;
                const snd_pcm_uframes_t wanted = partial ? needed : std::min(whole, room - got);
                frames = snd_pcm_readi(d.pcm, out + got, wanted);
                if (frames == -EAGAIN) {
                    if (!d.wait()) return -1;
                    continue;
                }
                if (frames < 0) error = static_cast<int>(frames);
            }
        }
        if (error < 0) {
            if (!d.recover(error)) return -1;
            // The samples before an overrun and after it do not join up: a block begun before
            // it is given up, whole blocks already read are handed on.
            got = got / kBlock * kBlock;
            if (got > 0) return static_cast<int>(got);
            continue;
        }
        got += snd_pcm_uframes_t(frames);
        if (got > 0 && got % kBlock == 0) return static_cast<int>(got);
    }
}

void AlsaSource::interrupt() {
    device_->interrupted.store(true);
    if (device_->wakeFd >= 0) eventfd_write(device_->wakeFd, 1);
}

void AlsaSource::stop() {
    Device& d = *device_;
    d.clearInterrupt();
    if (d.pcm) snd_pcm_drop(d.pcm);
}

void AlsaSource::close() {
    Device& d = *device_;
    if (d.pcm) snd_pcm_close(d.pcm);
    d.pcm = nullptr;
    d.fds.clear();
    d.pcmFdCount = 0;
}

std::vector<std::string> AlsaSource::captureDevices(int limit) {
    std::vector<std::string> names;
    void** hints = nullptr;
    if (limit <= 0 || snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return names;
    for (void** hint = hints; *hint && int(names.size()) < limit; ++hint) {
        char* name = snd_device_name_get_hint(*hint, "NAME");
        char* direction = snd_device_name_get_hint(*hint, "IOID");  // none: both directions
        if (name && (!direction || std::strcmp(direction, "Input") == 0)) names.emplace_back(name);
        std::free(name);
        std::free(direction);
    }
    snd_device_name_free_hint(hints);
    return names;
}

}  // namespace tonik
