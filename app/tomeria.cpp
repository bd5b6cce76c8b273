// The viewer: one running copy per user, the start-up sequence, the event loop, an orderly end.
#include <QApplication>
#include <QMessageBox>
#include <iostream>

#include "AppLogo.h"
#include "BrowserLoad.h"
#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "Log.h"
#include "QtTranslations.h"
#include "SingleInstance.h"
#include "StartUp.h"
#include "Tfrm_Main.h"

namespace {
const char* const SecondCopyMessage = "Одна копия программы \"tomeria\" уже запущена!";
}

int main(int argc, char** argv) {
    RegisterBrowserSchemes();  // before the application object exists
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tomeria"));
    InstallQtTranslations(app);  // before the first browser: the engine takes the locale then
    InstallAppIcon();

    TSingleInstance instance("tomeria_by_orvald_kestin");
    if (!instance.TryAcquire()) {
        // Neither the settings nor the log are touched on this path.
        std::cerr << SecondCopyMessage << std::endl;
        QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), QString::fromUtf8(SecondCopyMessage));
        return 1;
    }

    InstallTerminationSignalHandlers();
    InitDefaultSettings(DefaultSettings);
    Settings = DefaultSettings;

    Tfrm_Main frm;  // created hidden; its pages go before the application object
    frm.hide();
    frm.InstallLogSink();
    frm.InstallLayoutCapture();
    WriteLog("Загруженных копии нет.");

    bool closed = false;
    QObject::connect(&frm, &Tfrm_Main::Closed, &app, [&] {
        closed = true;
        QApplication::quit();
    });

    int rc = 0;
    try {
        RunStartUpSequence(frm);
        WriteLog("Application.Run");
        CloseOnTerminationSignals(frm);
        if (!closed)  // the window may have been closed while the start document opened
            rc = app.exec();
    } catch (const std::exception& e) {
        ReportError(QString::fromUtf8(e.what()));
        rc = 1;
    }
    instance.Release();
    try {
        CloseLog(Settings);
    } catch (...) {
    }
    return rc;
}
