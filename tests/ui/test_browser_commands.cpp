// The browser control's commands with the real engine: zoom, copy, select all, save as
// and print, the dialogs replaced by their seams.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QFile>
#include <QGuiApplication>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>
#include <stdexcept>

#include "browser_test_util.h"

namespace {

class BrowserCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        browser.resize(800, 600);
        browser.show();
    }
    int InnerWidth() { return EvalJs(browser, QStringLiteral("window.innerWidth")).toInt(); }
    QTemporaryDir dir;
    TWebBrowser browser;
};

TEST_F(BrowserCommandTest, EveryCommandThrowsWithoutDocument) {
    browser.SaveFileName = [&] { return dir.filePath(QStringLiteral("never.html")); };
    browser.PrinterSetup = [](QPrinter&) { return true; };
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"copy", [&] { browser.ExecCopy(); }},   {"select all", [&] { browser.ExecSelectAll(); }},
        {"print", [&] { browser.ExecPrint(); }}, {"save as", [&] { browser.ExecSaveAs(); }},
        {"zoom", [&] { browser.ExecZoom(2); }},
    };
    for (const auto& [name, command] : commands)
        EXPECT_THROW(command(), std::runtime_error) << name;
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("never.html"))));
}

TEST_F(BrowserCommandTest, ZoomLevelsChangeTheTextSizeAndSurviveTheNextPage) {
    ASSERT_TRUE(ShowPage(browser, "<html><body>текст</body></html>"));
    const int normal = InnerWidth();
    browser.ExecZoom(4);
    ASSERT_TRUE(WaitFor([&] { return InnerWidth() < normal; }, EngineWaitMs));
    const int big = InnerWidth();
    browser.ExecZoom(0);
    ASSERT_TRUE(WaitFor([&] { return InnerWidth() > normal; }, EngineWaitMs));
    EXPECT_NEAR(InnerWidth() * 0.75, big * 1.5, 4.0);

    browser.ExecZoom(4);
    ASSERT_TRUE(ShowPage(browser, "<html><body>следующая</body></html>"));
    EXPECT_TRUE(WaitFor([&] { return InnerWidth() == big; }, EngineWaitMs));

    EXPECT_THROW(browser.ExecZoom(5), std::runtime_error);
    EXPECT_THROW(browser.ExecZoom(-1), std::runtime_error);
}

TEST_F(BrowserCommandTest, SelectAllThenCopyPutsThePageTextOnTheClipboard) {
    ASSERT_TRUE(ShowPage(browser, "<html><body><p>Скопируй меня</p></body></html>"));
    QGuiApplication::clipboard()->clear();
    browser.ExecSelectAll();
    browser.ExecCopy();
    EXPECT_TRUE(WaitFor([] { return QGuiApplication::clipboard()->text().contains(QStringLiteral("Скопируй меня")); },
                        EngineWaitMs));
}

TEST_F(BrowserCommandTest, CopySwitchedOffCopiesNothingByCommandKeyOrContextMenu) {
    ASSERT_TRUE(ShowPage(browser, "<html><body><p>Скопируй меня</p></body></html>"));
    QWidget* page = browser.View()->focusProxy();
    ASSERT_NE(page, nullptr);
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto copied = [&] { return clipboard->text().contains(QStringLiteral("Скопируй меня")); };
    auto pressCopyKey = [&] {
        clipboard->setText(QStringLiteral("прежнее"));
        browser.ExecSelectAll();
        page->setFocus();
        QTest::keyClick(page, Qt::Key_C, Qt::ControlModifier);
    };
    // The context menu over the selection, closed again; whether it offered to copy.
    auto menuOffersCopy = [&] {
        QTest::mouseClick(page, Qt::RightButton, {}, QPoint(20, 12));
        QMenu* menu = nullptr;
        if (!WaitFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; }))
            return false;
        const bool offers = menu->actions().contains(browser.View()->page()->action(QWebEnginePage::Copy));
        menu->close();
        return offers;
    };

    pressCopyKey();
    ASSERT_TRUE(WaitFor(copied)) << "the copy key copies while copying is on";
    ASSERT_TRUE(menuOffersCopy());

    browser.SetCopyAllowed(false);
    pressCopyKey();
    EXPECT_THROW(browser.ExecCopy(), std::runtime_error);
    EXPECT_FALSE(menuOffersCopy());
    EXPECT_TRUE(StaysFalse(copied)) << "copied after the menu closed";
}

TEST_F(BrowserCommandTest, SaveAsWritesThePageBytesAsWritten) {
    const std::string html = "<html><body>\xcf\xf0\xe8\xe2\xe5\xf2</body></html>";  // windows-1251
    ASSERT_TRUE(ShowPage(browser, html, "windows-1251"));
    const QString target = dir.filePath(QStringLiteral("page.html"));

    browser.SaveFileName = [] { return QString(); };  // dialog cancelled
    EXPECT_NO_THROW(browser.ExecSaveAs());
    EXPECT_FALSE(QFile::exists(target));

    browser.SaveFileName = [&] { return target; };
    browser.ExecSaveAs();
    QFile saved(target);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().toStdString(), html);

    browser.SaveFileName = [&] { return dir.filePath(QStringLiteral("no-such-folder/page.html")); };
    EXPECT_THROW(browser.ExecSaveAs(), std::runtime_error);
}

TEST_F(BrowserCommandTest, PrintAsksForThePrinterThenPrintsThePage) {
    ASSERT_TRUE(ShowPage(browser, "<html><body><h1>Печать</h1></body></html>"));
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));

    browser.PrinterSetup = [](QPrinter&) { return false; };  // dialog cancelled
    QSignalSpy finished(&browser, &TWebBrowser::PrintFinished);
    EXPECT_NO_THROW(browser.ExecPrint());
    EXPECT_FALSE(finished.wait(500));

    browser.PrinterSetup = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    browser.ExecPrint();
    ASSERT_TRUE(finished.count() > 0 || finished.wait(EngineWaitMs));
    EXPECT_TRUE(finished.first().first().toBool());
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF"));
}

}  // namespace
