#include "TBookmarkImportTask.h"

#include <memory>

TBookmarkImportTask::TBookmarkImportTask(QObject* receiver, std::string osPath, std::vector<TBookmark> held,
                                         unsigned revision, TDone done)
    : Receiver(receiver),
      Done(std::move(done)),
      Worker(&TBookmarkImportTask::Read, this, std::move(osPath), std::move(held), revision) {}

TBookmarkImportTask::~TBookmarkImportTask() {
    Cancel = true;
    Worker.join();
}

void TBookmarkImportTask::Read(std::string osPath, std::vector<TBookmark> held, unsigned revision) {
    auto plan = std::make_shared<TBookmarkImportPlan>();
    std::exception_ptr error;
    try {
        *plan = PlanBookmarkImport(osPath, held, revision, Cancel);
    } catch (...) {
        error = std::current_exception();
    }
    if (Cancel) return;  // nobody waits for the result any more
    // A receiver that goes before the call has run drops it.
    QMetaObject::invokeMethod(
        Receiver, [done = Done, plan, error] { done(*plan, error); }, Qt::QueuedConnection);
}
