#pragma once
// The book list: every book the program can find, with its title and path. Enter, a
// double-click or "Открыть" chooses the book under the cursor.
#include <QDialog>
#include <string>
#include <vector>

#include "BookCatalog.h"

class QTreeWidget;

class Tfrm_BookList : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_BookList(const std::vector<TBookEntry>& books, QWidget* parent = nullptr);

    // The path of the chosen book once the dialog was accepted.
    const std::string& SelectedPath() const { return Selected; }

    QTreeWidget* tv_Books = nullptr;

private:
    void ChooseCurrent();

    std::string Selected;
};
