// The settings dialog with its real controls, offscreen, and the settings command of the main
// window driving it modally. Every wait is bounded.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QRegion>
#include <functional>
#include <memory>

#include "Log.h"
#include "PathRules.h"
#include "SettingsFile.h"
#include "ShellDesign.h"
#include "TPathField.h"
#include "TTabRows.h"
#include "Tfrm_DebugToolbar.h"
#include "Tfrm_Settings.h"
#include "mainwindow_test_util.h"

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// The user picks an item of a drop-down.
void Choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Temp.isValid());
        InitDefaultSettings(Defaults, "/opt/tomeria");
        Record = Defaults;
        Record.SettingsPath = NormalizeFilePath((Temp.path() + "/tomeria.ini").toStdString());
        Settings = Defaults;
        Settings.WriteLogToFile = false;
        ConfigureLog(Settings);
        SetLogWindowSink([this](const std::string& line) { Lines << QString::fromStdString(line); });
    }
    void TearDown() override {
        dialog.reset();
        SetLogWindowSink(nullptr);
    }

    Tfrm_Settings& Open(const TSettings& record) {
        dialog = std::make_unique<Tfrm_Settings>(record, Defaults);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return *dialog;
    }
    // Types text into a field on its tab and moves the focus on, as the user leaves it.
    void TypeAndLeave(TPathField* field, const QString& text) {
        dialog->pc_Settings->setCurrentWidget(TabOf(field));
        field->setFocus();
        field->Edit()->clear();
        field->Edit()->insert(text);  // as typed; the key simulator knows no Cyrillic keys
        dialog->sbtn_Close->setFocus();
    }
    QWidget* TabOf(QWidget* w) const {
        for (int i = 0; i < dialog->pc_Settings->count(); ++i)
            if (dialog->pc_Settings->widget(i)->isAncestorOf(w)) return dialog->pc_Settings->widget(i);
        return nullptr;
    }
    bool Logged(const char* text) const {
        for (const QString& line : Lines)
            if (line.endsWith(U(text))) return true;
        return false;
    }

    QTemporaryDir Temp;
    TSettings Defaults;
    TSettings Record;
    QStringList Lines;
    std::unique_ptr<Tfrm_Settings> dialog;
};

TEST_F(SettingsDialogTest, ShowsItsTabsItemsAndPlaceholdersAndOpensOnTheInterfaceTab) {
    Tfrm_Settings& d = Open(Record);
    EXPECT_EQ(d.windowTitle(), U("Настройки"));
    const char* tabs[] = {"При запуске", "Каталоги и файлы", "Настройки",
                          "Отладка",     "Закладки",         "Настройки книги по умолчанию",
                          "Интерфейс"};
    ASSERT_EQ(d.pc_Settings->count(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(d.pc_Settings->tabText(i), U(tabs[i]));
    EXPECT_EQ(d.pc_Settings->currentIndex(), 6);
    EXPECT_GE(d.width(), 497);
    EXPECT_GE(d.height(), 391);

    // Every tab is in sight at the dialog's size: its whole button inside the dialog, in the
    // tabs' order, none over another, and its click turns to its page.
    QRegion taken;
    QPoint previous(-1, -1);
    for (int i = 0; i < 7; ++i) {
        QAbstractButton* button = d.tab_Rows->Button(i);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), U(tabs[i]));
        const QRect place(button->mapTo(&d, QPoint(0, 0)), button->size());
        EXPECT_TRUE(button->isVisible() && d.rect().contains(place)) << tabs[i];
        EXPECT_GE(place.width(), button->sizeHint().width()) << tabs[i] << ": its text is not cut";
        EXPECT_FALSE(taken.intersects(place)) << tabs[i];
        EXPECT_TRUE(place.top() > previous.y() || (place.top() == previous.y() && place.left() > previous.x()))
            << tabs[i] << " comes after the one before it";
        taken += place;
        previous = place.topLeft();
    }
    for (const int i : {0, 3, 6}) {
        QTest::mouseClick(d.tab_Rows->Button(i), Qt::LeftButton);
        EXPECT_EQ(d.pc_Settings->currentIndex(), i);
        EXPECT_TRUE(d.tab_Rows->Button(i)->isChecked());
    }
    d.pc_Settings->setCurrentIndex(6);
    // With the fonts the set-up installs, the rows fit in the dialog's own client size.
    EXPECT_EQ(d.size(), QSize(Tfrm_Settings::ClientWidth, Tfrm_Settings::ClientHeight));

    const std::pair<QComboBox*, QStringList> items[] = {
        {d.cb_OnStartAction, {U("Ничего не делать"), U("Открыть указанный документ"), U("Открыть последний документ")}},
        {d.cbx_OnStartUseSettings, {U("По умолчанию"), U("Из конфигурационного файла")}},
        {d.cb_DebugLevel, {U("Не вести"), U("Ошибки"), U("... + предупреждения"), U("... + ... + сообщения")}},
        {d.cbx_BrowserFontSize, {U("Самый крупный"), U("Крупный"), U("Средний"), U("Мелкий"), U("Самый мелкий")}},
    };
    for (const auto& [box, texts] : items) {
        QStringList shown;
        for (int i = 0; i < box->count(); ++i)
            shown << box->itemText(i);
        EXPECT_EQ(shown, texts) << box->objectName().toStdString();
    }
    const char* buttons[][2] = {{"sbtn_SetDefaults", "Умолчания"},
                                {"sbtn_Cancel", "Отменить"},
                                {"sbtn_Save", "Сохранить"},
                                {"sbtn_Close", "Закрыть"}};
    for (const auto& [name, text] : buttons)
        EXPECT_EQ(d.findChild<QPushButton*>(name)->text(), U(text));

    // Placeholders are shown and never enabled, whatever the settings source.
    for (const char* name : {"gb_ServiceLibs", "cbx_SaveOnExit", "cbx_SaveBookmarks", "cb_BookmarksStorage",
                             "lbl_BookmarksStorage", "fe_BookXSLTTFName", "fe_BookXMLFName", "de_BookWorkPath",
                             "de_BookDataPath", "de_BookLibsPath", "lbl_BookLibsPath"}) {
        auto* w = d.findChild<QWidget*>(name);
        ASSERT_TRUE(w) << name;
        EXPECT_FALSE(w->isEnabled()) << name;
    }
    EXPECT_EQ(d.cb_BookmarksStorage->currentText(), U("По умолчанию"));
    auto* note = d.findChild<QLabel*>("lbl_BookmarksNote");
    EXPECT_EQ(note->text(), U("Возможно это стоит вынести в настройки  конкретной книги"));
    EXPECT_TRUE(note->isEnabled());
    EXPECT_EQ(d.findChild<QGroupBox*>("gb_ServiceDirs")->title(), U(" Служебные каталоги "));
    EXPECT_EQ(d.gb_ServiceLibs->title(), U(" [x] Служебные библиотеки "));
    EXPECT_EQ(d.gb_AlphaBlend->title(), U(" Прозрачность "));
    EXPECT_EQ(d.cbx_AutoCreateDirs->text(), U("Автоматически создавать несуществующие каталоги "));
    EXPECT_EQ(d.lbl_OnStartFName->text(), U("Используя документ: "));
}

// A record whose every field the dialog shows differs from the defaults comes back whole, and
// the fields it does not show keep their values.
TEST_F(SettingsDialogTest, ClosingUnchangedGivesTheRecordBack) {
    TSettings r = Record;
    r.WorkPath = "work\\";
    r.DataPath = "книги\\";
    r.TemporaryPath = "tmp dir\\";
    r.LogPath = "\\var\\log\\tomeria\\";
    r.AutoCreateDirs = false;
    r.ServiceXSLTFile = "svc.xslt";
    r.DebugLevel = 1;
    r.WriteLogToWindow = false;
    r.WriteLogToFile = true;
    r.UseTimeStamp = false;
    r.OnStartAction = 2;
    r.OnStartDoc = "atlas\\intro.tmr";
    r.ShowSplashScreen = false;
    r.ShowWelcomeScreen = false;
    r.KeepShellDesign = false;
    r.KeepControlState = true;
    r.TOCisExpanded = true;
    r.BrowserFontSize = 0;
    r.UseAlphaBlendForExternalWindows = true;
    r.AlphaBlendValueActive = 200;
    r.AlphaBlendValueUnactive = 15;
    r.UseInTOCOneClickAsDblClick = false;
    // Not shown by any control.
    r.AllowCopyFromBrowser = true;
    r.OpenTopTOCItemOnShow = true;
    r.MainWindow.Left = 33;
    r.StdToolbar.Visible = true;
    r.LastDocs->push_back("a.tmr");

    Tfrm_Settings& d = Open(r);
    d.sbtn_Close->click();
    EXPECT_EQ(d.AcceptedFlag(), 1);
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(d.WorkingCopy() == r);
    EXPECT_EQ(d.WorkingCopy().LastDocs.get(), r.LastDocs.get());
}

TEST_F(SettingsDialogTest, DefaultSourceGreysEditableControlsAndTheOtherSourceEnablesThem) {
    Record.UseSettings = 0;
    Record.OnStartAction = 0;
    Tfrm_Settings& d = Open(Record);
    QWidget* const governed[] = {d.cb_DebugLevel,
                                 d.lbl_DebugLevel,
                                 d.cbx_WriteLogToWindow,
                                 d.cbx_WriteLogToFile,
                                 d.cbx_UseTimeStamp,
                                 d.cbx_KeepShellDesign,
                                 d.cbx_KeepControlState,
                                 d.cbx_BrowserFontSize,
                                 d.lbl_BrowserFontSize,
                                 d.de_WorkPath,
                                 d.lbl_WorkPath,
                                 d.de_TempPath,
                                 d.de_LogsPath,
                                 d.de_DataPath,
                                 d.cbx_AutoCreateDirs,
                                 d.cb_OnStartAction,
                                 d.lbl_OnStartAction,
                                 d.fe_OnStartFName,
                                 d.lbl_OnStartFName,
                                 d.cbx_ShowSplashScreen,
                                 d.cbx_ShowWelcomeScreen,
                                 d.cbx_TOCisExpanded,
                                 d.cbx_UseInTOCOneClickAsDblClick,
                                 d.sbtn_SetDefaults,
                                 d.gb_AlphaBlend,
                                 d.cbx_UseAlphaBlend};
    for (QWidget* w : governed)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    for (QWidget* w : {static_cast<QWidget*>(d.cbx_OnStartUseSettings), static_cast<QWidget*>(d.sbtn_Cancel),
                       static_cast<QWidget*>(d.sbtn_Save), static_cast<QWidget*>(d.sbtn_Close)})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(Logged("Запрещение редактирования активных элементов."));

    Choose(d.cbx_OnStartUseSettings, 1);
    // The start document too, although the start action opens none.
    for (QWidget* w : governed)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(Logged("Разрешение редактирования активных элементов."));
}

TEST_F(SettingsDialogTest, StartActionEnablesTheDocumentOnlyForTheChosenDocument) {
    Tfrm_Settings& d = Open(Record);
    struct Case {
        int item;
        bool enabled;
    } const cases[] = {{1, true}, {0, false}, {2, false}, {1, true}};
    for (const auto& c : cases) {
        Choose(d.cb_OnStartAction, c.item);
        EXPECT_EQ(d.fe_OnStartFName->isEnabled(), c.enabled) << c.item;
        EXPECT_EQ(d.lbl_OnStartFName->isEnabled(), c.enabled) << c.item;
    }
    // Typed text that names no item falls back to doing nothing.
    d.pc_Settings->setCurrentIndex(0);
    d.cb_OnStartAction->setFocus();
    QTest::keyClicks(d.cb_OnStartAction->lineEdit(), "x");
    EXPECT_EQ(d.cb_OnStartAction->currentIndex(), 0);
    EXPECT_FALSE(d.fe_OnStartFName->isEnabled());
    d.sbtn_Close->click();
    EXPECT_EQ(d.WorkingCopy().OnStartAction, 0);
}

TEST_F(SettingsDialogTest, LeavingAFolderFieldNormalisesWhatWasTyped) {
    struct Case {
        const char* field;
        const char* typed;
        const char* shown;
    } const cases[] = {
        {"de_LogsPath", "", ".\\"},
        {"de_LogsPath", "my logs", "my logs\\"},
        {"de_LogsPath", "/opt/tomeria/журнал", "журнал\\"},  // under the work folder: made relative
        {"de_DataPath", "/srv/books/", "..\\..\\srv\\books\\"},
        {"de_TempPath", "/opt/tomeria", ".\\"},
        // The work folder last: it is taken at once and is the base of the others.
        {"de_WorkPath", "", ".\\"},
        {"de_WorkPath", "d:/books/", "d:\\books\\"},
        {"de_WorkPath", "/home/анна/мои книги", "\\home\\анна\\мои книги\\"},
    };
    Tfrm_Settings& d = Open(Record);
    for (const auto& c : cases) {
        auto* field = d.findChild<TPathField*>(c.field);
        TypeAndLeave(field, U(c.typed));
        EXPECT_EQ(field->Text(), U(c.shown)) << c.field << " <- " << c.typed;
    }
    // The work folder is taken at once; the others when the dialog is closed.
    d.sbtn_Close->click();
    EXPECT_EQ(d.WorkingCopy().WorkPath, "\\home\\анна\\мои книги\\");
    EXPECT_EQ(d.WorkingCopy().LogPath, "журнал\\");
    EXPECT_EQ(d.WorkingCopy().DataPath, "..\\..\\srv\\books\\");
    EXPECT_TRUE(Logged("*** Событие de_WorkPathExit"));
}

TEST_F(SettingsDialogTest, BrowsedFoldersAndStartDocumentAreStoredRelative) {
    Tfrm_Settings& d = Open(Record);
    QStringList starts;
    QString answer;
    d.FolderDialog = [&](const QString& start) {
        starts << start;
        return answer;
    };
    d.FileDialog = d.FolderDialog;

    // A document under the data folder is stored relative to it; the dialog starts in the
    // folder of the document the field shows.
    answer = "/opt/tomeria/data/book1/intro.ini";
    d.fe_OnStartFName->BrowseButton()->click();
    EXPECT_EQ(starts.takeLast(), "/opt/tomeria/data/data/");
    EXPECT_EQ(d.fe_OnStartFName->Text(), "book1\\intro.ini");
    EXPECT_TRUE(Logged("*** sTmp=\\opt\\tomeria\\data\\"));
    EXPECT_TRUE(Logged("Cформированное имя:book1\\intro.ini"));

    answer = "/opt/tomeria/data/a b/книга.tmr";
    d.fe_OnStartFName->BrowseButton()->click();
    EXPECT_EQ(d.fe_OnStartFName->Text(), U("a b\\книга.tmr"));

    answer = "/opt/tomeria/var/logs";
    d.de_LogsPath->BrowseButton()->click();
    EXPECT_EQ(starts.takeLast(), "/opt/tomeria/logs/");
    EXPECT_EQ(d.de_LogsPath->Text(), "var\\logs\\");

    answer = "/opt/tomeria";  // the work folder itself
    d.de_DataPath->BrowseButton()->click();
    EXPECT_EQ(d.de_DataPath->Text(), ".\\");

    answer = "/srv/work";
    d.de_WorkPath->BrowseButton()->click();
    EXPECT_EQ(starts.takeLast(), "/opt/tomeria/");
    EXPECT_EQ(d.de_WorkPath->Text(), "\\srv\\work\\");

    // A cancelled browse dialog changes nothing.
    answer = "";
    d.de_WorkPath->BrowseButton()->click();
    d.fe_OnStartFName->BrowseButton()->click();
    EXPECT_EQ(d.de_WorkPath->Text(), "\\srv\\work\\");
    EXPECT_EQ(d.fe_OnStartFName->Text(), U("a b\\книга.tmr"));

    d.sbtn_Close->click();
    EXPECT_EQ(d.WorkingCopy().WorkPath, "\\srv\\work\\");
    EXPECT_EQ(d.WorkingCopy().OnStartDoc, "a b\\книга.tmr");
    EXPECT_EQ(d.WorkingCopy().LogPath, "var\\logs\\");
}

TEST_F(SettingsDialogTest, FontSizeAndSlidersUseTheirInverseMappings) {
    Record.UseAlphaBlendForExternalWindows = true;
    Tfrm_Settings& d = Open(Record);
    EXPECT_EQ(d.cbx_BrowserFontSize->currentText(), U("Средний"));
    EXPECT_EQ(d.trkb_AlphaBlendValueActive->value(), d.trkb_AlphaBlendValueActive->minimum());  // 250: left end
    EXPECT_EQ(d.trkb_AlphaBlendValueUnactive->value(), 250 - 128);
    EXPECT_EQ(d.trkb_AlphaBlendValueActive->tickInterval(), 15);

    Choose(d.cbx_BrowserFontSize, 0);
    d.trkb_AlphaBlendValueActive->setValue(d.trkb_AlphaBlendValueActive->maximum());
    d.trkb_AlphaBlendValueUnactive->setValue(d.trkb_AlphaBlendValueUnactive->minimum());
    d.sbtn_Close->click();
    EXPECT_EQ(d.WorkingCopy().BrowserFontSize, 4);
    EXPECT_EQ(d.WorkingCopy().AlphaBlendValueActive, 0);
    EXPECT_EQ(d.WorkingCopy().AlphaBlendValueUnactive, 250);
}

TEST_F(SettingsDialogTest, TransparencyCheckBoxEnablesTheSliders) {
    Record.UseAlphaBlendForExternalWindows = false;
    Tfrm_Settings& d = Open(Record);
    EXPECT_FALSE(d.trkb_AlphaBlendValueActive->isEnabled());
    EXPECT_FALSE(d.lbl_AlphaBlendValueUnactive->isEnabled());
    d.cbx_UseAlphaBlend->click();
    EXPECT_TRUE(d.trkb_AlphaBlendValueActive->isEnabled());
    EXPECT_TRUE(d.trkb_AlphaBlendValueUnactive->isEnabled());
    EXPECT_TRUE(d.lbl_AlphaBlendValueActive->isEnabled());
    EXPECT_TRUE(d.lbl_AlphaBlendValueUnactive->isEnabled());
}

// Values that fit no control, and typed text that matches no item: stored as the mappings
// say, without a message.
TEST_F(SettingsDialogTest, BadValuesAndTypedTextAreStoredByTheMappings) {
    Record.DebugLevel = 7;
    Record.BrowserFontSize = 9;
    Record.AlphaBlendValueActive = 300;
    Record.AlphaBlendValueUnactive = -20;
    Tfrm_Settings& d = Open(Record);
    EXPECT_EQ(d.cb_DebugLevel->currentText(), "");
    d.pc_Settings->setCurrentIndex(6);
    d.cbx_BrowserFontSize->setFocus();
    QTest::keyClicks(d.cbx_BrowserFontSize->lineEdit(), "huge");
    d.sbtn_Close->click();
    EXPECT_EQ(d.WorkingCopy().DebugLevel, 255);     // no item: -1 in a byte
    EXPECT_EQ(d.WorkingCopy().BrowserFontSize, 5);  // (5 - 1) - (-1): the very small size
    EXPECT_EQ(d.WorkingCopy().AlphaBlendValueActive, 250);
    EXPECT_EQ(d.WorkingCopy().AlphaBlendValueUnactive, 0);
}

TEST_F(SettingsDialogTest, DefaultsButtonChangesTheControlsOnly) {
    Record.BrowserFontSize = 0;
    Record.DataPath = "books\\";
    Tfrm_Settings& d = Open(Record);
    d.sbtn_SetDefaults->click();
    EXPECT_EQ(d.cbx_BrowserFontSize->currentText(), U("Средний"));
    EXPECT_EQ(d.de_DataPath->Text(), "data\\");
    EXPECT_EQ(d.WorkingCopy().DataPath, "books\\");
    EXPECT_TRUE(Logged("Применение установок по умолчанию."));
    d.sbtn_Cancel->click();
    EXPECT_EQ(d.AcceptedFlag(), 0);
    EXPECT_TRUE(d.WorkingCopy() == Record);
}

TEST_F(SettingsDialogTest, EscapeInAFieldCancelsAndTheCloseBoxDoesToo) {
    Tfrm_Settings& d = Open(Record);
    d.pc_Settings->setCurrentIndex(1);
    d.de_DataPath->setFocus();
    QTest::keyClicks(d.de_DataPath->Edit(), "x");
    QTest::keyClick(d.de_DataPath->Edit(), Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.AcceptedFlag(), 0);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_TRUE(Logged("Отмена изменения установок."));

    Tfrm_Settings& again = Open(Record);
    again.close();
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(again.AcceptedFlag(), 0);
}

TEST_F(SettingsDialogTest, SaveWritesTheFileOnlyWhenTheSourceIsTheFile) {
    Record.KeepControlState = true;
    Record.KeepShellDesign = false;
    const QString file = QString::fromStdString(ToOsPath(Record.SettingsPath));
    {
        Record.UseSettings = 0;
        Tfrm_Settings& d = Open(Record);
        d.sbtn_Save->click();
        EXPECT_FALSE(QFile::exists(file));
        EXPECT_TRUE(d.isVisible());
    }
    Record.UseSettings = 1;
    Tfrm_Settings& d = Open(Record);
    Choose(d.cbx_BrowserFontSize, 1);
    d.sbtn_Save->click();
    EXPECT_TRUE(d.isVisible());
    TSettings read = Defaults;
    read.SettingsPath = Record.SettingsPath;
    ReadSettingsIni(read);
    EXPECT_EQ(read.BrowserFontSize, 3);
    EXPECT_TRUE(Logged("Запись завершена."));
}

// The settings command of the main window.

class SettingsCommandTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Log and settings files go into the temporary folder.
        InitDefaultSettings(DefaultSettings, Temp.path().toStdString());
        const TSettings defaults = DefaultSettings;
        Settings.ProgramDir = defaults.ProgramDir;
        Settings.SettingsPath = defaults.SettingsPath;
        Settings.StateDir = defaults.StateDir;
        CreateToolbars(*frm, Settings);
    }
    void TearDown() override {
        CloseLog();
        Settings.WriteLogToFile = false;
        MainWindowTest::TearDown();
    }
    // Runs the command; act works on the shown dialog, which is cancelled after a bound should
    // act leave it open.
    void RunSettings(std::function<void(Tfrm_Settings&)> act) {
        frm->BeforeSettingsDialog = [act](Tfrm_Settings& d) {
            QTimer::singleShot(0, &d, [&d, act] { act(d); });
            QTimer::singleShot(10000, &d, [&d] { d.reject(); });
        };
        frm->act_ServiceSettings->trigger();
        frm->BeforeSettingsDialog = nullptr;
    }
};

TEST_F(SettingsCommandTest, AcceptedChangesAreAppliedAtOnce) {
    Settings.UseSettings = 1;
    Show();
    const TSettings defaults = DefaultSettings;
    RunSettings([](Tfrm_Settings& d) {
        EXPECT_TRUE(d.isModal());
        Choose(d.cbx_BrowserFontSize, 0);
        Choose(d.cb_DebugLevel, 1);
        d.cbx_WriteLogToFile->setChecked(true);
        d.sbtn_Close->click();
    });
    EXPECT_EQ(Settings.BrowserFontSize, 4);
    EXPECT_TRUE(frm->act_ViewFontSizeVeryBig->isChecked());
    EXPECT_EQ(Settings.DebugLevel, 1);
    EXPECT_TRUE(frm->act_ServiceDebugLevelErrors->isChecked());
    EXPECT_EQ(frm->frm_DebugToolbar->cb_DebugLevel->currentIndex(), 1);
    EXPECT_TRUE(LogFileOpened());
    EXPECT_TRUE(QFile::exists(Temp.path() + "/logs/tomeria.log"));
    EXPECT_TRUE(DefaultSettings == defaults);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

TEST_F(SettingsCommandTest, SaveThenCancelWritesTheFileAndKeepsTheSettings) {
    Show();
    Settings.UseSettings = 1;
    Settings.KeepControlState = true;
    const TSettings before = Settings;
    RunSettings([](Tfrm_Settings& d) {
        Choose(d.cbx_BrowserFontSize, 4);
        d.sbtn_Save->click();
        QTest::keyClick(d.sbtn_Save, Qt::Key_Escape);
    });
    EXPECT_TRUE(Settings == before);
    EXPECT_TRUE(frm->act_ViewFontSizeMedium->isChecked());
    TSettings read = DefaultSettings;
    ReadSettingsIni(read);
    EXPECT_EQ(read.BrowserFontSize, 0);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

// A start document chosen under the data folder is stored relative to it and opens, also
// when the work folder was chosen by browsing (an absolute folder).
TEST_F(SettingsCommandTest, ChosenStartDocumentOpensFromTheDataFolder) {
    TFixtureBook book;
    const QString descriptor = QString::fromStdString(book.Descriptor());
    const QString bookFolder = QFileInfo(descriptor).absolutePath();
    const QString workFolder = QFileInfo(bookFolder).absolutePath();
    Settings.DataPath = ".\\";
    Settings.UseSettings = 1;  // the folder fields are editable
    Show();
    RunSettings([descriptor, workFolder](Tfrm_Settings& d) {
        Choose(d.cb_OnStartAction, 1);
        d.FolderDialog = [workFolder](const QString&) { return workFolder; };
        d.de_WorkPath->BrowseButton()->click();
        d.FileDialog = [descriptor](const QString&) { return descriptor; };
        d.fe_OnStartFName->BrowseButton()->click();
        d.sbtn_Close->click();
    });
    EXPECT_EQ(Settings.WorkPath, NormalizeFolder(workFolder.toStdString()));
    EXPECT_EQ(Settings.OnStartDoc, QFileInfo(bookFolder).fileName().toStdString() + "\\intro.ini");
    EXPECT_EQ(Settings.OnStartAction, 1);
    EXPECT_TRUE(Open(Settings.OnStartDoc));
    EXPECT_TRUE(BookInfo.Opened);
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

}  // namespace
