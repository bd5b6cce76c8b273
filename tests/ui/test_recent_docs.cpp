// Recent documents in the File menu, start action 2, the book list and the help book.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "BookCatalog.h"
#include "Notice.h"
#include "RecentDocs.h"
#include "StartUp.h"
#include "Tfrm_BookList.h"
#include "mainwindow_test_util.h"
#include "modal_test_util.h"

namespace {

const QByteArray AtlasMenu = R"(<menu><listitem id="a">Атлас &amp; карты</listitem></menu>)";

class RecentDocsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        SetNoticeReporter([this](const QString& message) { Notices << message; });
    }
    void TearDown() override {
        SetNoticeReporter(nullptr);
        MainWindowTest::TearDown();
    }
    QAction* Entry(int i) const {
        QAction* entries[] = {frm->mnu_FileOpenLastDoc_01, frm->mnu_FileOpenLastDoc_02, frm->mnu_FileOpenLastDoc_03,
                              frm->mnu_FileOpenLastDoc_04};
        return entries[i];
    }
    std::vector<std::string> Docs() const { return *Settings.LastDocs; }

    QStringList Notices;
};

TEST_F(RecentDocsTest, openedBooksFillTheMenuNewestFirstAndAClickOpensOne) {
    TFixtureBook first;
    TFixtureBook atlas(AtlasMenu);
    Show();
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(Entry(i)->isVisible()) << i;  // hidden while the list is empty

    EXPECT_TRUE(Open(first.Descriptor()));
    EXPECT_TRUE(Open(atlas.Descriptor()));
    ASSERT_TRUE(WaitIdle(*frm->wb_Browser));
    ASSERT_EQ(Docs(), (std::vector<std::string>{RecentDocKey(atlas.Descriptor()), RecentDocKey(first.Descriptor())}));
    EXPECT_EQ(Entry(0)->text(), QStringLiteral("1. Атлас && карты"));
    EXPECT_EQ(Entry(0)->toolTip(), QString::fromStdString(RecentDocKey(atlas.Descriptor())));
    EXPECT_EQ(Entry(1)->text(), QStringLiteral("2. Part A"));
    EXPECT_TRUE(Entry(1)->isVisible() && Entry(1)->isEnabled());
    EXPECT_FALSE(Entry(2)->isVisible());

    // The help book opens without entering the list.
    frm->act_HelpContents->trigger();
    ASSERT_TRUE(WaitIdle(*frm->wb_Browser));
    EXPECT_EQ(RecentDocKey(BookInfo.DescriptorFile), ShippedGuidePath(Settings));
    EXPECT_EQ(Docs().size(), 2u);

    // The second entry opens its book, which moves to the top.
    Entry(1)->trigger();
    ASSERT_TRUE(PageShows("PART[a]"));
    EXPECT_EQ(RecentDocKey(BookInfo.DescriptorFile), RecentDocKey(first.Descriptor()));
    EXPECT_EQ(Docs().front(), RecentDocKey(first.Descriptor()));
    EXPECT_EQ(Entry(0)->text(), QStringLiteral("1. Part A"));
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
}

TEST_F(RecentDocsTest, aBookThatIsGoneLeavesTheListWithAMessage) {
    TFixtureBook book;
    const std::string gone = Temp.path().toStdString() + "/gone/intro.ini";
    *Settings.LastDocs = {gone, RecentDocKey(book.Descriptor())};
    Show();
    frm->UpdateRecentDocsMenu();
    EXPECT_TRUE(Entry(1)->isVisible());
    // A book not opened in this run gets its title once its contents have been read.
    EXPECT_TRUE(WaitFor([&] { return Entry(1)->text() == QStringLiteral("2. Part A"); })) << Entry(1)->text().toStdString();

    Entry(0)->trigger();
    EXPECT_EQ(Docs(), std::vector<std::string>{RecentDocKey(book.Descriptor())});
    ASSERT_EQ(Notices.size(), 1);
    EXPECT_TRUE(Notices.front().contains(QString::fromStdString(gone)));
    EXPECT_FALSE(Entry(1)->isVisible());
    EXPECT_FALSE(frm->act_FileCloseBook->isEnabled());  // nothing was opened
}

TEST_F(RecentDocsTest, startActionTwoOpensTheFirstRecentDocumentFromTheSettingsFile) {
    TFixtureBook book;
    TFixtureBook other;
    WriteTextFile(Temp.path() + "/tomeria.ini",
                  "[ControlState]\nOnStartAction=2\nShowSplashScreen=0\n"
                  "ShowWelcomeScreen=0\n[LastDocs]\nDoc1=" +
                      QByteArray::fromStdString(book.Descriptor()) +
                      "\nDoc2=" + QByteArray::fromStdString(other.Descriptor()) + "\n");
    DefaultSettings.SettingsPath = (Temp.path() + "/tomeria.ini").toStdString();
    ASSERT_TRUE(StartUpAndWait(*frm));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
    ASSERT_TRUE(PageShows("PART[a]"));
    EXPECT_EQ(RecentDocKey(BookInfo.DescriptorFile), RecentDocKey(book.Descriptor()));
    EXPECT_EQ(Docs().size(), 2u);
    EXPECT_TRUE(Log().contains("Действие при запуске: открытие последнего документа."));
    InitDefaultSettings(DefaultSettings, TOMERIA_BINARY_DIR);
}

TEST_F(RecentDocsTest, bookListShowsTheGuideAndARecentBookAndEnterOpensTheChosenOne) {
    TFixtureBook book;
    *Settings.LastDocs = {RecentDocKey(book.Descriptor()), Temp.path().toStdString() + "/gone/intro.ini"};
    Show();
    QStringList rows;
    // The list is read off the window's thread: the dialog comes once it is read.
    const bool chosen = RunWithModal(
        [&] {
            frm->act_FileShowList->trigger();
            WaitFor([&] { return !rows.isEmpty(); });
        },
                                     [&](QWidget& modal) {
                                         auto* dialog = qobject_cast<Tfrm_BookList*>(&modal);
                                         if (!dialog) return;
                                         for (int i = 0; i < dialog->tv_Books->topLevelItemCount(); ++i)
                                             rows << dialog->tv_Books->topLevelItem(i)->text(0) + " | " +
                                                         dialog->tv_Books->topLevelItem(i)->text(1);
                                         for (int i = 0; i < dialog->tv_Books->topLevelItemCount(); ++i)
                                             if (dialog->tv_Books->topLevelItem(i)->text(1) ==
                                                 QString::fromStdString(RecentDocKey(book.Descriptor())))
                                                 dialog->tv_Books->setCurrentItem(dialog->tv_Books->topLevelItem(i));
                                         QTest::keyClick(dialog->tv_Books, Qt::Key_Return);
                                     });
    ASSERT_TRUE(chosen);
    const QString all = rows.join('\n');
    EXPECT_TRUE(all.contains(QString::fromStdString(ShippedGuidePath(Settings)))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Part A | ") + QString::fromStdString(RecentDocKey(book.Descriptor()))))
        << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("gone (не найдена)"))) << all.toStdString();
    ASSERT_TRUE(PageShows("PART[a]"));
    EXPECT_EQ(RecentDocKey(BookInfo.DescriptorFile), RecentDocKey(book.Descriptor()));
}

}  // namespace
