// The recent-documents entries of the File menu, the book list, the help book, and books
// handed over by a second copy of the program.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

#include "BookCatalog.h"
#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "Log.h"
#include "RecentDocs.h"
#include "Tfrm_BookList.h"
#include "TBookSession.h"
#include "Tfrm_Main.h"

namespace {

constexpr int MaxTitleChars = 60;

// A menu caption shows "&" only when doubled; a very long title is cut.
QString MenuTitle(const std::string& title) {
    QString text = QString::fromStdString(title);
    if (text.size() > MaxTitleChars) text = text.left(MaxTitleChars - 1) + QChar(0x2026);
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

void Tfrm_Main::ConnectRecentHandlers() {
    connect(act_FileShowList, &QAction::triggered, this, Guarded([this] { act_FileShowListExecute(); }));
    connect(act_HelpContents, &QAction::triggered, this, Guarded([this] { act_HelpContentsExecute(); }));
    mnu_File->setToolTipsVisible(true);  // the full path of a recent document
    connect(mnu_File, &QMenu::aboutToShow, this, Guarded([this] { UpdateRecentDocsMenu(); }));
}

void Tfrm_Main::UpdateRecentDocsMenu() {
    QAction* const entries[] = {mnu_FileOpenLastDoc_01, mnu_FileOpenLastDoc_02, mnu_FileOpenLastDoc_03,
                                mnu_FileOpenLastDoc_04};
    const std::vector<std::string> none;
    const std::vector<std::string>& docs = Settings.LastDocs ? *Settings.LastDocs : none;
    std::vector<std::string> untitled;
    for (std::size_t i = 0; i < std::size(entries); ++i) {
        QAction* entry = entries[i];
        if (i >= docs.size()) {
            entry->setVisible(false);
            continue;
        }
        const std::string& path = docs[i];
        const auto title = RecentTitles.find(RecentDocKey(path));
        // A title needs the book's contents: the folder's name stands in until they are read.
        if (title == RecentTitles.end() && TitlesAsked.insert(RecentDocKey(path)).second) untitled.push_back(path);
        const std::string shown = title != RecentTitles.end() ? title->second : FolderTitle(path);
        entry->setText(QStringLiteral("%1. %2").arg(i + 1).arg(MenuTitle(shown)));
        entry->setToolTip(QString::fromStdString(path));
        entry->setEnabled(true);
        entry->setVisible(true);
    }
    if (!untitled.empty()) BookSession->DescribeBooks(untitled);
}

void Tfrm_Main::RememberOpenedBook(const std::string& path) {
    if (!Settings.LastDocs) Settings.LastDocs = TRecentDocs(std::make_shared<std::vector<std::string>>());
    AddRecentDoc(*Settings.LastDocs, path);
    // The open book's title is on view: its first contents entry.
    const QTreeWidgetItem* first = tv_TOC->topLevelItem(0);
    const std::string key = RecentDocKey(path);
    if (first && !first->text(0).isEmpty())
        RecentTitles[key] = first->text(0).toStdString();
    else
        RecentTitles.erase(key);
    UpdateRecentDocsMenu();
}

void Tfrm_Main::ShowRecentTitles(const std::vector<TBookEntry>& books) {
    for (const TBookEntry& book : books)
        RecentTitles.emplace(RecentDocKey(book.Path), book.Title);
    UpdateRecentDocsMenu();
}

void Tfrm_Main::act_FileShowListExecute() {
    // Listing reads every book's contents: off the window's thread, behind the pages.
    if (ListingBooks) return;
    ListingBooks = true;
    BookSession->ListBooks();
}

void Tfrm_Main::ShowBookList(const std::vector<TBookEntry>& books) {
    ListingBooks = false;
    Tfrm_BookList dialog(books, this);
    if (dialog.exec() != QDialog::Accepted || dialog.SelectedPath().empty()) return;
    OpenBook(dialog.SelectedPath());
}

void Tfrm_Main::act_HelpContentsExecute() {
    // The guide is help, not reading: the recent documents stay as they are.
    OpenBook(ShippedGuidePath(Settings), false);
}

void Tfrm_Main::OpenHandedOverBook(const std::string& path) {
    WriteLog("Документ от второй копии программы: " + path);
    // The window comes to the front also when the book fails to open, so the reader sees why.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    // The sender resolves the path it was given; a relative one would be taken from the
    // program's data folder and open a book nobody asked for.
    if (path.empty() || path.front() != '/') {
        RefuseDocument("Другая копия программы передала путь, который не ведёт к книге.", path);
        return;
    }
    OpenBook(path);
}
