#pragma once
// The embedded browser control: a QWebEngineView that pages are written into.
#include <QByteArray>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "BrowserLoad.h"

class QWebEngineView;
class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QPrinter;
class TWebPage;
class TBookSchemeHandler;
class TRenderWatch;

class TWebBrowser : public QWidget {
    Q_OBJECT
public:
    explicit TWebBrowser(QWidget* parent = nullptr);
    ~TWebBrowser() override;

    // Loads a URL; the system itself uses only "about:blank".
    void Navigate(const QString& url);
    // A top-level document exists (a load has ended with a page).
    bool HasDocument() const;
    // A load started by Navigate or WriteDocument, or by the page itself, is in progress.
    bool Busy() const;
    // Replaces the page by html, whose bytes are in the given encoding. Relative references
    // and rooted paths of the page resolve against the base folder. Called from inside a
    // navigation event, the load starts once the event has returned.
    void WriteDocument(const std::string& html, const std::string& encoding);
    // The book root (program path form, e.g. "\opt\tomeria\data\") that the relative
    // references and "<%RootPath%>" paths of the next written page resolve against; the
    // files under it are served to the page.
    void SetBaseFolder(const std::string& folder);
    // Sets the body's border style of the current document to "none".
    void SetBodyBorderNone();

    // Commands; each throws std::runtime_error when it cannot be carried out (no document,
    // a print still running, a file that cannot be written). A cancelled dialog is no error.
    void ExecCopy();
    void ExecSelectAll();
    void ExecPrint();          // the print dialog, then the page printed (ends with PrintFinished)
    void ExecSaveAs();         // the save dialog, then the page saved as an HTML file
    void ExecZoom(int level);  // 0 (smallest) .. 4 (largest) text size
    // With copying switched off nothing copies from the page: not ExecCopy, not the copy
    // and cut keys, not the context menu (its copy entries are left out).
    void SetCopyAllowed(bool allowed) { AllowCopy = allowed; }
    bool CopyAllowed() const { return AllowCopy; }
    static double ZoomFactorOf(int level);  // 0.75, 0.9, 1.0, 1.25, 1.5

    // Seams for the dialogs of the commands. PrinterSetup shows the print dialog for the
    // printer and returns false when cancelled; SaveFileName shows the save dialog and
    // returns the chosen file name, empty when cancelled. Empty: the standard dialogs.
    std::function<bool(QPrinter& printer)> PrinterSetup;
    std::function<QString()> SaveFileName;
    // Opens a web link the reader clicked in the desktop's browser and returns whether it
    // started; empty: QDesktopServices. A new window's browser takes it over.
    std::function<bool(const QUrl& url)> OpenWebLink;

    // The memory the page's render process may hold before it is stopped (bytes); a quarter
    // of the machine's memory unless set.
    void SetMemoryLimit(qint64 bytes);
    qint64 MemoryLimit() const;

    // Events, raised synchronously on the user-interface thread.
    // Before every navigation (about:blank, written pages and followed links included).
    std::function<void(const QUrl& url, bool& cancel)> OnBeforeNavigate;
    // A page asks for a new window: hand back the browser that is to show it, in a window
    // not yet shown; the browser shows it once the page is handed over.
    std::function<void(TWebBrowser*& target, bool& cancel)> OnNewWindow;
    // The top-level document has finished loading.
    std::function<void(const QUrl& url)> OnDocumentComplete;

    QWebEngineView* View() const;
    // The URL the last written page is served at (empty before any write).
    QUrl WrittenPageUrl() const;
    // True while OnBeforeNavigate runs.
    bool InNavigationEvent() const;

signals:
    // Emitted whenever HasDocument() or Busy() may have changed.
    void StateChanged();
    // A navigation or a new window was refused; message says which and why (also logged).
    void NavigationRefused(const QString& message);
    // A web link the reader clicked went to the desktop's browser.
    void WebLinkOpened(const QUrl& url);
    void PrintFinished(bool ok);

private:
    friend class TWebPage;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool AcceptNavigation(const QUrl& url, bool linkClicked, bool isMainFrame);
    bool RaiseBeforeNavigate(const QUrl& url, bool isMainFrame);
    void RaiseNewWindow(QWebEngineNewWindowRequest& request);
    bool ReaderClicked(const QUrl& url, bool linkClicked);
    void OpenOutside(const QUrl& url);
    void RenderProcessEnded(int status, int exitCode);
    void Refuse(const std::string& message);
    void ShowContextMenu(const QPoint& pos);
    void StartLoad(const QUrl& url);
    void StartDeferredLoad();
    void LoadingChanged(const QWebEngineLoadingInfo& info);
    void DocumentLoaded(const QUrl& url);
    void CheckSettled();
    void RequireDocument(const char* command) const;
    bool ShowPrintDialog(QPrinter& printer);
    QString ShowSaveDialog();

    QWebEngineView* EngineView = nullptr;
    TWebPage* Page = nullptr;
    QPointer<TBookSchemeHandler> SchemeHandler;
    int BrowserId = 0;
    QByteArray BaseFolder;  // OS form, ends in "/"; empty for none
    QUrl PageUrl;          // where the last written page is served
    QByteArray PageBytes;  // and its bytes
    QUrl ExpectedUrl;      // the load we started and have not seen end
    QUrl DeferredUrl;      // a load asked for inside a navigation event
    int EventDepth = 0;    // > 0 while OnBeforeNavigate runs
    bool EngineLoading = false;
    QTimer SettleCheck;  // every 50 ms while a load may have lost its signals (Qt WebEngine 6.4.2)
    bool DocumentShown = false;
    double ZoomFactor = 1.0;
    bool ZoomSet = false;
    std::unique_ptr<QPrinter> Printer;  // alive while a print runs
    QString HoveredLink;                // the link under the pointer, as the engine says
    QUrl ClickedLink;                   // the link the reader's last click was on
    QElapsedTimer LastClick;            // since the reader's last click in the page
    TRenderWatch* Watch = nullptr;
    bool AllowCopy = true;
};
