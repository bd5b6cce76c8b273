// The runner of the window's transformations, without a window: jobs leave the calling thread,
// a later request supersedes an earlier one, a stop reaches the job through its token, and the
// job beside the worker is stopped with the rest. Runs under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "TTransformationRunner.h"

namespace {

// The runner waits in local event loops, which need an application object.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "tests_engine";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

// A job that runs until its token is tripped (or a limit passes, so that no test hangs).
void UntilStopped(const TStopToken& stop, std::atomic<bool>& started) {
    started = true;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!stop.Tripped() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

class TransformationRunner : public ::testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }

    // Calls action from the event loop once started is set.
    static void WhenStarted(const std::atomic<bool>& started, std::function<void()> action) {
        auto* poll = new QTimer;
        poll->setInterval(1);
        QObject::connect(poll, &QTimer::timeout, [poll, &started, action] {
            if (!started) return;
            poll->stop();
            poll->deleteLater();
            action();
        });
        poll->start();
    }
};

// Jobs leave the calling thread, their errors come back, a queued call waits behind the
// running job and both results stay wanted.
TEST_F(TransformationRunner, RunsJobsOnItsWorkerOneAtATime) {
    TTransformationRunner runner;
    std::thread::id worker;
    ASSERT_TRUE(runner.Run([&](const TStopToken&) { worker = std::this_thread::get_id(); }));
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_THROW(runner.Run([](const TStopToken&) { throw std::runtime_error("job failed"); }), std::runtime_error);

    std::atomic<bool> started{false};
    std::atomic<bool> release{false};
    std::vector<int> order;
    bool queuedWanted = false;
    WhenStarted(started, [&] {
        // Asked while the first job runs: it starts only once that one has ended.
        QTimer::singleShot(50, [&] { release = true; });
        queuedWanted =
            runner.Run([&](const TStopToken&) { order.push_back(2); }, TTransformationRunner::TArrival::Queue);
    });
    const bool firstWanted = runner.Run([&](const TStopToken&) {
        started = true;
        for (int i = 0; i < 5000 && !release; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        order.push_back(1);
    });
    EXPECT_TRUE(firstWanted);
    EXPECT_TRUE(queuedWanted);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_FALSE(runner.Busy());
}

// A request that comes while a job runs trips that job's token; the earlier call's result is
// no longer wanted, the later one's is.
TEST_F(TransformationRunner, ALaterRequestStopsTheRunningJobAndWins) {
    TTransformationRunner runner;
    std::atomic<bool> started{false};
    bool secondWanted = false;
    bool secondRan = false;
    WhenStarted(started, [&] { secondWanted = runner.Run([&](const TStopToken&) { secondRan = true; }); });
    const bool firstWanted = runner.Run([&](const TStopToken& stop) {
        UntilStopped(stop, started);
        EXPECT_TRUE(stop.Tripped());
    });
    EXPECT_FALSE(firstWanted);
    EXPECT_TRUE(secondWanted);
    EXPECT_TRUE(secondRan);
}

// A stop of the current job keeps its result wanted (its page says it was stopped); Abandon
// makes it unwanted and stops the job beside the worker too.
TEST_F(TransformationRunner, StopAndAbandonReachTheJobsThroughTheirTokens) {
    TTransformationRunner runner;
    std::atomic<bool> started{false};
    WhenStarted(started, [&] { runner.StopCurrent(); });
    EXPECT_TRUE(runner.Run([&](const TStopToken& stop) { UntilStopped(stop, started); }));

    std::atomic<bool> besideStarted{false}, besideStopped{false};
    ASSERT_TRUE(runner.RunBeside([&](const TStopToken& stop) {
        UntilStopped(stop, besideStarted);
        besideStopped = stop.Tripped();
    }));
    EXPECT_FALSE(runner.RunBeside([](const TStopToken&) {}));  // one job beside at a time
    started = false;
    WhenStarted(started, [&] { runner.Abandon(); });
    EXPECT_FALSE(runner.Run([&](const TStopToken& stop) { UntilStopped(stop, started); }));
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!besideStopped && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(besideStopped);
}

}  // namespace
