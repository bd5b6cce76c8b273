#pragma once
// Shows an item's whole caption as a tooltip when the view had to cut it; items shown whole
// get no tooltip.
#include <QObject>

class QAbstractItemView;
class QModelIndex;

class TCutCaptionTip : public QObject {
    Q_OBJECT
public:
    // Watches the view's viewport; the filter is owned by the view.
    static void Install(QAbstractItemView* view);

    // True when the caption of the item at index needs more room than the view gives it.
    static bool IsCaptionCut(const QAbstractItemView* view, const QModelIndex& index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TCutCaptionTip(QAbstractItemView* view);
    QAbstractItemView* View;
};
