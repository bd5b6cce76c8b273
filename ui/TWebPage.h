#pragma once
// The page policy of the browser control: navigations go to its events; a new window is
// asked for through newWindowRequested, which the control answers. The page's dialogs are
// the control's own: from the second in a row the reader can silence them.
#include <QWebEnginePage>

#include "TPageDialog.h"

class TWebBrowser;

class TWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    TWebPage(QWebEngineProfile* profile, TWebBrowser& browser, QObject* parent);
    // A page the program shows starts with its dialogs allowed and counted anew.
    void ResetDialogs();
    bool DialogsSilenced() const { return Silenced; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;

private:
    // Shows one dialog; false when it was cancelled, silenced or its window went meanwhile.
    bool RunDialog(TPageDialog::TKind kind, const QString& msg, const QString& defaultValue, QString* result);

    TWebBrowser& Browser;
    int DialogsInRow = 0;
    bool Silenced = false;
};
