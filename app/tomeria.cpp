// The viewer: one running copy per user, the start-up sequence, the event loop, an orderly end.
// "tomeria [DESCRIPTOR]" opens that book; while a copy runs, the book is handed to it.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <iostream>

#include "AppLogo.h"
#include "BrowserLoad.h"
#include "CaughtErrorText.h"
#include "DocumentArgument.h"
#include "EngineSwitches.h"
#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "Log.h"
#include "Notice.h"
#include "ProgramFolders.h"
#include "QtTranslations.h"
#include "SingleInstance.h"
#include "StartUp.h"
#include "TInstanceChannel.h"
#include "Tfrm_Main.h"

namespace {

const char* const SecondCopyMessage = "Одна копия программы \"tomeria\" уже запущена!";
const char* const Usage =
    "Использование: tomeria [ОПИСАТЕЛЬ]\n"
    "Открывает книгу по пути к её описателю (или по URI file://). Если программа\n"
    "уже запущена, книга открывается в её окне.\n";
constexpr int HandOverTimeoutMs = 20000;  // the running copy may still be starting

// The book of the command line; Given is false when there is none.
struct TCommandLine {
    bool Given = false;
    bool Help = false;
    TDocumentArgument Doc;
};

TCommandLine ReadCommandLine(const QStringList& arguments) {
    TCommandLine line;
    if (arguments.size() < 2) return line;
    const QString& first = arguments.at(1);
    if (first == QStringLiteral("--help") || first == QStringLiteral("-h")) {
        line.Help = true;
        return line;
    }
    line.Given = true;
    if (first.startsWith(QLatin1Char('-')))
        line.Doc.Error = "Неизвестный параметр \"" + first.toStdString() + "\". " + Usage;
    else
        line.Doc = ResolveDocumentArgument(first, QDir::currentPath());
    return line;
}

void ShowError(const std::string& message) {
    std::cerr << message << std::endl;
    QMessageBox::critical(nullptr, QStringLiteral("Ошибка"), QString::fromStdString(message));
}

}  // namespace

int main(int argc, char** argv) {
    ConfineBrowserEngine();    // before the application object exists
    EnableBrowserAccessibility();
    RegisterBrowserSchemes();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tomeria"));
    InstallQtTranslations(app);  // before the first browser: the engine takes the locale then
    InstallAppIcon();
    const TCommandLine commandLine = ReadCommandLine(QApplication::arguments());
    if (commandLine.Help) {
        std::cout << Usage;
        return 0;
    }

    TSingleInstance instance("tomeria_by_orvald_kestin");
    const bool lockFolder = instance.FolderError().empty();
    const QString socketPath =
        lockFolder ? InstanceSocketPath(QFile::decodeName(instance.LockPath().c_str())) : QString();
    if (!lockFolder) std::cerr << instance.FolderError() << std::endl;
    if (!instance.TryAcquire()) {
        // Neither the settings nor the log are touched on this path.
        if (commandLine.Given && !commandLine.Doc.Error.empty()) {
            ShowError(commandLine.Doc.Error);
            return 1;
        }
        if (commandLine.Given &&
            SendDocumentToRunningCopy(socketPath, QString::fromStdString(commandLine.Doc.Path), HandOverTimeoutMs))
            return 0;
        ShowError(SecondCopyMessage);
        return 1;
    }
    InstallTerminationSignalHandlers();
    TInstanceServer server(socketPath);
    const bool listening = lockFolder && server.Listen();

    InitDefaultSettings(DefaultSettings);
    ApplyProgramFolders(DefaultSettings, IsFolderWritable(DefaultSettings.ProgramDir), UserFoldersFromEnvironment());
    Settings = DefaultSettings;

    Tfrm_Main frm(Settings, DefaultSettings, BookInfo);  // created hidden; its pages go before the application object
    frm.hide();
    frm.InstallLogSink();
    frm.InstallLayoutCapture();
    WriteLog("Загруженных копии нет.");

    bool closed = false;
    QObject::connect(&frm, &Tfrm_Main::Closed, &app, [&] {
        closed = true;
        QApplication::quit();
    });
    // Books handed over during start-up wait until the window is up.
    std::vector<std::string> handedOver;
    bool ready = false;
    QObject::connect(&server, &TInstanceServer::DocumentReceived, &frm, [&](const QString& path) {
        if (!ready) {
            handedOver.push_back(path.toStdString());
            return;
        }
        RunGuarded([&] { frm.OpenHandedOverBook(path.toStdString()); });
    });

    int rc = 0;
    // Watched from the start: a signal during start-up, its welcome screen included, ends it too.
    CloseOnTerminationSignals(frm);
    try {
        // What follows start-up runs once the start document has been answered.
        RunStartUpSequence(frm, commandLine.Doc.Path, [&] {
            RunGuarded([&] {
                if (!lockFolder)
                    ShowNotice(&frm, QString::fromStdString(instance.FolderError()));  // logged there too
                else if (!listening)
                    WriteLog("Передача книг от других копий недоступна: " + server.ErrorText().toStdString(),
                             TLogLevel::Error);
                if (!commandLine.Doc.Error.empty()) {
                    std::cerr << commandLine.Doc.Error << std::endl;
                    ShowNotice(&frm, QString::fromStdString(commandLine.Doc.Error));
                }
                ready = true;
                for (const std::string& path : handedOver)
                    if (!closed) frm.OpenHandedOverBook(path);  // it would show the window again
                WriteLog("Application.Run");
                if (TerminationRequested()) frm.close();
            });
        });
        if (!closed)  // the window may have been closed while the start document opened
            rc = app.exec();
    } catch (const std::exception& e) {
        ReportError(QString::fromUtf8(e.what()));
        rc = 1;
    }
    instance.Release();
    try {
        CloseLog();
    } catch (...) {
        // The log itself is gone; the cause goes where the program's other last words go.
        std::cerr << "tomeria: " << CaughtErrorText() << std::endl;
    }
    return rc;
}
