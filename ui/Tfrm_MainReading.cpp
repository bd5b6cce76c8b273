// Reading through a book: back and forward through the parts shown, the next and previous part,
// the page put back where the reader left it, and the contents tree following the part on view.
#include <QAction>
#include <QMenu>
#include <QApplication>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include "ErrorGuard.h"
#include "TBookSchemeHandler.h"
#include "TBookSession.h"
#include "TWebBrowser.h"
#include "Tfrm_Main.h"

void Tfrm_Main::ConnectReadingHandlers() {
    connect(act_GoBack, &QAction::triggered, this, Guarded([this] { BookSession->GoBack(); }));
    connect(act_GoForward, &QAction::triggered, this, Guarded([this] { BookSession->GoForward(); }));
    connect(act_GoNextPart, &QAction::triggered, this, Guarded([this] {
                if (const std::string next = BookSession->NextPart(); !next.empty()) ShowBookPart(next, BookInfo, Settings);
            }));
    connect(act_GoPreviousPart, &QAction::triggered, this, Guarded([this] {
                if (const std::string previous = BookSession->PreviousPart(); !previous.empty())
                    ShowBookPart(previous, BookInfo, Settings);
            }));
    connect(BookSession, &TBookSession::NavigationChanged, this, [this] { UpdateReadingActions(); });
    // The switch lives beside the places, read when the menu opens; without saved state it is off.
    if (auto* view = findChild<QMenu*>(QStringLiteral("mnu_View")))
        connect(view, &QMenu::aboutToShow, this, [this] {
            const bool kept = Settings.UseSettings == 1;
            act_ViewRestorePlace->setEnabled(kept);
            act_ViewRestorePlace->setChecked(kept && BookSession->RestoresPlaces());
        });
    if (auto* service = findChild<QMenu*>(QStringLiteral("mnu_Service")))
        connect(service, &QMenu::aboutToShow, this,
                [this] { act_ServiceWatchFiles->setChecked(BookSession->WatchesFiles()); });
    connect(act_ServiceWatchFiles, &QAction::triggered, this,
            Guarded([this] { BookSession->SetWatchesFiles(act_ServiceWatchFiles->isChecked()); }));
    // The files a page of the open book loads are watched with the book's own.
    connect(&TBookSchemeHandler::Installed(), &TBookSchemeHandler::FileServed, this, [this](const QByteArray& file) {
        BookSession->WatchPageFile(file.toStdString());
    });
    connect(act_ViewRestorePlace, &QAction::triggered, this,
            Guarded([this] { BookSession->SetRestoresPlaces(act_ViewRestorePlace->isChecked()); }));

    QWebEnginePage* page = wb_Browser->View()->page();
    connect(page, &QWebEnginePage::scrollPositionChanged, this,
            [this](const QPointF& position) { BookSession->KeepScroll(static_cast<int>(position.y())); });
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool) {
        if (PendingScrollUrl.isEmpty() || wb_Browser->View()->url() != PendingScrollUrl) return;
        PendingScrollUrl = QUrl();
        // A position past the page's end is taken as its end.
        wb_Browser->View()->page()->runJavaScript(QStringLiteral("window.scrollTo(0, %1)").arg(PendingScrollY),
                                                  QWebEngineScript::ApplicationWorld);
    });
    // The mouse's back and forward buttons, wherever the pointer is in the window.
    qApp->installEventFilter(this);
}

void Tfrm_Main::UpdateReadingActions() {
    act_GoBack->setEnabled(BookSession->CanGoBack());
    act_GoForward->setEnabled(BookSession->CanGoForward());
    act_GoNextPart->setEnabled(!BookSession->NextPart().empty());
    act_GoPreviousPart->setEnabled(!BookSession->PreviousPart().empty());
}

// Selects the part's entry, opening the entries above it, without showing the part again (the
// tree shows parts on clicks only).
void Tfrm_Main::ShowInTree(const std::string& divId) {
    QTreeWidgetItem* node = FindTOCNode(divId);
    if (!node || tv_TOC->currentItem() == node) return;
    for (QTreeWidgetItem* parent = node->parent(); parent; parent = parent->parent())
        parent->setExpanded(true);
    tv_TOC->setCurrentItem(node);
    tv_TOC->scrollToItem(node);
}

bool Tfrm_Main::ReadingMouseButton(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress) return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
    if (button == Qt::BackButton) {
        act_GoBack->trigger();
        return true;
    }
    if (button == Qt::ForwardButton) {
        act_GoForward->trigger();
        return true;
    }
    return false;
}
