#pragma once
// An open book and the work on it, without a window: the book's record, its contents, the part
// on view, the requests for pages with their stops and the pages made ahead. Requests return at
// once; the answers come as signals on this object's thread, one result record each (the page
// and its encoding, the files its run read, whether the kept book served it; the reader's runs
// log as they go, a page made ahead brings its run's lines). A newer page request supersedes
// an older one: that one's run is stopped and its answer dropped. Opening or closing a book
// drops every answer still due for the one before.
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BookCatalog.h"
#include "BookFailures.h"
#include "TBookInfo.h"
#include "TBookCheck.h"
#include "TBookSearch.h"
#include "TBookWatch.h"
#include "TContents.h"
#include "TPagesAhead.h"
#include "TPlaceStore.h"
#include "TReadingHistory.h"
#include "TSettings.h"
#include "TTransformationPool.h"
#include "Transformation.h"

// An open request: the descriptor, and what comes after the contents.
struct TOpenRequest {
    std::string Path;
    bool Remember = true;  // the window puts the book at the top of the recent documents
    std::string Part;      // shown once the book is open; "" leaves that to the window
};

class TBookSession : public QObject {
    Q_OBJECT
public:
    // The session works on the records it is given, which must outlive it: the program passes
    // its globals, tests may pass their own.
    TBookSession(TBookInfo& book, const TSettings& settings, QObject* parent = nullptr);
    ~TBookSession() override;
    TBookSession(const TBookSession&) = delete;
    TBookSession& operator=(const TBookSession&) = delete;

    // Reads and checks the descriptor, then makes the contents (ContentsMade, then Opened); the
    // template's key tables are built beside them from the same parse, for the first page. A
    // document that is not a book is refused (Refused) and the open book stays.
    void Open(const TOpenRequest& request);
    // Stops the book's work; nothing of it is answered any more, and its kept parse goes. The
    // record keeps what the descriptor said. An open book says it has closed (Closed); an open
    // of another book closes the one open first.
    void Close();
    // Stops all work and answers nothing more: the window is closing.
    void Abandon();
    // Makes the page of divId (PartMade, or Failed for a failure with a place), superseding
    // the page request before it; the part goes into the reading history.
    void ShowPart(const std::string& divId);
    // Back and forward in the reading history: the part again, at the scroll position the
    // reader left it at, without a new entry. False at the ends.
    bool GoBack();
    bool GoForward();
    bool CanGoBack() const { return History.CanGoBack(); }
    bool CanGoForward() const { return History.CanGoForward(); }
    // The entry after or before the current one in reading order (depth first); "" at the ends
    // or when the current part is no entry.
    std::string NextPart() const;
    std::string PreviousPart() const;
    // The scroll position of the page on view, as the reader moves it; kept for going back.
    void KeepScroll(int scrollY);
    // Whether an open without a part shows the part and position the book was left at (kept
    // when it closes) rather than leaving the first entry to the window. Places are kept only
    // while the settings may be saved.
    bool RestoresPlaces();
    void SetRestoresPlaces(bool restore);
    // Whether the open book's files are watched: a save of one makes what it feeds again and
    // shows the part on view again at its scroll position. Kept beside the places.
    bool WatchesFiles();
    void SetWatchesFiles(bool watch);
    // A file the page on view loaded from the book (a style sheet, an image): watched too.
    void WatchPageFile(const std::string& osPath);
    TBookWatch& FileWatch() { return Watch; }
    // Checks the whole open book for its author, on the pool behind the reader's pages
    // (CheckProgress, then CheckEnded); a check under way is stopped first.
    void CheckBook();
    void StopCheck();
    // Stops the reader's requests under way: their answers say they were stopped.
    void Stop();
    // The reload actions: the template and the service stylesheet read again (the page on view
    // stays); the contents made again as well (ContentsMade).
    void ReloadTemplate();
    void ReloadService();
    void ReloadContents();
    // Lists the books of the book list on the pool, behind the reader's pages (BooksListed).
    void ListBooks();
    // Reads the titles of these books the same way (BooksDescribed).
    void DescribeBooks(const std::vector<std::string>& descriptors);

    const TBookInfo& Book() const { return Record; }
    const TContents& Contents() const { return Toc; }
    const std::string& CurrentPart() const { return Current; }
    // The first entry of the contents, "" without one.
    std::string FirstPart() const;
    // Whether a book has opened and not been closed since.
    bool IsOpen() const { return OpenNow; }
    // Whether a request of the reader's is under way.
    bool Busy() const { return PagePending || ContentsPending; }

    // How long the reader stays on a page before its neighbours are made ahead.
    int AheadDelayMs = 400;
    TPagesAhead& PagesAhead() { return Ahead; }
    // The open book's search index: built once the book has opened and again when a reload
    // makes new contents; dropped with the book.
    TBookSearch& Search() { return BookSearch; }
    const TBookSearch& Search() const { return BookSearch; }

signals:
    void Refused(const std::string& what, const std::string& path);
    void Closed();
    void Failed(const TBookFailure& failure);
    void ContentsMade(const TContents& contents);
    void Opened(const TOpenRequest& request);
    // scrollY: where to put the page once shown (0 for its top).
    void PartMade(const std::string& divId, const TBookPage& page, int scrollY);
    // Back, forward, next or previous may have become possible or impossible.
    void NavigationChanged();
    void BooksListed(const std::vector<TBookEntry>& books);
    void BooksDescribed(const std::vector<TBookEntry>& books);
    void BusyChanged(bool busy);
    void CheckProgress(int done, int total);
    void CheckEnded(const TBookCheckReport& report);

private:
    void Deliver(unsigned epoch, std::function<void()> answer);
    void SetPending(bool& flag, bool pending);
    void Drop();
    bool CheckBookIntegrity();
    void BuildTOC(std::optional<TOpenRequest> opening);
    void ContentsEnded(const TBookPage& run, const std::optional<TOpenRequest>& opening);
    void ContentsOpened(TOpenRequest shown);
    void StartIndexWhenIdle();
    TPlaceStore* Places();
    std::optional<TPlace> PlaceToRestore();
    void KeepPlace();
    void WatchBook();
    void WatchRunFiles(const TBookPage& page);
    void BookFilesChanged(const std::vector<TChangedFile>& files);
    void LoadTOCFromXml(const TBookPage& run);
    void RequestPart(const std::string& divId, int scrollY);
    void RunPart(unsigned request);
    void Answer(unsigned request, const TBookPage& page);
    void MakeNeighboursAhead();

    TBookInfo& Record;
    const TSettings& Settings;
    TContents Toc;
    std::vector<std::string> Order;  // the entries' parts, depth first
    std::string Current;
    int CurrentScroll = 0;  // where the requested page is to be shown
    TReadingHistory History;
    std::unique_ptr<TPlaceStore> PlaceRecords;  // read at its first use
    bool IndexDue = false;                      // the contents are new: the index is built once idle
    std::optional<bool> WatchSwitch;            // set by the reader in this run, else the records' value
    TBookWatch Watch;
    TStopToken CheckStop;
    unsigned CheckRun = 0;  // the newest check: reports of an older one are dropped
    unsigned Epoch = 0;        // bumped by Open, Close and Abandon: answers of an older one are dropped
    unsigned PageRequest = 0;  // the newest page request
    TStopToken PageStop, ContentsStop, KeysStop;
    bool PagePending = false, ContentsPending = false;
    bool OpenNow = false;
    // The reader's page runs go one after the other, each run's log lines together: a request
    // that comes while one runs waits for its (stopped) end.
    bool PageRunning = false;
    unsigned WaitingRun = 0;
    QTimer AheadTimer;
    TTransformationPool Pool;
    TPagesAhead Ahead{Pool};
    TBookSearch BookSearch;
};
