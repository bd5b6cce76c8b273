#pragma once
// INI (profile) files with the value rules of the settings file.
#include <cstdint>
#include <string>
#include <vector>

class TIniFile {
public:
    // Reads the file at once; a missing or unreadable file behaves as an empty one.
    explicit TIniFile(std::string osPath);

    // Section and key names match without regard to case. A present key with an empty
    // value reads as "", a missing key yields the default. Values are cut to 2047 bytes.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Decimal, or hexadecimal with "0x" or "$"; anything else yields the default.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
    // An integer; 0 is false, any other is true; a non-number yields the default.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    // The keys of a section in file order.
    std::vector<std::string> ReadSection(const std::string& section) const;
    bool SectionExists(const std::string& section) const;

    // Building a new file: sections and keys are written in the order they are added.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    // Writes the whole file beside the old one and renames it over; throws std::runtime_error
    // "Unable to write to <path>" when that fails, leaving the previous file whole.
    void UpdateFile() const;

private:
    struct Impl;
    std::string OsPath;
    // (implementation chooses its storage)
};
