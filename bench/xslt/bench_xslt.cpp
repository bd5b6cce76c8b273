// Runs one transformation of a generated multi-megabyte book through TSablotEngine and through
// xsltproc, alternately, and prints both medians and their ratio. With --runs N it instead
// performs N small transformations in one process, for a leak checker to watch.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <libxml/parser.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include "OsFiles.h"
#include "TSablotEngine.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const Stylesheet = R"xsl(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8" indent="no"/>
<xsl:key name="by-id" match="section" use="@id"/>
<xsl:template match="/book">
  <html><head><title><xsl:value-of select="title"/></title></head>
  <body>
    <ul class="toc"><xsl:apply-templates select="section" mode="toc"/></ul>
    <xsl:apply-templates select="section"/>
  </body></html>
</xsl:template>
<xsl:template match="section" mode="toc">
  <li><a href="tomeri://showdoc/?DivID={@id}"><xsl:value-of select="position()"/>. <xsl:value-of select="title"/></a></li>
</xsl:template>
<xsl:template match="section">
  <div id="{@id}"><h2><xsl:value-of select="title"/></h2><xsl:apply-templates select="p"/>
  <xsl:if test="@see"><p class="see">См. <xsl:value-of select="key('by-id', @see)/title"/></p></xsl:if></div>
</xsl:template>
<xsl:template match="p"><p><xsl:apply-templates/></p></xsl:template>
<xsl:template match="em"><em><xsl:apply-templates/></em></xsl:template>
</xsl:stylesheet>
)xsl";

std::string MakeBook(size_t targetBytes) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<book><title>Большая книга</title>\n";
    for (int i = 1; xml.size() < targetBytes; ++i) {
        xml += "<section id=\"s" + std::to_string(i) + "\"";
        if (i > 1) xml += " see=\"s" + std::to_string(i / 2) + "\"";
        xml += "><title>Глава " + std::to_string(i) + "</title>";
        for (int p = 0; p < 4; ++p)
            xml += "<p>Текст абзаца " + std::to_string(p) +
                   " с <em>выделением</em> и обычными словами, which mix two alphabets.</p>";
        xml += "</section>\n";
    }
    return xml + "</book>\n";
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Processor time (user + system) of this process or of its finished children.
double CpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct TSamples {
    std::vector<double> WallTimes, CpuTimes;
    template <typename Run>
    bool Measure(int who, Run run) {
        const auto start = Clock::now();
        const double cpu = CpuSeconds(who);
        const bool ok = run();
        WallTimes.push_back(Seconds(Clock::now() - start));
        CpuTimes.push_back(CpuSeconds(who) - cpu);
        return ok;
    }
    double Wall() const { return Median(WallTimes); }
    double Cpu() const { return Median(CpuTimes); }
    void Print(const char* name) const { std::printf("%-34s %10.3f s %10.3f s\n", name, Wall(), Cpu()); }
};

bool RunEngine(const std::string& sheet, const std::string& input, std::string& output) {
    TSablotEngine engine;
    engine.ShowDebug = true;
    engine.StyleURI = "file://" + sheet;
    engine.InputUri = "file://" + input;
    engine.OutputUri = "arg://output";
    if (!engine.Run()) {
        std::cerr << engine.LastErrorText << "\n";
        return false;
    }
    engine.GetResultArg("arg://output", output);
    return true;
}

// What xsltproc does, called directly in this process: the same work without the adapter.
bool RunLibxslt(const std::string& sheet, const std::string& input, std::string& output) {
    xsltStylesheetPtr style = xsltParseStylesheetFile(reinterpret_cast<const xmlChar*>(sheet.c_str()));
    xmlDocPtr doc = style ? xmlReadFile(input.c_str(), nullptr, XSLT_PARSE_OPTIONS) : nullptr;
    xmlDocPtr result = doc ? xsltApplyStylesheet(style, doc, nullptr) : nullptr;
    xmlChar* text = nullptr;
    int length = 0;
    const bool ok = result != nullptr && xsltSaveResultToString(&text, &length, result, style) == 0;
    output.assign(text != nullptr ? reinterpret_cast<const char*>(text) : "", static_cast<size_t>(length));
    xmlFree(text);
    xmlFreeDoc(result);
    xmlFreeDoc(doc);
    xsltFreeStylesheet(style);
    return ok;
}

// posix_spawn rather than fork: a fork would mark this process's pages copy-on-write and
// charge the engine's next run with the page faults.
bool RunXsltproc(const std::string& sheet, const std::string& input, const std::string& output) {
    std::vector<std::string> args = {"xsltproc", "-o", output, sheet, input};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "xsltproc", nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int Compare(const std::string& folder, size_t megabytes, int repeat) {
    const std::string sheet = folder + "/sheet.xsl", input = folder + "/book.xml", reference = folder + "/ref.html";
    WriteFile(sheet, Stylesheet);
    WriteFile(input, MakeBook(megabytes << 20));
    // Three ways, interleaved: the engine, the same libxslt calls without the adapter in this
    // process, and xsltproc as a program of its own.
    TSamples engine, direct, xsltproc;
    std::string output, directOutput;
    const std::function<bool()> runs[] = {
        [&] { return engine.Measure(RUSAGE_SELF, [&] { return RunEngine(sheet, input, output); }); },
        [&] { return direct.Measure(RUSAGE_SELF, [&] { return RunLibxslt(sheet, input, directOutput); }); },
        [&] { return xsltproc.Measure(RUSAGE_CHILDREN, [&] { return RunXsltproc(sheet, input, reference); }); },
    };
    for (int i = 0; i < repeat; ++i) {
        for (int k = 0; k < 3; ++k) {  // each way takes its turn at going first
            if (!runs[(i + k) % 3]()) {
                std::cerr << "a run failed\n";
                return 1;
            }
        }
    }
    const bool same = output == ReadWholeFile(reference) && output == directOutput;
    std::printf("input %.1f MB, output %.1f MB, %d runs each, outputs %s\n",
                static_cast<double>(std::filesystem::file_size(input)) / (1 << 20),
                static_cast<double>(output.size()) / (1 << 20), repeat, same ? "identical" : "DIFFER");
    std::printf("%-34s %12s %12s\n", "", "median wall", "median cpu");
    engine.Print("TSablotEngine (in process)");
    direct.Print("libxslt calls alone (in process)");
    xsltproc.Print("xsltproc (own process)");
    std::printf("%-34s %12.3f %12.3f\n", "ratio engine / libxslt alone", engine.Wall() / direct.Wall(),
                engine.Cpu() / direct.Cpu());
    std::printf("%-34s %12.3f %12.3f\n", "ratio engine / xsltproc", engine.Wall() / xsltproc.Wall(),
                engine.Cpu() / xsltproc.Cpu());
    return same ? 0 : 1;
}

// Many small runs the way the book engine makes them: a fresh engine, the stylesheet from a buffer.
int ManyRuns(const std::string& folder, int runs) {
    const std::string input = folder + "/small.xml";
    WriteFile(input, MakeBook(16 << 10));
    std::string output;
    for (int i = 0; i < runs; ++i) {
        TSablotEngine engine;
        engine.AddArgBuffer("input", Stylesheet);
        engine.StyleURI = "arg:/input";
        engine.InputUri = "file://" + input;
        engine.OutputUri = "arg://output";
        engine.SetDefaultBase("file://" + folder + "/");
        if (!engine.Run()) {
            std::cerr << "run " << i << ": " << engine.LastErrorText << "\n";
            return 1;
        }
        engine.GetResultArg("arg://output", output);
    }
    std::printf("%d runs done, last output %zu bytes\n", runs, output.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    size_t megabytes = 8;
    int repeat = 9, runs = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--size-mb")
            megabytes = std::strtoul(argv[i + 1], nullptr, 10);
        else if (option == "--repeat")
            repeat = std::atoi(argv[i + 1]);
        else if (option == "--runs")
            runs = std::atoi(argv[i + 1]);
    }
    if (repeat < 1) repeat = 1;  // a median needs at least one sample
    std::string pattern = (std::filesystem::temp_directory_path() / "tomeria-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    const int result = runs > 0 ? ManyRuns(folder, runs) : Compare(folder, megabytes, repeat);
    std::filesystem::remove_all(folder);
    return result;
}
