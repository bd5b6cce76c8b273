#pragma once
// Service actions, the pages of a book's parts, and the query of the internal URLs.
#include <cstdint>
#include <string>

#include "TBookInfo.h"
#include "Transformation.h"

// Longest part identifier; longer ones are cut before a part is built.
inline constexpr std::size_t MaxDivIdLength = 255;

// The actions a book's service stylesheet is asked for, by their codes. A code given from
// outside (the renderer's --action) may be any other number: it asks for "DoNothing".
enum class TServiceAction : uint8_t { MakeTOC = 0, Search = 1, MD5SumRead = 2, MD5SumPrepare = 4 };

// "MakeTOC", "Search", "MD5SumRead", "MD5SumPrepare", else "DoNothing".
std::string ActionIdOf(TServiceAction action);

// The service stylesheet expanded with the one variable ActionID.
std::string ServiceStylesheet(TServiceAction action, const TBookInfo& book);

// Runs the service stylesheet with the one variable ActionID over the book XML.
TBookPage RunServiceAction(TServiceAction action, const TBookInfo& book, const TRunControl& control = {});
// The same with the action by its code.
TBookPage RunServiceAction(uint8_t code, const TBookInfo& book, const TRunControl& control = {});

// "&"-separated name=value pairs; an empty item ends the list, an item without "=" is skipped.
TXSLTParameters ParseQuery(const std::string& query);

// Whether a part identifier may be put into a template: empty, or only characters an XML name
// may hold. Ids come from links, bookmarks and the command line; markup in one would rewrite
// the stylesheet.
bool IsValidDivId(const std::string& divId);

// The book template expanded with the book's variables and DivID = divId (cut to
// MaxDivIdLength characters) appended last; book.TemplateParams is left as it was found.
// "" for an id that is not valid: it never reaches the template.
std::string BookPartStylesheet(const std::string& divId, TBookInfo& book);

// Expands the book template with the book's variables and DivID = divId (cut to
// MaxDivIdLength characters) and runs it over the book XML. book.TemplateParams is
// left as it was found. An id that is not valid gives a failure page saying so.
TBookPage BuildBookPart(const std::string& divId, TBookInfo& book, const TRunControl& control = {});

// Builds the key tables of the book's template over its kept parse ahead of its first page: the
// tables are the same for every part, and building them walks the whole book.
bool PrepareBookPartKeys(TBookInfo& book, const TStopToken& stop);

// divId cut to its first MaxDivIdLength characters (UTF-8 sequences are kept whole).
std::string CutDivId(const std::string& divId);
