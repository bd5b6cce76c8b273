// A real-world check: a DocBook article rendered with Debian's DocBook XSL stylesheets
// through the engine gives exactly the bytes xsltproc gives for the same files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "XsltTestUtil.h"

namespace {

const std::string DocBookXsl = "/usr/share/xml/docbook/stylesheet/docbook-xsl/html/docbook.xsl";
const std::string Article = std::string(TOMERIA_SOURCE_DIR) + "/tests/xslt/data/docbook-article.xml";

std::string RunXsltproc(const std::string& sheet, const std::string& input) {
    const std::string command = "xsltproc '" + sheet + "' '" + input + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string output;
    if (!pipe) return output;
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe.get())) > 0;) output.append(chunk, n);
    return output;
}

TEST(DocBook, articleRendersToTheBytesXsltprocGives) {
    if (!std::filesystem::exists(DocBookXsl)) GTEST_SKIP() << "docbook-xsl is not installed";
    const std::string expected = RunXsltproc(DocBookXsl, Article);
    ASSERT_GT(expected.size(), 1000u) << "xsltproc produced no page";

    TSablotEngine engine;
    engine.ShowDebug = true;
    engine.StyleURI = "file://" + DocBookXsl;
    engine.InputUri = "file://" + Article;
    engine.OutputUri = "arg://output";
    ASSERT_TRUE(engine.Run()) << engine.LastErrorText;
    std::string page;
    engine.GetResultArg("arg://output", page);

    // Both serialise the same result tree with the same routine: not even the final line
    // break may differ.
    EXPECT_EQ(page.size(), expected.size());
    EXPECT_TRUE(page == expected) << "first difference at byte "
                                  << std::distance(page.begin(), std::mismatch(page.begin(), page.end(),
                                                                               expected.begin(), expected.end())
                                                                     .first);
    EXPECT_EQ(engine.ResultEncoding("arg://output"), "ISO-8859-1");
    EXPECT_NE(page.find("&#1040;&#1090;&#1083;&#1072;&#1089;"), std::string::npos);  // the Cyrillic title
}

}  // namespace
