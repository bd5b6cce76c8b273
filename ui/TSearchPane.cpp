#include "TSearchPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ErrorGuard.h"
#include "TBookSearch.h"

namespace {

constexpr std::size_t MaxListed = 100;

QString U(const char* text) { return QString::fromUtf8(text); }
QString Q(const std::string& text) { return QString::fromStdString(text); }

// How a result row is drawn: the caption, then the snippet with the matched words marked.
QString ResultHtml(const TSearchHit& hit) {
    return "<b>" + Q(hit.Caption).toHtmlEscaped() + "</b><br><span style='color:#555'>" + Q(hit.Snippet) + "</span>";
}

}  // namespace

TSearchPane::TSearchPane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ts_Search"));
    ed_Search = new QLineEdit(this);
    ed_Search->setObjectName(QStringLiteral("ed_Search"));
    ed_Search->setPlaceholderText(U("слова, \"фраза\", -исключить"));
    ed_Search->setClearButtonEnabled(true);
    btn_Search = new QPushButton(U("Поиск"), this);
    btn_Search->setObjectName(QStringLiteral("btn_Search"));
    pb_SearchIndex = new QProgressBar(this);
    pb_SearchIndex->setObjectName(QStringLiteral("pb_SearchIndex"));
    pb_SearchIndex->setRange(0, 100);
    pb_SearchIndex->setMaximumWidth(120);
    pb_SearchIndex->setFormat(U("Индекс %p%"));
    pb_SearchIndex->hide();
    lbl_SearchStatus = new QLabel(this);
    lbl_SearchStatus->setObjectName(QStringLiteral("lbl_SearchStatus"));
    lbl_SearchStatus->setTextFormat(Qt::PlainText);
    lv_SearchResults = new QListWidget(this);
    lv_SearchResults->setObjectName(QStringLiteral("lv_SearchResults"));
    lv_SearchResults->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* line = new QHBoxLayout;
    line->addWidget(ed_Search, 1);
    line->addWidget(btn_Search);
    line->addWidget(pb_SearchIndex);
    line->addWidget(lbl_SearchStatus, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(line);
    layout->addWidget(lv_SearchResults, 1);

    connect(ed_Search, &QLineEdit::returnPressed, this, Guarded([this] { RunSearch(); }));
    connect(btn_Search, &QPushButton::clicked, this, Guarded([this] { RunSearch(); }));
    connect(lv_SearchResults, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { RunGuarded([&] { OpenResult(lv_SearchResults->row(item)); }); });
    SetStatus(U("Книга не открыта."));
}

void TSearchPane::SetSearch(TBookSearch& search) {
    if (BookSearch) BookSearch->disconnect(this);
    BookSearch = &search;
    connect(&search, &TBookSearch::BuildStarted, this, [this] { BuildStarted(); });
    connect(&search, &TBookSearch::BuildProgress, this, [this](int percent) { pb_SearchIndex->setValue(percent); });
    connect(&search, &TBookSearch::BuildEnded, this,
            [this](const std::string& failure) { RunGuarded([&] { BuildEnded(failure); }); });
    connect(&search, &TBookSearch::Dropped, this, [this] { BookClosed(); });
}

void TSearchPane::BuildStarted() {
    ClearResults();
    SetStatus(U("Строится индекс для поиска..."));
    pb_SearchIndex->setValue(0);
    pb_SearchIndex->show();
}

void TSearchPane::BookClosed() {
    pb_SearchIndex->hide();
    ClearResults();
    SetStatus(U("Книга не открыта."));
}

void TSearchPane::BuildEnded(const std::string& failure) {
    pb_SearchIndex->hide();
    if (!failure.empty()) {
        SetStatus(Q(failure));
    } else {
        QStringList notes;
        for (const std::string& warning : BookSearch->Warnings())
            notes << Q(warning);
        SetStatus(notes.isEmpty() ? U("Можно искать.") : notes.join(' '));
        if (!ed_Search->text().trimmed().isEmpty()) RunSearch();  // typed while it was built
    }
    emit IndexFinished();
}

void TSearchPane::FocusQuery() {
    ed_Search->setFocus(Qt::ShortcutFocusReason);
    ed_Search->selectAll();
}

void TSearchPane::ClearResults() {
    lv_SearchResults->clear();
    ResultIds.clear();
    LastQuery.clear();
}

void TSearchPane::SetStatus(const QString& text) {
    lbl_SearchStatus->setText(text);
    lbl_SearchStatus->setToolTip(text);
}

void TSearchPane::RunSearch() {
    ClearResults();
    if (!BookSearch) return;
    const TSearchResult result =
        BookSearch->Search(ed_Search->text().toStdString(), MaxListed, "<b style='background:#ffe680'>", "</b>");
    if (!result.Error.empty()) {
        SetStatus(Q(result.Error));
        return;
    }
    LastQuery = ed_Search->text();
    if (result.Hits.empty()) {
        SetStatus(U("Ничего не найдено."));
        return;
    }
    for (const TSearchHit& hit : result.Hits)
        AddResult(hit);
    QString status = U("Найдено: %1").arg(result.Total);
    if (result.Total > result.Hits.size()) status += U(", показаны лучшие %1").arg(result.Hits.size());
    SetStatus(status + ".");
    lv_SearchResults->setCurrentRow(0);
}

void TSearchPane::AddResult(const TSearchHit& hit) {
    auto* item = new QListWidgetItem(lv_SearchResults);
    auto* label = new QLabel(ResultHtml(hit));
    label->setTextFormat(Qt::RichText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks reach the list
    label->setContentsMargins(3, 2, 3, 2);
    item->setSizeHint(label->sizeHint());
    item->setToolTip(Q(hit.Caption));
    lv_SearchResults->setItemWidget(item, label);
    ResultIds.push_back(hit.Id);
}

void TSearchPane::OpenResult(int row) {
    if (!BookSearch || !BookSearch->Ready() || row < 0 || static_cast<std::size_t>(row) >= ResultIds.size()) return;
    const std::string& id = ResultIds[static_cast<std::size_t>(row)];
    const std::vector<std::string> words = BookSearch->MatchedWords(LastQuery.toStdString(), id);
    if (OnShowPart) OnShowPart(id, words);
}
