#include "BookDescriptor.h"

#include <fstream>
#include <stdexcept>

#include "OsFiles.h"
#include "IniFile.h"
#include "Log.h"
#include "PathRules.h"
#include "SplitURI.h"
#include "TextRules.h"
#include "sabutils.h"

namespace {

bool IsRootedPath(const std::string& path) {
    return !ExtractFileDrive(path).empty() || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

bool IsExistingFile(const std::string& path) { return IsRegularFile(ToOsPath(path)); }

// The program's data folder as the descriptor rules form it (not normalised).
std::string ProgramDataFolder(const TSettings& settings) {
    return ResolvePath(settings.ProgramDir, settings.WorkPath) + settings.DataPath;
}

// A relative service stylesheet is looked for in the book root first, then in the
// program's data folder, so a book may ship its own and the default name finds the
// program's stylesheet. Rooted paths stay as they are.
std::string LocateServiceStylesheet(const std::string& file, const TBookInfo& book, const TSettings& settings) {
    if (IsRootedPath(file)) return file;
    const std::string inRoot = ResolvePath(book.RootPath, file);
    if (IsExistingFile(NormalizeFilePath(inRoot))) return inRoot;
    return ResolvePath(ProgramDataFolder(settings), file);
}

std::string FileUri(const std::string& path) { return "file://" + BackslashesToSlashes(NormalizeFilePath(path)); }

}  // namespace

// A work folder chosen as an absolute path is not appended to the program folder.
std::string DataFolder(const TSettings& settings) {
    return NormalizeFolder(ResolvePath(settings.ProgramDir, settings.WorkPath + settings.DataPath));
}

std::string FindDescriptor(const std::string& path, const TSettings& settings) {
    const std::string fullPath = ResolvePath(DataFolder(settings), ExtractFilePath(path)) + ExtractFileName(path);
    return IsExistingFile(fullPath) ? fullPath : std::string();
}

void SetBookDefaults(TBookInfo& book, const TSettings& settings) {
    book.RootPath = ResolvePath(settings.ProgramDir, settings.WorkPath + settings.DataPath);
    book.ProgramDataPath = DataFolder(settings);
    book.ShemesPath = "shemes\\";
    book.DataPath = "data\\";
    book.BookXMLFName = "book.xml";
    book.BookXSLTTFName = "book.xsltt";
    book.ServiceXSLTFile = settings.ServiceXSLTFile;
    book.TOCisExpanded = true;
    book.TemplateParams.clear();
    book.Opened = false;
    book.ParsedInput = std::make_shared<TParsedInputCache>();
}

namespace {
const std::string BasicSection = "BasicParams";
const std::string NoBasicSection = "Файл не является описателем книги: в нём нет раздела [BasicParams].";
}  // namespace

std::string DescriptorFault(const std::string& path) {
    return TIniFile(ToOsPath(path)).SectionExists(BasicSection) ? std::string() : NoBasicSection;
}

void ReadBookDescriptor(TBookInfo& book, const TSettings& settings) {
    const TIniFile descriptor(ToOsPath(book.DescriptorFile));
    if (!descriptor.SectionExists(BasicSection)) throw std::runtime_error(NoBasicSection + " " + book.DescriptorFile);
    ReadBookDescriptorFrom(descriptor, book, settings);
    LoadServiceStylesheet(book);
    LoadBookTemplate(book);
}

void ReadBookDescriptorFrom(const TIniFile& ini, TBookInfo& book, const TSettings& settings) {
    static const std::string Basic = "BasicParams";
    const std::string descriptorFolder = ExtractFilePath(book.DescriptorFile);

    book.RootPath = ResolvePath(descriptorFolder, ini.ReadString(Basic, "RootPath", book.RootPath));
    book.ShemesPath = ini.ReadString(Basic, "ShemesPath", book.ShemesPath);
    book.DataPath = ini.ReadString(Basic, "DataPath", book.DataPath);
    book.BookXMLFName = ini.ReadString(Basic, "BookXMLFName", book.BookXMLFName);
    book.BookXSLTTFName = ini.ReadString(Basic, "BookXSLTTFName", book.BookXSLTTFName);
    book.ServiceXSLTFile = ini.ReadString(Basic, "ServiceXSLTFile", book.ServiceXSLTFile);
    if (book.ServiceXSLTFile.empty()) book.ServiceXSLTFile = ProgramDataFolder(settings) + settings.ServiceXSLTFile;
    book.TOCisExpanded = ini.ReadBool(Basic, "TOCisExpanded", book.TOCisExpanded);
    book.TemplateParams = ReadTemplateParams(ini, book);

    book.BookXMLFName = FileUri(ResolvePath(book.RootPath + book.DataPath, book.BookXMLFName));
    book.BookXSLTTFName = FileUri(ResolvePath(book.RootPath + book.ShemesPath, book.BookXSLTTFName));
    book.ServiceXSLTFile = FileUri(LocateServiceStylesheet(book.ServiceXSLTFile, book, settings));
}

TXSLTParameters ReadTemplateParams(const TIniFile& descriptor, const TBookInfo& book) {
    WriteLog("Чтение дополнительных параметров книги...");
    TXSLTParameters params;
    for (const std::string& key : descriptor.ReadSection("TemplateVariables"))
        params.push_back({key, descriptor.ReadString("TemplateVariables", key, "")});
    WriteLog("*** Переменная: BookInfo.RootPath=" + book.RootPath);
    for (const std::string& key : descriptor.ReadSection("TemplatePaths")) {
        const std::string value =
            NormalizeFolder(ResolvePath(book.RootPath, descriptor.ReadString("TemplatePaths", key, "")));
        params.push_back({key, value});
        WriteLog("*** Переменная: " + key + "=" + value);
    }
    params.push_back({"RootPath", book.RootPath});
    WriteLog("Чтение дополнительных параметров завершено.");
    return params;
}

// Reloading a stylesheet also reads book.xml again at the next transformation.
void LoadServiceStylesheet(TBookInfo& book) {
    book.ServiceXSLT = LoadTextFromUri(book.ServiceXSLTFile);
    DropParsedInput(book);
}

void LoadBookTemplate(TBookInfo& book) {
    book.BookXSLTT = LoadTextFromUri(book.BookXSLTTFName);
    DropParsedInput(book);
}

void DropParsedInput(TBookInfo& book) { book.ParsedInput = std::make_shared<TParsedInputCache>(); }

std::string LoadTextFromUri(const std::string& uri) {
    WriteLog("Загрузка документа из файла");
    WriteLog("URI: " + uri);
    WriteLog("Разбор URI...");
    const TSplittedURI parts = SplitURI(uri);
    if (parts.Scheme != "file") return {};
    WriteLog("Обнаружен протокол доступа к локальному файлу. ");
    const std::string fileName = parts.Path + "/" + parts.Document;
    if (!IsExistingFile(fileName)) {
        WriteLog("Документ не найден.");
        return {};
    }
    WriteLog("Открытие файлового потока...");
    std::ifstream stream(ToOsPath(fileName), std::ios::binary);
    if (!stream) throw std::runtime_error("Cannot open file " + ToOsPath(fileName));
    WriteLog("Считывание данных...");
    // Bytes pass unchanged; every CR and LF goes, so CR LF, LF and a lone CR all end a line.
    std::string text;
    stream.seekg(0, std::ios::end);
    const std::streamoff size = stream.tellg();
    stream.seekg(0, std::ios::beg);
    if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        stream.read(text.data(), size);
        text.resize(static_cast<std::size_t>(stream.gcount()));
    }
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    if (stream.bad()) throw std::runtime_error("Cannot read file " + ToOsPath(fileName));
    WriteLog("Считывание завершено.");
    stream.close();
    WriteLog("Поток закрыт.");
    return text;
}
