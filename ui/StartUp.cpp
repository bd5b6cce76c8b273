#include "StartUp.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
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
#include "TBookSession.h"
#include "Tfrm_Main.h"
#include "Tfrm_SplashScreen.h"
#include "Tfrm_Welcome.h"

namespace {

bool StartingUp = false;
bool TerminationAsked = false;

// A transformation of the start action that runs longer than this shows the main window.
constexpr int ShowWhenBusyMs = 1000;

// The end of start-up, once the start document has been answered: the window shown, the
// splash gone, then what the caller does before its event loop. Meanwhile a long transformation
// shows the main window (only there do Escape and the close box reach it); a window closed
// meanwhile is not shown again and start-up ends with it.
class TStartUpEnd : public QObject {
public:
    TStartUpEnd(Tfrm_Main& frm, std::unique_ptr<Tfrm_SplashScreen> splash, std::function<void()> then)
        : QObject(&frm), Frm(frm), Splash(std::move(splash)), Then(std::move(then)) {
        Frm.installEventFilter(this);
        SlowTimer.setSingleShot(true);
        SlowTimer.setInterval(ShowWhenBusyMs);
        connect(&Frm.Session(), &TBookSession::BusyChanged, this, [this](bool busy) {
            if (busy) return SlowTimer.start();
            SlowTimer.stop();
            // From the event loop: a close that stopped the run is complete by then.
            QMetaObject::invokeMethod(this, &TStartUpEnd::Finish, Qt::QueuedConnection);
        });
        connect(&SlowTimer, &QTimer::timeout, this, [this] {
            if (Frm.isVisible() || Closed) return;
            WriteLog("Преобразование идёт долго: вывод главной формы до конца запуска.");
            Frm.show();
            Frm.raise();
            Frm.activateWindow();
        });
        connect(&Frm, &Tfrm_Main::Closed, this, [this] {
            Closed = true;
            SlowTimer.stop();
        });
    }

    // Waits for the start document when it is still being opened.
    void FinishWhenAnswered() {
        if (!Frm.Session().Busy()) Finish();
    }

private:
    bool eventFilter(QObject*, QEvent* event) override {
        // Gone as the window shows, before its show handler makes the first page: a page that
        // takes long would stay covered by a window that stays on top, and a click on that
        // window takes the keys from the main one, so Escape would no longer stop the page.
        if (event->type() == QEvent::Show) Splash.reset();  // gone, not hidden: a hidden window may keep the focus
        return false;
    }

    void Finish() {
        if (Finished || Frm.Session().Busy()) return;
        Finished = true;
        WriteLog("Вывод на экран главной формы.");
        if (!Closed) Frm.show();
        WriteLog("Уничтожение окна заставки.");
        Splash.reset();
        StartingUp = false;
        if (Then && !Closed) Then();
        deleteLater();
    }

    Tfrm_Main& Frm;
    std::unique_ptr<Tfrm_SplashScreen> Splash;
    std::function<void()> Then;
    QTimer SlowTimer;
    bool Closed = false;
    bool Finished = false;
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

void RunStartUpSequence(Tfrm_Main& frm, const std::string& commandLineDoc, std::function<void()> then) {
    StartingUp = true;
    TSettings& settings = frm.Settings;
    WriteLog("Считывание установок...");
    LoadSettings(settings, frm.DefaultSettings);
    OpenLog(settings);
    WriteLog(ProgramFoldersNote(settings));
    // Announced for the log's fixed start-up sequence; copying from the browser needs no set-up
    // of its own, the settings alone decide it (InitControlState).
    WriteLog("Инициализация OLE (Включение дополнительных свойств WebBrowser).");
    auto* end = new TStartUpEnd(frm, ShowSplashScreen(settings), std::move(then));  // owned by frm
    WriteLog("Инициализация элементов управления...");
    CreateToolbars(frm, settings);
    RestoreShellDesign(frm, settings);
    WriteLog("Элементы управления инициализированны.");
    WriteLog("Приложение инициализированно.");
    WriteLog("Запуск ядра...");
    // The welcome screen waits for the reader, who has already asked the program to end.
    if (settings.ShowWelcomeScreen && !TerminationRequested()) RunWelcomeScreen(frm);
    RunStartAction(frm, commandLineDoc);
    end->FinishWhenAnswered();
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
