// Clicking around quickly while pages load neither hangs nor crashes, and the window ends in
// a consistent state.
#include <QAction>
#include <QRandomGenerator>
#include <QTreeWidget>

#include "TWebBrowser.h"
#include "mainwindow_test_util.h"

namespace {

using StressTest = MainWindowTest;

TEST_F(StressTest, QuickCommandsWhilePagesLoadLeaveAConsistentWindow) {
    TFixtureBook book;
    ShowAndOpen(ShippedBook);
    QRandomGenerator random(20261210);
    QAction* const commands[] = {frm->act_FileReopenBook,    frm->act_ReloadTOC,          frm->act_ViewFontSizeBig,
                                 frm->act_ViewFontSizeSmall, frm->act_ReloadBookXSLTFile, frm->act_EditSelectAll};
    for (int step = 0; step < 60; ++step) {
        QTreeWidget* tree = frm->tv_TOC;
        const int kind = random.bounded(5);
        switch (kind) {
            case 0:
            case 1:
                if (tree->topLevelItemCount() > 0) {
                    QTreeWidgetItem* item = tree->topLevelItem(random.bounded(tree->topLevelItemCount()));
                    tree->scrollToItem(item);
                    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
                }
                break;
            case 2: commands[random.bounded(int(std::size(commands)))]->trigger(); break;
            case 3: {
                // A link followed inside the page, as if clicked.
                bool cancel = false;
                frm->wb_BrowserBeforeNavigate2(QUrl("tomeri://showdoc/?DivID=reading"), cancel);
                break;
            }
            default:
                if (step % 20 == 4)
                    frm->OpenBook(random.bounded(2) ? book.Descriptor() : ShippedBook);
                else
                    frm->act_FileCloseBook->trigger();
                break;
        }

        QTest::qWait(random.bounded(30));
    }
    // The last open wins over whatever the clicks left under way.
    EXPECT_TRUE(Open(book.Descriptor()));
    EXPECT_TRUE(WaitFor([&] { return Page().contains("PART[a]"); }));
    EXPECT_EQ(EnabledBookActions(), 9);
    EXPECT_EQ(frm->tv_TOC->topLevelItemCount(), 2);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

}  // namespace
