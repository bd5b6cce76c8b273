#include "Tfrm_StdToolbar.h"

#include <QAction>

#include "Log.h"
#include "TSettings.h"
#include "Tfrm_Main.h"

Tfrm_StdToolbar::Tfrm_StdToolbar(Tfrm_Main& frm, const TSettings& settings)
    : TDockableToolbar(QString::fromUtf8("Стандартная"), QStringLiteral("tb_StdToolbar"), frm.act_ViewShowStdToolbar,
                       frm) {
    WriteLog("Создание панели инструментов \"Стандартная\"...");
    if (settings.AllowCopyFromBrowser) frm.act_EditCopy->setEnabled(true);
    AddButton(frm.act_FileOpen, "tlbt_FileOpen");
    AddButton(frm.act_FileCloseBook, "tlbt_FileCloseBook");
    AddButton(frm.act_FileShowList, "tlbt_FileShowList");
    addSeparator();
    AddButton(frm.act_FilePrint, "tlbt_FilePrint");
    addSeparator();
    AddButton(frm.act_EditCopy, "tlbt_EditCopy");
    AddButton(frm.act_EditSelectAll, "tlbt_EditSelectAll");
    addSeparator();
    AddButton(frm.act_ViewShowFullScreen, "tlbt_ViewShowFullScreen");
    addSeparator();
    AddButton(frm.act_ServiceSettings, "tlbt_ServiceSettings");
    addSeparator();
    // Named after help search, bound to the help contents.
    AddButton(frm.act_HelpContents, "tlbt_HelpTopicSearch");
    addSeparator();
    AddButton(frm.act_GoBack, "tlbt_GoBack");
    AddButton(frm.act_GoForward, "tlbt_GoForward");
    WriteLog("Панель инструментов \"Стандартная\" создана.");
}
