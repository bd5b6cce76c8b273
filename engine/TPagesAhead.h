#pragma once
// Pages made ahead of the reader: the neighbours of the part on view, made on the pool after
// the reader's own requests, and handed over at once when the reader asks for one of them,
// with the log lines of its run. A page is handed over only while it is what a run would
// make now: the same expanded stylesheet over the same kept book, whose file, imported
// modules and the other files its run read are unchanged.
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TBookInfo.h"
#include "TTransformationPool.h"
#include "Transformation.h"

class TPagesAhead : public QObject {
    Q_OBJECT
public:
    explicit TPagesAhead(TTransformationPool& pool, QObject* parent = nullptr);
    ~TPagesAhead() override;

    // Longest run of a page made ahead: one dearer is stopped, and made when the reader asks.
    int AheadRunLimitMs = 2000;

    // Makes the pages of these parts of book, in this order; pages of other parts are dropped
    // and their runs stopped.
    void MakeAhead(const std::vector<std::string>& divIds, const TBookInfo& book);
    // Hands over the page of divId: ready gets it (its run's lines written) once it is made,
    // or none when it failed, was stopped or is out of date. False when no page of divId is
    // made or being made: ready is then never called. The runs of other parts are stopped; a
    // later Take or Clear drops the wait.
    using TReady = std::function<void(std::optional<TBookPage>)>;
    bool Take(const std::string& divId, const TBookInfo& book, TReady ready);
    // Whether a page of divId is made and held, or being made (for the benchmark and the tests).
    bool Holds(const std::string& divId) const;
    bool Making(const std::string& divId) const;
    // Stops the run of a page the reader waits for: the wait ends as if it had failed.
    void StopAwaited();
    // Stops every run and drops every page.
    void Clear();

signals:
    // A page made ahead has been made (or its run has ended otherwise).
    void PageEnded(const std::string& divId);

private:
    struct TAheadPage;
    void Start(const std::shared_ptr<TAheadPage>& ahead);
    void Ended(const std::shared_ptr<TAheadPage>& ahead);
    void HandOver(const std::shared_ptr<TAheadPage>& ahead, const TReady& ready);
    bool UpToDate(const TAheadPage& ahead, const std::string& divId, const TBookInfo& book) const;

    TTransformationPool& Pool;
    std::vector<std::shared_ptr<TAheadPage>> Pages;
    unsigned Generation = 0;  // bumped by Clear: ends of runs from before are dropped
};
