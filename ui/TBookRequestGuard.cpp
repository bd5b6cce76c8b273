#include "TBookRequestGuard.h"

#include "Log.h"
#include "PagePolicy.h"

void TBookRequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
    if (MayPageLoad(info.requestUrl())) return;
    info.block(true);
    WriteLog(RefusedLoadMessage(info.requestUrl()), TLogLevel::Warning);
}
