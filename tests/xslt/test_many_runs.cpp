// A thousand runs in one process, succeeding and failing in turn. In the sanitizer build
// LeakSanitizer checks at exit that none of them left memory behind.
#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxslt/xsltutils.h>

#include "XsltTestUtil.h"

namespace {

TEST(ManyRuns, aThousandRunsSucceedOrFailCleanly) {
    TTempDir dir;
    dir.Write("book.xml", "<book><part>text</part></book>");
    dir.Write("inc.xsl",
              "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
              "<xsl:template match='part'>[<xsl:value-of select='.'/>]</xsl:template></xsl:stylesheet>");
    const std::string head =
        "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
        "<xsl:output method='text'/><xsl:include href='inc.xsl'/>";
    const struct {
        std::string sheet;
        std::string input;
        bool ok;
    } kinds[] = {
        {head + "<xsl:template match='/'><xsl:apply-templates select='//part'/></xsl:template></xsl:stylesheet>",
         "book.xml", true},
        {head + "<xsl:template match='/'><xsl:value-of select='$none'/></xsl:template></xsl:stylesheet>", "book.xml",
         false},
        {head + "<xsl:template match='/'>", "book.xml", false},
        {head + "</xsl:stylesheet>", "missing.xml", false},
        {head + "<xsl:template match='/'><xsl:message terminate='yes'>x</xsl:message></xsl:template>"
                "</xsl:stylesheet>",
         "book.xml", false},
    };
    int failures = 0;
    for (int i = 0; i < 1000; ++i) {
        const auto& kind = kinds[i % std::size(kinds)];
        TSablotEngine engine;
        const auto run = RunBookStyle(engine, kind.sheet, dir.Uri(kind.input), BookBase(dir));
        if (run.Ok != kind.ok || (run.Ok && run.Output != "[text]") || engine.FileProxy().HeldBufferCount() != 0)
            ++failures;
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
