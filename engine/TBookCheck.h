#pragma once
// Checks a whole book for its author: the descriptor, the files it names, the contents and
// every page the contents lead to, with the place of each problem found. No widgets: a window
// runs it on a worker, the renderer from the command line.
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "TBookInfo.h"
#include "TContents.h"
#include "TSettings.h"
#include "TStopToken.h"
#include "Transformation.h"

enum class TCheckProblemKind {
    Descriptor,       // no descriptor, or a key naming a file that is not there
    NotParsed,        // book.xml or a stylesheet is no well-formed XML
    Contents,         // the contents could not be made
    PartFailed,       // a part's page was not made
    PartWarning,      // a part's run (or the contents run) logged a warning or an xsl:message
    BrokenLink,       // an internal link to an id that no contents entry has
    MissingResource,  // a local file a page refers to is not there
    OutsideBook,      // a local file a page refers to lies outside the folders the book may read
    DuplicateId,      // an id given twice in book.xml
    NoCaption,        // a contents entry without a caption
};

struct TCheckProblem {
    TCheckProblemKind Kind = TCheckProblemKind::Descriptor;
    std::string File;  // OS path; "" when no file is at fault
    long Line = 0;     // 0 when unknown
    long Column = 0;   // 0 when unknown
    std::string PartId;
    std::string Message;  // UTF-8, for the author

    // "file:line:column: message"; an unknown column or line is left out with its colon.
    std::string Printable() const;
};

struct TPartTime {
    std::string PartId;
    std::chrono::milliseconds Time{0};
};

struct TBookCheckReport {
    bool Checked = false;  // false when the descriptor could not be read at all
    bool Stopped = false;  // the stop token ended the check before every part was made
    std::vector<TCheckProblem> Problems;
    std::size_t PartCount = 0;       // parts made
    std::vector<TPartTime> Slowest;  // the five slowest parts, slowest first
    std::chrono::milliseconds ContentsTime{0};
    bool OneParse = true;  // every part was made over the parse the contents run kept
};

// Parts made so far and parts to make.
using TCheckProgress = std::function<void(std::size_t done, std::size_t total)>;

class TBookCheck {
public:
    TBookCheck(std::string descriptorFile, TSettings settings);
    TBookCheckReport Run(const TStopToken& stop, const TCheckProgress& progress = {});

private:
    bool ReadDescriptor();
    void CheckDescriptorFiles();
    bool CheckStylesheetParses(const std::string& uri, const std::string& expandedText);
    TContents MakeContents(const TStopToken& stop);
    void CheckIds(const TStopToken& stop);
    TSharedDoc ParseUnkept(const std::string& path);
    void CheckCaptions(const std::vector<TContentsItem>& items);
    void CheckPart(const std::string& divId, const TStopToken& stop);
    void CheckFailedRun(const TBookPage& run, const std::string& stylesheetUri, const std::string& partId,
                        TCheckProblemKind kind);
    void CheckRunLog(const TBookPage& run, const std::string& partId);
    void CheckPage(const TBookPage& page, const std::string& partId);
    void CheckReference(const std::string& reference, const std::string& partId);
    void CheckInternalLink(const std::string& link, const std::string& partId);
    // Adds a problem; one already reported for another part (same kind, place and message)
    // is counted there instead.
    void Add(TCheckProblem problem);
    long BookXmlLineOfReference(const std::string& ref) const;
    long BookXmlLineOf(const std::string& text) const;

    std::string DescriptorFile;
    TSettings Settings;
    TBookInfo Book;
    TBookCheckReport Report;
    std::map<std::string, std::size_t> Seen;  // problem key -> index in Report.Problems
    std::map<std::size_t, std::size_t> RepeatedIn;  // problem index -> further parts with it
    std::map<std::string, long> IdLines;  // ids of book.xml -> line of their first element
    std::vector<std::string> Entries;      // the contents entries' ids, each once, in order
    std::set<std::string> EntrySet;
    std::filesystem::path RootFolder;         // canonical: where a page's files may lie
    std::filesystem::path ProgramDataFolder;
    std::string BookXmlText;
    bool TemplateParses = true;
    bool BookXmlFaultTold = false;
};
