#pragma once
// Work that would freeze the window (reading a large file) done on a thread of its own while
// the window's event loop goes on.
#include <atomic>
#include <functional>

// Runs job on a new thread and returns once it has ended; an exception it throws is thrown
// again here. The job should look at cancel now and then. When the program is told to end
// meanwhile (a termination signal closes the window and the event loop may not run any more),
// cancel is set, the job is waited for and false is returned: its result is not wanted.
bool RunOffThread(const std::function<void(const std::atomic<bool>& cancel)>& job);
