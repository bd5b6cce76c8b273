// The settings command: the settings dialog on a copy of the settings in force, and what the
// program takes over when the dialog is accepted.
#include <QAction>

#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "Log.h"
#include "Tfrm_DebugToolbar.h"
#include "Tfrm_Main.h"
#include "Tfrm_Settings.h"

void Tfrm_Main::ConnectSettingsHandlers() {
    connect(act_ServiceSettings, &QAction::triggered, this, Guarded([this] { act_ServiceSettingsExecute(); }));
}

void Tfrm_Main::act_ServiceSettingsExecute() {
    Tfrm_Settings dialog(Settings, DefaultSettings, this);
    if (BeforeSettingsDialog) BeforeSettingsDialog(dialog);
    dialog.exec();
    if (dialog.AcceptedFlag() != 1) return;
    Settings = dialog.WorkingCopy();
    ReopenLog(Settings);
    if (frm_DebugToolbar) frm_DebugToolbar->InitControlState(Settings);
    InitControlState(Settings);
}
