// The contents tree: built from the service stylesheet's contents XML; clicks and Enter show parts.
#include <QKeyEvent>
#include <QTreeWidget>
#include <stdexcept>

#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "LibUnit.h"
#include "Log.h"
#include "TContents.h"
#include "Tfrm_Main.h"

namespace {

// A contents node owns the record of the part it names.
class TTOCItem : public QTreeWidgetItem {
public:
    explicit TTOCItem(std::string divId) { Info.DivID = std::move(divId); }
    TTreeNodeInfo Info;
};

// The first count characters of a UTF-8 text.
std::string LeftChars(const std::string& text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t chars = 0; i < text.size() && chars < count; ++chars) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
    }
    return text.substr(0, i);
}

}  // namespace

const TTreeNodeInfo* Tfrm_Main::NodeInfo(const QTreeWidgetItem* node) {
    const auto* item = dynamic_cast<const TTOCItem*>(node);
    return item ? &item->Info : nullptr;
}

void Tfrm_Main::ConnectTOCHandlers() {
    connect(tv_TOC, &QTreeWidget::itemClicked, this, Guarded([this] { tv_TOCClick(); }));
    connect(tv_TOC, &QTreeWidget::itemDoubleClicked, this, Guarded([this] { tv_TOCDblClick(); }));
}

bool Tfrm_Main::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tv_TOC && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            RunGuarded([this] { tv_TOCDblClick(); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool Tfrm_Main::BuildTOC() {
    WriteLog("Формирование оглавления...");
    bool filled = false;
    ContentsRun = Transform(BookInfo, [](TBookInfo& copy, const TRunControl& control) {
        return RunServiceAction(TServiceAction::MakeTOC, copy, control);
    });
    if (!ContentsRun) return false;  // a later request has the window now
    const std::string& data = ContentsRun->Html;
    if (!data.empty()) {
        WriteLog("Буфер трансформации не пуст.");
        WriteLog("*** sData:" + LeftChars(data, 225) + "...");
        WriteLog("Загрузка данных в XML-объект...");
        filled = LoadTOCFromXml(data);
    }
    WriteLog("Формирование оглавления завершено.");
    return filled;
}

bool Tfrm_Main::LoadTOCFromXml(const std::string& data) {
    const TContents contents = ReadContents(data);
    if (!contents.Parsed) {
        WriteLog("Ошибка загрузки данных.", TLogLevel::Error);
        return false;
    }
    WriteLog("Загрузка данных успешна.");
    tv_TOC->clear();
    WriteLog("Заполняем дерево навигации...");
    tv_TOC->addTopLevelItems(MakeTOCNodes(contents.Items));
    // The entries read before a fault stay in the tree.
    if (!contents.Error.empty()) throw std::runtime_error(contents.Error);
    return true;
}

// Each entry's subtree is built before it joins the tree: items outside a tree cost its model
// nothing, so a contents of thousands of entries fills at once. The tree owns them once added.
QList<QTreeWidgetItem*> Tfrm_Main::MakeTOCNodes(const std::vector<TContentsItem>& items) {
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(static_cast<qsizetype>(items.size()));
    for (const TContentsItem& item : items) {
        auto* node = new TTOCItem(item.DivID);
        node->setText(0, QString::fromStdString(item.Caption));
        node->addChildren(MakeTOCNodes(item.Children));
        nodes << node;
    }
    return nodes;
}

void Tfrm_Main::tv_TOCDblClick() {
    const QList<QTreeWidgetItem*> selected = tv_TOC->selectedItems();
    if (!selected.isEmpty()) {
        const QTreeWidgetItem* node = selected.constFirst();
        const TTreeNodeInfo* info = NodeInfo(node);
        // Copies: the node may go while the part is being shown.
        const std::string divId = info ? info->DivID : std::string();
        WriteLog(node->text(0).toStdString() + "|" + divId);
        ShowBookPart(CutDivId(divId), BookInfo, Settings);
    }
    tv_TOC->setFocus();
}

void Tfrm_Main::tv_TOCClick() {
    if (Settings.UseInTOCOneClickAsDblClick) tv_TOCDblClick();
}

void Tfrm_Main::ClickTOConTopItem() {
    if (tv_TOC->topLevelItemCount() == 0 || !isVisible()) return;
    tv_TOC->setFocus();
    tv_TOC->setCurrentItem(tv_TOC->topLevelItem(0));
    tv_TOCDblClick();
}

void Tfrm_Main::act_ReloadTOCExecute() {
    LoadServiceStylesheet(BookInfo);
    // New contents may name other parts: the search index follows them (an unchanged one is reused).
    if (BuildTOC() && BookInfo.Opened) StartSearchIndex();
}
