// The sources without hardware: a WAV file or silence at a microphone's pace, scaled by the
// software mixer's gain.
#include "capture/SilenceSource.h"
#include "capture/WavFileSource.h"
#include "mixer/SoftwareMixer.h"

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

TEST(WavFile, ReadsMonoAndMixesStereoDown) {
    TempFolder dir;
    writeBytes(dir.path + "/mono.wav", wavBytes({1, -2, 300}));
    EXPECT_EQ(readWav(dir.path + "/mono.wav").samples, (std::vector<int16_t>{1, -2, 300}));
    writeBytes(dir.path + "/stereo.wav", wavBytes({100, 300, -5, -7, 32767, 32767}, 2));
    EXPECT_EQ(readWav(dir.path + "/stereo.wav").samples, (std::vector<int16_t>{200, -6, 32767}));
}

TEST(WavFile, RefusesWhatIsNotSixteenBitPcmAt44100) {
    TempFolder dir;
    const auto refused = [&](const std::vector<uint8_t>& bytes) {
        writeBytes(dir.path + "/x.wav", bytes);
        WavFileSource source(dir.path + "/x.wav");
        return source.open() == CaptureOpenResult::CannotConfigure && !source.error().empty();
    };
    EXPECT_TRUE(refused(wavBytes({1, 2}, 1, 48000)));
    EXPECT_TRUE(refused(wavBytes({1, 2}, 1, 44100, 8)));
    EXPECT_TRUE(refused(wavBytes({1, 2}, 3)));
    EXPECT_TRUE(refused(wavBytes({1, 2}, 1, 44100, 16, 3)));  // floating point
    EXPECT_TRUE(refused({'R', 'I', 'F', 'F', 0, 0, 0, 0}));
    std::vector<uint8_t> noData = wavBytes({});
    noData.resize(36);  // the format chunk only
    EXPECT_TRUE(refused(noData));

    WavFileSource missing(dir.path + "/missing.wav");
    EXPECT_EQ(missing.open(), CaptureOpenResult::NoDevice);
}

TEST(WavFile, ToleratesADataSizeBeyondTheEndOfTheFile) {
    TempFolder dir;
    std::vector<uint8_t> bytes = wavBytes({5, 6, 7, 8});
    bytes.resize(bytes.size() - 3);  // a recording cut off mid-sample
    writeBytes(dir.path + "/cut.wav", bytes);
    EXPECT_EQ(readWav(dir.path + "/cut.wav").samples, (std::vector<int16_t>{5, 6}));
}

TEST(WavFileSource, PlaysTheFileFromTheStartOfEveryRunThenSilence) {
    TempFolder dir;
    const std::vector<int16_t> tone = ramp(3 * 512 + 100);
    writeBytes(dir.path + "/take.wav", wavBytes(tone));
    WavFileSource source(dir.path + "/take.wav", nullptr, 50.0);
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

TEST(WavFileSource, KeepsAMicrophonesPace) {
    TempFolder dir;
    writeBytes(dir.path + "/take.wav", wavBytes(ramp(44100)));
    WavFileSource source(dir.path + "/take.wav");
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(source.start());
    readRun(source, 10 * 512);  // 116 ms of sound
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_GE(seconds, 10 * 512 / 44100.0 - 0.002) << "blocks cannot come before they are recorded";
}

TEST(WavFileSource, InterruptEndsAWaitingRead) {
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
    WavFileSource source(dir.path + "/take.wav", &mixer, 50.0);
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
