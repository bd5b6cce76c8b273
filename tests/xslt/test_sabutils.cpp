#include <gtest/gtest.h>

#include <string>

#include "TUriStrAnalyzer.h"
#include "sabutils.h"

namespace {

TEST(UriStrAnalyzer, NewAnalyzerIsEmpty) {
    const TUriStrAnalyzer a;
    EXPECT_FALSE(a.SchemePresent || a.AuthorityPresent || a.QueryPresent || a.FragmentPresent);
    EXPECT_EQ(a.Compose(), "");
}

TEST(UriStrAnalyzer, ParseSplitsValidUrisAndComposesThemBack) {
    struct Case {
        const char* uri;
        const char* scheme;
        bool hasAuthority;
        const char* authority;
        const char* path;
        const char* query;     // nullptr: absent
        const char* fragment;  // nullptr: absent
    } const cases[] = {
        {"arg:/input", "arg", false, "", "/input", nullptr, nullptr},
        {"file://C:/books/b1/book.xml", "file", true, "C:", "/books/b1/book.xml", nullptr, nullptr},
        {"c:/books/x.xml", "c", false, "", "/books/x.xml", nullptr, nullptr},
        {"file:///opt/tomeria/data/book.xml", "file", true, "", "/opt/tomeria/data/book.xml", nullptr, nullptr},
        {"http://user@host:80/a%20b?x=1&y=2#top", "http", true, "user@host:80", "/a%20b", "x=1&y=2", "top"},
        {"tomeri://showdoc/?DivID=ch2", "tomeri", true, "showdoc", "/", "DivID=ch2", nullptr},
        {"mailto:anna@example.org", "mailto", false, "", "anna@example.org", nullptr, nullptr},
        {"x:?#", "x", false, "", "", "", ""},
        {"", "", false, "", "", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        TUriStrAnalyzer a;
        ASSERT_TRUE(a.Parse(c.uri)) << c.uri;
        EXPECT_EQ(a.SchemePresent, *c.scheme != 0) << c.uri;
        EXPECT_EQ(a.Scheme, c.scheme) << c.uri;
        EXPECT_EQ(a.AuthorityPresent, c.hasAuthority) << c.uri;
        EXPECT_EQ(a.Authority, c.authority) << c.uri;
        EXPECT_EQ(a.Path, c.path) << c.uri;
        EXPECT_EQ(a.QueryPresent, c.query != nullptr) << c.uri;
        EXPECT_EQ(a.Query, c.query ? c.query : "") << c.uri;
        EXPECT_EQ(a.FragmentPresent, c.fragment != nullptr) << c.uri;
        EXPECT_EQ(a.Fragment, c.fragment ? c.fragment : "") << c.uri;
        EXPECT_EQ(a.Compose(), c.uri);
    }
}

TEST(UriStrAnalyzer, InvalidUriClearsEveryPart) {
    const char* cases[] = {
        "C:\\books\\x.xml",  // backslash in the path
        "file:///a b.xml",   // blank
        "file:///a%2.xml",   // escape with one hex digit
        "file:///a%",        // escape cut short
        "file:///a%zz",      // escape without hex digits
        "1abc:/x",           // scheme must start with a letter
        ":/x",               // empty scheme
        "data/x:y.xml",      // a relative reference with ":" gets a bad scheme
        "http://ho st/",     // bad authority
        "http://h/p?a b",    // bad query
        "http://h/p#a#b",    // "#" inside the fragment
        "http://h/p\x80",    // bytes beyond ASCII
    };
    for (const char* uri : cases) {
        TUriStrAnalyzer a;
        a.Parse("http://keep/me?q#f");
        EXPECT_FALSE(a.Parse(uri)) << uri;
        EXPECT_FALSE(a.SchemePresent || a.AuthorityPresent || a.QueryPresent || a.FragmentPresent) << uri;
        EXPECT_EQ(a.Compose(), "") << uri;
    }
}

TEST(UriStrAnalyzer, SettersKeepPresenceAndRejectInvalidValues) {
    TUriStrAnalyzer a;
    EXPECT_TRUE(a.SetQuery("a=1", true));
    EXPECT_EQ(a.Query, "a=1");
    EXPECT_FALSE(a.SetQuery("a 1", true));
    EXPECT_TRUE(a.QueryPresent);
    EXPECT_EQ(a.Query, "");
    EXPECT_TRUE(a.SetQuery("ignored anyway", false));
    EXPECT_FALSE(a.QueryPresent);
    EXPECT_EQ(a.Query, "");
    EXPECT_FALSE(a.SetScheme("", true));
    EXPECT_TRUE(a.SetScheme("svn+ssh", true));
    EXPECT_TRUE(a.SetPath("/a;b/c"));
    EXPECT_FALSE(a.SetPath("/a?b"));
    EXPECT_EQ(a.Path, "");
}

TEST(ResolveUri, ResolvesReferencesAgainstTheBase) {
    struct Case {
        const char* base;
        const char* reference;
        const char* expected;  // nullptr: the resolution fails
    } const cases[] = {
        {"file:///C:/books/b1/book.xml", "data/x.xml", "file:///C:/books/b1/data/x.xml"},
        {"file:///a/b/c.xml", "../x.xml", "file:///a/x.xml"},
        {"file:///a/b/c.xml", ".", "file:///a/b/"},
        {"file:///a/b/c.xml", "..", "file:///a/"},
        {"file:///a/b/c.xml", "./d/./e/../f.xml", "file:///a/b/d/f.xml"},
        {"file:///a/b/c.xml", "../../../x.xml", nullptr},
        {"file:///a/b/c.xml#old", "#top", "file:///a/b/c.xml#top"},
        {"file:///a/b/c.xml?q#old", "", "file:///a/b/c.xml?q"},
        {"file:///a/b/c.xml", "/root.xml", "file:///root.xml"},
        {"file:///a/b/c.xml?q", "d.xml?r", "file:///a/b/d.xml?r"},  // the base's query is not inherited
        {"file:///a/b/c.xml", "//other/x.xml", "file://other/x.xml"},
        {"file:///a/b/c.xml", "http://h/x", "http://h/x"},
        {"data/x.xml", "http://h/x", "http://h/x"},  // only the reference has a scheme
        {"file://C:/data/", "/b.xml", "file://C:/b.xml"},
        {"data/", "x.xml", nullptr},        // neither has a scheme
        {"file:///a b", "x.xml", nullptr},  // the base does not parse
        {"file:///a/", "x y", nullptr},     // the reference does not parse
    };
    for (const auto& c : cases) {
        std::string resolved = "stale";
        EXPECT_EQ(ResolveUri(c.base, c.reference, resolved), c.expected != nullptr) << c.base << " + " << c.reference;
        EXPECT_EQ(resolved, c.expected ? c.expected : "") << c.base << " + " << c.reference;
    }
}

TEST(DecodeFileUri, GivesLocalPathAndParts) {
    struct Case {
        const char* uri;
        bool ok;
        const char* path;
        const char* authority;
        const char* query;
        const char* fragment;
    } const cases[] = {
        {"file:///C:/My%20Books/a.xml", true, "C:\\My Books\\a.xml", "", "", ""},
        {"file://C:/x.xml", true, "x.xml", "C:", "", ""},
        {"FILE:///opt/tomeria/%d0%90.xml?a=1#p", true, "opt\\tomeria\\\xd0\x90.xml", "", "?a=1", "#p"},
        {"file:///a%2Fb/c.xml", true, "a/b\\c.xml", "", "", ""},  // an escaped "/" is no separator
        {"file:", true, "", "", "", ""},
        {"http://h/x.xml", false, "", "", "", ""},
        {"file:///bad path", false, "", "", "", ""},
    };
    for (const auto& c : cases) {
        std::string path = "x", authority = "x", query = "x", fragment = "x";
        EXPECT_EQ(DecodeFileUri(c.uri, path, authority, query, fragment), c.ok) << c.uri;
        EXPECT_EQ(path, c.path) << c.uri;
        EXPECT_EQ(authority, c.authority) << c.uri;
        EXPECT_EQ(query, c.query) << c.uri;
        EXPECT_EQ(fragment, c.fragment) << c.uri;
    }
}

TEST(UriStrings, SchemeKeyValueAndSeparators) {
    EXPECT_EQ(SchemeOfUri("arg://output"), "arg");
    EXPECT_EQ(SchemeOfUri("arg:/input"), "arg");
    EXPECT_EQ(SchemeOfUri("file:///C:/a.xml"), "file");
    EXPECT_EQ(SchemeOfUri("://x:/y"), "");
    EXPECT_EQ(SchemeOfUri("no scheme here"), "");

    struct Case {
        const char* text;
        const char* key;
        const char* value;
    } const pairs[] = {{"a=b=c", "a", "b=c"}, {"novalue", "", "novalue"}, {"=v", "", "v"}, {"k=", "k", ""}};
    for (const auto& c : pairs) {
        std::string key = "stale", value = "stale";
        SplitKeyValue(c.text, key, value);
        EXPECT_EQ(key, c.key) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }

    EXPECT_EQ(BackslashesToSlashes("C:\\a\\b.xml"), "C:/a/b.xml");
    EXPECT_EQ(SlashesToBackslashes("/a/b/"), "\\a\\b\\");
    EXPECT_EQ(ReplaceChar("a.b.c", '.', '-'), "a-b-c");
}

}  // namespace
