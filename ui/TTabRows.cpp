#include "TTabRows.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int Margin = 2;
constexpr int Spacing = 1;

QToolButton* NewTabButton(const QString& text, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setCheckable(true);
    button->setAutoRaise(true);  // flat, and lit while the mouse is over it
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

}  // namespace

TTabRows::TTabRows(QTabWidget& tabs, int width, QWidget* parent) : QWidget(parent), Group(new QButtonGroup(this)) {
    setObjectName(tabs.objectName() + QStringLiteral("_Rows"));
    tabs.tabBar()->hide();
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(Margin, 1, Margin, 0);
    rows->setSpacing(Spacing);
    QHBoxLayout* row = nullptr;
    int used = 0;
    for (int i = 0; i < tabs.count(); ++i) {
        QToolButton* button = NewTabButton(tabs.tabText(i), this);
        const int needed = button->sizeHint().width();
        // A new row when this button would pass the right edge; the first of a row always fits.
        if (!row || used + Spacing + needed > width - 2 * Margin) {
            if (row) row->addStretch();
            row = new QHBoxLayout;
            row->setSpacing(Spacing);
            rows->addLayout(row);
            used = needed;
        } else {
            used += Spacing + needed;
        }
        row->addWidget(button);
        Group->addButton(button, i);
    }
    if (row) row->addStretch();
    if (QAbstractButton* current = Button(tabs.currentIndex())) current->setChecked(true);
    connect(Group, &QButtonGroup::idClicked, &tabs, &QTabWidget::setCurrentIndex);
    connect(&tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (QAbstractButton* button = Button(index)) button->setChecked(true);
    });
}

QAbstractButton* TTabRows::Button(int index) const { return Group->button(index); }
