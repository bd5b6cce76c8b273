// The "Закладки" submenu: adding a bookmark for the shown part, the list of the open book's
// bookmarks, and their export and import as XBEL files.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStatusBar>
#include <QTreeWidget>

#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "LibUnit.h"
#include "Log.h"
#include "TBookmarkImportTask.h"
#include "PathRules.h"
#include "TBookmarkStore.h"
#include "Tfrm_Bookmarks.h"
#include "TBookSession.h"
#include "Tfrm_Main.h"

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

const char* const XbelFilter = "Закладки XBEL (*.xbel);;Все файлы (*)";

}  // namespace

void Tfrm_Main::ConnectBookmarkHandlers() {
    connect(act_ServiceBookmarkAdd, &QAction::triggered, this, Guarded([this] { act_ServiceBookmarkAddExecute(); }));
    connect(act_ServiceBookmarksList, &QAction::triggered, this,
            Guarded([this] { act_ServiceBookmarksListExecute(); }));
    connect(act_ServiceBookmarksImport, &QAction::triggered, this,
            Guarded([this] { act_ServiceBookmarksImportExecute(); }));
    connect(act_ServiceBookmarksExport, &QAction::triggered, this,
            Guarded([this] { act_ServiceBookmarksExportExecute(); }));
}

TBookmarkStore& Tfrm_Main::Bookmarks() {
    if (!BookmarkStore) {
        auto store =
            std::make_unique<TBookmarkStore>(BookmarksPath.empty() ? TBookmarkStore::DefaultPath() : BookmarksPath);
        const std::string note = store->Load();
        BookmarkStore = std::move(store);
        if (!note.empty()) {
            WriteLog(note, TLogLevel::Error);
            ReportError(QString::fromStdString(note));
        }
    }
    return *BookmarkStore;
}

std::string Tfrm_Main::OpenBookKey() const { return ToOsPath(BookInfo.DescriptorFile); }

void Tfrm_Main::ShowStatus(const QString& text) {
    WriteLog(text.toStdString());
    sb_Status->showMessage(text, 8000);
}

void Tfrm_Main::act_ServiceBookmarkAddExecute() {
    if (!BookInfo.Opened) return;
    const std::string part = BookSession->CurrentPart();
    const QTreeWidgetItem* node = FindTOCNode(part);
    const std::string caption = node && !node->text(0).isEmpty() ? node->text(0).toStdString() : part;
    if (Bookmarks().Add({OpenBookKey(), part, caption}))
        ShowStatus(U("Закладка добавлена: %1").arg(QString::fromStdString(caption)));
    else
        ShowStatus(U("Эта часть уже есть в закладках."));
}

void Tfrm_Main::act_ServiceBookmarksListExecute() {
    if (!BookInfo.Opened) return;
    Tfrm_Bookmarks dialog(Bookmarks(), OpenBookKey(), this);
    dialog.OnOpen = [this](const TBookmark& bookmark) { OpenBookmark(bookmark); };
    if (BookmarksDialogShown)
        BookmarksDialogShown(dialog);
    else
        dialog.exec();
}

void Tfrm_Main::OpenBookmark(const TBookmark& bookmark) {
    if (QTreeWidgetItem* node = FindTOCNode(bookmark.PartId)) tv_TOC->setCurrentItem(node);
    // A part the book no longer has gets the stylesheet's own page for it, as a link would.
    ShowBookPart(CutDivId(bookmark.PartId), BookInfo, Settings);
}

QString Tfrm_Main::AskBookmarksFile(bool save) {
    if (BookmarksFileDialog) return BookmarksFileDialog(save);
    return save ? QFileDialog::getSaveFileName(this, U("Экспорт закладок"), QDir::home().filePath("bookmarks.xbel"),
                                               U(XbelFilter))
                : QFileDialog::getOpenFileName(this, U("Импорт закладок"), QDir::homePath(), U(XbelFilter));
}

void Tfrm_Main::act_ServiceBookmarksExportExecute() {
    const QString path = AskBookmarksFile(true);
    if (path.isEmpty()) return;
    Bookmarks().Export(path.toStdString());
    ShowStatus(U("Закладки экспортированы: %1 в %2").arg(Bookmarks().All().size()).arg(path));
}

void Tfrm_Main::act_ServiceBookmarksImportExecute() {
    if (ImportTask) {
        ShowStatus(U("Импорт закладок уже идёт."));
        return;
    }
    const QString path = AskBookmarksFile(false);
    if (path.isEmpty()) return;
    // Tens of megabytes of bookmarks take a while to read and to write out again: the window
    // answers meanwhile. A store changed meanwhile (a bookmark added) is imported into anew.
    const std::string file = QFile::encodeName(path).toStdString();
    ShowStatus(U("Импорт закладок..."));
    ImportTask = std::make_unique<TBookmarkImportTask>(
        this, file, Bookmarks().All(), Bookmarks().Revision(),
        [this, file](TBookmarkImportPlan& plan, std::exception_ptr error) {
            ImportTask.reset();
            RunGuarded([&] { FinishBookmarkImport(file, plan, error); });
        });
}

void Tfrm_Main::FinishBookmarkImport(const std::string& file, TBookmarkImportPlan& plan, std::exception_ptr error) {
    if (error) {
        ShowStatus({});
        std::rethrow_exception(error);
    }
    TBookmarkImport report = plan.Report;
    if (!Bookmarks().AdoptImport(std::move(plan))) report = Bookmarks().Import(file);
    ShowStatus(U("Импорт закладок: добавлено %1, уже были %2, пропущено %3.")
                   .arg(report.Added)
                   .arg(report.Duplicates)
                   .arg(report.Skipped));
    emit BookmarkImportEnded();
}
