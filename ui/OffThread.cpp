#include "OffThread.h"

#include <QEventLoop>
#include <exception>
#include <thread>

bool RunOffThread(const std::function<void(const std::atomic<bool>& cancel)>& job) {
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            job(cancel);
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    bool ending = false;
    // A loop ended by the program quitting returns at once, with -1, when run again.
    while (!done && !ending)
        ending = loop.exec() < 0;
    cancel = true;
    worker.join();
    if (ending) return false;
    if (failure) std::rethrow_exception(failure);
    return true;
}
