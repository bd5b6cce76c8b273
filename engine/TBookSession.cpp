#include "TBookSession.h"

#include "BookDescriptor.h"
#include "ServiceActions.h"

TBookSession::TBookSession(QObject* parent) : QObject(parent) {}

TBookSession::~TBookSession() { Pool.StopAll(); }

// Hands an answer from a worker to this object's thread, unless the book changed meanwhile.
void TBookSession::Deliver(unsigned epoch, std::function<void()> answer) {
    QMetaObject::invokeMethod(
        this,
        [this, epoch, answer = std::move(answer)] {
            if (epoch == Epoch) answer();
        },
        Qt::QueuedConnection);
}

void TBookSession::SetPending(bool& flag, bool pending) {
    const bool wasBusy = Busy();
    flag = pending;
    if (Busy() != wasBusy) emit BusyChanged(Busy());
}

void TBookSession::Open(const TBookInfo& book) {
    Close();
    Record = book;
    Record.ParsedInput = std::make_shared<TParsedInputCache>();
    const unsigned epoch = Epoch;
    SetPending(ContentsPending, true);
    ContentsStop = Pool.Submit(TTransformationPool::TPriority::Reader, [this, epoch, book = Record](const TStopToken& stop) {
        TBookPage page = RunServiceAction(TServiceAction::MakeTOC, book, {stop, true});
        Deliver(epoch, [this, page = std::move(page)] {
            SetPending(ContentsPending, false);
            emit ContentsMade(page);
        });
    });
    KeysStop = Pool.Submit(TTransformationPool::TPriority::Ahead, [book = Record](const TStopToken& stop) mutable {
        PrepareBookPartKeys(book, stop);
    });
}

void TBookSession::Close() {
    ++Epoch;
    for (const TStopToken* stop : {&PageStop, &ContentsStop, &KeysStop})
        stop->Trip();
    SetPending(PagePending, false);
    SetPending(ContentsPending, false);
    Current.clear();
    Record = {};
}

void TBookSession::ShowPart(const std::string& divId) {
    PageStop.Trip();  // the request before is superseded
    Current = CutDivId(divId);
    const unsigned request = ++PageRequest;
    const unsigned epoch = Epoch;
    SetPending(PagePending, true);
    PageStop = Pool.Submit(TTransformationPool::TPriority::Reader,
                           [this, epoch, request, divId = Current, book = Record](const TStopToken& stop) mutable {
                               TBookPage page = BuildBookPart(divId, book, {stop, true});
                               Deliver(epoch, [this, request, divId, page = std::move(page)] {
                                   if (request != PageRequest) return;  // a later request answers
                                   SetPending(PagePending, false);
                                   emit PartMade(divId, page);
                               });
                           });
}

void TBookSession::Stop() { PageStop.Trip(); }
