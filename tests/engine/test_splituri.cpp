#include <gtest/gtest.h>

#include "SplitURI.h"

namespace {

TEST(SplitURI, SplitsIntoSixParts) {
    struct Case {
        const char* uri;
        TSplittedURI expected;  // Scheme, Host, Path, Document, Query, Fragment
    } const cases[] = {
        {"file://C:/books/atlas/data/book.xml", {"file", "", "C:/books/atlas/data", "book.xml", "", ""}},
        {"FILE://C:/a/b.xml", {"file", "", "C:/a", "b.xml", "", ""}},
        {"file:///opt/tomeria/data/book.xml", {"file", "", "/opt/tomeria/data", "book.xml", "", ""}},
        {"file:///book.xml", {"file", "", "/", "book.xml", "", ""}},
        {"arg://input", {"arg", "", "", "input", "", ""}},
        {"tomeri://showdoc/?DivID=ch2", {"tomeri", "showdoc", "", "", "DivID=ch2", ""}},
        {"tomeri://showdoc?DivID=ch2", {"tomeri", "", "", "showdoc", "DivID=ch2", ""}},
        {"Tomeri://ShowDoc/?DivID=a/b#x?y", {"tomeri", "ShowDoc", "", "", "DivID=a/b", "x?y"}},
        {"http://host/a/b/c.html?q=1#frag", {"http", "host", "a/b", "c.html", "q=1", "frag"}},
        {"plain", {"unknown", "", "", "plain", "", ""}},
        {"about:blank", {"unknown", "", "", "about:blank", "", ""}},
        {"", {"unknown", "", "", "", "", ""}},
        // A drive after the host is neither a separator nor rewritten.
        {"file:///C:/books/x.xml", {"file", "", "/C:/books", "x.xml", "", ""}},
        {"http://h/a:/b/c:$d", {"http", "h", "a:/b", "c:$d", "", ""}},
    };
    for (const auto& c : cases) {
        const TSplittedURI got = SplitURI(c.uri);
        EXPECT_EQ(got.Scheme, c.expected.Scheme) << c.uri;
        EXPECT_EQ(got.Host, c.expected.Host) << c.uri;
        EXPECT_EQ(got.Path, c.expected.Path) << c.uri;
        EXPECT_EQ(got.Document, c.expected.Document) << c.uri;
        EXPECT_EQ(got.Query, c.expected.Query) << c.uri;
        EXPECT_EQ(got.Fragment, c.expected.Fragment) << c.uri;
    }
}

}  // namespace
