// Qt's own texts in Russian, and where the open and export dialogs start.
#include <QApplication>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTranslator>

#include "QtTranslations.h"
#include "mainwindow_test_util.h"
#include "modal_test_util.h"

namespace {

// Runs command, which opens a modal file dialog; the dialog is handed to answer, which
// must close it. A dialog left open is hidden after the limit, within this call.
void AnswerFileDialog(const std::function<void()>& command, const std::function<void(QFileDialog&)>& answer) {
    bool answered = false;
    RunWithModal(command, [&](QWidget& modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(&modal)) {
            answered = true;
            answer(*dialog);
        }
    });
    EXPECT_TRUE(answered) << "no file dialog appeared";
}

TEST(QtTranslations, DialogsAndTheBrowsersMenuSpeakRussian) {
    const QLocale before;
    const std::vector<QTranslator*> installed = InstallQtTranslations(*QCoreApplication::instance());
    EXPECT_EQ(installed.size(), 2u) << "qtbase and qtwebengine catalogues";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    EXPECT_EQ(QLocale().language(), QLocale::Russian);
    {
        TWebBrowser browser;
        const QString copy = browser.View()->page()->action(QWebEnginePage::Copy)->text();
        EXPECT_NE(copy, QStringLiteral("&Copy"));
        EXPECT_NE(copy, QStringLiteral("Copy"));
    }
    for (QTranslator* translator : installed) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QLocale::setDefault(before);
}

using DialogTest = MainWindowTest;

TEST_F(DialogTest, OpenDialogsBookFilterShowsDescriptorsOfBothKinds) {
    Show();
    frm->OpenFileDialog = nullptr;
    QStringList filters;
    AnswerFileDialog([&] { frm->act_FileOpen->trigger(); },
                     [&](QFileDialog& dialog) {
                         filters = dialog.nameFilters();
                         dialog.reject();
                     });
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_EQ(filters.first(), QStringLiteral("Конфигурационные файлы tomeria v1.0pR (*.tmr intro.ini)"));
}

TEST_F(DialogTest, ExportStartsInTheDocumentsFolderThenInTheLastFolderUsed) {
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    QTemporaryDir target;
    QString firstFolder, secondFolder;
    for (QString* seen : {&firstFolder, &secondFolder}) {
        AnswerFileDialog([&] { frm->act_FileExport->trigger(); },
                         [&](QFileDialog& dialog) {
                             *seen = dialog.directory().absolutePath();
                             dialog.selectFile(target.filePath(seen == &firstFolder ? "a.html" : "b.html"));
                             static_cast<QDialog&>(dialog).accept();  // QFileDialog hides it
                         });
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(firstFolder, QDir(QFileInfo(documents).isDir() ? documents : QDir::homePath()).absolutePath());
    EXPECT_EQ(secondFolder, QDir(target.path()).absolutePath());
}

}  // namespace
