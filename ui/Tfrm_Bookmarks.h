#pragma once
// The "Список" window of the bookmarks: the open book's bookmarks, to open, rename and delete.
// Every change goes to the store at once.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "TBookmarkStore.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

class Tfrm_Bookmarks : public QDialog {
    Q_OBJECT
public:
    Tfrm_Bookmarks(TBookmarkStore& store, std::string book, QWidget* parent = nullptr);

    // Shows the part of the selected bookmark (through OnOpen) and closes the window.
    void OpenSelected();
    // Gives the selected bookmark a new caption; an empty one is refused.
    void RenameSelected(const QString& caption);
    void DeleteSelected();

    // Called with the bookmark to show; set by the main window.
    std::function<void(const TBookmark& bookmark)> OnOpen;

    QListWidget* lv_Bookmarks = nullptr;
    QPushButton* btn_Open = nullptr;
    QPushButton* btn_Rename = nullptr;
    QPushButton* btn_Delete = nullptr;
    QPushButton* btn_Close = nullptr;

private:
    void Refill(int selectRow);
    void ItemEdited(QListWidgetItem* item);
    int SelectedRow() const;

    TBookmarkStore& Store;
    std::string Book;
    std::vector<std::size_t> Positions;  // row -> position in the store
    bool Filling = false;
};
