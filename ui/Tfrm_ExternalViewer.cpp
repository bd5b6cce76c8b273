#include "Tfrm_ExternalViewer.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include "TWebBrowser.h"

Tfrm_ExternalViewer::Tfrm_ExternalViewer(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Просмотр"));
    setMinimumSize(300, 300);
    resize(696, 480);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    wb_Browser = new TWebBrowser(frame);
    frameLayout->addWidget(wb_Browser);

    auto* strip = new QWidget(this);
    strip->setFixedHeight(35);
    auto* stripLayout = new QHBoxLayout(strip);
    btn_Save = new QPushButton(QStringLiteral("Сохранить"), strip);
    btn_Save->setEnabled(false);
    btn_Close = new QPushButton(QStringLiteral("Закрыть"), strip);
    stripLayout->addWidget(btn_Save);
    stripLayout->addStretch();
    stripLayout->addWidget(btn_Close);

    sb_Status = new QStatusBar(this);
    sb_Status->setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(frame, 1);
    layout->addWidget(strip);
    layout->addWidget(sb_Status);

    connect(wb_Browser, &TWebBrowser::NavigationRefused, sb_Status,
            [this](const QString& message) { sb_Status->showMessage(message); });
    // Closing hides the window; it lives until its owner goes.
    connect(btn_Close, &QPushButton::clicked, this, &QWidget::close);
    // A window shortcut fires before the focused control sees the key.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}
