#include "TBookmarkStore.h"

#include <QDateTime>
#include <QSaveFile>
#include <climits>
#include <cstring>
#include <filesystem>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unordered_set>

#include "OsFiles.h"
#include "ProgramFolders.h"
#include "XmlOwners.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* Owner = "tomeria";
constexpr std::size_t MaxFileSize = 64u << 20;

const xmlChar* X(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

bool NameIs(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

const xmlNode* Child(const xmlNode* parent, const char* name) {
    for (const xmlNode* child = parent ? parent->children : nullptr; child; child = child->next)
        if (NameIs(child, name)) return child;
    return nullptr;
}

// The element's own text; entity references are not followed, so no expansion can blow up.
std::string TextOf(const xmlNode* element) {
    std::string text;
    for (const xmlNode* child = element ? element->children : nullptr; child; child = child->next)
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) && child->content)
            text += reinterpret_cast<const char*>(child->content);
    return text;
}

std::string Attribute(const xmlNode* element, const char* name) {
    const XmlChars value(xmlGetNoNsProp(element, X(name)));
    return value ? reinterpret_cast<const char*>(value.get()) : "";
}

// XML 1.0 cannot hold control characters other than tab and line breaks.
std::string XmlSafe(const std::string& text) {
    std::string safe;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') safe += c;
    return safe;
}

// The part id of a bookmark from elsewhere that has only the link: "...?DivID=id".
std::string PartOfHref(const std::string& href) {
    const std::string prefix = "tomeri://showdoc/?DivID=";
    if (href.rfind(prefix, 0) != 0) return {};
    return href.substr(prefix.size(), href.find_first_of("&#", prefix.size()) - prefix.size());
}

void ReadBookmark(const xmlNode* element, std::vector<TBookmark>& out, std::size_t& skipped) {
    const xmlNode* metadata = nullptr;
    if (const xmlNode* info = Child(element, "info"))
        for (const xmlNode* m = info->children; m; m = m->next)
            if (NameIs(m, "metadata") && Attribute(m, "owner") == Owner) metadata = m;
    TBookmark bookmark;
    bookmark.Caption = TextOf(Child(element, "title"));
    bookmark.Book = TextOf(Child(metadata, "book"));
    bookmark.PartId =
        metadata && Child(metadata, "part") ? TextOf(Child(metadata, "part")) : PartOfHref(Attribute(element, "href"));
    if (bookmark.Book.empty()) {
        ++skipped;
        return;
    }
    out.push_back(std::move(bookmark));
}

void ReadFolder(const xmlNode* folder, std::vector<TBookmark>& out, std::size_t& skipped, int depth) {
    if (depth > 100) return;  // libxml2 refuses deeper documents anyway
    for (const xmlNode* child = folder->children; child; child = child->next) {
        if (NameIs(child, "bookmark")) ReadBookmark(child, out, skipped);
        if (NameIs(child, "folder")) ReadFolder(child, out, skipped, depth + 1);
    }
}

std::string ReadFile(const std::string& osPath) {
    std::error_code ec;
    if (!fs::is_regular_file(osPath, ec)) throw std::runtime_error("файл не найден");
    if (fs::file_size(osPath, ec) > MaxFileSize) throw std::runtime_error("файл слишком велик");
    std::optional<std::string> bytes = ReadWholeFile(osPath, MaxFileSize);
    if (!bytes) throw std::runtime_error("файл не открывается");
    return std::move(*bytes);
}

void WriteAtomically(const std::string& osPath, const std::string& bytes) {
    std::error_code ec;
    const fs::path folder = fs::path(osPath).parent_path();
    if (!folder.empty()) fs::create_directories(folder, ec);
    QSaveFile file(QString::fromStdString(osPath));
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size()) &&
                    file.commit();
    if (!ok) throw std::runtime_error("Файл не записан: " + osPath + " (" + file.errorString().toStdString() + ")");
}

bool SamePart(const TBookmark& a, const TBookmark& b) { return a.Book == b.Book && a.PartId == b.PartId; }

// The book parts of a list, looked up in constant time: an import of hundreds of thousands of
// bookmarks compares each once, not with every other.
class TPartSet {
public:
    explicit TPartSet(const std::vector<TBookmark>& items) {
        Keys.reserve(items.size());
        for (const TBookmark& item : items)
            Insert(item);
    }
    // False when the part was there already.
    bool Insert(const TBookmark& bookmark) { return Keys.insert(Key(bookmark)).second; }

private:
    static std::string Key(const TBookmark& b) { return b.Book + '\0' + b.PartId; }
    std::unordered_set<std::string> Keys;
};

constexpr std::size_t CancelCheckEvery = 4096;

}  // namespace

std::string ToXbel(const std::vector<TBookmark>& bookmarks) {
    XmlDoc doc(xmlNewDoc(X("1.0")));
    xmlNode* root = xmlNewDocNode(doc.get(), nullptr, X("xbel"), nullptr);
    xmlDocSetRootElement(doc.get(), root);
    xmlCreateIntSubset(doc.get(), X("xbel"), X("+//IDN python.org//DTD XML Bookmark Exchange Language 1.0//EN//XML"),
                       X("http://pyxml.sourceforge.net/topics/dtds/xbel-1.0.dtd"));
    xmlNewProp(root, X("version"), X("1.0"));
    for (const TBookmark& b : bookmarks) {
        xmlNode* node = xmlNewChild(root, nullptr, X("bookmark"), nullptr);
        xmlNewProp(node, X("href"), X(XmlSafe("tomeri://showdoc/?DivID=" + b.PartId).c_str()));
        xmlNewTextChild(node, nullptr, X("title"), X(XmlSafe(b.Caption).c_str()));
        xmlNode* info = xmlNewChild(node, nullptr, X("info"), nullptr);
        xmlNode* metadata = xmlNewChild(info, nullptr, X("metadata"), nullptr);
        xmlNewProp(metadata, X("owner"), X(Owner));
        xmlNewTextChild(metadata, nullptr, X("book"), X(XmlSafe(b.Book).c_str()));
        xmlNewTextChild(metadata, nullptr, X("part"), X(XmlSafe(b.PartId).c_str()));
    }
    xmlChar* dumped = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc.get(), &dumped, &size, "UTF-8", 1);
    const XmlChars bytes(dumped);
    return std::string(reinterpret_cast<const char*>(bytes.get()), bytes ? static_cast<std::size_t>(size) : 0);
}

std::vector<TBookmark> FromXbel(const std::string& bytes, std::size_t* skipped) {
    XmlDoc doc;
    if (bytes.size() <= INT_MAX)
        doc.reset(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "bookmarks.xbel", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root) throw std::runtime_error("это не документ XML");
    if (!NameIs(root, "xbel")) throw std::runtime_error("это не файл закладок XBEL");
    std::vector<TBookmark> bookmarks;
    std::size_t ignored = 0;
    ReadFolder(root, bookmarks, skipped ? *skipped : ignored, 0);
    return bookmarks;
}

TBookmarkStore::TBookmarkStore(std::string osPath) : OsPath(std::move(osPath)) {}

std::string TBookmarkStore::DefaultPath() { return UserFoldersFromEnvironment().Config + "bookmarks.xbel"; }

std::string TBookmarkStore::Load() {
    Items.clear();
    ++Changes;
    std::error_code ec;
    if (!fs::exists(OsPath, ec)) return {};
    try {
        Items = FromXbel(ReadFile(OsPath));
        return {};
    } catch (const std::exception& e) {
        // Kept for the reader to recover by hand; the next save starts a new file.
        const std::string aside =
            OsPath + ".broken-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss").toStdString();
        fs::rename(OsPath, aside, ec);
        if (ec) throw std::runtime_error("Файл закладок не прочитан (" + std::string(e.what()) + "): " + OsPath);
        return "Файл закладок не прочитан (" + std::string(e.what()) + "); он сохранён как " + aside +
               ", закладки начаты заново.";
    }
}

std::vector<std::size_t> TBookmarkStore::OfBook(const std::string& book) const {
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < Items.size(); ++i)
        if (Items[i].Book == book) positions.push_back(i);
    return positions;
}

void TBookmarkStore::Commit(std::vector<TBookmark> items) {
    WriteAtomically(OsPath, ToXbel(items));
    Items = std::move(items);
    ++Changes;
}

bool TBookmarkStore::Add(const TBookmark& bookmark) {
    for (const TBookmark& held : Items)
        if (SamePart(held, bookmark)) return false;
    auto items = Items;
    items.push_back(bookmark);
    Commit(std::move(items));
    return true;
}

void TBookmarkStore::Rename(std::size_t index, const std::string& caption) {
    if (index >= Items.size()) return;
    auto items = Items;
    items[index].Caption = caption;
    Commit(std::move(items));
}

void TBookmarkStore::Remove(std::size_t index) {
    if (index >= Items.size()) return;
    auto items = Items;
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
    Commit(std::move(items));
}

void TBookmarkStore::Export(const std::string& osPath) const { WriteAtomically(osPath, ToXbel(Items)); }

TBookmarkImportPlan PlanBookmarkImport(const std::string& osPath, const std::vector<TBookmark>& held, unsigned revision,
                                       const std::atomic<bool>& cancel) {
    TBookmarkImportPlan plan;
    plan.Revision = revision;
    std::vector<TBookmark> incoming;
    try {
        incoming = FromXbel(ReadFile(osPath), &plan.Report.Skipped);
    } catch (const std::exception& e) {
        throw std::runtime_error("Закладки не импортированы из " + osPath + ": " + e.what() + ".");
    }
    TPartSet parts(held);
    plan.Items = held;
    for (std::size_t i = 0; i < incoming.size(); ++i) {
        if (i % CancelCheckEvery == 0 && cancel) throw std::runtime_error("Импорт закладок прерван.");
        if (!parts.Insert(incoming[i])) {
            ++plan.Report.Duplicates;
            continue;
        }
        plan.Items.push_back(std::move(incoming[i]));
        ++plan.Report.Added;
    }
    if (cancel) throw std::runtime_error("Импорт закладок прерван.");
    if (plan.Report.Added) plan.Xbel = ToXbel(plan.Items);
    return plan;
}

TBookmarkImport TBookmarkStore::Import(const std::string& osPath) {
    const std::atomic<bool> never{false};
    TBookmarkImportPlan plan = PlanBookmarkImport(osPath, Items, Changes, never);
    const TBookmarkImport report = plan.Report;
    AdoptImport(std::move(plan));
    return report;
}

bool TBookmarkStore::AdoptImport(TBookmarkImportPlan&& plan) {
    if (plan.Revision != Changes) return false;
    if (!plan.Report.Added) return true;
    WriteAtomically(OsPath, plan.Xbel);
    Items = std::move(plan.Items);
    ++Changes;
    return true;
}
