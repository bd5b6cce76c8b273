#pragma once
// Helpers for tests that drive the real browser engine: every wait is bounded.
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <string>

#include "TWebBrowser.h"

inline constexpr int EngineWaitMs = 20000;

// Waits in an event loop until pred holds, at most ms. Unlike QTest::qWaitFor, which lets
// processEvents run for long stretches before it looks again, this checks every few
// milliseconds while the engine's own work keeps running.
inline bool WaitFor(const std::function<bool()>& pred, int ms = EngineWaitMs) {
    if (pred()) return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(15);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (pred()) loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return pred();
}

// Runs script in the page and returns its result; an invalid QVariant on time-out.
inline QVariant EvalJs(TWebBrowser& browser, const QString& script) {
    QVariant result;
    bool done = false;
    QEventLoop loop;
    browser.View()->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
        loop.quit();
    });
    QTimer::singleShot(EngineWaitMs, &loop, &QEventLoop::quit);
    if (!done) loop.exec();
    return result;
}

// Waits until the browser holds a document and no load runs.
inline bool WaitIdle(TWebBrowser& browser) {
    return WaitFor([&] { return browser.HasDocument() && !browser.Busy(); });
}

// Writes html and waits for it to show.
inline bool ShowPage(TWebBrowser& browser, const std::string& html, const std::string& encoding = "UTF-8") {
    LoadHtmlIntoBrowser(html, browser, encoding);
    return WaitIdle(browser);
}

inline QString BodyText(TWebBrowser& browser) {
    return EvalJs(browser, QStringLiteral("document.body ? document.body.innerText : ''")).toString();
}
