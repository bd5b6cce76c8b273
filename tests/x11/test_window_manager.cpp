// What the window manager decides, under a real X server with openbox: a viewer shown is made
// active and fades once the main window is active again; the settings dialog stays above an
// ordinary window raised over it; its close box closes the main window whatever a viewer's page
// asks. Every wait is bounded.
#include <QCursor>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <cmath>

#include "Tfrm_ExternalViewer.h"
#include "Tfrm_Settings.h"
#include "mainwindow_test_util.h"

namespace {

// A property as xprop prints it: of the root window when window is empty.
QString XProperty(const QString& window, const char* name) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), window.isEmpty() ? QStringList{QStringLiteral("-root"), QString::fromLatin1(name)}
                                                          : QStringList{QStringLiteral("-id"), window, QString::fromLatin1(name)});
    if (!xprop.waitForFinished(5000)) return {};
    return QString::fromUtf8(xprop.readAllStandardOutput());
}

QString WindowId(const QWidget& window) { return QStringLiteral("0x") + QString::number(window.winId(), 16); }

// The managed windows from bottom to top.
QStringList Stacking() {
    const QString text = XProperty({}, "_NET_CLIENT_LIST_STACKING");
    QStringList ids;
    for (const QString& id : text.mid(text.indexOf('#') + 1).split(',', Qt::SkipEmptyParts))
        ids << id.trimmed();
    return ids;
}

class WindowManagerTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // The pointer rests in a corner no window covers: no window is lit by the mouse.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCursor::setPos(screen.bottomRight());
    }
    void Activate(QWidget& window) {
        window.raise();
        window.activateWindow();
        ASSERT_TRUE(WaitFor([&] { return window.isActiveWindow(); })) << window.objectName().toStdString();
    }
};

TEST_F(WindowManagerTest, AViewerShownIsActiveAndFadesWhenTheMainWindowIsActive) {
    Settings.UseAlphaBlendForExternalWindows = true;
    Settings.AlphaBlendValueActive = 250;
    Settings.AlphaBlendValueUnactive = 128;
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    Activate(*frm);
    const std::pair<const char*, std::function<void()>> openers[] = {
        {"Перейти...", [&] { frm->act_SearchGo->trigger(); }},
        {"a page's link to a new window", [&] { ASSERT_TRUE(ReaderClicks(*frm->wb_Browser, "newwin")); }},
    };
    for (const auto& [name, open] : openers) {
        SCOPED_TRACE(name);
        const std::size_t before = frm->ExternalViewers().size();
        open();
        ASSERT_TRUE(WaitFor([&] { return frm->ExternalViewers().size() > before; }));
        Tfrm_ExternalViewer& viewer = *frm->ExternalViewers().back();
        ASSERT_TRUE(WaitFor([&] { return viewer.isActiveWindow(); }))
            << "the viewer is made active as it is shown; active: " << XProperty({}, "_NET_ACTIVE_WINDOW").toStdString();
        EXPECT_EQ(viewer.AlphaBlendValue(), 250);

        Activate(*frm);
        ASSERT_TRUE(WaitFor([&] { return !viewer.IsActiveFlag(); }));
        EXPECT_EQ(viewer.AlphaBlendValue(), 128);
        // The X server holds the opacity the compositor draws: 128/255 of full.
        const auto expected = static_cast<quint32>(std::llround(128 / 255.0 * 0xffffffffu));
        EXPECT_TRUE(WaitFor([&] {
            return XProperty(WindowId(viewer), "_NET_WM_WINDOW_OPACITY").contains(QString::number(expected));
        })) << XProperty(WindowId(viewer), "_NET_WM_WINDOW_OPACITY").toStdString();
    }
}

TEST_F(WindowManagerTest, TheSettingsDialogStaysAboveAnOrdinaryWindowRaisedOverIt) {
    Show();
    Tfrm_Settings dialog(Settings, DefaultSettings);
    dialog.setWindowModality(Qt::NonModal);  // the main window may then be raised and made active
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    Activate(*frm);
    const QString main = WindowId(*frm), settings = WindowId(dialog);
    ASSERT_TRUE(WaitFor([&] { return Stacking().contains(main) && Stacking().contains(settings); }))
        << Stacking().join(' ').toStdString();
    EXPECT_GT(Stacking().indexOf(settings), Stacking().indexOf(main)) << Stacking().join(' ').toStdString();
    EXPECT_TRUE(XProperty(settings, "_NET_WM_STATE").contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
}

// The reader closes the main window with its close box while viewers are open, one of them
// showing its page's alert: the window closes (settings saved) and the program may end.
TEST_F(WindowManagerTest, TheCloseBoxClosesTheMainWindowWhileAViewersPageAsksSomething) {
    Settings.UseSettings = 1;
    Settings.KeepControlState = true;
    TFixtureBook book;
    WriteTextFile(book.Path("other.html"), "<html><body><p>OTHER</p><script>alert('?')</script></body></html>");
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    Activate(*frm);
    frm->act_SearchGo->trigger();
    // The alert runs a loop of its own under the click: what follows is done from inside it.
    QSignalSpy closed(frm.get(), &Tfrm_Main::Closed);
    QElapsedTimer sinceClose;
    bool closedInTime = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* alert = QApplication::activeModalWidget();
        if (!sinceClose.isValid()) {
            if (!alert) return;
            sinceClose.start();
            QProcess::execute(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-c"), WindowId(*frm)});
            return;
        }
        if (closed.isEmpty() && sinceClose.elapsed() < 20000) return;
        closedInTime = !closed.isEmpty();
        poll.stop();
        if (alert) alert->close();  // lets the click's loop below it return
    });
    poll.start();
    ReaderClicks(*frm->wb_Browser, "newwin");
    ASSERT_TRUE(WaitFor([&] { return !poll.isActive(); }, 60000));
    EXPECT_TRUE(closedInTime) << "the close box closed the main window";
    EXPECT_TRUE(QFile::exists(QString::fromStdString(Settings.SettingsPath)));
}

}  // namespace
