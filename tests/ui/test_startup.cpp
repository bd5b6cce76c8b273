// Start-up: the real program in a folder of its own (one copy per user, the start-up script,
// settings saved on exit), and the start-up sequence in this process (the debug pane).
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "SingleInstance.h"
#include "StartUp.h"
#include "TBookSession.h"
#include "WindowLayout.h"
#include "mainwindow_test_util.h"
#include "modal_test_util.h"

namespace {

constexpr int ProcessWaitMs = 60000;
const QString SecondCopyMessage = QStringLiteral("Одна копия программы \"tomeria\" уже запущена!");

void CopyDataFolder(const QString& programDir) {
    std::filesystem::copy(TOMERIA_BINARY_DIR "/data", (programDir + "/data").toStdString(),
                          std::filesystem::copy_options::recursive);
}

// Starts the records of a run whose program folder is programDir and whose settings file holds
// the given [ControlState] lines.
void StartRecordsIn(const QString& programDir, const QByteArray& controlState) {
    WriteTextFile(programDir + "/tomeria.ini", "[ControlState]\n" + controlState);
    InitDefaultSettings(DefaultSettings, programDir.toStdString());
    Settings = DefaultSettings;
    BookInfo = TBookInfo{};
}

// The lines of text, in order, each found after the one before.
bool InOrder(const QString& text, const QStringList& lines, QString* missing) {
    qsizetype at = 0;
    for (const QString& line : lines) {
        const qsizetype found = text.indexOf(line, at);
        if (found < 0) {
            *missing = line;
            return false;
        }
        at = found + line.size();
    }
    return true;
}

// User and system time a process has used so far, from /proc.
double CpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return 0;
    const QByteArray text = stat.readAll();
    // The fields after the command name, which ends with the last ')': utime and stime are the
    // 12th and 13th of them.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return 0;
    return (fields[11].toDouble() + fields[12].toDouble()) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The program copied into a folder of its own, with its own lock folder.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        Program = Dir.path() + "/tomeria";
        ASSERT_TRUE(CopyProgram(Dir.path()));
        CopyDataFolder(Dir.path());
        ASSERT_TRUE(QDir().mkpath(Dir.path() + "/runtime"));
    }
    void TearDown() override {
        for (auto& p : Processes) {
            p->kill();
            p->waitForFinished(ProcessWaitMs);
        }
    }

    QProcess& Start(const QStringList& arguments = {}, const std::function<void(QProcessEnvironment&)>& adjust = {}) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", Dir.path() + "/runtime");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (adjust) adjust(env);
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(Dir.path());
        process->start(Program, arguments);
        EXPECT_TRUE(process->waitForStarted(ProcessWaitMs));
        Processes.push_back(std::move(process));
        return *Processes.back();
    }

    // The kernel's lock table shows a flock on the lock file held by pid.
    bool LockHeldBy(qint64 pid) const {
        struct stat st {};
        const QByteArray lock = (Dir.path() + "/runtime/tomeria_by_orvald_kestin").toLocal8Bit();
        if (::stat(lock.constData(), &st) != 0) return false;
        QFile locks("/proc/locks");
        if (!locks.open(QIODevice::ReadOnly)) return false;
        const QByteArray inode = ":" + QByteArray::number(qulonglong(st.st_ino)) + " ";
        for (const QByteArray& line : locks.readAll().split('\n'))
            if (line.contains("FLOCK") && line.contains(" " + QByteArray::number(pid) + " ") && line.contains(inode))
                return true;
        return false;
    }
    bool WaitLockHeldBy(QProcess& p) {
        return WaitFor([&] { return LockHeldBy(p.processId()) || p.state() != QProcess::Running; }, ProcessWaitMs) &&
               p.state() == QProcess::Running;
    }
    QString ReadFile(const QString& relative) const {
        QFile file(Dir.path() + "/" + relative);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir Dir;
    QString Program;
    std::vector<std::unique_ptr<QProcess>> Processes;
};

TEST_F(ProgramTest, SecondCopyIsRefusedWhileTheFirstRunsAndACopyAfterItsDeathStarts) {
    WriteTextFile(Dir.path() + "/tomeria.ini",
                  "[ControlState]\nWriteLogToFile=1\nKeepControlState=1\nBrowserFontSize=3\nShowWelcomeScreen=0\n");
    QProcess& first = Start();
    ASSERT_TRUE(WaitLockHeldBy(first));

    QProcess& second = Start();
    QByteArray refusal;
    EXPECT_TRUE(WaitFor(
        [&] {
            refusal += second.readAllStandardError();
            return refusal.contains(SecondCopyMessage.toUtf8());
        },
        ProcessWaitMs));
    second.kill();  // its error box waits for a click that never comes
    second.waitForFinished(ProcessWaitMs);
    EXPECT_EQ(first.state(), QProcess::Running);

    // The first copy dies without releasing anything; the next copy starts normally.
    first.kill();
    ASSERT_TRUE(first.waitForFinished(ProcessWaitMs));
    QFile::remove(Dir.path() + "/logs/tomeria.log");
    QProcess& third = Start();
    ASSERT_TRUE(WaitLockHeldBy(third));
    // Closes the window the ordinary way once start-up is done; no page is made after the
    // signal, so whether the first page is made depends on when the signal arrives.
    third.terminate();
    ASSERT_TRUE(third.waitForFinished(ProcessWaitMs));
    EXPECT_EQ(third.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(third.exitCode(), 0);
    EXPECT_FALSE(third.readAllStandardError().contains(SecondCopyMessage.toUtf8()));

    const QString log = ReadFile("logs/tomeria.log");
    QString missing;
    EXPECT_TRUE(InOrder(log,
                        {"LogFile is opened", "Инициализация OLE (Включение дополнительных свойств WebBrowser).",
                         "Инициализация элементов управления...", "Элементы управления инициализированны.",
                         "Приложение инициализированно.", "Запуск ядра...",
                         "Выполнение операции \"Действие при запуске\"...", "Действие при запуске: открытие документа.",
                         "Документ: data\\intro.ini", "Проверка целостности завершена удачно.",
                         "Формирование оглавления завершено.", "Вывод на экран главной формы.", "*** show mainform",
                         "Уничтожение окна заставки.", "Application.Run", "*** close mainform"},
                        &missing))
        << "missing or out of order: " << missing.toStdString() << "\n"
        << log.toStdString();
    const QString ini = ReadFile("tomeria.ini");
    EXPECT_TRUE(ini.contains("BrowserFontSize=3"));
    EXPECT_TRUE(ini.contains("[MainWindow]"));
}

// Without $XDG_RUNTIME_DIR, a lock folder in the temporary folder that others may write into
// (made there first by someone else) is not used: the program says so and starts without it.
TEST_F(ProgramTest, ASquattedLockFolderIsRefusedWithAMessage) {
    WriteTextFile(Dir.path() + "/tomeria.ini", "[ControlState]\nWriteLogToFile=1\nShowWelcomeScreen=0\n");
    const QString squatted = Dir.path() + "/tmp/tomeria-" + QString::number(::getuid());
    ASSERT_TRUE(QDir().mkpath(squatted));
    ASSERT_EQ(::chmod(QFile::encodeName(squatted).constData(), 0777), 0);
    QProcess& program = Start({}, [&](QProcessEnvironment& env) {
        env.remove("XDG_RUNTIME_DIR");
        env.insert("TMPDIR", Dir.path() + "/tmp");
    });
    QByteArray err;
    ASSERT_TRUE(WaitFor(
        [&] {
            err += program.readAllStandardError();
            return err.contains(QFile::encodeName(squatted)) && ReadFile("logs/tomeria.log").contains(squatted);
        },
        ProcessWaitMs))
        << err.toStdString();
    EXPECT_TRUE(err.contains("0777"));
    EXPECT_TRUE(QDir(squatted).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).isEmpty())
        << "nothing is made in it";
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(ProcessWaitMs));
    EXPECT_EQ(program.exitCode(), 0);
}

// The lock in this process: a second open of the lock file is refused like a second copy.
// The welcome screen is modal and waits for the reader; a signal during start-up, before or
// while it is shown, still ends the program with the settings saved.
TEST_F(ProgramTest, TerminationDuringStartUpEndsTheProgramWithTheSettingsSaved) {
    WriteTextFile(Dir.path() + "/tomeria.ini",
                  "[ControlState]\nWriteLogToFile=1\nKeepControlState=1\nBrowserFontSize=1\nShowWelcomeScreen=1\n");
    QProcess& program = Start();
    ASSERT_TRUE(WaitLockHeldBy(program));
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(ProcessWaitMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(ReadFile("logs/tomeria.log").contains("*** close mainform"));
    const QString ini = ReadFile("tomeria.ini");
    EXPECT_TRUE(ini.contains("BrowserFontSize=1"));
    EXPECT_TRUE(ini.contains("[MainWindow]"));  // written by the save at the end, not by the test
}

TEST_F(ProgramTest, TerminationStopsATransformationThatNeverEnds) {
    WriteTextFile(Dir.path() + "/tomeria.ini",
                  "[ControlState]\nWriteLogToFile=1\nKeepControlState=1\nBrowserFontSize=1\nShowWelcomeScreen=0\n");
    const QByteArray loop = "<xsl:for-each select=\"//node()\">";
    TFixtureBook book(FixtureMenu, R"(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:template match="/"><html><body>)" +
                                       loop + loop + loop + loop +
                                       R"(<xsl:if test="count(//node()) &lt; 0">x</xsl:if>)" +
                                       "</xsl:for-each></xsl:for-each></xsl:for-each></xsl:for-each>" +
                                       "</body></html></xsl:template></xsl:stylesheet>");
    QByteArray xml = "<book>";
    for (int i = 0; i < 300; ++i)
        xml += "<t id=\"a\">" + QByteArray::number(i) + "</t>";
    WriteTextFile(book.Path("data/book.xml"), xml + "</book>");
    QProcess& program = Start({QString::fromStdString(book.Descriptor())});
    // Start-up takes well under three seconds of processor time; past that the page is being made.
    ASSERT_TRUE(WaitFor([&] { return CpuSeconds(program.processId()) > 3.0; }, ProcessWaitMs));
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(ProcessWaitMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(ReadFile("logs/tomeria.log").contains("*** close mainform"));
    EXPECT_TRUE(ReadFile("tomeria.ini").contains("[MainWindow]"));
}

// The place in a book outlives the program: recorded when SIGTERM ends it, restored by the
// next start, and recorded again at the next end.
TEST_F(ProgramTest, ABookReopensAtItsPlaceAfterARestartAndSIGTERM) {
    WriteTextFile(Dir.path() + "/tomeria.ini", "[ControlState]\nWriteLogToFile=1\nShowWelcomeScreen=0\n");
    TFixtureBook book;
    const QString descriptor = QString::fromStdString(book.Descriptor());
    const auto runUntil = [&](const QString& logLine) {
        QProcess& program = Start({descriptor});
        EXPECT_TRUE(WaitFor([&] { return ReadFile("logs/tomeria.log").contains(logLine); }, ProcessWaitMs))
            << ReadFile("logs/tomeria.log").toStdString();
        program.terminate();
        EXPECT_TRUE(program.waitForFinished(ProcessWaitMs));
        EXPECT_EQ(program.exitCode(), 0);
    };
    runUntil("Part A|a");  // the first entry, selected by the window
    QString places = ReadFile("places.json");
    ASSERT_TRUE(places.contains("\"part\":\"a\"")) << places.toStdString();

    // As if the reader had gone on to "b" and down its page.
    QFile file(Dir.path() + "/places.json");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(places.replace("\"part\":\"a\"", "\"part\":\"b\"").replace("\"scroll\":0", "\"scroll\":40").toUtf8());
    file.close();
    QFile::remove(Dir.path() + "/logs/tomeria.log");
    runUntil("Восстановлено место чтения: раздел b, прокрутка 40.");
    EXPECT_TRUE(ReadFile("places.json").contains("\"part\":\"b\"")) << ReadFile("places.json").toStdString();
}

TEST(SingleInstance, LockIsHeldUntilReleasedAndAnUnusableFolderLetsTheCopyThrough) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    {
        TSingleInstance first("tomeria_test_lock");
        TSingleInstance second("tomeria_test_lock");
        EXPECT_EQ(first.LockPath(), (dir.path() + "/tomeria_test_lock").toStdString());
        EXPECT_TRUE(first.TryAcquire());
        EXPECT_FALSE(second.TryAcquire());
        first.Release();
        EXPECT_TRUE(second.TryAcquire());
    }
    // A lock that cannot even be created is no other copy.
    qputenv("XDG_RUNTIME_DIR", (dir.path() + "/missing/folder").toLocal8Bit());
    TSingleInstance nowhere("tomeria_test_lock");
    EXPECT_TRUE(nowhere.TryAcquire());
    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
}

// The sequence in this process, to look at the debug pane.
TEST(StartUpSequence, DebugPaneShowsTheStartUpScriptAndTheFirstPage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CopyDataFolder(dir.path());
    InitDefaultSettings(DefaultSettings, dir.path().toStdString());
    Settings = DefaultSettings;
    BookInfo = TBookInfo{};
    QStringList errors;
    SetErrorReporter([&](const QString& message) { errors << message; });
    Tfrm_Main frm(Settings, DefaultSettings, BookInfo);
    frm.hide();
    frm.InstallLogSink();
    // The defaults greet with the welcome dialog; Escape leaves it.
    EXPECT_TRUE(RunWithModal([&] { StartUpAndWait(frm); },
                             [](QWidget& welcome) { QTest::keyClick(&welcome, Qt::Key_Escape); }));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frm));
    ASSERT_GT(frm.tv_TOC->topLevelItemCount(), 0);
    const QString first = frm.tv_TOC->topLevelItem(0)->text(0);
    EXPECT_TRUE(
        WaitFor([&] { return !frm.wb_Browser->Busy() && BodyText(*frm.wb_Browser).contains(first); }, EngineWaitMs));

    const QString prefix =
        "{type: INFO, code: 0} [" + QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) + "] ";
    const QString pane = frm.me_DebugWindow->toPlainText();
    EXPECT_TRUE(pane.startsWith(prefix + "Считывание установок..."));
    QString missing;
    EXPECT_TRUE(
        InOrder(pane,
                {prefix + "Opening LogFile", prefix + "Инициализация элементов управления...",
                 prefix + "Выполнение операции \"Действие при запуске\"...", prefix + "Документ: data\\intro.ini",
                 prefix + "Вывод на экран главной формы.", prefix + "*** show mainform", prefix + first + "|"},
                &missing))
        << missing.toStdString();
    EXPECT_TRUE(frm.act_ServiceDebugLevelInfo->isChecked());
    EXPECT_TRUE(errors.isEmpty());
    SetErrorReporter(nullptr);
    InitDefaultSettings(DefaultSettings, TOMERIA_BINARY_DIR);
}

// A debug pane saved hidden starts hidden, and the next save keeps it so; copying from the
// browser is on when the settings allow it.
TEST(StartUpSequence, DebugPaneAndCopyStartAsSaved) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    WriteTextFile(dir.path() + "/tomeria.ini",
                  "[ControlState]\nOnStartAction=0\nAllowCopyFromBrowser=1\nShowWelcomeScreen=0\n"
                  "[DebugWindow]\nVisible=0\n");
    InitDefaultSettings(DefaultSettings, dir.path().toStdString());
    Settings = DefaultSettings;
    BookInfo = TBookInfo{};
    {
        Tfrm_Main frm(Settings, DefaultSettings, BookInfo);
        frm.hide();
        frm.InstallLayoutCapture();
        ASSERT_TRUE(StartUpAndWait(frm));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frm));
        EXPECT_FALSE(frm.pnl_Debug->isVisible());
        EXPECT_FALSE(frm.act_ViewShowDebugWin->isChecked());
        TSettings saved = Settings;
        CaptureMainWindowLayouts(saved, frm);
        EXPECT_FALSE(saved.DebugWindow.Visible);
        EXPECT_TRUE(frm.act_EditCopy->isEnabled());
    }
    InitDefaultSettings(DefaultSettings, TOMERIA_BINARY_DIR);
}

// A start document that cannot be opened says why in the pane, as from the menu: the window's
// first show does not wipe the failure page.
TEST(StartUpSequence, StartDocumentWithoutItsBookXmlShowsWhy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TFixtureBook book;
    QFile::remove(book.Path("data/book.xml"));
    StartRecordsIn(dir.path(), "OnStartAction=1\nShowSplashScreen=0\nShowWelcomeScreen=0\nOnStartDoc=" +
                                   QByteArray::fromStdString(book.Descriptor()) + "\n");
    {
        Tfrm_Main frm(Settings, DefaultSettings, BookInfo);
        frm.hide();
        ASSERT_TRUE(StartUpAndWait(frm));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frm));
        EXPECT_TRUE(WaitFor([&] { return BodyText(*frm.wb_Browser).contains("Не найден файл книги."); },
                            EngineWaitMs));
        EXPECT_TRUE(BodyText(*frm.wb_Browser).contains("data/book.xml"));
    }
    InitDefaultSettings(DefaultSettings, TOMERIA_BINARY_DIR);
}

// A book whose contents never end, opened at start: once the contents have taken a while the
// window shows with the busy cursor instead of the splash alone; Escape stops the run and
// start-up ends, and closing the window ends start-up without showing it again.
class SlowStartTest : public ::testing::TestWithParam<bool> {};

TEST_P(SlowStartTest, TheWindowShowsAndEscapeOrClosingEndsTheContents) {
    const bool closeWindow = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray loop = "<xsl:for-each select=\"//node()\">";
    TFixtureBook book(loop + loop + loop + loop +
                      "<menu/></xsl:for-each></xsl:for-each></xsl:for-each></xsl:for-each>");
    QByteArray xml = "<book>";
    for (int i = 0; i < 300; ++i)
        xml += "<t>x</t>";
    WriteTextFile(book.Path("data/book.xml"), xml + "</book>");
    StartRecordsIn(dir.path(), "OnStartAction=1\nShowSplashScreen=1\nShowWelcomeScreen=0\nOnStartDoc=" +
                                   QByteArray::fromStdString(book.Descriptor()) + "\n");
    {
        Tfrm_Main frm(Settings, DefaultSettings, BookInfo);
        frm.hide();
        frm.InstallLogSink();
        QSignalSpy closed(&frm, &Tfrm_Main::Closed);
        bool cursorWasBusy = false;
        bool splashGone = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            // Shown on screen: showing runs event loops of its own before the window is mapped.
            if (!frm.windowHandle() || !frm.windowHandle()->isVisible() || !frm.Session().Busy()) return;
            poll.stop();
            const QCursor* cursor = QApplication::overrideCursor();
            cursorWasBusy = cursor && cursor->shape() == Qt::BusyCursor;
            splashGone = true;
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->objectName() == "frm_SplashScreen") splashGone = false;
            if (closeWindow) {
                frm.close();
            } else {
                EXPECT_TRUE(QTest::qWaitForWindowActive(&frm));
                QTest::keyClick(&frm, Qt::Key_Escape);
            }
        });
        poll.start();
        // Stops a run that nothing else stopped, so a failure here ends.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] { frm.Session().Abandon(); });
        watchdog.start(30000);
        bool ended = false;
        RunStartUpSequence(frm, {}, [&] { ended = true; });
        ASSERT_TRUE(WaitFor([&] { return !poll.isActive() && !frm.Session().Busy(); }, 40000));
        if (!closeWindow) {
            EXPECT_TRUE(WaitFor([&] { return ended; }));
        }
        EXPECT_TRUE(cursorWasBusy);
        EXPECT_TRUE(splashGone);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        if (closeWindow) {
            EXPECT_EQ(closed.count(), 1);
            EXPECT_FALSE(frm.isVisible());
        } else {
            EXPECT_EQ(closed.count(), 0);
            EXPECT_TRUE(frm.isVisible());
            EXPECT_TRUE(WaitFor([&] { return BodyText(*frm.wb_Browser).contains("Преобразование остановлено."); },
                                EngineWaitMs));
        }
    }
    InitDefaultSettings(DefaultSettings, TOMERIA_BINARY_DIR);
}

INSTANTIATE_TEST_SUITE_P(StartUpSequence, SlowStartTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Close" : "Escape"; });

}  // namespace
