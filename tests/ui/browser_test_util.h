#pragma once
// Helpers for tests that drive the real browser engine: every wait is bounded.
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <memory>
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

// How long a test watches for something that must not happen, counted from an event that did
// (the refused attempt, the click): what it guards against shows well within this time.
inline constexpr int QuietMs = 750;

// Whether pred stays false for ms from now: a bounded wait for an event that must not come.
inline bool StaysFalse(const std::function<bool()>& pred, int ms = QuietMs) { return !WaitFor(pred, ms); }

// Runs script in the page and returns its result; an invalid QVariant on time-out. The
// engine may call back later, even as the page goes: the callback then finds no loop.
inline QVariant EvalJs(TWebBrowser& browser, const QString& script) {
    struct TState {
        QVariant Result;
        bool Done = false;
        QEventLoop* Loop = nullptr;
    };
    const auto state = std::make_shared<TState>();
    browser.View()->page()->runJavaScript(script, [state](const QVariant& value) {
        state->Result = value;
        state->Done = true;
        if (state->Loop) state->Loop->quit();
    });
    QEventLoop loop;
    QTimer::singleShot(EngineWaitMs, &loop, &QEventLoop::quit);
    state->Loop = &loop;
    if (!state->Done) loop.exec();
    state->Loop = nullptr;
    return state->Result;
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

// Clicks the element with the given id as the reader would, with the mouse: the pointer
// reaches it first, and on a link the click waits until the engine names the link there.
inline bool ReaderClicks(TWebBrowser& browser, const char* id) {
    const QStringList at =
        EvalJs(browser, QStringLiteral("(() => { const e = document.getElementById('%1'); if (!e) return '';"
                                       " const r = e.getBoundingClientRect(); return (r.x + 3) + ',' + (r.y + 3) + ','"
                                       " + (e.href || ''); })()")
                            .arg(QLatin1String(id)))
            .toString()
            .split(QLatin1Char(','));
    QWidget* target = browser.View()->focusProxy();
    if (at.size() < 3 || !target) return false;
    const QPoint point(int(at[0].toDouble()), int(at[1].toDouble()));
    const QString href = at.mid(2).join(QLatin1Char(','));
    // Off the page's links first, so that the engine names the link anew; it says so only
    // when the pointer was on one.
    QSignalSpy hovered(browser.View()->page(), &QWebEnginePage::linkHovered);
    QTest::mouseMove(target, QPoint(0, 0));
    WaitFor([&] { return !hovered.isEmpty(); }, 500);
    hovered.clear();
    QTest::mouseMove(target, point);
    if (!href.isEmpty() && !WaitFor([&] { return !hovered.isEmpty() && !hovered.last().at(0).toString().isEmpty(); }))
        return false;
    QTest::mouseClick(target, Qt::LeftButton, {}, point);
    return true;
}
