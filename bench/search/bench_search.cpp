// Times building a book's search index against one parse of its book.xml in the same run,
// opening the index kept on disk, and queries over it; prints the index's size on disk.
//
//   bench_search DESCRIPTOR [--runs 3] [--query-runs 15]
#include <libxml/parser.h>
#include <xapian.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <unordered_set>
#include <vector>

#include "BookDescriptor.h"
#include "BookPartTexts.h"
#include "GlobalVars.h"
#include "PathRules.h"
#include "SearchIndexCache.h"
#include "ServiceActions.h"
#include "TContents.h"

namespace {

struct TTimes {
    double Wall = 0;
    double Cpu = 0;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TTimes Time(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), CpuSeconds() - cpu};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

TTimes MedianOf(int runs, const std::function<void()>& work) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const TTimes t = Time(work);
        wall.push_back(t.Wall);
        cpu.push_back(t.Cpu);
    }
    return {Median(wall), Median(cpu)};
}

std::uintmax_t FolderSize(const std::filesystem::path& folder) {
    std::uintmax_t total = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) total += entry.file_size();
    return total;
}

std::size_t CharCount(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Words of every kind the pane takes: common and rare words, word forms, a phrase, an
// exclusion, a word the book does not hold.
const std::vector<std::string> Queries = {
    "книга",    "книги",    "преобразование стиль", "\"шаблон переменная\"", "каталог -файл", "документация",
    "значения", "sections", "viewer XML",           "ключ значение",         "оглавлению",    "несуществующееслово",
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: bench_search DESCRIPTOR [--runs N] [--query-runs N]\n";
        return 2;
    }
    int runs = 3;
    int queryRuns = 15;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        if (arg == "--query-runs") queryRuns = std::max(1, std::atoi(argv[i + 1]));
    }

    InitDefaultSettings(DefaultSettings);
    Settings = DefaultSettings;
    SetBookDefaults(BookInfo, Settings);
    BookInfo.DescriptorFile = NormalizeFilePath(std::filesystem::absolute(argv[1]).string());
    ReadBookDescriptor(BookInfo, Settings);
    const TBookPage toc = RunServiceAction(TServiceAction::MakeTOC, BookInfo);
    const TContents contents = ReadContents(toc.Html);
    if (!toc.Ok || !contents.Parsed) {
        std::cerr << "the contents of the book could not be built\n";
        return 1;
    }
    const std::filesystem::path work = std::filesystem::temp_directory_path() / "tomeria-bench-search";
    std::filesystem::remove_all(work);
    TSearchIndexRequest request = SearchIndexRequestOf(BookInfo, SearchEntriesOf(contents));
    request.CacheFolder = work.string();
    const std::uintmax_t bookSize = std::filesystem::file_size(request.BookXmlPath);

    const TTimes parse = MedianOf(runs, [&] {
        xmlDocPtr doc = xmlReadFile(request.BookXmlPath.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOCDATA);
        if (!doc) throw std::runtime_error("book.xml does not parse");
        xmlFreeDoc(doc);
    });
    std::atomic<bool> cancel{false};
    const TTimes build = MedianOf(runs, [&] {
        std::filesystem::remove_all(work);
        if (!BuildSearchIndex(request, cancel).Index) throw std::runtime_error("the index was not built");
    });
    const std::uintmax_t indexSize = FolderSize(work);
    // The build's two steps: the parts' texts read from book.xml, then the index filled.
    std::unordered_set<std::string> ids;
    for (const TSearchEntry& entry : request.Entries)
        ids.insert(entry.Id);
    TBookPartTexts texts;
    const TTimes read = MedianOf(runs, [&] { texts = ReadBookPartTexts(request.BookXmlPath, ids, cancel); });
    const TTimes fill = MedianOf(runs, [&] {
        Xapian::WritableDatabase db(std::string(), Xapian::DB_BACKEND_INMEMORY);
        TSearchIndex::Fill(db, request.Entries, texts.Texts, cancel);
    });
    std::unique_ptr<TSearchIndex> index;
    const TTimes reopen = MedianOf(runs, [&] {
        TSearchIndexBuild opened = BuildSearchIndex(request, cancel);
        if (!opened.Reused) throw std::runtime_error("the kept index was not used");
        index = std::move(opened.Index);
    });

    std::printf("book.xml: %.1f MB, %zu parts in the contents; %d runs each, medians\n", bookSize / 1e6,
                request.Entries.size(), runs);
    std::printf("%-40s %10s %10s\n", "", "wall", "cpu");
    std::printf("%-40s %9.3fs %9.3fs\n", "one parse of book.xml (libxml2)", parse.Wall, parse.Cpu);
    std::printf("%-40s %9.3fs %9.3fs\n", "index built and kept on disk", build.Wall, build.Cpu);
    std::printf("%-40s %9.3fs %9.3fs\n", "  of it: texts of the parts read", read.Wall, read.Cpu);
    std::printf("%-40s %9.3fs %9.3fs\n", "  of it: index filled (in memory)", fill.Wall, fill.Cpu);
    std::printf("%-40s %10.2f %10.2f\n", "ratio build / parse", build.Wall / parse.Wall, build.Cpu / parse.Cpu);
    std::printf("%-40s %9.3fs %9.3fs\n", "kept index opened (next open)", reopen.Wall, reopen.Cpu);
    std::printf("%-40s %8.1f MB  (%.2f x book.xml)\n", "index size on disk", indexSize / 1e6,
                static_cast<double>(indexSize) / bookSize);

    std::printf("\nqueries, up to 100 hits with snippets, %d runs each, median wall\n", queryRuns);
    std::vector<double> all;
    for (const std::string& query : Queries) {
        std::size_t total = 0;
        const TTimes t = MedianOf(queryRuns, [&] { total = index->Search(query, 100).Total; });
        all.push_back(t.Wall);
        std::printf("  %s%*s %8.1f ms  %7zu parts\n", query.c_str(), static_cast<int>(36 - CharCount(query)), "",
                    t.Wall * 1e3, total);
    }
    std::printf("%-40s %8.1f ms\n", "median over the queries", Median(all) * 1e3);
    std::printf("%-40s %8.1f ms\n", "slowest query", *std::max_element(all.begin(), all.end()) * 1e3);
    std::filesystem::remove_all(work);
    return 0;
}
