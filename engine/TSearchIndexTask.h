#pragma once
// Builds (or opens) a book's search index on a thread of its own. Destroying the task stops
// the build and waits for the thread; a stopped build leaves no index behind.
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "SearchIndexCache.h"

class TSearchIndexTask {
public:
    // progress(percent) and done(build) are called on the task's thread.
    TSearchIndexTask(TSearchIndexRequest request, std::function<void(int percent)> progress,
                     std::function<void(TSearchIndexBuild& build)> done);
    ~TSearchIndexTask();
    TSearchIndexTask(const TSearchIndexTask&) = delete;
    TSearchIndexTask& operator=(const TSearchIndexTask&) = delete;

    // Asks the build to stop and waits until its thread has ended.
    void Stop();

private:
    std::atomic<bool> Cancel{false};
    std::thread Worker;
};
