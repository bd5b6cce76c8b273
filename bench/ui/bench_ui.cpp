// The viewer's speed as a reader feels it: from a click on a contents entry to the page shown,
// and from the start of the program to its first page, with the share of each step.
//
//   bench_ui --book DESCRIPTOR [--clicks N]    clicks on N entries spread over the contents
//   bench_ui --book DESCRIPTOR --switches N     resident memory over N part switches
//   bench_ui --startup [--book DESCRIPTOR]     one start, from main() to the first page shown
//   bench_ui --startup-plain                   reference: a plain QWebEngineView's first page
//
// Steps are told apart by the program's own log lines, time-stamped as they arrive: the
// transformation runs between "Начало трансформации." and "Трансформация заняла"; writing is
// the rest of the click handler (handing the page to the browser, the text size); the
// browser's own load runs from there to the end of the load (loadFinished). The reference in
// the same run is a plain QWebEngineView showing the same page bytes with setHtml (pages
// under 2 MB only).
//
// run_bench.py compares the open of a book with xsltproc's contents run, both started in the
// same environment: as by default, and both with glibc's heap in huge pages.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BrowserLoad.h"
#include "GlobalVars.h"
#include "LibUnit.h"
#include "Log.h"
#include "StartUp.h"
#include "TWebBrowser.h"
#include "TBookSession.h"
#include "Tfrm_Main.h"

namespace {

QElapsedTimer Clock;  // started first thing in main()

struct TStamp {
    qint64 Ns;
    std::string Line;
};
std::vector<TStamp> Stamps;

qint64 Now() { return Clock.nsecsElapsed(); }
double Ms(qint64 ns) { return double(ns) / 1e6; }

// The time of the n-th log line since index from that contains text; -1 when none.
qint64 StampOf(std::size_t from, const char* text, int n = 1) {
    for (std::size_t i = from; i < Stamps.size(); ++i)
        if (Stamps[i].Line.find(text) != std::string::npos && --n == 0) return Stamps[i].Ns;
    return -1;
}

// Waits (bounded) for the end of the page's load.
bool WaitLoaded(TWebBrowser& browser, int ms = 120000) {
    if (browser.HasDocument() && !browser.Busy()) return true;
    QEventLoop loop;
    QObject::connect(&browser, &TWebBrowser::StateChanged, &loop, [&] {
        if (browser.HasDocument() && !browser.Busy()) loop.quit();
    });
    QObject::connect(browser.View()->page(), &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return browser.HasDocument();
}

// Runs command, which asks for a page, and waits (bounded) until the window has written a page
// into the browser; the time it did, or -1.
template <class F>
qint64 WhenPageWritten(Tfrm_Main& frm, F command, int ms = 120000) {
    qint64 written = -1;
    QEventLoop loop;
    QObject::connect(&frm, &Tfrm_Main::PageShown, &loop, [&] {
        written = Now();
        loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    command();
    if (written < 0) loop.exec();
    return written;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void InstallStampingSink(Tfrm_Main& frm) {
    SetLogWindowSink([&frm](const std::string& line) {
        Stamps.push_back({Now(), line});  // the log's lock keeps the worker's lines in order
        frm.AppendLogLine(line);
    });
    ConfigureLog(frm.Settings);
}

void Defaults(const std::string& startDoc) {
    InitDefaultSettings(DefaultSettings);
    DefaultSettings.UseSettings = 0;  // no settings file is read or written
    DefaultSettings.SettingsPath = "\\nonexistent\\tomeria-bench.ini";
    DefaultSettings.ShowWelcomeScreen = false;  // a modal dialog would wait for a click
    if (!startDoc.empty()) DefaultSettings.OnStartDoc = startDoc;
    Settings = DefaultSettings;
}

std::vector<QTreeWidgetItem*> AllItems(QTreeWidget* tree) {
    std::vector<QTreeWidgetItem*> items;
    std::vector<QTreeWidgetItem*> stack;
    for (int i = tree->topLevelItemCount() - 1; i >= 0; --i)
        stack.push_back(tree->topLevelItem(i));
    while (!stack.empty()) {
        QTreeWidgetItem* item = stack.back();
        stack.pop_back();
        items.push_back(item);
        for (int i = item->childCount() - 1; i >= 0; --i)
            stack.push_back(item->child(i));
    }
    return items;
}

// Plain view showing html with setHtml: the browser's load alone, for reference.
double ReferenceLoadMs(QWebEngineView& view, const std::string& html) {
    QEventLoop loop;
    QObject::connect(view.page(), &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    const qint64 start = Now();
    view.setHtml(QString::fromUtf8(html.data(), qsizetype(html.size())));
    loop.exec();
    return Ms(Now() - start);
}

// Resident memory of this process in MiB, from /proc.
double ResidentMiB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return 0;
    char line[256];
    double kb = 0;
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::sscanf(line, "VmRSS: %lf kB", &kb) == 1) break;
    std::fclose(status);
    return kb / 1024;
}

// Part switches one after another through the whole contents: resident memory after the first
// 100 and after all of them.
int Switches(const std::string& descriptor, int count) {
    Defaults("");
    Tfrm_Main frm(Settings, DefaultSettings, BookInfo);
    frm.show();
    WhenPageWritten(frm, [&] { frm.OpenBook(descriptor); });
    if (!WaitLoaded(*frm.wb_Browser) || frm.tv_TOC->topLevelItemCount() == 0) {
        std::fprintf(stderr, "the book did not open: %s\n", descriptor.c_str());
        return 1;
    }
    const std::vector<QTreeWidgetItem*> items = AllItems(frm.tv_TOC);
    double after100 = 0;
    for (int n = 1; n <= count; ++n) {
        frm.tv_TOC->setCurrentItem(items[std::size_t(n) % items.size()]);
        WhenPageWritten(frm, [&] { frm.tv_TOCDblClick(); });
        WaitLoaded(*frm.wb_Browser);
        if (n == 100) after100 = ResidentMiB();
    }
    const double end = ResidentMiB();
    std::printf("book: %s, %zu entries\n", descriptor.c_str(), items.size());
    std::printf("resident after 100 switches   %8.1f MiB\n", after100);
    std::printf("resident after %-6d switches %8.1f MiB  (%+.1f %%)\n", count, end, 100 * (end / after100 - 1));
    return 0;
}

// Where the open's time went, told apart by the log lines of its steps.
void PrintOpenSteps(qint64 start, qint64 end) {
    const qint64 contentsEnd = StampOf(0, "Трансформация заняла", 1);
    const qint64 treeEnd = StampOf(0, "Формирование оглавления завершено.");
    const qint64 pageStart = StampOf(0, "Начало трансформации.", 2);
    const qint64 pageEnd = StampOf(0, "Трансформация заняла", 2);
    if (contentsEnd < 0 || treeEnd < 0 || pageStart < 0 || pageEnd < 0) return;
    std::printf(
        "  open: contents run %.0f ms, contents read and tree %.0f ms, until the page run %.0f ms, "
        "page run %.0f ms, page shown %.0f ms\n",
        Ms(contentsEnd - start), Ms(treeEnd - contentsEnd), Ms(pageStart - treeEnd), Ms(pageEnd - pageStart),
        Ms(end - pageEnd));
}

// Pages through consecutive entries from the middle of the contents as a reader does: each
// click comes once the reader has been idle and the next page has been made ahead (waited for,
// bounded). Returns click-to-shown times of the pages that were made ahead.
std::vector<double> PageThrough(Tfrm_Main& frm, const std::vector<QTreeWidgetItem*>& items, int count, int aheadDelay) {
    frm.Session().AheadDelayMs = aheadDelay;
    std::vector<double> times;
    const std::size_t first = items.size() / 2;
    for (std::size_t i = first; i < items.size() && i <= first + std::size_t(count); ++i) {
        const std::string& divId = Tfrm_Main::NodeInfo(items[i])->DivID;
        const bool ahead = frm.Session().PagesAhead().Holds(divId);
        frm.tv_TOC->setCurrentItem(items[i]);
        const qint64 t0 = Now();
        WhenPageWritten(frm, [&] { frm.tv_TOCDblClick(); });
        WaitLoaded(*frm.wb_Browser);
        if (ahead) times.push_back(Ms(Now() - t0));
        if (i + 1 < items.size()) {
            const std::string& next = Tfrm_Main::NodeInfo(items[i + 1])->DivID;
            QElapsedTimer idle;
            idle.start();
            // The reader reads on until the work ahead is done.
            while ((!frm.Session().PagesAhead().Holds(next) || frm.Session().Busy()) && idle.elapsed() < 10000) {
                QEventLoop pause;
                QTimer::singleShot(5, &pause, &QEventLoop::quit);
                pause.exec();
            }
        }
    }
    return times;
}

int Clicks(const std::string& descriptor, int count) {
    Defaults("");
    Tfrm_Main frm(Settings, DefaultSettings, BookInfo);
    InstallStampingSink(frm);
    frm.show();
    // A reader opens books in a running window: its browser has shown a page already, so the
    // engine's own first start is not counted as the open.
    frm.ShowHtmlMessage("");
    WaitLoaded(*frm.wb_Browser);
    Stamps.clear();
    const qint64 openStart = Now();
    const qint64 returned = WhenPageWritten(frm, [&] { frm.OpenBook(descriptor); });
    if (returned < 0 || !WaitLoaded(*frm.wb_Browser) || frm.tv_TOC->topLevelItemCount() == 0) {
        std::fprintf(stderr, "the book did not open: %s\n", descriptor.c_str());
        return 1;
    }
    const double openMs = Ms(Now() - openStart);
    const std::vector<QTreeWidgetItem*> items = AllItems(frm.tv_TOC);
    QWebEngineView reference;
    reference.resize(frm.wb_Browser->size());
    reference.show();
    ReferenceLoadMs(reference, "<p>warm-up</p>");

    std::vector<double> total, transform, write, load, refLoad, pageKb;
    const int aheadDelay = frm.Session().AheadDelayMs;
    frm.Session().AheadDelayMs = 1 << 30;  // clicks far apart: every page is made when it is asked for
    for (int n = 0; n <= count; ++n) {
        QTreeWidgetItem* item = items[std::size_t(n) * (items.size() - 1) / std::size_t(std::max(count, 1))];
        frm.tv_TOC->setCurrentItem(item);
        const std::size_t from = Stamps.size();
        const qint64 t0 = Now();
        const qint64 written = WhenPageWritten(frm, [&] { frm.tv_TOCDblClick(); });  // what a click runs
        WaitLoaded(*frm.wb_Browser);
        const qint64 shown = Now();
        const qint64 tA = StampOf(from, "Начало трансформации.");
        const qint64 tB = StampOf(from, "Трансформация заняла");
        if (n == 0 || tA < 0 || tB < 0) continue;  // the first click warms up
        total.push_back(Ms(shown - t0));
        transform.push_back(Ms(tB - tA));
        write.push_back(Ms(written - tB) + Ms(tA - t0));
        load.push_back(Ms(shown - written));
        const TBookPage page = BuildBookPart(Tfrm_Main::NodeInfo(item)->DivID, BookInfo);
        pageKb.push_back(double(page.Html.size()) / 1024);
        if (page.Html.size() < 2 * 1024 * 1024) refLoad.push_back(ReferenceLoadMs(reference, page.Html));
    }
    const std::vector<double> paging = PageThrough(frm, items, count, aheadDelay);
    const double all = Median(total);
    std::printf("book: %s\n", descriptor.c_str());
    std::printf(
        "contents entries: %zu; open (contents and first page): %.0f ms, %.0f ms of it until the page "
        "is handed to the browser\n",
        items.size(), openMs, Ms(returned - openStart));
    PrintOpenSteps(openStart, openStart + qint64(openMs * 1e6));
    std::printf("clicks measured: %zu; median page %.0f KB\n", total.size(), Median(pageKb));
    std::printf("%-34s %10s %7s\n", "median per click", "ms", "share");
    std::printf("%-34s %10.1f %6.0f%%\n", "click to page shown", all, 100.0);
    std::printf("%-34s %10.1f %6.0f%%\n", "  transformation", Median(transform), 100 * Median(transform) / all);
    std::printf("%-34s %10.1f %6.0f%%\n", "  writing into the browser", Median(write), 100 * Median(write) / all);
    std::printf("%-34s %10.1f %6.0f%%\n", "  browser's own load", Median(load), 100 * Median(load) / all);
    if (!refLoad.empty())
        std::printf("%-34s %10.1f  (%zu pages)\n", "reference: plain view setHtml", Median(refLoad), refLoad.size());
    if (!paging.empty())
        std::printf("%-34s %10.1f  (%zu clicks on the next entry, each made ahead)\n", "paging: click to page shown",
                    Median(paging), paging.size());
    SetLogWindowSink(nullptr);
    return 0;
}

int StartUp(const std::string& descriptor, qint64 mainEntered, qint64 appCreated) {
    Defaults(descriptor);
    Tfrm_Main frm(Settings, DefaultSettings, BookInfo);
    frm.hide();
    InstallStampingSink(frm);
    const qint64 windowCreated = Now();
    // The sequence asks for the start book and shows the window; the page comes after it.
    const qint64 shownAt = WhenPageWritten(frm, [&] { RunStartUpSequence(frm); });
    WaitLoaded(*frm.wb_Browser);
    const qint64 firstPage = Now();
    const qint64 tocA = StampOf(0, "Начало трансформации.", 1), tocB = StampOf(0, "Трансформация заняла", 1);
    const qint64 pageA = StampOf(0, "Начало трансформации.", 2), pageB = StampOf(0, "Трансформация заняла", 2);
    // One line of figures in ms, read by run_bench.py: total, application object, window,
    // contents transformation, page transformation, rest of the sequence, browser's load.
    std::printf("STARTUP %.1f %.1f %.1f %.1f %.1f %.1f %.1f\n", Ms(firstPage - mainEntered),
                Ms(appCreated - mainEntered), Ms(windowCreated - appCreated), Ms(tocB - tocA), Ms(pageB - pageA),
                Ms(shownAt - windowCreated) - Ms(tocB - tocA) - Ms(pageB - pageA), Ms(firstPage - shownAt));
    std::fflush(stdout);
    SetLogWindowSink(nullptr);
    return 0;
}

// The reference start: the application object and a plain view showing a small page.
int StartUpPlain(qint64 mainEntered) {
    QWebEngineView view;
    view.resize(850, 402);
    view.show();
    ReferenceLoadMs(view, "<html><body><p>first page</p></body></html>");
    std::printf("STARTUP-PLAIN %.1f\n", Ms(Now() - mainEntered));
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Clock.start();
    std::string descriptor;
    int clicks = 15;
    int switches = 0;
    bool startup = false;
    bool plain = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--book") && i + 1 < argc)
            descriptor = argv[++i];
        else if (!std::strcmp(argv[i], "--clicks") && i + 1 < argc)
            clicks = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--switches") && i + 1 < argc)
            switches = std::max(100, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--startup"))
            startup = true;
        else if (!std::strcmp(argv[i], "--startup-plain"))
            plain = true;
        else {
            std::fprintf(stderr,
                         "usage: bench_ui --book DESCRIPTOR [--clicks N | --switches N] | --startup [--book "
                         "DESCRIPTOR] | --startup-plain\n");
            return 2;
        }
    }
    if (!startup && !plain && descriptor.empty()) {
        std::fprintf(stderr, "bench_ui: --book is needed for the clicks\n");
        return 2;
    }
    const qint64 mainEntered = Now();
    RegisterBrowserSchemes();
    QApplication app(argc, argv);
    const qint64 appCreated = Now();
    if (plain) return StartUpPlain(mainEntered);
    if (switches > 0) return Switches(descriptor, switches);
    return startup ? StartUp(descriptor, mainEntered, appCreated) : Clicks(descriptor, clicks);
}
