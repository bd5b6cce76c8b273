#pragma once
// The "Поиск" tab of the debug pane: a query box, its button and the ranked results of the
// open book's index, which the book session builds; the pane shows its progress and asks it.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "TSearchIndex.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class TBookSearch;

class TSearchPane : public QWidget {
    Q_OBJECT
public:
    explicit TSearchPane(QWidget* parent = nullptr);

    // The session's search the pane shows and asks; a pane without one searches nothing.
    void SetSearch(TBookSearch& search);
    // Puts the cursor in the query box, its text selected.
    void FocusQuery();
    // Searches the text of the box and lists the results, or says why there are none.
    void RunSearch();
    // Shows the part of the result in that row of the list.
    void OpenResult(int row);

    // Asked to show a part with the words to highlight in it; set by the main window.
    std::function<void(const std::string& id, const std::vector<std::string>& words)> OnShowPart;

    // Controls (their object names are these member names).
    QLineEdit* ed_Search = nullptr;
    QPushButton* btn_Search = nullptr;
    QProgressBar* pb_SearchIndex = nullptr;
    QLabel* lbl_SearchStatus = nullptr;
    QListWidget* lv_SearchResults = nullptr;

signals:
    // The index of the open book can be searched (or could not be made: see the status text).
    void IndexFinished();

private:
    void BuildStarted();
    void BuildEnded(const std::string& failure);
    void BookClosed();
    void ClearResults();
    void SetStatus(const QString& text);
    void AddResult(const TSearchHit& hit);

    QPointer<TBookSearch> BookSearch;
    QString LastQuery;  // the query of the listed results
    std::vector<std::string> ResultIds;
};
