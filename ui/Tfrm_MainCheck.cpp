// "Проверить книгу": the check of the open book runs in the session, off the window's thread;
// its window shows the progress and the problems, and a problem leads to its part and place.
#include <QAction>

#include "ErrorGuard.h"
#include "Log.h"
#include "ServiceActions.h"
#include "TBookSession.h"
#include "Tfrm_BookCheck.h"
#include "Tfrm_Main.h"

void Tfrm_Main::ConnectCheckHandlers() {
    connect(act_ServiceCheckBook, &QAction::triggered, this, Guarded([this] { act_ServiceCheckBookExecute(); }));
    connect(BookSession, &TBookSession::CheckProgress, this, [this](int done, int total) {
        if (CheckWindow) CheckWindow->Progress(done, total);
    });
    connect(BookSession, &TBookSession::CheckEnded, this, [this](const TBookCheckReport& report) {
        if (CheckWindow) CheckWindow->Ended(report);
    });
}

void Tfrm_Main::act_ServiceCheckBookExecute() {
    if (!CheckWindow) {
        CheckWindow = std::make_unique<Tfrm_BookCheck>(this);
        CheckWindow->OnStop = [this] { BookSession->StopCheck(); };
        CheckWindow->OnShowProblem = [this](const TCheckProblem& problem) {
            RunGuarded([&] { ShowCheckProblem(problem); });
        };
    }
    CheckWindow->Started();
    CheckWindow->show();
    CheckWindow->raise();
    BookSession->CheckBook();
}

// The part a problem concerns is shown; a problem in a file is written to the log with its
// place, for the author to go there.
void Tfrm_Main::ShowCheckProblem(const TCheckProblem& problem) {
    if (!problem.File.empty()) {
        WriteLog(problem.Printable(), TLogLevel::Warning);
        if (!act_ViewShowDebugWin->isChecked()) act_ViewShowDebugWin->trigger();
    }
    if (!problem.PartId.empty()) ShowBookPart(CutDivId(problem.PartId), BookInfo, Settings);
}
