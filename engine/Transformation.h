#pragma once
// One XSLT transformation over a book, and the stopwatch that times it.
#include <chrono>
#include <string>

#include "TBookInfo.h"

// What one transformation gives: the output bytes in the encoding the stylesheet declares,
// or, when it failed, the error text with its angle brackets escaped (in UTF-8), shown as
// a page all the same.
struct TBookPage {
    std::string Html;
    std::string Encoding = "UTF-8";
    bool Ok = false;  // false when Html is an error text
    // Where the error that failed the run lies, when it names a place: the URI of its file ("arg:/"
    // for a stylesheet handed over in memory) and the line there (0 when none is known).
    std::string FailedUri;
    long FailedLine = 0;
};

// Inputs handed over as in-memory buffers (used when their URI has the scheme "arg").
struct TArgs {
    std::string InputText;
    std::string StyleText;
};

// Stops the transformation under way, if any: its page says it was stopped. Safe to call from
// a signal handler or another thread.
void StopTransformation();

// Runs one transformation: its output, or on failure the processor's last error text with
// "<" and ">" escaped (or "Internal Error. Exception." when the engine itself failed; its
// cause is logged).
TBookPage RunTransformation(const std::string& inputUri, const std::string& styleUri, const TArgs& args,
                            const TBookInfo& book);

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
