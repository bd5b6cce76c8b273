// The contents tree: built from the service stylesheet's contents XML; clicks and Enter show parts.
#include <QKeyEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <set>
#include <stdexcept>

#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "LibUnit.h"
#include "Log.h"
#include "TBookSession.h"
#include "TContents.h"
#include "Tfrm_Main.h"

namespace {

// A contents node owns the record of the part it names.
class TTOCItem : public QTreeWidgetItem {
public:
    explicit TTOCItem(std::string divId) { Info.DivID = std::move(divId); }
    TTreeNodeInfo Info;
};

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
    if (ReadingMouseButton(watched, event)) return true;
    if (watched == tv_TOC && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            RunGuarded([this] { tv_TOCDblClick(); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tfrm_Main::FillTOC(const TContents& contents) {
    tv_TOC->clear();
    WriteLog("Заполняем дерево навигации...");
    tv_TOC->addTopLevelItems(MakeTOCNodes(contents.Items));
    // The entries read before a fault stay in the tree.
    if (!contents.Error.empty()) throw std::runtime_error(contents.Error);
}

void Tfrm_Main::ShowContents(const TContents& contents) {
    // Contents made again (a reload, a save of the book) keep the entries opened where they still are.
    std::set<std::string> expanded;
    for (QTreeWidgetItemIterator it(tv_TOC); *it; ++it)
        if (const TTreeNodeInfo* info = NodeInfo(*it); info && (*it)->isExpanded()) expanded.insert(info->DivID);
    FillTOC(contents);
    if (BookInfo.TOCisExpanded) tv_TOC->expandAll();
    for (QTreeWidgetItemIterator it(tv_TOC); *it; ++it)
        if (const TTreeNodeInfo* info = NodeInfo(*it); info && expanded.count(info->DivID)) (*it)->setExpanded(true);
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

void Tfrm_Main::act_ReloadTOCExecute() { BookSession->ReloadContents(); }
