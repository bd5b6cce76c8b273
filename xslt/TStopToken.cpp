#include "TStopToken.h"

#include <thread>

#include <libxslt/xsltInternals.h>

namespace {

// libxslt checks the state between instructions; the XPath operation limit ends an
// expression under evaluation.
void HaltTransform(xsltTransformContextPtr ctxt) noexcept {
    ctxt->state = XSLT_STATE_STOPPED;
    if (ctxt->xpathCtxt != nullptr) ctxt->xpathCtxt->opLimit = 1;
}

}  // namespace

TStopToken::TStopToken() : State(std::make_shared<TState>()) {}

void TStopToken::Trip() const noexcept {
    State->Asked = true;
    ++State->Stoppers;
    if (xsltTransformContextPtr running = State->Running.load()) HaltTransform(running);
    --State->Stoppers;
}

TStopToken::TWatch::TWatch(const TStopToken& token, _xsltTransformContext* ctxt) : Token(token) {
    Token.State->Running = ctxt;
}

TStopToken::TWatch::~TWatch() {
    Token.State->Running = nullptr;
    // A trip that took the context before it was withdrawn writes into it still.
    while (Token.State->Stoppers.load() > 0)
        std::this_thread::yield();
}
