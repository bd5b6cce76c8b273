#pragma once
// Why a book did not open or a part was not made, as the reader is told: what failed, the
// file at fault (with its line where known) and the cause.
#include <optional>
#include <string>

#include "TBookInfo.h"
#include "Transformation.h"

struct TBookFailure {
    std::string What;
    std::string File;
    std::string Cause;
    bool operator==(const TBookFailure&) const = default;
};

// The OS path a "file://" URI of the book record names; "" for any other URI.
std::string OsPathOfUri(const std::string& uri);
// A run's error text with the "<" and ">" its report escaped given back.
std::string UnescapedErrorText(const std::string& errorText);

// A root folder wider than the book's own: its pages would read the whole disk.
std::optional<TBookFailure> IntegrityFailureOf(const TBookInfo& book);
// Why the contents came out empty; contentsRun is the run of the service stylesheet.
TBookFailure ContentsFailureOf(const TBookInfo& book, const TBookPage& contentsRun);
// A book without template text.
std::optional<TBookFailure> TemplateFailureOf(const TBookInfo& book);
// A part's run that failed on an error with a place. A stop, a refused part id or an
// internal failure names none: its own text is the page.
std::optional<TBookFailure> PartFailureOf(const TBookInfo& book, const TBookPage& partRun);
