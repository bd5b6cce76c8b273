#pragma once
// Pages made ahead of the reader: the neighbours of the part on view, made one after the
// other on the worker while nothing else runs, and handed over at once when the reader asks
// for one of them, with the log lines of its run. A page is handed over only while it is
// what a run would make now: the same expanded stylesheet over the same kept book, whose file,
// imported modules and the other files its run read are unchanged.
#include <QObject>
#include <QTimer>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TBookInfo.h"
#include "Transformation.h"

class TTransformationRunner;

class TPagesAhead : public QObject {
    Q_OBJECT
public:
    explicit TPagesAhead(TTransformationRunner& runner, QObject* parent = nullptr);

    // Longest run of a page made ahead: one dearer is stopped, and made when the reader asks.
    int AheadRunLimitMs = 2000;

    // Makes the pages of these parts of book, in this order; pages of other parts are dropped.
    void MakeAhead(const std::vector<std::string>& divIds, const TBookInfo& book);
    // The page of divId made ahead, its run's log lines written now; none when there is none
    // or it is out of date. Waits for it when it is being made; superseded tells that a later
    // request came meanwhile, which shows its own page.
    std::optional<TBookPage> Take(const std::string& divId, const TBookInfo& book, bool& superseded);
    // Whether a page of divId is made and held (for the benchmark and the tests).
    bool Holds(const std::string& divId) const;
    void Clear();

private:
    struct TAheadPage;
    void StartNext();
    bool UpToDate(const TAheadPage& ahead, const std::string& divId, const TBookInfo& book) const;

    TTransformationRunner& Runner;
    std::vector<std::shared_ptr<TAheadPage>> Pages;
    std::deque<std::shared_ptr<TAheadPage>> Waiting;
    std::shared_ptr<TAheadPage> Running;
    QTimer RunLimit;
    QTimer Retry;  // the worker was busy with the reader's request: try again shortly
};
