#pragma once
// Helpers of the adapter's tests: a temporary folder with files, file URIs, and a recorder
// of the engine's message events.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "OsFiles.h"
#include "TSablotEngine.h"
#include "TTempDir.h"

// The base the book engine hands over: "file://" and the folder in backslash form, ending in "\".
inline std::string BookBase(const TTempDir& dir) { return "file://" + dir.Win(); }

struct TEventRecord {
    int Level;
    int32_t Code;
    std::string Text;
};

// Attaches to all five events and keeps what they deliver.
struct TEventRecorder {
    explicit TEventRecorder(TSablotEngine& engine) {
        auto at = [this](int level) {
            return [this, level](TSablotEngine&, int32_t code, TSErrorFields fields) {
                Events.push_back({level, code, BuildMessageText(fields)});
            };
        };
        engine.OnMsgDebug = at(0);
        engine.OnMsgInfo = at(1);
        engine.OnMsgWarning = at(2);
        engine.OnMsgError = at(3);
        engine.OnMsgCritical = at(4);
    }
    std::vector<TEventRecord> AtLevel(int level) const {
        std::vector<TEventRecord> found;
        for (const auto& e : Events)
            if (e.Level == level) found.push_back(e);
        return found;
    }
    std::vector<TEventRecord> Events;
};

// One transformation the way the book engine runs it: the stylesheet as the buffer "input",
// the XML by URI, the result in "arg://output".
struct TBookRun {
    bool Ok = false;
    std::string Output, Encoding, Error;
};

inline TBookRun RunBookStyle(TSablotEngine& engine, const std::string& sheet, const std::string& inputUri,
                             const std::string& base) {
    TBookRun run;
    engine.ShowDebug = true;
    engine.OutputUri = "arg://output";
    engine.AddArgBuffer("input", sheet);
    engine.StyleURI = "arg:/input";
    engine.InputUri = inputUri;
    engine.SetDefaultBase(base);
    run.Ok = engine.Run();
    if (run.Ok) {
        engine.GetResultArg("arg://output", run.Output);
        run.Encoding = engine.ResultEncoding("arg://output");
    }
    run.Error = engine.LastErrorText;
    return run;
}

inline TBookRun RunBookStyle(const std::string& sheet, const std::string& inputUri, const std::string& base) {
    TSablotEngine engine;
    return RunBookStyle(engine, sheet, inputUri, base);
}
