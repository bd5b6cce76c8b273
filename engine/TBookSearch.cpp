#include "TBookSearch.h"

#include "Log.h"
#include "TSearchIndexTask.h"

namespace {

const char* const StillBuilding = "Индекс ещё строится; поиск начнётся, когда он будет готов.";
const char* const NoBook = "Книга не открыта.";

}  // namespace

TBookSearch::TBookSearch(QObject* parent) : QObject(parent) {}

TBookSearch::~TBookSearch() { StopBuild(); }

void TBookSearch::StopBuild() {
    ++Generation;  // reports still queued from the stopped build are dropped
    if (Task) Task->Stop();
    Task.reset();
}

void TBookSearch::Clear() {
    StopBuild();
    Index.reset();
    Why.clear();
    Notes.clear();
}

void TBookSearch::Start(const TBookInfo& book, const TContents& contents) {
    Clear();
    TSearchIndexRequest request = SearchIndexRequestOf(book, SearchEntriesOf(contents));
    if (CacheFolder) request.CacheFolder = *CacheFolder;
    const unsigned generation = Generation;
    WriteLog("Индекс для поиска: " + (request.CacheFolder.empty() ? std::string("в памяти") : request.CacheFolder));
    // The task's thread reports through queued calls; those of a stopped build are dropped.
    Task = std::make_unique<TSearchIndexTask>(
        std::move(request),
        [this, generation](int percent) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, percent] {
                    if (generation == Generation) emit BuildProgress(percent);
                },
                Qt::QueuedConnection);
        },
        [this, generation](TSearchIndexBuild& build) {
            auto shared = std::make_shared<TSearchIndexBuild>(std::move(build));
            QMetaObject::invokeMethod(
                this, [this, generation, shared] { Finished(generation, shared); }, Qt::QueuedConnection);
        });
    emit BuildStarted();
}

void TBookSearch::Drop() {
    Clear();
    emit Dropped();
}

void TBookSearch::Finished(unsigned generation, const std::shared_ptr<TSearchIndexBuild>& build) {
    if (generation != Generation) return;
    Task.reset();  // its thread has reported its last word
    Index = std::move(build->Index);
    Notes = build->Warnings;
    for (const std::string& warning : Notes)
        WriteLog(warning, TLogLevel::Warning);
    if (!Index) {
        Why = build->Error.empty() ? "Индекс не построен." : build->Error;
        WriteLog(Why, TLogLevel::Error);
    } else {
        WriteLog(build->Reused ? "Индекс для поиска открыт." : "Индекс для поиска построен.");
    }
    emit BuildEnded(Why);
}

TSearchResult TBookSearch::Search(const std::string& query, std::size_t maxHits, const std::string& markStart,
                                  const std::string& markEnd) const {
    if (Index) return Index->Search(query, maxHits, markStart, markEnd);
    TSearchResult result;
    result.Error = Task ? StillBuilding : !Why.empty() ? Why : NoBook;
    return result;
}

std::vector<std::string> TBookSearch::MatchedWords(const std::string& query, const std::string& id) const {
    return Index ? Index->MatchedWords(query, id) : std::vector<std::string>{};
}
