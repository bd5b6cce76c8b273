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

#include <variant>

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

// A slider shows 250 - value: opaque at the left end, fully transparent at the right. The
// mapping is its own inverse: it turns a value into a position and a position into a value.
int MirroredAlpha(int valueOrPosition) { return 250 - valueOrPosition; }

// A field of the record and the control that shows it.
struct TCheckBinding {
    bool TSettings::*Field;
    QCheckBox* Tfrm_Settings::*Control;
};
struct TChoiceBinding {
    uint8_t TSettings::*Field;
    QComboBox* Tfrm_Settings::*Control;
    bool Reversed = false;  // the last item stands for 0
};
struct TTextBinding {
    std::string TSettings::*Field;
    TPathField* Tfrm_Settings::*Control;
    const char* Name;  // logged with its value as the field is loaded
};
struct TSliderBinding {
    int32_t TSettings::*Field;
    QSlider* Tfrm_Settings::*Control;
};
using TFieldBinding = std::variant<TCheckBinding, TChoiceBinding, TTextBinding, TSliderBinding>;

// Every field the dialog edits, in the order the controls are loaded (and their lines logged).
const TFieldBinding FieldBindings[] = {
    TCheckBinding{&TSettings::WriteLogToWindow, &Tfrm_Settings::cbx_WriteLogToWindow},
    TCheckBinding{&TSettings::WriteLogToFile, &Tfrm_Settings::cbx_WriteLogToFile},
    TCheckBinding{&TSettings::UseTimeStamp, &Tfrm_Settings::cbx_UseTimeStamp},
    TChoiceBinding{&TSettings::DebugLevel, &Tfrm_Settings::cb_DebugLevel},
    TCheckBinding{&TSettings::KeepShellDesign, &Tfrm_Settings::cbx_KeepShellDesign},
    TCheckBinding{&TSettings::KeepControlState, &Tfrm_Settings::cbx_KeepControlState},
    TChoiceBinding{&TSettings::BrowserFontSize, &Tfrm_Settings::cbx_BrowserFontSize, true},
    TTextBinding{&TSettings::WorkPath, &Tfrm_Settings::de_WorkPath, "WorkPath"},
    TTextBinding{&TSettings::TemporaryPath, &Tfrm_Settings::de_TempPath, "TemporaryPath"},
    TTextBinding{&TSettings::DataPath, &Tfrm_Settings::de_DataPath, "DataPath"},
    TTextBinding{&TSettings::LogPath, &Tfrm_Settings::de_LogsPath, "LogPath"},
    TTextBinding{&TSettings::ServiceXSLTFile, &Tfrm_Settings::fe_ServiceXSLTFName, "ServiceXSLTFile"},
    TCheckBinding{&TSettings::AutoCreateDirs, &Tfrm_Settings::cbx_AutoCreateDirs},
    TChoiceBinding{&TSettings::OnStartAction, &Tfrm_Settings::cb_OnStartAction},
    TTextBinding{&TSettings::OnStartDoc, &Tfrm_Settings::fe_OnStartFName, "OnStartDoc"},
    TCheckBinding{&TSettings::ShowSplashScreen, &Tfrm_Settings::cbx_ShowSplashScreen},
    TCheckBinding{&TSettings::ShowWelcomeScreen, &Tfrm_Settings::cbx_ShowWelcomeScreen},
    TChoiceBinding{&TSettings::UseSettings, &Tfrm_Settings::cbx_OnStartUseSettings},
    TCheckBinding{&TSettings::TOCisExpanded, &Tfrm_Settings::cbx_TOCisExpanded},
    TCheckBinding{&TSettings::UseInTOCOneClickAsDblClick, &Tfrm_Settings::cbx_UseInTOCOneClickAsDblClick},
    TCheckBinding{&TSettings::UseAlphaBlendForExternalWindows, &Tfrm_Settings::cbx_UseAlphaBlend},
    TSliderBinding{&TSettings::AlphaBlendValueActive, &Tfrm_Settings::trkb_AlphaBlendValueActive},
    TSliderBinding{&TSettings::AlphaBlendValueUnactive, &Tfrm_Settings::trkb_AlphaBlendValueUnactive},
};

int ChoiceIndex(const QComboBox* box, bool reversed, int index) {
    return reversed ? (box->count() - 1) - index : index;
}

void Load(Tfrm_Settings& dialog, const TCheckBinding& b, const TSettings& record) {
    (dialog.*b.Control)->setChecked(record.*b.Field);
}
void Load(Tfrm_Settings& dialog, const TChoiceBinding& b, const TSettings& record) {
    QComboBox* box = dialog.*b.Control;
    SetItemIndex(box, ChoiceIndex(box, b.Reversed, record.*b.Field));
}
void Load(Tfrm_Settings& dialog, const TTextBinding& b, const TSettings& record) {
    WriteLog(std::string("*** Переменная Settings.") + b.Name + "=" + record.*b.Field);
    (dialog.*b.Control)->SetText(QString::fromStdString(record.*b.Field));
}
void Load(Tfrm_Settings& dialog, const TSliderBinding& b, const TSettings& record) {
    (dialog.*b.Control)->setValue(MirroredAlpha(record.*b.Field));
}

void Store(const Tfrm_Settings& dialog, const TCheckBinding& b, TSettings& record) {
    record.*b.Field = (dialog.*b.Control)->isChecked();
}
// A drop-down that shows no item stores -1 in a byte, as the record has always held it.
void Store(const Tfrm_Settings& dialog, const TChoiceBinding& b, TSettings& record) {
    const QComboBox* box = dialog.*b.Control;
    record.*b.Field = static_cast<uint8_t>(ChoiceIndex(box, b.Reversed, ItemIndex(box)));
}
void Store(const Tfrm_Settings& dialog, const TTextBinding& b, TSettings& record) {
    record.*b.Field = (dialog.*b.Control)->Text().toStdString();
}
void Store(const Tfrm_Settings& dialog, const TSliderBinding& b, TSettings& record) {
    record.*b.Field = MirroredAlpha((dialog.*b.Control)->value());
}

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
    for (const TFieldBinding& binding : FieldBindings)
        std::visit([&](const auto& b) { Load(*this, b, record); }, binding);
    cbx_UseAlphaBlendClick();
    WriteLog("Установка состояния элементов управления завершена.");
    cbx_OnStartUseSettingsChange();
}

void Tfrm_Settings::GetControlsState(TSettings& record) const {
    WriteLog("Получение состояния элементов управления...");
    for (const TFieldBinding& binding : FieldBindings)
        std::visit([&](const auto& b) { Store(*this, b, record); }, binding);
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
