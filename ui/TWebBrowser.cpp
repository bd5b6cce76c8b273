#include "TWebBrowser.h"

#include <QChildEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <array>
#include <utility>
#include <stdexcept>

#include "CaughtErrorText.h"
#include "Log.h"
#include "PagePolicy.h"
#include "TBookSchemeHandler.h"
#include "TRenderWatch.h"
#include "TWebPage.h"

namespace {

// How long after the reader's press on a link the engine's navigation to it counts as the click's.
// Qt WebEngine 6.4.2 tells a navigation's type and frame (acceptNavigationRequest) but not
// whether the reader's gesture started it (only a new-window request says so): a script run
// by a click's handler also comes as a clicked link. The bound keeps a press whose link never
// navigated (its handler cancelled it) from vouching for a script's later navigation there.
// It can go once the engine reports the gesture of a navigation.
constexpr qint64 ClickToNavigationMs = 1500;

// Two URLs name the same resource, whatever percent-encoding each side chose.
bool SameUrl(const QUrl& a, const QUrl& b) {
    return a.scheme() == b.scheme() && a.host() == b.host() &&
           a.path(QUrl::FullyDecoded) == b.path(QUrl::FullyDecoded) &&
           a.query(QUrl::FullyDecoded) == b.query(QUrl::FullyDecoded);
}

// An encoding name as it may appear in a Content-Type header; anything else is dropped
// and the engine falls back to the page's own declaration.
QByteArray CharsetOf(const std::string& encoding) {
    if (encoding.empty()) return "UTF-8";
    for (const char c : encoding) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                        c == '_' || c == '.' || c == ':';
        if (!ok) return {};
    }
    return QByteArray::fromStdString(encoding);
}

// The book folder in OS form ending in "/", or empty when it is not a rooted path. Bytes all
// the way: a folder whose name is not UTF-8 keeps it.
QByteArray OsFolderOf(const std::string& folder) {
    QByteArray path = QByteArray::fromStdString(folder);
    path.replace('\\', '/');
    if (!path.startsWith('/')) return {};
    // A root given relative to its descriptor ("data\..\") keeps its "." and ".." segments.
    path = QDir::cleanPath(QString::fromLatin1(path)).toLatin1();
    if (!path.endsWith('/')) path += '/';
    return path;
}

// Inside a catch block: a handler of the owner failed inside the engine's call, which must
// not unwind; the program's log keeps the cause.
void LogHandlerFailure(const char* event) {
    WriteLog(std::string("Обработчик события ") + event + " браузера не выполнен: " + CaughtErrorText(),
             TLogLevel::Error);
}

}  // namespace

TWebBrowser::TWebBrowser(QWidget* parent) : QWidget(parent) {
    TBookSchemeHandler& handler = TBookSchemeHandler::Installed();
    SchemeHandler = &handler;
    BrowserId = handler.NewBrowserId();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    EngineView = new QWebEngineView(this);
    Page = new TWebPage(QWebEngineProfile::defaultProfile(), *this, EngineView);
    EngineView->setPage(Page);
    // Book pages read their own book only (the request guard of the profile enforces it
    // for every load); a page may open windows of its own at the reader's gesture (they go
    // to OnNewWindow).
    Page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    Page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    Page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    layout->addWidget(EngineView);
    setFocusProxy(EngineView);
    // The reader's clicks and keys reach the engine's own child widget of the view.
    EngineView->installEventFilter(this);
    for (QObject* child : EngineView->children())
        child->installEventFilter(this);
    EngineView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(EngineView, &QWidget::customContextMenuRequested, this, &TWebBrowser::ShowContextMenu);
    connect(Page, &QWebEnginePage::newWindowRequested, this, &TWebBrowser::RaiseNewWindow);
    connect(Page, &QWebEnginePage::linkHovered, this, [this](const QString& url) { HoveredLink = url; });
    Watch = new TRenderWatch(*Page, this);

    connect(Page, &QWebEnginePage::loadStarted, this, [this] {
        EngineLoading = true;
        emit StateChanged();
    });
    connect(Page, &QWebEnginePage::loadFinished, this, [this] {
        EngineLoading = false;
        emit StateChanged();
    });
    connect(Page, &QWebEnginePage::loadingChanged, this, &TWebBrowser::LoadingChanged);
    connect(Page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                RenderProcessEnded(status, exitCode);
            });
    SettleCheck.setInterval(50);
    connect(&SettleCheck, &QTimer::timeout, this, &TWebBrowser::CheckSettled);
    connect(EngineView, &QWebEngineView::printFinished, this, [this](bool ok) {
        Printer.reset();
        emit PrintFinished(ok);
    });
}

TWebBrowser::~TWebBrowser() {
    // The view (and its page) goes first: a running print still uses Printer.
    delete EngineView;
    if (SchemeHandler) SchemeHandler->Forget(BrowserId);
}

QWebEngineView* TWebBrowser::View() const { return EngineView; }
QUrl TWebBrowser::WrittenPageUrl() const { return PageUrl; }
bool TWebBrowser::InNavigationEvent() const { return EventDepth > 0; }
bool TWebBrowser::HasDocument() const { return DocumentShown; }
bool TWebBrowser::Busy() const { return !ExpectedUrl.isEmpty() || EngineLoading; }

void TWebBrowser::Navigate(const QString& url) { StartLoad(QUrl(url)); }

void TWebBrowser::WriteDocument(const std::string& html, const std::string& encoding) {
    QByteArray contentType = "text/html";
    if (const QByteArray charset = CharsetOf(encoding); !charset.isEmpty()) contentType += ";charset=" + charset;
    PageBytes = QByteArray(html.data(), static_cast<qsizetype>(html.size()));
    if (!SchemeHandler) throw std::runtime_error("TWebBrowser.WriteDocument: the page server is gone");
    PageUrl = SchemeHandler->SetPage(BrowserId, BaseFolder, PageBytes, contentType);
    StartLoad(PageUrl);
}

void TWebBrowser::SetBaseFolder(const std::string& folder) { BaseFolder = OsFolderOf(folder); }

void TWebBrowser::SetBodyBorderNone() {
    if (DocumentShown)
        Page->runJavaScript(QStringLiteral("if (document.body) document.body.style.borderStyle = 'none';"));
}

// Loading from inside acceptNavigationRequest is unsafe in the engine, so a load asked for
// by a handler of the navigation event waits until the event has returned.
void TWebBrowser::StartLoad(const QUrl& url) {
    Page->ResetDialogs();
    ExpectedUrl = url;
    emit StateChanged();
    if (EventDepth > 0) {
        const bool queued = !DeferredUrl.isEmpty();
        DeferredUrl = url;
        if (!queued) QMetaObject::invokeMethod(this, &TWebBrowser::StartDeferredLoad, Qt::QueuedConnection);
        return;
    }
    // The engine asks no permission for "about:" pages; the event is raised all the same.
    if (url.scheme() == QLatin1String("about") && !RaiseBeforeNavigate(url, true)) return;
    Page->load(url);
}

void TWebBrowser::StartDeferredLoad() {
    const QUrl url = DeferredUrl;
    DeferredUrl.clear();
    if (!url.isEmpty()) StartLoad(url);
}

bool TWebBrowser::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ChildAdded:
            if (watched == EngineView) static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
            break;
        case QEvent::MouseButtonPress:
            // The engine names the link under the pointer as the pointer reaches it.
            ClickedLink = QUrl(HoveredLink);
            LastClick.start();
            break;
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            const auto* keyEvent = static_cast<QKeyEvent*>(event);
            if (!AllowCopy && (keyEvent->matches(QKeySequence::Copy) || keyEvent->matches(QKeySequence::Cut)))
                return true;  // the engine never sees the key
            break;
        }
        default: break;
    }
    return QWidget::eventFilter(watched, event);
}

// A navigation is the reader's click when the engine calls it a clicked link and it goes
// where the link under the reader's click pointed: a script's navigation, even one started
// by a click, goes elsewhere or comes without a link under the pointer. One click, one link.
bool TWebBrowser::ReaderClicked(const QUrl& url, bool linkClicked) {
    if (!linkClicked || !LastClick.isValid() || LastClick.elapsed() >= ClickToNavigationMs || ClickedLink.isEmpty() ||
        !SameUrl(url, ClickedLink))
        return false;
    ClickedLink.clear();
    return true;
}

// Web pages never load in the engine; the desktop's browser opens the link once the engine's
// call has returned.
void TWebBrowser::OpenOutside(const QUrl& url) {
    WriteLog("Ссылка открыта в браузере: " + url.toDisplayString().toStdString());
    QMetaObject::invokeMethod(
        this,
        [this, url] {
            const bool started = OpenWebLink ? OpenWebLink(url) : QDesktopServices::openUrl(url);
            if (started)
                emit WebLinkOpened(url);
            else
                Refuse("Ссылка не открыта: браузер не запустился: " + url.toDisplayString().toStdString());
        },
        Qt::QueuedConnection);
}

void TWebBrowser::SetMemoryLimit(qint64 bytes) { Watch->SetLimit(bytes); }
qint64 TWebBrowser::MemoryLimit() const { return Watch->Limit(); }

// A render process that ended abnormally leaves the reader a page that says why.
void TWebBrowser::RenderProcessEnded(int status, int exitCode) {
    EngineLoading = false;
    ExpectedUrl.clear();
    const qint64 stoppedAt = Watch->StoppedAt();
    Watch->Forget();
    emit StateChanged();
    if (status == QWebEnginePage::NormalTerminationStatus) return;
    std::string body;
    if (stoppedAt > 0) {
        body = "<h3>Страница остановлена: она заняла слишком много памяти.</h3><p>Процесс страницы занял " +
               std::to_string(stoppedAt >> 20) + " МБ при пределе " + std::to_string(Watch->Limit() >> 20) +
               " МБ (четверть памяти компьютера).</p>";
    } else {
        body = "<h3>Страница завершилась аварийно.</h3><p>Процесс страницы завершился с кодом " +
               std::to_string(exitCode) + ".</p>";
    }
    WriteLog("Процесс страницы завершился (состояние " + std::to_string(status) + ", код " +
                 std::to_string(exitCode) + ")",
             TLogLevel::Error);
    // Written once the engine's call has returned; the page carries no references.
    QMetaObject::invokeMethod(
        this,
        [this, body] {
            WriteDocument("<html><head><meta charset=\"utf-8\"><title>Ошибка</title></head><body>" + body +
                              "</body></html>",
                          "UTF-8");
        },
        Qt::QueuedConnection);
}

void TWebBrowser::Refuse(const std::string& message) {
    WriteLog(message, TLogLevel::Error);
    emit NavigationRefused(QString::fromStdString(message));
}

// What a page may navigate to is decided before the before-navigate event sees it. A file:
// address of a shown book's file is shown through the page scheme instead.
bool TWebBrowser::AcceptNavigation(const QUrl& url, bool linkClicked, bool isMainFrame) {
    const TNavigationVerdict verdict = JudgeNavigation(url, isMainFrame, ReaderClicked(url, linkClicked));
    if (verdict == TNavigationVerdict::Follow) return RaiseBeforeNavigate(url, isMainFrame);
    if (verdict == TNavigationVerdict::OpenOutside) {
        OpenOutside(url);
        return false;
    }
    if (verdict == TNavigationVerdict::BookFile && isMainFrame && SchemeHandler) {
        if (const QUrl bookUrl = SchemeHandler->BookUrlOfFile(url); !bookUrl.isEmpty()) {
            ++EventDepth;  // the load starts once the engine's event has returned
            StartLoad(bookUrl);
            --EventDepth;
            return false;
        }
    }
    Refuse(RefusalMessage(verdict, url));
    return false;
}

bool TWebBrowser::RaiseBeforeNavigate(const QUrl& url, bool isMainFrame) {
    bool cancel = false;
    if (OnBeforeNavigate) {
        ++EventDepth;
        try {
            OnBeforeNavigate(url, cancel);
        } catch (...) {
            // The engine's stack must not unwind; the handlers guard themselves.
            LogHandlerFailure("перехода");
        }
        --EventDepth;
    }
    if (cancel && isMainFrame && SameUrl(url, ExpectedUrl)) {
        ExpectedUrl.clear();
        emit StateChanged();
    }
    return !cancel;
}

// The page asks for a new window (its createWindow hands back none). A window opens only at
// the reader's gesture, as the engine reports it, and only for an address the page may go
// to; a web address goes to the desktop's browser instead. The new browser's window shows
// once the page is handed over.
void TWebBrowser::RaiseNewWindow(QWebEngineNewWindowRequest& request) {
    const QUrl requested = request.requestedUrl();
    if (!request.isUserInitiated()) {
        Refuse("Окно не открыто: страница открывает его сама, без действия читателя: " +
               requested.toDisplayString().toStdString());
        return;
    }
    if (IsWebUrl(requested)) {
        OpenOutside(requested);
        return;
    }
    // A blank window exists only for its opener to write into, and the engine ends with
    // SIGSEGV when a page writes into the blank page of a shown viewer: none opens.
    if (requested.isEmpty() || requested.scheme() == QLatin1String("about")) {
        Refuse("Окно не открыто: страница открывает пустое окно, чтобы писать в него сама.");
        return;
    }
    {
        const TNavigationVerdict verdict = JudgeNavigation(requested, true, false);
        const bool bookFile = verdict == TNavigationVerdict::BookFile && SchemeHandler &&
                              !SchemeHandler->BookUrlOfFile(requested).isEmpty();
        if (verdict != TNavigationVerdict::Follow && !bookFile) {
            Refuse(RefusalMessage(verdict, requested));
            return;
        }
    }
    TWebBrowser* target = nullptr;
    bool cancel = false;
    if (OnNewWindow) {
        try {
            OnNewWindow(target, cancel);
        } catch (...) {
            LogHandlerFailure("нового окна");
            return;
        }
    }
    if (cancel || !target) return;
    target->OpenWebLink = OpenWebLink;
    request.openIn(target->Page);
    target->window()->show();
}

void TWebBrowser::LoadingChanged(const QWebEngineLoadingInfo& info) {
    const auto status = info.status();
    if (status == QWebEngineLoadingInfo::LoadStartedStatus) return;
    if (status != QWebEngineLoadingInfo::LoadStoppedStatus) DocumentShown = true;
    if (SameUrl(info.url(), ExpectedUrl)) {
        ExpectedUrl.clear();
    } else if (!ExpectedUrl.isEmpty() && DeferredUrl.isEmpty()) {
        // Qt WebEngine 6.4.2: a load asked for just as the previous one ended can commit
        // without any load signal of its own; the 50 ms check watches for its document
        // instead, so the browser never stays busy on a page that is already shown.
        SettleCheck.start();
    }
    emit StateChanged();
    if (status == QWebEngineLoadingInfo::LoadSucceededStatus) DocumentLoaded(info.url());
}

void TWebBrowser::DocumentLoaded(const QUrl& url) {
    if (ZoomSet && !qFuzzyCompare(Page->zoomFactor(), ZoomFactor)) Page->setZoomFactor(ZoomFactor);
    // A written page replaces the document without leaving a way back to earlier
    // pages, whose bytes are no longer kept.
    if (SameUrl(url, PageUrl)) Page->history()->clear();
    if (!OnDocumentComplete) return;
    try {
        OnDocumentComplete(url);
    } catch (...) {
        LogHandlerFailure("загрузки документа");
    }
}

// Ends a load whose signals the engine dropped: once the expected page is the complete
// document, it counts as loaded.
void TWebBrowser::CheckSettled() {
    if (ExpectedUrl.isEmpty()) {
        SettleCheck.stop();
        return;
    }
    if (!SameUrl(Page->url(), ExpectedUrl)) return;
    const QUrl expected = ExpectedUrl;
    QPointer<TWebBrowser> self(this);
    Page->runJavaScript(QStringLiteral("document.readyState"), [self, expected](const QVariant& state) {
        if (!self || !SameUrl(self->ExpectedUrl, expected) || state.toString() != QLatin1String("complete")) return;
        self->SettleCheck.stop();
        self->ExpectedUrl.clear();
        self->DocumentShown = true;
        emit self->StateChanged();
        self->DocumentLoaded(expected);
    });
}

void TWebBrowser::RequireDocument(const char* command) const {
    if (!DocumentShown) throw std::runtime_error(std::string("TWebBrowser.") + command + ": no document");
}

void TWebBrowser::ShowContextMenu(const QPoint& pos) {
    QMenu* menu = EngineView->createStandardContextMenu();
    if (!menu) return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!AllowCopy) {
        for (const auto action : {QWebEnginePage::Copy, QWebEnginePage::Cut, QWebEnginePage::CopyLinkToClipboard,
                                  QWebEnginePage::CopyImageToClipboard, QWebEnginePage::CopyImageUrlToClipboard,
                                  QWebEnginePage::CopyMediaUrlToClipboard})
            menu->removeAction(Page->action(action));
    }
    menu->popup(EngineView->mapToGlobal(pos));
}

void TWebBrowser::ExecCopy() {
    if (!AllowCopy) throw std::runtime_error("TWebBrowser.Copy: copying is switched off");
    RequireDocument("Copy");
    Page->triggerAction(QWebEnginePage::Copy);
}

void TWebBrowser::ExecSelectAll() {
    RequireDocument("SelectAll");
    Page->triggerAction(QWebEnginePage::SelectAll);
}

double TWebBrowser::ZoomFactorOf(int level) {
    static constexpr std::array<double, 5> factors{0.75, 0.9, 1.0, 1.25, 1.5};
    if (level < 0 || level >= static_cast<int>(factors.size()))
        throw std::runtime_error("TWebBrowser.Zoom: level out of range");
    return factors[static_cast<std::size_t>(level)];
}

void TWebBrowser::ExecZoom(int level) {
    const double factor = ZoomFactorOf(level);
    RequireDocument("Zoom");
    ZoomFactor = factor;
    ZoomSet = true;
    Page->setZoomFactor(factor);
}

void TWebBrowser::ExecPrint() {
    RequireDocument("Print");
    if (Printer) throw std::runtime_error("TWebBrowser.Print: a print is still running");
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!(PrinterSetup ? PrinterSetup(*printer) : ShowPrintDialog(*printer))) return;
    Printer = std::move(printer);
    EngineView->print(Printer.get());
}

bool TWebBrowser::ShowPrintDialog(QPrinter& printer) {
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
}

void TWebBrowser::ExecSaveAs() {
    RequireDocument("SaveAs");
    const QString fileName = SaveFileName ? SaveFileName() : ShowSaveDialog();
    if (fileName.isEmpty()) return;
    if (!SameUrl(Page->url(), PageUrl)) {
        // A page the browser loaded itself (a followed link): the engine saves it.
        Page->save(fileName, QWebEngineDownloadRequest::SingleHtmlSaveFormat);
        return;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(PageBytes) != PageBytes.size() || !file.commit())
        throw std::runtime_error("TWebBrowser.SaveAs: cannot write " + fileName.toStdString() + ": " +
                                 file.errorString().toStdString());
}

namespace {
// The folder the last export went to; the first export starts in the user's documents.
QString& LastExportFolder() {
    static QString folder = [] {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QFileInfo(documents).isDir() ? documents : QDir::homePath();
    }();
    return folder;
}
}  // namespace

QString TWebBrowser::ShowSaveDialog() {
    QFileDialog dialog(this, QStringLiteral("Сохранить как"));
    dialog.setDirectory(LastExportFolder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("HTML-файлы (*.html *.htm)"), QStringLiteral("Все файлы (*)")});
    dialog.setDefaultSuffix(QStringLiteral("html"));
    QString name = Page->title().trimmed();
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    dialog.selectFile((name.isEmpty() ? QStringLiteral("page") : name) + QStringLiteral(".html"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString file = dialog.selectedFiles().constFirst();
    LastExportFolder() = QFileInfo(file).absolutePath();
    return file;
}
