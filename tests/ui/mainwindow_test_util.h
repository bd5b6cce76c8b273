#pragma once
// A main window over the real engine and browser, with fresh globals, and small books
// written into temporary folders. Every wait is bounded.
#include <gtest/gtest.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>
#include <string>

#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "LibUnit.h"
#include "Log.h"
#include "Tfrm_Main.h"
#include "browser_test_util.h"

inline const std::string ShippedBook = TOMERIA_BINARY_DIR "/data/data/intro.ini";

// The built program copied into folder.
inline bool CopyProgram(const QString& folder) {
    return QFile::copy(TOMERIA_BINARY_DIR "/tomeria", folder + "/tomeria");
}

inline void WriteTextFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The page of every part names its part; the link and the new-window link lead elsewhere.
inline const QByteArray FixturePageTemplate = R"(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>
<xsl:template match="/"><html><head><title>Fixture</title></head><body>
<p id="part">PART[<%DivID%>]</p>
<a id="link" href="tomeri://showdoc/?DivID=b">to b</a>
<a id="newwin" href="other.html" target="_blank">other</a>
</body></html></xsl:template>
</xsl:stylesheet>
)";

inline const QByteArray FixtureMenu =
    R"(<menu><listitem id="a">Part A<listitem id="a1">Part A1</listitem></listitem><listitem id="b">Part B</listitem></menu>)";

// A book folder: descriptor, XML, page template and its own service stylesheet, which
// returns contentsXml as the contents.
class TFixtureBook {
public:
    explicit TFixtureBook(const QByteArray& contentsXml = FixtureMenu,
                          const QByteArray& pageTemplate = FixturePageTemplate) {
        const QString root = Dir.path();
        WriteTextFile(root + "/intro.ini", "[BasicParams]\r\nRootPath=.\\\r\n");
        WriteTextFile(root + "/data/book.xml", "<book/>");
        WriteTextFile(root + "/shemes/book.xsltt", pageTemplate);
        WriteTextFile(root + "/other.html", "<html><body><p>OTHER</p></body></html>");
        WriteTextFile(root + "/service.xslt",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                      "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                      "<xsl:output method=\"xml\" encoding=\"UTF-8\"/>"
                      "<xsl:template match=\"/\">" +
                          contentsXml + "</xsl:template></xsl:stylesheet>");
    }
    std::string Descriptor() const { return (Dir.path() + "/intro.ini").toStdString(); }
    QString Path(const char* relative) const { return Dir.path() + "/" + relative; }

private:
    QTemporaryDir Dir;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Temp.isValid());
        InitDefaultSettings(DefaultSettings, TOMERIA_BINARY_DIR);
        Settings = DefaultSettings;
        // Closing the window never writes into the build folder.
        Settings.SettingsPath = (Temp.path() + "/tomeria.ini").toStdString();
        Settings.UseSettings = 0;
        BookInfo = TBookInfo{};
        SetErrorReporter([this](const QString& message) { Errors << message; });
        frm = std::make_unique<Tfrm_Main>(Settings, DefaultSettings, BookInfo);
        frm->InstallLogSink();
    }
    void TearDown() override {
        frm.reset();
        SetErrorReporter(nullptr);
    }

    void Show() {
        frm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
    }
    // Shows the window and opens a book; waits for its first page.
    void ShowAndOpen(const std::string& descriptor) {
        Show();
        frm->OpenBook(descriptor);
        ASSERT_TRUE(WaitIdle(*frm->wb_Browser));
    }
    QString Page() { return BodyText(*frm->wb_Browser); }
    // Waits until the page's text contains text.
    bool PageShows(const QString& text) {
        return WaitFor([&] { return !frm->wb_Browser->Busy() && Page().contains(text); });
    }
    QString Log() const { return frm->me_DebugWindow->toPlainText(); }
    QTreeWidgetItem* Item(int top, int child = -1) const {
        QTreeWidgetItem* item = frm->tv_TOC->topLevelItem(top);
        return child < 0 || !item ? item : item->child(child);
    }
    int EnabledBookActions() const {
        int n = 0;
        for (QAction* a : frm->BookActions())
            n += a->isEnabled() ? 1 : 0;
        return n;
    }

    QTemporaryDir Temp;
    QStringList Errors;
    std::unique_ptr<Tfrm_Main> frm;
};
