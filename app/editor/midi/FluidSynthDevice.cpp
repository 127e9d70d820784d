#include "FluidSynthDevice.h"

#include "document/MidiStatus.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>

// alsa-lib 1.2.8 declares snd_lib_error_set_local after its header's extern "C" block ends.
extern "C" {
#include <alsa/error.h>
}

namespace hummwell {

namespace {

// Installed soundfonts, the smallest General MIDI set first: it loads fastest.
constexpr const char* kInstalledSoundfonts[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/soundfonts/default.sf2",
};

// Audio drivers in the order they are tried, where FluidSynth was built with them. Plain ALSA
// first: it has the shortest path to the card, and on desktops its "default" device reaches
// the sound server anyway.
constexpr const char* kAudioDrivers[] = {"alsa", "pulseaudio", "pipewire"};

// The last error FluidSynth or ALSA reported on this thread, kept so that open() can give the
// reason instead of the libraries printing it. Per thread, so that an error logged by the
// driver's thread neither races with open() nor allocates there.
thread_local char fluidError[256];
thread_local char alsaError[256];

void keepFluidError(int, const char* message, void*) {
    std::snprintf(fluidError, sizeof fluidError, "%s", message);
}

void keepAlsaError(const char*, int, const char*, int, const char* format, va_list arguments) {
    std::vsnprintf(alsaError, sizeof alsaError, format, arguments);
}

// FluidSynth's log configuration is process-wide: set once, before any synth exists, so no
// driver thread reads it while it changes.
void quietFluidSynth() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_PANIC, keepFluidError, nullptr);
        fluid_set_log_function(FLUID_ERR, keepFluidError, nullptr);
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

std::string takeFluidError() {
    std::string message = fluidError;
    fluidError[0] = '\0';
    return message.empty() ? "unknown error" : message;
}

// ALSA prints its errors by default; while a driver opens on this thread they are kept
// instead. Only this thread's handler changes, so the engine's capture is not affected.
class QuietAlsa {
public:
    QuietAlsa() : previous_(snd_lib_error_set_local(keepAlsaError)) { alsaError[0] = '\0'; }
    ~QuietAlsa() { snd_lib_error_set_local(previous_); }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

private:
    snd_local_error_handler_t previous_;
};

// Why `path` cannot be a soundfont, empty when it may be one. Checked before FluidSynth sees
// the file: when its own loader refuses one, the DLS loader it tries next complains on stderr
// through GLib.
std::string notASoundfont(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::string("cannot be read: ") + std::strerror(errno);
    unsigned char head[12] = {};
    const size_t got = std::fread(head, 1, sizeof head, file);
    const bool sized = std::fseek(file, 0, SEEK_END) == 0;
    const long bytes = sized ? std::ftell(file) : -1;
    std::fclose(file);
    const bool riff = got == sizeof head && std::memcmp(head, "RIFF", 4) == 0;
    if (!riff || (std::memcmp(head + 8, "sfbk", 4) != 0 && std::memcmp(head + 8, "DLS ", 4) != 0))
        return "is not a SoundFont 2 or DLS file";
    // The RIFF size, little-endian, counts everything after the first 8 bytes.
    const unsigned long riffBytes = head[4] | head[5] << 8 | head[6] << 16 |
                                    static_cast<unsigned long>(head[7]) << 24;
    if (bytes >= 0 && static_cast<unsigned long>(bytes) < riffBytes + 8) return "is truncated";
    return {};
}

bool offersAudioDriver(fluid_settings_t* settings, const char* name) {
    struct Search {
        const char* name;
        bool found;
    } search{name, false};
    fluid_settings_foreach_option(settings, "audio.driver", &search,
                                  [](void* data, const char*, const char* option) {
                                      auto* s = static_cast<Search*>(data);
                                      if (std::strcmp(option, s->name) == 0) s->found = true;
                                  });
    return search.found;
}

}  // namespace

struct FluidSynthDevice::Synth {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_audio_driver_t* driver = nullptr;

    Synth() = default;
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;
    // The driver renders from the synth, which reads the settings: end them in that order.
    ~Synth() {
        if (driver) delete_fluid_audio_driver(driver);
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

FluidSynthDevice::FluidSynthDevice(Output output) : output_(output) {}

FluidSynthDevice::~FluidSynthDevice() { close(); }

std::string FluidSynthDevice::soundfontPath() {
    if (const char* chosen = std::getenv("HUMMWELL_SOUNDFONT"); chosen && *chosen) return chosen;
    for (const char* path : kInstalledSoundfonts)
        if (::access(path, R_OK) == 0) return path;
    return {};
}

bool FluidSynthDevice::open(std::string& problem) {
    close();
    quietFluidSynth();
    fluidError[0] = '\0';
    const std::string soundfont = soundfontPath();
    if (soundfont.empty()) {
        problem = "no soundfont found (set HUMMWELL_SOUNDFONT)";
        return false;
    }
    if (std::string why = notASoundfont(soundfont); !why.empty()) {
        problem = "soundfont " + soundfont + " " + why;
        return false;
    }

    auto s = std::make_unique<Synth>();
    s->settings = new_fluid_settings();
    if (!s->settings) {
        problem = "cannot start the synthesizer: " + takeFluidError();
        return false;
    }
    // send() runs on the capture or UI thread while the driver's thread renders. We rely on
    // the thread-safe API (FluidSynth's default, set here so that it cannot change under us):
    // every synth call takes the synth's own mutex. A message that arrives during a period
    // sounds in that period or the next one, hence the short period.
    fluid_settings_setint(s->settings, "synth.threadsafe-api", 1);
    fluid_settings_setnum(s->settings, "synth.sample-rate", kSampleRate);
    fluid_settings_setint(s->settings, "audio.period-size", kPeriodFrames);
    fluid_settings_setint(s->settings, "audio.periods", kPeriods);

    s->synth = new_fluid_synth(s->settings);
    if (!s->synth) {
        problem = "cannot start the synthesizer: " + takeFluidError();
        return false;
    }
    if (fluid_synth_sfload(s->synth, soundfont.c_str(), 1) == FLUID_FAILED) {
        problem = "cannot load soundfont " + soundfont + ": " + takeFluidError();
        return false;
    }

    std::string driverName;
    if (output_ == Output::AudioDriver) {
        std::string failures;
        QuietAlsa quiet;
        for (const char* name : kAudioDrivers) {
            if (!offersAudioDriver(s->settings, name)) continue;
            fluid_settings_setstr(s->settings, "audio.driver", name);
            alsaError[0] = '\0';
            s->driver = new_fluid_audio_driver(s->settings, s->synth);
            if (s->driver) {
                driverName = name;
                break;
            }
            if (!failures.empty()) failures += "; ";
            failures += std::string(name) + ": " + takeFluidError();
            if (alsaError[0]) failures += std::string(" (") + alsaError + ")";
        }
        if (!s->driver) {
            problem = "no audio output: " + (failures.empty() ? "no audio driver" : failures);
            return false;
        }
    }
    synth_ = std::move(s);
    audioDriver_ = driverName;
    return true;
}

void FluidSynthDevice::close() {
    synth_.reset();
    audioDriver_.clear();
}

bool FluidSynthDevice::isOpen() const { return synth_ != nullptr; }

void FluidSynthDevice::send(uint32_t packed) {
    if (!synth_) return;
    fluid_synth_t* synth = synth_->synth;
    const int status = static_cast<int>(packed & 0xF0);
    const int channel = static_cast<int>(packed & 0x0F);
    const int data1 = static_cast<int>((packed >> 8) & 0x7F);
    const int data2 = static_cast<int>((packed >> 16) & 0x7F);
    // Return values are dropped on purpose: a note-off for a note that is not sounding fails,
    // and nothing else here can fail with valid 7-bit data.
    switch (status) {
    case kNoteOff:
        fluid_synth_noteoff(synth, channel, data1);
        break;
    case kNoteOn:
        if (data2 == 0)
            fluid_synth_noteoff(synth, channel, data1);
        else
            fluid_synth_noteon(synth, channel, data1, data2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(synth, channel, data1, data2);
        break;
    case kControl:
        // Includes RPN 0 (pitch-bend sensitivity) and the channel mode messages 120..127.
        fluid_synth_cc(synth, channel, data1, data2);
        break;
    case kProgram:
        fluid_synth_program_change(synth, channel, data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synth, channel, data1);
        break;
    case kPitchBend:
        fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7));
        break;
    case 0xF0:
        if ((packed & 0xFF) == 0xFF) fluid_synth_system_reset(synth);
        break;
    default:
        break;  // a data byte where the status belongs: packed messages have no running status
    }
}

bool FluidSynthDevice::render(float* left, float* right, int frames) {
    if (frames <= 0) return true;
    if (!synth_ || output_ != Output::Offline) {
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
        return false;
    }
    return fluid_synth_write_float(synth_->synth, frames, left, 0, 1, right, 0, 1) == FLUID_OK;
}

}  // namespace hummwell
