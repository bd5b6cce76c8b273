#include "StartUp.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "ErrorGuard.h"
#include "Transformation.h"
#include "Log.h"
#include "ProgramFolders.h"
#include "SettingsFile.h"
#include "ShellDesign.h"
#include "Tfrm_Main.h"
#include "Tfrm_SplashScreen.h"
#include "Tfrm_Welcome.h"

namespace {

bool StartingUp = false;
bool TerminationAsked = false;

// Takes the splash away as the main window is shown, before its show handler makes the first
// page: a page that takes long would stay covered by a window that stays on top, and a click
// on that window takes the keys from the main one, so Escape would no longer stop the page.
class TSplashUntilShown : public QObject {
public:
    TSplashUntilShown(Tfrm_Main& frm, std::unique_ptr<Tfrm_SplashScreen>& splash) : Splash(splash) {
        frm.installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) Splash.reset();  // gone, not hidden: a hidden window may keep the focus
        return false;
    }

private:
    std::unique_ptr<Tfrm_SplashScreen>& Splash;
};

std::unique_ptr<Tfrm_SplashScreen> ShowSplashScreen(const TSettings& settings) {
    if (!settings.ShowSplashScreen) return nullptr;
    WriteLog("Создание окна заставки.");
    auto splash = std::make_unique<Tfrm_SplashScreen>();
    WriteLog("Вывод окна заставки.");
    splash->ShowNow();
    return splash;
}

void RunWelcomeScreen(Tfrm_Main& frm) {
    WriteLog("Создание экрана приветствия.");
    Tfrm_Welcome welcome;
    WriteLog("Вывод экрана приветствия.");
    welcome.exec();
    if (welcome.ResultCode() == Tfrm_Welcome::ResultSettings) {
        WriteLog("Вызов диалога установок из экрана приветствия.");
        frm.act_ServiceSettings->trigger();
    }
    WriteLog("Уничтожение экрана приветствия.");
}

void RunStartAction(Tfrm_Main& frm, const std::string& commandLineDoc) {
    const TSettings& settings = frm.Settings;
    WriteLog("Выполнение операции \"Действие при запуске\"...");
    if (!commandLineDoc.empty()) {
        WriteLog("Документ из командной строки: " + commandLineDoc);
        RunGuarded([&] { frm.OpenBook(commandLineDoc); });
    } else if (settings.OnStartAction == 2) {
        WriteLog("Действие при запуске: открытие последнего документа.");
        if (settings.LastDocs && !settings.LastDocs->empty()) {
            WriteLog("Документ: " + settings.LastDocs->front());
            RunGuarded([&] { frm.mnu_FileOpenLastDoc_01Click(0); });
        }
    } else if (settings.OnStartAction == 1) {
        WriteLog("Действие при запуске: открытие документа.");
        WriteLog("Документ: " + settings.OnStartDoc);
        // A broken start document is reported; the program still starts.
        RunGuarded([&] { frm.OpenBook(settings.OnStartDoc); });
    }
}

}  // namespace

void RunStartUpSequence(Tfrm_Main& frm, const std::string& commandLineDoc) {
    StartingUp = true;
    TSettings& settings = frm.Settings;
    WriteLog("Считывание установок...");
    LoadSettings(settings, frm.DefaultSettings);
    OpenLog(settings);
    WriteLog(ProgramFoldersNote(settings));
    // Announced for the log's fixed start-up sequence; copying from the browser needs no set-up
    // of its own, the settings alone decide it (InitControlState).
    WriteLog("Инициализация OLE (Включение дополнительных свойств WebBrowser).");
    std::unique_ptr<Tfrm_SplashScreen> splash = ShowSplashScreen(settings);
    const TSplashUntilShown splashUntilShown(frm, splash);
    WriteLog("Инициализация элементов управления...");
    CreateToolbars(frm, settings);
    RestoreShellDesign(frm, settings);
    WriteLog("Элементы управления инициализированны.");
    WriteLog("Приложение инициализированно.");
    WriteLog("Запуск ядра...");
    // The welcome screen waits for the reader, who has already asked the program to end.
    if (settings.ShowWelcomeScreen && !TerminationRequested()) RunWelcomeScreen(frm);
    // The start document is asked for; its contents and first page come once the window shows.
    RunStartAction(frm, commandLineDoc);
    WriteLog("Вывод на экран главной формы.");
    frm.show();
    WriteLog("Уничтожение окна заставки.");
    splash.reset();
    StartingUp = false;
}

namespace {
int SignalPipe[2] = {-1, -1};

// Only tells the window, which stops what runs and closes.
void OnTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(SignalPipe[1], &byte, 1);
}
}  // namespace

void InstallTerminationSignalHandlers() {
    if (SignalPipe[0] >= 0 || ::pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void CloseOnTerminationSignals(Tfrm_Main& frm) {
    if (SignalPipe[0] < 0) return;
    auto* notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, &frm);
    QObject::connect(notifier, &QSocketNotifier::activated, &frm, [&frm] {
        char buffer[16];
        while (::read(SignalPipe[0], buffer, sizeof buffer) > 0) {
        }
        TerminationAsked = true;
        // A modal dialog (the welcome screen, for one) runs a loop of its own that closing the
        // main window would not end.
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window != &frm && window->isVisible() && window->isModal()) window->close();
        frm.AbandonTransformations();
        // During start-up the window closes once start-up is over (see TerminationRequested).
        if (!StartingUp) frm.close();
    });
}

bool TerminationRequested() { return TerminationAsked; }
