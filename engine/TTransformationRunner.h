#pragma once
// Runs the window's transformations on a worker thread, one at a time, while the event loop
// goes on: the window repaints and answers during a long one. A call waits in a local event loop until its job has ended, so the code that asks
// for a page reads step by step as before; a call made meanwhile stops the running job (the
// last request wins) or waits behind it.
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "TStopToken.h"

class TTransformationRunner : public QObject {
    Q_OBJECT
public:
    // What a call does with a job already running: stop it, or wait for it to end.
    enum class TArrival { Supersede, Queue };

    explicit TTransformationRunner(QObject* parent = nullptr);
    ~TTransformationRunner() override;
    TTransformationRunner(const TTransformationRunner&) = delete;
    TTransformationRunner& operator=(const TTransformationRunner&) = delete;

    // Runs job on the worker and returns once it has ended; an exception it throws is thrown
    // again here. False when its result is no longer wanted (a later superseding call, or
    // Abandon): the caller then shows nothing of it.
    // The job gets the stop token of its run, which the runner trips to stop it.
    bool Run(const std::function<void(const TStopToken&)>& job, TArrival arrival = TArrival::Supersede);
    // Starts job on the worker when nothing runs and returns at once: work done ahead of the
    // reader, without the busy cursor; any other call stops it. False when the worker is busy.
    bool RunAhead(std::function<void(const TStopToken&)> job);
    // Starts job on a second worker, beside the one the window waits for, unless a job started
    // there earlier still runs: work that the next request will need (the first page's key
    // tables while the contents is made). Abandon and the runner's end stop it.
    bool RunBeside(std::function<void(const TStopToken&)> job);
    // Waits until the worker has no job (one run ahead included).
    void WaitIdle();
    // A request answered without a run: the calls under way are no longer wanted, as when a
    // superseding call comes. Wanted tells whether a later one has come since, or Abandon.
    struct TRequest {
        unsigned Number;
        unsigned Epoch;
    };
    TRequest NoteRequest() { return {++LatestRequest, Epoch}; }
    bool Wanted(const TRequest& request) const { return request.Epoch == Epoch && request.Number == LatestRequest; }
    bool RunningAhead() const { return Busy() && AheadTicket == Posted; }
    // Stops the running job; its result is still wanted (its page says it was stopped).
    void StopCurrent();
    // Stops the running job and makes every call under way unwanted: the book or the window
    // is closing.
    void Abandon();
    bool Busy() const { return Posted != Ended; }

    // Longest wait for a stopped job when no event loop can run any more (the program is
    // ending); past it the program ends at once rather than hang.
    int StoppedJobLimitMs = 10000;

signals:
    // A job the reader waits for has started or ended.
    void BusyChanged(bool busy);
    void JobEnded();

private:
    void WorkerLoop();
    unsigned Post(std::function<void(const TStopToken&)> job, bool visible);
    void OnJobEnded(unsigned ticket);
    void AskStop();
    void WaitUntilEnded(unsigned ticket);
    void BlockUntilEnded(unsigned ticket);

    // Worker side, under Mutex.
    std::mutex Mutex;
    std::condition_variable WorkerWake;
    std::condition_variable JobDone;
    std::function<void(const TStopToken&)> Next;
    TStopToken NextStop;
    unsigned NextTicket = 0;
    bool Quit = false;
    std::atomic<unsigned> WorkerEnded{0};
    std::thread Worker;

    // User-interface side.
    unsigned Posted = 0;         // tickets of the jobs handed to the worker
    unsigned Ended = 0;          // tickets of the jobs whose end the window has seen
    unsigned LatestRequest = 0;  // the newest superseding call
    unsigned Epoch = 0;          // bumped by Abandon
    unsigned AheadTicket = 0;    // the last job run ahead
    unsigned Callers = 0;        // calls of Run under way: nothing is started ahead of them
    TStopToken CurrentStop;      // the stop of the job posted last

    std::thread Beside;
    std::atomic<bool> BesideDone{true};
    TStopToken BesideStop;
};
