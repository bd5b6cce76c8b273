#include "TPageDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TPageDialog::TPageDialog(TKind kind, const QString& message, const QString& defaultValue, bool offerSilence,
                         QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("dlg_PageMessage"));
    setWindowTitle(QStringLiteral("Сообщение страницы"));
    auto* layout = new QVBoxLayout(this);
    lb_Message = new QLabel(message, this);
    lb_Message->setTextFormat(Qt::PlainText);  // the page's text, never markup
    lb_Message->setWordWrap(true);
    layout->addWidget(lb_Message);
    if (kind == TKind::Prompt) {
        ed_Value = new QLineEdit(defaultValue, this);
        layout->addWidget(ed_Value);
    }
    if (offerSilence) {
        cb_Silence = new QCheckBox(QStringLiteral("Больше не показывать сообщений этой страницы"), this);
        layout->addWidget(cb_Silence);
    }
    Buttons = new QDialogButtonBox(this);
    Buttons->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole);
    if (kind != TKind::Alert) Buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(Buttons);
}

QString TPageDialog::Value() const { return ed_Value ? ed_Value->text() : QString(); }

bool TPageDialog::SilenceAsked() const { return cb_Silence && cb_Silence->isChecked(); }
