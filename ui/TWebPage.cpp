#include "TWebPage.h"

#include <QPointer>

#include "Log.h"
#include "TWebBrowser.h"

TWebPage::TWebPage(QWebEngineProfile* profile, TWebBrowser& browser, QObject* parent)
    : QWebEnginePage(profile, parent), Browser(browser) {}

void TWebPage::ResetDialogs() {
    DialogsInRow = 0;
    Silenced = false;
}

bool TWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    return Browser.AcceptNavigation(url, type == NavigationTypeLinkClicked, isMainFrame);
}

void TWebPage::javaScriptAlert(const QUrl&, const QString& msg) {
    RunDialog(TPageDialog::TKind::Alert, msg, {}, nullptr);
}

bool TWebPage::javaScriptConfirm(const QUrl&, const QString& msg) {
    return RunDialog(TPageDialog::TKind::Confirm, msg, {}, nullptr);
}

bool TWebPage::javaScriptPrompt(const QUrl&, const QString& msg, const QString& defaultValue, QString* result) {
    return RunDialog(TPageDialog::TKind::Prompt, msg, defaultValue, result);
}

bool TWebPage::RunDialog(TPageDialog::TKind kind, const QString& msg, const QString& defaultValue, QString* result) {
    if (Silenced) return false;
    ++DialogsInRow;
    QPointer<TWebPage> self(this);
    // Parented to the browser: the dialog goes with its window should that close meanwhile.
    QPointer<TPageDialog> dialog = new TPageDialog(kind, msg, defaultValue, DialogsInRow >= 2, &Browser);
    // Modal to the page's own window only: the other windows, the main window's close box
    // among them, stay usable while a viewer's page waits for an answer.
    dialog->setWindowModality(Qt::WindowModal);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!self || !dialog) return false;
    if (dialog->SilenceAsked()) {
        Silenced = true;
        WriteLog("Сообщения страницы больше не показываются: " + url().toDisplayString().toStdString());
    }
    if (result && accepted) *result = dialog->Value();
    delete dialog.data();
    return accepted;
}
