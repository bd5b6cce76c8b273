// The scheme side of the engine: the file proxy, routing of the callbacks to proxies,
// trace lines, handles, and redirection through scheme bases.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <stdexcept>

#include "XsltTestUtil.h"
#include "shandler.h"

namespace {

// Serves documents held in memory for the schemes it lists.
class TMemoryProxy : public TCustomSchemeProxy {
public:
    std::map<std::string, std::string> Documents;  // by rest
    std::vector<std::string> Freed;
    std::map<int, std::string> Written;

    int GetAll(const char*, const char* rest, char*& buffer, int& byteCount) override {
        const auto found = Documents.find(rest);
        if (found == Documents.end()) return 1;
        buffer = found->second.data();
        byteCount = static_cast<int>(found->second.size());
        return 0;
    }
    int FreeMemory(char* buffer) override {
        Freed.push_back(buffer);
        return 0;
    }
    int Open(const char*, const char*, int& handle) override {
        handle = NewHandle();
        Written[handle];
        return 0;
    }
    int Put(int handle, const char* buffer, int& byteCount) override {
        Written[handle].append(buffer, static_cast<size_t>(byteCount));
        return 0;
    }
    int Get(int, char*, int&) override { return 1; }
    int Close(int) override { return 0; }
    bool HasHandle(int handle) const override { return Written.count(handle) != 0; }
};

TEST(FileProxy, localPathOfRest) {
    const std::pair<const char*, const char*> cases[] = {
        {"///home/anna/book.xml", "/home/anna/book.xml"},
        {"//C:/books/b1/book.xml", "C:/books/b1/book.xml"},
        {"file://C:/books/b1/book.xml", "C:/books/b1/book.xml"},
        {":///C:/data/b.xml", "/C:/data/b.xml"},
        {"C:/x.xml", "/x.xml"},
        {"/", ""},
    };
    for (const auto& [rest, path] : cases)
        EXPECT_EQ(TFileProxy::LocalPathOfRest(rest), path) << rest;
}

TEST(FileProxy, getAllDeliversEveryByte_andEachBufferLivesUntilItsOwnFree) {
    TTempDir dir;
    const std::string withZero("ab\0cd", 5);
    dir.Write("zero.bin", withZero);
    dir.Write("second.txt", "second");
    TFileProxy proxy;
    char* first = nullptr;
    char* second = nullptr;
    int firstCount = 0, secondCount = 0;
    ASSERT_EQ(proxy.GetAll("file", ("//" + dir.Os("zero.bin")).c_str(), first, firstCount), 0);
    ASSERT_EQ(proxy.GetAll("file", ("//" + dir.Os("second.txt")).c_str(), second, secondCount), 0);
    EXPECT_EQ(std::string(first, static_cast<size_t>(firstCount)), withZero);
    EXPECT_EQ(proxy.FreeMemory(second), 0);
    EXPECT_EQ(std::string(first, static_cast<size_t>(firstCount)), withZero);  // still valid
    EXPECT_EQ(proxy.FreeMemory(first), 0);
    EXPECT_EQ(proxy.HeldBufferCount(), 0u);
    EXPECT_EQ(proxy.FreeMemory(first), 1);  // already released

    char* none = nullptr;
    int count = 0;
    EXPECT_EQ(proxy.GetAll("file", ("//" + dir.Os("absent")).c_str(), none, count), 1);
    EXPECT_EQ(proxy.GetAll("file", ("//" + dir.Os("")).c_str(), none, count), 1);  // a folder
}

TEST(FileProxy, utf16InputWithZeroBytes_transformsWhole) {
    TTempDir dir;
    std::string utf16 = "\xFF\xFE";  // little-endian byte order mark
    for (char c : std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?><t>wide</t>")) {
        utf16 += c;
        utf16 += '\0';
    }
    dir.Write("wide.xml", utf16);
    const auto run = RunBookStyle(
        "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
        "<xsl:output method='text'/><xsl:template match='/'><xsl:value-of select='t'/>"
        "</xsl:template></xsl:stylesheet>",
        dir.Uri("wide.xml"), BookBase(dir));
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, "wide");
}

TEST(FileProxy, writeStreams_truncateReportWhatTheyWroteAndCloseWithTheProxy) {
    TTempDir dir;
    const std::string target = dir.Write("out.txt", "a much longer old content");
    const std::string rest = "//" + target;
    int handle = 0;
    {
        TFileProxy proxy;
        ASSERT_EQ(proxy.Open("file", rest.c_str(), handle), 0);
        EXPECT_NE(handle, 0);
        EXPECT_TRUE(proxy.HasHandle(handle));
        int count = 3;
        EXPECT_EQ(proxy.Put(handle, "new", count), 0);
        EXPECT_EQ(count, 3);
        char buffer[8];
        count = sizeof buffer;
        EXPECT_NE(proxy.Get(handle, buffer, count), 0);  // the stream is for writing
        EXPECT_EQ(proxy.Close(handle), 0);
        EXPECT_FALSE(proxy.HasHandle(handle));
        EXPECT_EQ(proxy.Close(handle), 1);

        ASSERT_EQ(proxy.Open("file", ("//" + dir.Os("fresh.txt")).c_str(), handle), 0);
        count = 4;
        EXPECT_EQ(proxy.Put(handle, "kept", count), 0);
    }  // the proxy goes with the stream still open
    EXPECT_EQ(ReadWholeFile(target), "new");
    EXPECT_EQ(ReadWholeFile(dir.Os("fresh.txt")), "kept");
}

class Routing : public ::testing::Test {
protected:
    TSablotEngine Engine;
    TMemoryProxy Memory;
    std::vector<std::string> Trace;
    void SetUp() override {
        Memory.Schemes = {"Mem"};
        Memory.SetEngine(&Engine);
        Engine.ShowDebug = true;
        Engine.OnMsgDebug = [this](TSablotEngine&, int32_t, TSErrorFields fields) {
            Trace.push_back(BuildMessageText(fields));
        };
    }
    int GetAll(const char* scheme, const char* rest, char*& buffer, int& count) {
        return SchemeGetAll(&Engine, Engine.Processor(), scheme, rest, &buffer, &count);
    }
};

TEST_F(Routing, proxiesAreListedWithTheFileProxyFirst_andDetachWhenTheyGo) {
    ASSERT_EQ(Engine.ProxyCount(), 2);
    EXPECT_EQ(Engine.GetProxy(0), &Engine.FileProxy());
    EXPECT_EQ(Engine.GetProxy(1), &Memory);
    EXPECT_EQ(Engine.GetProxy(2), nullptr);
    EXPECT_EQ(Engine.GetProxy(-1), nullptr);
    {
        TMemoryProxy transient;
        transient.SetEngine(&Engine);
        EXPECT_EQ(Engine.ProxyCount(), 3);
    }
    EXPECT_EQ(Engine.ProxyCount(), 2);
    Memory.SetEngine(nullptr);
    EXPECT_EQ(Engine.ProxyCount(), 1);

    TMemoryProxy outlives;
    {
        TSablotEngine shortLived;
        outlives.SetEngine(&shortLived);
    }
    EXPECT_EQ(outlives.Engine(), nullptr);  // no reference to an engine that is gone
}

TEST_F(Routing, schemesGoToTheirProxy_fileInAnyCase_othersFail) {
    TTempDir dir;
    dir.Write("a.txt", "file text");
    Memory.Documents["//doc"] = "memory text";
    char* buffer = nullptr;
    int count = 0;

    ASSERT_EQ(GetAll("mEM", "//doc", buffer, count), 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(count)), "memory text");
    EXPECT_EQ(SchemeFreeMemory(&Engine, nullptr, buffer), 0);
    EXPECT_EQ(Memory.Freed.size(), 1u);  // released by the proxy that delivered it

    // The same buffer delivered twice goes back to its proxy twice.
    char* again = nullptr;
    ASSERT_EQ(GetAll("mem", "//doc", buffer, count), 0);
    ASSERT_EQ(GetAll("mem", "//doc", again, count), 0);
    ASSERT_EQ(again, buffer);
    EXPECT_EQ(SchemeFreeMemory(&Engine, nullptr, buffer), 0);
    EXPECT_EQ(SchemeFreeMemory(&Engine, nullptr, again), 0);
    EXPECT_EQ(Memory.Freed.size(), 3u);

    ASSERT_EQ(GetAll("FILE", ("//" + dir.Os("a.txt")).c_str(), buffer, count), 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(count)), "file text");
    EXPECT_EQ(SchemeFreeMemory(&Engine, nullptr, buffer), 0);
    EXPECT_EQ(Engine.FileProxy().HeldBufferCount(), 0u);

    Trace.clear();
    EXPECT_EQ(GetAll("ftp", "//host/x", buffer, count), 1);
    EXPECT_EQ(Trace, std::vector<std::string>{"XSLTEngine :  Get All Call back : ftp://host/x"});
}

TEST_F(Routing, handleCallbacks_findTheOwningProxy) {
    int memoryHandle = 0, fileHandle = 0;
    ASSERT_EQ(SchemeOpen(&Engine, nullptr, "mem", "//out", &memoryHandle), 0);
    TTempDir dir;
    ASSERT_EQ(SchemeOpen(&Engine, nullptr, "file", ("//" + dir.Os("o.txt")).c_str(), &fileHandle), 0);
    EXPECT_NE(memoryHandle, fileHandle);  // unique across the proxies of one engine
    EXPECT_EQ(Engine.FindProxyByHandle(memoryHandle), &Memory);
    EXPECT_EQ(Engine.FindProxyByHandle(fileHandle), &Engine.FileProxy());

    int count = 5;
    EXPECT_EQ(SchemePut(&Engine, nullptr, memoryHandle, "hello", &count), 0);
    EXPECT_EQ(Memory.Written[memoryHandle], "hello");
    EXPECT_EQ(SchemeClose(&Engine, nullptr, fileHandle), 0);

    Trace.clear();
    char buffer[4];
    count = 4;
    EXPECT_EQ(SchemeGet(&Engine, nullptr, 999, buffer, &count), 1);
    EXPECT_TRUE(Trace.empty());  // no trace for a handle nobody owns
    EXPECT_EQ(SchemePut(&Engine, nullptr, 999, "x", &count), 1);
    EXPECT_EQ(SchemeClose(&Engine, nullptr, 999), 1);
    EXPECT_EQ(Trace, (std::vector<std::string>{"XSLTEngine :  Put Call back : handle=999",
                                               "XSLTEngine :  Close Call Back : handle=999"}));
}

TEST_F(Routing, failingOpen_isLoggedWithItsMessage) {
    int handle = 0;
    EXPECT_EQ(SchemeOpen(&Engine, nullptr, "file", "///no/such/folder/x.txt", &handle), 1);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(Engine.LastErrorText, "XSLTEngine :  Cannot open /no/such/folder/x.txt for writing");
}

// A proxy that throws fails the request, and the cause reaches the engine's message path.
TEST_F(Routing, aThrowingProxy_failsTheRequestWithItsCauseLogged) {
    struct TThrowingProxy : TMemoryProxy {
        int GetAll(const char*, const char*, char*&, int&) override { throw std::runtime_error("disk on fire"); }
    } throwing;
    throwing.Schemes = {"hot"};
    throwing.SetEngine(&Engine);
    char* buffer = nullptr;
    int count = 0;
    EXPECT_EQ(GetAll("hot", "//x", buffer, count), 1);
    EXPECT_EQ(Engine.LastErrorText, "XSLTEngine :  disk on fire");
}

TEST_F(Routing, aStylesheetReadsThroughAnAttachedProxy) {
    TTempDir dir;
    dir.Write("book.xml", "<book/>");
    Memory.Documents["//lib/names.xml"] = "<names><n>from memory</n></names>";
    const auto run = RunBookStyle(Engine,
                                  "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
                                  "<xsl:output method='text'/><xsl:template match='/'>"
                                  "<xsl:value-of select=\"document('mem://lib/names.xml')/names/n\"/>"
                                  "</xsl:template></xsl:stylesheet>",
                                  dir.Uri("book.xml"), BookBase(dir));
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, "from memory");
    EXPECT_NE(std::find(Trace.begin(), Trace.end(), "XSLTEngine :  Get All Call back : mem://lib/names.xml"),
              Trace.end());
}

TEST(SchemeBase, redirectsRequestsThroughTheFirstMatchingBase) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> bases;
        std::string scheme, rest, expectedScheme, expectedRest;
    } cases[] = {
        {"no bases", {}, "file", "//C:/x.xml", "file", "//C:/x.xml"},
        {"file base", {{"file", "file:///C:/data/"}}, "file", "//b.xml", "file", ":///C:/data/b.xml"},
        {"scheme names compare with case", {{"FILE", "file:///C:/data/"}}, "file", "//b.xml", "file", "//b.xml"},
        {"first entry wins",
         {{"book", "file:///one/"}, {"book", "file:///two/"}},
         "book",
         "//p.xml",
         "file",
         ":///one/p.xml"},
        {"other base scheme", {{"mem", "http://host/dir/"}}, "mem", "//a/b.xml", "http", "://host/a/b.xml"},
        {"names with blanks, letters beyond ASCII and %",
         {{"book", "file:///Мои книги/"}},
         "book",
         "//глава 1/100%.xml",
         "file",
         ":///Мои книги/глава 1/100%.xml"},
        {"a base written with escapes",
         {{"book", "file:///my%20books/"}},
         "book",
         "//a b.xml",
         "file",
         ":///my books/a b.xml"},
    };
    for (const auto& c : cases) {
        TSablotEngine engine;
        for (const auto& [scheme, base] : c.bases)
            engine.AddBase(scheme, base);
        std::string scheme = c.scheme, rest = c.rest;
        engine.ApplySchemeBase(scheme, rest);
        EXPECT_EQ(scheme, c.expectedScheme) << c.name;
        EXPECT_EQ(rest, c.expectedRest) << c.name;
    }
}

TEST(SchemeBase, aRunReadsItsInputThroughARedirectedScheme) {
    TTempDir dir;
    dir.Write("volume/part.xml", "<p>redirected</p>");
    dir.Write("мой том/часть 2.xml", "<p>also redirected</p>");
    const struct {
        std::string base, input, expected;
    } cases[] = {
        {dir.Uri("volume/"), "book://part.xml", "redirected"},
        {dir.Uri("мой том/"), "book://часть 2.xml", "also redirected"},
    };
    for (const auto& c : cases) {
        TSablotEngine engine;
        engine.AddBase("book", c.base);
        const auto run = RunBookStyle(engine,
                                      "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
                                      "<xsl:output method='text'/><xsl:template match='/'><xsl:value-of select='p'/>"
                                      "</xsl:template></xsl:stylesheet>",
                                      c.input, BookBase(dir));
        ASSERT_TRUE(run.Ok) << c.input << ": " << run.Error;
        EXPECT_EQ(run.Output, c.expected);
    }
}

}  // namespace
