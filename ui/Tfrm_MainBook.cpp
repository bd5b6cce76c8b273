// Opening and closing books, showing their parts, and the events of the main browser.
#include <QAction>
#include <QStatusBar>
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
#include "TBookSession.h"
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
    connect(act_ReloadBookXSLTFile, &QAction::triggered, this, Guarded([this] { BookSession->ReloadTemplate(); }));
    connect(act_ReloadServiceXSLTFile, &QAction::triggered, this, Guarded([this] { BookSession->ReloadService(); }));
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
    BookSession = new TBookSession(BookInfo, Settings, this);
    ts_Search->SetSearch(BookSession->Search());
    StopShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    StopShortcut->setContext(Qt::WindowShortcut);
    StopShortcut->setEnabled(false);  // Escape stays the page's own while nothing runs
    connect(StopShortcut, &QShortcut::activated, BookSession, &TBookSession::Stop);
    connect(BookSession, &TBookSession::BusyChanged, StopShortcut, &QShortcut::setEnabled);
    auto* cursor = new TBusyCursor(this);
    connect(BookSession, &TBookSession::BusyChanged, cursor, &TBusyCursor::Show);

    connect(BookSession, &TBookSession::Refused, this, [this](const std::string& what, const std::string& path) {
        RunGuarded([&] { RefuseDocument(what, path); });
    });
    connect(BookSession, &TBookSession::Failed, this, [this](const TBookFailure& failure) {
        RunGuarded([&] { ShowFailurePage(failure.What, failure.File, failure.Cause); });
    });
    connect(BookSession, &TBookSession::Closed, this, [this] { RunGuarded([&] { BookClosed(); }); });
    connect(BookSession, &TBookSession::ContentsMade, this,
            [this](const TContents& contents) { RunGuarded([&] { ShowContents(contents); }); });
    connect(BookSession, &TBookSession::Opened, this,
            [this](const TOpenRequest& request) { RunGuarded([&] { BookOpened(request); }); });
    connect(BookSession, &TBookSession::PartMade, this,
            [this](const std::string& divId, const TBookPage& page, int scrollY) {
                RunGuarded([&] { ShowPage(divId, page, scrollY); });
            });
    connect(BookSession, &TBookSession::BooksListed, this,
            [this](const std::vector<TBookEntry>& books) { RunGuarded([&] { ShowBookList(books); }); });
    connect(BookSession, &TBookSession::BooksDescribed, this,
            [this](const std::vector<TBookEntry>& books) { RunGuarded([&] { ShowRecentTitles(books); }); });
}

void Tfrm_Main::AbandonTransformations() { BookSession->Abandon(); }

std::vector<QAction*> Tfrm_Main::BookActions() const {
    return {act_FileCloseBook, act_FileReopenBook, act_FileExport, act_ReloadBookXSLTFile, act_ReloadServiceXSLTFile,
            act_ReloadTOC,     act_FilePrint,      act_SearchFind, act_SearchFindNext};
}

void Tfrm_Main::SetBookActionsEnabled(bool enabled) {
    for (QAction* action : BookActions())
        action->setEnabled(enabled);
}

void Tfrm_Main::OpenBook(const std::string& path, bool remember) { BookSession->Open({path, remember, ""}); }

void Tfrm_Main::BookOpened(const TOpenRequest& request) {
    // The first entry is selected and shown when the window is on view; else its show does it.
    if (request.Part.empty()) ClickTOConTopItem();
    SetBookActionsEnabled(true);
    Settings.OpenTopTOCItemOnShow = true;
    act_ServiceBookmarkAdd->setEnabled(true);
    act_ServiceBookmarksList->setEnabled(true);
    act_ServiceCheckBook->setEnabled(true);
    if (request.Remember) RememberOpenedBook(request.Path);
}

void Tfrm_Main::RefuseDocument(const std::string& what, const std::string& path) {
    // An open book stays on view and a notice says why the other did not open; with none,
    // the pane says it.
    if (act_FileCloseBook->isEnabled())
        ShowNotice(this, QString::fromStdString(what + "\nФайл: " + path));
    else
        ShowFailurePage(what, path, "");
}

void Tfrm_Main::CloseBook() { BookSession->Close(); }

void Tfrm_Main::BookClosed() {
    SetBookActionsEnabled(false);
    act_ServiceBookmarkAdd->setEnabled(false);
    act_ServiceBookmarksList->setEnabled(false);
    act_ServiceCheckBook->setEnabled(false);
    WriteLog("Очистка рабочей области браузера.");
    RunLogged([this] { ShowHtmlMessage(""); });
    WriteLog("Очистка оглавления.");
    tv_TOC->clear();
    WriteLog("Книга закрыта.");
}

void Tfrm_Main::act_FileReopenBookExecute() {
    const std::string descriptor = BookInfo.DescriptorFile;  // the open resets BookInfo
    OpenBook(descriptor);
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

void Tfrm_Main::ShowBookPart(const std::string& divId, TBookInfo&, const TSettings&) {
    if (TerminationRequested()) return;  // the program is ending: no page is made any more
    BookSession->ShowPart(divId);
}

void Tfrm_Main::ShowPage(const std::string& divId, const TBookPage& page, int scrollY) {
    ShowInTree(divId);
    wb_Browser->SetBaseFolder(NormalizeFolder(BookInfo.RootPath));
    FailureOnView = false;
    LoadHtmlIntoBrowser(page.Html, *wb_Browser, page.Encoding);
    ApplyBrowserFontSize(Settings);
    PendingScrollUrl = scrollY > 0 ? wb_Browser->WrittenPageUrl() : QUrl();
    PendingScrollY = scrollY;
    if (divId == HighlightPart) {
        HighlightPart.clear();
        PendingHighlightUrl = wb_Browser->WrittenPageUrl();
    }
    emit PageShown(divId);
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
