// Stand-ins for the engine's platform layers: a host that records every message and answers
// from a script, a capture source fed by the test, and a mixer with scripted failures.
#pragma once

#include "capture/CaptureSource.h"
#include "host/Host.h"
#include "mixer/MixerBackend.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testdoubles {

struct ProcessExit {
    int code;
};

class ScriptedHost final : public tonik::Host {
public:
    struct Message {
        std::string text, caption;
        TonikIcon icon;
        TonikButtons buttons;
    };
    std::vector<Message> messages;
    std::deque<int> answers;  // answers to give, in order; OK/Cancel when empty
    int quitRequests = 0;

    int showMessage(void*, const std::string& text, const char* caption, TonikIcon icon,
                    TonikButtons buttons) override {
        messages.push_back({text, caption, icon, buttons});
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == TONIK_BUTTONS_OK ? TONIK_ANSWER_OK : TONIK_ANSWER_CANCEL;
    }
    void postQuit() override { ++quitRequests; }
    void exitProcess(int code) override { throw ProcessExit{code}; }
};

// Hands out exactly what the test feeds, as a device would after its notifications.
class FedCaptureSource final : public tonik::CaptureSource {
public:
    tonik::CaptureOpenResult openResult = tonik::CaptureOpenResult::Ok;
    std::string openProblem;  // what problem() says after a failed open
    int startFailures = 0;  // how many starts fail before one works

    void feed(const std::vector<int16_t>& samples) {
        {
            std::lock_guard lock(mutex_);
            pending_.insert(pending_.end(), samples.begin(), samples.end());
        }
        wake_.notify_all();
    }
    int starts() const { return starts_; }
    int closes() const { return closes_; }

    tonik::CaptureOpenResult open() override { return openResult; }
    std::string problem() const override { return openProblem; }
    bool start() override {
        ++starts_;
        if (startFailures > 0) {
            --startFailures;
            return false;
        }
        std::lock_guard lock(mutex_);
        pending_.clear();
        interrupted_ = false;
        return true;
    }
    int read(int16_t* out, int maxSamples) override {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return interrupted_ || pending_.size() >= 512; });
        if (interrupted_) return 0;
        const int count = static_cast<int>(std::min<size_t>(pending_.size() / 512 * 512, maxSamples));
        std::copy(pending_.begin(), pending_.begin() + count, out);
        pending_.erase(pending_.begin(), pending_.begin() + count);
        return count;
    }
    void interrupt() override {
        {
            std::lock_guard lock(mutex_);
            interrupted_ = true;
        }
        wake_.notify_all();
    }
    void stop() override {
        std::lock_guard lock(mutex_);
        pending_.clear();
    }
    void close() override { ++closes_; }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<int16_t> pending_;
    bool interrupted_ = false;
    int starts_ = 0;
    int closes_ = 0;
};

class ScriptedMixer final : public tonik::MixerBackend {
public:
    bool hasMute = true, hasBoost = true, hasVolume = true;
    std::deque<int> openResults;        // results of the next opens; 0 when empty
    int volumeReadFailures = 0;         // the next volume reads fail with 0x20
    uint32_t mute = 0, boost = 0, volume = 1000, minimum = 0, maximum = 65535;
    std::vector<std::pair<tonik::MixerControl, uint32_t>> writes;

    int open() override {
        if (openResults.empty()) return 0;
        const int result = openResults.front();
        openResults.pop_front();
        return result;
    }
    void close() override {}
    bool has(tonik::MixerControl c) const override {
        using C = tonik::MixerControl;
        return c == C::PlaybackMute ? hasMute : c == C::Boost ? hasBoost : hasVolume;
    }
    int read(tonik::MixerControl c, uint32_t& value) override {
        if (c == tonik::MixerControl::RecordingVolume && volumeReadFailures > 0) {
            --volumeReadFailures;
            return 0x20;
        }
        value = slot(c);
        return 0;
    }
    int write(tonik::MixerControl c, uint32_t value) override {
        writes.emplace_back(c, value);
        slot(c) = value;
        return 0;
    }
    uint32_t volumeMinimum() const override { return minimum; }
    uint32_t volumeMaximum() const override { return maximum; }

private:
    uint32_t& slot(tonik::MixerControl c) {
        using C = tonik::MixerControl;
        return c == C::PlaybackMute ? mute : c == C::Boost ? boost : volume;
    }
};

// Polls until `done` holds or two seconds have passed.
inline bool eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace testdoubles
