#pragma once
// The settings dialog: edits a working copy of a settings record in seven tabs and hands it
// back only when closed with "Закрыть". "Сохранить" writes the settings file from the working
// copy and leaves the dialog open.
#include <QDialog>
#include <cstdint>
#include <functional>

#include "TSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTabWidget;
class TPathField;
class TTabRows;

class Tfrm_Settings : public QDialog {
    Q_OBJECT
public:
    // The dialog's client area; larger only where the desktop's fonts need more room.
    static constexpr int ClientWidth = 497;
    static constexpr int ClientHeight = 391;

    // working: the record to edit (a copy of the settings in force); defaults: the record
    // "Умолчания" loads into the controls.
    Tfrm_Settings(const TSettings& working, const TSettings& defaults, QWidget* parent = nullptr);

    // The working copy; after "Закрыть" it holds the values of the controls.
    const TSettings& WorkingCopy() const { return Working; }
    // 1 when the dialog was closed with "Закрыть", 0 otherwise.
    uint8_t AcceptedFlag() const { return AcceptedState; }

    void SetControlsState(const TSettings& record);
    void GetControlsState(TSettings& record) const;

    // Browse dialogs, given the folder to start in (a path of the operating system); they return
    // the chosen folder or file, or "" when the user cancels. Tests replace them; by default
    // they show the toolkit's folder-selection and file-open dialogs.
    std::function<QString(const QString& startFolder)> FolderDialog;
    std::function<QString(const QString& startFolder)> FileDialog;

    // Handlers.
    void sbtn_CloseClick();
    void sbtn_CancelClick();
    void sbtn_SetDefaultsClick();
    void sbtn_SaveClick();
    void cb_OnStartActionChange();
    void cbx_OnStartUseSettingsChange();
    void cbx_UseAlphaBlendClick();
    void de_WorkPathExit();
    void FolderFieldExit(TPathField* field);  // temporary, log and data folder
    void de_WorkPathAfterDialog(const QString& name);
    void FolderFieldAfterDialog(TPathField* field, const QString& name);
    void fe_OnStartFNameAfterDialog(const QString& name);

    // Controls (their object names are these member names).
    QTabWidget* pc_Settings = nullptr;
    TTabRows* tab_Rows = nullptr;  // the tabs' buttons, all in sight
    // "При запуске"
    QLabel* lbl_OnStartAction = nullptr;
    QComboBox* cb_OnStartAction = nullptr;
    QLabel* lbl_OnStartFName = nullptr;
    TPathField* fe_OnStartFName = nullptr;
    QCheckBox* cbx_ShowSplashScreen = nullptr;
    QCheckBox* cbx_ShowWelcomeScreen = nullptr;
    QLabel* lbl_OnStartUseSettings = nullptr;
    QComboBox* cbx_OnStartUseSettings = nullptr;
    // "Каталоги и файлы"
    QLabel* lbl_WorkPath = nullptr;
    TPathField* de_WorkPath = nullptr;
    QLabel* lbl_TempPath = nullptr;
    TPathField* de_TempPath = nullptr;
    QLabel* lbl_LogsPath = nullptr;
    TPathField* de_LogsPath = nullptr;
    QLabel* lbl_DataPath = nullptr;
    TPathField* de_DataPath = nullptr;
    QCheckBox* cbx_AutoCreateDirs = nullptr;
    QGroupBox* gb_ServiceLibs = nullptr;
    TPathField* de_ShemesPath = nullptr;
    QLabel* lbl_ServiceXSLTFName = nullptr;
    TPathField* fe_ServiceXSLTFName = nullptr;
    // "Настройки"
    QCheckBox* cbx_KeepShellDesign = nullptr;
    QCheckBox* cbx_KeepControlState = nullptr;
    QCheckBox* cbx_SaveOnExit = nullptr;
    // "Отладка"
    QCheckBox* cbx_WriteLogToWindow = nullptr;
    QCheckBox* cbx_WriteLogToFile = nullptr;
    QCheckBox* cbx_UseTimeStamp = nullptr;
    QLabel* lbl_DebugLevel = nullptr;
    QComboBox* cb_DebugLevel = nullptr;
    // "Закладки"
    QCheckBox* cbx_SaveBookmarks = nullptr;
    QComboBox* cb_BookmarksStorage = nullptr;
    // "Настройки книги по умолчанию"
    QCheckBox* cbx_TOCisExpanded = nullptr;
    // "Интерфейс"
    QCheckBox* cbx_UseInTOCOneClickAsDblClick = nullptr;
    QLabel* lbl_BrowserFontSize = nullptr;
    QComboBox* cbx_BrowserFontSize = nullptr;
    QGroupBox* gb_AlphaBlend = nullptr;
    QCheckBox* cbx_UseAlphaBlend = nullptr;
    QLabel* lbl_AlphaBlendValueActive = nullptr;
    QSlider* trkb_AlphaBlendValueActive = nullptr;
    QLabel* lbl_AlphaBlendValueUnactive = nullptr;
    QSlider* trkb_AlphaBlendValueUnactive = nullptr;
    // Button strip
    QPushButton* sbtn_SetDefaults = nullptr;
    QPushButton* sbtn_Cancel = nullptr;
    QPushButton* sbtn_Save = nullptr;
    QPushButton* sbtn_Close = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateOnStartTab();
    QWidget* CreateFoldersTab();
    QWidget* CreateSettingsTab();
    QWidget* CreateDebugTab();
    QWidget* CreateBookmarksTab();
    QWidget* CreateBookDefaultsTab();
    QWidget* CreateInterfaceTab();
    QWidget* CreateButtonStrip();
    void ConnectHandlers();
    void Browse(TPathField* field);
    // The folder the working copy's work folder names.
    std::string WorkFolder() const;

    TSettings Working;
    TSettings Defaults;
    uint8_t AcceptedState = 0;
};
