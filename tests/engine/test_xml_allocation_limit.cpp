// A stylesheet that builds a string too long for libxml2's int lengths fails its run with a
// memory error instead of giving a wrong result ("-1" for string-length of the empty string
// concat() then yields). The ceiling is lowered to a megabyte so a few doublings reach it.
#include <gtest/gtest.h>

#include "TTempDir.h"
#include "Transformation.h"
#include "XmlAllocationLimit.h"

namespace {

// The length of a string doubled n times from "x", doubled once more.
std::string DoublingSheet(int n) {
    return R"X(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="text"/>
<xsl:template name="dbl"><xsl:param name="s"/><xsl:param name="n"/>
<xsl:choose><xsl:when test="$n = 0"><xsl:value-of select="string-length(concat($s, $s))"/></xsl:when>
<xsl:otherwise><xsl:call-template name="dbl"><xsl:with-param name="s" select="concat($s, $s)"/>
<xsl:with-param name="n" select="$n - 1"/></xsl:call-template></xsl:otherwise></xsl:choose></xsl:template>
<xsl:template match="/"><xsl:call-template name="dbl"><xsl:with-param name="s" select="'x'"/>
<xsl:with-param name="n" select=")X" +
           std::to_string(n) + R"X("/></xsl:call-template></xsl:template></xsl:stylesheet>)X";
}

TEST(XmlAllocationLimit, aStringPastTheCeilingFailsTheRunWithAMemoryError) {
    TTempDir dir;
    TBookInfo book;
    book.RootPath = dir.Win() + "\\";
    book.BookXMLFName = "file://" + dir.Write("book.xml", "<book/>");
    const std::size_t saved = SetXmlAllocationLimit(std::size_t{1} << 20);
    const auto run = [&](int n) {
        TArgs args;
        args.StyleText = DoublingSheet(n);
        return RunTransformation(book.BookXMLFName, "arg://input", args, book);
    };
    const TBookPage below = run(18);  // strings of 256 KiB, then 512 KiB
    const TBookPage past = run(19);   // 1 MiB and one byte
    SetXmlAllocationLimit(saved);
    EXPECT_TRUE(below.Ok) << below.Html;
    EXPECT_EQ(below.Html, std::to_string(1 << 19));
    EXPECT_FALSE(past.Ok) << past.Html;
    EXPECT_NE(past.Html.find("Memory allocation failed"), std::string::npos) << past.Html;
}

}  // namespace
