// Reads arbitrary bytes as an INI file and reads every kind of value from every key found;
// then reads them as a settings file, writes the record back and checks it reads the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "IniFile.h"
#include "SettingsFile.h"
#include "TSettings.h"

namespace {

void ReadEverything(const TIniFile& ini, const std::string& section) {
    for (const std::string& key : ini.ReadSection(section)) {
        if (ini.ReadString(section, key, "").size() > 2047) std::abort();
        ini.ReadInteger(section, key, 0);
        ini.ReadBool(section, key, true);
    }
}

TSettings ReadBack(const TIniFile& ini, const TSettings& defaults) {
    TSettings settings = defaults;
    ReadSettingsFrom(ini, settings);
    settings.KeepShellDesign = true;  // so that the placement is written too
    return settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TIniFile ini = TIniFile::FromText(text);
    // The first line names a section to probe too: it may hold any bytes.
    const std::string probe(text.substr(0, std::min<std::size_t>(text.find('\n'), 64)));
    for (const std::string& section : {std::string("ControlState"), std::string("MainWindow"), probe})
        ReadEverything(ini, section);

    static const TSettings defaults = [] {
        TSettings s;
        InitDefaultSettings(s, "/opt/tomeria");
        return s;
    }();
    TSettings loaded = ReadBack(ini, defaults);
    TIniFile written = TIniFile::NewFile({});
    WriteSettingsTo(written, loaded);
    const TSettings again = ReadBack(TIniFile::FromText(written.ToText()), defaults);
    if (!(again == loaded)) std::abort();
    return 0;
}
