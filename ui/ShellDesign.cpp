#include "ShellDesign.h"

#include <QAction>
#include <string>

#include "Log.h"
#include "TSettings.h"
#include "Tfrm_DebugToolbar.h"
#include "Tfrm_Main.h"
#include "Tfrm_SearchToolbar.h"
#include "Tfrm_StdToolbar.h"
#include "WindowLayout.h"

namespace {

struct TToolbarStage {
    TDockableToolbar* Toolbar;
    const TToolbarLayout& Layout;
    const char* Caption;
};

// Every toolbar goes into the top area, in front of those placed before it, so that the
// docked ones read standard, search, debug from the left. A floating one leaves it at once,
// and the user can drag it back.
void DockAtLeft(Tfrm_Main& frm, QToolBar* toolbar, QToolBar* leftmost) {
    if (leftmost)
        frm.insertToolBar(leftmost, toolbar);
    else
        frm.addToolBar(Qt::TopToolBarArea, toolbar);
}

std::string Quoted(const char* caption) { return std::string("\"") + caption + "\""; }

}  // namespace

void CreateToolbars(Tfrm_Main& frm, const TSettings& settings) {
    frm.frm_StdToolbar = new Tfrm_StdToolbar(frm, settings);
    frm.frm_SearchToolbar = new Tfrm_SearchToolbar(frm);
    frm.frm_DebugToolbar = new Tfrm_DebugToolbar(frm);
}

void RestoreShellDesign(Tfrm_Main& frm, const TSettings& settings) {
    ApplyWindowLayout(settings.MainWindow, frm);
    const TToolbarStage stages[] = {{frm.frm_DebugToolbar, settings.DebugToolbar, "Отладка"},
                                    {frm.frm_SearchToolbar, settings.SearchToolbar, "Поиск"},
                                    {frm.frm_StdToolbar, settings.StdToolbar, "Стандартная"}};
    QToolBar* leftmost = nullptr;
    for (const TToolbarStage& stage : stages) {
        WriteLog("Расположение панели инструментов " + Quoted(stage.Caption) + "...");
        DockAtLeft(frm, stage.Toolbar, leftmost);
        leftmost = stage.Toolbar;
        if (stage.Layout.Docked) {
            WriteLog("Dockable размещение.");
        } else {
            WriteLog("Плавающее размещение.");
            ApplyToolbarLayout(stage.Layout, *stage.Toolbar);
        }
    }
    for (const TToolbarStage& stage : stages) {
        if (stage.Layout.Visible) {
            stage.Toolbar->ToggleAction()->setChecked(false);
            stage.Toolbar->ToggleAction()->trigger();
        } else {
            WriteLog("Панели инструментов " + Quoted(stage.Caption) + " скрыта.");
        }
    }
    frm.frm_DebugToolbar->InitControlState(settings);
}
