#pragma once
// One XSLT transformation over a book, and the stopwatch that times it.
#include <chrono>
#include <string>

#include "TBookInfo.h"
#include "TFileReadRecord.h"
#include "TLogCapture.h"
#include "TStopToken.h"

// What one transformation gives: the output bytes in the encoding the stylesheet declares,
// or, when it failed, the error text with its angle brackets escaped (in UTF-8), shown as
// a page all the same.
struct TBookPage {
    std::string Html;
    std::string Encoding = "UTF-8";
    bool Ok = false;  // false when Html is an error text
    // Where the error that failed the run lies, when it names a place: the URI of its file (the
    // file a stylesheet handed over in memory came from, else its "arg:/" URI), the line and the
    // column there (0 when not known).
    std::string FailedUri;
    long FailedLine = 0;
    int FailedColumn = 0;
    bool Stopped = false;        // the run's stop token ended it
    bool KeptInputUsed = false;  // the book's kept parse served the run
    TFileReads Reads;            // the files the run read through the file handler
    TLogEntries Log;             // the run's log lines, when the run was asked to keep them
};

// A page that says why a run failed (html is its UTF-8 text).
TBookPage FailurePage(std::string html);

// How a transformation is run: the stop its requester holds, and whether its log lines are
// kept in the page (to be written by whoever takes it) rather than written as they come.
struct TRunControl {
    TStopToken Stop;
    bool KeepLog = false;
};

// Inputs handed over as in-memory buffers (used when their URI has the scheme "arg").
struct TArgs {
    std::string InputText;
    std::string StyleText;
    std::string StyleFile;  // URI of the file StyleText was made from, named in its messages
};

// Builds the key tables of the stylesheet over the book's kept parse (parsing it when it is not
// kept yet), so that the runs of that stylesheet to come find them built. Logs nothing: a fault
// shows when a page is made. False when nothing was built.
bool PrepareTransformationKeys(const std::string& inputUri, const std::string& styleUri, const TArgs& args,
                               const TBookInfo& book, const TStopToken& stop);

// Runs one transformation: its output, or on failure the processor's last error text with
// "<" and ">" escaped (or "Internal Error. Exception." when the engine itself failed; its
// cause is logged), or "Преобразование остановлено." when its stop token ended it. Runs on
// several threads go on side by side, over one kept book too.
TBookPage RunTransformation(const std::string& inputUri, const std::string& styleUri, const TArgs& args,
                            const TBookInfo& book, const TRunControl& control = {});

// The state of the stopwatch that times transformations.
struct TStopwatch {
    std::chrono::steady_clock::time_point Start;
    bool Running = false;
};
extern TStopwatch StopwatchState;

// Start: records the time and returns "". Stop: returns the elapsed time as
// "h:m:s.mmm" (whole days dropped).
std::string Stopwatch(bool start);
// The text form used by Stopwatch: hours, minutes and seconds without leading zeros,
// milliseconds in three digits.
std::string FormatElapsed(std::chrono::milliseconds elapsed);
