// The real program with a book on its command line: opened at start, handed over to a copy
// that runs already (also after a copy died and left its socket), refused with a message when
// it names no book; and the installed layout started on the shipped guide.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "mainwindow_test_util.h"

namespace {

constexpr int ProcessWaitMs = 60000;
const QByteArray SecondCopyMessage = "Одна копия программы \"tomeria\" уже запущена!";
// Quick starts: no splash or welcome window, no start document; the log and the recent
// documents reach the files when the program ends.
const QByteArray QuietSettings =
    "[ControlState]\nWriteLogToFile=1\nKeepControlState=1\nOnStartAction=0\n"
    "ShowSplashScreen=0\nShowWelcomeScreen=0\n";

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A socket file with nobody listening, as a copy that was killed leaves it.
bool MakeStaleSocket(const QString& path) {
    const QByteArray name = path.toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.size() >= int(sizeof address.sun_path)) return false;
    std::memcpy(address.sun_path, name.constData(), name.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    return bound && QFileInfo::exists(path);
}

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        ProgramDir = Dir.path() + "/prog";
        ASSERT_TRUE(QDir().mkpath(ProgramDir));
        ASSERT_TRUE(CopyProgram(ProgramDir));
        ASSERT_TRUE(QDir().mkpath(Runtime()));
        // A book in a folder whose name has spaces and Cyrillic letters.
        BookDir = Dir.path() + "/Мои книги/атлас 1";
        WriteTextFile(BookDir + "/intro.ini", "[BasicParams]\nRootPath=.\\\n");
        WriteTextFile(BookDir + "/data/book.xml", "<book/>");
        WriteTextFile(BookDir + "/shemes/book.xsltt", FixturePageTemplate);
        WriteTextFile(BookDir + "/service.xslt",
                      "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                      "<xsl:template match=\"/\"><menu><listitem id=\"a\">Атлас</listitem></menu></xsl:template>"
                      "</xsl:stylesheet>");
        WriteTextFile(ProgramDir + "/tomeria.ini", QuietSettings);
    }
    void TearDown() override {
        for (auto& p : Processes) {
            p->kill();
            p->waitForFinished(ProcessWaitMs);
        }
    }
    QString Runtime() const { return Dir.path() + "/runtime"; }
    QString Descriptor() const { return BookDir + "/intro.ini"; }

    QProcess& Start(const QString& program, const QStringList& arguments, const QString& folder,
                    const QProcessEnvironment& extra = {}) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& name : extra.keys())
            env.insert(name, extra.value(name));
        env.insert("XDG_RUNTIME_DIR", Runtime());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(folder);
        process->start(program, arguments);
        EXPECT_TRUE(process->waitForStarted(ProcessWaitMs));
        Processes.push_back(std::move(process));
        return *Processes.back();
    }
    QProcess& Start(const QStringList& arguments, const QString& folder) {
        return Start(ProgramDir + "/tomeria", arguments, folder);
    }
    // The copy is up once it listens for books from other copies.
    bool WaitListening(QProcess& p) {
        const QString socket = Runtime() + "/tomeria_by_orvald_kestin.socket";
        return WaitFor([&] { return p.state() != QProcess::Running || Listening(socket); }, ProcessWaitMs) &&
               p.state() == QProcess::Running;
    }
    // Start-up is over once the log, written line by line, says the event loop runs.
    bool WaitStartedUp(QProcess& p, const QString& log) {
        return WaitListening(p) && WaitFor([&] { return ReadText(log).contains("Application.Run"); }, ProcessWaitMs);
    }
    static bool Listening(const QString& socket) {
        QLocalSocket probe;
        probe.connectToServer(socket);
        const bool up = probe.waitForConnected(1000);
        probe.abort();
        return up;
    }
    // Ends the copy the ordinary way (its settings and log are written) once start-up is done.
    void Stop(QProcess& p) {
        p.terminate();
        ASSERT_TRUE(p.waitForFinished(ProcessWaitMs));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
    }
    QString FirstRecentDoc(const QString& ini) const {
        const QString text = ReadText(ini);
        const qsizetype at = text.indexOf("[LastDocs]\nDoc1=");
        return at < 0 ? QString() : text.mid(at + 16).section('\n', 0, 0);
    }

    QTemporaryDir Dir;
    QString ProgramDir;
    QString BookDir;
    std::vector<std::unique_ptr<QProcess>> Processes;
};

TEST_F(CommandLineTest, aRelativePathOnTheCommandLineOpensThatBookInsteadOfTheStartAction) {
    QProcess& copy = Start({"атлас 1/intro.ini"}, Dir.path() + "/Мои книги");
    ASSERT_TRUE(WaitStartedUp(copy, ProgramDir + "/logs/tomeria.log"));
    Stop(copy);
    EXPECT_EQ(FirstRecentDoc(ProgramDir + "/tomeria.ini"), Descriptor());
    const QString log = ReadText(ProgramDir + "/logs/tomeria.log");
    EXPECT_TRUE(log.contains("Документ из командной строки: " + Descriptor())) << log.toStdString();
    EXPECT_TRUE(log.contains("Переносная копия")) << log.toStdString();
}

TEST_F(CommandLineTest, aSecondCopyHandsItsBookToTheRunningOneAndEndsQuietly) {
    // A copy that was killed left its socket behind; the next one listens all the same.
    ASSERT_TRUE(MakeStaleSocket(Runtime() + "/tomeria_by_orvald_kestin.socket"));
    QProcess& first = Start({}, Dir.path());
    ASSERT_TRUE(WaitListening(first));

    const QString uri = QString::fromLatin1(QUrl::fromLocalFile(Descriptor()).toEncoded());
    QProcess& second = Start({uri}, "/");
    ASSERT_TRUE(second.waitForFinished(ProcessWaitMs));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.readAllStandardError().contains(SecondCopyMessage));
    EXPECT_EQ(first.state(), QProcess::Running);

    // The running copy opened the book: it is the first recent document when the copy ends.
    const QString log = ProgramDir + "/logs/tomeria.log";
    ASSERT_TRUE(WaitFor(
        [&] {
            const QString text = ReadText(log);
            const qsizetype handed = text.indexOf("Документ от второй копии программы");
            return handed >= 0 && text.indexOf("Формирование оглавления завершено.", handed) >= 0;
        },
        ProcessWaitMs));
    Stop(first);
    EXPECT_EQ(FirstRecentDoc(ProgramDir + "/tomeria.ini"), Descriptor());
    EXPECT_TRUE(
        ReadText(ProgramDir + "/logs/tomeria.log").contains("Документ от второй копии программы: " + Descriptor()));
}

TEST_F(CommandLineTest, aSecondCopyWithoutABookOrWithAFolderIsRefusedWithAMessage) {
    QProcess& first = Start({}, Dir.path());
    ASSERT_TRUE(WaitListening(first));
    const struct {
        QStringList Arguments;
        QByteArray Message;
    } cases[] = {{{}, SecondCopyMessage}, {{BookDir}, "папка"}, {{"missing.ini"}, "не найден"}};
    for (const auto& c : cases) {
        QProcess& second = Start(c.Arguments, Dir.path());
        QByteArray err;
        EXPECT_TRUE(WaitFor([&] { return (err += second.readAllStandardError()).contains(c.Message); }, ProcessWaitMs))
            << err.toStdString();
        second.kill();  // its error box waits for a click that never comes
        second.waitForFinished(ProcessWaitMs);
    }
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(CommandLineTest, theInstalledLayoutStartsOnTheShippedGuide) {
    const QString stage = Dir.path() + "/stage";
    QProcess install;
    install.start(CMAKE_COMMAND, {"--install", TOMERIA_BINARY_DIR, "--prefix", stage});
    ASSERT_TRUE(install.waitForFinished(ProcessWaitMs));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    for (const char* file :
         {"/opt/tomeria/tomeria", "/opt/tomeria/data/service.xslt", "/opt/tomeria/data/data/intro.ini",
          "/usr/share/applications/org.tomeria.tomeria.desktop", "/usr/share/metainfo/org.tomeria.tomeria.metainfo.xml",
          "/usr/share/icons/hicolor/scalable/apps/org.tomeria.tomeria.svg"})
        EXPECT_TRUE(QFileInfo::exists(stage + file)) << file;
    EXPECT_EQ(QFileInfo(stage + "/usr/bin/tomeria").symLinkTarget(), stage + "/opt/tomeria/tomeria");

    // Started through the command on the PATH, the program finds its folder behind the link.
    WriteTextFile(stage + "/opt/tomeria/tomeria.ini", QuietSettings);
    const QString guide = stage + "/opt/tomeria/data/data/intro.ini";
    QProcess& copy = Start(stage + "/usr/bin/tomeria", {guide}, Dir.path());
    ASSERT_TRUE(WaitStartedUp(copy, stage + "/opt/tomeria/logs/tomeria.log"));
    Stop(copy);
    EXPECT_EQ(FirstRecentDoc(stage + "/opt/tomeria/tomeria.ini"), guide);
    const QString log = ReadText(stage + "/opt/tomeria/logs/tomeria.log");
    EXPECT_TRUE(log.contains("Проверка целостности завершена удачно.")) << log.toStdString();
}

}  // namespace
