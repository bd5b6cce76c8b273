#pragma once
// One XSLT transformation over a book, and the stopwatch that times it.
#include <chrono>
#include <string>

#include "TBookInfo.h"

// Inputs handed over as in-memory buffers (used when their URI has the scheme "arg").
struct TArgs {
    std::string InputText;
    std::string StyleText;
};

// Runs one transformation and returns its output bytes, or on failure the processor's
// last error text with "<" and ">" escaped (or "Internal Error. Exception."). The
// optional outputs tell the caller which it got: *ok is true on success; *outputEncoding
// is the stylesheet's declared output encoding on success and "UTF-8" for an error text.
std::string RunTransformation(const std::string& inputUri, const std::string& styleUri, const TArgs& args,
                              const TBookInfo& book, std::string* outputEncoding = nullptr, bool* ok = nullptr);

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
