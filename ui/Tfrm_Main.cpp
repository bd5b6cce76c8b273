#include "Tfrm_Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "Log.h"
#include "SettingsFile.h"
#include "TBookInfo.h"
#include "TBookmarkImportTask.h"
#include "TBookmarkStore.h"
#include "TClickSplitter.h"
#include "TCutCaptionTip.h"
#include "TSearchPane.h"
#include "TBookSession.h"
#include "Tfrm_BookCheck.h"
#include "TWebBrowser.h"
#include "WindowLayout.h"
#include "Tfrm_ExternalViewer.h"

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

QFrame* NewPanel(const char* name, QWidget* child, int margin, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(U(name));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->addWidget(child);
    return panel;
}

// The selection keeps its active colours when the widget loses the focus.
void KeepSelectionVisibleWithoutFocus(QWidget* widget) {
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    widget->setPalette(palette);
}

}  // namespace

Tfrm_Main::Tfrm_Main(TSettings& settings, const TSettings& defaults, TBookInfo& book, QWidget* parent)
    : QMainWindow(parent), Settings(settings), DefaultSettings(defaults), BookInfo(book) {
    setObjectName(QStringLiteral("frm_Main"));
    setWindowTitle(U(ApplicationTitle));
    move(72, 215);
    resize(850, 402);
    CreateControls();
    CreateActions();
    CreateMenus();
    ConnectHandlers();
    ConnectBookHandlers();
    ConnectTOCHandlers();
    ConnectFindHandlers();
    ConnectViewHandlers();
    ConnectSettingsHandlers();
    ConnectSearchHandlers();
    ConnectBookmarkHandlers();
    ConnectRecentHandlers();
    ConnectTransformationHandlers();
    ConnectReadingHandlers();
    ConnectCheckHandlers();
    FocusHook = connect(qApp, &QApplication::focusChanged, this, Guarded([this] { ActiveControlChanged(); }));
}

Tfrm_Main::~Tfrm_Main() {
    // Nothing may call back into the window while its controls are taken down.
    disconnect(FocusHook);
    wb_Browser->OnBeforeNavigate = nullptr;
    wb_Browser->OnNewWindow = nullptr;
    wb_Browser->OnDocumentComplete = nullptr;
    if (OwnsLogSink) SetLogWindowSink(nullptr);
    if (OwnsLayoutCapture) SetLayoutCapture(nullptr);
    // Viewers and their pages go before the window's own browser and the profile behind it.
    Viewers.clear();
}

void Tfrm_Main::CreateControls() {
    CreateStatusBar();
    CreateContentsPane();
    CreateBrowserPane();
    CreateVerticalSplitter();
    CreateDebugPane();
    CreateHorizontalSplitter();
}

void Tfrm_Main::CreateStatusBar() {
    sb_Status = new QStatusBar(this);
    sb_Status->setObjectName(QStringLiteral("sb_Status"));
    auto* statusPanel = new QLabel(sb_Status);
    statusPanel->setMinimumWidth(50);
    sb_Status->addWidget(statusPanel);
    setStatusBar(sb_Status);
}

void Tfrm_Main::CreateContentsPane() {
    tv_TOC = new QTreeWidget;
    tv_TOC->setObjectName(QStringLiteral("tv_TOC"));
    tv_TOC->setHeaderHidden(true);
    tv_TOC->setColumnCount(1);
    tv_TOC->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tv_TOC->setSelectionMode(QAbstractItemView::SingleSelection);
    tv_TOC->setSelectionBehavior(QAbstractItemView::SelectRows);
    tv_TOC->setAllColumnsShowFocus(true);
    tv_TOC->setMouseTracking(true);  // hot-tracking of the row under the mouse
    tv_TOC->setIndentation(19);
    // Every entry is one line of text: with one row height the tree need not measure each of
    // a large book's thousands of entries before it paints.
    tv_TOC->setUniformRowHeights(true);
    KeepSelectionVisibleWithoutFocus(tv_TOC);
    tv_TOC->installEventFilter(this);
    TCutCaptionTip::Install(tv_TOC);
    pnl_TOC = NewPanel("pnl_TOC", tv_TOC, 0, nullptr);
    pnl_TOC->setMinimumWidth(50);
}

void Tfrm_Main::CreateBrowserPane() {
    wb_Browser = new TWebBrowser;
    wb_Browser->setObjectName(QStringLiteral("wb_Browser"));
    pnl_Browser = NewPanel("pnl_Browser", wb_Browser, 1, nullptr);
    pnl_Browser->setMinimumWidth(50);
}

// The contents pane beside the browser pane; a click on the handle folds the contents away.
void Tfrm_Main::CreateVerticalSplitter() {
    auto* vertical = new TClickSplitter(Qt::Horizontal);
    splt_Vertical_01 = vertical;
    splt_Vertical_01->setObjectName(QStringLiteral("splt_Vertical_01"));
    splt_Vertical_01->setHandleWidth(3);
    splt_Vertical_01->setChildrenCollapsible(false);
    splt_Vertical_01->addWidget(pnl_TOC);
    splt_Vertical_01->addWidget(pnl_Browser);
    splt_Vertical_01->setStretchFactor(0, 0);
    splt_Vertical_01->setStretchFactor(1, 1);
    splt_Vertical_01->setSizes({169, 850 - 169 - 3});
    connect(vertical, &TClickSplitter::HandleClicked, this, Guarded([this] { splt_Vertical_01Click(); }));
}

// The tabs "Отладка" (the log) and "Поиск".
void Tfrm_Main::CreateDebugPane() {
    me_DebugWindow = new QPlainTextEdit;
    me_DebugWindow->setObjectName(QStringLiteral("me_DebugWindow"));
    me_DebugWindow->setReadOnly(true);
    me_DebugWindow->setFrameShape(QFrame::NoFrame);
    me_DebugWindow->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    me_DebugWindow->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pc_Debug = new QTabWidget;
    pc_Debug->setObjectName(QStringLiteral("pc_Debug"));
    auto* debugTab = new QWidget;
    debugTab->setObjectName(QStringLiteral("ts_Debug"));
    auto* debugLayout = new QVBoxLayout(debugTab);
    debugLayout->setContentsMargins(0, 0, 0, 0);
    debugLayout->addWidget(me_DebugWindow);
    pc_Debug->addTab(debugTab, U("Отладка"));
    ts_Search = new TSearchPane;
    pc_Debug->addTab(ts_Search, U("Поиск"));
    pnl_Debug = NewPanel("pnl_Debug", pc_Debug, 0, nullptr);
}

// The two panes above the debug pane: the window's central widget.
void Tfrm_Main::CreateHorizontalSplitter() {
    splt_Horizontal_01 = new QSplitter(Qt::Vertical, this);
    splt_Horizontal_01->setObjectName(QStringLiteral("splt_Horizontal_01"));
    splt_Horizontal_01->setHandleWidth(3);
    splt_Horizontal_01->setChildrenCollapsible(false);
    splt_Horizontal_01->addWidget(splt_Vertical_01);
    splt_Horizontal_01->addWidget(pnl_Debug);
    splt_Horizontal_01->setStretchFactor(0, 1);
    splt_Horizontal_01->setStretchFactor(1, 0);
    splt_Horizontal_01->setSizes({402 - 95 - 3, 95});
    setCentralWidget(splt_Horizontal_01);
}

void Tfrm_Main::InstallLogSink() {
    SetLogWindowSink([this](const std::string& line) { AppendLogLine(line); });
    ConfigureLog(Settings);
    OwnsLogSink = true;
}

void Tfrm_Main::InstallLayoutCapture() {
    SetLayoutCapture([this](TSettings& settings) { CaptureMainWindowLayouts(settings, *this); });
    OwnsLayoutCapture = true;
}

void Tfrm_Main::AppendLogLine(const std::string& line) {
    // A transformation logs from its worker thread: its lines join the pane there, and a line
    // of this thread that comes after them queues behind them. The log hands lines over one
    // at a time, so the queue holds them in the log's order.
    if (QThread::currentThread() != thread() || QueuedLogLines > 0) {
        ++QueuedLogLines;
        QMetaObject::invokeMethod(
            this,
            [this, line] {
                --QueuedLogLines;
                ShowLogLine(line);
            },
            Qt::QueuedConnection);
        return;
    }
    ShowLogLine(line);
}

void Tfrm_Main::ShowLogLine(const std::string& line) {
    me_DebugWindow->appendPlainText(QString::fromUtf8(line));
    me_DebugWindow->moveCursor(QTextCursor::End);
}

void Tfrm_Main::InitControlState(const TSettings& settings) {
    WriteLog("*** Init controls on mainform");
    wb_Browser->SetCopyAllowed(settings.AllowCopyFromBrowser);
    for (const auto& viewer : Viewers)
        viewer->wb_Browser->SetCopyAllowed(settings.AllowCopyFromBrowser);
    if (!BookInfo.Opened && !FailureOnView) RunLogged([this] { ShowHtmlMessage(""); });
    ApplyBrowserFontSize(settings);
}

void Tfrm_Main::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Re-showing the window for full screen, or the window system restoring it, is no show.
    if (event->spontaneous() || SwitchingFullScreen) return;
    RunGuarded([this] {
        WriteLog("*** show mainform");
        InitControlState(Settings);
        if (Settings.OpenTopTOCItemOnShow) {
            Settings.OpenTopTOCItemOnShow = false;
            // A book reopened where the reader left it has that part on its way already.
            if (BookSession->CurrentPart().empty()) ClickTOConTopItem();
        }
    });
}

void Tfrm_Main::closeEvent(QCloseEvent* event) {
    AbandonTransformations();  // a transformation under way must not keep the program from ending
    // A settings file that cannot be written is reported; the window closes all the same.
    RunGuarded([this] {
        WriteLog("*** close mainform");
        SaveSettingsOnExit(Settings);
    });
    event->accept();
    emit Closed();
}

bool Tfrm_Main::event(QEvent* event) {
    // The long hints of the actions are status tips that nothing shows: the status bar
    // stays empty while the menus are browsed.
    if (event->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(event);
}

// Focus tracking

QWidget* Tfrm_Main::ControlOf(QWidget* w) const {
    for (QWidget* tracked :
         {static_cast<QWidget*>(tv_TOC), static_cast<QWidget*>(me_DebugWindow), static_cast<QWidget*>(wb_Browser)})
        if (w == tracked || tracked->isAncestorOf(w)) return tracked;
    for (QWidget* c = w; c && c != this; c = c->parentWidget())
        if (!c->objectName().isEmpty() && !c->objectName().startsWith(QLatin1String("qt_"))) return c;
    return w;
}

namespace {
// The menu bar, its menus and popups are no controls of the window: while they hold the
// focus the current control stays what it was.
bool IsMenuOrPopup(const QWidget* w) {
    for (; w; w = w->parentWidget())
        if (qobject_cast<const QMenuBar*>(w) || qobject_cast<const QMenu*>(w) || w->windowType() == Qt::Popup)
            return true;
    return false;
}
}  // namespace

void Tfrm_Main::ActiveControlChanged() {
    QWidget* active = focusWidget();
    if (!active || !active->hasFocus() || IsMenuOrPopup(active)) return;
    PreviousFocused = CurrentFocused;
    UnFocusControl(PreviousFocused);
    CurrentFocused = ControlOf(active);
    FocusControl(CurrentFocused);
}

bool Tfrm_Main::IsSearchable(const QWidget* control) const {
    return control == tv_TOC || control == me_DebugWindow || control == wb_Browser;
}

void Tfrm_Main::FocusControl(QWidget* control) {
    if (!control) return;
    if (IsSearchable(control)) act_SearchFind->setEnabled(true);
    WriteLog("Focused: " + control->objectName().toStdString());
}

void Tfrm_Main::UnFocusControl(QWidget* control) {
    if (!control) return;
    if (IsSearchable(control)) act_SearchFind->setEnabled(false);
    WriteLog("UnFocused: " + control->objectName().toStdString());
}
