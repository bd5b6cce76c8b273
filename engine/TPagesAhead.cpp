#include "TPagesAhead.h"

#include <algorithm>
#include <atomic>
#include <exception>

#include "ServiceActions.h"
#include "TFileReadRecord.h"
#include "TLogCapture.h"
#include "TTransformationRunner.h"

struct TPagesAhead::TAheadPage {
    std::string DivID;
    std::string Stylesheet;  // the expanded template the page was made from
    TBookInfo Book;          // a copy: the window may change its record meanwhile
    TBookPage Page;  // with its run's log lines and the files it read
    std::atomic<bool> Done{false};
};

TPagesAhead::TPagesAhead(TTransformationRunner& runner, QObject* parent) : QObject(parent), Runner(runner) {
    connect(&Runner, &TTransformationRunner::JobEnded, this, [this] {
        if (Running && Running->Done) {
            Running.reset();
            RunLimit.stop();
        }
        StartNext();
    });
    // Work ahead must not keep a processor busy for long on the reader's behalf.
    RunLimit.setSingleShot(true);
    connect(&RunLimit, &QTimer::timeout, this, [this] {
        if (Runner.RunningAhead()) Runner.StopCurrent();
    });
    Retry.setSingleShot(true);
    Retry.setInterval(50);
    connect(&Retry, &QTimer::timeout, this, &TPagesAhead::StartNext);
}

void TPagesAhead::MakeAhead(const std::vector<std::string>& divIds, const TBookInfo& book) {
    const auto wanted = [&](const std::shared_ptr<TAheadPage>& ahead) {
        if (ahead->Done && !ahead->Page.Ok) return false;  // stopped or failed: made again if asked
        return std::find(divIds.begin(), divIds.end(), ahead->DivID) != divIds.end() &&
               UpToDate(*ahead, ahead->DivID, book);
    };
    std::erase_if(Pages, [&](const auto& ahead) { return !wanted(ahead); });
    Waiting.clear();
    for (const std::string& divId : divIds) {
        const bool held = std::any_of(Pages.begin(), Pages.end(), [&](const auto& a) { return a->DivID == divId; });
        if (held || (Running && Running->DivID == divId)) continue;
        auto ahead = std::make_shared<TAheadPage>();
        ahead->DivID = divId;
        ahead->Book = book;
        try {
            ahead->Stylesheet = BookPartStylesheet(divId, ahead->Book);
        } catch (const std::exception&) {
            continue;  // the reader meets the template's fault when asking for the part
        }
        Waiting.push_back(std::move(ahead));
    }
    StartNext();
}

void TPagesAhead::StartNext() {
    if (Running || Waiting.empty()) return;
    std::shared_ptr<TAheadPage> next = Waiting.front();
    const bool started = Runner.RunAhead([next](const TStopToken& stop) {
        next->Page = BuildBookPart(next->DivID, next->Book, {stop, true});
        next->Done = true;
    });
    if (!started) {
        Retry.start();
        return;
    }
    Waiting.pop_front();
    RunLimit.start(AheadRunLimitMs);
    Running = next;
    Pages.push_back(std::move(next));
}

bool TPagesAhead::UpToDate(const TAheadPage& ahead, const std::string& divId, const TBookInfo& book) const {
    if (ahead.DivID != divId || !book.ParsedInput || ahead.Book.ParsedInput != book.ParsedInput) return false;
    TBookInfo current = book;
    return BookPartStylesheet(divId, current) == ahead.Stylesheet;
}

std::optional<TBookPage> TPagesAhead::Take(const std::string& divId, const TBookInfo& book, bool& superseded) {
    superseded = false;
    Waiting.clear();
    const auto found =
        std::find_if(Pages.begin(), Pages.end(), [&](const auto& ahead) { return UpToDate(*ahead, divId, book); });
    if (found == Pages.end()) return std::nullopt;
    // While the reader's own run is under way the usual path stops it.
    if (Runner.Busy() && !Runner.RunningAhead()) return std::nullopt;
    const std::shared_ptr<TAheadPage> ahead = *found;
    Pages.erase(found);
    const TTransformationRunner::TRequest request = Runner.NoteRequest();
    if (Running != ahead && Runner.Busy()) Runner.StopCurrent();  // another part made ahead
    Runner.WaitIdle();                                            // nothing may use the kept book while it is checked
    superseded = !Runner.Wanted(request);
    if (superseded) return std::nullopt;
    // A page stopped or failed is made again; one whose files changed meanwhile too.
    if (!ahead->Done || !ahead->Page.Ok || !ahead->Book.ParsedInput->Unchanged() || !FilesUnchanged(ahead->Page.Reads))
        return std::nullopt;
    ReplayLog(ahead->Page.Log);
    return ahead->Page;
}

bool TPagesAhead::Holds(const std::string& divId) const {
    return std::any_of(Pages.begin(), Pages.end(),
                       [&](const auto& a) { return a->DivID == divId && a->Done && a->Page.Ok; });
}

void TPagesAhead::Clear() {
    Retry.stop();
    Waiting.clear();
    Pages.clear();
}
