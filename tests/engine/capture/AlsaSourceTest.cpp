#include "capture/AlsaSource.h"

#include "../../support/PrivateAlsaConfig.h"
#include "../../support/Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <thread>
#include <vector>

using namespace tonik;
using testalsa::PrivateAlsaConfig;

namespace {

constexpr int kBlock = 512;

// Devices without hardware. "take" captures the samples of take.raw through the file plugin
// over a null device, which always has a full buffer ready; the plugin reads its input file as
// samples are read, so a stop loses nothing of the file and a start goes on where the last run
// ended. "stereo" offers two channels only; "broken" names a file format that does not exist;
// "nocard" is a hardware device on a card this machine does not have.
constexpr const char* kDevices = R"(
defaults.namehint.showall on
pcm.take {
    type file
    slave.pcm { type null }
    file "/dev/null"
    infile "@DIR@/take.raw"
    format raw
    hint.description "take.raw"
}
pcm.stereo {
    type multi
    slaves.a { pcm { type null } channels 2 }
    bindings.0 { slave a; channel 0 }
    bindings.1 { slave a; channel 1 }
}
pcm.broken {
    type file
    slave.pcm { type null }
    file "/dev/null"
    format bogus
}
pcm.nocard { type hw; card 31 }
)";

// 32 blocks of a harmonic tone with noise, so that no two blocks are alike.
std::vector<int16_t> writeTake(const std::string& folder) {
    const auto take = testsignals::harmonicTone(196.0, 6000.0, 32 * kBlock, 800.0);
    std::ofstream file(folder + "/take.raw", std::ios::binary);
    for (int16_t sample : take) {
        const auto bits = static_cast<uint16_t>(sample);
        file.put(static_cast<char>(bits & 0xff)).put(static_cast<char>(bits >> 8));
    }
    return take;
}

// Runs one read on a thread of its own, so that a read that waits for ever fails the test
// instead of hanging it: after the deadline the read is interrupted, and if even that does
// not free it the test binary ends.
int readWithin(AlsaSource& source, int16_t* out, int maxSamples) {
    std::promise<int> result;
    auto done = result.get_future();
    std::thread reader([&] { result.set_value(source.read(out, maxSamples)); });
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "read still waiting after 5 s";
        source.interrupt();
        if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            std::fprintf(stderr, "read ignores interrupt; giving up\n");
            std::abort();
        }
    }
    reader.join();
    return done.get();
}

std::vector<int16_t> slice(const std::vector<int16_t>& samples, int from, int count) {
    return {samples.begin() + from, samples.begin() + from + count};
}

class AlsaSourceTest : public ::testing::Test {
protected:
    PrivateAlsaConfig config{kDevices};
    std::vector<int16_t> take = writeTake(config.folder.path);
    std::vector<int16_t> buffer = std::vector<int16_t>(16 * kBlock, 0);
};

}  // namespace

TEST_F(AlsaSourceTest, ReadsTheCapturedSamplesInWholeBlocksUpToTheRoomGiven) {
    AlsaSource source("take");
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);
    ASSERT_TRUE(source.start());
    std::vector<int16_t> captured;
    // Rooms that are not whole blocks take the whole blocks that fit.
    for (const auto& [room, expected] : {std::pair{1000, 512}, {2048, 2048}, {3000, 2560},
                                         {kBlock, kBlock}, {16 * kBlock, 16 * kBlock}}) {
        const int count = readWithin(source, buffer.data(), room);
        EXPECT_EQ(count, expected) << "room " << room;
        if (count <= 0) break;
        captured.insert(captured.end(), buffer.begin(), buffer.begin() + count);
    }
    ASSERT_EQ(captured.size(), 27u * kBlock);
    EXPECT_EQ(captured, slice(take, 0, 27 * kBlock));
    source.stop();
    source.close();
}

TEST_F(AlsaSourceTest, ReadTakesEveryWholeBlockTheDeviceHolds) {
    AlsaSource source("take");
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);
    ASSERT_TRUE(source.start());
    // The null device behind the take holds a full buffer of 16 blocks at every read.
    ASSERT_EQ(readWithin(source, buffer.data(), 16 * kBlock), 16 * kBlock);
    EXPECT_EQ(buffer, slice(take, 0, 16 * kBlock));
    ASSERT_EQ(readWithin(source, buffer.data(), 16 * kBlock), 16 * kBlock);
    EXPECT_EQ(buffer, slice(take, 16 * kBlock, 16 * kBlock));
}

TEST_F(AlsaSourceTest, InterruptedReadsReturnZeroUntilTheNextStart) {
    AlsaSource source("take");
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);
    ASSERT_TRUE(source.start());
    source.interrupt();
    // Samples are ready, yet the interrupt wins, and keeps winning.
    EXPECT_EQ(readWithin(source, buffer.data(), 2 * kBlock), 0);
    EXPECT_EQ(readWithin(source, buffer.data(), 2 * kBlock), 0);
    ASSERT_TRUE(source.start());
    ASSERT_EQ(readWithin(source, buffer.data(), 2 * kBlock), 2 * kBlock);
    EXPECT_EQ(slice(buffer, 0, 2 * kBlock), slice(take, 0, 2 * kBlock));

    // Stop clears it too.
    source.interrupt();
    source.stop();
    ASSERT_TRUE(source.start());
    EXPECT_EQ(readWithin(source, buffer.data(), kBlock), kBlock);
}

TEST_F(AlsaSourceTest, InterruptFromAnotherThreadEndsTheReadingLoop) {
    AlsaSource source("take");
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);
    ASSERT_TRUE(source.start());
    std::atomic<int> reads{0};
    std::promise<int> last;
    auto ended = last.get_future();
    // The recorder's worker: read until a read gives no samples.
    std::thread worker([&] {
        std::vector<int16_t> out(16 * kBlock);
        int count = 0;
        while ((count = source.read(out.data(), kBlock)) > 0) ++reads;
        last.set_value(count);
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (reads < 3 && ended.wait_for(std::chrono::seconds(0)) != std::future_status::ready &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    source.interrupt();
    if (ended.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        std::fprintf(stderr, "the reading loop ignores interrupt; giving up\n");
        std::abort();  // the worker would run on past the end of the test
    }
    worker.join();
    EXPECT_GE(reads, 3);
    EXPECT_EQ(ended.get(), 0);
}

TEST_F(AlsaSourceTest, StopEndsTheRunAndStartBeginsAnother) {
    AlsaSource source("take");
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);
    ASSERT_TRUE(source.start());
    ASSERT_EQ(readWithin(source, buffer.data(), 2 * kBlock), 2 * kBlock);
    source.stop();
    // A stopped device is an error to read, not a wait for ever.
    EXPECT_EQ(readWithin(source, buffer.data(), 2 * kBlock), -1);
    ASSERT_TRUE(source.start());
    ASSERT_EQ(readWithin(source, buffer.data(), 2 * kBlock), 2 * kBlock);
    EXPECT_EQ(slice(buffer, 0, 2 * kBlock), slice(take, 2 * kBlock, 2 * kBlock));
    source.stop();
    source.close();
    EXPECT_FALSE(source.start());
    EXPECT_EQ(source.read(buffer.data(), kBlock), -1);
}

TEST_F(AlsaSourceTest, OpenAgainReplacesTheOpenDevice) {
    AlsaSource source("take");
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);
    ASSERT_TRUE(source.start());
    EXPECT_EQ(readWithin(source, buffer.data(), kBlock), kBlock);
}

TEST_F(AlsaSourceTest, UnknownNamesAndMissingCardsAreNoDevice) {
    for (const char* name : {"default", "hummwell_missing", "nocard"}) {
        AlsaSource source(name);
        EXPECT_EQ(source.open(), CaptureOpenResult::NoDevice) << name;
        EXPECT_FALSE(source.start()) << name;
        EXPECT_EQ(source.read(buffer.data(), kBlock), -1) << name;
    }
}

TEST_F(AlsaSourceTest, ABrokenDefinitionCannotBeOpened) {
    AlsaSource source("broken");
    EXPECT_EQ(source.open(), CaptureOpenResult::CannotOpen);
}

TEST_F(AlsaSourceTest, ADeviceWithoutMonoCannotBeConfigured) {
    AlsaSource source("stereo");
    EXPECT_EQ(source.open(), CaptureOpenResult::CannotConfigure);
    EXPECT_FALSE(source.start());
}

TEST_F(AlsaSourceTest, DeviceListStopsAtItsLimit) {
    const auto all = AlsaSource::captureDevices(100);
    EXPECT_NE(std::find(all.begin(), all.end(), "take"), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "nocard"), all.end());
    ASSERT_GE(all.size(), 3u);
    const auto two = AlsaSource::captureDevices(2);
    EXPECT_EQ(two, std::vector<std::string>(all.begin(), all.begin() + 2));
    EXPECT_TRUE(AlsaSource::captureDevices(0).empty());
    EXPECT_EQ(AlsaSource::captureDevices(static_cast<int>(all.size())), all);
}
