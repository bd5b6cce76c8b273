#pragma once
// A handler for URI schemes other than "file": attached to an engine, it serves the
// schemes it lists. Integer results are 0 for success.
#include <string>
#include <vector>

class TSablotEngine;

class TCustomSchemeProxy {
public:
    TCustomSchemeProxy() = default;
    virtual ~TCustomSchemeProxy();
    TCustomSchemeProxy(const TCustomSchemeProxy&) = delete;
    TCustomSchemeProxy& operator=(const TCustomSchemeProxy&) = delete;

    TSablotEngine* Engine() const { return FEngine; }
    // Detaches from the current engine (if any) and attaches to the new one (if any).
    void SetEngine(TSablotEngine* value);

    std::vector<std::string> Schemes;  // the schemes served; matched without regard to case
    bool HandlesScheme(const std::string& scheme) const;

    virtual int Close(int handle) = 0;
    virtual int FreeMemory(char* buffer) = 0;
    virtual int Get(int handle, char* buffer, int& byteCount) = 0;
    virtual int GetAll(const char* scheme, const char* rest, char*& buffer, int& byteCount) = 0;
    virtual bool HasHandle(int handle) const = 0;
    virtual int Open(const char* scheme, const char* rest, int& handle) = 0;
    virtual int Put(int handle, const char* buffer, int& byteCount) = 0;

protected:
    // A non-zero handle unique among the streams of all proxies of the engine.
    int NewHandle();

private:
    friend class TSablotEngine;
    TSablotEngine* FEngine = nullptr;
    int LocalHandles = 0;  // used only while no engine is attached
};
