#pragma once
// The start-up sequence of the viewer, from loading the settings to showing the main window.
class Tfrm_Main;

// Runs the steps between creating the hidden main window and the event loop: settings, log,
// controls, the start action and showing the window, each announced in the log.
void RunStartUpSequence(Tfrm_Main& frm);

// SIGTERM, SIGINT and SIGHUP close the main window the ordinary way (the settings are saved),
// as a desktop session ending expects. Call once, after the application object exists.
void CloseOnTerminationSignals(Tfrm_Main& frm);
