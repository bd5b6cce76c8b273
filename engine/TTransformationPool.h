#pragma once
// A few worker threads for transformations (as many as the cores, at least two): the reader's
// requests first, work ahead of the reader after them, background work last; in order of
// submission within a priority. Each job gets a stop token, which its submitter keeps.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "TStopToken.h"

class TTransformationPool {
public:
    enum class TPriority { Reader = 0, Ahead = 1, Background = 2 };
    using TJob = std::function<void(const TStopToken&)>;

    // workers: 0 for as many as the cores, at least two.
    explicit TTransformationPool(unsigned workers = 0);
    // Trips every job's token, drops the jobs not started and waits for the running ones; a
    // job that does not look at its token (listing the books) within StoppedJobLimitMs ends
    // the program at once rather than hang its end.
    ~TTransformationPool();
    // What the destructor does, earlier: for owners whose jobs call back into them.
    void Shutdown();
    TTransformationPool(const TTransformationPool&) = delete;
    TTransformationPool& operator=(const TTransformationPool&) = delete;

    // Queues job; the token returned (stop, or a new one) stops it, also before it starts (it
    // then ends at once).
    TStopToken Submit(TPriority priority, TJob job, TStopToken stop = {});
    // Trips the tokens of every job queued or running.
    void StopAll();
    unsigned Workers() const { return static_cast<unsigned>(Threads.size()); }

    int StoppedJobLimitMs = 10000;

private:
    struct TTask {
        TJob Job;
        TStopToken Stop;
    };
    void WorkerLoop();
    bool TakeNext(TTask& task);

    std::mutex Mutex;
    std::condition_variable Wake;
    std::condition_variable JobEnded;
    std::deque<TTask> Queues[3];  // by priority
    std::vector<TStopToken> Running;
    bool Quit = false;
    std::vector<std::thread> Threads;
};
