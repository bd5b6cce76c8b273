// The welcome dialog, the about box and the splash window, and what start-up does with them.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "AppLogo.h"
#include "StartUp.h"
#include "TLogoPicture.h"
#include "Tfrm_About.h"
#include "Tfrm_SplashScreen.h"
#include "Tfrm_Welcome.h"
#include "mainwindow_test_util.h"
#include "modal_test_util.h"

namespace {

TEST(WelcomeDialog, ShowsItsTenLinesExactly) {
    Tfrm_Welcome welcome;
    EXPECT_EQ(welcome.windowTitle(), QStringLiteral("Добро пожаловать"));
    EXPECT_TRUE(welcome.me_Welcome->isReadOnly());
    const QStringList lines = welcome.me_Welcome->toPlainText().split('\n');
    const QStringList expected = {
        "Вы запустили программу tomeria. Она предназначена для визуализации разнообразной ",
        "документации, хранимой в открытом XML-базированном формате DockBook (увы, слегка ",
        "видоизменённом).",
        "",
        "Коллектив разработчиков открыт для диалога и стремится учесть все ваши пожелания.",
        "",
        "Мы будем рады, если этот программный продукт поможет вам в учёбе, работе и жизни",
        "",
        "Сейчас вы можете начать работу, нажав на кнопку 'Закрыть' или же перейти к настройкам, ",
        "нажав кнопку 'Настройки.'",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(welcome.btn_Settings->text(), QStringLiteral("Настройки"));
    EXPECT_EQ(welcome.btn_Close->text(), QStringLiteral("Закрыть"));
}

TEST(WelcomeDialog, ResultCodeTellsHowItWasLeft) {
    const struct {
        const char* how;
        std::function<void(Tfrm_Welcome&)> leave;
        uint8_t code;
    } cases[] = {
        {"Escape", [](Tfrm_Welcome& w) { QTest::keyClick(w.me_Welcome, Qt::Key_Escape); }, 1},
        {"Закрыть", [](Tfrm_Welcome& w) { QTest::mouseClick(w.btn_Close, Qt::LeftButton); }, 1},
        {"Настройки", [](Tfrm_Welcome& w) { QTest::mouseClick(w.btn_Settings, Qt::LeftButton); }, 2},
        {"close box", [](Tfrm_Welcome& w) { w.close(); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        Tfrm_Welcome welcome;
        EXPECT_EQ(welcome.ResultCode(), 0);
        int returned = -1;
        EXPECT_TRUE(RunWithModal([&] { returned = welcome.exec(); },
                                 [&](QWidget& dialog) {
                                     ASSERT_EQ(&dialog, &welcome);
                                     welcome.me_Welcome->setFocus();
                                     c.leave(welcome);
                                 }));
        EXPECT_EQ(welcome.ResultCode(), c.code);
        EXPECT_EQ(returned, c.code);
    }
}

TEST(AboutBox, ShowsTheLogoAndCreditsAndClosesOnEscape) {
    Tfrm_Main frm(Settings, DefaultSettings, BookInfo);
    frm.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frm));
    QString title, credits;
    QSize logo;
    bool centred = false;
    EXPECT_TRUE(RunWithModal([&] { frm.act_HelpAbout->trigger(); },
                             [&](QWidget& dialog) {
                                 title = dialog.windowTitle();
                                 if (auto* about = qobject_cast<Tfrm_About*>(&dialog))
                                     credits = about->lbl_Credits->text();
                                 if (auto* picture = dialog.findChild<TLogoPicture*>()) logo = picture->size();
                                 centred =
                                     dialog.frameGeometry().center() == dialog.screen()->availableGeometry().center();
                                 QTest::keyClick(&dialog, Qt::Key_Escape);
                             }));
    EXPECT_EQ(title, QStringLiteral("О программе"));
    EXPECT_EQ(logo, QSize(LogoWidth, LogoHeight));
    EXPECT_TRUE(centred);
    // Three entries, two empty lines between each and the next.
    EXPECT_TRUE(credits.startsWith("Идея: "));
    EXPECT_TRUE(credits.contains("\n\n\nРазработка: "));
    EXPECT_TRUE(credits.contains("\n\n\nПрограммирование "));
    EXPECT_TRUE(credits.contains("FIDONet и Internet"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(SplashScreen, IsFramelessCentredAndOnScreenWhenShowNowReturns) {
    Tfrm_SplashScreen splash;
    splash.ShowNow();
    ASSERT_NE(splash.windowHandle(), nullptr);
    EXPECT_TRUE(splash.windowHandle()->isExposed());
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(splash.size(), QSize(LogoWidth + 4, LogoHeight + 4));  // the logo in a framed panel
    EXPECT_LE((splash.geometry().center() - splash.screen()->availableGeometry().center()).manhattanLength(), 1);
}

// Start-up in this process, with the splash and the welcome dialog on and no start document.
class WelcomeAtStartUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        WriteTextFile(Dir.path() + "/tomeria.ini",
                      "[ControlState]\nOnStartAction=0\nShowSplashScreen=1\nShowWelcomeScreen=1\n");
        InitDefaultSettings(DefaultSettings, Dir.path().toStdString());
        Settings = DefaultSettings;
        BookInfo = TBookInfo{};
        frm = std::make_unique<Tfrm_Main>(Settings, DefaultSettings, BookInfo);
        frm->hide();
        frm->InstallLogSink();
        // The settings dialog is not this test's: only whether its action runs is counted.
        QObject::disconnect(frm->act_ServiceSettings, &QAction::triggered, nullptr, nullptr);
        QObject::connect(frm->act_ServiceSettings, &QAction::triggered, [this] {
            ++SettingsRuns;
            SplashUp = SplashVisible();
            StartActionLogged = frm->me_DebugWindow->toPlainText().contains("Выполнение операции");
        });
    }
    void TearDown() override {
        frm.reset();
        InitDefaultSettings(DefaultSettings, TOMERIA_BINARY_DIR);
    }
    // Runs start-up and leaves the welcome dialog through the button or key given.
    void StartAndLeaveWelcome(const std::function<void(Tfrm_Welcome&)>& leave) {
        EXPECT_TRUE(RunWithModal([&] { StartUpAndWait(*frm); },
                                 [&](QWidget& dialog) {
                                     auto* welcome = qobject_cast<Tfrm_Welcome*>(&dialog);
                                     ASSERT_NE(welcome, nullptr);
                                     SplashUpDuringWelcome = SplashVisible();
                                     leave(*welcome);
                                 }));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
    }
    static bool SplashVisible() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<Tfrm_SplashScreen*>(w) && w->isVisible()) return true;
        return false;
    }
    QString Pane() const { return frm->me_DebugWindow->toPlainText(); }

    QTemporaryDir Dir;
    std::unique_ptr<Tfrm_Main> frm;
    int SettingsRuns = 0;
    bool SplashUp = false;
    bool SplashUpDuringWelcome = false;
    bool StartActionLogged = false;
};

TEST_F(WelcomeAtStartUpTest, EscapeGoesOnWithoutTheSettings) {
    StartAndLeaveWelcome([](Tfrm_Welcome& w) { QTest::keyClick(&w, Qt::Key_Escape); });
    EXPECT_EQ(SettingsRuns, 0);
    EXPECT_FALSE(Pane().contains("Вызов диалога установок из экрана приветствия."));
    EXPECT_TRUE(SplashUpDuringWelcome);
    EXPECT_FALSE(SplashVisible());
    // The start-up script with the splash and the welcome lines in their places.
    const QStringList script = {"Инициализация OLE (Включение дополнительных свойств WebBrowser).",
                                "Создание окна заставки.",
                                "Вывод окна заставки.",
                                "Инициализация элементов управления...",
                                "Запуск ядра...",
                                "Создание экрана приветствия.",
                                "Вывод экрана приветствия.",
                                "Уничтожение экрана приветствия.",
                                "Выполнение операции \"Действие при запуске\"...",
                                "Вывод на экран главной формы.",
                                "Уничтожение окна заставки."};
    qsizetype at = 0;
    for (const QString& line : script) {
        const qsizetype found = Pane().indexOf("] " + line + "\n", at);
        EXPECT_GE(found, 0) << "missing or out of order: " << line.toStdString() << "\n" << Pane().toStdString();
        if (found >= 0) at = found;
    }
}

TEST_F(WelcomeAtStartUpTest, SettingsButtonRunsTheSettingsBeforeTheStartAction) {
    StartAndLeaveWelcome([](Tfrm_Welcome& w) { QTest::mouseClick(w.btn_Settings, Qt::LeftButton); });
    EXPECT_EQ(SettingsRuns, 1);
    EXPECT_FALSE(StartActionLogged);
    const qsizetype asked = Pane().indexOf("Вызов диалога установок из экрана приветствия.");
    EXPECT_GE(asked, 0);
    EXPECT_LT(asked, Pane().indexOf("Уничтожение экрана приветствия."));
}

TEST_F(WelcomeAtStartUpTest, CloseBoxIsTakenAsClose) {
    StartAndLeaveWelcome([](Tfrm_Welcome& w) { w.close(); });
    EXPECT_EQ(SettingsRuns, 0);
}

}  // namespace
