#pragma once
// The "Поиск" tab of the debug pane: a query box, its button and the ranked results of the
// open book's index, which is built or opened on a thread of its own when the book opens.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SearchIndexCache.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class TSearchIndexTask;

class TSearchPane : public QWidget {
    Q_OBJECT
public:
    explicit TSearchPane(QWidget* parent = nullptr);
    ~TSearchPane() override;  // stops a build that still runs

    // Builds or opens the index of the book that was opened; a build under way is stopped.
    void BookOpened(const TSearchIndexRequest& request);
    // Stops a build, drops the index and the results.
    void BookClosed();
    // Puts the cursor in the query box, its text selected.
    void FocusQuery();
    // Searches the text of the box and lists the results, or says why there are none.
    void RunSearch();
    // Shows the part of the result in that row of the list.
    void OpenResult(int row);

    bool IndexReady() const { return Index != nullptr; }
    bool Building() const { return Task != nullptr; }
    const TSearchIndex* SearchIndex() const { return Index.get(); }

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
    void BuildProgress(unsigned generation, int percent);
    void BuildFinished(unsigned generation, const std::shared_ptr<TSearchIndexBuild>& build);
    void StopBuild();
    void ClearResults();
    void SetStatus(const QString& text);
    void AddResult(const TSearchHit& hit);

    std::unique_ptr<TSearchIndexTask> Task;
    std::unique_ptr<TSearchIndex> Index;
    unsigned Generation = 0;  // which book's build a report belongs to
    QString BuildNote;        // warnings of the last build, shown beside every result count
    QString LastQuery;        // the query of the listed results
    std::vector<std::string> ResultIds;
};
