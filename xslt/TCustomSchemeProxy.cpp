#include "TCustomSchemeProxy.h"

#include "SablotInternals.h"
#include "TSablotEngine.h"

TCustomSchemeProxy::~TCustomSchemeProxy() { SetEngine(nullptr); }

void TCustomSchemeProxy::SetEngine(TSablotEngine* value) {
    if (value == FEngine) return;
    if (FEngine != nullptr) FEngine->UnregisterProxy(this);
    FEngine = value;
    if (FEngine != nullptr) FEngine->RegisterProxy(this);
}

bool TCustomSchemeProxy::HandlesScheme(const std::string& scheme) const {
    for (const std::string& entry : Schemes)
        if (EqualsNoCase(scheme, entry.c_str())) return true;
    return false;
}

int TCustomSchemeProxy::NewHandle() { return FEngine != nullptr ? FEngine->NewHandle() : ++LocalHandles; }
