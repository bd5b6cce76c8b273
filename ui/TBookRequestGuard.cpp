#include "TBookRequestGuard.h"

#include "Log.h"
#include "PagePolicy.h"

void TBookRequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const bool mainFrame = info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame;
    if (MayPageLoad(info.requestUrl(), info.firstPartyUrl(), mainFrame)) return;
    info.block(true);
    WriteLog(RefusedLoadMessage(info.requestUrl()), TLogLevel::Warning);
}
