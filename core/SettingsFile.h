#pragma once
// Reading and writing the settings file.
#include <functional>

#include "TSettings.h"

class TIniFile;

void LoadSettings(TSettings& target, const TSettings& defaults);
void ReadSettingsIni(TSettings& settings);
void WriteSettingsIni(TSettings settings);  // takes a private copy: captured placement does not flow back
// Saves when the record allows it; a failed write throws std::runtime_error with the
// message of TIniFile::UpdateFile and leaves the previous file whole.
void SaveSettingsOnExit(const TSettings& settings);

// The sections of a record read from / written to an INI held in memory (the steps of
// ReadSettingsIni and WriteSettingsIni without the file; the writer runs the capture hook).
void ReadSettingsFrom(const TIniFile& ini, TSettings& settings);
void WriteSettingsTo(TIniFile& ini, TSettings& settings);

// Fills the record's five placement records from the live windows before a save.
// The main window installs it; without it the records are written as they are.
using TLayoutCapture = std::function<void(TSettings& settings)>;
void SetLayoutCapture(TLayoutCapture capture);

void ReadToolbarLayout(const TIniFile& ini, TToolbarLayout& layout);
void ReadWindowLayout(const TIniFile& ini, TWindowLayout& layout);
void WriteToolbarLayout(TIniFile& ini, const TToolbarLayout& layout);
void WriteWindowLayout(TIniFile& ini, const TWindowLayout& layout);
