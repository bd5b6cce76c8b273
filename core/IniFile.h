#pragma once
// INI (profile) files with the value rules of the settings file.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TIniFile {
public:
    // Reads the file at once; a missing or unreadable file behaves as an empty one.
    // The path may be given in either separator form.
    explicit TIniFile(std::string osPath);
    // A file that starts empty, whatever is on disk now: UpdateFile replaces it as a whole.
    static TIniFile NewFile(std::string osPath);
    // Parses text held in memory (no file behind it until UpdateFile is given a path).
    static TIniFile FromText(std::string_view text, std::string osPath = {});

    TIniFile(TIniFile&&) noexcept;
    TIniFile& operator=(TIniFile&&) noexcept;
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;
    ~TIniFile();

    // Section and key names match without regard to case. A present key with an empty
    // value reads as "", a missing key yields the default. Values are cut to 2047 bytes.
    // A key given twice in a section reads as its first occurrence.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Decimal, or hexadecimal with "0x" or "$"; anything else yields the default.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
    // An integer; 0 is false, any other is true; a non-number yields the default.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    // The keys of a section in file order, each once.
    std::vector<std::string> ReadSection(const std::string& section) const;
    bool SectionExists(const std::string& section) const;

    // Sections and keys are written in the order they are first added; writing a key
    // again replaces its value in place. A value is cut at its first line break.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    // The whole content as it would be written, lines ending in "\n".
    std::string ToText() const;
    // Writes the whole file beside the old one under a fresh name and renames it over; where
    // the folder takes no new file, rewrites the old one in place. Throws std::runtime_error
    // "Не удалось записать файл <path>[: reason]." when that fails, leaving the previous file
    // whole and no temporary file behind.
    void UpdateFile() const;

    const std::string& FileName() const { return OsPath; }

private:
    struct Impl;
    TIniFile(std::string osPath, std::unique_ptr<Impl> impl);

    std::string OsPath;
    std::unique_ptr<Impl> Data;
};

// Parses an integer the way the INI reader does: optional sign, then decimal digits or
// hexadecimal digits after "0x"/"0X"/"$". False when the text is not such a number.
bool ParseIniInteger(std::string_view text, int32_t& value);
