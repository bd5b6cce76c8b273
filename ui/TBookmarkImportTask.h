#pragma once
// One import of bookmarks, read and compared on a thread of its own so that the window goes on
// answering. The window hears of the end through a queued call; a task that goes away (the
// window closes, the program is told to end) stops the reading and waits for its thread.
#include <QObject>

#include <atomic>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "TBookmarkStore.h"

class TBookmarkImportTask {
public:
    // The plan, or the error that ended the reading (then the plan is empty).
    using TDone = std::function<void(TBookmarkImportPlan& plan, std::exception_ptr error)>;

    // done runs on receiver's thread, unless the task went first; the receiver must outlive
    // the task (the window holds it as a member).
    TBookmarkImportTask(QObject* receiver, std::string osPath, std::vector<TBookmark> held, unsigned revision,
                        TDone done);
    ~TBookmarkImportTask();
    TBookmarkImportTask(const TBookmarkImportTask&) = delete;
    TBookmarkImportTask& operator=(const TBookmarkImportTask&) = delete;

private:
    void Read(std::string osPath, std::vector<TBookmark> held, unsigned revision);

    QObject* Receiver;
    TDone Done;
    std::atomic<bool> Cancel{false};
    std::thread Worker;  // last: it starts once the rest is in place
};
