// The engine's message path: the one-line text of a field list, where the text is kept,
// which event fires by level, and what happens when an event handler fails.
#include <gtest/gtest.h>

#include <stdexcept>

#include "XsltTestUtil.h"
#include "shandler.h"

namespace {

std::string Text(std::vector<const char*> fields) {
    fields.push_back(nullptr);
    return BuildMessageText(fields.data());
}

TEST(BuildMessageText, putsThePlaceFirstAsFileLineColumn) {
    struct Case {
        const char* name;
        std::vector<const char*> fields;
        std::string expected;
    } cases[] = {
        {"the engine's own message keeps the blank of its value",
         {"module:XSLTEngine", "msgtype: error", "code: 100", "msg: RunProcessorGen : Missing file argument"},
         "XSLTEngine :  RunProcessorGen : Missing file argument"},
        {"a file URI is named by its path, then line and column",
         {"module:XML parser", "URI:file:///b/book%20one.xml", "line:2", "column:7", "msg:Opening and ending tag"},
         "/b/book%20one.xml:2:7: XML parser : Opening and ending tag"},
        {"module, URI, line, node, msg",
         {"module:XSLT", "URI:file:///b/s.xsl", "line:5", "node:value-of", "msg:Undefined"},
         "/b/s.xsl:5: XSLT : Undefined (element value-of)"},
        {"a column without a line is left out", {"URI:arg:/input", "column:4", "msg:x"}, "arg:/input: x"},
        {"module after the message still comes first", {"msg:text", "module:m"}, "m : text"},
        {"a line without a file", {"msg:alone", "line:3"}, "line 3: alone"},
        {"msgtype, code, unknown names, names with case, entries without colon are left out",
         {"msgtype:error", "code:7", "Module:x", "other:y", "no colon", "msg:kept"},
         "kept"},
        {"the first colon splits name and value", {"msg:a:b", "URI:arg:/input"}, "arg:/input: a:b"},
        {"empty list", {}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(c.fields), c.expected) << c.name;
}

TEST(BuildMessageText, readsAtMost256Entries) {
    std::vector<const char*> fields(300, "msg:x");  // no null entry at all
    EXPECT_EQ(BuildMessageText(fields.data()), std::string(256, 'x'));
}

TEST(MessagePath, levelsChooseTheStoredTextAndTheEvent) {
    const char* fields[] = {"msg:hello", nullptr};
    for (const bool showDebug : {false, true}) {
        for (int level = 0; level <= 5; ++level) {
            TSablotEngine engine;
            TEventRecorder events(engine);
            engine.ShowDebug = showDebug;
            MessageHandlerError(&engine, engine.Processor(), 42, static_cast<MH_LEVEL>(level), fields);
            const std::string where = "level " + std::to_string(level) + (showDebug ? " with" : " without") + " debug";
            EXPECT_EQ(engine.LastDebugText, level == 0 ? "hello" : "") << where;
            EXPECT_EQ(engine.LastErrorText, level == 0 ? "" : "hello") << where;
            const bool fires = level >= 1 && level <= 4 ? true : level == 0 && showDebug;
            ASSERT_EQ(events.Events.size(), fires ? 1u : 0u) << where;
            if (fires) {
                EXPECT_EQ(events.Events[0].Level, level) << where;
                EXPECT_EQ(events.Events[0].Code, 42) << where;
            }
        }
    }
}

TEST(MessagePath, callbackWithoutEngineDoesNothing) {
    const char* fields[] = {"msg:x", nullptr};
    EXPECT_EQ(MessageHandlerError(nullptr, nullptr, 1, MH_LEVEL_ERROR, fields), 0);
}

TEST(MessagePath, failingEventHandler_failsTheRunAndIsReported) {
    TTempDir dir;
    dir.Write("book.xml", "<book/>");
    TSablotEngine engine;
    int calls = 0;
    engine.OnMsgDebug = [&](TSablotEngine&, int32_t, TSErrorFields) {
        ++calls;
        throw std::runtime_error("handler broke");
    };
    const auto run = RunBookStyle(engine,
                                  "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
                                  "<xsl:template match='/'>x</xsl:template></xsl:stylesheet>",
                                  dir.Uri("book.xml"), BookBase(dir));
    EXPECT_GT(calls, 0);  // the trace line of the file read reached it
    EXPECT_FALSE(run.Ok);
    EXPECT_EQ(run.Error, "XSLTEngine :  Error in the MessageHandlerError callback function");
}

TEST(MessagePath, processorErrorsArriveAsFieldLists) {
    TTempDir dir;
    dir.Write("book.xml", "<book/>");
    TSablotEngine engine;
    std::vector<std::string> entries;
    engine.OnMsgError = [&](TSablotEngine&, int32_t, TSErrorFields fields) {
        if (!entries.empty()) return;
        for (int i = 0; fields[i] != nullptr; ++i)
            entries.push_back(fields[i]);
    };
    dir.Write("bad.xsl",
              "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>\n"
              "<xsl:template match='/'>\n<xsl:value-of select='a['/>\n</xsl:template>\n</xsl:stylesheet>");
    EXPECT_FALSE(engine.RunProcessorGen(dir.Uri("bad.xsl"), dir.Uri("book.xml"), "arg:/out"));
    ASSERT_GE(entries.size(), 4u);
    EXPECT_EQ(entries[0], "msgtype:error");
    EXPECT_EQ(entries[1].rfind("code:", 0), 0u);
    EXPECT_EQ(entries[2], "module:XPath");
    EXPECT_EQ(entries.back(), "msg:Invalid expression: a[");
    // The closing report repeats the cause with the place the compiler named.
    EXPECT_EQ(engine.LastErrorText, dir.Os("bad.xsl") + ":3: XPath : Invalid expression: a[ (element value-of)");
}

}  // namespace
