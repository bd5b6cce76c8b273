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
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe.get())) > 0;)
        output.append(chunk, n);
    return output;
}

std::string Render(const std::string& sheet, const std::string& input, std::string& encoding, std::string& error) {
    TSablotEngine engine;
    engine.ShowDebug = true;
    engine.StyleURI = "file://" + sheet;
    engine.InputUri = "file://" + input;
    engine.OutputUri = "arg://output";
    std::string page;
    if (engine.Run()) engine.GetResultArg("arg://output", page);
    encoding = engine.ResultEncoding("arg://output");
    error = engine.LastErrorText;
    return page;
}

TEST(DocBook, articleRendersToTheBytesXsltprocGives) {
    if (!std::filesystem::exists(DocBookXsl)) GTEST_SKIP() << "docbook-xsl is not installed";
    // The same article plain, and with the standard document type: its DTD is found through
    // the system's catalogs (the network is never asked) and supplies default attributes.
    TTempDir dir;
    std::string withDoctype = ReadWholeFile(Article).value_or("");
    withDoctype.insert(withDoctype.find('\n') + 1,
                       "<!DOCTYPE article PUBLIC \"-//OASIS//DTD DocBook XML V4.5//EN\" "
                       "\"http://www.oasis-open.org/docbook/xml/4.5/docbookx.dtd\">\n");
    for (const std::string& input : {Article, dir.Write("with-doctype.xml", withDoctype)}) {
        const std::string expected = RunXsltproc(DocBookXsl, input);
        ASSERT_GT(expected.size(), 1000u) << "xsltproc produced no page for " << input;
        std::string encoding, error;
        const std::string page = Render(DocBookXsl, input, encoding, error);
        ASSERT_FALSE(page.empty()) << input << ": " << error;
        // Both serialise the same result tree with the same routine: not even the final
        // line break may differ.
        EXPECT_EQ(page.size(), expected.size()) << input;
        EXPECT_TRUE(page == expected)
            << input << ": first difference at byte "
            << std::distance(page.begin(),
                             std::mismatch(page.begin(), page.end(), expected.begin(), expected.end()).first);
        EXPECT_EQ(encoding, "ISO-8859-1") << input;  // what the html stylesheets declare
        EXPECT_NE(page.find("&#1040;&#1090;&#1083;&#1072;&#1089;"), std::string::npos);  // the Cyrillic title
    }
}

}  // namespace
