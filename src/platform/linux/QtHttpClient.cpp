#include "platform/linux/QtHttpClient.h"

#include "platform/linux/HttpWire.h"

#include <QHash>
#include <QMetaObject>
#include <QNetworkProxy>
#include <QPointer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>
#include <memory>
#include <sys/socket.h>

namespace {

const QString kTimedOut = QStringLiteral("サーバーから時間内に応答がありませんでした");

// What went wrong with the connection, in the user's language: the message reaches the user as it
// is. The socket's own text is English, so an unnamed failure carries only its number.
QString describeSocketError(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("サーバーに接続できませんでした");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("サーバーが見つかりません");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("ネットワークにつながっていません");
    case QAbstractSocket::SocketTimeoutError:
        return kTimedOut;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return QStringLiteral("安全な接続を確立できませんでした");
    default:
        return QStringLiteral("サーバーとの通信に失敗しました（ソケットエラー ") + QString::number(int(error)) + QStringLiteral("）");
    }
}
constexpr int kMaxIdlePerOrigin = 4;

QString originKey(const QUrl& url) {
    return url.scheme() + QStringLiteral("://") + url.host(QUrl::FullyEncoded) + QLatin1Char(':') +
           QString::number(url.port(HttpWire::defaultPort(url.scheme())));
}

int milliseconds(double seconds) { return int(std::clamp(seconds * 1000.0, 1.0, 2.0e9)); }

// Whether an idle kept-alive connection can carry a request: still connected, and the server
// has neither closed it nor sent anything since the last reply. The kernel is asked directly,
// because a close that arrived a moment ago may not have reached the event loop yet.
bool idleConnectionIsSound(QAbstractSocket* socket) {
    if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesAvailable() > 0) return false;
    if (auto* ssl = qobject_cast<QSslSocket*>(socket); ssl && (!ssl->isEncrypted() || ssl->encryptedBytesAvailable() > 0)) {
        return false;
    }
    const qintptr fd = socket->socketDescriptor();
    if (fd < 0) return false;
    char byte = 0;
    const ssize_t n = ::recv(int(fd), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

}  // namespace

// Lives on the client's thread and owns every socket and exchange there.
class QtHttpClient::Engine final : public QObject {
public:
    explicit Engine(double idleReuseSeconds) : idleReuseSeconds_(idleReuseSeconds) {}
    ~Engine() override;

    void start(HttpRequest request, Completion completion);

private:
    class Exchange;
    struct Idle {
        QAbstractSocket* socket;
        quint64 serial;
    };

    QAbstractSocket* takeIdle(const QString& key);
    void keepIdle(const QString& key, QAbstractSocket* socket, double seconds);
    void removeIdle(QAbstractSocket* socket);
    static void discard(QAbstractSocket* socket);

    const double idleReuseSeconds_;
    QHash<QString, QList<Idle>> idle_;
    quint64 nextSerial_ = 0;
};

// One request: connect (or reuse), write it in one piece, read the reply, complete once.
class QtHttpClient::Engine::Exchange final : public QObject {
public:
    Exchange(Engine* engine, HttpRequest request, Completion completion)
        : QObject(engine), engine_(engine), request_(std::move(request)), completion_(std::move(completion)),
          reader_(request_.method) {}

    void begin();

private:
    void attach(QAbstractSocket* socket);
    void write();
    void readable();
    void consume(const QByteArray& bytes, bool open);
    void closed();
    void failed(QAbstractSocket::SocketError error);
    void finish(const HttpResponse& response, double keepSeconds = 0);

    Engine* engine_;
    HttpRequest request_;
    Completion completion_;
    QString key_;
    QByteArray wire_;
    QAbstractSocket* socket_ = nullptr;
    HttpReplyReader reader_;
    QTimer timer_;
    bool done_ = false;
};

void QtHttpClient::Engine::start(HttpRequest request, Completion completion) {
    (new Exchange(this, std::move(request), std::move(completion)))->begin();
}

QtHttpClient::Engine::~Engine() {
    // Abandon everything without a completion: no socket may call back into a half-destroyed
    // exchange while the children are deleted.
    for (QAbstractSocket* socket : findChildren<QAbstractSocket*>(Qt::FindDirectChildrenOnly)) {
        QObject::disconnect(socket, nullptr, nullptr, nullptr);
        socket->abort();
    }
}

QAbstractSocket* QtHttpClient::Engine::takeIdle(const QString& key) {
    auto found = idle_.find(key);
    while (found != idle_.end() && !found->isEmpty()) {
        QAbstractSocket* socket = found->takeLast().socket;
        QObject::disconnect(socket, nullptr, this, nullptr);
        if (idleConnectionIsSound(socket)) return socket;
        discard(socket);
    }
    return nullptr;
}

void QtHttpClient::Engine::keepIdle(const QString& key, QAbstractSocket* socket, double seconds) {
    QList<Idle>& list = idle_[key];
    if (seconds <= 0 || list.size() >= kMaxIdlePerOrigin) {
        discard(socket);
        return;
    }
    const quint64 serial = ++nextSerial_;
    list.append({socket, serial});
    // Anything from the server while idle (a close, stray bytes) ends the connection.
    QObject::connect(socket, &QAbstractSocket::readyRead, this, [this, socket] { removeIdle(socket); });
    QObject::connect(socket, &QAbstractSocket::disconnected, this, [this, socket] { removeIdle(socket); });
    QObject::connect(socket, &QAbstractSocket::errorOccurred, this, [this, socket] { removeIdle(socket); });
    QTimer::singleShot(milliseconds(seconds), socket, [this, key, socket, serial] {
        const auto found = idle_.constFind(key);
        if (found == idle_.cend()) return;
        for (const Idle& entry : *found) {
            if (entry.socket == socket && entry.serial == serial) {
                removeIdle(socket);
                return;
            }
        }
    });
}

void QtHttpClient::Engine::removeIdle(QAbstractSocket* socket) {
    for (auto it = idle_.begin(); it != idle_.end(); ++it) {
        const qsizetype removed = it->removeIf([socket](const Idle& entry) { return entry.socket == socket; });
        if (removed > 0) {
            discard(socket);
            return;
        }
    }
}

void QtHttpClient::Engine::discard(QAbstractSocket* socket) {
    QObject::disconnect(socket, nullptr, nullptr, nullptr);
    socket->abort();
    socket->deleteLater();
}

void QtHttpClient::Engine::Exchange::begin() {
    const QUrl& url = request_.url;
    const bool keepAlive = engine_->idleReuseSeconds_ > 0;
    HttpWire::EncodedRequest encoded = HttpWire::encodeRequest(request_, keepAlive);
    if (!encoded.error.isEmpty()) {
        finish(HttpResponse::transportError(encoded.error));
        return;
    }
    wire_ = std::move(encoded.bytes);
    const bool tls = url.scheme() == QLatin1String("https");
    if (tls && !QSslSocket::supportsSsl()) {
        finish(HttpResponse::transportError(QStringLiteral("この環境では暗号化通信（TLS）が使えません")));
        return;
    }
    key_ = originKey(url);

    // The timeout is idle time: every step of progress starts it again.
    timer_.setSingleShot(true);
    timer_.setInterval(milliseconds(request_.timeoutSeconds));
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { finish(HttpResponse::transportError(kTimedOut)); });
    timer_.start();

    if (QAbstractSocket* idle = engine_->takeIdle(key_)) {
        attach(idle);
        write();
        return;
    }

    QAbstractSocket* socket = tls ? static_cast<QAbstractSocket*>(new QSslSocket(engine_)) : new QTcpSocket(engine_);
    socket->setProxy(QNetworkProxy::NoProxy);
    attach(socket);
    QObject::connect(socket, &QAbstractSocket::connected, this, [this, tls] {
        // Without this the last small segment of a request waits for the server's delayed ACK.
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        timer_.start();
        if (!tls) write();
    });
    const quint16 port = quint16(url.port(HttpWire::defaultPort(url.scheme())));
    if (auto* ssl = qobject_cast<QSslSocket*>(socket)) {
        QObject::connect(ssl, &QSslSocket::encrypted, this, [this] {
            timer_.start();
            write();
        });
        QObject::connect(ssl, &QSslSocket::encryptedBytesWritten, this, [this] { timer_.start(); });
        ssl->connectToHostEncrypted(url.host(), port);
    } else {
        socket->connectToHost(url.host(), port);
    }
}

void QtHttpClient::Engine::Exchange::attach(QAbstractSocket* socket) {
    socket_ = socket;
    QObject::connect(socket, &QAbstractSocket::bytesWritten, this, [this] { timer_.start(); });
    QObject::connect(socket, &QAbstractSocket::readyRead, this, [this] { readable(); });
    QObject::connect(socket, &QAbstractSocket::disconnected, this, [this] { closed(); });
    QObject::connect(socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) { failed(error); });
}

void QtHttpClient::Engine::Exchange::write() {
    if (done_ || !socket_) return;
    // The whole request in one write: headers and body leave together.
    socket_->write(wire_);
    if (!qobject_cast<QSslSocket*>(socket_)) socket_->flush();
}

void QtHttpClient::Engine::Exchange::readable() {
    if (done_ || !socket_) return;
    timer_.start();
    consume(socket_->readAll(), true);
}

void QtHttpClient::Engine::Exchange::consume(const QByteArray& bytes, bool open) {
    switch (reader_.feed(bytes)) {
    case HttpReplyReader::State::Incomplete:
        return;
    case HttpReplyReader::State::Failed:
        finish(HttpResponse::transportError(reader_.error()));
        return;
    case HttpReplyReader::State::Complete: {
        double keep = 0;
        auto* ssl = qobject_cast<QSslSocket*>(socket_);
        const bool allWritten = socket_->bytesToWrite() == 0 && (!ssl || ssl->encryptedBytesToWrite() == 0);
        if (open && engine_->idleReuseSeconds_ > 0 && reader_.reusable() && allWritten) {
            keep = engine_->idleReuseSeconds_;
            // Leave the server's own limit a second's margin, so we never send as it closes.
            if (const auto limit = reader_.keepAliveTimeout()) keep = std::min(keep, *limit - 1.0);
        }
        finish(HttpResponse::reply(reader_.status(), reader_.body()), keep);
        return;
    }
    }
}

void QtHttpClient::Engine::Exchange::closed() {
    if (done_ || !socket_) return;
    consume(socket_->readAll(), false);
    if (done_) return;
    if (reader_.close() == HttpReplyReader::State::Complete) {
        finish(HttpResponse::reply(reader_.status(), reader_.body()));
    } else {
        finish(HttpResponse::transportError(reader_.error()));
    }
}

void QtHttpClient::Engine::Exchange::failed(QAbstractSocket::SocketError error) {
    if (done_ || !socket_) return;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        closed();
        return;
    }
    finish(HttpResponse::transportError(describeSocketError(error)));
}

void QtHttpClient::Engine::Exchange::finish(const HttpResponse& response, double keepSeconds) {
    if (done_) return;
    done_ = true;
    timer_.stop();
    if (socket_) {
        QObject::disconnect(socket_, nullptr, this, nullptr);
        if (keepSeconds > 0) {
            engine_->keepIdle(key_, socket_, keepSeconds);
        } else {
            discard(socket_);
        }
        socket_ = nullptr;
    }
    Completion completion = std::move(completion_);
    deleteLater();
    completion(response);
}

// ------------------------------------------------------------------ the client

QtHttpClient::QtHttpClient(double idleReuseSeconds) : thread_(new QThread), engine_(new Engine(idleReuseSeconds)) {
    thread_->setObjectName(QStringLiteral("quendle.http"));
    engine_->moveToThread(thread_);
    thread_->start();
}

QtHttpClient::~QtHttpClient() {
    QMetaObject::invokeMethod(engine_, [this] {
        delete engine_;
        engine_ = nullptr;
    }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete thread_;
}

void QtHttpClient::send(HttpRequest request, Completion completion) {
    Engine* engine = engine_;
    QMetaObject::invokeMethod(engine, [engine, request = std::move(request), completion = std::move(completion)]() mutable {
        engine->start(std::move(request), std::move(completion));
    }, Qt::QueuedConnection);
}

HttpResponse QtHttpClient::sendAndWait(HttpRequest request, double waitLimitSeconds) {
    Q_ASSERT(QThread::currentThread() != thread_);
    auto promise = std::make_shared<std::promise<HttpResponse>>();
    auto future = promise->get_future();
    send(std::move(request), [promise](const HttpResponse& response) { promise->set_value(response); });
    const auto limit = std::chrono::milliseconds(qint64(std::max(0.0, waitLimitSeconds) * 1000.0));
    if (future.wait_for(limit) != std::future_status::ready) {
        return HttpResponse::transportError(kTimedOut);
    }
    return future.get();
}
