#include "IniFile.h"

// The library is used header-only: byte strings, no character-set conversion.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "OsFiles.h"
#include "PathRules.h"
#include "TextRules.h"

namespace {

constexpr std::size_t MaxValueLength = 2047;

using TNames = CSimpleIniA::TNamesDepend;

TNames InLoadOrder(TNames names) {
    names.sort(CSimpleIniA::Entry::LoadOrder());
    return names;
}

// Writes all of the text at the start of the file and forces it to the disk, so that a
// crash or power loss right after the save cannot leave an empty settings file.
bool WriteAndSync(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t written = ::pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return ::fsync(fd) == 0;
}

// A file descriptor that is closed when it goes; Close reports a failed close.
class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : Fd(fd) {}
    ~TFileDescriptor() {
        if (Fd >= 0) ::close(Fd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return Fd; }
    bool Close() { return ::close(std::exchange(Fd, -1)) == 0; }

private:
    int Fd;
};

// The access rights the replacement gets: those of the file it replaces, else what a new
// file gets under the process's umask.
mode_t ReplacementMode(const std::string& osPath) {
    struct stat previous {};
    if (::stat(osPath.c_str(), &previous) == 0 && S_ISREG(previous.st_mode)) return previous.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The way the new text reaches the disk without ever leaving a half-written file in the old
// one's place: a new file beside it, made under a fresh name and exclusively (nothing found
// at that name is followed or overwritten), renamed over the old one once complete. Sets
// errno and leaves nothing behind when it fails.
bool ReplaceWithNewFile(const std::string& osPath, const std::string& text) {
    std::string tempPath = osPath + ".XXXXXX";
    TFileDescriptor temp(::mkostemp(tempPath.data(), O_CLOEXEC));
    if (temp.Get() < 0) return false;
    bool ok = ::fchmod(temp.Get(), ReplacementMode(osPath)) == 0 && WriteAndSync(temp.Get(), text);
    ok = temp.Close() && ok;
    if (ok && ::rename(tempPath.c_str(), osPath.c_str()) == 0) return true;
    const int error = errno;
    ::unlink(tempPath.c_str());
    errno = error;
    return false;
}

// The fallback for a folder that takes no new file: the existing file is rewritten in
// place. Only a regular file, and the open never waits on a pipe or device.
bool RewriteInPlace(const std::string& osPath, const std::string& text) {
    TFileDescriptor file(::open(osPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) return false;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        errno = EINVAL;
        return false;
    }
    bool ok = WriteAndSync(file.Get(), text) && ::ftruncate(file.Get(), static_cast<off_t>(text.size())) == 0 &&
              ::fsync(file.Get()) == 0;
    return file.Close() && ok;
}

// Why a write failed, in the words the user reads; empty when there is nothing to add.
std::string ReasonOf(int error) {
    switch (error) {
        case EACCES:
        case EPERM: return "нет прав на запись";
        case EROFS: return "файловая система доступна только для чтения";
        case ENOSPC:
        case EDQUOT: return "нет места на диске";
        case ENOENT: return "папка не найдена";
        case EISDIR: return "на месте файла находится папка";
        default: return {};
    }
}

std::string WriteFailure(const std::string& osPath, int error) {
    const std::string reason = ReasonOf(error);
    return "Не удалось записать файл " + osPath + (reason.empty() ? "." : ": " + reason + ".");
}

std::string FirstLine(const std::string& value) { return value.substr(0, value.find_first_of("\r\n")); }

}  // namespace

bool ParseIniInteger(std::string_view text, int32_t& value) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    // Decimal numbers must fit a signed 32-bit value; hexadecimal ones may use all 32 bits.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t magnitude = 0;
    for (char c : text) {
        const int digit = base == 16 ? HexDigitValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0) return false;
        magnitude = magnitude * base + static_cast<uint64_t>(digit);
        if (magnitude > limit) return false;
    }
    const auto bits = static_cast<uint32_t>(negative ? (0 - magnitude) : magnitude);
    value = static_cast<int32_t>(bits);
    return true;
}

struct TIniFile::Impl {
    // Keys given twice are all kept, so that reads can take the first occurrence.
    CSimpleIniA Ini{false, true, false};

    // The first value of a key in file order, or nullptr when the key is missing. Equal
    // keys sit in a multimap in insertion order, so the lower bound is the first one.
    const char* FirstValue(const std::string& section, const std::string& key) const {
        const CSimpleIniA::TKeyVal* keys = Ini.GetSection(section.c_str());
        if (!keys) return nullptr;
        const auto it = keys->lower_bound(CSimpleIniA::Entry(key.c_str()));
        if (it == keys->end() || CSimpleIniA::Entry::KeyOrder()(CSimpleIniA::Entry(key.c_str()), it->first))
            return nullptr;
        return it->second;
    }
};

TIniFile::TIniFile(std::string osPath, std::unique_ptr<Impl> impl) : OsPath(ToOsPath(osPath)), Data(std::move(impl)) {}

TIniFile::TIniFile(std::string osPath) : TIniFile(std::move(osPath), std::make_unique<Impl>()) {
    // A folder, a pipe or a device behaves as a missing file instead of blocking the read.
    const std::string text = ReadWholeFile(OsPath).value_or(std::string());
    if (!text.empty()) Data->Ini.LoadData(text.data(), text.size());
}

TIniFile TIniFile::NewFile(std::string osPath) { return TIniFile(std::move(osPath), std::make_unique<Impl>()); }

TIniFile TIniFile::FromText(std::string_view text, std::string osPath) {
    TIniFile ini(std::move(osPath), std::make_unique<Impl>());
    if (!text.empty()) ini.Data->Ini.LoadData(text.data(), text.size());
    return ini;
}

TIniFile::TIniFile(TIniFile&&) noexcept = default;
TIniFile& TIniFile::operator=(TIniFile&&) noexcept = default;
TIniFile::~TIniFile() = default;

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
    const char* value = Data->FirstValue(section, key);
    if (!value) return def;
    std::string text(value);
    if (text.size() > MaxValueLength) text.resize(MaxValueLength);
    return text;
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, int32_t def) const {
    const char* value = Data->FirstValue(section, key);
    int32_t number = 0;
    if (!value || !ParseIniInteger(value, number)) return def;
    return number;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    TNames keys;
    std::vector<std::string> result;
    if (!Data->Ini.GetAllKeys(section.c_str(), keys)) return result;
    // GetAllKeys lists a repeated key once, at its first position.
    for (const auto& key : InLoadOrder(std::move(keys)))
        result.emplace_back(key.pItem);
    return result;
}

bool TIniFile::SectionExists(const std::string& section) const {
    return Data->Ini.GetSection(section.c_str()) != nullptr;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    Data->Ini.SetValue(section.c_str(), key.c_str(), FirstLine(value).c_str(), nullptr, true);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::string TIniFile::ToText() const {
    std::string text;
    TNames sections;
    Data->Ini.GetAllSections(sections);
    for (const auto& section : InLoadOrder(std::move(sections))) {
        if (!text.empty()) text += '\n';
        if (*section.pItem) text += std::string("[") + section.pItem + "]\n";
        // Every entry of the section, a key given twice included, in the order it was added.
        const CSimpleIniA::TKeyVal* keys = Data->Ini.GetSection(section.pItem);
        std::vector<CSimpleIniA::TKeyVal::const_iterator> entries;
        for (auto it = keys->begin(); it != keys->end(); ++it)
            entries.push_back(it);
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return a->first.nOrder < b->first.nOrder; });
        for (const auto& entry : entries) {
            text += entry->first.pItem;
            text += '=';
            text += entry->second;
            text += '\n';
        }
    }
    return text;
}

void TIniFile::UpdateFile() const {
    if (OsPath.empty()) throw std::runtime_error(WriteFailure(OsPath, 0));
    const std::string text = ToText();
    if (ReplaceWithNewFile(OsPath, text)) return;
    const int error = errno;
    // A folder that takes no new file while the file itself may be written: the file is
    // rewritten in place rather than the save lost.
    if ((error == EACCES || error == EPERM || error == EROFS) && RewriteInPlace(OsPath, text)) return;
    throw std::runtime_error(WriteFailure(OsPath, error));
}
