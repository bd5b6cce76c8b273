// Filling the contents tree from a contents XML document.
#include <QHelpEvent>
#include <QToolTip>
#include <QTreeWidget>
#include <stdexcept>

#include "TCutCaptionTip.h"

#include "mainwindow_test_util.h"

namespace {

// The tree as "id=caption(children);sibling".
QString Shape(QTreeWidgetItem* item) {
    const TTreeNodeInfo* info = Tfrm_Main::NodeInfo(item);
    QString text = QString::fromStdString(info ? info->DivID : "?") + "=" + item->text(0);
    QStringList children;
    for (int i = 0; i < item->childCount(); ++i)
        children << Shape(item->child(i));
    return children.isEmpty() ? text : text + "(" + children.join(";") + ")";
}

QString Shape(QTreeWidget* tree) {
    QStringList items;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        items << Shape(tree->topLevelItem(i));
    return items.join(";");
}

using TOCTest = MainWindowTest;

TEST_F(TOCTest, ContentsXmlBecomesTheTree) {
    struct Case {
        const char* Xml;
        const char* Tree;
    };
    const Case cases[] = {
        {"<menu/>", ""},
        {"<menu><listitem id='p1'>Preface</listitem><listitem id='c1'>Chapter 1<listitem id='c1s1'>Section "
         "1.1</listitem></listitem></menu>",
         "p1=Preface;c1=Chapter 1(c1s1=Section 1.1)"},
        // Other elements are transparent; the last text met wins; text outside items is ignored.
        {"<menu><group><listitem id='a'>A</listitem></group></menu>", "a=A"},
        {"<menu><listitem id='a'>A<b>B</b></listitem></menu>", "a=B"},
        {"<menu>loose<listitem id='a'>A</listitem>tail</menu>", "a=A"},
        {"<menu><listitem id='a'><group><listitem id='b'>B</listitem></group></listitem></menu>", "a=(b=B)"},
        // No text, or only CDATA: an empty caption.
        {"<menu><listitem id='a'/><listitem id='b'><![CDATA[C]]></listitem></menu>", "a=;b="},
        // Indentation between elements never becomes a caption.
        {"<menu>\n  <listitem id='a'>A\n    <listitem id='b'>B</listitem>\n  </listitem>\n</menu>", "a=A\n    (b=B)"},
        {"<?xml version='1.0' encoding='windows-1251'?><menu><listitem id='r'>\xd0\xf3\xf1</listitem></menu>", "r=Рус"},
        {"<menu><listitem id=''>Empty id</listitem></menu>", "=Empty id"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Xml);
        EXPECT_TRUE(FillTree(*frm, c.Xml));
        EXPECT_EQ(Shape(frm->tv_TOC), QString::fromUtf8(c.Tree));
    }
}

TEST_F(TOCTest, OutputThatIsNotXmlLeavesTheTreeAsItWas) {
    ASSERT_TRUE(FillTree(*frm, "<menu><listitem id='a'>A</listitem></menu>"));
    for (const char* bad : {"", "Error: not a document", "<menu><listitem id='x'>", "<a></b>"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(FillTree(*frm, bad));
        EXPECT_EQ(Shape(frm->tv_TOC), "a=A");
    }
}

TEST_F(TOCTest, WrongTopElementOrItemWithoutIdThrowsAndKeepsTheNodesMade) {
    EXPECT_THROW(FillTree(*frm, "<contents><listitem id='a'>A</listitem></contents>"), std::runtime_error);
    EXPECT_EQ(frm->tv_TOC->topLevelItemCount(), 0);
    EXPECT_THROW(FillTree(*frm, "<menu><listitem id='a'>A<listitem>B</listitem></listitem></menu>"),
                 std::runtime_error);
    EXPECT_EQ(Shape(frm->tv_TOC), "a=A");
}

TEST_F(TOCTest, EnterWithoutASelectionOnlyFocusesTheTree) {
    Show();
    frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    ASSERT_TRUE(FillTree(*frm, "<menu><listitem id='a'>A</listitem></menu>"));
    frm->tv_TOC->clearSelection();
    frm->me_DebugWindow->setFocus();
    QTest::keyClick(frm->tv_TOC, Qt::Key_Return);
    EXPECT_TRUE(frm->tv_TOC->hasFocus());
    EXPECT_FALSE(Log().contains("A|a"));
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(TOCTest, OnlyACutCaptionShowsWholeAsATooltip) {
    Show();
    ASSERT_TRUE(
        FillTree(*frm, "<menu><listitem id='s'>Short</listitem><listitem id='l'>A caption far too long "
                            "to fit into the narrow contents pane beside the page</listitem></menu>"));
    frm->tv_TOC->setFixedWidth(120);
    QCoreApplication::processEvents();
    QTreeWidgetItem* shortItem = frm->tv_TOC->topLevelItem(0);
    QTreeWidgetItem* longItem = frm->tv_TOC->topLevelItem(1);
    const auto indexOf = [&](QTreeWidgetItem* item) { return frm->tv_TOC->indexFromItem(item); };
    EXPECT_FALSE(TCutCaptionTip::IsCaptionCut(frm->tv_TOC, indexOf(shortItem)));
    EXPECT_TRUE(TCutCaptionTip::IsCaptionCut(frm->tv_TOC, indexOf(longItem)));

    // The viewport's tooltip event shows the whole caption for the cut entry only.
    QWidget* viewport = frm->tv_TOC->viewport();
    const auto tipAt = [&](QTreeWidgetItem* item) {
        const QPoint pos = frm->tv_TOC->visualItemRect(item).center();
        QHelpEvent help(QEvent::ToolTip, pos, viewport->mapToGlobal(pos));
        QCoreApplication::sendEvent(viewport, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(shortItem), QString());
    EXPECT_EQ(tipAt(longItem), longItem->text(0));

    // Once the pane is wide enough, the long caption is no longer cut.
    frm->tv_TOC->setFixedWidth(2000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(TCutCaptionTip::IsCaptionCut(frm->tv_TOC, indexOf(longItem)));
    QToolTip::hideText();
}

}  // namespace
