#include "Tfrm_DebugToolbar.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QSignalBlocker>

#include "ErrorGuard.h"
#include "Log.h"
#include "TSettings.h"
#include "Tfrm_Main.h"

namespace {
// The item index is the log level.
const char* const LevelItems[] = {"Не вести", "Ошибки", "... + предупреждения", "... + ... + сообщения"};
constexpr int LevelCount = 4;
}  // namespace

Tfrm_DebugToolbar::Tfrm_DebugToolbar(Tfrm_Main& frm)
    : TDockableToolbar(QString::fromUtf8("Отладка"), QStringLiteral("tb_DebugToolbar"), frm.act_ViewShowDebugToolbar,
                       frm),
      Main(frm) {
    WriteLog("Создание панели инструментов \"Отладка\"...");
    AddButton(frm.act_ViewShowDebugWin, "tlbt_ViewShowDebugWin");
    addSeparator();
    cb_DebugLevel = new QComboBox(this);
    cb_DebugLevel->setObjectName(QStringLiteral("cb_DebugLevel"));
    cb_DebugLevel->setFixedWidth(150);
    cb_DebugLevel->setFrame(false);
    cb_DebugLevel->setEditable(true);
    cb_DebugLevel->setInsertPolicy(QComboBox::NoInsert);
    for (const char* item : LevelItems)
        cb_DebugLevel->addItem(QString::fromUtf8(item));
    cb_DebugLevel->setCurrentIndex(0);
    addWidget(cb_DebugLevel);
    addSeparator();
    AddButton(frm.act_ReloadServiceXSLTFile, "tlbt_ReloadServiceXSLTFile");
    AddButton(frm.act_ReloadBookXSLTFile, "tlbt_ReloadBookXSLTFile");
    AddButton(frm.act_ReloadTOC, "tlbt_ReloadTOC");

    connect(cb_DebugLevel, &QComboBox::activated, this, Guarded([this] { cb_DebugLevelChange(); }));
    connect(cb_DebugLevel->lineEdit(), &QLineEdit::editingFinished, this,
            Guarded([this] { cb_DebugLevelEditingFinished(); }));
    frm.OnDebugLevelChanged = [self = QPointer<Tfrm_DebugToolbar>(this)](int level) {
        if (self) self->ShowLevel(level);
    };
    WriteLog("Панель инструментов \"Отладка\" создана.");
}

void Tfrm_DebugToolbar::ShowLevel(int level) {
    const QSignalBlocker blocker(cb_DebugLevel);
    cb_DebugLevel->setCurrentIndex(level);
    cb_DebugLevel->setEditText(cb_DebugLevel->itemText(level));
}

void Tfrm_DebugToolbar::cb_DebugLevelChange() {
    const int index = cb_DebugLevel->currentIndex();
    Main.DebugLevelAction(index > 0 && index < LevelCount ? static_cast<uint8_t>(index) : 0)->trigger();
}

void Tfrm_DebugToolbar::cb_DebugLevelEditingFinished() {
    // Losing the focus because the window goes away is no choice of the user's.
    if (!cb_DebugLevel->isVisible()) return;
    const QString text = cb_DebugLevel->currentText();
    const int current = cb_DebugLevel->currentIndex();
    if (current >= 0 && cb_DebugLevel->itemText(current) == text) return;  // nothing was typed
    {
        const QSignalBlocker blocker(cb_DebugLevel);
        cb_DebugLevel->setCurrentIndex(cb_DebugLevel->findText(text, Qt::MatchFixedString));
    }
    cb_DebugLevelChange();
}

void Tfrm_DebugToolbar::InitControlState(const TSettings& settings) {
    WriteLog("Установка состояний элементов панели инструментов \"Отладка\"...");
    {
        const QSignalBlocker blocker(cb_DebugLevel);
        cb_DebugLevel->setCurrentIndex(settings.DebugLevel < LevelCount ? settings.DebugLevel : -1);
    }
    cb_DebugLevelChange();
    // The action flips its flag back to the saved one and shows or hides the pane with it.
    Main.act_ViewShowDebugWin->setChecked(!settings.DebugWindow.Visible);
    Main.act_ViewShowDebugWin->trigger();
    WriteLog("Установка состояний завершена.");
}
