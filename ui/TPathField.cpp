#include "TPathField.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

TPathField::TPathField(TKind kind, const QString& name, QWidget* parent) : QWidget(parent), FieldKind(kind) {
    setObjectName(name);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QWidget* focusTarget = nullptr;
    if (kind == TKind::File) {
        History = new QComboBox(this);
        History->setEditable(true);
        History->setInsertPolicy(QComboBox::NoInsert);
        History->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        Line = History->lineEdit();
        focusTarget = History;
        layout->addWidget(History);
    } else {
        Line = new QLineEdit(this);
        focusTarget = Line;
        layout->addWidget(Line);
    }
    focusTarget->installEventFilter(this);
    setFocusProxy(focusTarget);

    // The button takes no focus, so using it does not count as leaving the text.
    Button = new QToolButton(this);
    Button->setObjectName(name + QStringLiteral("_Browse"));
    Button->setText(QStringLiteral("…"));
    Button->setAutoRaise(true);
    Button->setFocusPolicy(Qt::NoFocus);
    Button->setFixedWidth(20);
    layout->addWidget(Button);
    connect(Button, &QToolButton::clicked, this, &TPathField::BrowseClicked);
}

QString TPathField::Text() const { return Line->text(); }

void TPathField::SetText(const QString& text) {
    if (History) {
        if (!text.isEmpty() && History->findText(text) < 0) History->addItem(text);
        History->setCurrentIndex(History->findText(text));
        History->setEditText(text);
    } else {
        Line->setText(text);
    }
}

bool TPathField::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Another window taking the focus (a browse dialog, the history list) is no exit.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) emit Exited();
    }
    return QWidget::eventFilter(watched, event);
}
