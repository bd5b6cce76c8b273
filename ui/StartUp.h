#pragma once
// The start-up sequence of the viewer, from loading the settings to showing the main window.
class Tfrm_Main;

#include <functional>
#include <string>

// Runs the steps between creating the hidden main window and the event loop: settings, log,
// controls, the start action and showing the window, each announced in the log. A book named
// on the command line is opened in place of the start action. The window is shown, and then
// called, once the start document's contents have been answered: at once when there is none,
// else from the event loop. A window the reader closed meanwhile ends start-up without then.
void RunStartUpSequence(Tfrm_Main& frm, const std::string& commandLineDoc = {}, std::function<void()> then = {});

// SIGTERM, SIGINT and SIGHUP close the main window the ordinary way (the settings are saved),
// as a desktop session ending expects, closing any modal dialog first. Install the handlers
// early; a signal is acted on once CloseOnTerminationSignals has been called.
void InstallTerminationSignalHandlers();
void CloseOnTerminationSignals(Tfrm_Main& frm);
// A termination signal arrived; one during start-up leaves the main window for the caller to
// close once start-up is over.
bool TerminationRequested();
