#include "TSearchIndexTask.h"

#include <libxml/parser.h>

TSearchIndexTask::TSearchIndexTask(TSearchIndexRequest request, std::function<void(int)> progress,
                                   std::function<void(TSearchIndexBuild&)> done) {
    xmlInitParser();  // once, on the starting thread, before a second thread parses
    Worker = std::thread([this, request = std::move(request), progress = std::move(progress), done = std::move(done)] {
        TSearchIndexBuild build;
        try {
            build = BuildSearchIndex(request, Cancel, progress);
        } catch (const std::exception& e) {
            build = {};
            build.Error = std::string("Индекс не построен: ") + e.what();
        }
        if (done) done(build);
    });
}

TSearchIndexTask::~TSearchIndexTask() { Stop(); }

void TSearchIndexTask::Stop() {
    Cancel = true;
    if (Worker.joinable()) Worker.join();
}
