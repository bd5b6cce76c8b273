// The program's own service stylesheet and the guide's book template, run by the engine
// over a small book of the same DocBook subset; and the guide's own cross-references.
#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <memory>
#include <set>
#include <vector>

#include "BookDescriptor.h"
#include "OsFiles.h"
#include "TTempDir.h"
#include "ServiceActions.h"

namespace {

const std::string ShippedData = std::string(TOMERIA_SOURCE_DIR) + "/data/";

// Nested sections, a part with a para id, links inward, outward and to nowhere, and no
// book id (so the contents have no title-page entry).
const char* const AtlasXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<book>
<title>Атлас</title>
<chapter id="c1"><title>Первая <emphasis>глава</emphasis></title>
  <para>См. <link linkend="deep-para">глубже</link>, <ulink url="https://example.org/">сайт</ulink>, <xref linkend="missing"/>.</para>
  <section id="s1"><title>Раздел один</title>
    <section id="deep"><title>Глубокий</title><para id="deep-para">Глубже некуда.</para></section>
  </section>
  <section id="s2"><title>Раздел два</title><para>x</para></section>
</chapter>
<chapter id="c2"><title>Вторая</title><para>y</para></chapter>
</book>
)";

class ShippedBookTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitDefaultSettings(Settings, Dir.Os("prog"));
        Dir.Write("atlas/data/book.xml", AtlasXml);
        Dir.Write("atlas/data/intro.ini", "[BasicParams]\nRootPath=..\\\nServiceXSLTFile=" + ShippedData +
                                              "service.xslt\nBookXSLTTFName=" + ShippedData + "shemes/book.xsltt\n");
        SetBookDefaults(Book, Settings);
        Book.DescriptorFile = Dir.Win("atlas/data/intro.ini");
        ReadBookDescriptor(Book, Settings);
        ASSERT_FALSE(Book.ServiceXSLT.empty());
        ASSERT_FALSE(Book.BookXSLTT.empty());
    }

    TTempDir Dir;
    TSettings Settings;
    TBookInfo Book;
};

TEST_F(ShippedBookTest, contentsNestAndNumberEveryChapterAndSection) {
    const TBookPage page = RunServiceAction(TServiceAction::MakeTOC, Book);
    const std::string& toc = page.Html;
    ASSERT_TRUE(page.Ok) << toc;
    EXPECT_NE(toc.find("<menu>"
                       "<listitem id=\"c1\">1. Первая глава"
                       "<listitem id=\"s1\">1.1. Раздел один<listitem id=\"deep\">1.1.1. Глубокий</listitem></listitem>"
                       "<listitem id=\"s2\">1.2. Раздел два</listitem>"
                       "</listitem>"
                       "<listitem id=\"c2\">2. Вторая</listitem>"
                       "</menu>"),
              std::string::npos)
        << toc;
}

TEST_F(ShippedBookTest, otherActionsGiveAnEmptyMenu) {
    for (const uint8_t code : {1, 2, 3, 4, 9}) {
        const TBookPage page = RunServiceAction(code, Book);
        const std::string& out = page.Html;
        EXPECT_TRUE(page.Ok) << out;
        EXPECT_NE(out.find("<menu/>"), std::string::npos) << int(code) << out;
    }
}

TEST_F(ShippedBookTest, pagesShowTheirPartWithNavigationAndLinks) {
    struct Case {
        std::string divId;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    };
    const std::vector<Case> cases = {
        // A chapter: its label, inline markup, links resolved to the part that holds the target.
        {"c1",
         {"Глава 1", "<em>глава</em>", "href=\"tomeri://showdoc/?DivID=deep\"", "class=\"broken-link\"",
          "href=\"https://example.org/\" target=\"_blank\"", "1.1.1.</span> Глубокий",
          "DivID=c2\" title=\"Следующий раздел\""},
         {"Unknown variable"}},
        // A section holds its subsections; previous is its parent, next its sibling.
        {"s1",
         {"1.1.</span> Раздел один", "1.1.1.</span> Глубокий", "DivID=c1\" title=\"Предыдущий раздел\"",
          "DivID=s2\" title=\"Следующий раздел\""},
         {"1.2.</span>"}},
        // The last section of a chapter leads on to the next chapter.
        {"s2", {"DivID=s1\" title=\"Предыдущий раздел\"", "DivID=c2\" title=\"Следующий раздел\""}, {}},
        // An id inside a part shows that part.
        {"deep-para", {"1.1.1.</span> Глубокий", "Глубже некуда."}, {"class=\"missing\""}},
        // Empty and unknown ids give the title page, the unknown one with a notice.
        {"", {"class=\"booktitle\">Атлас", "DivID=c1", "DivID=c2"}, {"class=\"missing\""}},
        {"nope", {"class=\"booktitle\">Атлас", "class=\"missing\""}, {}},
    };
    for (const Case& c : cases) {
        const TBookPage page = BuildBookPart(c.divId, Book);
        ASSERT_TRUE(page.Ok) << c.divId << ": " << page.Html;
        EXPECT_EQ(page.Encoding, "UTF-8");
        for (const std::string& text : c.present)
            EXPECT_NE(page.Html.find(text), std::string::npos) << c.divId << " lacks " << text;
        for (const std::string& text : c.absent)
            EXPECT_EQ(page.Html.find(text), std::string::npos) << c.divId << " has " << text;
    }
    // Quotes and markup in an id never reach the stylesheet: the page says the id is not valid.
    const TBookPage bad = BuildBookPart("a'b\"<c>&d", Book);
    EXPECT_FALSE(bad.Ok);
    EXPECT_NE(bad.Html.find("a'b&quot;&lt;c&gt;&amp;d"), std::string::npos) << bad.Html;
}

TEST_F(ShippedBookTest, withoutItsVariablesTheTemplateFallsBackToTheBookRoot) {
    // The descriptor names neither CSSDir nor Edition: the style sheet comes from the
    // root's "shemes" folder by a rooted path, and no edition line is shown.
    const TBookPage page = BuildBookPart("c2", Book);
    ASSERT_TRUE(page.Ok) << page.Html;
    EXPECT_NE(page.Html.find("href=\"" + Dir.Os("atlas/data/../shemes/book.css") + "\""), std::string::npos)
        << page.Html;
    EXPECT_EQ(page.Html.find("edition"), std::string::npos);
}

void CollectIdsAndLinks(const xmlNode* node, std::set<std::string>& ids, std::vector<std::string>& links) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        for (const char* name : {"id", "linkend"}) {
            xmlChar* value = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
            if (!value) continue;
            const std::string text = reinterpret_cast<const char*>(value);
            xmlFree(value);
            if (name[0] == 'l')
                links.push_back(text);
            else
                EXPECT_TRUE(ids.insert(text).second) << "id used twice: " << text;
        }
        CollectIdsAndLinks(node->children, ids, links);
    }
}

// The guide's cross-references are written by hand: one to an id that was renamed or never
// written shows as plain dotted text, which nothing else would notice.
TEST(ShippedGuide, everyCrossReferenceNamesAnIdOfTheGuide) {
    const std::string guide = ReadWholeFile(ShippedData + "data/book.xml").value_or("");
    std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
        xmlReadMemory(guide.data(), static_cast<int>(guide.size()), "book.xml", nullptr, XML_PARSE_NONET), xmlFreeDoc);
    ASSERT_TRUE(doc) << "the guide is not well-formed XML";
    std::set<std::string> ids;
    std::vector<std::string> links;
    CollectIdsAndLinks(xmlDocGetRootElement(doc.get()), ids, links);
    EXPECT_FALSE(links.empty());
    for (const std::string& link : links)
        EXPECT_TRUE(ids.count(link)) << "link to a missing id: " << link;
}

}  // namespace
