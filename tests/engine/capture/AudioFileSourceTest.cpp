// The sources without hardware: an audio file or silence at a microphone's pace, scaled by the
// software mixer's gain.
#include "capture/SilenceSource.h"
#include "capture/AudioFileSource.h"
#include "mixer/SoftwareMixer.h"

#include "../../support/AudioWriter.h"
#include "../../support/TempFolder.h"
#include "../../support/WavWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <thread>

using namespace tonik;
using testsignals::TempFolder;
using testsignals::wavBytes;
using testsignals::writeBytes;

namespace {

std::vector<int16_t> ramp(int count) {
    std::vector<int16_t> out(count);
    for (int i = 0; i < count; ++i) out[i] = static_cast<int16_t>(i % 30000 - 15000);
    return out;
}

// Reads a whole run from a started source, block by block as the recorder would.
std::vector<int16_t> readRun(CaptureSource& source, int samples) {
    std::vector<int16_t> out, buffer(8192);
    while (static_cast<int>(out.size()) < samples) {
        const int n = source.read(buffer.data(), 8192);
        EXPECT_GT(n, 0);
        EXPECT_EQ(n % 512, 0);
        if (n <= 0) break;
        out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    }
    return out;
}

}  // namespace

// Any rate and channel count plays: a 1 kHz tone recorded at 48 kHz in stereo arrives at
// 44,100 Hz, still crossing zero 2,000 times a second.
TEST(AudioFileSource, PlaysAnyRateAndChannelCountAtTheEnginesRate) {
    TempFolder dir;
    const std::string path = dir.path + "/take.flac";
    testsignals::writeAudio(path, testsignals::sine(1000.0, 0.5, 48000, 2), 48000, 2,
                            SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    AudioFileSource source(path, nullptr, 50.0);
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok) << source.problem();
    ASSERT_TRUE(source.start());
    const std::vector<int16_t> got = readRun(source, 50 * 512);
    EXPECT_NEAR(testsignals::zeroCrossings(got, 1000, 21000), 2000.0 * 20000 / 44100, 2.0);
    // Half a second is 22,050 samples; silence follows.
    EXPECT_TRUE(std::all_of(got.begin() + 22060, got.end(), [](int16_t s) { return s == 0; }));
    EXPECT_NE(got[22000], 0);
}

// A file that cannot be used is named with the reason: a missing one is "no device", anything
// else a device that cannot be set up, so the recorder's fatal exit follows either way.
TEST(AudioFileSource, NamesTheFileAndTheReasonWhenItCannotBeUsed) {
    TempFolder dir;
    AudioFileSource missing(dir.path + "/missing.wav");
    EXPECT_EQ(missing.open(), CaptureOpenResult::NoDevice);
    EXPECT_EQ(missing.problem(), "ERROR: Can not use the capture file \"" + dir.path +
                                     "/missing.wav\": no such file.");
    writeBytes(dir.path + "/x.wav", {'R', 'I', 'F', 'F', 0, 0, 0, 0});
    AudioFileSource garbage(dir.path + "/x.wav");
    EXPECT_EQ(garbage.open(), CaptureOpenResult::CannotConfigure);
    EXPECT_EQ(garbage.problem().rfind("ERROR: Can not use the capture file \"" + dir.path +
                                          "/x.wav\": not an audio file that can be read (", 0),
              0u)
        << garbage.problem();
    AudioFileSource folder(dir.path);
    EXPECT_EQ(folder.open(), CaptureOpenResult::CannotConfigure);
    EXPECT_NE(folder.problem().find("is a folder"), std::string::npos);
}

TEST(AudioFileSource, PlaysTheFileFromTheStartOfEveryRunThenSilence) {
    TempFolder dir;
    const std::vector<int16_t> tone = ramp(3 * 512 + 100);
    writeBytes(dir.path + "/take.wav", wavBytes(tone));
    AudioFileSource source(dir.path + "/take.wav", nullptr, 50.0);
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(source.start());
        const std::vector<int16_t> got = readRun(source, 6 * 512);
        ASSERT_GE(got.size(), 6u * 512);
        EXPECT_TRUE(std::equal(tone.begin(), tone.end(), got.begin())) << "run " << run;
        EXPECT_TRUE(std::all_of(got.begin() + tone.size(), got.end(), [](int16_t s) { return s == 0; }));
        source.stop();
    }
}

TEST(AudioFileSource, KeepsAMicrophonesPace) {
    TempFolder dir;
    writeBytes(dir.path + "/take.wav", wavBytes(ramp(44100)));
    AudioFileSource source(dir.path + "/take.wav");
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(source.start());
    readRun(source, 10 * 512);  // 116 ms of sound
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_GE(seconds, 10 * 512 / 44100.0 - 0.002) << "blocks cannot come before they are recorded";
}

TEST(AudioFileSource, InterruptEndsAWaitingRead) {
    SilenceSource source(nullptr, 0.001);  // the first block would take 11.6 s
    ASSERT_TRUE(source.start());
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        source.interrupt();
    });
    std::vector<int16_t> buffer(8192);
    EXPECT_EQ(source.read(buffer.data(), 8192), 0);
    stopper.join();
}

TEST(SoftwareMixer, GainScalesWhatTheSourcesDeliver) {
    TempFolder dir;
    writeBytes(dir.path + "/take.wav", wavBytes(std::vector<int16_t>(2048, 1000)));
    SoftwareMixer mixer;
    ASSERT_EQ(mixer.open(), 0);
    AudioFileSource source(dir.path + "/take.wav", &mixer, 50.0);
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);

    const auto firstSample = [&] {
        source.start();
        std::vector<int16_t> buffer(8192);
        source.read(buffer.data(), 8192);
        source.stop();
        return buffer[0];
    };
    EXPECT_EQ(firstSample(), 1000) << "full volume is unity gain";
    mixer.write(MixerControl::RecordingVolume, 32768);
    EXPECT_EQ(firstSample(), 500);
    mixer.write(MixerControl::Boost, 1);  // 20 dB more
    EXPECT_EQ(firstSample(), 5000);
    mixer.write(MixerControl::RecordingVolume, 65535);
    EXPECT_EQ(firstSample(), 10000);
    mixer.write(MixerControl::Boost, 0);
    mixer.write(MixerControl::RecordingVolume, 0);
    EXPECT_EQ(firstSample(), 0);
}
