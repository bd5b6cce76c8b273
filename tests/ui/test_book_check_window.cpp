// "Проверить книгу" in the window: the check runs off the window's thread, its problems are
// listed with their places, and a problem leads to its part and to its place in the log.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "TBookCheck.h"
#include "Tfrm_BookCheck.h"
#include "mainwindow_test_util.h"

namespace {

using BookCheckWindowTest = MainWindowTest;

TEST_F(BookCheckWindowTest, ProblemsAreListedAndLeadToTheirPart) {
    EXPECT_FALSE(frm->act_ServiceCheckBook->isEnabled());
    ShowAndOpen(TOMERIA_SOURCE_DIR "/tests/data/check-book/data/book.ini");
    ASSERT_TRUE(frm->act_ServiceCheckBook->isEnabled());
    frm->act_ServiceCheckBook->trigger();
    Tfrm_BookCheck* window = frm->BookCheckWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitFor([&] { return !window->btn_Stop->isEnabled(); }));
    const QListWidget* list = window->lv_Problems;
    int brokenLink = -1;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->text().contains("ghost")) brokenLink = row;
    ASSERT_GE(brokenLink, 0) << window->lbl_Summary->text().toStdString();
    EXPECT_TRUE(list->item(brokenLink)->text().contains("data/book.xml:4:"));

    // The problem's part is shown and its place written to the log.
    ASSERT_TRUE(Answered([&] { emit window->lv_Problems->itemActivated(window->lv_Problems->item(brokenLink)); }));
    EXPECT_EQ(frm->Session().CurrentPart(), "links");
    EXPECT_TRUE(Log().contains(list->item(brokenLink)->text()));
    EXPECT_TRUE(frm->pnl_Debug->isVisible());
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

}  // namespace
