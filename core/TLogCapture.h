#pragma once
// Keeps the lines one thread logs instead of writing them, to be written later in their
// order: a page made ahead of the reader's request logs its run when it is shown.
#include <cstdint>
#include <string>

#include "Log.h"

class TLogCapture {
public:
    // Keeps this thread's lines from now on, until the capture goes.
    TLogCapture();
    ~TLogCapture();
    TLogCapture(const TLogCapture&) = delete;
    TLogCapture& operator=(const TLogCapture&) = delete;

    // The capture of the calling thread; none while nothing keeps its lines.
    static TLogCapture* OfThisThread();
    void Keep(const std::string& text, TLogLevel level, uint8_t code);
    TLogEntries TakeEntries() { return std::move(Entries); }

private:
    TLogEntries Entries;
    TLogCapture* Outer;
};

// Writes kept lines as one batch (WriteLogBatch), filtered as they are written.
void ReplayLog(const TLogEntries& entries);
