// The HTTP client over real loopback sockets, against a scripted raw HTTP server.
#include "platform/linux/QtHttpClient.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>

namespace {

// What the server does with one request.
struct Action {
    Action(QByteArray r = {}, bool c = false, bool a = false) : reply(std::move(r)), close(c), abort(a) {}
    QByteArray reply;          // written in one piece
    bool close = false;        // close the connection after writing the reply
    bool abort = false;        // drop the connection without a reply
    QList<QByteArray> pieces;  // instead of `reply`: written one piece every `pieceMs`
    int pieceMs = 0;
};

// Failures reach the user as they are: in Japanese, without the socket's English text.
bool noLatinWords(const QString& text) {
    for (QChar c : text)
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))) return false;
    return !text.isEmpty();
}

QByteArray ok(const QByteArray& body, const QByteArray& extra = {}) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extra + "\r\n" + body;
}

// An HTTP/1.1 server on 127.0.0.1 on its own thread: reads requests framed by Content-Length
// and answers each with what the script says.
class RawServer {
public:
    using Script = std::function<Action(int connection, const QByteArray& request)>;

    explicit RawServer(Script script) : script_(std::move(script)), thread_(new QThread), anchor_(new QObject) {
        anchor_->moveToThread(thread_);
        thread_->start();
        QMetaObject::invokeMethod(anchor_, [this] {
            tcp_ = new QTcpServer(anchor_);
            tcp_->listen(QHostAddress::LocalHost, 0);
            QObject::connect(tcp_, &QTcpServer::newConnection, anchor_, [this] { accept(); });
        }, Qt::BlockingQueuedConnection);
    }

    ~RawServer() {
        QMetaObject::invokeMethod(anchor_, [this] { delete tcp_; }, Qt::BlockingQueuedConnection);
        thread_->quit();
        thread_->wait();
        delete anchor_;
        delete thread_;
    }

    QUrl url(const QString& path, const QString& scheme = QStringLiteral("http")) const {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(tcp_->serverPort()).arg(path));
    }

    int connections() const {
        std::lock_guard guard(mutex_);
        return connections_;
    }
    QList<QByteArray> requests() const {
        std::lock_guard guard(mutex_);
        return requests_;
    }
    bool waitForRequests(qsizetype count) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return requests_.size() >= count; });
    }
    // Closes every open connection from the server's side, as an idle timeout would.
    void closeAll() {
        QMetaObject::invokeMethod(anchor_, [this] {
            for (QTcpSocket* socket : anchor_->findChildren<QTcpSocket*>()) socket->disconnectFromHost();
        }, Qt::BlockingQueuedConnection);
    }

private:
    void accept() {
        while (QTcpSocket* socket = tcp_->nextPendingConnection()) {
            socket->setParent(anchor_);
            int index = 0;
            {
                std::lock_guard guard(mutex_);
                index = connections_++;
            }
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer, index] {
                *buffer += socket->readAll();
                if (buffer->startsWith('\x16')) {  // a TLS handshake: answer in plain text and close
                    socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
                    socket->disconnectFromHost();
                    return;
                }
                while (true) {
                    const qsizetype end = buffer->indexOf("\r\n\r\n");
                    if (end < 0) return;
                    qsizetype length = 0;
                    for (const QByteArray& line : buffer->left(end).split('\n')) {
                        if (line.toLower().startsWith("content-length:")) length = line.mid(15).trimmed().toLongLong();
                    }
                    if (buffer->size() < end + 4 + length) return;
                    const QByteArray request = buffer->left(end + 4 + length);
                    buffer->remove(0, request.size());
                    {
                        std::lock_guard guard(mutex_);
                        requests_ << request;
                    }
                    changed_.notify_all();
                    act(socket, script_(index, request));
                }
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    static void act(QTcpSocket* socket, const Action& action) {
        if (action.abort) {
            socket->abort();
            return;
        }
        if (!action.pieces.isEmpty()) {
            QPointer<QTcpSocket> guard(socket);
            for (qsizetype i = 0; i < action.pieces.size(); ++i) {
                QTimer::singleShot(int(i) * action.pieceMs, socket, [guard, piece = action.pieces[i]] {
                    if (guard) guard->write(piece);
                });
            }
            return;
        }
        socket->write(action.reply);
        if (action.close) socket->disconnectFromHost();
    }

    Script script_;
    QThread* thread_;
    QObject* anchor_;
    QTcpServer* tcp_ = nullptr;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    int connections_ = 0;
    QList<QByteArray> requests_;
};

HttpRequest postTo(const QUrl& url, const QByteArray& body = "payload") {
    HttpRequest r;
    r.method = "POST";
    r.url = url;
    r.headers = {{"Content-Type", "text/plain"}};
    r.body = body;
    r.timeoutSeconds = 10;
    return r;
}

// Sends and waits for the completion, checking that it runs exactly once and off the caller's
// thread.
HttpResponse exchange(QtHttpClient& client, HttpRequest request) {
    auto promise = std::make_shared<std::promise<HttpResponse>>();
    auto calls = std::make_shared<std::atomic<int>>(0);
    const Qt::HANDLE caller = QThread::currentThreadId();
    auto onCaller = std::make_shared<std::atomic<bool>>(false);
    client.send(std::move(request), [=](const HttpResponse& response) {
        if (QThread::currentThreadId() == caller) onCaller->store(true);
        if (calls->fetch_add(1) == 0) promise->set_value(response);
    });
    auto future = promise->get_future();
    EXPECT_EQ(future.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    const HttpResponse response = future.get();
    EXPECT_EQ(calls->load(), 1);
    EXPECT_FALSE(onCaller->load());
    return response;
}

TEST(QtHttpClientTest, RequestsShareOneKeptAliveConnectionAndArriveWhole) {
    RawServer server([](int, const QByteArray&) { return Action{ok("{\"text\":\"x\"}")}; });
    QtHttpClient client;
    for (int i = 0; i < 3; ++i) {
        const HttpResponse r = exchange(client, postTo(server.url(QStringLiteral("/v1/transcribe")), QByteArray(40000, char('a' + i))));
        ASSERT_FALSE(r.failed) << r.error.toStdString();
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(r.body, QByteArray("{\"text\":\"x\"}"));
    }
    EXPECT_EQ(server.connections(), 1);
    ASSERT_EQ(server.requests().size(), 3);
    EXPECT_TRUE(server.requests()[2].endsWith(QByteArray(40000, 'c')));
    EXPECT_FALSE(server.requests()[0].contains("Connection: close"));
}

TEST(QtHttpClientTest, ConnectionsTheServerEndedAreNotReused) {
    // Closed by the server while idle, or announced as closing, or with a keep-alive limit too
    // short to trust: each next request opens a fresh connection and succeeds.
    RawServer server([](int connection, const QByteArray&) {
        if (connection == 1) return Action{ok("b", "Connection: close\r\n"), true};
        if (connection == 2) return Action{ok("c", "Keep-Alive: timeout=1\r\n")};
        return Action{ok("a")};
    });
    QtHttpClient client;
    ASSERT_EQ(exchange(client, postTo(server.url(QStringLiteral("/a")))).body, QByteArray("a"));
    server.closeAll();
    ASSERT_EQ(exchange(client, postTo(server.url(QStringLiteral("/b")))).body, QByteArray("b"));
    ASSERT_EQ(exchange(client, postTo(server.url(QStringLiteral("/c")))).body, QByteArray("c"));
    ASSERT_EQ(exchange(client, postTo(server.url(QStringLiteral("/d")))).body, QByteArray("a"));
    EXPECT_EQ(server.connections(), 4);
    EXPECT_EQ(server.requests().size(), 4);
}

TEST(QtHttpClientTest, ADroppedConnectionFailsTheRequestWhichIsSentOnce) {
    // The second request goes over the kept-alive connection, and the server drops it.
    RawServer server([](int, const QByteArray& request) {
        return request.startsWith("POST /drop ") ? Action{{}, false, true} : Action{ok("fine")};
    });
    QtHttpClient client;
    ASSERT_FALSE(exchange(client, postTo(server.url(QStringLiteral("/first")))).failed);
    const HttpResponse dropped = exchange(client, postTo(server.url(QStringLiteral("/drop"))));
    EXPECT_TRUE(dropped.failed);
    EXPECT_TRUE(noLatinWords(dropped.error)) << dropped.error.toStdString();
    EXPECT_FALSE(dropped.hasBody);
    int drops = 0;
    for (const QByteArray& r : server.requests()) drops += r.startsWith("POST /drop ") ? 1 : 0;
    EXPECT_EQ(drops, 1);
    // The client goes on working on a new connection.
    EXPECT_EQ(exchange(client, postTo(server.url(QStringLiteral("/after")))).body, QByteArray("fine"));
}

TEST(QtHttpClientTest, ChunkedAndCloseDelimitedRepliesAndErrorStatusesAreRead) {
    RawServer server([](int, const QByteArray& request) {
        if (request.startsWith("POST /chunked "))
            return Action{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\n{\"t\r\n6\r\next\":1\r\n1\r\n}\r\n0\r\n\r\n"};
        if (request.startsWith("POST /redirect "))
            return Action{"HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n"};
        return Action{"HTTP/1.0 503 Service Unavailable\r\n\r\n{\"error\":\"busy\"}", true};
    });
    QtHttpClient client;
    EXPECT_EQ(exchange(client, postTo(server.url(QStringLiteral("/chunked")))).body, QByteArray("{\"text\":1}"));
    const HttpResponse closing = exchange(client, postTo(server.url(QStringLiteral("/closing"))));
    EXPECT_EQ(closing.status, 503);
    EXPECT_EQ(closing.body, QByteArray("{\"error\":\"busy\"}"));
    // Redirects come back as they are, never followed.
    const HttpResponse redirect = exchange(client, postTo(server.url(QStringLiteral("/redirect"))));
    EXPECT_EQ(redirect.status, 302);
    EXPECT_TRUE(redirect.hasBody);
    EXPECT_EQ(server.requests().size(), 3);
}

TEST(QtHttpClientTest, TheTimeoutCountsIdleTimeNotTheWholeExchange) {
    // 20 pieces 0.1 s apart take 2 s in all, longer than the 1 s timeout, but never idle for it.
    const QByteArray reply = ok(QByteArray(19, 'z'));
    RawServer server([reply](int, const QByteArray& request) {
        Action action;
        if (request.startsWith("POST /silent ")) {
            action.pieces = {QByteArray("HTTP/1.1 200 OK\r\n")};
            return action;
        }
        for (qsizetype i = 0; i < 20; ++i) action.pieces << reply.mid(i * reply.size() / 20, (i + 1) * reply.size() / 20 - i * reply.size() / 20);
        action.pieceMs = 100;
        return action;
    });
    QtHttpClient client;
    HttpRequest slow = postTo(server.url(QStringLiteral("/trickle")));
    slow.timeoutSeconds = 1.0;
    const HttpResponse trickled = exchange(client, slow);
    ASSERT_FALSE(trickled.failed) << trickled.error.toStdString();
    EXPECT_EQ(trickled.body, QByteArray(19, 'z'));

    HttpRequest silent = postTo(server.url(QStringLiteral("/silent")));
    silent.timeoutSeconds = 0.3;
    const HttpResponse timedOut = exchange(client, silent);
    EXPECT_TRUE(timedOut.failed);
    EXPECT_EQ(timedOut.error, QStringLiteral("サーバーから時間内に応答がありませんでした"));
}

TEST(QtHttpClientTest, WithoutKeepAliveEveryRequestHasItsOwnConnection) {
    RawServer server([](int, const QByteArray&) { return Action{ok("k")}; });
    QtHttpClient client(0);
    for (int i = 0; i < 2; ++i) ASSERT_FALSE(exchange(client, postTo(server.url(QStringLiteral("/k")))).failed);
    EXPECT_EQ(server.connections(), 2);
    EXPECT_TRUE(server.requests()[0].contains("\r\nConnection: close\r\n"));
}

TEST(QtHttpClientTest, BadRequestsAndFailedTransportsAreTransportErrors) {
    RawServer server([](int, const QByteArray&) { return Action{ok("never")}; });
    QtHttpClient client;

    // A header that would break the framing never reaches the network.
    HttpRequest injected = postTo(server.url(QStringLiteral("/x")));
    injected.headers = {{"Authorization", "Bearer a\r\nX-Other: b"}};
    const HttpResponse refused = exchange(client, injected);
    EXPECT_TRUE(refused.failed);
    EXPECT_EQ(server.connections(), 0);

    // TLS against a server that does not speak it fails the handshake.
    HttpRequest tls = postTo(server.url(QStringLiteral("/x"), QStringLiteral("https")));
    tls.timeoutSeconds = 5;
    const HttpResponse handshake = exchange(client, tls);
    EXPECT_TRUE(handshake.failed);
    EXPECT_NE(handshake.error, QStringLiteral("サーバーから時間内に応答がありませんでした"));
    EXPECT_TRUE(noLatinWords(handshake.error)) << handshake.error.toStdString();
    EXPECT_TRUE(server.requests().isEmpty());

    // Nobody listening.
    quint16 port = 0;
    {
        QTcpServer gone;
        gone.listen(QHostAddress::LocalHost, 0);
        port = gone.serverPort();
    }
    const HttpResponse refusedConnection = exchange(client, postTo(QUrl(QStringLiteral("http://127.0.0.1:%1/x").arg(port))));
    EXPECT_TRUE(refusedConnection.failed);
    EXPECT_EQ(refusedConnection.error, QStringLiteral("サーバーに接続できませんでした"));
}

TEST(QtHttpClientTest, DestroyingTheClientAbandonsRequestsInFlight) {
    RawServer server([](int, const QByteArray&) {
        Action never;
        never.pieces = {QByteArray("HTTP/1.1 200 OK\r\n")};
        return never;
    });
    auto calls = std::make_shared<std::atomic<int>>(0);
    {
        QtHttpClient client;
        client.send(postTo(server.url(QStringLiteral("/hang"))), [calls](const HttpResponse&) { calls->fetch_add(1); });
        ASSERT_TRUE(server.waitForRequests(1));  // the request is on the server: now destroy the client
    }
    EXPECT_EQ(calls->load(), 0);
}

}  // namespace
