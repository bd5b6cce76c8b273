#pragma once
// What the engine knows about the open book, and the name/value pairs used for
// template variables and URL queries.
#include <memory>
#include <string>
#include <vector>

#include "TParsedInputCache.h"

// One template variable or query pair. Names compare case-sensitively wherever looked up.
struct TXSLTParameter {
    std::string Name;
    std::string Value;
    bool operator==(const TXSLTParameter&) const = default;
};
using TXSLTParameters = std::vector<TXSLTParameter>;

// The open book. Paths keep the backslash form; the three file names become "file://"
// URIs once the descriptor is read. The two stylesheet texts are the files' bytes with
// every line break removed.
struct TBookInfo {
    std::string RootPath;  // resolved, not normalised
    std::string ShemesPath;
    std::string DataPath;
    std::string DescriptorFile;      // full path of the descriptor that was opened
    std::string ProgramDataPath;     // the program's data folder, which every book may read
    std::string ServiceXSLTFile;     // URI of the service stylesheet
    std::string BookXMLFName;        // URI of the book XML
    std::string BookXSLTTFName;      // URI of the stylesheet template
    TXSLTParameters TemplateParams;  // TemplateVariables, then TemplatePaths, then "RootPath"
    bool TOCisExpanded = true;
    bool Opened = false;
    std::string ServiceXSLT;
    std::string BookXSLTT;
    // book.xml as parsed by the last transformation, for the next ones while the file is
    // unchanged; copies of the record share it. Made anew when a book is opened.
    std::shared_ptr<TParsedInputCache> ParsedInput;
};

extern TBookInfo BookInfo;
