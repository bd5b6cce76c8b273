#pragma once
// Helpers for tests that drive the real browser engine: every wait is bounded.
#include <QTest>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <string>

#include "TWebBrowser.h"

inline constexpr int EngineWaitMs = 20000;

// Runs script in the page and returns its result; an invalid QVariant on time-out.
inline QVariant EvalJs(TWebBrowser& browser, const QString& script) {
    QVariant result;
    bool done = false;
    browser.View()->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, EngineWaitMs)) return {};
    return result;
}

// Waits until the browser holds a document and no load runs.
inline bool WaitIdle(TWebBrowser& browser) {
    return QTest::qWaitFor([&] { return browser.HasDocument() && !browser.Busy(); }, EngineWaitMs);
}

// Writes html and waits for it to show.
inline bool ShowPage(TWebBrowser& browser, const std::string& html, const std::string& encoding = "UTF-8") {
    LoadHtmlIntoBrowser(html, browser, encoding);
    return WaitIdle(browser);
}

inline QString BodyText(TWebBrowser& browser) {
    return EvalJs(browser, QStringLiteral("document.body ? document.body.innerText : ''")).toString();
}
