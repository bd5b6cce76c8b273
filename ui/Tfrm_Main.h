#pragma once
// The viewer's main window: contents tree, browser pane, debug pane, status bar, the top
// dock area for the toolbars, the action list al_SystemActions and the five menus.
#include <QJsonArray>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <atomic>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "TSettings.h"
#include "Transformation.h"

struct TBookmark;
class TBookmarkStore;
class TBookmarkImportTask;
struct TBookmarkImportPlan;
class TSearchPane;
class TBookSession;
struct TBookEntry;
struct TContents;
struct TOpenRequest;
class Tfrm_Bookmarks;
class Tfrm_BookCheck;
struct TCheckProblem;

class QAction;
class QActionGroup;
class QFrame;
class QMenu;
class QPlainTextEdit;
class QShortcut;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class TWebBrowser;
class Tfrm_DebugToolbar;
class Tfrm_ExternalViewer;
class Tfrm_SearchToolbar;
class Tfrm_StdToolbar;
class Tfrm_Settings;
struct TBookInfo;
struct TContentsItem;

// What a contents node keeps: the identifier of the part it names.
struct TTreeNodeInfo {
    std::string DivID;
};

class Tfrm_Main : public QMainWindow {
    Q_OBJECT
public:
    // The window works on the records it is given, which must outlive it: the program passes
    // its globals, tests may pass records of their own.
    Tfrm_Main(TSettings& settings, const TSettings& defaults, TBookInfo& book, QWidget* parent = nullptr);
    ~Tfrm_Main() override;

    TSettings& Settings;               // the settings in force
    const TSettings& DefaultSettings;  // the built-in defaults
    TBookInfo& BookInfo;               // the open book

    // Makes the debug pane the window sink of the log, configured from Settings; the sink is
    // released again by the destructor.
    void InstallLogSink();
    // Makes the settings save capture this window's placement; released by the destructor.
    void InstallLayoutCapture();
    // Adds a line to the debug pane; from another thread, once the window's thread gets to it,
    // and lines after such a line wait their turn, so the pane keeps the log's order.
    void AppendLogLine(const std::string& line);

    // Applies a settings record to the window: an empty page when no book is open, and the
    // text size.
    void InitControlState(const TSettings& settings);

    // Books.
    // Asks the session to open a book; the window shows what it answers (the contents, then
    // the first part). A book opened successfully goes to the top of the recent documents
    // unless remember is false.
    void OpenBook(const std::string& path, bool remember = true);
    void CloseBook();
    void ClickTOConTopItem();
    // Fills the contents tree with the entries of contents; contents that stopped at a fault
    // (a top element other than "menu", a "listitem" without "id") throw once the entries read
    // before it are in the tree.
    void FillTOC(const TContents& contents);
    // Asks for the part divId; its page is shown once made, at the text size of the settings.
    void ShowBookPart(const std::string& divId, TBookInfo& book, const TSettings& settings);
    // The open book and the work on it; Escape stops its reader's requests.
    TBookSession& Session() const { return *BookSession; }
    // Stops the transformations under way and the work ahead; no page of theirs is shown.
    void AbandonTransformations();
    // Writes text as the body of a minimal page into the browser pane.
    void ShowHtmlMessage(const std::string& text);
    // A short page naming what failed, the file and the cause (all escaped); also logged.
    void ShowFailurePage(const std::string& what, const std::string& file, const std::string& cause);
    // A document that is not opened: what is wrong with it, as such a page when no book is
    // open, else as a notice beside the book on view.
    void RefuseDocument(const std::string& what, const std::string& path);

    // View commands.
    void ApplyBrowserFontSize(const TSettings& settings);
    void DebugWindowOnOff(bool on);

    // The recent-documents entries: index 0 to 3 opens that entry of Settings.LastDocs.
    void mnu_FileOpenLastDoc_01Click(int index);
    // Recent documents, the book list, the help book and books handed over by a second copy.
    void UpdateRecentDocsMenu();
    void act_FileShowListExecute();
    void act_HelpContentsExecute();
    void OpenHandedOverBook(const std::string& path);

    // Browser events of the main browser.
    void wb_BrowserBeforeNavigate2(const QUrl& url, bool& cancel);
    void wb_BrowserNewWindow2(TWebBrowser*& target, bool& cancel);
    void wb_BrowserDocumentComplete(const QUrl& url);

    // The record a contents node owns; none for a node the window did not make.
    static const TTreeNodeInfo* NodeInfo(const QTreeWidgetItem* node);

    // Contents tree events.
    void tv_TOCClick();
    void tv_TOCDblClick();

    // Focus tracking.
    void ActiveControlChanged();
    void FocusControl(QWidget* control);
    void UnFocusControl(QWidget* control);
    // The named control that holds w (w itself, or the nearest named ancestor in this window).
    QWidget* ControlOf(QWidget* w) const;

    // The toolbar menu, the context menu of the dock bar (and of the menu bar).
    QMenu* createPopupMenu() override;

    // The nine actions that follow the book state, in the order they are switched.
    std::vector<QAction*> BookActions() const;
    QAction* FontSizeAction(uint8_t size) const;
    QAction* DebugLevelAction(uint8_t level) const;

    // Seams for the dialogs: the open-book dialog returns a chosen path or "" when
    // cancelled; the find dialog, given the last text, the text to find or "". Tests replace
    // them; by default they show the real dialogs.
    std::function<QString()> OpenFileDialog;
    std::function<QString(const QString& last)> FindTextDialog;
    // Called when a debug-level action runs, with its level (the debug toolbar's combo box).
    std::function<void(int level)> OnDebugLevelChanged;
    // Called with the settings dialog before it is shown (tests drive the dialog through it).
    std::function<void(Tfrm_Settings& dialog)> BeforeSettingsDialog;

    // Search and bookmarks (Tfrm_MainSearch.cpp, Tfrm_MainBookmarks.cpp).
    QTreeWidgetItem* FindTOCNode(const std::string& divId) const;
    // Shows a part found by the search, selects it in the contents, highlights the words.
    void ShowSearchHit(const std::string& id, const std::vector<std::string>& words);
    void OpenBookmark(const TBookmark& bookmark);
    TBookmarkStore& Bookmarks();
    // The bookmarks file ("" for the user's); the export/import file dialog (save = export)
    // and the list window, replaced by tests. Empty: the real dialogs.
    std::string BookmarksPath;
    std::function<QString(bool save)> BookmarksFileDialog;
    std::function<void(Tfrm_Bookmarks& dialog)> BookmarksDialogShown;

    // Controls (their object names are these member names).
    QStatusBar* sb_Status = nullptr;
    QFrame* pnl_Debug = nullptr;
    QTabWidget* pc_Debug = nullptr;
    QPlainTextEdit* me_DebugWindow = nullptr;
    QSplitter* splt_Horizontal_01 = nullptr;
    QFrame* pnl_TOC = nullptr;
    QTreeWidget* tv_TOC = nullptr;
    QSplitter* splt_Vertical_01 = nullptr;
    QFrame* pnl_Browser = nullptr;
    TWebBrowser* wb_Browser = nullptr;
    TSearchPane* ts_Search = nullptr;  // the "Поиск" tab of the debug pane

    // The action list: every action is a child of it.
    QObject* al_SystemActions = nullptr;
    QAction* act_FileOpen = nullptr;
    QAction* act_FileCloseBook = nullptr;
    QAction* act_FileReopenBook = nullptr;
    QAction* act_FileShowList = nullptr;
    QAction* act_FileExport = nullptr;
    QAction* act_FilePrint = nullptr;
    QAction* act_FileOpenLastDoc_01 = nullptr;
    QAction* act_FileExit = nullptr;
    QAction* act_EditCopy = nullptr;
    QAction* act_EditSelectAll = nullptr;
    QAction* act_SearchFind = nullptr;
    QAction* act_SearchFindNext = nullptr;
    QAction* act_SearchGo = nullptr;
    QAction* act_ViewShowStdToolbar = nullptr;
    QAction* act_ViewShowSearchToolbar = nullptr;
    QAction* act_ViewShowDebugToolbar = nullptr;
    QAction* act_ViewShowDebugWin = nullptr;
    QAction* act_ViewShowFullScreen = nullptr;
    QAction* act_ViewFontSizeVeryBig = nullptr;
    QAction* act_ViewFontSizeBig = nullptr;
    QAction* act_ViewFontSizeMedium = nullptr;
    QAction* act_ViewFontSizeSmall = nullptr;
    QAction* act_ViewFontSizeVerySmall = nullptr;
    QAction* act_ViewShow_Form2 = nullptr;
    QAction* act_ServiceDebugLevelNone = nullptr;
    QAction* act_ServiceDebugLevelErrors = nullptr;
    QAction* act_ServiceDebugLevelWarning = nullptr;
    QAction* act_ServiceDebugLevelInfo = nullptr;
    QAction* act_ServiceSettings = nullptr;
    QAction* act_ReloadTOC = nullptr;
    QAction* act_ReloadBookXSLTFile = nullptr;
    QAction* act_ReloadServiceXSLTFile = nullptr;
    QAction* act_HelpContents = nullptr;
    QAction* act_HelpTopicSearch = nullptr;
    QAction* act_HelpAbout = nullptr;
    QAction* act_ServiceBookmarkAdd = nullptr;
    QAction* act_ServiceBookmarksList = nullptr;
    QAction* act_ServiceBookmarksImport = nullptr;
    QAction* act_ServiceBookmarksExport = nullptr;
    // Reading: back and forward through the parts shown, the next and previous part.
    QAction* act_GoBack = nullptr;
    QAction* act_GoForward = nullptr;
    QAction* act_GoPreviousPart = nullptr;
    QAction* act_GoNextPart = nullptr;
    QAction* act_ViewRestorePlace = nullptr;  // reopen books where the reader left them
    QAction* act_ServiceWatchFiles = nullptr;  // the page follows the book's files as they are saved
    QAction* act_ServiceCheckBook = nullptr;
    // The check of the open book and its problems; none before the first check.
    Tfrm_BookCheck* BookCheckWindow() const { return CheckWindow.get(); }
    QActionGroup* FontSizeGroup = nullptr;
    QActionGroup* DebugLevelGroup = nullptr;

    // Menu entries of the recent documents (the first is bound to act_FileOpenLastDoc_01).
    QAction* mnu_FileOpenLastDoc_01 = nullptr;
    QAction* mnu_FileOpenLastDoc_02 = nullptr;
    QAction* mnu_FileOpenLastDoc_03 = nullptr;
    QAction* mnu_FileOpenLastDoc_04 = nullptr;
    QMenu* mnu_File = nullptr;     // the "Файл" menu
    QMenu* pm_Toolbars = nullptr;  // the "Панели инструментов" submenu of "Вид"

    // The three toolbars, children of the window; none until start-up creates them.
    Tfrm_StdToolbar* frm_StdToolbar = nullptr;
    Tfrm_SearchToolbar* frm_SearchToolbar = nullptr;
    Tfrm_DebugToolbar* frm_DebugToolbar = nullptr;

    // Pages opened in a new window, and viewers opened empty; a viewer closed is released.
    const std::vector<std::unique_ptr<Tfrm_ExternalViewer>>& ExternalViewers() const { return Viewers; }
    // How many viewers the pages may hold open at once.
    static constexpr std::size_t MaxPageViewers = 4;
    // The viewer act_SearchGo opened last; none before the first.
    Tfrm_ExternalViewer* LatestExternalViewer() const { return LatestViewer; }

signals:
    // The window has been closed (after the settings were saved).
    void Closed();
    // A bookmark import has ended well (its report is in the status bar).
    void BookmarkImportEnded();
    // The page of a part has been written into the browser pane.
    void PageShown(const std::string& divId);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ShowLogLine(const std::string& line);
    void CreateControls();
    void CreateStatusBar();
    void CreateContentsPane();
    void CreateBrowserPane();
    void CreateVerticalSplitter();
    void CreateDebugPane();
    void CreateHorizontalSplitter();
    void CreateActions();
    void CreateMenus();
    void ConnectHandlers();
    void ConnectBookHandlers();
    void ConnectViewHandlers();
    void SetBookActionsEnabled(bool enabled);
    void ConnectTOCHandlers();
    void ConnectFindHandlers();
    void ConnectRecentHandlers();
    void ConnectTransformationHandlers();
    void RememberOpenedBook(const std::string& path);
    void act_SearchFindExecute();
    void act_SearchFindNextExecute();
    void FindIn(QWidget* control, const QString& text);
    // The contents tree, the debug log and the browser: the controls the find command searches.
    bool IsSearchable(const QWidget* control) const;
    static QList<QTreeWidgetItem*> MakeTOCNodes(const std::vector<TContentsItem>& items);
    // What the session answers.
    void ShowContents(const TContents& contents);
    void BookOpened(const TOpenRequest& request);
    void BookClosed();
    void ShowPage(const std::string& divId, const TBookPage& page, int scrollY);
    void ConnectReadingHandlers();
    void ConnectCheckHandlers();
    void act_ServiceCheckBookExecute();
    void ShowCheckProblem(const TCheckProblem& problem);
    void UpdateReadingActions();
    void ShowInTree(const std::string& divId);
    bool ReadingMouseButton(QObject* watched, QEvent* event);
    void ShowBookList(const std::vector<TBookEntry>& books);
    void ShowRecentTitles(const std::vector<TBookEntry>& books);
    Tfrm_ExternalViewer* NewExternalViewer();
    void FreeExternalViewer(const Tfrm_ExternalViewer* viewer);

    // View handlers.
    void FontSizeExecute(uint8_t size);
    void DebugLevelExecute(uint8_t level);
    void act_ViewShowFullScreenExecute();
    void act_ViewShowDebugWinExecute();
    void splt_Vertical_01Click();
    void act_FileOpenExecute();
    void act_FileExitExecute();
    void act_FileReopenBookExecute();
    void act_ReloadTOCExecute();
    void act_SearchGoExecute();
    void act_HelpAboutExecute();
    void ConnectSettingsHandlers();
    void act_ServiceSettingsExecute();

    void ConnectSearchHandlers();
    void ConnectBookmarkHandlers();
    void act_HelpTopicSearchExecute();
    void act_ServiceBookmarkAddExecute();
    void act_ServiceBookmarksListExecute();
    void act_ServiceBookmarksImportExecute();
    void FinishBookmarkImport(const std::string& file, TBookmarkImportPlan& plan, std::exception_ptr error);
    void act_ServiceBookmarksExportExecute();
    QString AskBookmarksFile(bool save);
    std::string OpenBookKey() const;
    void ShowStatus(const QString& text);
    std::unique_ptr<TBookmarkStore> BookmarkStore;
    std::unique_ptr<TBookmarkImportTask> ImportTask;  // while an import reads its file
    QJsonArray PendingHighlight;  // words to mark once the page at PendingHighlightUrl has loaded
    QUrl PendingHighlightUrl;
    std::string HighlightPart;  // the search result whose page is awaited
    QUrl PendingScrollUrl;      // the page to put at PendingScrollY once it has loaded
    int PendingScrollY = 0;

    TBookSession* BookSession = nullptr;
    QShortcut* StopShortcut = nullptr;  // Escape, while a transformation runs
    bool ListingBooks = false;          // the book list is being read
    std::unique_ptr<Tfrm_BookCheck> CheckWindow;

    QMetaObject::Connection FocusHook;
    QPointer<QWidget> CurrentFocused;
    QPointer<QWidget> PreviousFocused;
    QRect SavedBounds;       // bounds from before full screen
    int CollapsedWidth = 0;  // width of the contents pane before its last collapse
    bool SwitchingFullScreen = false;
    bool FailureOnView = false;  // the pane says why a book did not open: showing keeps it
    QString LastFindText;
    bool OwnsLogSink = false;
    std::atomic<int> QueuedLogLines = 0;  // handed to the pane from other threads, not yet shown
    bool OwnsLayoutCapture = false;
    std::vector<std::unique_ptr<Tfrm_ExternalViewer>> Viewers;
    Tfrm_ExternalViewer* LatestViewer = nullptr;
    std::vector<QPointer<Tfrm_ExternalViewer>> PageViewers;  // those opened by pages
    std::map<std::string, std::string> RecentTitles;  // titles of recent documents by path
    std::set<std::string> TitlesAsked;                // recent documents whose titles are being read
};
