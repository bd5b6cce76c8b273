// View commands (text size, full screen, debug pane, contents pane) and the browser commands.
#include <QAction>
#include <QFrame>
#include <QScreen>
#include <QScopeGuard>
#include <QSplitter>
#include <algorithm>

#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "TWebBrowser.h"
#include "Tfrm_Main.h"

void Tfrm_Main::ConnectViewHandlers() {
    const std::pair<QAction*, uint8_t> sizes[] = {{act_ViewFontSizeVerySmall, 0},
                                                  {act_ViewFontSizeSmall, 1},
                                                  {act_ViewFontSizeMedium, 2},
                                                  {act_ViewFontSizeBig, 3},
                                                  {act_ViewFontSizeVeryBig, 4}};
    for (auto [action, size] : sizes)
        connect(action, &QAction::triggered, this, Guarded([this, size] { FontSizeExecute(size); }));
    connect(act_ViewShowFullScreen, &QAction::triggered, this, Guarded([this] { act_ViewShowFullScreenExecute(); }));
    connect(act_ViewShowDebugWin, &QAction::triggered, this, Guarded([this] { act_ViewShowDebugWinExecute(); }));

    // Browser commands: without a page they do nothing; a failure is logged, nothing is shown.
    connect(act_EditCopy, &QAction::triggered, this, [this] {
        if (wb_Browser->HasDocument()) wb_Browser->ExecCopy();
    });
    connect(act_EditSelectAll, &QAction::triggered, this, [this] {
        if (wb_Browser->HasDocument()) wb_Browser->ExecSelectAll();
    });
    connect(act_FilePrint, &QAction::triggered, this, [this] {
        RunLogged([this] {
            if (wb_Browser->HasDocument()) wb_Browser->ExecPrint();
        });
    });
    connect(act_FileExport, &QAction::triggered, this, [this] {
        RunLogged([this] {
            if (wb_Browser->HasDocument()) wb_Browser->ExecSaveAs();
        });
    });
}

QAction* Tfrm_Main::FontSizeAction(uint8_t size) const {
    switch (size) {
        case 1: return act_ViewFontSizeSmall;
        case 2: return act_ViewFontSizeMedium;
        case 3: return act_ViewFontSizeBig;
        case 4: return act_ViewFontSizeVeryBig;
        default: return act_ViewFontSizeVerySmall;
    }
}

void Tfrm_Main::FontSizeExecute(uint8_t size) {
    FontSizeAction(size)->setChecked(true);
    Settings.BrowserFontSize = size;
    // With no page yet the stored size is applied to the next page.
    if (wb_Browser->HasDocument()) wb_Browser->ExecZoom(size);
}

void Tfrm_Main::ApplyBrowserFontSize(const TSettings& settings) { FontSizeAction(settings.BrowserFontSize)->trigger(); }

void Tfrm_Main::act_ViewShowFullScreenExecute() {
    // The action is checkable: its flag has already been flipped to the new mode.
    const bool enter = act_ViewShowFullScreen->isChecked();
    SwitchingFullScreen = true;  // the window is hidden and shown again: no show handler
    const auto restore = qScopeGuard([this] { SwitchingFullScreen = false; });
    const Qt::WindowFlags fullScreenFlags = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    if (enter) {
        SavedBounds = geometry();
        setWindowState(Qt::WindowNoState);
        setWindowFlags(windowFlags() | fullScreenFlags);
        setGeometry(screen()->geometry());
    } else {
        setGeometry(SavedBounds);
        setWindowFlags(windowFlags() & ~fullScreenFlags);
        setWindowState(Qt::WindowNoState);
        setGeometry(SavedBounds);
    }
    show();
}

void Tfrm_Main::act_ViewShowDebugWinExecute() { DebugWindowOnOff(act_ViewShowDebugWin->isChecked()); }

void Tfrm_Main::DebugWindowOnOff(bool on) {
    // The pane sits below its splitter and above the status bar in every state.
    pnl_Debug->setVisible(on);
    if (splt_Horizontal_01->count() > 1) splt_Horizontal_01->handle(1)->setEnabled(on);
}

void Tfrm_Main::splt_Vertical_01Click() {
    const QList<int> sizes = splt_Vertical_01->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    const int minimum = pnl_TOC->minimumWidth();
    int width = minimum;
    if (sizes.value(0) <= minimum) {
        width = std::max(CollapsedWidth, minimum);
    } else {
        CollapsedWidth = sizes.value(0);
    }
    splt_Vertical_01->setSizes({width, total - width});
}
