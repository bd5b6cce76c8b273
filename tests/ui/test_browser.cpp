// The browser control with the real engine: writing pages, the book folder's files,
// encodings and the navigation events.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "GlobalVars.h"
#include "Tfrm_ExternalViewer.h"
#include "browser_test_util.h"

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void WriteImage(const QString& path, int width) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(width, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(path, "PNG"));
}

// "/tmp/x/book/" in the program's form "\tmp\x\book\".
std::string ProgramForm(const QString& folder) {
    QString path = folder;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return path.toStdString() + "\\";
}

class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + QStringLiteral("/моя книга");  // a space and Cyrillic survive the URL
        browser.resize(800, 600);
        browser.show();
    }
    QTemporaryDir dir;
    QString root;
    TWebBrowser browser;
};

TEST_F(BrowserTest, FirstPageWaitsForBlankDocumentThenShowsAndRaisesEvents) {
    std::vector<QString> navigated, completed;
    browser.OnBeforeNavigate = [&](const QUrl& url, bool&) { navigated.push_back(url.toString()); };
    browser.OnDocumentComplete = [&](const QUrl& url) { completed.push_back(url.toString()); };
    EXPECT_FALSE(browser.HasDocument());
    EXPECT_FALSE(browser.Busy());

    LoadHtmlIntoBrowser("<html><body><p>Первая страница</p></body></html>", browser);
    EXPECT_TRUE(browser.Busy());
    ASSERT_TRUE(WaitIdle(browser));
    EXPECT_EQ(BodyText(browser), QStringLiteral("Первая страница"));

    const QString page = browser.WrittenPageUrl().toString();
    ASSERT_EQ(navigated.size(), 2u);
    EXPECT_EQ(navigated[0], QStringLiteral("about:blank"));
    EXPECT_EQ(navigated[1], page);
    EXPECT_LT(page.size(), 100) << "page URLs stay short for the log";
    ASSERT_FALSE(completed.empty());
    EXPECT_EQ(completed.back(), page);

    // A second write replaces the page without another blank document.
    ASSERT_TRUE(ShowPage(browser, "<html><body>Вторая</body></html>"));
    EXPECT_EQ(BodyText(browser), QStringLiteral("Вторая"));
    EXPECT_EQ(navigated.size(), 3u);
}

TEST_F(BrowserTest, TenMegabytePageShows) {
    std::string html = "<html><body>";
    const std::string paragraph = "<p>" + std::string(1000, 'x') + "</p>\n";
    while (html.size() < 10u * 1024 * 1024)
        html += paragraph;
    html += "<p id='end'>конец книги</p></body></html>";
    ASSERT_TRUE(ShowPage(browser, html));
    EXPECT_EQ(EvalJs(browser, QStringLiteral("document.getElementById('end').textContent")).toString(),
              QStringLiteral("конец книги"));
    EXPECT_GT(EvalJs(browser, QStringLiteral("document.getElementsByTagName('p').length")).toInt(), 10000);
}

TEST_F(BrowserTest, PageBytesAreDecodedInTheirEncoding) {
    const QString text = QStringLiteral("Глава первая");
    struct Case {
        const char* encoding;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"UTF-8", text.toUtf8()},
        {"windows-1251", QByteArray::fromHex("c3ebe0e2e020efe5f0e2e0ff")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        const std::string html = "<html><body>" + c.bytes.toStdString() + "</body></html>";
        ASSERT_TRUE(ShowPage(browser, html, c.encoding));
        EXPECT_EQ(BodyText(browser), text);
    }
}

TEST_F(BrowserTest, RelativeAndRootedBackslashPathsLoadFromTheBookFolderOnly) {
    WriteFile(root + "/book.css", "p#rel { color: rgb(0, 128, 0); }");
    WriteFile(root + "/shemes/book.css", "p#abs { color: rgb(0, 0, 255); }");
    WriteImage(root + "/pic.png", 7);
    WriteImage(root + "/shemes/pic.png", 11);
    WriteImage(dir.path() + "/outside.png", 13);  // beside the book folder, not in it
    const std::string rootPath = ProgramForm(root);
    browser.SetBaseFolder(rootPath);

    const std::string html =
        "<html><head><link rel='stylesheet' href='book.css'>"
        "<link rel='stylesheet' href='" +
        rootPath +
        "shemes\\book.css'></head><body>"
        "<p id='rel'>a</p><p id='abs'>b</p>"
        "<img id='img1' src='pic.png'><img id='img2' src='" +
        rootPath +
        "shemes\\pic.png'>"
        "<img id='img3' src='../outside.png'><img id='img4' src='" +
        rootPath +
        "..\\outside.png'>"
        "</body></html>";
    ASSERT_TRUE(ShowPage(browser, html));
    // Images load after the document; wait for them to settle.
    (void)WaitFor(
        [&] { return EvalJs(browser, QStringLiteral("Array.from(document.images).every(i => i.complete)")).toBool(); },
        EngineWaitMs);

    auto color = [&](const char* id) {
        return EvalJs(browser, QStringLiteral("getComputedStyle(document.getElementById('%1')).color").arg(id))
            .toString();
    };
    auto width = [&](const char* id) {
        return EvalJs(browser, QStringLiteral("document.getElementById('%1').naturalWidth").arg(id)).toInt();
    };
    EXPECT_EQ(color("rel"), QStringLiteral("rgb(0, 128, 0)"));
    EXPECT_EQ(color("abs"), QStringLiteral("rgb(0, 0, 255)"));
    EXPECT_EQ(width("img1"), 7);
    EXPECT_EQ(width("img2"), 11);
    EXPECT_EQ(width("img3"), 0) << "a file outside the book folder is not served";
    EXPECT_EQ(width("img4"), 0);
}

TEST_F(BrowserTest, BodyBorderIsRemoved) {
    ASSERT_TRUE(ShowPage(browser, "<html><body style='border: 3px solid red'>x</body></html>"));
    browser.SetBodyBorderNone();
    EXPECT_EQ(EvalJs(browser, QStringLiteral("getComputedStyle(document.body).borderTopStyle")).toString(),
              QStringLiteral("none"));
}

TEST_F(BrowserTest, CancelledWriteKeepsThePageAndLeavesTheBrowserIdle) {
    ASSERT_TRUE(ShowPage(browser, "<html><body>Прежняя</body></html>"));
    browser.OnBeforeNavigate = [](const QUrl&, bool& cancel) { cancel = true; };
    LoadHtmlIntoBrowser("<html><body>Новая</body></html>", browser);
    EXPECT_TRUE(WaitFor([&] { return !browser.Busy(); }, EngineWaitMs));
    EXPECT_EQ(BodyText(browser), QStringLiteral("Прежняя"));
}

const char* const LinkPage =
    "<html><body><p>Исходная</p><a id='link' href='tomeri://showdoc/?DivID=ch2'>дальше</a></body></html>";

TEST_F(BrowserTest, CancelledTomeriLinkKeepsThePage) {
    ASSERT_TRUE(ShowPage(browser, LinkPage));
    const QUrl page = browser.View()->url();
    QSignalSpy urlChanges(browser.View(), &QWebEngineView::urlChanged);
    std::vector<QString> seen;
    browser.OnBeforeNavigate = [&](const QUrl& url, bool& cancel) {
        seen.push_back(url.toString());
        cancel = url.scheme() == QLatin1String("tomeri");
    };
    EvalJs(browser, QStringLiteral("document.getElementById('link').click()"));
    ASSERT_TRUE(WaitFor([&] { return !seen.empty(); }, EngineWaitMs));
    EXPECT_EQ(seen.front(), QStringLiteral("tomeri://showdoc/?DivID=ch2"));
    EXPECT_TRUE(StaysFalse([&] { return !urlChanges.isEmpty(); })) << "the refused link was followed";
    EXPECT_FALSE(browser.Busy());
    EXPECT_EQ(browser.View()->url(), page);
    EXPECT_TRUE(BodyText(browser).startsWith(QStringLiteral("Исходная")));
}

TEST_F(BrowserTest, PageWrittenFromInsideTheNavigationEventShows) {
    ASSERT_TRUE(ShowPage(browser, LinkPage));
    browser.OnBeforeNavigate = [&](const QUrl& url, bool& cancel) {
        if (url.scheme() != QLatin1String("tomeri")) return;
        cancel = true;
        LoadHtmlIntoBrowser("<html><body>Глава " + url.query().toStdString() + "</body></html>", browser);
        EXPECT_TRUE(browser.Busy()) << "the deferred write counts as a load at once";
    };
    EvalJs(browser, QStringLiteral("document.getElementById('link').click()"));
    ASSERT_TRUE(WaitFor([&] { return BodyText(browser) == QStringLiteral("Глава DivID=ch2"); }, EngineWaitMs));
    EXPECT_TRUE(WaitIdle(browser));
}

TEST_F(BrowserTest, PageAskingForNewWindowOpensInTheHandedBackBrowser) {
    WriteFile(root + "/other.html", "<html><head><meta charset='utf-8'></head><body>Другое окно</body></html>");
    browser.SetBaseFolder(ProgramForm(root));
    std::vector<std::unique_ptr<Tfrm_ExternalViewer>> viewers;
    browser.OnNewWindow = [&](TWebBrowser*& target, bool&) {
        viewers.push_back(std::make_unique<Tfrm_ExternalViewer>(Settings));
        viewers.back()->show();
        target = viewers.back()->wb_Browser;
    };
    ASSERT_TRUE(ShowPage(browser, "<html><body><a id='link' target='_blank' href='other.html'>x</a></body></html>"));
    const QUrl page = browser.View()->url();
    ASSERT_TRUE(ReaderClicks(browser, "link"));
    ASSERT_TRUE(WaitFor([&] { return !viewers.empty(); }, EngineWaitMs));
    TWebBrowser& opened = *viewers.front()->wb_Browser;
    ASSERT_TRUE(WaitFor([&] { return BodyText(opened) == QStringLiteral("Другое окно"); }, EngineWaitMs));
    EXPECT_EQ(browser.View()->url(), page);
}

}  // namespace

// Two writes a few milliseconds apart: the browser ends idle on the second page, whichever
// moment of the first load the second write hits.
TEST_F(BrowserTest, QuickSuccessiveWritesEndIdleOnTheLastPage) {
    ASSERT_TRUE(ShowPage(browser, "<html><body>Начало</body></html>"));
    for (int delay = 0; delay < 20; ++delay) {
        LoadHtmlIntoBrowser("<html><body>Первая</body></html>", browser);
        QTest::qWait(delay);
        const std::string last = "Вторая " + std::to_string(delay);
        LoadHtmlIntoBrowser("<html><body>" + last + "</body></html>", browser);
        ASSERT_TRUE(WaitIdle(browser)) << "still busy after a second write " << delay << " ms later";
        EXPECT_EQ(BodyText(browser), QString::fromStdString(last));
    }
}
