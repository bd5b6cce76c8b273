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
#include "StartUp.h"
#include "TBookSession.h"
#include "TContents.h"
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

// Runs the start-up sequence and waits (bounded) for its end: the window shown once the start
// document has been answered.
inline bool StartUpAndWait(Tfrm_Main& frm, const std::string& commandLineDoc = {}) {
    bool ended = false;
    RunStartUpSequence(frm, commandLineDoc, [&] { ended = true; });
    return WaitFor([&] { return ended; });
}

// Fills the window's contents tree from a contents XML document as an answer of the session
// would; false when the text does not parse. A wrong top element or an entry without id throws.
inline bool FillTree(Tfrm_Main& frm, const std::string& xml) {
    const TContents contents = ReadContents(xml);
    if (!contents.Parsed) return false;
    frm.FillTOC(contents);
    return true;
}

// Runs a command that asks the window's session for something and waits until it has
// answered (the book opened, a page shown, a failure or a refusal) and nothing more is under way.
template <class F>
bool AnsweredBy(Tfrm_Main& frm, F command) {
    int answers = 0;
    bool written = false;
    QObject context;
    TBookSession& session = frm.Session();
    QObject::connect(&session, &TBookSession::Opened, &context, [&] { ++answers; });
    QObject::connect(&session, &TBookSession::Failed, &context, [&] { ++answers; });
    QObject::connect(&session, &TBookSession::Refused, &context, [&] { ++answers; });
    QObject::connect(&session, &TBookSession::ContentsMade, &context, [&] { ++answers; });
    QObject::connect(&frm, &Tfrm_Main::PageShown, &context, [&] {
        ++answers;
        written = true;
    });
    command();
    if (!WaitFor([&] { return answers > 0 && !session.Busy(); })) return false;
    // A hidden window opening a book writes no page until it shows.
    return (!written && !frm.wb_Browser->HasDocument()) || WaitIdle(*frm.wb_Browser);
}

// Opens a book as a menu entry would and waits for the session's answer: the book open with
// its first page written (when the window is on view), or why it did not open.
inline bool OpenAndWait(Tfrm_Main& frm, const std::string& descriptor, bool remember = true) {
    return AnsweredBy(frm, [&] { frm.OpenBook(descriptor, remember); });
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Temp.isValid());
        InitDefaultSettings(DefaultSettings, TOMERIA_BINARY_DIR);
        Settings = DefaultSettings;
        // Closing the window never writes into the build folder.
        Settings.SettingsPath = (Temp.path() + "/tomeria.ini").toStdString();
        // Nor does any state the program keeps (the places of books).
        DefaultSettings.StateDir = Settings.StateDir = (Temp.path() + "/").toStdString();
        Settings.UseSettings = 0;
        BookInfo = TBookInfo{};
        SetErrorReporter([this](const QString& message) { Errors << message; });
        frm = std::make_unique<Tfrm_Main>(Settings, DefaultSettings, BookInfo);
        frm->Session().SetWatchesFiles(false);  // tests that change a book's files say when to reload
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
        ASSERT_TRUE(Open(descriptor));
    }
    bool Open(const std::string& descriptor, bool remember = true) { return OpenAndWait(*frm, descriptor, remember); }
    template <class F>
    bool Answered(F command) {
        return AnsweredBy(*frm, command);
    }
    // Asks for a part as a link would and waits for its page.
    bool ShowPart(const std::string& divId) {
        return Answered([&] { frm->ShowBookPart(divId, BookInfo, frm->Settings); });
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
