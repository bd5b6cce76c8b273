#include "TLogCapture.h"

namespace {
thread_local TLogCapture* Current = nullptr;
}  // namespace

TLogCapture::TLogCapture() : Outer(Current) { Current = this; }

TLogCapture::~TLogCapture() { Current = Outer; }

TLogCapture* TLogCapture::OfThisThread() { return Current; }

void TLogCapture::Keep(const std::string& text, TLogLevel level, uint8_t code) {
    Entries.push_back({text, level, code});
}

void ReplayLog(const TLogEntries& entries) { WriteLogBatch(entries); }
