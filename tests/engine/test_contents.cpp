// Reading the contents document the service stylesheet writes.
#include <gtest/gtest.h>

#include "TContents.h"

namespace {

// The entries as "id=caption(children);sibling".
std::string Shape(const std::vector<TContentsItem>& items) {
    std::string text;
    for (const TContentsItem& item : items) {
        if (!text.empty()) text += ";";
        text += item.DivID + "=" + item.Caption;
        if (!item.Children.empty()) text += "(" + Shape(item.Children) + ")";
    }
    return text;
}

TEST(Contents, NestedItemsBecomeEntriesWithTheLastTextAsCaption) {
    struct Case {
        const char* Xml;
        const char* Shape;
    } const cases[] = {
        {"<menu/>", ""},
        {"<menu><listitem id='p1'>Preface</listitem><listitem id='c1'>Chapter 1<listitem id='c1s1'>Section "
         "1.1</listitem></listitem></menu>",
         "p1=Preface;c1=Chapter 1(c1s1=Section 1.1)"},
        // Other elements are transparent, at the root and inside an entry.
        {"<menu><group><listitem id='a'>A</listitem></group></menu>", "a=A"},
        {"<menu><listitem id='a'><group><listitem id='b'>B</listitem><listitem id='c'>C</listitem></group>"
         "</listitem></menu>",
         "a=(b=B;c=C)"},
        // The last text wins, text of nested entries excepted; text outside every entry is ignored.
        {"<menu><listitem id='a'>A<b>B</b></listitem></menu>", "a=B"},
        {"<menu><listitem id='a'>A<listitem id='b'>B</listitem></listitem></menu>", "a=A(b=B)"},
        {"<menu><listitem id='a'>A<listitem id='b'>B</listitem>after</listitem></menu>", "a=after(b=B)"},
        {"<menu>loose<listitem id='a'>A</listitem>tail</menu>", "a=A"},
        // No text, or only CDATA: an empty caption.
        {"<menu><listitem id='a'/><listitem id='b'><![CDATA[C]]></listitem></menu>", "a=;b="},
        // Indentation never becomes a caption.
        {"<menu>\n  <listitem id='a'>A\n    <listitem id='b'>B</listitem>\n  </listitem>\n</menu>", "a=A\n    (b=B)"},
        // Captions are UTF-8 whatever the document's encoding.
        {"<?xml version='1.0' encoding='windows-1251'?><menu><listitem id='r'>\xd0\xf3\xf1</listitem></menu>", "r=Рус"},
        {"<menu><listitem id=''>Empty id</listitem></menu>", "=Empty id"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Xml);
        const TContents contents = ReadContents(c.Xml);
        EXPECT_TRUE(contents.Parsed);
        EXPECT_EQ(contents.Error, "");
        EXPECT_EQ(Shape(contents.Items), c.Shape);
    }
}

TEST(Contents, TextThatIsNotXmlIsNotParsed) {
    for (const char* bad : {"", "Error: not a document", "<menu><listitem id='x'>", "<a></b>"}) {
        SCOPED_TRACE(bad);
        const TContents contents = ReadContents(bad);
        EXPECT_FALSE(contents.Parsed);
        EXPECT_TRUE(contents.Items.empty());
        EXPECT_EQ(contents.Error, "");
    }
}

TEST(Contents, WrongTopElementOrItemWithoutIdIsAnErrorKeepingTheEntriesReadBefore) {
    struct Case {
        const char* Xml;
        const char* Shape;
        const char* Error;
    } const cases[] = {
        {"<contents><listitem id='a'>A</listitem></contents>", "",
         "Оглавление: верхний элемент документа не \"menu\", а \"contents\"."},
        {"<menu><listitem id='a'>A<listitem>B</listitem></listitem><listitem id='c'>C</listitem></menu>", "a=A",
         "Оглавление: у элемента \"listitem\" нет атрибута \"id\"."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Xml);
        const TContents contents = ReadContents(c.Xml);
        EXPECT_TRUE(contents.Parsed);
        EXPECT_EQ(Shape(contents.Items), c.Shape);
        EXPECT_EQ(contents.Error, c.Error);
    }
}

TEST(Contents, EntityReferencesNeverBecomeCaptions) {
    // Neither a file named by an external entity nor an internal entity's text is read.
    const TContents contents = ReadContents(
        "<!DOCTYPE menu [<!ENTITY x SYSTEM 'file:///etc/hostname'><!ENTITY y 'Y'>]>"
        "<menu><listitem id='a'>&x;</listitem><listitem id='b'>&y;</listitem></menu>");
    ASSERT_TRUE(contents.Parsed);
    EXPECT_EQ(Shape(contents.Items), "a=;b=");
}

}  // namespace
