// The processor calls an engine makes, observed through the TSablotApi seam: their order in
// the book engine's transformation, on failure, with parameters and scheme bases, and the
// errors the engine raises when a call raises.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>

#include "XsltTestUtil.h"

namespace {

// Forwards every call to the real processor and writes down its name; a call listed in
// Raise throws instead, one listed in Status returns that status without running.
class TRecordingApi : public TSablotApi {
public:
    std::vector<std::string> Calls;
    std::set<std::string> Raise;
    std::map<std::string, int> Status;

    int CreateSituation(SablotSituation* s) override {
        return Call("CreateSituation", [&] { return TSablotApi::CreateSituation(s); });
    }
    int CreateProcessorForSituation(SablotSituation s, SablotHandle* p) override {
        return Call("CreateProcessorForSituation", [&] { return TSablotApi::CreateProcessorForSituation(s, p); });
    }
    int RegHandler(SablotHandle p, HandlerType t, void* h, void* u) override {
        return Call("RegHandler " + std::to_string(t), [&] { return TSablotApi::RegHandler(p, t, h, u); });
    }
    int UnregHandler(SablotHandle p, HandlerType t, void* h, void* u) override {
        return Call("UnregHandler " + std::to_string(t), [&] { return TSablotApi::UnregHandler(p, t, h, u); });
    }
    int AddArgBuffer(SablotSituation s, SablotHandle p, const char* n, const char* b) override {
        return Call(std::string("AddArgBuffer ") + n, [&] { return TSablotApi::AddArgBuffer(s, p, n, b); });
    }
    int AddParam(SablotSituation s, SablotHandle p, const char* n, const char* v) override {
        return Call(std::string("AddParam ") + n, [&] { return TSablotApi::AddParam(s, p, n, v); });
    }
    int SetBase(SablotHandle p, const char* b) override {
        return Call("SetBase", [&] { return TSablotApi::SetBase(p, b); });
    }
    int SetBaseForScheme(SablotHandle p, const char* s, const char* b) override {
        return Call(std::string("SetBaseForScheme ") + s + "=" + b,
                    [&] { return TSablotApi::SetBaseForScheme(p, s, b); });
    }
    int RunProcessorGen(SablotSituation s, SablotHandle p, const char* a, const char* b, const char* c) override {
        return Call("RunProcessorGen", [&] { return TSablotApi::RunProcessorGen(s, p, a, b, c); });
    }
    int GetResultArg(SablotHandle p, const char* u, char** v) override {
        return Call("GetResultArg", [&] { return TSablotApi::GetResultArg(p, u, v); });
    }
    int GetResultArgInfo(SablotHandle p, const char* u, size_t* n, const char** e) override {
        return Call("GetResultArgInfo", [&] { return TSablotApi::GetResultArgInfo(p, u, n, e); });
    }
    int Free(char* v) override {
        return Call("Free", [&] { return TSablotApi::Free(v); });
    }
    int FreeResultArgs(SablotHandle p) override {
        return Call("FreeResultArgs", [&] { return TSablotApi::FreeResultArgs(p); });
    }
    int ClearError(SablotHandle p) override {
        return Call("ClearError", [&] { return TSablotApi::ClearError(p); });
    }
    int ClearSituation(SablotSituation s) override {
        return Call("ClearSituation", [&] { return TSablotApi::ClearSituation(s); });
    }
    int DestroyProcessor(SablotHandle p) override {
        return Call("DestroyProcessor", [&] { return TSablotApi::DestroyProcessor(p); });
    }
    int DestroySituation(SablotSituation s) override {
        return Call("DestroySituation", [&] { return TSablotApi::DestroySituation(s); });
    }

private:
    int Call(const std::string& name, const std::function<int()>& real) {
        Calls.push_back(name);
        if (Raise.count(name)) throw std::runtime_error("raised by " + name);
        const auto status = Status.find(name);
        return status != Status.end() ? status->second : real();
    }
};

const std::vector<std::string> Construction = {"CreateSituation", "CreateProcessorForSituation", "RegHandler 0",
                                               "RegHandler 1"};
const std::vector<std::string> Destruction = {"UnregHandler 0", "UnregHandler 1", "DestroyProcessor",
                                              "DestroySituation"};

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class CallOrder : public ::testing::Test {
protected:
    TTempDir Dir;
    TRecordingApi Api;
    void SetUp() override { Dir.Write("book.xml", "<book/>"); }
};

TEST_F(CallOrder, bookEngineTransformation_succeeding) {
    {
        TSablotEngine engine(Api);
        const auto run = RunBookStyle(engine,
                                      "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
                                      "<xsl:output method='text'/><xsl:template match='/'>page</xsl:template>"
                                      "</xsl:stylesheet>",
                                      Dir.Uri("book.xml"), BookBase(Dir));
        ASSERT_TRUE(run.Ok) << run.Error;
        EXPECT_EQ(run.Output, "page");
    }
    EXPECT_EQ(Api.Calls, Concat({Construction,
                                 {"AddArgBuffer input", "SetBase", "RunProcessorGen", "GetResultArg",
                                  "GetResultArgInfo", "Free", "GetResultArgInfo"},
                                 Destruction}));
}

TEST_F(CallOrder, bookEngineTransformation_failing) {
    {
        TSablotEngine engine(Api);
        EXPECT_FALSE(RunBookStyle(engine, "<not-closed>", Dir.Uri("book.xml"), BookBase(Dir)).Ok);
    }
    EXPECT_EQ(
        Api.Calls,
        Concat({Construction,
                {"AddArgBuffer input", "SetBase", "RunProcessorGen", "ClearError", "ClearSituation", "FreeResultArgs"},
                Destruction}));
}

TEST_F(CallOrder, parametersAndBasesAreHandedOverAroundEachRun) {
    TSablotEngine engine(Api);
    engine.AddBase("mem", "file:///m/");
    engine.AddBase("", "nameless");  // the processor refuses a base without a scheme
    engine.AddParam("a", "1");
    engine.AddParam("b", "2");
    Api.Calls.clear();
    engine.RunProcessorGen("arg:/none", Dir.Uri("book.xml"), "arg:/out");
    EXPECT_EQ(Api.Calls,
              (std::vector<std::string>{"SetBaseForScheme mem=file:///m/", "SetBaseForScheme =nameless", "AddParam a",
                                        "AddParam b", "RunProcessorGen", "ClearError", "ClearSituation",
                                        "FreeResultArgs", "SetBaseForScheme mem=", "SetBaseForScheme ="}));
    EXPECT_EQ(engine.LastErrorText, "XSLTEngine :  Cannot clear base for  : ");

    Api.Calls.clear();
    engine.RemoveBase("MEM");  // names compare with case
    engine.RemoveParam("a");
    EXPECT_TRUE(Api.Calls.empty());
    engine.RemoveBase("mem");
    EXPECT_EQ(Api.Calls, std::vector<std::string>{"SetBaseForScheme mem="});
    EXPECT_EQ(engine.Bases(), std::vector<std::string>{"=nameless"});
    EXPECT_EQ(engine.Params(), std::vector<std::string>{"b=2"});
}

TEST_F(CallOrder, defaultBaseReachesTheProcessorWhenWritten) {
    TSablotEngine engine(Api);
    Api.Calls.clear();
    engine.SetDefaultBase("file:///books/");
    EXPECT_EQ(Api.Calls, std::vector<std::string>{"SetBase"});
    EXPECT_EQ(engine.DefaultBase(), "file:///books/");
}

TEST_F(CallOrder, missingUri_failsBeforeTheProcessorRuns) {
    TSablotEngine engine(Api);
    TEventRecorder events(engine);
    engine.AddBase("mem", "file:///m/");
    const std::pair<const char*, std::array<std::string, 3>> cases[] = {
        {"sheet", {"", "arg:/in", "arg:/out"}},
        {"input", {"arg:/s", "", "arg:/out"}},
        {"output", {"arg:/s", "arg:/in", ""}},
    };
    for (const auto& [name, uris] : cases) {
        Api.Calls.clear();
        events.Events.clear();
        EXPECT_FALSE(engine.RunProcessorGen(uris[0], uris[1], uris[2])) << name;
        EXPECT_EQ(Api.Calls, (std::vector<std::string>{"SetBaseForScheme mem=file:///m/", "SetBaseForScheme mem="}))
            << name;
        EXPECT_EQ(engine.LastErrorText, "XSLTEngine :  RunProcessorGen : Missing file argument") << name;
        ASSERT_EQ(events.AtLevel(3).size(), 1u) << name;
        EXPECT_EQ(events.AtLevel(3)[0].Code, 100) << name;
    }
}

TEST_F(CallOrder, raisingCallsBecomeTheEnginesErrors) {
    Api.Raise = {"RegHandler 1"};
    try {
        TSablotEngine engine(Api);
        FAIL() << "construction succeeded";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "TSablotEngine.InitSchemeHandler: raised by RegHandler 1");
    }
    EXPECT_EQ(Api.Calls.back(), "DestroySituation");  // nothing is left behind
    for (const char* call : {"CreateSituation", "CreateProcessorForSituation"}) {
        Api.Raise = {call};
        EXPECT_THROW(TSablotEngine engine(Api), std::runtime_error) << call;
    }

    Api.Raise = {"AddArgBuffer x"};
    TSablotEngine engine(Api);
    EXPECT_THROW(
        try { engine.AddArgBuffer("x", "y"); } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "TSablotEngine.AddArgBuffer: raised by AddArgBuffer x");
            throw;
        },
        std::runtime_error);

    // A failing parameter is reported and skipped; a raising base preparation ends the run
    // with its message. Both keep the cause.
    Api.Raise = {"AddParam p1"};
    engine.AddParam("p1", "v");
    engine.AddParam("p2", "v");
    Api.Calls.clear();
    TEventRecorder events(engine);
    engine.RunProcessorGen("arg:/s", "arg:/i", "arg:/o");
    EXPECT_EQ(Api.Calls[0], "AddParam p1");
    EXPECT_EQ(Api.Calls[1], "AddParam p2");
    ASSERT_FALSE(events.AtLevel(3).empty());
    EXPECT_EQ(events.AtLevel(3)[0].Text, "XSLTEngine :  TSablotEngine.PrepareParams with p1=v: raised by AddParam p1");

    Api.Raise = {"SetBaseForScheme k=v"};
    engine.AddBase("k", "v");
    EXPECT_FALSE(engine.RunProcessorGen("arg:/s", "arg:/i", "arg:/o"));
    EXPECT_EQ(engine.LastErrorText, "XSLTEngine :  TSablotEngine.PrepareBases error: raised by SetBaseForScheme k=v");

    Api.Raise = {"ClearError"};
    EXPECT_THROW(engine.ClearError(), std::runtime_error);

    // A result whose copy fails is still handed back to the processor.
    Api.Raise = {"GetResultArgInfo"};
    engine.AddArgBuffer("s",
                        "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
                        "<xsl:template match='/'>x</xsl:template></xsl:stylesheet>");
    ASSERT_TRUE(engine.RunProcessorGen("arg:/s", Dir.Uri("book.xml"), "arg:/o")) << engine.LastErrorText;
    Api.Calls.clear();
    std::string text;
    engine.GetResultArg("arg:/o", text);
    EXPECT_EQ(Api.Calls, (std::vector<std::string>{"GetResultArg", "GetResultArgInfo", "Free"}));
    EXPECT_EQ(engine.LastDebugText, "XSLTEngine :  try to get an unknown output ?");
}

// The engine's own reports outside the processor call reach the event handlers too; a handler
// that throws there fails the operation and leaves the same line as inside the call.
TEST_F(CallOrder, failingEventHandlerOutsideTheProcessorCall_failsTheOperation) {
    const std::string failure = "XSLTEngine :  Error in the MessageHandlerError callback function";
    const std::string sheet =
        "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
        "<xsl:template match='/'>x</xsl:template></xsl:stylesheet>";
    struct Case {
        const char* name;
        const char* trigger;  // the report whose handler throws
        std::function<bool(TSablotEngine&)> operation;
    } cases[] = {
        {"a base the processor refuses, before the run", "Cannot set scheme base",
         [&](TSablotEngine& engine) {
             Api.Status["SetBaseForScheme mem=file:///m/"] = 1;
             engine.AddBase("mem", "file:///m/");
             return engine.RunProcessorGen("arg:/s", Dir.Uri("book.xml"), "arg:/o");
         }},
        {"a missing URI", "Missing file argument",
         [&](TSablotEngine& engine) { return engine.RunProcessorGen("arg:/s", "", "arg:/o"); }},
        {"reading a result that is not there", "unknown output",
         [&](TSablotEngine& engine) {
             std::string text;
             return engine.GetResultArg("arg:/none", text);
         }},
    };
    for (const auto& c : cases) {
        Api.Status.clear();
        TSablotEngine engine(Api);
        engine.AddArgBuffer("s", sheet);
        engine.ShowDebug = true;
        std::vector<std::string> errors;
        const auto handler = [&](TSablotEngine&, int32_t, TSErrorFields fields) {
            const std::string text = BuildMessageText(fields);
            if (text.find(c.trigger) != std::string::npos) throw std::runtime_error("handler broke");
        };
        engine.OnMsgDebug = handler;
        engine.OnMsgError = [&](TSablotEngine& sender, int32_t code, TSErrorFields fields) {
            errors.push_back(BuildMessageText(fields));
            handler(sender, code, fields);
        };
        EXPECT_FALSE(c.operation(engine)) << c.name;
        ASSERT_FALSE(errors.empty()) << c.name;
        EXPECT_EQ(errors.back(), failure) << c.name;
        EXPECT_EQ(engine.LastErrorText, failure) << c.name;
    }
}

TEST_F(CallOrder, unknownResult_isEmptyAndNotFreed) {
    TSablotEngine engine(Api);
    Api.Calls.clear();
    std::string text = "old";
    engine.GetResultArg("arg://nothing", text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(Api.Calls, std::vector<std::string>{"GetResultArg"});
    EXPECT_EQ(engine.LastDebugText, "XSLTEngine :  try to get an unknown output ?");
    EXPECT_EQ(engine.ResultEncoding("arg://nothing"), "UTF-8");
}

}  // namespace
