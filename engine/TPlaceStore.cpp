#include "TPlaceStore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <unordered_set>

#include "Log.h"
#include "OsFiles.h"
#include "PathRules.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* PlacesFileName = "places.json";
// Room for the version and the switch around the records.
constexpr std::uintmax_t FrameBytes = 1024;

QString Text(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// A string the file holds unchanged: JSON text is UTF-8, so other bytes would come back altered.
bool Storable(const std::string& text) {
    return !text.empty() && text.size() <= TPlaceStore::MaxKeyBytes && Text(text).toStdString() == text;
}

std::optional<std::string> StringField(const QJsonObject& object, const char* name) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isString()) return std::nullopt;
    std::string text = value.toString().toStdString();
    if (text.empty() || text.size() > TPlaceStore::MaxKeyBytes) return std::nullopt;
    return text;
}

std::optional<std::int32_t> ScrollField(const QJsonObject& object) {
    const QJsonValue value = object.value(QLatin1String("scroll"));
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    if (number < 0 || number > std::numeric_limits<std::int32_t>::max() || number != std::floor(number))
        return std::nullopt;
    return static_cast<std::int32_t>(number);
}

std::optional<double> FractionField(const QJsonObject& object) {
    const QJsonValue value = object.value(QLatin1String("fraction"));
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    if (!(number >= 0 && number <= 1)) return std::nullopt;
    return number;
}

QJsonObject ToObject(const std::string& book, const TPlace& place) {
    QJsonObject object;
    object.insert(QLatin1String("book"), Text(book));
    object.insert(QLatin1String("part"), Text(place.Part));
    object.insert(QLatin1String("scroll"), place.Scroll);
    object.insert(QLatin1String("fraction"), place.Fraction);
    return object;
}

// Makes the folder, then replaces the file through a temporary one beside it.
bool WriteAtomically(const std::string& osPath, const std::string& bytes, std::string& error) {
    std::error_code ec;
    const fs::path folder = fs::path(osPath).parent_path();
    if (!folder.empty()) fs::create_directories(folder, ec);
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(osPath)));
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size()) &&
                    file.commit();
    if (!ok) error = file.errorString().toStdString();
    return ok;
}

}  // namespace

TPlaceStore::TPlaceStore(std::string osPath) : OsPath(std::move(osPath)) {}

std::string TPlaceStore::PathIn(const TSettings& settings) {
    const std::string& base = settings.StateDir.empty() ? settings.ProgramDir : settings.StateDir;
    return ToOsPath(NormalizeFolder(base) + PlacesFileName);
}

void TPlaceStore::Load() {
    Entries.clear();
    RestorePlaces = true;
    WatchBookFiles = true;
    std::error_code ec;
    const fs::file_status status = fs::status(OsPath, ec);
    if (status.type() == fs::file_type::not_found) return;
    try {
        if (ec) throw std::runtime_error("файл недоступен (" + ec.message() + ")");
        if (status.type() != fs::file_type::regular) throw std::runtime_error("это не файл");
        const std::uintmax_t size = fs::file_size(OsPath, ec);
        if (!ec && size > MaxFileBytes) throw std::runtime_error("файл слишком велик");
        const std::optional<std::string> bytes = ReadWholeFile(OsPath, MaxFileBytes);
        if (!bytes) throw std::runtime_error("файл не читается");
        FromJson(*bytes);
    } catch (const std::exception& e) {
        Entries.clear();
        RestorePlaces = true;
    WatchBookFiles = true;
        WriteLog("Места чтения не загружены из " + OsPath + ": " + e.what() + "; файл будет записан заново.",
                 TLogLevel::Warning);
    }
}

void TPlaceStore::FromJson(const std::string& bytes) {
    QJsonParseError parse{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())), &parse);
    if (parse.error != QJsonParseError::NoError)
        throw std::runtime_error("это не JSON (" + parse.errorString().toStdString() + ")");
    // The version first: a newer format may be shaped differently and is named as such.
    const QJsonValue version = doc.object().value(QLatin1String("version"));
    if (!doc.isObject() || !version.isDouble() || version.toDouble() < 1 ||
        version.toDouble() != std::floor(version.toDouble()))
        throw std::runtime_error("файл повреждён");
    if (version.toDouble() > FormatVersion)
        throw std::runtime_error("формат версии " + QString::number(version.toDouble()).toStdString() +
                                 " новее известного (" + std::to_string(FormatVersion) + ")");
    const QJsonValue restore = doc.object().value(QLatin1String("restore"));
    const QJsonValue watch = doc.object().value(QLatin1String("watch"));
    const QJsonValue places = doc.object().value(QLatin1String("places"));
    if (!places.isArray() || !(restore.isBool() || restore.isUndefined()) || !(watch.isBool() || watch.isUndefined()))
        throw std::runtime_error("файл повреждён");

    RestorePlaces = restore.toBool(true);
    WatchBookFiles = watch.toBool(true);
    std::unordered_set<std::string> held;
    std::size_t skipped = 0;
    for (const QJsonValue item : places.toArray()) {
        if (Entries.size() == MaxBooks) break;
        const QJsonObject object = item.toObject();
        const std::optional<std::string> book = StringField(object, "book");
        const std::optional<std::string> part = StringField(object, "part");
        const std::optional<std::int32_t> scroll = ScrollField(object);
        const std::optional<double> fraction = FractionField(object);
        if (!book || !part || !scroll || !fraction || !held.insert(*book).second) {
            ++skipped;
            continue;
        }
        Entries.push_back({*book, {*part, *scroll, *fraction}});
    }
    if (skipped)
        WriteLog("Места чтения в " + OsPath + ": пропущено неверных записей: " + std::to_string(skipped) + ".",
                 TLogLevel::Warning);
}

std::optional<TPlace> TPlaceStore::Find(const std::string& book) const {
    for (const TEntry& entry : Entries)
        if (entry.Book == book) return entry.Place;
    return std::nullopt;
}

void TPlaceStore::Record(const std::string& book, TPlace place) {
    if (!Storable(book) || !Storable(place.Part)) return;
    place.Scroll = std::max<std::int32_t>(place.Scroll, 0);
    place.Fraction = std::isnan(place.Fraction) ? 0 : std::clamp(place.Fraction, 0.0, 1.0);
    std::erase_if(Entries, [&](const TEntry& entry) { return entry.Book == book; });
    Entries.insert(Entries.begin(), {book, std::move(place)});
    if (Entries.size() > MaxBooks) Entries.resize(MaxBooks);
}

std::vector<std::string> TPlaceStore::Books() const {
    std::vector<std::string> books;
    books.reserve(Entries.size());
    for (const TEntry& entry : Entries)
        books.push_back(entry.Book);
    return books;
}

std::string TPlaceStore::ToJson() const {
    // The oldest records give way when the file would grow past what Load reads; with paths of
    // ordinary length all MaxBooks fit many times over.
    QJsonArray places;
    std::uintmax_t size = FrameBytes;
    for (const TEntry& entry : Entries) {
        const QJsonObject object = ToObject(entry.Book, entry.Place);
        size += static_cast<std::uintmax_t>(QJsonDocument(object).toJson(QJsonDocument::Compact).size()) + 1;
        if (size > MaxFileBytes) break;
        places.append(object);
    }
    QJsonObject root;
    root.insert(QLatin1String("version"), FormatVersion);
    root.insert(QLatin1String("restore"), RestorePlaces);
    root.insert(QLatin1String("watch"), WatchBookFiles);
    root.insert(QLatin1String("places"), places);
    return QJsonDocument(root).toJson(QJsonDocument::Compact).toStdString();
}

bool TPlaceStore::Save() const {
    std::string error;
    if (WriteAtomically(OsPath, ToJson(), error)) return true;
    WriteLog("Места чтения не сохранены в " + OsPath + ": " + error, TLogLevel::Error);
    return false;
}
