#include "TBookCheck.h"

#include "BookFailures.h"

#include <libxml/HTMLparser.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "BookDescriptor.h"
#include "BookFolders.h"
#include "OsFiles.h"
#include "PathRules.h"
#include "ServiceActions.h"
#include "SplitURI.h"
#include "TemplateExpansion.h"
#include "XmlOwners.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t SlowestShown = 5;
constexpr int HtmlOptions = HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING;

struct HtmlDocDeleter {
    void operator()(htmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using HtmlDoc = std::unique_ptr<xmlDoc, HtmlDocDeleter>;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

std::string PercentDecoded(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The line of key in section of an INI text; 0 when the key is not there.
long IniKeyLine(const std::string& text, const std::string& section, const std::string& key) {
    std::istringstream lines(text);
    std::string line, current;
    for (long number = 1; std::getline(lines, line); ++number) {
        line = Trimmed(line);
        if (line.size() > 1 && line.front() == '[' && line.back() == ']') {
            current = Lower(line.substr(1, line.size() - 2));
        } else if (current == Lower(section)) {
            const auto equals = line.find('=');
            if (equals != std::string::npos && Lower(Trimmed(line.substr(0, equals))) == Lower(key)) return number;
        }
    }
    return 0;
}

// The place a kept log line names: "... in URI:file:///path at line N" or "path:N[:M]: ...".
void PlaceOfLogLine(const std::string& text, std::string& file, long& line, long& column) {
    static const std::regex Trailing(R"( in URI:(\S+)(?: at line (\d+))?$)");
    static const std::regex Leading(R"(^((?:file://)?/[^:]*):(\d+):(?:(\d+):)? )");
    std::smatch match;
    if (std::regex_search(text, match, Trailing)) {
        file = match[1].str();
        line = match[2].matched ? std::stol(match[2].str()) : 0;
    } else if (std::regex_search(text, match, Leading)) {
        file = match[1].str();
        line = std::stol(match[2].str());
        column = match[3].matched ? std::stol(match[3].str()) : 0;
    }
    if (StartsWithNoCase(file, "file://")) file = OsPathOfUri(file);
    if (!file.empty() && file.front() != '/') file.clear();  // "arg:/" and the like name no file
}

// The text without the place the printable form already gives.
std::string WithoutPlace(const std::string& text) {
    static const std::regex Trailing(R"( in URI:\S+(?: at line \d+)?$)");
    static const std::regex Leading(R"(^(?:file://)?/[^:]*:\d+:(?:\d+:)? )");
    return std::regex_replace(std::regex_replace(text, Trailing, ""), Leading, "");
}

bool IsWarningLine(const TLogEntry& entry) {
    if (entry.Level == TLogLevel::Error || entry.Level == TLogLevel::Warning) return true;
    // xsl:message that does not end the run is logged as information (its place may come first).
    return entry.Level == TLogLevel::Info && entry.Text.find("xsl:message : ") != std::string::npos;
}

bool IsInside(const fs::path& file, const fs::path& folder) {
    const auto [end, _] = std::mismatch(folder.begin(), folder.end(), file.begin(), file.end());
    return end == folder.end();
}

fs::path Canonical(const std::string& osPath) {
    std::error_code error;
    const fs::path path = fs::weakly_canonical(osPath, error);
    return error ? fs::path(osPath).lexically_normal() : path;
}

void CollectCssUrls(const std::string& css, std::vector<std::string>& into) {
    static const std::regex Url(R"(url\(\s*(['"]?)([^'")]*)\1\s*\))", std::regex::icase);
    for (auto it = std::sregex_iterator(css.begin(), css.end(), Url); it != std::sregex_iterator(); ++it)
        into.push_back((*it)[2].str());
}

std::string TextOf(xmlNodePtr node) {
    XmlChars text(xmlNodeGetContent(node));
    return text ? reinterpret_cast<const char*>(text.get()) : "";
}

std::string PropOf(xmlNodePtr node, const char* name) {
    XmlChars value(xmlGetProp(node, BAD_CAST name));
    return value ? reinterpret_cast<const char*>(value.get()) : "";
}

// The links and local references of an HTML page: internal links, and the files it loads.
struct TPageRefs {
    std::vector<std::string> Links;
    std::vector<std::string> Files;
};

void CollectRefs(xmlNodePtr node, TPageRefs& refs) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        const std::string name = Lower(reinterpret_cast<const char*>(node->name));
        const std::string href = PropOf(node, "href");
        if (StartsWithNoCase(href, "tomeri:")) refs.Links.push_back(href);
        if (name == "link") refs.Files.push_back(href);
        if (name == "img" || name == "script") refs.Files.push_back(PropOf(node, "src"));
        if (name == "object") refs.Files.push_back(PropOf(node, "data"));
        if (name == "style") CollectCssUrls(TextOf(node), refs.Files);
        CollectCssUrls(PropOf(node, "style"), refs.Files);
        CollectRefs(node->children, refs);
    }
}

// The first error of a parse: the one an author mends first (the last is often its echo at
// the end of the file).
struct TParseFault {
    bool Found = false;
    long Line = 0;
    long Column = 0;
    std::string Message;
};

void KeepFirstFault(void* userData, xmlErrorPtr error) {
    const auto context = static_cast<xmlParserCtxtPtr>(userData);
    auto* fault = context != nullptr ? static_cast<TParseFault*>(context->_private) : nullptr;
    if (fault == nullptr || fault->Found || error == nullptr || error->level < XML_ERR_ERROR) return;
    *fault = {true, error->line, error->int2, Trimmed(error->message != nullptr ? error->message : "")};
}

// Parses with read, without the network and without printing; fault tells the first error.
XmlDoc ParseKeepingFault(const std::function<xmlDocPtr(xmlParserCtxtPtr, int)>& read, TParseFault& fault) {
    XmlParserCtxt context(xmlNewParserCtxt());
    if (!context) return {};
    context->_private = &fault;
    context->sax->serror = KeepFirstFault;
    XmlDoc doc(read(context.get(), XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!doc && !fault.Found)
        fault = {true, context->lastError.line, context->lastError.int2,
                 Trimmed(context->lastError.message != nullptr ? context->lastError.message : "")};
    return doc;
}

}  // namespace

std::string TCheckProblem::Printable() const {
    std::string text = File;
    if (Line > 0) {
        text += ":" + std::to_string(Line);
        if (Column > 0) text += ":" + std::to_string(Column);
    }
    return (text.empty() ? std::string() : text + ": ") + Message;
}

TBookCheck::TBookCheck(std::string descriptorFile, TSettings settings)
    : DescriptorFile(std::move(descriptorFile)), Settings(std::move(settings)) {}

TBookCheckReport TBookCheck::Run(const TStopToken& stop, const TCheckProgress& progress) {
    *this = TBookCheck(DescriptorFile, Settings);  // a second run starts afresh
    if (!ReadDescriptor()) return Report;
    Report.Checked = true;
    if (const std::string problem = RootPathProblem(Book); !problem.empty()) {
        Add({TCheckProblemKind::Descriptor, ToOsPath(DescriptorFile), 0, 0, "", problem});
        return Report;
    }
    CheckDescriptorFiles();
    RootFolder = Canonical(ToOsPath(Book.RootPath));
    ProgramDataFolder = Canonical(ToOsPath(Book.ProgramDataPath));
    const auto start = std::chrono::steady_clock::now();
    const TContents contents = MakeContents(stop);
    Report.ContentsTime =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (Report.Stopped) return Report;
    CheckIds(stop);
    CheckCaptions(contents.Items);
    std::vector<TPartTime> times;
    for (std::size_t done = 0; done < Entries.size() && TemplateParses; ++done) {
        if (stop.Tripped()) {
            Report.Stopped = true;
            break;
        }
        if (progress) progress(done, Entries.size());
        const auto partStart = std::chrono::steady_clock::now();
        CheckPart(Entries[done], stop);
        times.push_back({Entries[done], std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now() - partStart)});
    }
    if (progress && !Report.Stopped) progress(Entries.size(), Entries.size());
    Report.PartCount = times.size();
    std::stable_sort(times.begin(), times.end(), [](const auto& a, const auto& b) { return a.Time > b.Time; });
    times.resize(std::min(times.size(), SlowestShown));
    Report.Slowest = std::move(times);
    for (const auto& [index, count] : RepeatedIn)
        Report.Problems[index].Message += " (то же ещё в частях: " + std::to_string(count) + ")";
    return Report;
}

bool TBookCheck::ReadDescriptor() {
    const std::string osPath = ToOsPath(DescriptorFile);
    if (!IsRegularFile(osPath)) {
        Add({TCheckProblemKind::Descriptor, osPath, 0, 0, "", "Дескриптор книги не найден."});
        return false;
    }
    if (const std::string fault = DescriptorFault(DescriptorFile); !fault.empty()) {
        Add({TCheckProblemKind::Descriptor, osPath, 0, 0, "", fault});
        return false;
    }
    SetBookDefaults(Book, Settings);
    Book.DescriptorFile = DescriptorFile;
    try {
        ReadBookDescriptor(Book, Settings);
    } catch (const std::exception& error) {
        Add({TCheckProblemKind::Descriptor, osPath, 0, 0, "", std::string("Книга не прочитана: ") + error.what()});
        return false;
    }
    return true;
}

void TBookCheck::CheckDescriptorFiles() {
    const std::string descriptorText = ReadWholeFile(ToOsPath(DescriptorFile)).value_or("");
    const std::pair<const char*, std::string> files[] = {{"BookXMLFName", Book.BookXMLFName},
                                                         {"BookXSLTTFName", Book.BookXSLTTFName},
                                                         {"ServiceXSLTFile", Book.ServiceXSLTFile}};
    for (const auto& [key, uri] : files) {
        const std::string path = OsPathOfUri(uri);
        if (IsRegularFile(path)) continue;
        const long line = IniKeyLine(descriptorText, "BasicParams", key);
        Add({TCheckProblemKind::Descriptor, ToOsPath(DescriptorFile), line, 0, "",
             (line > 0 ? std::string("Ключ ") + key + " указывает на несуществующий файл: "
                       : std::string("Ключ ") + key + " не задан, а файла по умолчанию нет: ") +
                 path});
    }
    if (IsRegularFile(OsPathOfUri(Book.BookXMLFName)))
        BookXmlText = ReadWholeFile(OsPathOfUri(Book.BookXMLFName)).value_or("");
    // The engine reads the stylesheets with their line breaks removed; they are parsed here
    // from the files as written, expanded alike, so a fault is told with its line.
    const std::string templateFile = OsPathOfUri(Book.BookXSLTTFName);
    if (IsRegularFile(templateFile)) {
        TXSLTParameters params = Book.TemplateParams;
        params.push_back({"DivID", "x"});
        TemplateParses = CheckStylesheetParses(
            Book.BookXSLTTFName, ExpandTemplate(ReadWholeFile(templateFile).value_or(""), params));
    } else {
        TemplateParses = false;
    }
    const std::string serviceFile = OsPathOfUri(Book.ServiceXSLTFile);
    if (IsRegularFile(serviceFile))
        CheckStylesheetParses(Book.ServiceXSLTFile, ExpandTemplate(ReadWholeFile(serviceFile).value_or(""),
                                                                   {{"ActionID", ActionIdOf(TServiceAction::MakeTOC)}}));
}

bool TBookCheck::CheckStylesheetParses(const std::string& uri, const std::string& expandedText) {
    TParseFault fault;
    const XmlDoc doc = ParseKeepingFault(
        [&](xmlParserCtxtPtr context, int options) {
            return xmlCtxtReadMemory(context, expandedText.data(), static_cast<int>(expandedText.size()), uri.c_str(),
                                     nullptr, options);
        },
        fault);
    if (doc) return true;
    Add({TCheckProblemKind::NotParsed, OsPathOfUri(uri), fault.Line, fault.Column, "",
         "Таблица стилей не разобрана: " + fault.Message});
    return false;
}

TContents TBookCheck::MakeContents(const TStopToken& stop) {
    const TBookPage run = RunServiceAction(TServiceAction::MakeTOC, Book, {stop, true});
    if (run.Stopped) {
        Report.Stopped = true;
        return {};
    }
    if (!run.Ok) {
        CheckFailedRun(run, Book.ServiceXSLTFile, "", TCheckProblemKind::Contents);
        return {};
    }
    CheckRunLog(run, "");
    TContents contents = ReadContents(run.Html);
    const std::string serviceFile = OsPathOfUri(Book.ServiceXSLTFile);
    if (!contents.Parsed)
        Add({TCheckProblemKind::Contents, serviceFile, 0, 0, "", "Оглавление не построено: вывод не является XML."});
    else if (!contents.Error.empty())
        Add({TCheckProblemKind::Contents, serviceFile, 0, 0, "", "Оглавление прочитано не целиком: " + contents.Error});
    else if (contents.Items.empty())
        Add({TCheckProblemKind::Contents, serviceFile, 0, 0, "",
             "Служебная таблица стилей не дала ни одного раздела оглавления."});
    const std::function<void(const std::vector<TContentsItem>&)> collect = [&](const auto& items) {
        for (const TContentsItem& item : items) {
            if (EntrySet.insert(item.DivID).second) Entries.push_back(item.DivID);
            collect(item.Children);
        }
    };
    collect(contents.Items);
    return contents;
}

// Walks the parse the runs keep (made by the contents run), so the book is not parsed again.
void TBookCheck::CheckIds(const TStopToken& stop) {
    const std::string path = OsPathOfUri(Book.BookXMLFName);
    if (BookXmlText.empty() || !Book.ParsedInput) return;
    bool found = false;
    TSharedDoc doc = Book.ParsedInput->FindOrParse(path, [] { return XmlDoc(); }, stop, found);
    if (!doc) doc = ParseUnkept(path);  // the contents run failed before it read the book
    if (!doc) return;
    const std::function<void(xmlNodePtr)> walk = [&](xmlNodePtr node) {
        for (; node != nullptr; node = node->next) {
            if (node->type != XML_ELEMENT_NODE) continue;
            for (xmlAttrPtr attr = node->properties; attr != nullptr; attr = attr->next) {
                if (!xmlStrEqual(attr->name, BAD_CAST "id")) continue;
                if (attr->ns != nullptr && !xmlStrEqual(attr->ns->href, XML_XML_NAMESPACE)) continue;
                XmlChars value(xmlNodeListGetString(node->doc, attr->children, 1));
                const std::string id = value ? reinterpret_cast<const char*>(value.get()) : "";
                const long line = xmlGetLineNo(node);
                const auto [kept, added] = IdLines.emplace(id, line);
                if (!added)
                    Add({TCheckProblemKind::DuplicateId, path, line, 0, "",
                         "Идентификатор «" + id + "» уже встречался в строке " + std::to_string(kept->second) + "."});
            }
            walk(node->children);
        }
    };
    walk(xmlDocGetRootElement(doc.get()));
}

// book.xml parsed for the check alone; a fault not told yet is told with its place.
TSharedDoc TBookCheck::ParseUnkept(const std::string& path) {
    TParseFault fault;
    TSharedDoc doc(ParseKeepingFault(
        [&](xmlParserCtxtPtr context, int options) {
            return xmlCtxtReadFile(context, path.c_str(), nullptr, options);
        },
        fault));
    if (!doc && !BookXmlFaultTold)
        Add({TCheckProblemKind::NotParsed, path, fault.Line, fault.Column, "",
             "Файл книги не разобран: " + fault.Message});
    return doc;
}

void TBookCheck::CheckCaptions(const std::vector<TContentsItem>& items) {
    for (const TContentsItem& item : items) {
        if (Trimmed(item.Caption).empty()) {
            const auto line = IdLines.find(item.DivID);
            Add({TCheckProblemKind::NoCaption,
                 line != IdLines.end() ? OsPathOfUri(Book.BookXMLFName) : OsPathOfUri(Book.ServiceXSLTFile),
                 line != IdLines.end() ? line->second : 0, 0, item.DivID,
                 "У раздела оглавления «" + item.DivID + "» нет заголовка."});
        }
        CheckCaptions(item.Children);
    }
}

void TBookCheck::CheckPart(const std::string& divId, const TStopToken& stop) {
    const TBookPage page = BuildBookPart(divId, Book, {stop, true});
    if (page.Stopped) {
        Report.Stopped = true;
        return;
    }
    if (!page.Ok) {
        CheckFailedRun(page, Book.BookXSLTTFName, divId, TCheckProblemKind::PartFailed);
        return;
    }
    if (!page.KeptInputUsed) Report.OneParse = false;
    CheckRunLog(page, divId);
    CheckPage(page, divId);
}

void TBookCheck::CheckFailedRun(const TBookPage& run, const std::string& stylesheetUri, const std::string& partId,
                                TCheckProblemKind kind) {
    std::string file = OsPathOfUri(run.FailedUri);
    long line = run.FailedLine;
    if (file.empty()) {
        file = OsPathOfUri(stylesheetUri);
        line = 0;  // the in-memory copy has no line breaks
    }
    const std::string text = UnescapedErrorText(run.Html);
    const bool inBook = !run.FailedUri.empty() && OsPathOfUri(run.FailedUri) == OsPathOfUri(Book.BookXMLFName);
    if (inBook) BookXmlFaultTold = true;
    // A module the stylesheet imports that is no well-formed XML fails the run with a parser error.
    if (inBook || (line > 0 && text.rfind("XML parser", 0) == 0)) kind = TCheckProblemKind::NotParsed;
    const std::string what = kind == TCheckProblemKind::NotParsed
                                 ? (inBook ? "Файл книги не разобран: " : "Файл не разобран: ")
                             : kind == TCheckProblemKind::Contents
                                 ? "Оглавление не построено: ошибка преобразования: "
                                 : "Страница «" + partId + "» не построена: ";
    Add({kind, file, line, 0, partId, what + (line > 0 ? WithoutPlace(text) : text)});
}

void TBookCheck::CheckRunLog(const TBookPage& run, const std::string& partId) {
    for (const TLogEntry& entry : run.Log) {
        if (!IsWarningLine(entry)) continue;
        TCheckProblem problem{TCheckProblemKind::PartWarning, "", 0, 0, partId, ""};
        PlaceOfLogLine(entry.Text, problem.File, problem.Line, problem.Column);
        if (problem.File.empty())
            problem.File = OsPathOfUri(partId.empty() ? Book.ServiceXSLTFile : Book.BookXSLTTFName);
        problem.Message = (partId.empty() ? "Предупреждение при построении оглавления: "
                                          : "Предупреждение при построении страницы «" + partId + "»: ") +
                          (problem.Line > 0 ? WithoutPlace(entry.Text) : entry.Text);
        Add(problem);
    }
}

void TBookCheck::CheckPage(const TBookPage& page, const std::string& partId) {
    HtmlDoc doc(htmlReadMemory(page.Html.data(), static_cast<int>(page.Html.size()), nullptr,
                               page.Encoding.c_str(), HtmlOptions));
    if (!doc) return;
    TPageRefs refs;
    CollectRefs(xmlDocGetRootElement(doc.get()), refs);
    for (const std::string& link : refs.Links)
        CheckInternalLink(link, partId);
    for (const std::string& file : refs.Files)
        CheckReference(file, partId);
}

void TBookCheck::CheckInternalLink(const std::string& link, const std::string& partId) {
    const TSplittedURI parts = SplitURI(link);
    if (Lower(parts.Host) != "showdoc") return;
    for (const TXSLTParameter& param : ParseQuery(parts.Query)) {
        if (param.Name != "DivID") continue;
        if (EntrySet.count(param.Value) > 0) return;
        const long line = BookXmlLineOf("DivID=" + param.Value);
        Add({TCheckProblemKind::BrokenLink,
             line > 0 ? OsPathOfUri(Book.BookXMLFName) : OsPathOfUri(Book.BookXSLTTFName), line, 0, partId,
             "Ссылка ведёт на раздел «" + param.Value + "», которого нет в оглавлении."});
        return;
    }
}

// A reference with a scheme other than "file" (http, https, mailto, data, the viewer's own) is
// not a local file and is left alone: the check never reaches the network.
void TBookCheck::CheckReference(const std::string& reference, const std::string& partId) {
    std::string ref = Trimmed(reference);
    if (ref.empty() || ref.front() == '#') return;
    static const std::regex Scheme(R"(^([A-Za-z][A-Za-z0-9+.-]+):)");
    std::smatch match;
    if (std::regex_search(ref, match, Scheme)) {
        if (Lower(match[1].str()) != "file") return;
        ref = ref.substr(5);
        if (ref.rfind("//", 0) == 0) {
            const auto slash = ref.find('/', 2);
            ref = slash == std::string::npos ? std::string() : ref.substr(slash);
        }
    }
    ref = PercentDecoded(ref.substr(0, ref.find_first_of("?#")));
    if (ref.empty()) return;
    std::replace(ref.begin(), ref.end(), '\\', '/');
    // A relative reference is taken from the book's root, the base its pages are shown with.
    const fs::path target = ref.front() == '/' ? fs::path(ref) : fs::path(ToOsPath(Book.RootPath)) / ref;
    const fs::path canonical = Canonical(target.string());
    const bool inside = IsInside(canonical, RootFolder) || IsInside(canonical, ProgramDataFolder);
    if (inside && IsRegularFile(canonical.string())) return;
    // Looked up only for a fault: a search of a large book.xml for every good reference of
    // every page would cost more than making the pages.
    const long line = BookXmlLineOfReference(ref);
    const std::string file = line > 0 ? OsPathOfUri(Book.BookXMLFName) : OsPathOfUri(Book.BookXSLTTFName);
    if (!inside)
        Add({TCheckProblemKind::OutsideBook, file, line, 0, partId,
             "Страница ссылается на файл вне книги: " + canonical.string()});
    else
        Add({TCheckProblemKind::MissingResource, file, line, 0, partId,
             "Страница ссылается на несуществующий файл: " + canonical.string()});
}

// The line of book.xml whose attribute or url() gives the reference: the longest tail of its
// path that book.xml holds as a whole quoted or bracketed value (a template may put the
// book's root before it). 0 when none does: the template wrote the reference.
long TBookCheck::BookXmlLineOfReference(const std::string& ref) const {
    for (std::size_t from = 0; from < ref.size();) {
        const std::string tail = ref.substr(from);
        for (const auto& [open, close] : {std::pair{'"', '"'}, {'\'', '\''}, {'(', ')'}})
            if (const long line = BookXmlLineOf(open + tail + close); line > 0) return line;
        from = ref.find('/', from);
        if (from == std::string::npos) break;
        ++from;
    }
    return 0;
}

// The line of book.xml where text first appears; 0 when it does not.
long TBookCheck::BookXmlLineOf(const std::string& text) const {
    const std::size_t at = BookXmlText.find(text);
    if (at == std::string::npos) return 0;
    return 1 + static_cast<long>(std::count(BookXmlText.begin(), BookXmlText.begin() + static_cast<long>(at), '\n'));
}

void TBookCheck::Add(TCheckProblem problem) {
    if (!problem.File.empty()) problem.File = fs::path(problem.File).lexically_normal().string();
    // The same fault met again in another part (a link of the template on every page) is
    // told once, with the number of further parts.
    std::string key = std::to_string(static_cast<int>(problem.Kind)) + '\n' + problem.File + '\n' +
                      std::to_string(problem.Line) + '\n' + problem.Message;
    if (problem.Kind == TCheckProblemKind::PartFailed || problem.Kind == TCheckProblemKind::PartWarning) {
        const std::string quoted = "«" + problem.PartId + "»";
        for (std::size_t at = 0; (at = key.find(quoted, at)) != std::string::npos;) key.replace(at, quoted.size(), "«»");
    }
    const auto [it, added] = Seen.emplace(key, Report.Problems.size());
    if (added)
        Report.Problems.push_back(std::move(problem));
    else if (!problem.PartId.empty() && problem.PartId != Report.Problems[it->second].PartId)
        ++RepeatedIn[it->second];
}
