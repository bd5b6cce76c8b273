// The file line of a failure page: the place of the error as "path:line:column".
#include <gtest/gtest.h>

#include "BookFailures.h"

namespace {

TEST(BookFailures, aFailedPartNamesItsFileLineAndColumnWhereKnown) {
    TBookInfo book;
    book.BookXSLTTFName = "file:///books/b/shemes/book.xsltt";
    struct Case {
        const char* name;
        std::string uri;
        long line;
        int column;
        std::string file;
    };
    const Case cases[] = {
        {"line and column", "file:///books/b/data/book.xml", 2, 13, "/books/b/data/book.xml:2:13"},
        {"line only", "file:///books/b/m.xsl", 4, 0, "/books/b/m.xsl:4"},
        {"no line: no column either", "file:///books/b/m.xsl", 0, 7, "/books/b/m.xsl"},
        {"a stylesheet named by no file is the template", "arg:/input", 5, 2, "/books/b/shemes/book.xsltt"},
    };
    for (const Case& c : cases) {
        TBookPage run = FailurePage("boom &lt;b&gt;");
        run.FailedUri = c.uri;
        run.FailedLine = c.line;
        run.FailedColumn = c.column;
        const std::optional<TBookFailure> failure = PartFailureOf(book, run);
        ASSERT_TRUE(failure) << c.name;
        EXPECT_EQ(failure->File, c.file) << c.name;
        EXPECT_EQ(failure->Cause, "boom <b>") << c.name;
    }
}

}  // namespace
