#include "TPagesAhead.h"

#include <QTimer>
#include <algorithm>
#include <exception>

#include "ServiceActions.h"
#include "TFileReadRecord.h"
#include "TLogCapture.h"

struct TPagesAhead::TAheadPage {
    std::string DivID;
    std::string Stylesheet;  // the expanded template the page was made from
    TBookInfo Book;          // a copy: the session may change its record meanwhile
    TBookPage Page;          // with its run's log lines and the files it read; set by the run
    TStopToken Stop;
    bool Done = false;  // the run's end has reached this thread
    TReady Waiting;     // the reader's request that waits for this page
};

TPagesAhead::TPagesAhead(TTransformationPool& pool, QObject* parent) : QObject(parent), Pool(pool) {}

TPagesAhead::~TPagesAhead() { Clear(); }

void TPagesAhead::MakeAhead(const std::vector<std::string>& divIds, const TBookInfo& book) {
    const auto wanted = [&](const std::shared_ptr<TAheadPage>& ahead) {
        if (ahead->Done && !ahead->Page.Ok) return false;  // stopped or failed: made again if asked
        return std::find(divIds.begin(), divIds.end(), ahead->DivID) != divIds.end() &&
               UpToDate(*ahead, ahead->DivID, book);
    };
    std::erase_if(Pages, [&](const auto& ahead) {
        if (wanted(ahead) || ahead->Waiting) return false;
        ahead->Stop.Trip();
        return true;
    });
    for (const std::string& divId : divIds) {
        const bool held = std::any_of(Pages.begin(), Pages.end(), [&](const auto& a) { return a->DivID == divId; });
        if (held) continue;
        auto ahead = std::make_shared<TAheadPage>();
        ahead->DivID = divId;
        ahead->Book = book;
        try {
            ahead->Stylesheet = BookPartStylesheet(divId, ahead->Book);
        } catch (const std::exception&) {
            continue;  // the reader meets the template's fault when asking for the part
        }
        Pages.push_back(ahead);
        Start(ahead);
    }
}

void TPagesAhead::Start(const std::shared_ptr<TAheadPage>& ahead) {
    const unsigned generation = Generation;
    // The run gets copies of its own: the page's record stays this thread's.
    ahead->Stop = Pool.Submit(TTransformationPool::TPriority::Ahead, [this, ahead, generation, divId = ahead->DivID,
                                                                       book = ahead->Book](const TStopToken& stop) mutable {
        // Work ahead must not keep a processor busy for long on the reader's behalf.
        QMetaObject::invokeMethod(this, [this, stop] { QTimer::singleShot(AheadRunLimitMs, this, [stop] { stop.Trip(); }); },
                                  Qt::QueuedConnection);
        TBookPage page = BuildBookPart(divId, book, {stop, true});
        QMetaObject::invokeMethod(
            this,
            [this, ahead, generation, page = std::move(page)]() mutable {
                if (generation != Generation) return;
                ahead->Page = std::move(page);
                Ended(ahead);
            },
            Qt::QueuedConnection);
    });
}

void TPagesAhead::Ended(const std::shared_ptr<TAheadPage>& ahead) {
    ahead->Done = true;
    if (ahead->Waiting) {
        const TReady ready = std::move(ahead->Waiting);
        ahead->Waiting = nullptr;
        std::erase(Pages, ahead);
        HandOver(ahead, ready);
    }
    emit PageEnded(ahead->DivID);
}

// A page stopped or failed is made again by the reader's own run; one whose files changed
// meanwhile too.
void TPagesAhead::HandOver(const std::shared_ptr<TAheadPage>& ahead, const TReady& ready) {
    if (!ahead->Page.Ok || !ahead->Book.ParsedInput->Unchanged() || !FilesUnchanged(ahead->Page.Reads)) {
        ready(std::nullopt);
        return;
    }
    ReplayLog(ahead->Page.Log);
    ready(ahead->Page);
}

bool TPagesAhead::UpToDate(const TAheadPage& ahead, const std::string& divId, const TBookInfo& book) const {
    if (ahead.DivID != divId || !book.ParsedInput || ahead.Book.ParsedInput != book.ParsedInput) return false;
    TBookInfo current = book;
    return BookPartStylesheet(divId, current) == ahead.Stylesheet;
}

bool TPagesAhead::Take(const std::string& divId, const TBookInfo& book, TReady ready) {
    std::shared_ptr<TAheadPage> found;
    for (const auto& ahead : Pages) {
        ahead->Waiting = nullptr;
        if (!found && UpToDate(*ahead, divId, book))
            found = ahead;
        else if (!ahead->Done)
            ahead->Stop.Trip();  // the reader's request comes first
    }
    std::erase_if(Pages, [&](const auto& ahead) { return ahead != found && !ahead->Done; });
    if (!found) return false;
    if (!found->Done) {
        found->Waiting = std::move(ready);
        return true;
    }
    std::erase(Pages, found);
    // Answered from the event loop, as a run would be: the requester's state is set first.
    QMetaObject::invokeMethod(
        this, [this, found, ready = std::move(ready), generation = Generation] {
            if (generation == Generation) HandOver(found, ready);
        },
        Qt::QueuedConnection);
    return true;
}

bool TPagesAhead::Holds(const std::string& divId) const {
    return std::any_of(Pages.begin(), Pages.end(),
                       [&](const auto& a) { return a->DivID == divId && a->Done && a->Page.Ok; });
}

bool TPagesAhead::Making(const std::string& divId) const {
    return std::any_of(Pages.begin(), Pages.end(), [&](const auto& a) { return a->DivID == divId && !a->Done; });
}

void TPagesAhead::StopAwaited() {
    for (const auto& ahead : Pages)
        if (ahead->Waiting) ahead->Stop.Trip();
}

void TPagesAhead::Clear() {
    ++Generation;
    for (const auto& ahead : Pages)
        ahead->Stop.Trip();
    Pages.clear();
}
