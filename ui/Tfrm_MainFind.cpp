// Find and find next over the focused control: the page, the contents or the debug pane.
#include <QAction>
#include <QInputDialog>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QWebEngineView>

#include "ErrorGuard.h"
#include "TWebBrowser.h"
#include "Tfrm_Main.h"

void Tfrm_Main::ConnectFindHandlers() {
    connect(act_SearchFind, &QAction::triggered, this, Guarded([this] { act_SearchFindExecute(); }));
    connect(act_SearchFindNext, &QAction::triggered, this, Guarded([this] { act_SearchFindNextExecute(); }));
}

void Tfrm_Main::act_SearchFindExecute() {
    // The control to search is the one that had the focus before the dialog took it.
    QWidget* target = CurrentFocused;
    bool ok = true;
    const QString text = FindTextDialog ? FindTextDialog(LastFindText)
                                        : QInputDialog::getText(this, QStringLiteral("Найти"), QStringLiteral("Текст:"),
                                                                QLineEdit::Normal, LastFindText, &ok);
    if (!ok || text.isEmpty()) return;
    LastFindText = text;
    FindIn(target, text);
}

void Tfrm_Main::act_SearchFindNextExecute() {
    if (LastFindText.isEmpty())
        act_SearchFindExecute();
    else
        FindIn(CurrentFocused, LastFindText);
}

void Tfrm_Main::FindIn(QWidget* control, const QString& text) {
    if (control == me_DebugWindow) {
        // From the caret on, then once more from the top.
        if (!me_DebugWindow->find(text)) {
            me_DebugWindow->moveCursor(QTextCursor::Start);
            me_DebugWindow->find(text);
        }
        return;
    }
    if (control == tv_TOC) {
        const QList<QTreeWidgetItem*> found =
            tv_TOC->findItems(text, Qt::MatchContains | Qt::MatchRecursive | Qt::MatchWrap);
        if (found.isEmpty()) return;
        const qsizetype at = found.indexOf(tv_TOC->currentItem());
        tv_TOC->setCurrentItem(found.at(at < 0 ? 0 : (at + 1) % found.size()));
        return;
    }
    // The page: the engine highlights the next match and wraps at the end.
    wb_Browser->View()->findText(text);
}
