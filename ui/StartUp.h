#pragma once
// The start-up sequence of the viewer, from loading the settings to showing the main window.
class Tfrm_Main;

#include <string>

// Runs the steps between creating the hidden main window and the event loop: settings, log,
// controls, the start action and showing the window, each announced in the log. A book named
// on the command line is opened in place of the start action.
void RunStartUpSequence(Tfrm_Main& frm, const std::string& commandLineDoc = {});

// SIGTERM, SIGINT and SIGHUP close the main window the ordinary way (the settings are saved),
// as a desktop session ending expects. Install the handlers early; a signal that arrives
// during start-up waits until CloseOnTerminationSignals is called, right before the event loop.
void InstallTerminationSignalHandlers();
void CloseOnTerminationSignals(Tfrm_Main& frm);
