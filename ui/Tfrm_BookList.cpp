#include "Tfrm_BookList.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString TitleOf(const TBookEntry& book) {
    const QString title = QString::fromStdString(book.Title);
    switch (book.State) {
        case TBookState::Missing: return title + QStringLiteral(" (не найдена)");
        case TBookState::Broken:
            return title + QStringLiteral(" (повреждена: %1)").arg(QString::fromStdString(book.Problem));
        case TBookState::Ok: break;
    }
    return title;
}

}  // namespace

Tfrm_BookList::Tfrm_BookList(const std::vector<TBookEntry>& books, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frm_BookList"));
    setWindowTitle(QStringLiteral("Список книг"));
    resize(640, 320);

    tv_Books = new QTreeWidget(this);
    tv_Books->setObjectName(QStringLiteral("tv_Books"));
    tv_Books->setHeaderLabels({QStringLiteral("Книга"), QStringLiteral("Путь")});
    tv_Books->setRootIsDecorated(false);
    tv_Books->setAllColumnsShowFocus(true);
    for (const TBookEntry& book : books) {
        auto* item = new QTreeWidgetItem(tv_Books, {TitleOf(book), QString::fromStdString(book.Path)});
        item->setData(0, Qt::UserRole, QString::fromStdString(book.Path));
        item->setToolTip(0, item->text(0));
        item->setToolTip(1, item->text(1));
        if (book.State != TBookState::Ok) item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    tv_Books->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    if (tv_Books->topLevelItemCount() > 0) tv_Books->setCurrentItem(tv_Books->topLevelItem(0));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* open = buttons->addButton(QStringLiteral("Открыть"), QDialogButtonBox::AcceptRole);
    open->setDefault(true);  // Enter in the list chooses the current book
    buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &Tfrm_BookList::ChooseCurrent);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(tv_Books, &QTreeWidget::itemDoubleClicked, this, &Tfrm_BookList::ChooseCurrent);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tv_Books);
    layout->addWidget(buttons);
}

void Tfrm_BookList::ChooseCurrent() {
    const QTreeWidgetItem* item = tv_Books->currentItem();
    if (!item) return;
    Selected = item->data(0, Qt::UserRole).toString().toStdString();
    accept();
}
