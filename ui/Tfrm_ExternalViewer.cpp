#include "Tfrm_ExternalViewer.h"

#include <QCloseEvent>
#include <QCursor>
#include <QEnterEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QHideEvent>
#include <QShowEvent>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWindow>

#include "ErrorGuard.h"
#include "Log.h"
#include "TSettings.h"
#include "TWebBrowser.h"

Tfrm_ExternalViewer::Tfrm_ExternalViewer(const TSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), Settings(settings) {
    setObjectName(QStringLiteral("frm_ExternalViewer"));
    setWindowTitle(QStringLiteral("Просмотр"));
    setMinimumSize(300, 300);
    resize(696, 480);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    CursorPos = [] { return QCursor::pos(); };
    CreateControls();

    wb_Browser->OnBeforeNavigate = [this](const QUrl& url, bool& cancel) {
        RunGuardedQueued([&] { wb_BrowserBeforeNavigate2(url, cancel); });
    };
    connect(wb_Browser, &TWebBrowser::NavigationRefused, sb_Status,
            [this](const QString& message) { sb_Status->showMessage(message); });
    connect(wb_Browser, &TWebBrowser::WebLinkOpened, sb_Status, [this](const QUrl& url) {
        sb_Status->showMessage(QStringLiteral("Ссылка открыта в браузере: ") + url.toDisplayString());
    });
    connect(btn_Close, &QPushButton::clicked, this, &QWidget::close);
    // A window shortcut fires before the focused control sees the key.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

Tfrm_ExternalViewer::~Tfrm_ExternalViewer() { wb_Browser->OnBeforeNavigate = nullptr; }

void Tfrm_ExternalViewer::CreateControls() {
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    wb_Browser = new TWebBrowser(frame);
    wb_Browser->setObjectName(QStringLiteral("wb_Browser"));
    frameLayout->addWidget(wb_Browser);

    auto* strip = new QWidget(this);
    strip->setFixedHeight(35);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 4, 4, 4);
    btn_Save = new QPushButton(QStringLiteral("Сохранить"), strip);
    btn_Save->setEnabled(false);
    btn_Close = new QPushButton(QStringLiteral("Закрыть"), strip);
    stripLayout->addWidget(btn_Save);
    stripLayout->addStretch();
    stripLayout->addWidget(btn_Close);

    sb_Status = new QStatusBar(this);
    sb_Status->setObjectName(QStringLiteral("sb_Status"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(frame, 1);
    layout->addWidget(strip);
    layout->addWidget(sb_Status);
}

void Tfrm_ExternalViewer::wb_BrowserBeforeNavigate2(const QUrl& url, bool&) {
    WriteLog("Загрузка в новое окно...");
    WriteLog("*** Переменная URL" + url.toString().toStdString());
}

// Opacity

void Tfrm_ExternalViewer::SetAlphaBlend(bool on) {
    AlphaBlendOn = on;
    ApplyOpacity();
}

// Only the low 8 bits of a stored value count, whatever the settings file held.
void Tfrm_ExternalViewer::SetAlphaBlendValue(int32_t stored) {
    AlphaBlendLevel = static_cast<uint8_t>(static_cast<uint32_t>(stored) & 0xFFu);
    ApplyOpacity();
}

void Tfrm_ExternalViewer::ApplyOpacity() { setWindowOpacity(AlphaBlendOn ? AlphaBlendLevel / 255.0 : 1.0); }

void Tfrm_ExternalViewer::FormShow() {
    if (Settings.UseAlphaBlendForExternalWindows) {
        SetAlphaBlend(true);
        SetAlphaBlendValue(Settings.AlphaBlendValueActive);
    } else {
        SetAlphaBlend(false);
    }
    Active = 1;
}

void Tfrm_ExternalViewer::FormActivationChanged(bool activated) {
    Active = activated ? 1 : 0;
    SetAlphaBlendValue(Active == 1 ? Settings.AlphaBlendValueActive : Settings.AlphaBlendValueUnactive);
}

void Tfrm_ExternalViewer::FormMouseEnter() {
    if (Settings.UseAlphaBlendForExternalWindows && Active == 0) SetAlphaBlendValue(Settings.AlphaBlendValueActive);
    update();
}

// Leaving for one of the window's own controls keeps the window bright: only a cursor
// outside the window's bounds dims it.
void Tfrm_ExternalViewer::FormMouseLeave() {
    if (Settings.UseAlphaBlendForExternalWindows && Active == 0 && !CursorStrictlyInside())
        SetAlphaBlendValue(Settings.AlphaBlendValueUnactive);
    update();
}

bool Tfrm_ExternalViewer::CursorStrictlyInside() const {
    const QPoint p = CursorPos();
    const QRect r = frameGeometry();
    return r.left() < p.x() && p.x() < r.left() + r.width() && r.top() < p.y() && p.y() < r.top() + r.height();
}

void Tfrm_ExternalViewer::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit Closed();
}

void Tfrm_ExternalViewer::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    RunGuarded([this] { FormShow(); });
    // The window manager does not activate a tool window it maps, and a viewer never made
    // active would never be deactivated to its inactive opacity. It asks to be made active
    // each time its window comes on the screen until it is: a request made before the manager
    // has taken the window is lost, and the browser's page may make the toolkit replace the
    // window just after the first show.
    ActivationPending = true;
    WatchWindow();
}

void Tfrm_ExternalViewer::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    ActivationPending = false;
}

bool Tfrm_ExternalViewer::event(QEvent* event) {
    if (event->type() == QEvent::WinIdChange && ActivationPending) WatchWindow();
    return QWidget::event(event);
}

void Tfrm_ExternalViewer::WatchWindow() {
    if (QWindow* window = windowHandle()) window->installEventFilter(this);
}

bool Tfrm_ExternalViewer::eventFilter(QObject* watched, QEvent* event) {
    if (ActivationPending && event->type() == QEvent::Expose && watched == windowHandle() &&
        windowHandle()->isExposed()) {
        raise();
        activateWindow();
    }
    return QWidget::eventFilter(watched, event);
}

void Tfrm_ExternalViewer::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    if (isActiveWindow()) ActivationPending = false;
    RunGuarded([this] { FormActivationChanged(isActiveWindow()); });
}

void Tfrm_ExternalViewer::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    RunGuarded([this] { FormMouseEnter(); });
}

void Tfrm_ExternalViewer::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    RunGuarded([this] { FormMouseLeave(); });
}
