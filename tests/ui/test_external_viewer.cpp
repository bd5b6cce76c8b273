// The external viewer: its window, the pages that land in it, how many a page may open, the
// page's dialogs, and its opacity rules on the window's own opacity value.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCursor>
#include <QEnterEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "TPageDialog.h"
#include "Tfrm_ExternalViewer.h"
#include "mainwindow_test_util.h"

namespace {

// The opacity the window carries, as the 0..255 alpha value.
int Alpha(const QWidget& w) { return qRound(w.windowOpacity() * 255); }

TEST(ExternalViewer, IsAToolWindowWithItsStripAndHidesOnEscapeAndClose) {
    TSettings settings = DefaultSettings;
    Tfrm_ExternalViewer viewer(settings);
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Просмотр"));
    EXPECT_EQ(viewer.minimumSize(), QSize(300, 300));
    EXPECT_EQ(viewer.size(), QSize(696, 480));
    EXPECT_TRUE(viewer.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(viewer.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(viewer.btn_Save->text(), QStringLiteral("Сохранить"));
    EXPECT_FALSE(viewer.btn_Save->isEnabled());
    EXPECT_EQ(viewer.btn_Close->text(), QStringLiteral("Закрыть"));
    EXPECT_TRUE(viewer.sb_Status->findChildren<QLabel*>().isEmpty());  // no panels

    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    EXPECT_EQ(viewer.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
    EXPECT_LT(viewer.btn_Save->geometry().center().x(), viewer.btn_Close->geometry().center().x());
    // Escape reaches the window even while its browser has the focus.
    viewer.activateWindow();
    viewer.wb_Browser->setFocus();
    QWidget* focused = QApplication::focusWidget() ? QApplication::focusWidget() : viewer.wb_Browser;
    QTest::keyClick(focused, Qt::Key_Escape);
    EXPECT_FALSE(viewer.isVisible());
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    QTest::mouseClick(viewer.btn_Close, Qt::LeftButton);
    EXPECT_FALSE(viewer.isVisible());
}

// A viewer shown over another window, driven through its real events.
class OpacityTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.UseAlphaBlendForExternalWindows = true;
        settings.AlphaBlendValueActive = 250;
        settings.AlphaBlendValueUnactive = 128;
        other.resize(200, 200);
        other.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
        viewer.move(400, 100);
        viewer.CursorPos = [this] { return cursor; };
    }
    void ShowViewer() {
        viewer.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    }
    void Activate(QWidget& w) {
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    void Enter() {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), viewer.mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(&viewer, &event);
    }
    void Leave(QPoint at) {
        cursor = at;
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(&viewer, &event);
    }
    QPoint Inside() const { return viewer.frameGeometry().center(); }
    QPoint Outside() const { return viewer.frameGeometry().bottomRight() + QPoint(50, 50); }

    TSettings settings = DefaultSettings;
    QWidget other;
    Tfrm_ExternalViewer viewer{settings};
    QPoint cursor;
};

TEST_F(OpacityTest, InactiveViewerDimsAndBrightensUnderTheMouse) {
    ShowViewer();
    Activate(viewer);
    EXPECT_TRUE(viewer.AlphaBlend());
    EXPECT_EQ(Alpha(viewer), 250);
    Activate(other);  // clicking the other window
    EXPECT_FALSE(viewer.IsActiveFlag());
    EXPECT_EQ(Alpha(viewer), 128);
    Enter();
    EXPECT_EQ(Alpha(viewer), 250);
    Leave(Inside());  // onto one of the viewer's own controls
    EXPECT_EQ(Alpha(viewer), 250);
    Leave(Outside());
    EXPECT_EQ(Alpha(viewer), 128);
    Activate(viewer);
    EXPECT_EQ(Alpha(viewer), 250);
}

TEST_F(OpacityTest, BlendingOffKeepsTheViewerOpaqueWhateverTheValues) {
    settings.UseAlphaBlendForExternalWindows = false;
    settings.AlphaBlendValueActive = 3;
    settings.AlphaBlendValueUnactive = 0;
    ShowViewer();
    Activate(viewer);
    Activate(other);
    Enter();
    Leave(Outside());
    EXPECT_FALSE(viewer.AlphaBlend());
    EXPECT_EQ(viewer.windowOpacity(), 1.0);
    // The value still follows the activation, without effect.
    EXPECT_EQ(viewer.AlphaBlendValue(), 0);
}

TEST_F(OpacityTest, InactiveValueZeroHidesTheViewerUntilTheMousePasses) {
    settings.AlphaBlendValueUnactive = 0;
    ShowViewer();
    Activate(viewer);
    Activate(other);
    EXPECT_EQ(viewer.windowOpacity(), 0.0);
    Enter();
    EXPECT_EQ(Alpha(viewer), 250);
    Leave(Outside());
    EXPECT_EQ(viewer.windowOpacity(), 0.0);
}

// The settings are read at each event; the blending switch only when the viewer is shown.
TEST_F(OpacityTest, SettingsAreReadLive) {
    ShowViewer();
    Activate(viewer);
    settings.AlphaBlendValueUnactive = 60;
    settings.AlphaBlendValueActive = 200;
    Activate(other);
    EXPECT_EQ(Alpha(viewer), 60);
    Enter();
    EXPECT_EQ(Alpha(viewer), 200);
    settings.UseAlphaBlendForExternalWindows = false;
    Activate(viewer);
    EXPECT_TRUE(viewer.AlphaBlend());
    viewer.hide();
    ShowViewer();
    EXPECT_FALSE(viewer.AlphaBlend());
    EXPECT_EQ(viewer.windowOpacity(), 1.0);
}

// Only the low 8 bits of a stored value count: a hand-edited file cannot break the window.
TEST_F(OpacityTest, ValuesOutOfRangeUseTheirLowEightBits) {
    const struct {
        int32_t stored;
        int alpha;
    } cases[] = {{255, 255}, {256, 0}, {456, 200}, {-1, 255}, {-56, 200}, {INT32_MIN, 0}, {INT32_MAX, 255}};
    ShowViewer();
    Activate(viewer);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        settings.AlphaBlendValueUnactive = c.stored;
        viewer.FormActivationChanged(false);
        EXPECT_EQ(viewer.AlphaBlendValue(), c.alpha);
        EXPECT_EQ(Alpha(viewer), c.alpha);
    }
}

// Inside means strictly inside: the window's edge lines count as outside.
TEST_F(OpacityTest, CursorOnTheWindowsEdgeIsOutside) {
    ShowViewer();
    Activate(viewer);
    Activate(other);
    const QRect r = viewer.frameGeometry();
    const int right = r.left() + r.width();
    const int bottom = r.top() + r.height();
    const struct {
        QPoint at;
        int alpha;
    } cases[] = {{{r.left() + 1, r.top() + 1}, 250}, {{right - 1, bottom - 1}, 250}, {{r.left(), r.top() + 5}, 128},
                 {{r.left() + 5, r.top()}, 128},     {{right, r.top() + 5}, 128},    {{r.left() + 5, bottom}, 128}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.at.x() << "," << c.at.y());
        Enter();
        Leave(c.at);
        EXPECT_EQ(Alpha(viewer), c.alpha);
    }
}

// Viewers of the main window.
class ViewerWindowsTest : public MainWindowTest {};

TEST_F(ViewerWindowsTest, PagesOpenedInNewWindowsLandInViewersOfTheirOwn) {
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    for (size_t n = 1; n <= 3; ++n) {
        ASSERT_TRUE(ReaderClicks(*frm->wb_Browser, "newwin"));
        ASSERT_TRUE(WaitFor([&] { return frm->ExternalViewers().size() == n; }, EngineWaitMs));
    }
    for (const auto& viewer : frm->ExternalViewers()) {
        EXPECT_TRUE(viewer->isVisible());
        EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Просмотр"));
        EXPECT_TRUE(WaitFor([&] { return BodyText(*viewer->wb_Browser).contains("OTHER"); }, EngineWaitMs));
    }
    // Each navigation of a viewer is logged with its whole address.
    const QUrl address = frm->ExternalViewers().front()->wb_Browser->View()->url();
    EXPECT_TRUE(address.toString().endsWith("other.html"));
    EXPECT_TRUE(Log().contains("Загрузка в новое окно...\n"));
    EXPECT_TRUE(Log().contains("*** Переменная URL" + address.toString() + "\n")) << Log().toStdString();
    EXPECT_TRUE(PageShows("PART[a]"));
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
}

// Pages hold a few viewers open at once; a viewer closed is released and makes room.
TEST_F(ViewerWindowsTest, PagesHoldAtMostAFewViewersAndAClosedOneIsReleased) {
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    const size_t most = Tfrm_Main::MaxPageViewers;
    for (size_t n = 1; n <= most; ++n) {
        ASSERT_TRUE(ReaderClicks(*frm->wb_Browser, "newwin"));
        ASSERT_TRUE(WaitFor([&] { return frm->ExternalViewers().size() == n; }, EngineWaitMs));
    }
    ASSERT_TRUE(ReaderClicks(*frm->wb_Browser, "newwin"));
    ASSERT_TRUE(WaitFor([&] { return Log().contains(QStringLiteral("Окно не открыто: страницы держат")); }));
    EXPECT_EQ(frm->ExternalViewers().size(), most);
    EXPECT_TRUE(frm->sb_Status->currentMessage().contains(QStringLiteral("закройте одно из них")));

    QPointer<Tfrm_ExternalViewer> closed = frm->ExternalViewers().front().get();
    closed->btn_Close->click();
    ASSERT_TRUE(WaitFor([&] { return closed.isNull(); }));
    EXPECT_EQ(frm->ExternalViewers().size(), most - 1);
    ASSERT_TRUE(ReaderClicks(*frm->wb_Browser, "newwin"));
    EXPECT_TRUE(WaitFor([&] { return frm->ExternalViewers().size() == most; }, EngineWaitMs));
}

// A book file that is missing still gets its viewer, which shows the engine's error; an
// address the browser refuses gets none.
TEST_F(ViewerWindowsTest, NewWindowForAnAddressThatCannotLoad) {
    TFixtureBook book(FixtureMenu, QByteArray(FixturePageTemplate)
                                       .replace("</body>", "<a id=\"bad\" href=\"nosuchscheme://x/\" target=\"_blank\">bad</a>"
                                                           "<a id=\"missing\" href=\"missing.html\" target=\"_blank\">missing</a></body>"));
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    ASSERT_TRUE(ReaderClicks(*frm->wb_Browser, "bad"));
    ASSERT_TRUE(WaitFor([&] { return Log().contains(QStringLiteral("неизвестный протокол")); }));
    ASSERT_TRUE(ReaderClicks(*frm->wb_Browser, "missing"));
    ASSERT_TRUE(WaitFor([&] { return frm->ExternalViewers().size() == 1; }, EngineWaitMs));
    TWebBrowser& viewer = *frm->ExternalViewers().front()->wb_Browser;
    EXPECT_TRUE(WaitFor([&] { return !viewer.Busy() && viewer.View()->url().toString().endsWith("missing.html"); }));
    EXPECT_EQ(frm->ExternalViewers().size(), 1u);
    EXPECT_TRUE(PageShows("PART[a]"));
}

TEST_F(ViewerWindowsTest, GoOpensANewEmptyViewerEachTimeAndAClosedViewerIsReleased) {
    Show();
    std::vector<QPointer<Tfrm_ExternalViewer>> opened;
    for (int i = 0; i < 6; ++i) {
        frm->act_SearchGo->trigger();
        ASSERT_EQ(frm->ExternalViewers().size(), static_cast<size_t>(i + 1));
        Tfrm_ExternalViewer* latest = frm->LatestExternalViewer();
        ASSERT_EQ(latest, frm->ExternalViewers().back().get());
        EXPECT_TRUE(latest->isVisible());
        EXPECT_FALSE(latest->wb_Browser->HasDocument());
        opened.push_back(latest);
    }
    opened.front()->btn_Close->click();
    ASSERT_TRUE(WaitFor([&] { return opened.front().isNull(); }));
    EXPECT_EQ(frm->ExternalViewers().size(), opened.size() - 1);
    EXPECT_EQ(frm->LatestExternalViewer(), opened.back().data());
    opened.back()->btn_Close->click();
    ASSERT_TRUE(WaitFor([&] { return opened.back().isNull(); }));
    EXPECT_EQ(frm->LatestExternalViewer(), nullptr);
    frm.reset();
    for (auto& viewer : opened)
        EXPECT_TRUE(viewer.isNull());
}

// A page that calls alert() without end: from the second dialog on the reader can silence
// it, and the window then closes as usual.
TEST_F(ViewerWindowsTest, EndlessAlertsCanBeSilencedAndTheWindowClosed) {
    TFixtureBook book(FixtureMenu, QByteArray(FixturePageTemplate)
                                       .replace("</body>", "<script>setTimeout(function () { for (;;) alert('снова'); }, 0);"
                                                           "</script></body>"));
    // The dialogs come up inside the opening of the book: the reader answers them from the
    // event loop, as they come.
    std::vector<QPointer<TPageDialog>> seen;
    std::vector<bool> offered;  // whether each dialog offered to silence the page
    QTimer reader;
    reader.setInterval(20);
    QObject::connect(&reader, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<TPageDialog*>(QApplication::activeModalWidget());
        if (!dialog || (!seen.empty() && seen.back() == dialog)) return;
        seen.emplace_back(dialog);
        offered.push_back(dialog->cb_Silence != nullptr && dialog->lb_Message->text() == QStringLiteral("снова"));
        if (dialog->cb_Silence) dialog->cb_Silence->setChecked(true);
        dialog->accept();
    });
    reader.start();
    Show();
    EXPECT_TRUE(Open(book.Descriptor()));
    ASSERT_TRUE(WaitFor([&] { return Log().contains(QStringLiteral("Сообщения страницы больше не показываются")); }));
    reader.stop();
    EXPECT_EQ(offered, (std::vector<bool>{false, true}));  // the box from the second on
    QSignalSpy closed(frm.get(), &Tfrm_Main::Closed);
    EXPECT_TRUE(frm->close());
    EXPECT_TRUE(WaitFor([&] { return !closed.isEmpty(); }));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
