#pragma once
// Reading a book descriptor into a TBookInfo, and loading the book's stylesheet texts.
#include <string>

#include "TBookInfo.h"
#include "TSettings.h"

class TIniFile;

// The program's data folder, normalised: relative book paths start there.
std::string DataFolder(const TSettings& settings);
// The descriptor file a path names, a relative path taken from the data folder; "" when
// there is no such regular file.
std::string FindDescriptor(const std::string& path, const TSettings& settings);

// What makes the file at path no book descriptor, for the reader; "" when it is one. A
// descriptor has a [BasicParams] section: an empty file, binary bytes or another kind of file
// has none, and reading it would open the book of the program's data folder instead.
std::string DescriptorFault(const std::string& path);

// Resets the record: root = program data folder, default folder and file names.
void SetBookDefaults(TBookInfo& book, const TSettings& settings);
// Reads book.DescriptorFile and completes the record, both stylesheet texts included.
// Throws std::runtime_error when the file is no descriptor (DescriptorFault) or an existing
// stylesheet file cannot be read.
void ReadBookDescriptor(TBookInfo& book, const TSettings& settings);
// The same without the file and without loading the stylesheets: folders, file URIs and
// variables from a descriptor already read (book.DescriptorFile still names where it lives).
void ReadBookDescriptorFrom(const TIniFile& descriptor, TBookInfo& book, const TSettings& settings);
// TemplateVariables, then TemplatePaths (resolved against the root), then "RootPath".
TXSLTParameters ReadTemplateParams(const TIniFile& descriptor, const TBookInfo& book);

void LoadServiceStylesheet(TBookInfo& book);
void LoadBookTemplate(TBookInfo& book);
// Drops the parsed book: the record gets an empty cache of its own, and a run still working
// on the old one keeps it until it ends.
void DropParsedInput(TBookInfo& book);

// The bytes of the file named by a "file" URI with every line break removed; empty when
// the URI has another scheme or the file does not exist. Throws std::runtime_error when
// the file exists but cannot be read.
std::string LoadTextFromUri(const std::string& uri);
