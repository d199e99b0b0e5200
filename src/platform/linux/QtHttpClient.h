#pragma once

#include "platform/HttpClient.h"

class QThread;

// HttpClient over Qt's TCP and TLS sockets, speaking HTTP/1.1 itself.
//
// Why not QNetworkAccessManager: it writes a request's headers and body in separate writes on
// a socket without TCP_NODELAY, so the body's last segment waits for the server's delayed ACK
// (about 40 ms on every request), and it silently sends a request a second time when a
// kept-alive connection closes before the reply. Here every request is written in one piece on
// a socket with TCP_NODELAY, and nothing is ever sent twice.
//
// One worker thread ("quendle.http") runs every exchange; completions run there, exactly once.
// No cache, no cookies, no redirects followed (a 3xx is returned as it is), no proxy. https
// URLs use TLS with the system's certificate authorities and full peer verification.
//
// Connections are kept alive between requests (the warm-up ping opens the connection that the
// transcription then uses) for at most `idleReuseSeconds`, shortened by the server's own
// "Keep-Alive: timeout=N". Before an idle connection is reused it is checked for a close or
// stray bytes from the server; if either is seen a fresh connection is opened. A connection
// that closes once a request is under way fails that request: it is never re-sent.
class QtHttpClient final : public HttpClient {
public:
    static constexpr double kDefaultIdleReuseSeconds = 30.0;

    // `idleReuseSeconds` 0 turns keep-alive off (one connection per request).
    explicit QtHttpClient(double idleReuseSeconds = kDefaultIdleReuseSeconds);
    ~QtHttpClient() override;  // exchanges still in flight are abandoned without a completion

    QtHttpClient(const QtHttpClient&) = delete;
    QtHttpClient& operator=(const QtHttpClient&) = delete;

    void send(HttpRequest request, Completion completion) override;
    HttpResponse sendAndWait(HttpRequest request, double waitLimitSeconds) override;

    class Engine;

private:
    QThread* thread_;
    Engine* engine_;  // lives on thread_
};
