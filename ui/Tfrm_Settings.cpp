// The settings dialog's window and controls; the state, the rules and the handlers are in
// Tfrm_SettingsState.cpp.
#include "Tfrm_Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "TPathField.h"
#include "TTabRows.h"

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(U(name));
    return widget;
}

QLabel* NewLabel(const char* text, const char* name, QWidget* parent) {
    return Named(new QLabel(U(text), parent), name);
}

QCheckBox* NewCheckBox(const char* text, const char* name, QWidget* parent) {
    return Named(new QCheckBox(U(text), parent), name);
}

// A drop-down whose text can also be typed; typed text that matches no item selects none.
QComboBox* NewDropDown(std::initializer_list<const char*> items, const char* name, QWidget* parent) {
    auto* box = Named(new QComboBox(parent), name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (const char* item : items)
        box->addItem(U(item));
    return box;
}

TPathField* NewFolderField(const char* name, QWidget* parent) {
    return new TPathField(TPathField::TKind::Folder, U(name), parent);
}

TPathField* NewFileField(const char* name, QWidget* parent) {
    return new TPathField(TPathField::TKind::File, U(name), parent);
}

QSlider* NewAlphaSlider(const char* name, QWidget* parent) {
    auto* slider = Named(new QSlider(Qt::Horizontal, parent), name);
    slider->setRange(0, 250);
    slider->setTickInterval(15);
    slider->setTickPosition(QSlider::TicksBelow);
    return slider;
}

// A tab page with a vertical layout that keeps its controls at the top. Little room above and
// below: the rows of tab buttons take that height out of the dialog's fixed size.
QWidget* NewPage(const char* name, QVBoxLayout*& layout) {
    auto* page = Named(new QWidget, name);
    layout = new QVBoxLayout(page);
    const QMargins margins = layout->contentsMargins();
    layout->setContentsMargins(margins.left(), 2, margins.right(), 2);
    return page;
}

// Adds label and field as one row of a grid.
void AddRow(QGridLayout* grid, QLabel* label, QWidget* field) {
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    label->setBuddy(field);
}

}  // namespace

Tfrm_Settings::Tfrm_Settings(const TSettings& working, const TSettings& defaults, QWidget* parent)
    : QDialog(parent), Working(working), Defaults(defaults) {
    setObjectName(QStringLiteral("frm_Settings"));
    setWindowTitle(U("Настройки"));
    // Above ordinary windows, as the program's other dialogs and its viewers are.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint);
    setModal(true);

    pc_Settings = Named(new QTabWidget(this), "pc_Settings");
    pc_Settings->setDocumentMode(true);
    pc_Settings->addTab(CreateOnStartTab(), U("При запуске"));
    pc_Settings->addTab(CreateFoldersTab(), U("Каталоги и файлы"));
    pc_Settings->addTab(CreateSettingsTab(), U("Настройки"));
    pc_Settings->addTab(CreateDebugTab(), U("Отладка"));
    pc_Settings->addTab(CreateBookmarksTab(), U("Закладки"));
    pc_Settings->addTab(CreateBookDefaultsTab(), U("Настройки книги по умолчанию"));
    pc_Settings->addTab(CreateInterfaceTab(), U("Интерфейс"));
    pc_Settings->setCurrentIndex(6);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tab_Rows = new TTabRows(*pc_Settings, ClientWidth, this);  // every tab in sight, in rows
    layout->addWidget(tab_Rows);
    layout->addWidget(pc_Settings, 1);
    layout->addWidget(CreateButtonStrip());
    // 497 x 391, or larger where this desktop's fonts need more room; the size is fixed.
    setFixedSize(sizeHint().expandedTo(QSize(ClientWidth, ClientHeight)));

    // Escape cancels wherever the focus is: the dialog sees key presses before its controls.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    ConnectHandlers();
}

QWidget* Tfrm_Settings::CreateOnStartTab() {
    QVBoxLayout* page;
    QWidget* tab = NewPage("ts_OnStart", page);
    auto* grid = new QGridLayout;
    lbl_OnStartAction = NewLabel("Выполнять действие: ", "lbl_OnStartAction", tab);
    cb_OnStartAction = NewDropDown({"Ничего не делать", "Открыть указанный документ", "Открыть последний документ"},
                                   "cb_OnStartAction", tab);
    AddRow(grid, lbl_OnStartAction, cb_OnStartAction);
    lbl_OnStartFName = NewLabel("Используя документ: ", "lbl_OnStartFName", tab);
    fe_OnStartFName = NewFileField("fe_OnStartFName", tab);
    AddRow(grid, lbl_OnStartFName, fe_OnStartFName);
    page->addLayout(grid);
    cbx_ShowSplashScreen = NewCheckBox("Показывать заставку", "cbx_ShowSplashScreen", tab);
    cbx_ShowWelcomeScreen = NewCheckBox("Показывать экран приветствия", "cbx_ShowWelcomeScreen", tab);
    page->addWidget(cbx_ShowSplashScreen);
    page->addWidget(cbx_ShowWelcomeScreen);
    auto* source = new QGridLayout;
    lbl_OnStartUseSettings = NewLabel("Использовать настройки: ", "lbl_OnStartUseSettings", tab);
    cbx_OnStartUseSettings = NewDropDown({"По умолчанию", "Из конфигурационного файла"}, "cbx_OnStartUseSettings", tab);
    AddRow(source, lbl_OnStartUseSettings, cbx_OnStartUseSettings);
    page->addLayout(source);
    page->addStretch();
    return tab;
}

QWidget* Tfrm_Settings::CreateFoldersTab() {
    QVBoxLayout* page;
    QWidget* tab = NewPage("ts_Folders", page);
    auto* dirs = Named(new QGroupBox(U(" Служебные каталоги "), tab), "gb_ServiceDirs");
    auto* dirsGrid = new QGridLayout(dirs);
    lbl_WorkPath = NewLabel("Рабочий каталог:", "lbl_WorkPath", dirs);
    de_WorkPath = NewFolderField("de_WorkPath", dirs);
    AddRow(dirsGrid, lbl_WorkPath, de_WorkPath);
    lbl_TempPath = NewLabel("Каталог временных файлов:", "lbl_TempPath", dirs);
    de_TempPath = NewFolderField("de_TempPath", dirs);
    AddRow(dirsGrid, lbl_TempPath, de_TempPath);
    lbl_LogsPath = NewLabel("Каталог журнальных файлов и отчётов:", "lbl_LogsPath", dirs);
    de_LogsPath = NewFolderField("de_LogsPath", dirs);
    AddRow(dirsGrid, lbl_LogsPath, de_LogsPath);
    lbl_DataPath = NewLabel("Каталог данных:", "lbl_DataPath", dirs);
    de_DataPath = NewFolderField("de_DataPath", dirs);
    AddRow(dirsGrid, lbl_DataPath, de_DataPath);
    cbx_AutoCreateDirs = NewCheckBox("Автоматически создавать несуществующие каталоги ", "cbx_AutoCreateDirs", dirs);
    dirsGrid->addWidget(cbx_AutoCreateDirs, dirsGrid->rowCount(), 0, 1, 2);
    page->addWidget(dirs);

    gb_ServiceLibs = Named(new QGroupBox(U(" [x] Служебные библиотеки "), tab), "gb_ServiceLibs");
    auto* libsGrid = new QGridLayout(gb_ServiceLibs);
    de_ShemesPath = NewFolderField("de_ShemesPath", gb_ServiceLibs);
    AddRow(libsGrid, NewLabel("Каталог файлов трансформаций:", "lbl_ShemesPath", gb_ServiceLibs), de_ShemesPath);
    lbl_ServiceXSLTFName = NewLabel("Файл сервисных трансформаций: ", "lbl_ServiceXSLTFName", gb_ServiceLibs);
    fe_ServiceXSLTFName = NewFileField("fe_ServiceXSLTFName", gb_ServiceLibs);
    AddRow(libsGrid, lbl_ServiceXSLTFName, fe_ServiceXSLTFName);
    gb_ServiceLibs->setEnabled(false);
    page->addWidget(gb_ServiceLibs);
    page->addStretch();
    return tab;
}

QWidget* Tfrm_Settings::CreateSettingsTab() {
    QVBoxLayout* page;
    QWidget* tab = NewPage("ts_Settings", page);
    cbx_KeepShellDesign =
        NewCheckBox("Запоминать расположения и форму элементов управления", "cbx_KeepShellDesign", tab);
    cbx_KeepControlState = NewCheckBox("Запоминать состояния элементов управления", "cbx_KeepControlState", tab);
    cbx_SaveOnExit = NewCheckBox("Сохранять настройки при выходе (obsolete)", "cbx_SaveOnExit", tab);
    cbx_SaveOnExit->setEnabled(false);
    page->addWidget(cbx_KeepShellDesign);
    page->addWidget(cbx_KeepControlState);
    page->addWidget(cbx_SaveOnExit);
    page->addStretch();
    return tab;
}

QWidget* Tfrm_Settings::CreateDebugTab() {
    QVBoxLayout* page;
    QWidget* tab = NewPage("ts_Debug", page);
    cbx_WriteLogToWindow = NewCheckBox("Вывод информации в окно отладки", "cbx_WriteLogToWindow", tab);
    cbx_WriteLogToFile = NewCheckBox("Вывод информации в файл", "cbx_WriteLogToFile", tab);
    cbx_UseTimeStamp = NewCheckBox("Использовать временные метки", "cbx_UseTimeStamp", tab);
    page->addWidget(cbx_WriteLogToWindow);
    page->addWidget(cbx_WriteLogToFile);
    page->addWidget(cbx_UseTimeStamp);
    auto* grid = new QGridLayout;
    lbl_DebugLevel = NewLabel("Уровень отладки:", "lbl_DebugLevel", tab);
    cb_DebugLevel =
        NewDropDown({"Не вести", "Ошибки", "... + предупреждения", "... + ... + сообщения"}, "cb_DebugLevel", tab);
    AddRow(grid, lbl_DebugLevel, cb_DebugLevel);
    page->addLayout(grid);
    page->addStretch();
    return tab;
}

QWidget* Tfrm_Settings::CreateBookmarksTab() {
    QVBoxLayout* page;
    QWidget* tab = NewPage("ts_Bookmarks", page);
    cbx_SaveBookmarks = NewCheckBox("Сохранять закладки при выходе", "cbx_SaveBookmarks", tab);
    cbx_SaveBookmarks->setEnabled(false);
    page->addWidget(cbx_SaveBookmarks);
    auto* grid = new QGridLayout;
    QLabel* storage = NewLabel("Хранить настройки в: ", "lbl_BookmarksStorage", tab);
    cb_BookmarksStorage = NewDropDown({"В Registry", "В конфигурационном файле книги"}, "cb_BookmarksStorage", tab);
    cb_BookmarksStorage->setCurrentIndex(-1);
    cb_BookmarksStorage->setEditText(U("По умолчанию"));
    AddRow(grid, storage, cb_BookmarksStorage);
    storage->setEnabled(false);
    cb_BookmarksStorage->setEnabled(false);
    page->addLayout(grid);
    page->addWidget(NewLabel("Возможно это стоит вынести в настройки  конкретной книги", "lbl_BookmarksNote", tab));
    page->addStretch();
    return tab;
}

QWidget* Tfrm_Settings::CreateBookDefaultsTab() {
    QVBoxLayout* page;
    QWidget* tab = NewPage("ts_BookDefaults", page);
    cbx_TOCisExpanded = NewCheckBox("Раскрывать оглавление при загрузке", "cbx_TOCisExpanded", tab);
    page->addWidget(cbx_TOCisExpanded);
    // Placeholders: shown, bound to nothing, never enabled.
    auto* placeholders = Named(new QWidget(tab), "pnl_BookDefaults");
    auto* grid = new QGridLayout(placeholders);
    grid->setContentsMargins(0, 0, 0, 0);
    AddRow(grid, NewLabel("Имя XSLTT файла: ", "lbl_BookXSLTTFName", placeholders),
           NewFileField("fe_BookXSLTTFName", placeholders));
    AddRow(grid, NewLabel("Имя XML файла: ", "lbl_BookXMLFName", placeholders),
           NewFileField("fe_BookXMLFName", placeholders));
    AddRow(grid, NewLabel("Рабочий каталог:", "lbl_BookWorkPath", placeholders),
           NewFolderField("de_BookWorkPath", placeholders));
    AddRow(grid, NewLabel("Каталог данных:", "lbl_BookDataPath", placeholders),
           NewFolderField("de_BookDataPath", placeholders));
    AddRow(grid, NewLabel("Каталог служебных библиотек:", "lbl_BookLibsPath", placeholders),
           NewFolderField("de_BookLibsPath", placeholders));
    placeholders->setEnabled(false);
    page->addWidget(placeholders);
    page->addStretch();
    return tab;
}

QWidget* Tfrm_Settings::CreateInterfaceTab() {
    QVBoxLayout* page;
    QWidget* tab = NewPage("ts_Interface", page);
    auto* toc = Named(new QGroupBox(U(" Оглавление "), tab), "gb_TOC");
    auto* tocLayout = new QVBoxLayout(toc);
    cbx_UseInTOCOneClickAsDblClick =
        NewCheckBox("Не различать при навигации одинарный и двойной клики", "cbx_UseInTOCOneClickAsDblClick", toc);
    tocLayout->addWidget(cbx_UseInTOCOneClickAsDblClick);
    page->addWidget(toc);

    auto* browser = Named(new QGroupBox(U(" Браузер "), tab), "gb_Browser");
    auto* browserGrid = new QGridLayout(browser);
    lbl_BrowserFontSize = NewLabel("Размер шрифта в браузере:", "lbl_BrowserFontSize", browser);
    cbx_BrowserFontSize =
        NewDropDown({"Самый крупный", "Крупный", "Средний", "Мелкий", "Самый мелкий"}, "cbx_BrowserFontSize", browser);
    AddRow(browserGrid, lbl_BrowserFontSize, cbx_BrowserFontSize);
    page->addWidget(browser);

    gb_AlphaBlend = Named(new QGroupBox(U(" Прозрачность "), tab), "gb_AlphaBlend");
    auto* alphaGrid = new QGridLayout(gb_AlphaBlend);
    cbx_UseAlphaBlend =
        NewCheckBox("Использовать прозрачность для всплывающих окон", "cbx_UseAlphaBlend", gb_AlphaBlend);
    alphaGrid->addWidget(cbx_UseAlphaBlend, 0, 0, 1, 2);
    lbl_AlphaBlendValueActive = NewLabel("Активных:", "lbl_AlphaBlendValueActive", gb_AlphaBlend);
    trkb_AlphaBlendValueActive = NewAlphaSlider("trkb_AlphaBlendValueActive", gb_AlphaBlend);
    AddRow(alphaGrid, lbl_AlphaBlendValueActive, trkb_AlphaBlendValueActive);
    lbl_AlphaBlendValueUnactive = NewLabel("Неактивных:", "lbl_AlphaBlendValueUnactive", gb_AlphaBlend);
    trkb_AlphaBlendValueUnactive = NewAlphaSlider("trkb_AlphaBlendValueUnactive", gb_AlphaBlend);
    AddRow(alphaGrid, lbl_AlphaBlendValueUnactive, trkb_AlphaBlendValueUnactive);
    page->addWidget(gb_AlphaBlend);
    page->addStretch();
    return tab;
}

QWidget* Tfrm_Settings::CreateButtonStrip() {
    auto* strip = Named(new QWidget(this), "pnl_Buttons");
    strip->setFixedHeight(34);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(4, 2, 4, 2);
    auto button = [strip](const char* text, const char* name) {
        auto* b = Named(new QPushButton(U(text), strip), name);
        b->setFlat(true);
        b->setAutoDefault(false);  // Enter in a field closes nothing
        return b;
    };
    sbtn_SetDefaults = button("Умолчания", "sbtn_SetDefaults");
    sbtn_Cancel = button("Отменить", "sbtn_Cancel");
    sbtn_Save = button("Сохранить", "sbtn_Save");
    sbtn_Close = button("Закрыть", "sbtn_Close");
    layout->addWidget(sbtn_SetDefaults);
    layout->addWidget(sbtn_Cancel);
    layout->addStretch();
    layout->addWidget(sbtn_Save);
    layout->addWidget(sbtn_Close);
    return strip;
}
