#pragma once
// The error rule of the windows (ui/): code below a handler throws std::exception with a
// message that says what failed and why, and returns no error codes of its own. Every
// command and event handler runs inside a guard of this file, which catches at the edge:
// - RunGuarded/Guarded (RunGuardedQueued inside the browser engine's calls): the error ends
//   that handler and is shown in an error box with its message; the program goes on (Qt
//   would end it on an exception leaving an event handler).
// - RunLogged: for the steps whose failure the user is not told about (printing, saving the
//   page, clearing the page): the message goes to the log at the error level.
// Nothing catches an error to drop it; where a failure is expected (no page yet) the code asks
// first instead of throwing and catching.
#include <QString>
#include <exception>
#include <functional>
#include <utility>

// Shows an error message; by default a modal critical message box. Tests replace it.
using TErrorReporter = std::function<void(const QString& message)>;
void SetErrorReporter(TErrorReporter reporter);  // an empty reporter restores the message box
void ReportError(const QString& message);
// Reports the message from the event loop, after the current event has returned.
void ReportErrorLater(const QString& message);

// Runs f; any exception it throws is handed to report and swallowed.
template <class F>
void RunGuardedWith(void (*report)(const QString&), F&& f) noexcept {
    try {
        std::forward<F>(f)();
    } catch (const std::exception& e) {
        report(QString::fromUtf8(e.what()));
    } catch (...) {
        report(QStringLiteral("Неизвестная ошибка."));
    }
}

// Runs f; any exception it throws is reported and swallowed.
template <class F>
void RunGuarded(F&& f) noexcept {
    RunGuardedWith(ReportError, std::forward<F>(f));
}

// Writes an error message to the log at the error level (1).
void LogError(const QString& message);

// Runs f; any exception it throws is written to the log with its message and swallowed.
template <class F>
void RunLogged(F&& f) noexcept {
    RunGuardedWith(LogError, std::forward<F>(f));
}

// Wraps a handler without arguments for connect(): the returned callable runs it inside the
// guard (Qt drops the signal's arguments).
template <class F>
auto Guarded(F f) {
    return [f = std::move(f)]() { RunGuarded(f); };
}

// For handlers that run inside the browser engine's own calls (navigation, new window): the
// engine's stack must not run a modal box, so the error is shown once the call has returned.
template <class F>
void RunGuardedQueued(F&& f) noexcept {
    RunGuardedWith(ReportErrorLater, std::forward<F>(f));
}
