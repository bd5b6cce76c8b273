#include "TSearchPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ErrorGuard.h"
#include "Log.h"
#include "TSearchIndexTask.h"

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

TSearchPane::~TSearchPane() { StopBuild(); }

void TSearchPane::StopBuild() {
    ++Generation;  // reports still queued from the stopped build are dropped
    if (Task) Task->Stop();
    Task.reset();
    pb_SearchIndex->hide();
}

void TSearchPane::BookOpened(const TSearchIndexRequest& request) {
    BookClosed();
    const unsigned generation = Generation;
    SetStatus(U("Строится индекс для поиска..."));
    pb_SearchIndex->setValue(0);
    pb_SearchIndex->show();
    WriteLog("Индекс для поиска: " + (request.CacheFolder.empty() ? std::string("в памяти") : request.CacheFolder));
    // The task's thread reports through queued calls; those of a stopped build are dropped.
    Task = std::make_unique<TSearchIndexTask>(
        request,
        [this, generation](int percent) {
            QMetaObject::invokeMethod(
                this, [this, generation, percent] { BuildProgress(generation, percent); }, Qt::QueuedConnection);
        },
        [this, generation](TSearchIndexBuild& build) {
            auto shared = std::make_shared<TSearchIndexBuild>(std::move(build));
            QMetaObject::invokeMethod(
                this, [this, generation, shared] { BuildFinished(generation, shared); }, Qt::QueuedConnection);
        });
}

void TSearchPane::BookClosed() {
    StopBuild();
    Index.reset();
    BuildNote.clear();
    ClearResults();
    SetStatus(U("Книга не открыта."));
}

void TSearchPane::BuildProgress(unsigned generation, int percent) {
    if (generation == Generation) pb_SearchIndex->setValue(percent);
}

void TSearchPane::BuildFinished(unsigned generation, const std::shared_ptr<TSearchIndexBuild>& build) {
    if (generation != Generation) return;
    Task.reset();  // its thread has reported its last word
    pb_SearchIndex->hide();
    Index = std::move(build->Index);
    QStringList notes;
    for (const std::string& warning : build->Warnings) {
        WriteLog(warning, TLogLevel::Warning);
        notes << Q(warning);
    }
    BuildNote = notes.join(' ');
    if (!Index) {
        const std::string why = build->Error.empty() ? "Индекс не построен." : build->Error;
        WriteLog(why, TLogLevel::Error);
        SetStatus(Q(why));
    } else {
        WriteLog(build->Reused ? "Индекс для поиска открыт." : "Индекс для поиска построен.");
        SetStatus(BuildNote.isEmpty() ? U("Можно искать.") : BuildNote);
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
    if (!Index) {
        SetStatus(Task ? U("Индекс ещё строится; поиск начнётся, когда он будет готов.") : lbl_SearchStatus->text());
        return;
    }
    const std::string query = ed_Search->text().toStdString();
    const TSearchResult result = Index->Search(query, MaxListed, "<b style='background:#ffe680'>", "</b>");
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
    if (!Index || row < 0 || static_cast<std::size_t>(row) >= ResultIds.size()) return;
    const std::string& id = ResultIds[static_cast<std::size_t>(row)];
    const std::vector<std::string> words = Index->MatchedWords(LastQuery.toStdString(), id);
    if (OnShowPart) OnShowPart(id, words);
}
