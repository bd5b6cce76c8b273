// Opening and closing books, showing their parts, and the events of the main browser.
#include <QAction>
#include <QStatusBar>
#include <QEventLoop>
#include <QFileDialog>
#include <QShortcut>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "BrowserLoad.h"
#include "TBusyCursor.h"
#include "ErrorGuard.h"
#include "StartUp.h"
#include "GlobalVars.h"
#include "LibUnit.h"
#include "Log.h"
#include "Notice.h"
#include "PathRules.h"
#include "RecentDocs.h"
#include "SplitURI.h"
#include "TWebBrowser.h"
#include "Tfrm_ExternalViewer.h"
#include "TSearchPane.h"
#include "TPagesAhead.h"
#include "TTransformationRunner.h"
#include "Tfrm_Main.h"

namespace {

// The URL as the page wrote it. The engine percent-encodes letters outside ASCII, which come
// back as UTF-8 text; escapes of ASCII characters ("%20", "%26") stay as they are.
std::string UrlText(const QUrl& url) {
    return url.toString(QUrl::EncodeSpaces | QUrl::EncodeDelimiters | QUrl::EncodeReserved).toStdString();
}

}  // namespace

void Tfrm_Main::ConnectBookHandlers() {
    connect(act_FileCloseBook, &QAction::triggered, this, Guarded([this] { CloseBook(); }));
    connect(act_FileReopenBook, &QAction::triggered, this, Guarded([this] { act_FileReopenBookExecute(); }));
    connect(act_ReloadBookXSLTFile, &QAction::triggered, this, Guarded([this] { LoadBookTemplate(BookInfo); }));
    connect(act_ReloadServiceXSLTFile, &QAction::triggered, this, Guarded([this] { LoadServiceStylesheet(BookInfo); }));
    connect(act_ReloadTOC, &QAction::triggered, this, Guarded([this] { act_ReloadTOCExecute(); }));

    wb_Browser->OnBeforeNavigate = [this](const QUrl& url, bool& cancel) {
        RunGuardedQueued([&] { wb_BrowserBeforeNavigate2(url, cancel); });
    };
    wb_Browser->OnNewWindow = [this](TWebBrowser*& target, bool& cancel) {
        RunGuardedQueued([&] { wb_BrowserNewWindow2(target, cancel); });
    };
    wb_Browser->OnDocumentComplete = [this](const QUrl& url) { RunGuarded([&] { wb_BrowserDocumentComplete(url); }); };
    // A refused navigation is logged by the browser and said in the status bar.
    connect(wb_Browser, &TWebBrowser::NavigationRefused, sb_Status,
            [this](const QString& message) { sb_Status->showMessage(message); });
    connect(wb_Browser, &TWebBrowser::WebLinkOpened, sb_Status, [this](const QUrl& url) {
        sb_Status->showMessage(QStringLiteral("Ссылка открыта в браузере: ") + url.toDisplayString());
    });
}

void Tfrm_Main::ConnectTransformationHandlers() {
    Runner = new TTransformationRunner(this);
    StopShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    StopShortcut->setContext(Qt::WindowShortcut);
    StopShortcut->setEnabled(false);  // Escape stays the page's own while nothing runs
    connect(StopShortcut, &QShortcut::activated, Runner, &TTransformationRunner::StopCurrent);
    connect(Runner, &TTransformationRunner::BusyChanged, StopShortcut, &QShortcut::setEnabled);
    auto* cursor = new TBusyCursor(this);
    connect(Runner, &TTransformationRunner::BusyChanged, cursor, &TBusyCursor::Show);
    Ahead = new TPagesAhead(*Runner, this);
    AheadTimer = new QTimer(this);
    AheadTimer->setSingleShot(true);
    connect(AheadTimer, &QTimer::timeout, this, [this] { RunLogged([this] { MakeNeighboursAhead(); }); });
}

void Tfrm_Main::AbandonTransformations() {
    AheadTimer->stop();
    Ahead->Clear();
    Runner->Abandon();
}

void Tfrm_Main::MakeNeighboursAhead() {
    if (BookInfo.BookXSLTT.empty() || CurrentDivID.empty()) return;
    // The entries before and after the one on view, in the contents' order.
    std::string previous, next;
    bool found = false;
    for (QTreeWidgetItemIterator it(tv_TOC); *it; ++it) {
        const TTreeNodeInfo* info = NodeInfo(*it);
        if (!info) continue;
        if (found) {
            next = CutDivId(info->DivID);
            break;
        }
        if (CutDivId(info->DivID) == CurrentDivID)
            found = true;
        else
            previous = CutDivId(info->DivID);
    }
    if (!found) return;
    std::vector<std::string> parts;
    for (const std::string& part : {next, previous})
        if (!part.empty() && part != CurrentDivID) parts.push_back(part);
    Ahead->MakeAhead(parts, BookInfo);
}

std::optional<TBookPage> Tfrm_Main::Transform(const TBookInfo& book,
                                              const std::function<TBookPage(TBookInfo&, const TRunControl&)>& run) {
    TBookInfo copy = book;
    TBookPage page;
    if (!Runner->Run([&](const TStopToken& stop) { page = run(copy, {stop, false}); })) return std::nullopt;
    return page;
}

std::vector<QAction*> Tfrm_Main::BookActions() const {
    return {act_FileCloseBook, act_FileReopenBook, act_FileExport, act_ReloadBookXSLTFile, act_ReloadServiceXSLTFile,
            act_ReloadTOC,     act_FilePrint,      act_SearchFind, act_SearchFindNext};
}

void Tfrm_Main::SetBookActionsEnabled(bool enabled) {
    for (QAction* action : BookActions())
        action->setEnabled(enabled);
}

void Tfrm_Main::OpenBook(const std::string& path, bool remember) {
    const std::string fullPath = FindDescriptor(path, Settings);
    if (fullPath.empty()) {
        RefuseDocument("Документ не найден.", path);
        return;
    }
    if (const std::string fault = DescriptorFault(fullPath); !fault.empty()) {
        RefuseDocument(fault, fullPath);
        return;
    }
    if (act_FileCloseBook->isEnabled()) CloseBook();
    SetBookDefaults(BookInfo, Settings);
    BookInfo.DescriptorFile = fullPath;
    ReadBookDescriptor(BookInfo, Settings);
    BookInfo.Opened = false;

    WriteLog("Проверка целостности книги...");
    if (!CheckBookIntegrity(BookInfo, Settings)) {
        WriteLog("Проверка целостности завершена неудачно.");
        return;
    }
    WriteLog("Проверка целостности завершена удачно.");
    // The first page's key tables are built from the same parse while the contents is made.
    Runner->RunBeside([book = BookInfo](const TStopToken& stop) mutable { PrepareBookPartKeys(book, stop); });
    const bool built = BuildTOC();
    if (!ContentsRun) return;  // a later request has the window now
    if (!built || tv_TOC->topLevelItemCount() == 0) ShowContentsFailure(BookInfo, *ContentsRun);
    if (!built) return;
    if (BookInfo.TOCisExpanded) tv_TOC->expandAll();
    WaitWhileBrowserBusy();
    ClickTOConTopItem();
    SetBookActionsEnabled(true);
    BookInfo.Opened = true;
    Settings.OpenTopTOCItemOnShow = true;
    act_ServiceBookmarkAdd->setEnabled(true);
    act_ServiceBookmarksList->setEnabled(true);
    StartSearchIndex();
    if (remember) RememberOpenedBook(fullPath);
}

void Tfrm_Main::RefuseDocument(const std::string& what, const std::string& path) {
    // An open book stays on view and a notice says why the other did not open; with none,
    // the pane says it.
    if (act_FileCloseBook->isEnabled())
        ShowNotice(this, QString::fromStdString(what + "\nФайл: " + path));
    else
        ShowFailurePage(what, path, "");
}

bool Tfrm_Main::CheckBookIntegrity(const TBookInfo& book, const TSettings&) {
    // A root wider than the book's own folder would open the whole disk to its pages.
    const std::string problem = RootPathProblem(book);
    if (problem.empty()) return true;
    ShowFailurePage("Книга не открыта: недопустимая корневая папка.", ToOsPath(book.RootPath), problem);
    return false;
}

void Tfrm_Main::WaitWhileBrowserBusy() {
    if (!wb_Browser->Busy()) return;
    // Bounded, and also ended by the engine's own end of a load: a load that never ends, or a
    // busy flag that is not cleared, must not hang the open.
    QEventLoop loop;
    connect(wb_Browser, &TWebBrowser::StateChanged, &loop, [&] {
        if (!wb_Browser->Busy()) loop.quit();
    });
    connect(wb_Browser->View()->page(), &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(BusyWaitLimitMs, &loop, &QEventLoop::quit);
    loop.exec();
}

void Tfrm_Main::CloseBook() {
    AbandonTransformations();  // a page of the closed book must not show up later
    SetBookActionsEnabled(false);
    act_ServiceBookmarkAdd->setEnabled(false);
    act_ServiceBookmarksList->setEnabled(false);
    ts_Search->BookClosed();
    WriteLog("Очистка рабочей области браузера.");
    RunLogged([this] { ShowHtmlMessage(""); });
    WriteLog("Очистка оглавления.");
    tv_TOC->clear();
    DropParsedInput(BookInfo);
    WriteLog("Книга закрыта.");
}

void Tfrm_Main::act_FileReopenBookExecute() {
    const std::string descriptor = BookInfo.DescriptorFile;  // OpenBook resets BookInfo
    OpenBook(descriptor);
    ClickTOConTopItem();
}

void Tfrm_Main::act_FileOpenExecute() {
    QString path;
    if (OpenFileDialog) {
        path = OpenFileDialog();
    } else {
        QFileDialog dialog(this, QStringLiteral("Открыть файл..."));
        dialog.setNameFilters({QStringLiteral("Конфигурационные файлы tomeria v1.0pR (*.tmr intro.ini)"),
                               QStringLiteral("Все файлы  (*.*)")});
        dialog.setDefaultSuffix(QStringLiteral("tmr"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDirectory(QString::fromStdString(ToOsPath(DataFolder(Settings))));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (!path.isEmpty()) OpenBook(path.toStdString());
}

void Tfrm_Main::mnu_FileOpenLastDoc_01Click(int index) {
    // An entry past the end of the list has no document: nothing to open.
    const auto& docs = Settings.LastDocs;
    if (!docs || index < 0 || static_cast<std::size_t>(index) >= docs->size()) return;
    const std::string path = (*docs)[static_cast<std::size_t>(index)];  // a copy: the list changes
    if (FindDescriptor(path, Settings).empty()) {
        RemoveRecentDoc(*docs, path);
        UpdateRecentDocsMenu();
        ShowNotice(this, QStringLiteral("Книга \"%1\" не найдена и убрана из списка последних документов.")
                             .arg(QString::fromStdString(path)));
        return;
    }
    OpenBook(path);
}

void Tfrm_Main::ShowBookPart(const std::string& divId, TBookInfo& book, const TSettings& settings) {
    CurrentDivID = divId;
    if (TerminationRequested()) return;  // the program is ending: no page is made any more
    if (ShowTemplateFailure(book)) return;
    AheadTimer->stop();
    bool superseded = false;
    std::optional<TBookPage> page = Ahead->Take(divId, book, superseded);
    if (superseded) return;
    if (!page) page = Transform(book, [id = divId](TBookInfo& copy, const TRunControl& control) {
            return BuildBookPart(id, copy, control);
        });
    if (!page) return;  // a later request shows its own page
    if (ShowPartFailure(book, *page)) return;
    wb_Browser->SetBaseFolder(NormalizeFolder(book.RootPath));
    FailureOnView = false;
    LoadHtmlIntoBrowser(page->Html, *wb_Browser, page->Encoding);
    ApplyBrowserFontSize(settings);
    if (page->Ok) AheadTimer->start(AheadDelayMs);
}

void Tfrm_Main::ShowHtmlMessage(const std::string& text) {
    FailureOnView = false;
    LoadHtmlIntoBrowser("<HTML><HEAD><TITLE></TITLE></HEAD><BODY>" + text + "</BODY></HTML>", *wb_Browser);
}

void Tfrm_Main::wb_BrowserBeforeNavigate2(const QUrl& url, bool& cancel) {
    const std::string target = UrlText(url);
    const TSplittedURI parts = SplitURI(target);
    if (parts.Scheme == "tomeri" && parts.Host == "showdoc") {
        std::string divId;
        for (const TXSLTParameter& pair : ParseQuery(parts.Query))
            if (pair.Name == "DivID") divId = pair.Value;
        cancel = true;
        // Made once the engine's call has returned: the page waits for its transformation.
        QMetaObject::invokeMethod(
            this, [this, divId = CutDivId(divId)] { RunGuarded([&] { ShowBookPart(divId, BookInfo, Settings); }); },
            Qt::QueuedConnection);
    }
    WriteLog("Load URI: " + target);
}

// Pages hold only a few viewers open at once: a page cannot flood the screen with windows.
void Tfrm_Main::wb_BrowserNewWindow2(TWebBrowser*& target, bool& cancel) {
    std::erase_if(PageViewers, [](const QPointer<Tfrm_ExternalViewer>& viewer) { return viewer.isNull(); });
    if (PageViewers.size() >= MaxPageViewers) {
        const std::string message = "Окно не открыто: страницы держат открытыми уже " +
                                    std::to_string(MaxPageViewers) + " окна просмотра; закройте одно из них.";
        WriteLog(message, TLogLevel::Error);
        sb_Status->showMessage(QString::fromStdString(message));
        cancel = true;
        return;
    }
    Tfrm_ExternalViewer* viewer = NewExternalViewer();
    PageViewers.emplace_back(viewer);
    target = viewer->wb_Browser;  // shown by the browser once the page is handed over
}

void Tfrm_Main::wb_BrowserDocumentComplete(const QUrl&) { wb_Browser->SetBodyBorderNone(); }
