#include "GlobalVars.h"

TSettings Settings;
TSettings DefaultSettings;
const std::array<std::string, 4> LogLevelNames = {"NONE", "ERRR", "WARN", "INFO"};
