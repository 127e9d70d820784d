// The embedded synthesizer, rendered offline: what it plays is heard back through the pitch
// engine, so a message decoded wrongly shows up as a wrong or missing pitch.
#include "editor/midi/FluidSynthDevice.h"

#include "support/TempFolder.h"

#include "tonik.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace hummwell;

constexpr int kHalfSecond = FluidSynthDevice::kSampleRate / 2;
constexpr int kOboe = 68;

// Sets or clears a variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// `frames` of the synth's output as mono, rendered in driver-sized periods.
std::vector<float> renderMono(FluidSynthDevice& synth, int frames) {
    std::vector<float> out(frames), left(FluidSynthDevice::kPeriodFrames),
        right(FluidSynthDevice::kPeriodFrames);
    for (int at = 0; at < frames; at += FluidSynthDevice::kPeriodFrames) {
        const int n = std::min(FluidSynthDevice::kPeriodFrames, frames - at);
        EXPECT_TRUE(synth.render(left.data(), right.data(), n));
        for (int i = 0; i < n; ++i) out[at + i] = 0.5f * (left[i] + right[i]);
    }
    return out;
}

// RMS of the last 100 ms, dB full scale.
double tailLevelDb(const std::vector<float>& x) {
    const size_t from = x.size() - FluidSynthDevice::kSampleRate / 10;
    double sum = 0.0;
    for (size_t i = from; i < x.size(); ++i) sum += double(x[i]) * x[i];
    return 10.0 * std::log10(sum / double(x.size() - from) + 1e-30);
}

std::vector<double> detected;
int keepPitch(const FrameResult* r) {
    if (r->pitch >= 1.0) detected.push_back(r->pitch);
    return 0;
}
int ignoreLevel(const LevelResult*) { return 0; }

// The median pitch the engine hears in `x`, 0 when it hears none.
double medianPitch(const std::vector<float>& x) {
    static const bool gateOpen = [] {
        ::setenv("TONIK_CAPTURE", "silence", 1);  // samples are pushed: no microphone
        tonik_initialize(nullptr);
        tonik_volume_start(nullptr, ignoreLevel);
        tonik_volume_stop(-100.0);
        return true;
    }();
    (void)gateOpen;
    std::vector<int16_t> pcm(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        pcm[i] = static_cast<int16_t>(std::lrint(std::clamp(x[i], -1.0f, 1.0f) * 32767.0f));
    detected.clear();
    tonik_start_file(nullptr, keepPitch);
    tonik_send(pcm.data(), static_cast<int>(pcm.size()), 0);
    tonik_stop_file();
    if (detected.empty()) return 0.0;
    std::nth_element(detected.begin(), detected.begin() + detected.size() / 2, detected.end());
    return detected[detected.size() / 2];
}

struct FluidSynthOffline : ::testing::Test {
    void SetUp() override {
        std::string problem;
        ASSERT_TRUE(synth.open(problem)) << problem;
    }
    void send(int status, int channel, int d1, int d2) {
        synth.send(packShortMessage(status, channel, d1, d2));
    }
    ScopedEnv installedSoundfont{"HUMMWELL_SOUNDFONT", nullptr};
    FluidSynthDevice synth{FluidSynthDevice::Output::Offline};
};

// The detector is good to a few cents on steady tones; 0.3 semitones leaves room for the
// attack and for the piano's stretched tuning, and is still far from any neighbouring note.
TEST_F(FluidSynthOffline, PlaysTheNotesSentOnPianoAndOboe) {
    for (const int program : {0, kOboe}) {
        SCOPED_TRACE("program " + std::to_string(program));
        send(0xC0, 0, program, 0);
        for (const int note : {69, 60}) {
            send(0x90, 0, note, 100);
            EXPECT_NEAR(medianPitch(renderMono(synth, kHalfSecond)), note, 0.3) << note;
            send(0x80, 0, note, 0);
            renderMono(synth, kHalfSecond);  // the release, kept out of the next note
        }
    }
}

TEST_F(FluidSynthOffline, ProgramChangeSelectsAnotherSound) {
    // Each take on a fresh synth: reverb and chorus carry state from one note to the next.
    const auto take = [&](int program) {
        std::string problem;
        EXPECT_TRUE(synth.open(problem)) << problem;
        send(0xC0, 2, program, 0);
        send(0x90, 2, 69, 100);
        return renderMono(synth, kHalfSecond);
    };
    const std::vector<float> piano = take(0), oboe = take(kOboe), pianoAgain = take(0);
    double differs = 0.0, signal = 0.0, repeats = 0.0;
    for (size_t i = 0; i < piano.size(); ++i) {
        differs += std::pow(piano[i] - oboe[i], 2);
        repeats += std::pow(piano[i] - pianoAgain[i], 2);
        signal += std::pow(piano[i], 2);
    }
    EXPECT_GT(differs, 0.5 * signal);
    EXPECT_LT(repeats, 1e-6 * signal) << "the same program should sound the same";
}

// An oboe holds its level while the key is down; after a note-off the voice has been released
// for half a second and should be gone. A note-off on another channel must not end it.
TEST_F(FluidSynthOffline, NoteOffEndsTheNoteOnItsChannelOnly) {
    send(0xC0, 1, kOboe, 0);
    struct Case {
        const char* what;
        int status, channel, velocity;
        bool ends;
    };
    for (const Case c : {Case{"note-off", 0x80, 1, 64, true},
                         Case{"note-on velocity 0", 0x90, 1, 0, true},
                         Case{"note-off on channel 0", 0x80, 0, 64, false}}) {
        SCOPED_TRACE(c.what);
        send(0x90, 1, 69, 100);
        const double held = tailLevelDb(renderMono(synth, kHalfSecond));
        send(c.status, c.channel, 69, c.velocity);
        const double after = tailLevelDb(renderMono(synth, kHalfSecond));
        EXPECT_GT(held, -50.0);
        if (c.ends)
            EXPECT_LT(after, held - 30.0);
        else
            EXPECT_GT(after, held - 6.0);
        send(0xB0, 1, 120, 0);
        renderMono(synth, kHalfSecond);
    }
}

// RPN 0 sets the bend range to 12 semitones; 1365 of 8192 is then 2.0 semitones each way. With
// the default range of 2 the same bend would move the note by a third of a semitone only.
TEST_F(FluidSynthOffline, PitchBendMovesByTheRangeSetWithRpnZero) {
    send(0xC0, 3, kOboe, 0);
    for (const auto& [controller, value] : {std::pair{101, 0}, {100, 0}, {6, 12}, {38, 0}})
        send(0xB0, 3, controller, value);
    for (const int bend : {8192 + 1365, 8192 - 1365}) {
        SCOPED_TRACE(bend);
        send(0xE0, 3, bend & 0x7F, bend >> 7);
        send(0x90, 3, 60, 100);
        EXPECT_NEAR(medianPitch(renderMono(synth, kHalfSecond)), bend > 8192 ? 62.0 : 58.0,
                    0.3);
        send(0x80, 3, 60, 0);
        renderMono(synth, kHalfSecond);
    }
}

TEST_F(FluidSynthOffline, ReopeningStartsFromSilence) {
    send(0x90, 0, 69, 100);
    std::string problem;
    ASSERT_TRUE(synth.open(problem)) << problem;
    EXPECT_LT(tailLevelDb(renderMono(synth, kHalfSecond)), -100.0);
}

TEST(FluidSynthDevice, ClosedDeviceIgnoresMessagesAndRendersSilence) {
    ScopedEnv installed("HUMMWELL_SOUNDFONT", nullptr);
    FluidSynthDevice synth(FluidSynthDevice::Output::Offline);
    std::vector<float> left(64, 1.0f), right(64, 1.0f);
    const auto rendersNothing = [&] {
        synth.send(packShortMessage(0x90, 0, 69, 100));
        std::fill(left.begin(), left.end(), 1.0f);
        const bool rendered = synth.render(left.data(), right.data(), 64);
        return !rendered && std::all_of(left.begin(), left.end(), [](float v) { return v == 0; });
    };
    EXPECT_TRUE(rendersNothing()) << "never opened";
    std::string problem;
    ASSERT_TRUE(synth.open(problem)) << problem;
    synth.close();
    EXPECT_FALSE(synth.isOpen());
    EXPECT_TRUE(rendersNothing()) << "closed";
}

TEST(FluidSynthDevice, MissingOrBrokenSoundfontFailsWithAReason) {
    testsignals::TempFolder folder;
    const auto write = [&](const char* name, const std::string& bytes) {
        const std::string path = folder.path + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    const std::string sfbk("RIFF\x08\0\0\0sfbk", 12);  // 4 bytes short of the size it claims
    const std::string text = write("notes.sf2", "RIFF but not a soundfont");
    const std::string truncated = write("cut.sf2", sfbk);
    const std::string empty = write("empty.sf2", sfbk + "LIST");
    struct Case {
        std::string path, reason;
        bool quiet;  // FluidSynth's DLS loader has its say through GLib on a refused file
    };
    for (const Case& c : {Case{"/nonexistent", "soundfont /nonexistent cannot be read: ", true},
                          Case{text, "soundfont " + text + " is not a SoundFont 2 or DLS file",
                               true},
                          Case{truncated, "soundfont " + truncated + " is truncated", true},
                          Case{empty, "cannot load soundfont " + empty + ": ", false}}) {
        ScopedEnv chosen("HUMMWELL_SOUNDFONT", c.path.c_str());
        EXPECT_EQ(FluidSynthDevice::soundfontPath(), c.path);
        for (const auto output :
             {FluidSynthDevice::Output::Offline, FluidSynthDevice::Output::AudioDriver}) {
            FluidSynthDevice synth(output);
            std::string problem;
            ::testing::internal::CaptureStderr();
            EXPECT_FALSE(synth.open(problem));
            const std::string printed = ::testing::internal::GetCapturedStderr();
            if (c.quiet) {
                EXPECT_EQ(printed, "");
            }
            EXPECT_FALSE(synth.isOpen());
            EXPECT_EQ(problem.rfind(c.reason, 0), 0u) << problem;
            EXPECT_EQ(problem.find('\n'), std::string::npos) << problem;
        }
    }
}

// CI has no sound card and no sound server: the audio output must then fail with one line
// that names every driver tried, and neither library may print anything of its own.
TEST(FluidSynthDevice, AudioOutputOpensOrSaysWhyInOneLine) {
    ScopedEnv installed("HUMMWELL_SOUNDFONT", nullptr);
    FluidSynthDevice synth;
    std::string problem;
    ::testing::internal::CaptureStderr();
    const bool opened = synth.open(problem);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "");
    EXPECT_EQ(synth.isOpen(), opened);
    if (opened) {
        EXPECT_FALSE(synth.audioDriver().empty());
        std::vector<float> left(64), right(64);
        EXPECT_FALSE(synth.render(left.data(), right.data(), 64)) << "the driver renders";
        synth.send(packShortMessage(0x90, 0, 69, 1));
        synth.send(packShortMessage(0x80, 0, 69, 0));
    } else {
        EXPECT_EQ(problem.rfind("no audio output: alsa: ", 0), 0u) << problem;
        EXPECT_EQ(problem.find('\n'), std::string::npos) << problem;
        EXPECT_TRUE(synth.audioDriver().empty());
        synth.send(packShortMessage(0x90, 0, 69, 1));  // closed: ignored
    }
    synth.close();
    EXPECT_FALSE(synth.isOpen());
}

}  // namespace
