#pragma once
// Refuses every request of the browser engine that a page may not make (see PagePolicy):
// the one place that sees the loads of pages, frames, scripts and sockets alike.
#include <QWebEngineUrlRequestInterceptor>

class TBookRequestGuard : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    explicit TBookRequestGuard(QObject* parent) : QWebEngineUrlRequestInterceptor(parent) {}
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};
