#include "EngineSwitches.h"

#include <QtGlobal>

namespace {
// Nothing answers on port 1 of the loopback address: every connection is refused at once.
constexpr char DeadProxy[] = "socks5://127.0.0.1:1";
}  // namespace

QByteArray EngineConfinementSwitches() {
    return QByteArray("--force-webrtc-ip-handling-policy=disable_non_proxied_udp --proxy-server=") + DeadProxy +
           " --proxy-bypass-list=<-loopback>";
}

void ConfineBrowserEngine() {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").trimmed();
    if (!flags.isEmpty()) flags += ' ';
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + EngineConfinementSwitches());
}

void EnableBrowserAccessibility() {
    // A value the user's environment already set is theirs.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"))
        qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
}
