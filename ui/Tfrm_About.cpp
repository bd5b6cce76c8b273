#include "Tfrm_About.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include "TLogoPicture.h"

namespace {
const char* const AuthorName = "Орвальд Кестин";
}

QString Tfrm_About::CreditsText() {
    const QString author = QString::fromUtf8(AuthorName);
    return QStringLiteral("Идея: ") + author + QStringLiteral("\n\n\nРазработка: ") + author +
           QStringLiteral("\n\n\nПрограммирование ") + author +
           QStringLiteral("\nпри участии многих авторов, открывших\nкод в сетях FIDONet и Internet.");
}

Tfrm_About::Tfrm_About(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frm_About"));
    setWindowTitle(QStringLiteral("О программе"));

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pnl_About"));
    panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    panel->setLineWidth(1);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(white);
    panel->setAutoFillBackground(true);

    auto* logo = new TLogoPicture(panel);
    lbl_Credits = new QLabel(CreditsText(), panel);
    lbl_Credits->setObjectName(QStringLiteral("lbl_Credits"));
    lbl_Credits->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The credits keep their own line breaks; a slightly smaller type fits them beside the logo.
    QFont font = lbl_Credits->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    lbl_Credits->setFont(font);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(6, 6, 6, 6);
    panelLayout->setSpacing(8);
    panelLayout->addWidget(logo, 0, Qt::AlignLeft | Qt::AlignTop);
    panelLayout->addWidget(lbl_Credits, 1);

    auto* strip = new QWidget(this);
    strip->setFixedHeight(34);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 4, 4, 4);
    btn_Close = new QPushButton(QStringLiteral("Закрыть"), strip);
    btn_Close->setDefault(true);
    stripLayout->addStretch();
    stripLayout->addWidget(btn_Close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(0);
    layout->addWidget(panel, 1);
    layout->addWidget(strip);
    setFixedSize(531, 222);

    connect(btn_Close, &QPushButton::clicked, this, &QDialog::accept);
    // A window shortcut fires before the focused control sees the key.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QDialog::accept);
}

// Centred on the screen, not over the window that opened it.
void Tfrm_About::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    QRect bounds = frameGeometry();
    bounds.moveCenter(screen()->availableGeometry().center());
    move(bounds.topLeft());
}
