#pragma once

#include "platform/HttpClient.h"

#include <QObject>

class QThread;
class QNetworkAccessManager;

// HttpClient over Qt Network. One QNetworkAccessManager lives on a dedicated thread; requests
// are handed to it from any thread and completions run there. No cache, no retries, no cookies.
class QtHttpClient final : public HttpClient {
public:
    QtHttpClient();
    ~QtHttpClient() override;  // replies still in flight are abandoned without a completion

    QtHttpClient(const QtHttpClient&) = delete;
    QtHttpClient& operator=(const QtHttpClient&) = delete;

    void send(HttpRequest request, Completion completion) override;
    HttpResponse sendAndWait(HttpRequest request, double waitLimitSeconds) override;

private:
    QThread* thread_;
    QObject* context_;                 // lives on thread_
    QNetworkAccessManager* manager_;   // lives on thread_
};
