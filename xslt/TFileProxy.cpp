#include "TFileProxy.h"

#include <climits>

#include "PathRules.h"
#include "TSablotEngine.h"
#include "sabutils.h"

TFileProxy::~TFileProxy() = default;  // the stream owners close what is still open

std::string TFileProxy::LocalPathOfRest(const std::string& rest) {
    const size_t marker = rest.find("://");
    if (marker != std::string::npos) return rest.substr(marker + 3);
    return rest.size() > 2 ? rest.substr(2) : std::string();
}

std::string TFileProxy::OsPathOfFileUri(const std::string& uri) {
    const std::string unescaped = UnescapeUri(uri);
    const size_t colon = unescaped.find(':');
    return ToOsPath(LocalPathOfRest(colon == std::string::npos ? unescaped : unescaped.substr(colon + 1)));
}

int TFileProxy::GetAll(const char*, const char* rest, char*& buffer, int& byteCount) {
    std::string path = ToOsPath(LocalPathOfRest(TextOf(rest)));
    if (const TReadRule* rule = Engine() != nullptr ? Engine()->ReadRule() : nullptr) {
        std::optional<std::string> permitted = rule->Permit(path);
        if (!permitted) {
            Engine()->LogMessage(MH_LEVEL_ERROR, "XSLTEngine", rule->RefusalText(path));
            return 1;
        }
        path = std::move(*permitted);
    }
    if (Engine() != nullptr) Engine()->FileReads().NoteRead(path);
    std::optional<std::string> bytes = ReadWholeFile(path, INT_MAX);
    if (!bytes) return 1;
    Content.push_back(std::move(*bytes));
    buffer = Content.back().data();
    byteCount = static_cast<int>(Content.back().size());
    return 0;
}

int TFileProxy::FreeMemory(char* buffer) {
    for (auto it = Content.begin(); it != Content.end(); ++it) {
        if (it->data() == buffer) {
            Content.erase(it);
            return 0;
        }
    }
    return 1;
}

int TFileProxy::Open(const char*, const char* rest, int& handle) {
    handle = 0;
    const std::string path = ToOsPath(LocalPathOfRest(TextOf(rest)));
    TStream stream(std::fopen(path.c_str(), "wb"));
    if (!stream) {
        if (Engine() != nullptr)
            Engine()->LogMessage(MH_LEVEL_ERROR, "XSLTEngine", "Cannot open " + path + " for writing");
        return 1;
    }
    handle = NewHandle();
    if (handle == 0) return 1;
    Streams.emplace(handle, std::move(stream));
    return 0;
}

int TFileProxy::Get(int handle, char* buffer, int& byteCount) {
    const auto found = Streams.find(handle);
    if (found == Streams.end() || buffer == nullptr || byteCount < 0) return 1;
    std::FILE* file = found->second.get();
    const size_t read = std::fread(buffer, 1, static_cast<size_t>(byteCount), file);
    if (std::ferror(file)) {
        std::clearerr(file);
        byteCount = 0;
        return 1;
    }
    byteCount = static_cast<int>(read);
    return 0;
}

int TFileProxy::Put(int handle, const char* buffer, int& byteCount) {
    const auto found = Streams.find(handle);
    if (found == Streams.end() || buffer == nullptr || byteCount < 0) return 1;
    const size_t requested = static_cast<size_t>(byteCount);
    const size_t written = std::fwrite(buffer, 1, requested, found->second.get());
    byteCount = static_cast<int>(written);
    return written == requested ? 0 : 1;
}

int TFileProxy::Close(int handle) {
    const auto found = Streams.find(handle);
    if (found == Streams.end()) return 1;
    std::FILE* file = found->second.release();
    Streams.erase(found);
    return std::fclose(file) == 0 ? 0 : 1;
}

bool TFileProxy::HasHandle(int handle) const { return Streams.count(handle) != 0; }
