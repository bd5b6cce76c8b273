// The settings dialog's state: loading and reading the controls, the rules that enable them,
// the folder and file fields, and the buttons.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>

#include "BookDescriptor.h"
#include "ErrorGuard.h"
#include "Log.h"
#include "PathRules.h"
#include "SettingsFile.h"
#include "TPathField.h"
#include "Tfrm_Settings.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

// The item the drop-down shows: typed text that matches no item gives -1.
int ItemIndex(const QComboBox* box) {
    const int current = box->currentIndex();
    if (current >= 0 && box->itemText(current) == box->currentText()) return current;
    return box->findText(box->currentText());
}

// Selecting from code raises no change event; an index outside the items selects none.
void SetItemIndex(QComboBox* box, int index) { box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1); }

// A slider shows 250 - value: opaque at the left end, fully transparent at the right.
int AlphaFromPosition(const QSlider* slider) { return 250 - slider->value(); }

// A folder given as "\" names the base folder itself, as ".\" does.
std::string CurrentFolderForRoot(std::string folder) { return folder == "\\" ? ".\\" : folder; }

// A folder named without its trailing separator, as folder dialogs return it, gets one, so
// that its last segment counts as a folder. An empty text stays empty.
std::string AsFolder(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

}  // namespace

void Tfrm_Settings::ConnectHandlers() {
    // Drop-down change events come from the user only: a chosen item or typed text.
    connect(cb_OnStartAction, &QComboBox::activated, this, Guarded([this] { cb_OnStartActionChange(); }));
    connect(cb_OnStartAction->lineEdit(), &QLineEdit::textEdited, this, Guarded([this] { cb_OnStartActionChange(); }));
    connect(cbx_OnStartUseSettings, &QComboBox::activated, this, Guarded([this] { cbx_OnStartUseSettingsChange(); }));
    connect(cbx_OnStartUseSettings->lineEdit(), &QLineEdit::textEdited, this,
            Guarded([this] { cbx_OnStartUseSettingsChange(); }));
    connect(cbx_UseAlphaBlend, &QCheckBox::toggled, this, Guarded([this] { cbx_UseAlphaBlendClick(); }));

    connect(de_WorkPath, &TPathField::Exited, this, Guarded([this] { de_WorkPathExit(); }));
    for (TPathField* field : {de_TempPath, de_LogsPath, de_DataPath})
        connect(field, &TPathField::Exited, this, Guarded([this, field] { FolderFieldExit(field); }));
    for (TPathField* field : {de_WorkPath, de_TempPath, de_LogsPath, de_DataPath, fe_OnStartFName})
        connect(field, &TPathField::BrowseClicked, this, Guarded([this, field] { Browse(field); }));

    connect(sbtn_Close, &QPushButton::clicked, this, Guarded([this] { sbtn_CloseClick(); }));
    connect(sbtn_Cancel, &QPushButton::clicked, this, Guarded([this] { sbtn_CancelClick(); }));
    connect(sbtn_SetDefaults, &QPushButton::clicked, this, Guarded([this] { sbtn_SetDefaultsClick(); }));
    connect(sbtn_Save, &QPushButton::clicked, this, Guarded([this] { sbtn_SaveClick(); }));

    FolderDialog = [this](const QString& start) { return QFileDialog::getExistingDirectory(this, QString(), start); };
    FileDialog = [this](const QString& start) {
        return QFileDialog::getOpenFileName(this, QString(), start,
                                            QString::fromUtf8("Описания книг (*.tmr *.ini);;Все файлы (*)"));
    };
}

void Tfrm_Settings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    // Centred on the screen of the window that opened it.
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) move(screen->availableGeometry().center() - rect().center());
    RunGuarded([this] {
        WriteLog("Открытие диалога \"Установки\"");
        SetControlsState(Working);
    });
}

bool Tfrm_Settings::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        RunGuarded([this] { sbtn_CancelClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Tfrm_Settings::SetControlsState(const TSettings& record) {
    WriteLog("Установка состояния элементов управления...");
    cbx_WriteLogToWindow->setChecked(record.WriteLogToWindow);
    cbx_WriteLogToFile->setChecked(record.WriteLogToFile);
    cbx_UseTimeStamp->setChecked(record.UseTimeStamp);
    SetItemIndex(cb_DebugLevel, record.DebugLevel);
    cbx_KeepShellDesign->setChecked(record.KeepShellDesign);
    cbx_KeepControlState->setChecked(record.KeepControlState);
    SetItemIndex(cbx_BrowserFontSize, (cbx_BrowserFontSize->count() - 1) - record.BrowserFontSize);

    const std::pair<const char*, std::pair<const std::string*, TPathField*>> folders[] = {
        {"WorkPath", {&record.WorkPath, de_WorkPath}},
        {"TemporaryPath", {&record.TemporaryPath, de_TempPath}},
        {"DataPath", {&record.DataPath, de_DataPath}},
        {"LogPath", {&record.LogPath, de_LogsPath}},
        {"ServiceXSLTFile", {&record.ServiceXSLTFile, fe_ServiceXSLTFName}},
    };
    for (const auto& [name, binding] : folders) {
        WriteLog(std::string("*** Переменная Settings.") + name + "=" + *binding.first);
        binding.second->SetText(Q(*binding.first));
    }

    cbx_AutoCreateDirs->setChecked(record.AutoCreateDirs);
    SetItemIndex(cb_OnStartAction, record.OnStartAction);
    WriteLog("*** Переменная Settings.OnStartDoc=" + record.OnStartDoc);
    fe_OnStartFName->SetText(Q(record.OnStartDoc));
    cbx_ShowSplashScreen->setChecked(record.ShowSplashScreen);
    cbx_ShowWelcomeScreen->setChecked(record.ShowWelcomeScreen);
    SetItemIndex(cbx_OnStartUseSettings, record.UseSettings);
    cbx_TOCisExpanded->setChecked(record.TOCisExpanded);
    cbx_UseInTOCOneClickAsDblClick->setChecked(record.UseInTOCOneClickAsDblClick);
    cbx_UseAlphaBlend->setChecked(record.UseAlphaBlendForExternalWindows);
    cbx_UseAlphaBlendClick();
    trkb_AlphaBlendValueActive->setValue(250 - record.AlphaBlendValueActive);
    trkb_AlphaBlendValueUnactive->setValue(250 - record.AlphaBlendValueUnactive);
    WriteLog("Установка состояния элементов управления завершена.");
    cbx_OnStartUseSettingsChange();
}

void Tfrm_Settings::GetControlsState(TSettings& record) const {
    WriteLog("Получение состояния элементов управления...");
    record.WriteLogToWindow = cbx_WriteLogToWindow->isChecked();
    record.WriteLogToFile = cbx_WriteLogToFile->isChecked();
    record.UseTimeStamp = cbx_UseTimeStamp->isChecked();
    record.DebugLevel = static_cast<uint8_t>(ItemIndex(cb_DebugLevel));
    record.KeepShellDesign = cbx_KeepShellDesign->isChecked();
    record.KeepControlState = cbx_KeepControlState->isChecked();
    record.BrowserFontSize = static_cast<uint8_t>((cbx_BrowserFontSize->count() - 1) - ItemIndex(cbx_BrowserFontSize));
    record.WorkPath = S(de_WorkPath->Text());
    record.TemporaryPath = S(de_TempPath->Text());
    record.DataPath = S(de_DataPath->Text());
    record.LogPath = S(de_LogsPath->Text());
    record.ServiceXSLTFile = S(fe_ServiceXSLTFName->Text());
    record.AutoCreateDirs = cbx_AutoCreateDirs->isChecked();
    record.OnStartAction = static_cast<uint8_t>(ItemIndex(cb_OnStartAction));
    record.OnStartDoc = S(fe_OnStartFName->Text());
    record.ShowSplashScreen = cbx_ShowSplashScreen->isChecked();
    record.ShowWelcomeScreen = cbx_ShowWelcomeScreen->isChecked();
    record.UseSettings = static_cast<uint8_t>(ItemIndex(cbx_OnStartUseSettings));
    record.TOCisExpanded = cbx_TOCisExpanded->isChecked();
    record.UseInTOCOneClickAsDblClick = cbx_UseInTOCOneClickAsDblClick->isChecked();
    record.UseAlphaBlendForExternalWindows = cbx_UseAlphaBlend->isChecked();
    record.AlphaBlendValueActive = AlphaFromPosition(trkb_AlphaBlendValueActive);
    record.AlphaBlendValueUnactive = AlphaFromPosition(trkb_AlphaBlendValueUnactive);
    WriteLog("Получение состояния элементов управления завершена.");
}

// Rules

void Tfrm_Settings::cbx_OnStartUseSettingsChange() {
    WriteLog("*** Событие cbx_OnStartUseSettingsChange.");
    const bool editable = ItemIndex(cbx_OnStartUseSettings) != 0;
    if (editable) {
        WriteLog("Разрешение редактирования активных элементов.");
    } else {
        WriteLog("Выбран пункт \"Использовать значения по умолчанию\".");
        WriteLog("Запрещение редактирования активных элементов.");
    }
    QWidget* const governed[] = {
        lbl_DebugLevel,       cb_DebugLevel,         cbx_WriteLogToWindow, cbx_WriteLogToFile,
        cbx_UseTimeStamp,     cbx_KeepShellDesign,   cbx_KeepControlState, lbl_BrowserFontSize,
        cbx_BrowserFontSize,  lbl_WorkPath,          de_WorkPath,          lbl_TempPath,
        de_TempPath,          lbl_DataPath,          de_DataPath,          lbl_LogsPath,
        de_LogsPath,          cbx_AutoCreateDirs,    lbl_OnStartAction,    cb_OnStartAction,
        lbl_ServiceXSLTFName, fe_ServiceXSLTFName,   lbl_OnStartFName,     fe_OnStartFName,
        cbx_ShowSplashScreen, cbx_ShowWelcomeScreen, cbx_TOCisExpanded,    cbx_UseInTOCOneClickAsDblClick,
        sbtn_SetDefaults,     gb_AlphaBlend,         cbx_UseAlphaBlend,
    };
    for (QWidget* control : governed)
        control->setEnabled(editable);
}

void Tfrm_Settings::cb_OnStartActionChange() {
    WriteLog("*** Событие cb_OnStartActionChange");
    int index = ItemIndex(cb_OnStartAction);
    if (static_cast<uint8_t>(index) > 2) {
        cb_OnStartAction->setCurrentIndex(0);
        index = 0;
    }
    const bool withDocument = index == 1;
    fe_OnStartFName->setEnabled(withDocument);
    lbl_OnStartFName->setEnabled(withDocument);
}

void Tfrm_Settings::cbx_UseAlphaBlendClick() {
    const bool on = cbx_UseAlphaBlend->isChecked();
    for (QWidget* control :
         {static_cast<QWidget*>(trkb_AlphaBlendValueActive), static_cast<QWidget*>(trkb_AlphaBlendValueUnactive),
          static_cast<QWidget*>(lbl_AlphaBlendValueActive), static_cast<QWidget*>(lbl_AlphaBlendValueUnactive)})
        control->setEnabled(on);
}

// Folder and file fields

std::string Tfrm_Settings::WorkFolder() const { return ResolvePath(Working.ProgramDir, Working.WorkPath); }

void Tfrm_Settings::de_WorkPathExit() {
    WriteLog("*** Событие de_WorkPathExit");
    const std::string text = CurrentFolderForRoot(NormalizeFolder(S(de_WorkPath->Text())));
    de_WorkPath->SetText(Q(text));
    Working.WorkPath = text;
}

void Tfrm_Settings::FolderFieldExit(TPathField* field) {
    const std::string text =
        CurrentFolderForRoot(NormalizeFolder(RelativePath(WorkFolder(), AsFolder(S(field->Text())))));
    field->SetText(Q(text));
}

void Tfrm_Settings::de_WorkPathAfterDialog(const QString& name) {
    const std::string folder = NormalizeFolder(S(name));
    Working.WorkPath = folder;
    WriteLog("Cформированное имя:" + folder);
    de_WorkPath->SetText(Q(folder));
}

void Tfrm_Settings::FolderFieldAfterDialog(TPathField* field, const QString& name) {
    WriteLog("*** Событие " + S(field->objectName()) + "AfterDialog");
    const std::string folder = CurrentFolderForRoot(NormalizeFolder(RelativePath(WorkFolder(), AsFolder(S(name)))));
    WriteLog("Cформированное имя:" + folder);
    field->SetText(Q(folder));
}

void Tfrm_Settings::fe_OnStartFNameAfterDialog(const QString& name) {
    WriteLog("*** Событие " + S(fe_OnStartFName->objectName()) + "AfterDialog");
    const std::string base = DataFolder(Working);
    WriteLog("*** sTmp=" + base);
    WriteLog("*** Name=" + S(name));
    const std::string file = MakeRelativeFileName(base, S(name));
    WriteLog("Cформированное имя:" + file);
    fe_OnStartFName->SetText(Q(file));
}

// Opens the field's browse dialog in the folder the field shows; a cancelled dialog changes
// nothing.
void Tfrm_Settings::Browse(TPathField* field) {
    if (field == fe_OnStartFName) {
        const std::string shown = ResolvePath(DataFolder(Working), S(field->Text()));
        const QString name = FileDialog(Q(ToOsPath(NormalizeFolder(ExtractFilePath(shown)))));
        if (!name.isEmpty()) fe_OnStartFNameAfterDialog(name);
        return;
    }
    const std::string base = field == de_WorkPath ? Working.ProgramDir : WorkFolder();
    const QString name = FolderDialog(Q(ToOsPath(NormalizeFolder(ResolvePath(base, S(field->Text()))))));
    if (name.isEmpty()) return;
    if (field == de_WorkPath)
        de_WorkPathAfterDialog(name);
    else
        FolderFieldAfterDialog(field, name);
}

// Buttons

void Tfrm_Settings::sbtn_CloseClick() {
    WriteLog("Закрытие диалога \"Установки\" с принятием изменений");
    GetControlsState(Working);
    AcceptedState = 1;
    done(QDialog::Accepted);
}

void Tfrm_Settings::sbtn_CancelClick() {
    WriteLog("Отмена изменения установок.");
    AcceptedState = 0;
    done(QDialog::Rejected);
}

void Tfrm_Settings::sbtn_SetDefaultsClick() {
    WriteLog("Применение установок по умолчанию.");
    SetControlsState(Defaults);
}

void Tfrm_Settings::sbtn_SaveClick() {
    WriteLog("Сохранение установок...");
    GetControlsState(Working);
    WriteLog("Запись в конфигурационный файл...");
    SaveSettingsOnExit(Working);
    WriteLog("Запись завершена.");
}
