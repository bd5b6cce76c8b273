#include "TTransformationRunner.h"

#include <QEventLoop>
#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "Log.h"
#include "CaughtErrorText.h"

namespace {

// How often a wait that cannot use the event loop looks at the worker.
constexpr int BlockedPollMs = 50;

// Counts a call for as long as it is under way.
class TCounted {
public:
    explicit TCounted(unsigned& count) : Count(++count) {}
    ~TCounted() { --Count; }
    TCounted(const TCounted&) = delete;
    TCounted& operator=(const TCounted&) = delete;

private:
    unsigned& Count;
};

}  // namespace

TTransformationRunner::TTransformationRunner(QObject* parent) : QObject(parent) {
    Worker = std::thread([this] { WorkerLoop(); });
}

TTransformationRunner::~TTransformationRunner() {
    blockSignals(true);  // nothing may start work on a runner that is going
    {
        std::lock_guard lock(Mutex);
        Quit = true;
        // A job handed over but not yet taken up is dropped: nobody waits for it any more.
        if (Next) {
            Next = nullptr;
            WorkerEnded = NextTicket;
        }
    }
    WorkerWake.notify_one();
    CurrentStop.Trip();
    BesideStop.Trip();
    // A job that does not look at its token (listing the books) is waited for within a bound.
    if (Busy()) BlockUntilEnded(Posted);
    Worker.join();
    if (Beside.joinable()) Beside.join();
    while (Busy())
        OnJobEnded(Ended + 1);  // ends the jobs whose end was never delivered
}

void TTransformationRunner::WorkerLoop() {
    std::unique_lock lock(Mutex);
    for (;;) {
        WorkerWake.wait(lock, [this] { return Quit || Next; });
        if (!Next) return;
        const std::function<void(const TStopToken&)> job = std::move(Next);
        const TStopToken stop = NextStop;
        Next = nullptr;
        const unsigned ticket = NextTicket;
        lock.unlock();
        job(stop);
        lock.lock();
        WorkerEnded = ticket;
        JobDone.notify_all();
        QMetaObject::invokeMethod(
            this, [this, ticket] { OnJobEnded(ticket); }, Qt::QueuedConnection);
    }
}

unsigned TTransformationRunner::Post(std::function<void(const TStopToken&)> job, bool visible) {
    const unsigned ticket = ++Posted;
    if (!visible) AheadTicket = ticket;
    CurrentStop = TStopToken();
    {
        std::lock_guard lock(Mutex);
        Next = std::move(job);
        NextStop = CurrentStop;
        NextTicket = ticket;
    }
    WorkerWake.notify_one();
    if (visible) emit BusyChanged(true);
    return ticket;
}

void TTransformationRunner::OnJobEnded(unsigned ticket) {
    if (ticket <= Ended) return;  // already seen by a wait that could not use the event loop
    // Pairs with the worker's store after the job: what the job wrote is seen from here on,
    // whatever way the news of its end came.
    [[maybe_unused]] const unsigned published = WorkerEnded.load(std::memory_order_acquire);
    Ended = ticket;
    if (ticket != AheadTicket) emit BusyChanged(false);
    emit JobEnded();
}

void TTransformationRunner::AskStop() {
    if (Busy()) CurrentStop.Trip();
}

void TTransformationRunner::StopCurrent() { AskStop(); }

void TTransformationRunner::Abandon() {
    ++Epoch;
    AskStop();
    BesideStop.Trip();
}

bool TTransformationRunner::RunBeside(std::function<void(const TStopToken&)> job) {
    if (!BesideDone) return false;
    if (Beside.joinable()) Beside.join();  // ended already
    BesideStop = TStopToken();
    BesideDone = false;
    Beside = std::thread([this, job = std::move(job), stop = BesideStop] {
        try {
            job(stop);
        } catch (...) {
            WriteLog("Работа впрок не сделана: " + CaughtErrorText(), TLogLevel::Warning);
        }
        BesideDone = true;
    });
    return true;
}

void TTransformationRunner::WaitUntilEnded(unsigned ticket) {
    while (Ended < ticket) {
        QEventLoop loop;
        connect(this, &TTransformationRunner::JobEnded, &loop, &QEventLoop::quit);
        // No loop can run once the program has been told to quit: wait for the worker itself.
        if (loop.exec() < 0) BlockUntilEnded(ticket);
    }
}

void TTransformationRunner::BlockUntilEnded(unsigned ticket) {
    // The program is ending: nobody wants the job's result any more.
    AskStop();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(StoppedJobLimitMs);
    std::unique_lock lock(Mutex);
    while (WorkerEnded < ticket) {
        if (std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            WriteLog("Преобразование не остановилось: программа завершается.", TLogLevel::Error);
            std::fflush(nullptr);
            std::_Exit(EXIT_FAILURE);
        }
        JobDone.wait_for(lock, std::chrono::milliseconds(BlockedPollMs));
    }
    lock.unlock();
    for (unsigned seen = Ended + 1; seen <= ticket; ++seen)
        OnJobEnded(seen);
}

bool TTransformationRunner::Run(const std::function<void(const TStopToken&)>& job, TArrival arrival) {
    const unsigned request = arrival == TArrival::Supersede ? ++LatestRequest : 0;
    const unsigned epoch = Epoch;
    const auto wanted = [&] { return epoch == Epoch && (arrival == TArrival::Queue || request == LatestRequest); };
    const TCounted caller(Callers);
    // One job at a time: a call that finds one running stops it or waits for it; work ahead
    // always gives way.
    while (Busy()) {
        if (arrival == TArrival::Supersede || RunningAhead()) AskStop();
        WaitUntilEnded(Posted);
        if (!wanted()) return false;
    }
    if (!wanted()) return false;

    std::exception_ptr failure;
    const unsigned ticket = Post(
        [&job, &failure](const TStopToken& stop) {
            try {
                job(stop);
            } catch (...) {
                failure = std::current_exception();
            }
        },
        true);
    WaitUntilEnded(ticket);
    if (!wanted()) return false;
    if (failure) std::rethrow_exception(failure);
    return true;
}

bool TTransformationRunner::RunAhead(std::function<void(const TStopToken&)> job) {
    if (Busy() || Callers > 0) return false;
    Post(
        [job = std::move(job)](const TStopToken& stop) {
            try {
                job(stop);
            } catch (...) {
                // work ahead only saves time: a failure here is met again when the reader asks
                WriteLog("Страница впрок не сделана: " + CaughtErrorText(), TLogLevel::Warning);
            }
        },
        false);
    return true;
}

void TTransformationRunner::WaitIdle() {
    if (Busy()) WaitUntilEnded(Posted);
}
