// The exported C functions: thin shims over the one process-wide PitchEngine.
#include "PitchEngine.h"
#include "host/Host.h"
#include "tonik.h"

#include <type_traits>

namespace {

tonik::InstalledHost& host() {
    static tonik::InstalledHost instance;
    return instance;
}

tonik::PitchEngine& engine() {
    static tonik::PitchEngine instance(tonik::backendsFromEnvironment(), host());
    return instance;
}

// No exception may cross into a C caller: a failure (out of memory at set-up) makes the call
// do nothing and return its neutral result.
template <typename Call, typename Result = std::invoke_result_t<Call>>
Result guarded(Call call, Result neutral = Result()) noexcept {
    try {
        return call();
    } catch (...) {
        return neutral;
    }
}

template <typename Call>
void guarded(Call call) noexcept {
    try {
        call();
    } catch (...) {
    }
}

}  // namespace

extern "C" {

TONIK_API void tonik_initialize(void* ownerWindow) {
    guarded([=] { engine().initialize(ownerWindow); });
}

TONIK_API void tonik_start(void* ownerWindow, FrameResultCallback callback) {
    guarded([=] { engine().start(ownerWindow, callback); });
}

TONIK_API void tonik_stop(void) {
    guarded([] { engine().stop(); });
}

TONIK_API void tonik_volume_start(void* ownerWindow, LevelResultCallback callback) {
    guarded([=] { engine().volumeStart(ownerWindow, callback); });
}

TONIK_API void tonik_volume_stop(double noiseLevel) {
    guarded([=] { engine().volumeStop(noiseLevel); });
}

TONIK_API int tonik_volume_change(double volume, int boost, int peakLevel) {
    return guarded([=] { return engine().volumeChange(volume, boost, peakLevel); }, 1);
}

TONIK_API void tonik_start_file(void* ownerWindow, FrameResultCallback callback) {
    guarded([=] { engine().startFile(ownerWindow, callback); });
}

TONIK_API void tonik_start_file_levels(void* ownerWindow, FrameResultCallback callback,
                                       double noiseLevel, int peakLevel) {
    guarded([=] { engine().startFile(ownerWindow, callback, tonik::RunLevels{noiseLevel, peakLevel}); });
}

TONIK_API void tonik_stop_file(void) {
    guarded([] { engine().stopFile(); });
}

TONIK_API int tonik_send(const int16_t* samples, int count, int /*unused*/) {
    return guarded([=] { return engine().send(samples, count); }, 0);
}

TONIK_API void tonik_clear(void) {
    guarded([] { engine().clear(); });
}

TONIK_API void tonik_set_host(const TonikHost* hostHooks) {
    guarded([=] { host().install(hostHooks); });
}

}  // extern "C"
