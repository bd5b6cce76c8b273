#include "Tfrm_SearchToolbar.h"

#include <QAction>

#include "Log.h"
#include "Tfrm_Main.h"

Tfrm_SearchToolbar::Tfrm_SearchToolbar(Tfrm_Main& frm)
    : TDockableToolbar(QString::fromUtf8("Поиск"), QStringLiteral("tb_SearchToolbar"), frm.act_ViewShowSearchToolbar,
                       frm) {
    WriteLog("Создание панели инструментов \"Поиск\"...");
    AddButton(frm.act_SearchFind, "tlbt_SearchFind");
    AddButton(frm.act_SearchFindNext, "tlbt_SearchFindNext");
    addSeparator();
    AddButton(frm.act_SearchGo, "tlbt_SearchGo");
    WriteLog("Панель инструментов \"Поиск\" создана.");
}
