#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

// One HTTP request as the service client builds it. Headers are sent in the order given.
struct HttpRequest {
    QByteArray method = "GET";
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    std::optional<QByteArray> body;  // absent: the request has no body at all
    double timeoutSeconds = 60.0;    // idle time without any progress before the request fails

    QByteArray header(const QByteArray& name) const;  // case-insensitive; empty when absent
    bool hasHeader(const QByteArray& name) const;
};

// What came back: either a transport error (no HTTP response at all) or a response with a
// status. `body` is absent when nothing was received (a transport error always has none).
struct HttpResponse {
    bool failed = false;  // a transport error: no HTTP response at all
    QString error;        // what went wrong, when failed (timeout, refused, TLS, …)
    int status = 0;       // HTTP status; 0 when there is no HTTP response
    bool hasBody = false; // false when nothing was received (never true when failed)
    QByteArray body;

    static HttpResponse transportError(const QString& text) {
        HttpResponse r;
        r.failed = true;
        r.error = text;
        return r;
    }
    static HttpResponse reply(int status, const QByteArray& body) {
        HttpResponse r;
        r.status = status;
        r.hasBody = true;
        r.body = body;
        return r;
    }
};

// The HTTP facility: every request is sent once, never retried, never cancelled, never cached.
class HttpClient {
public:
    using Completion = std::function<void(const HttpResponse&)>;

    virtual ~HttpClient() = default;

    // Returns at once. The completion runs exactly once on the client's own worker thread
    // (never on the main queue); callers hop to the main queue themselves.
    virtual void send(HttpRequest request, Completion completion) = 0;

    // Sends and blocks the calling thread until the reply arrives or `waitLimitSeconds` passes;
    // a reply that comes later is dropped and the result is a transport error. Never call it
    // from the client's worker thread.
    virtual HttpResponse sendAndWait(HttpRequest request, double waitLimitSeconds) = 0;
};
