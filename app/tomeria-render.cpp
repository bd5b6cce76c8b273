// tomeria-render: prints what the viewer would show for a book, for authors and CI.
#include <atomic>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "BookFolders.h"
#include "OsFiles.h"
#include "GlobalVars.h"
#include "SettingsFile.h"
#include "TBookCheck.h"
#include "LibUnit.h"
#include "Log.h"
#include "PathRules.h"
#include "SearchIndexCache.h"
#include "TContents.h"

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

const char* const HelpText =
    "Использование:\n"
    "  tomeria-render ДЕСКРИПТОР --toc          оглавление (служебное действие MakeTOC)\n"
    "  tomeria-render ДЕСКРИПТОР DIVID         страница части книги DIVID\n"
    "  tomeria-render ДЕСКРИПТОР --action N    служебное действие N (0..255)\n"
    "  tomeria-render ДЕСКРИПТОР --search ЗАПРОС  поиск по книге: строка на часть,\n"
    "                                          лучшие первыми: id, табуляция, заголовок\n"
    "  tomeria-render --check ДЕСКРИПТОР       проверка всей книги: строка на\n"
    "                                          замечание (файл:строка:столбец: текст),\n"
    "                                          затем итог и пять самых долгих частей\n"
    "  tomeria-render --help\n"
    "\n"
    "Печатает в стандартный вывод то, что показал бы просмотрщик, байт в байт.\n"
    "Относительный путь к дескриптору ищется сначала от текущего каталога, а если\n"
    "там файла нет, то, как в просмотрщике, от каталога данных программы (data/\n"
    "рядом с tomeria-render). Установки читаются из tomeria.ini рядом с программой,\n"
    "как в просмотрщике.\n"
    "\n"
    "Параметры:\n"
    "  -v        журнал в стандартный поток ошибок\n"
    "  --expand  напечатать развёрнутую таблицу стилей вместо результата\n"
    "  --        дальше нет параметров (для DIVID, начинающегося с \"-\")\n"
    "\n"
    "Код выхода: 0 - преобразование выполнено, 1 - ошибка преобразования (текст\n"
    "ошибки в стандартном потоке ошибок), 2 - ошибка в командной строке или\n"
    "дескриптор не найден. С --search: 0 - найдено, 1 - ничего не найдено или поиск\n"
    "невозможен (причина в стандартном потоке ошибок), 2 - ошибка в командной строке.\n"
    "С --check: 0 - замечаний нет, 1 - есть замечания, 2 - книгу нельзя проверить\n"
    "(дескриптор не найден или не читается) или ошибка в командной строке.\n"
    "Индекс для поиска хранится в $XDG_CACHE_HOME/tomeria/, как у просмотрщика.\n";

enum class TMode { Toc, Part, Action, Search, Check };

struct TCommand {
    std::string Descriptor;
    TMode Mode = TMode::Part;
    std::string DivId;
    TServiceAction Action = TServiceAction::MakeTOC;
    std::string Query;
    bool Verbose = false;
    bool Expand = false;
    bool Help = false;
};

std::optional<uint8_t> ParseActionCode(const std::string& text) {
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(text);
    if (value > 255) return std::nullopt;
    return static_cast<uint8_t>(value);
}

// Returns an error message, or nothing when the command line is good.
std::optional<std::string> ParseCommandLine(int argc, char** argv, TCommand& command) {
    std::vector<std::string> positional;
    bool modeGiven = false;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnd || arg.empty() || arg[0] != '-') {
            positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "--help" || arg == "-h") {
            command.Help = true;
        } else if (arg == "-v") {
            command.Verbose = true;
        } else if (arg == "--expand") {
            command.Expand = true;
        } else if (arg == "--toc" || arg == "--action" || arg == "--search" || arg == "--check") {
            if (modeGiven) return "только одно из --toc, --action N, --search ЗАПРОС, --check или DIVID";
            modeGiven = true;
            if (arg == "--toc" || arg == "--check") {
                command.Mode = arg == "--toc" ? TMode::Toc : TMode::Check;
                continue;
            }
            if (arg == "--search") {
                if (i + 1 >= argc) return "после --search нужен запрос";
                command.Mode = TMode::Search;
                command.Query = argv[++i];
                if (command.Query.find_first_not_of(" \t\r\n") == std::string::npos) return "пустой запрос";
                continue;
            }
            if (i + 1 >= argc) return "после --action нужен номер действия";
            const auto code = ParseActionCode(argv[++i]);
            if (!code) return std::string("номер действия должен быть от 0 до 255: ") + argv[i];
            command.Mode = TMode::Action;
            command.Action = static_cast<TServiceAction>(*code);  // an unknown code does nothing
        } else {
            return "неизвестный параметр " + arg;
        }
    }
    if (command.Help) return std::nullopt;
    if (positional.empty()) return "не указан дескриптор книги";
    command.Descriptor = positional[0];
    if (positional.size() == 2 && !modeGiven) {
        command.Mode = TMode::Part;
        command.DivId = positional[1];
        return std::nullopt;
    }
    if (positional.size() == 1 && modeGiven) return std::nullopt;
    return "нужно ровно одно из --toc, --action N, --search ЗАПРОС, --check или DIVID";
}

// A path that exists relative to the current folder is taken as it is; otherwise the
// viewer's rule: a relative path is relative to the program's data folder.
std::optional<std::string> LocateDescriptor(const std::string& given, const TSettings& settings) {
    if (IsRegularFile(given)) {
        std::error_code error;
        const std::string absolute = std::filesystem::absolute(given, error).lexically_normal().string();
        WriteLog("tomeria-render: дескриптор найден от текущего каталога: " + absolute);
        return NormalizeFilePath(error ? given : absolute);
    }
    const std::string path = FindDescriptor(given, settings);
    if (path.empty()) return std::nullopt;
    WriteLog("tomeria-render: дескриптор найден в каталоге данных программы: " + path);
    return path;
}

void WriteBytes(std::FILE* stream, const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

// One line per result: tabs and line breaks of an id or caption become spaces.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

int RunSearch(const TCommand& command) {
    const TBookPage toc = RunServiceAction(TServiceAction::MakeTOC, BookInfo);
    if (!toc.Ok) {
        WriteBytes(stderr, "tomeria-render: ошибка преобразования: " + toc.Html + "\n");
        return ExitFailed;
    }
    const TContents contents = ReadContents(toc.Html);
    if (!contents.Parsed || !contents.Error.empty()) {
        WriteBytes(stderr, "tomeria-render: оглавление не прочитано" +
                               (contents.Error.empty() ? std::string() : ": " + contents.Error) + "\n");
        return ExitFailed;
    }
    std::atomic<bool> cancel{false};
    const TSearchIndexBuild build = BuildSearchIndex(SearchIndexRequestOf(BookInfo, SearchEntriesOf(contents)), cancel);
    for (const std::string& warning : build.Warnings)
        WriteBytes(stderr, "tomeria-render: " + warning + "\n");
    if (!build.Index) {
        WriteBytes(stderr, "tomeria-render: " + build.Error + "\n");
        return ExitFailed;
    }
    WriteLog(build.Reused ? "tomeria-render: индекс открыт" : "tomeria-render: индекс построен");
    const TSearchResult result = build.Index->Search(command.Query, build.Index->PartCount(), "", "");
    if (!result.Error.empty()) {
        WriteBytes(stderr, "tomeria-render: " + result.Error + "\n");
        return ExitFailed;
    }
    std::string lines;
    for (const TSearchHit& hit : result.Hits)
        lines += OneLine(hit.Id) + '\t' + OneLine(hit.Caption) + '\n';
    WriteBytes(stdout, lines);
    return result.Hits.empty() ? ExitFailed : ExitOk;
}

int RunCheck(const std::string& descriptor) {
    const TBookCheckReport report = TBookCheck(descriptor, Settings).Run(TStopToken{});
    if (!report.Checked) {
        for (const TCheckProblem& problem : report.Problems)
            WriteBytes(stderr, "tomeria-render: " + problem.Printable() + "\n");
        return ExitUsage;
    }
    std::string lines;
    for (const TCheckProblem& problem : report.Problems)
        lines += OneLine(problem.Printable()) + '\n';
    lines += "Замечаний: " + std::to_string(report.Problems.size()) + ", частей проверено: " +
             std::to_string(report.PartCount) + ", оглавление: " + std::to_string(report.ContentsTime.count()) +
             " мс";
    for (std::size_t i = 0; i < report.Slowest.size(); ++i)
        lines += (i == 0 ? "; самые долгие части: " : ", ") + OneLine(report.Slowest[i].PartId) + " " +
                 std::to_string(report.Slowest[i].Time.count()) + " мс";
    WriteBytes(stdout, lines + "\n");
    return report.Problems.empty() ? ExitOk : ExitFailed;
}

int Run(const TCommand& command) {
    const auto descriptor = LocateDescriptor(command.Descriptor, Settings);
    if (!descriptor) {
        std::cerr << "tomeria-render: дескриптор не найден: " << command.Descriptor << '\n';
        return ExitUsage;
    }
    if (command.Mode == TMode::Check) return RunCheck(*descriptor);
    SetBookDefaults(BookInfo, Settings);
    BookInfo.DescriptorFile = *descriptor;
    ReadBookDescriptor(BookInfo, Settings);
    if (const std::string problem = RootPathProblem(BookInfo); !problem.empty()) {
        WriteBytes(stderr, "tomeria-render: " + problem + "\n");
        return ExitFailed;
    }
    if (command.Mode == TMode::Part && !IsValidDivId(CutDivId(command.DivId))) {
        WriteBytes(stderr, "tomeria-render: недопустимый идентификатор части: " + command.DivId + "\n");
        return ExitFailed;
    }

    if (command.Expand) {
        WriteBytes(stdout, command.Mode == TMode::Part ? BookPartStylesheet(command.DivId, BookInfo)
                                                       : ServiceStylesheet(command.Action, BookInfo));
        return ExitOk;
    }
    if (command.Mode == TMode::Search) return RunSearch(command);
    const TBookPage page = command.Mode == TMode::Part ? BuildBookPart(command.DivId, BookInfo)
                                                       : RunServiceAction(command.Action, BookInfo);
    if (!page.Ok) {
        WriteBytes(stderr, "tomeria-render: ошибка преобразования: " + page.Html + "\n");
        return ExitFailed;
    }
    WriteLog("tomeria-render: кодировка вывода " + page.Encoding);
    WriteBytes(stdout, page.Html);
    return ExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    TCommand command;
    if (const auto error = ParseCommandLine(argc, argv, command)) {
        std::cerr << "tomeria-render: " << *error << "\n\n" << HelpText;
        return ExitUsage;
    }
    if (command.Help) {
        std::cout << HelpText;
        return ExitOk;
    }
    InitDefaultSettings(DefaultSettings);
    Settings = DefaultSettings;
    // The settings file beside the program moves the data folder and names the service
    // stylesheet for the viewer; the same file makes this program resolve books alike.
    LoadSettings(Settings, DefaultSettings);
    if (command.Verbose) {
        Settings.WriteLogToWindow = true;
        Settings.DebugLevel = 3;
        SetLogWindowSink([](const std::string& line) { WriteBytes(stderr, line + "\n"); });
    } else {
        Settings.WriteLogToWindow = false;
    }
    Settings.WriteLogToFile = false;
    ConfigureLog(Settings);
    try {
        return Run(command);
    } catch (const std::exception& e) {
        std::cerr << "tomeria-render: " << e.what() << '\n';
        return ExitFailed;
    }
}
