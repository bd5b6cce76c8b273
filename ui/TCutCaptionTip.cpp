#include "TCutCaptionTip.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyleOptionViewItem>
#include <QToolTip>

TCutCaptionTip::TCutCaptionTip(QAbstractItemView* view) : QObject(view), View(view) {}

void TCutCaptionTip::Install(QAbstractItemView* view) {
    view->viewport()->installEventFilter(new TCutCaptionTip(view));
}

bool TCutCaptionTip::IsCaptionCut(const QAbstractItemView* view, const QModelIndex& index) {
    if (!index.isValid() || index.data(Qt::DisplayRole).toString().isEmpty()) return false;
    const QRect shown = view->visualRect(index);
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.widget = view;
    option.rect = shown;
    option.decorationSize = view->iconSize();
    const int needed = view->itemDelegateForIndex(index)->sizeHint(option, index).width();
    // The row may also run past the viewport's right edge when the column is wider than it.
    const int visibleRight = std::min(shown.right(), view->viewport()->width() - 1);
    return shown.left() + needed - 1 > visibleRight;
}

bool TCutCaptionTip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || watched != View->viewport()) return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = View->indexAt(help->pos());
    if (!index.data(Qt::ToolTipRole).isNull()) return false;  // the item's own tooltip wins
    if (IsCaptionCut(View, index))
        QToolTip::showText(help->globalPos(), index.data(Qt::DisplayRole).toString(), View->viewport(),
                           View->visualRect(index));
    else
        QToolTip::hideText();
    return true;
}
