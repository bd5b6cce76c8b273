#include "Tfrm_Bookmarks.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ErrorGuard.h"

namespace {
QString U(const char* text) { return QString::fromUtf8(text); }
}  // namespace

Tfrm_Bookmarks::Tfrm_Bookmarks(TBookmarkStore& store, std::string book, QWidget* parent)
    : QDialog(parent), Store(store), Book(std::move(book)) {
    setObjectName(QStringLiteral("frm_Bookmarks"));
    setWindowTitle(U("Закладки"));
    resize(420, 300);
    lv_Bookmarks = new QListWidget(this);
    lv_Bookmarks->setObjectName(QStringLiteral("lv_Bookmarks"));
    lv_Bookmarks->setEditTriggers(QAbstractItemView::EditKeyPressed);
    btn_Open = new QPushButton(U("Открыть"), this);
    btn_Rename = new QPushButton(U("Переименовать"), this);
    btn_Delete = new QPushButton(U("Удалить"), this);
    btn_Close = new QPushButton(U("Закрыть"), this);
    btn_Open->setObjectName(QStringLiteral("btn_Open"));
    btn_Rename->setObjectName(QStringLiteral("btn_Rename"));
    btn_Delete->setObjectName(QStringLiteral("btn_Delete"));
    btn_Close->setObjectName(QStringLiteral("btn_Close"));
    btn_Open->setDefault(true);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {btn_Open, btn_Rename, btn_Delete})
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(btn_Close);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lv_Bookmarks, 1);
    layout->addLayout(buttons);

    connect(btn_Open, &QPushButton::clicked, this, Guarded([this] { OpenSelected(); }));
    connect(lv_Bookmarks, &QListWidget::itemActivated, this, Guarded([this] { OpenSelected(); }));
    connect(btn_Rename, &QPushButton::clicked, this, Guarded([this] {
                if (QListWidgetItem* item = lv_Bookmarks->currentItem()) lv_Bookmarks->editItem(item);
            }));
    connect(btn_Delete, &QPushButton::clicked, this, Guarded([this] { DeleteSelected(); }));
    connect(btn_Close, &QPushButton::clicked, this, &QDialog::reject);
    connect(lv_Bookmarks, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { RunGuarded([&] { ItemEdited(item); }); });
    Refill(0);
}

void Tfrm_Bookmarks::Refill(int selectRow) {
    Filling = true;
    lv_Bookmarks->clear();
    Positions = Store.OfBook(Book);
    for (std::size_t position : Positions) {
        const TBookmark& bookmark = Store.All()[position];
        auto* item = new QListWidgetItem(QString::fromStdString(bookmark.Caption), lv_Bookmarks);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setToolTip(QString::fromStdString(bookmark.PartId));
    }
    Filling = false;
    if (lv_Bookmarks->count()) lv_Bookmarks->setCurrentRow(std::clamp(selectRow, 0, lv_Bookmarks->count() - 1));
    for (QPushButton* button : {btn_Open, btn_Rename, btn_Delete})
        button->setEnabled(lv_Bookmarks->count() > 0);
}

int Tfrm_Bookmarks::SelectedRow() const {
    const int row = lv_Bookmarks->currentRow();
    return row >= 0 && static_cast<std::size_t>(row) < Positions.size() ? row : -1;
}

void Tfrm_Bookmarks::OpenSelected() {
    const int row = SelectedRow();
    if (row < 0) return;
    const TBookmark bookmark = Store.All()[Positions[static_cast<std::size_t>(row)]];
    accept();
    if (OnOpen) OnOpen(bookmark);
}

void Tfrm_Bookmarks::RenameSelected(const QString& caption) {
    const int row = SelectedRow();
    if (row < 0) return;
    const QString trimmed = caption.trimmed();
    // The list shows the stored caption again, whether the change was made or refused.
    struct TRefill {
        Tfrm_Bookmarks* Self;
        int Row;
        ~TRefill() { Self->Refill(Row); }
    } refill{this, row};
    if (!trimmed.isEmpty()) Store.Rename(Positions[static_cast<std::size_t>(row)], trimmed.toStdString());
}

void Tfrm_Bookmarks::ItemEdited(QListWidgetItem* item) {
    if (Filling) return;
    lv_Bookmarks->setCurrentItem(item);
    const QString caption = item->text();
    // Refilled later: the editor that sent the change still refers to the item.
    QMetaObject::invokeMethod(
        this, [this, caption] { RunGuarded([&] { RenameSelected(caption); }); }, Qt::QueuedConnection);
}

void Tfrm_Bookmarks::DeleteSelected() {
    const int row = SelectedRow();
    if (row < 0) return;
    Store.Remove(Positions[static_cast<std::size_t>(row)]);
    Refill(row);
}
