#include "capture/DxRecorder.h"
#include "capture/SilenceSource.h"

#include "../../support/EngineDoubles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

using namespace tonik;
using namespace testdoubles;

TEST(DxRecorder, PreparationFailuresAreFatalWithTheirMessages) {
    const std::pair<CaptureOpenResult, const char*> cases[] = {
        {CaptureOpenResult::NoDevice, "ERROR: Can not find Sound Device. \nTonikit will now EXIT!"},
        {CaptureOpenResult::CannotOpen, "Error initializing DirectSound. \nTonikit will now EXIT!"},
        {CaptureOpenResult::CannotConfigure, "Error creating DirectSound Buffer. \nTonikit will now EXIT!"},
    };
    for (const auto& [result, text] : cases) {
        ScriptedHost host;
        auto source = std::make_unique<FedCaptureSource>();
        source->openResult = result;
        DxRecorder recorder(std::move(source), host);
        try {
            recorder.prepare([](const int16_t*, int) { return 0; });
            ADD_FAILURE() << "no exit for " << text;
        } catch (const ProcessExit& exit) {
            EXPECT_EQ(exit.code, 0);
        }
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, text);
        EXPECT_EQ(host.messages[0].caption, "DirectSound");
        EXPECT_EQ(host.messages[0].icon, TONIK_ICON_ERROR);
        EXPECT_EQ(host.quitRequests, 1);
        EXPECT_FALSE(recorder.prepared());
    }
}

// A source that can say more than its result (a capture file: which, and why) is heard instead.
TEST(DxRecorder, ASourcesOwnProblemReplacesTheStandardMessage) {
    ScriptedHost host;
    auto source = std::make_unique<FedCaptureSource>();
    source->openResult = CaptureOpenResult::NoDevice;
    source->openProblem = "ERROR: Can not use the capture file \"/tmp/a.wav\": no such file.";
    DxRecorder recorder(std::move(source), host);
    EXPECT_THROW(recorder.prepare([](const int16_t*, int) { return 0; }), ProcessExit);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "ERROR: Can not use the capture file \"/tmp/a.wav\": no such file. \nTonikit will now EXIT!");
    EXPECT_EQ(host.quitRequests, 1);
}

TEST(DxRecorder, StartRetriesWithAMessageUntilCaptureRuns) {
    ScriptedHost host;
    auto owned = std::make_unique<FedCaptureSource>();
    FedCaptureSource& source = *owned;
    source.startFailures = 2;
    DxRecorder recorder(std::move(owned), host);
    recorder.prepare([](const int16_t*, int) { return 0; });
    recorder.start();
    EXPECT_TRUE(recorder.capturing());
    EXPECT_EQ(source.starts(), 3);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, "Error in Recording Signal.Try Again.");
    recorder.stop();
}

// After stop returns the worker is out of the sink and delivers nothing more, even when it
// was inside the sink when stop was called.
TEST(DxRecorder, StopWaitsForTheWorkerToLeaveTheSink) {
    ScriptedHost host;
    auto owned = std::make_unique<FedCaptureSource>();
    FedCaptureSource& source = *owned;
    DxRecorder recorder(std::move(owned), host);
    std::atomic<bool> inSink{false};
    std::atomic<int> calls{0}, samples{0};
    recorder.prepare([&](const int16_t*, int count) {
        inSink = true;
        ++calls;
        samples += count;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        inSink = false;
        return 0;
    });
    recorder.start();
    source.feed(std::vector<int16_t>(1024 + 100, 1));  // two blocks and a partial one
    ASSERT_TRUE(eventually([&] { return inSink.load(); }));
    recorder.stop();
    EXPECT_FALSE(inSink);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(samples, 1024);  // whole blocks only
    source.feed(std::vector<int16_t>(512, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(calls, 1);
}

TEST(SilenceSource, DeliversZeroBlocksInRealTimeAndWakesOnInterrupt) {
    SilenceSource source;
    ASSERT_EQ(source.open(), CaptureOpenResult::Ok);
    std::vector<int16_t> buffer(8192, 7);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(source.start());
    const int count = source.read(buffer.data(), 8192);
    const auto waited = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(count, 512);
    EXPECT_EQ(count % 512, 0);
    EXPECT_GE(waited, std::chrono::milliseconds(11));  // one block takes 11.6 ms to record
    for (int i = 0; i < count; ++i) ASSERT_EQ(buffer[i], 0);

    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        source.interrupt();
    });
    int woken = 1;
    for (int i = 0; i < 100 && woken != 0; ++i) woken = source.read(buffer.data(), 8192);
    waker.join();
    EXPECT_EQ(woken, 0);
}
