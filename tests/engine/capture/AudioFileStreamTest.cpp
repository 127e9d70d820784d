// Audio files as a stream of 16-bit mono samples at 44,100 Hz: exact for files already in that
// form, the same samples however they are read, the pitch kept through resampling, and a reason
// for every file that cannot be used.
#include "AudioFileStream.h"

#include "../../support/AudioWriter.h"
#include "../../support/TempFolder.h"
#include "../../support/WavWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

using namespace tonik;
using testsignals::TempFolder;

namespace {

// Everything the stream gives, read `piece` samples at a time.
std::vector<int16_t> readAll(AudioFileStream& stream, size_t piece) {
    std::vector<int16_t> out, buffer(piece);
    for (size_t n; (n = stream.read(buffer.data(), piece)) > 0;) {
        out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
        if (n < piece) break;
    }
    return out;
}

std::vector<int16_t> readFile(const std::string& path, size_t piece = 4096) {
    AudioFileStream stream;
    EXPECT_TRUE(stream.open(path)) << stream.error();
    return readAll(stream, piece);
}

}  // namespace

TEST(AudioFileStream, SixteenBitMonoComesBackExactlyAndStereoIsTheMean) {
    TempFolder dir;
    testsignals::writeBytes(dir.path + "/mono.wav", testsignals::wavBytes({1, -2, 300, 32767, -32768}));
    // The engine's range is symmetric: only -32768 changes.
    EXPECT_EQ(readFile(dir.path + "/mono.wav"), (std::vector<int16_t>{1, -2, 300, 32767, -32767}));
    testsignals::writeBytes(dir.path + "/stereo.wav",
                            testsignals::wavBytes({100, 300, -5, -7, 32767, 32767}, 2));
    EXPECT_EQ(readFile(dir.path + "/stereo.wav"), (std::vector<int16_t>{200, -6, 32767}));
}

TEST(AudioFileStream, AnyPieceSizeAndARewindGiveTheSameSamples) {
    TempFolder dir;
    for (const int rate : {44100, 48000}) {
        const std::string path = dir.path + "/tone" + std::to_string(rate) + ".flac";
        testsignals::writeAudio(path, testsignals::sine(440.0, 0.5, rate, 2), rate, 2,
                                SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
        AudioFileStream stream;
        ASSERT_TRUE(stream.open(path)) << stream.error();
        const std::vector<int16_t> whole = readAll(stream, 100000);
        EXPECT_TRUE(stream.atEnd());
        EXPECT_EQ(stream.framesRead(), rate / 2);
        ASSERT_TRUE(stream.rewind());
        EXPECT_EQ(readAll(stream, 1), whole) << rate;
        ASSERT_TRUE(stream.rewind());
        EXPECT_EQ(readAll(stream, 511), whole) << rate;
        EXPECT_NEAR(static_cast<double>(whole.size()), 22050.0, 2.0) << rate;
    }
}

// A 1 kHz sine recorded at 48 kHz in stereo: a second of it is 44,100 samples that still cross
// zero 2,000 times a second, at the amplitude it had.
TEST(AudioFileStream, ResamplingKeepsPitchAndLevel) {
    TempFolder dir;
    const std::string path = dir.path + "/tone.flac";
    testsignals::writeAudio(path, testsignals::sine(1000.0, 1.0, 48000, 2), 48000, 2,
                            SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    AudioFileStream stream;
    ASSERT_TRUE(stream.open(path)) << stream.error();
    EXPECT_EQ(stream.sourceRate(), 48000);
    EXPECT_EQ(stream.sourceChannels(), 2);
    EXPECT_DOUBLE_EQ(stream.sourceSeconds(), 1.0);
    const std::vector<int16_t> out = readAll(stream, 512);
    EXPECT_NEAR(static_cast<double>(out.size()), 44100.0, 2.0);
    // The resampler's edges are left out.
    EXPECT_NEAR(testsignals::zeroCrossings(out, 1000, out.size() - 1000), 2000.0 * (out.size() - 2000) / 44100.0, 2.0);
    int peak = 0;
    for (size_t i = 1000; i + 1000 < out.size(); ++i) peak = std::max(peak, std::abs(int{out[i]}));
    EXPECT_NEAR(peak, 0.5 * 32768, 0.01 * 32768);
}

TEST(AudioFileStream, NonFiniteSamplesAreSilenceAndCounted) {
    TempFolder dir;
    std::vector<float> samples = testsignals::sine(440.0, 0.1, 44100);
    for (size_t i = 0; i < 100; ++i) samples[i] = i % 2 ? std::nanf("") : -INFINITY;
    const std::string path = dir.path + "/nan.wav";
    testsignals::writeAudio(path, samples, 44100, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    AudioFileStream stream;
    ASSERT_TRUE(stream.open(path));
    const std::vector<int16_t> out = readAll(stream, 4096);
    EXPECT_EQ(stream.nonFiniteSamples(), 100);
    EXPECT_TRUE(std::all_of(out.begin(), out.begin() + 100, [](int16_t s) { return s == 0; }));
    EXPECT_EQ(out[101], toPcm16(samples[101]));
}

TEST(AudioFileStream, AFileCutShortIsReadAsFarAsItGoesAndSaysWhatWasPromised) {
    TempFolder dir;
    std::vector<uint8_t> bytes = testsignals::wavBytes(std::vector<int16_t>(1000, 7));
    bytes.resize(bytes.size() - 1001);  // 500 samples and a half are left
    testsignals::writeBytes(dir.path + "/cut.wav", bytes);
    AudioFileStream stream;
    ASSERT_TRUE(stream.open(dir.path + "/cut.wav")) << stream.error();
    EXPECT_EQ(readAll(stream, 4096), std::vector<int16_t>(499, 7));
    EXPECT_NEAR(stream.promisedFrames(), 1000, 2);  // told in bytes, cut mid-sample
    EXPECT_LT(stream.framesRead(), stream.promisedFrames());
}

TEST(AudioFileStream, SaysWhyAFileCannotBeUsed) {
    TempFolder dir;
    const auto reason = [](const std::string& path) {
        AudioFileStream stream;
        EXPECT_FALSE(stream.open(path));
        EXPECT_FALSE(stream.isOpen());
        return stream.error();
    };
    EXPECT_EQ(reason(dir.path + "/missing.wav"), "no such file");
    EXPECT_EQ(reason(dir.path), "is a folder, not an audio file");
    testsignals::writeBytes(dir.path + "/text.wav", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(reason(dir.path + "/text.wav").rfind("not an audio file that can be read (", 0), 0u);
    std::vector<uint8_t> noData = testsignals::wavBytes({});
    noData.resize(36);  // the format chunk only
    testsignals::writeBytes(dir.path + "/nodata.wav", noData);
    EXPECT_EQ(reason(dir.path + "/nodata.wav").rfind("not an audio file that can be read (", 0), 0u);
    if (::geteuid() != 0) {  // root reads anything
        testsignals::writeBytes(dir.path + "/locked.wav", testsignals::wavBytes({1, 2}));
        ::chmod((dir.path + "/locked.wav").c_str(), 0);
        EXPECT_EQ(reason(dir.path + "/locked.wav"), "permission denied");
    }
}
