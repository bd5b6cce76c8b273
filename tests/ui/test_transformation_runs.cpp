// Transformations run off the window's thread: the window answers during a long one, Escape
// and closing stop it, and of two requests the later one's page is shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <stdexcept>

#include "ServiceActions.h"
#include "TBookSession.h"
#include "mainwindow_test_util.h"

namespace {

// Part "slow" runs four nested loops over some 300 nodes: it would take hours. Every other
// part is made at once.
const QByteArray NeverEndingTemplate = R"X(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>
<xsl:template match="/"><html><body>
<xsl:if test="'<%DivID%>' = 'slow'">
<xsl:for-each select="//node()"><xsl:for-each select="//node()"><xsl:for-each select="//node()">
<xsl:for-each select="//node()"/></xsl:for-each></xsl:for-each></xsl:for-each>
</xsl:if>
<p>PART[<%DivID%>]</p></body></html></xsl:template>
</xsl:stylesheet>
)X";

const QByteArray SlowFirstMenu =
    R"(<menu><listitem id="slow">Slow</listitem><listitem id="fast">Fast</listitem></menu>)";

constexpr int WatchdogMs = 30000;
const QString StoppedPage = QStringLiteral("Преобразование остановлено.");

class TransformationRunTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        QByteArray xml = "<book>";
        for (int i = 0; i < 150; ++i)
            xml += "<p>x</p>";
        WriteTextFile(Book.Path("data/book.xml"), xml + "</book>");
        // Nothing here may wait for ever: a run still going after the limit is abandoned.
        Watchdog.setSingleShot(true);
        Watchdog.setInterval(WatchdogMs);
        QObject::connect(&Watchdog, &QTimer::timeout, [this] {
            WatchdogFired = true;
            frm->Session().Abandon();
        });
        Watchdog.start();
    }

    // Does action as soon as a page is being made (the contents are in the tree by then), from
    // the window's event loop.
    void WhenBusy(std::function<void()> action) {
        auto* poll = new QTimer(frm.get());
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, [this, poll, action = std::move(action)] {
            if (!frm->Session().Busy() || frm->tv_TOC->topLevelItemCount() == 0) return;
            poll->stop();
            poll->deleteLater();
            action();
        });
        poll->start();
    }

    TFixtureBook Book{SlowFirstMenu, NeverEndingTemplate};
    QTimer Watchdog;
    bool WatchdogFired = false;
};

TEST_F(TransformationRunTest, EscapeStopsALongRunWhileTheWindowAnswers) {
    Show();
    // The first page is the slow one: opening the book waits for it, the window does not.
    bool cursorWasBusy = false;
    bool logGrewMeanwhile = false;
    WhenBusy([&] {
        const QCursor* cursor = QApplication::overrideCursor();
        cursorWasBusy = cursor && cursor->shape() == Qt::BusyCursor;
        // The page is still being made, and the pane shows its start.
        logGrewMeanwhile =
            WaitFor([&] { return Log().contains("Начало трансформации."); }, 5000) && !Log().contains(StoppedPage);
        QTest::keyClick(frm->tv_TOC, Qt::Key_Escape);
    });
    EXPECT_TRUE(Open(Book.Descriptor()));
    EXPECT_FALSE(WatchdogFired);
    EXPECT_TRUE(cursorWasBusy);
    EXPECT_TRUE(logGrewMeanwhile);
    EXPECT_TRUE(PageShows(StoppedPage));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(frm->Session().Busy());

    // Escape reaches the window from the page too; then the next part is made as usual.
    WhenBusy([&] {
        QWidget* page = frm->wb_Browser->View()->focusProxy();
        QTest::keyClick(page ? page : frm->wb_Browser->View(), Qt::Key_Escape);
    });
    frm->ShowHtmlMessage("SENTINEL");
    ASSERT_TRUE(PageShows("SENTINEL"));
    frm->wb_Browser->View()->setFocus();
    frm->ShowBookPart("slow", BookInfo, Settings);
    EXPECT_FALSE(WatchdogFired);
    EXPECT_TRUE(PageShows(StoppedPage));
    frm->ShowBookPart("fast", BookInfo, Settings);
    EXPECT_TRUE(PageShows("PART[fast]"));
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

TEST_F(TransformationRunTest, ClosingTheWindowStopsTheRunAndSavesTheSettings) {
    Settings.UseSettings = 1;
    Settings.KeepControlState = true;
    Show();
    QSignalSpy closed(frm.get(), &Tfrm_Main::Closed);
    WhenBusy([&] { frm->close(); });
    frm->OpenBook(Book.Descriptor());
    ASSERT_TRUE(WaitFor([&] { return closed.count() == 1; }));
    EXPECT_FALSE(WatchdogFired);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(Settings.SettingsPath)));
    EXPECT_FALSE(frm->Session().Busy());
    EXPECT_FALSE(Page().contains("PART[slow]"));
    EXPECT_TRUE(Log().contains(StoppedPage));  // the page's run was under way and was stopped
}

TEST_F(TransformationRunTest, TheLastRequestWinsAndEachRunKeepsItsLogLines) {
    frm->Session().AheadDelayMs = 10;
    frm->Session().PagesAhead().AheadRunLimitMs = 300;
    bool slowEnded = false;
    QObject::connect(&frm->Session().PagesAhead(), &TPagesAhead::PageEnded,
                     [&](const std::string& divId) { slowEnded = slowEnded || divId == "slow"; });
    Show();
    WhenBusy([&] { frm->ShowBookPart("fast", BookInfo, Settings); });
    EXPECT_TRUE(Open(Book.Descriptor()));
    EXPECT_FALSE(WatchdogFired);
    EXPECT_TRUE(PageShows("PART[fast]"));
    EXPECT_FALSE(Page().contains(StoppedPage));
    EXPECT_EQ(frm->Session().CurrentPart(), "fast");
    // The contents run, the stopped run, then the winning one: each whole, in that order.
    const QString log = Log();
    const qsizetype stopped = log.indexOf(StoppedPage);
    ASSERT_GE(stopped, 0);
    const qsizetype slowStart = log.lastIndexOf("Начало трансформации.", stopped);
    const qsizetype fastStart = log.indexOf("Начало трансформации.", stopped);
    EXPECT_GT(slowStart, log.indexOf("Формирование оглавления завершено."));
    ASSERT_GT(fastStart, stopped);
    EXPECT_LT(log.indexOf("Трансформация заняла", stopped), fastStart);
    EXPECT_GT(log.indexOf("Трансформация заняла", fastStart), fastStart);

    // The endless neighbour is tried ahead, and given up at the limit.
    EXPECT_TRUE(WaitFor([&] { return slowEnded; }, 10000));
    EXPECT_FALSE(frm->Session().PagesAhead().Holds("slow"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
