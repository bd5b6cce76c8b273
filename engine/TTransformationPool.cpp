#include "TTransformationPool.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "CaughtErrorText.h"
#include "Log.h"

TTransformationPool::TTransformationPool(unsigned workers) {
    const unsigned count = workers != 0 ? workers : std::max(2u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < count; ++i)
        Threads.emplace_back([this] { WorkerLoop(); });
}

TTransformationPool::~TTransformationPool() { Shutdown(); }

void TTransformationPool::Shutdown() {
    if (Threads.empty()) return;
    {
        std::unique_lock lock(Mutex);
        Quit = true;
        for (auto& queue : Queues)
            queue.clear();
        for (const TStopToken& stop : Running)
            stop.Trip();
        Wake.notify_all();
        if (!JobEnded.wait_for(lock, std::chrono::milliseconds(StoppedJobLimitMs), [this] { return Running.empty(); })) {
            lock.unlock();
            WriteLog("Преобразование не остановилось: программа завершается.", TLogLevel::Error);
            std::fflush(nullptr);
            std::_Exit(EXIT_FAILURE);
        }
    }
    for (std::thread& thread : Threads)
        thread.join();
    Threads.clear();
}

TStopToken TTransformationPool::Submit(TPriority priority, TJob job, TStopToken stop) {
    {
        const std::lock_guard lock(Mutex);
        Queues[static_cast<int>(priority)].push_back({std::move(job), stop});
    }
    Wake.notify_one();
    return stop;
}

void TTransformationPool::StopAll() {
    const std::lock_guard lock(Mutex);
    for (auto& queue : Queues)
        for (const TTask& task : queue)
            task.Stop.Trip();
    for (const TStopToken& stop : Running)
        stop.Trip();
}

// The first queued job of the highest priority. A job whose token was tripped still runs: it
// sees the trip at once and answers that it was stopped. Called under the lock.
bool TTransformationPool::TakeNext(TTask& task) {
    for (auto& queue : Queues) {
        if (queue.empty()) continue;
        task = std::move(queue.front());
        queue.pop_front();
        return true;
    }
    return false;
}

void TTransformationPool::WorkerLoop() {
    std::unique_lock lock(Mutex);
    for (;;) {
        TTask task;
        Wake.wait(lock, [&] { return Quit || TakeNext(task); });
        if (Quit) return;
        Running.push_back(task.Stop);
        lock.unlock();
        try {
            task.Job(task.Stop);
        } catch (...) {
            WriteLog("Преобразование прервано: " + CaughtErrorText(), TLogLevel::Error);
        }
        lock.lock();
        const auto found = std::find_if(Running.begin(), Running.end(),
                                        [&](const TStopToken& stop) { return stop.SameAs(task.Stop); });
        if (found != Running.end()) Running.erase(found);
        JobEnded.notify_all();
    }
}
