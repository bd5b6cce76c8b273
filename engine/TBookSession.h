#pragma once
// An open book and the work on it, without a window: the book's record, its contents, the part
// on view, and the requests for pages with their stops. Requests return at once; the answers
// come as signals on this object's thread, one result record each (the page, its run's log
// lines, the files it read, whether the kept book served it). A newer page request supersedes
// an older one: that one's run is stopped and its answer dropped. Opening or closing a book
// drops every answer still due for the one before.
#include <QObject>
#include <string>

#include "TBookInfo.h"
#include "TTransformationPool.h"
#include "Transformation.h"

class TBookSession : public QObject {
    Q_OBJECT
public:
    explicit TBookSession(QObject* parent = nullptr);
    ~TBookSession() override;
    TBookSession(const TBookSession&) = delete;
    TBookSession& operator=(const TBookSession&) = delete;

    // Takes a book whose descriptor is read and checked and makes its contents (ContentsMade);
    // the template's key tables are built beside it from the same parse, for the first page.
    void Open(const TBookInfo& book);
    // Stops the book's work; nothing of it is answered any more, and its kept parse goes.
    void Close();
    // Makes the page of divId (PartMade), superseding the page request before it.
    void ShowPart(const std::string& divId);
    // Stops the page request under way: its answer says it was stopped.
    void Stop();

    const TBookInfo& Book() const { return Record; }
    const std::string& CurrentPart() const { return Current; }
    // Whether a request of the reader's is under way.
    bool Busy() const { return PagePending || ContentsPending; }

signals:
    void ContentsMade(const TBookPage& page);
    void PartMade(const std::string& divId, const TBookPage& page);
    void BusyChanged(bool busy);

private:
    void Deliver(unsigned epoch, std::function<void()> answer);
    void SetPending(bool& flag, bool pending);

    TTransformationPool Pool;
    TBookInfo Record;
    std::string Current;
    unsigned Epoch = 0;        // bumped by Open and Close: answers of an older one are dropped
    unsigned PageRequest = 0;  // the newest page request
    TStopToken PageStop, ContentsStop, KeysStop;
    bool PagePending = false, ContentsPending = false;
};
