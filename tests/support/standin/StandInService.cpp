#include "StandInService.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QHostAddress>
#include <QJsonDocument>
#include <QPointer>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <chrono>

// ------------------------------------------------------------------ replies

StandInService::Reply StandInService::Reply::text(const QString& text) {
    return json(200, QJsonObject{{QStringLiteral("text"), text}});
}

StandInService::Reply StandInService::Reply::json(int status, const QJsonObject& object) {
    Reply r;
    r.status = status;
    r.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return r;
}

StandInService::Reply StandInService::Reply::error(int status, const QString& message) {
    return json(status, QJsonObject{{QStringLiteral("error"), message}});
}

StandInService::Reply StandInService::Reply::withoutError(int status) {
    return json(status, QJsonObject{{QStringLiteral("detail"), QStringLiteral("stand-in status")}});
}

StandInService::Reply StandInService::Reply::raw(int status, const QByteArray& body, const QByteArray& contentType) {
    Reply r;
    r.status = status;
    r.body = body;
    r.contentType = contentType;
    return r;
}

StandInService::Reply StandInService::Reply::empty(int status) { return raw(status, QByteArray()); }

StandInService::Reply StandInService::Reply::delayed(int delayMs, Reply reply) {
    reply.delayMs = delayMs;
    return reply;
}

StandInService::Reply StandInService::Reply::dropConnection() {
    Reply r;
    r.drop = true;
    return r;
}

QByteArray StandInService::Request::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    }
    return {};
}

bool StandInService::Request::hasHeader(const QByteArray& name) const {
    for (const auto& entry : headers) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

// ------------------------------------------------------------------ checks

namespace {

using Request = StandInService::Request;

bool isUTF8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(bytes);
    return !decoder.hasError();
}

// Parses a multipart/form-data body exactly as the client frames it.
void parseMultipart(Request& request, const QByteArray& boundary) {
    const QByteArray& body = request.body;
    const QByteArray open = "--" + boundary + "\r\n";
    const QByteArray separator = "\r\n--" + boundary;
    if (!body.startsWith(open)) {
        // A body without fields and file is only the closing delimiter.
        if (body == "--" + boundary + "--\r\n") return;
        request.problems << QStringLiteral("multipart body does not start with the boundary line");
        return;
    }
    qsizetype pos = open.size();
    static const QRegularExpression fieldHeader(QStringLiteral("^Content-Disposition: form-data; name=\"([^\"]+)\"$"));
    static const QRegularExpression fileHeader(
        QStringLiteral("^Content-Disposition: form-data; name=\"([^\"]+)\"; filename=\"([^\"]+)\"$"));
    while (true) {
        const qsizetype headersEnd = body.indexOf("\r\n\r\n", pos);
        if (headersEnd < 0) {
            request.problems << QStringLiteral("multipart part without a blank line after its headers");
            return;
        }
        const QList<QByteArray> lines = body.mid(pos, headersEnd - pos).split('\n');
        QStringList headerLines;
        for (QByteArray line : lines) {
            if (line.endsWith('\r')) line.chop(1);
            headerLines << QString::fromUtf8(line);
        }
        // Part contents run to the next delimiter; the closing one must end the body exactly.
        const qsizetype contentStart = headersEnd + 4;
        qsizetype next = body.indexOf(separator, contentStart);
        if (next < 0) {
            request.problems << QStringLiteral("multipart part is not closed by a boundary");
            return;
        }
        const QByteArray content = body.mid(contentStart, next - contentStart);
        const QRegularExpressionMatch file = fileHeader.match(headerLines.value(0));
        const QRegularExpressionMatch field = fieldHeader.match(headerLines.value(0));
        if (file.hasMatch()) {
            StandInService::FilePart part;
            part.name = file.captured(1);
            part.filename = file.captured(2);
            if (headerLines.size() != 2 || !headerLines[1].startsWith(QStringLiteral("Content-Type: "))) {
                request.problems << QStringLiteral("file part without exactly one Content-Type header");
            } else {
                part.contentType = headerLines[1].mid(14);
            }
            part.data = content;
            request.files << part;
        } else if (field.hasMatch()) {
            if (headerLines.size() != 1) request.problems << QStringLiteral("field part with extra headers");
            if (!isUTF8(content)) request.problems << QStringLiteral("field value is not UTF-8");
            const QString name = field.captured(1);
            if (request.fields.contains(name)) request.problems << QStringLiteral("field sent twice: ") + name;
            request.fields.insert(name, QString::fromUtf8(content));
        } else {
            request.problems << QStringLiteral("malformed part header: ") + headerLines.value(0);
        }
        pos = next + separator.size();
        if (body.mid(pos, 2) == "\r\n") {
            pos += 2;
            continue;
        }
        if (body.mid(pos) == "--\r\n") return;
        request.problems << QStringLiteral("bytes after the closing boundary or a malformed delimiter");
        return;
    }
}

QString multipartBoundary(Request& request) {
    static const QRegularExpression pattern(QStringLiteral(
        "^multipart/form-data; boundary=(quendle-(?:smoke-)?[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12})$"));
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(request.header("Content-Type")));
    if (!match.hasMatch()) {
        request.problems << QStringLiteral("Content-Type is not multipart/form-data with a quendle- boundary: ") +
                                QString::fromUtf8(request.header("Content-Type"));
        return QString();
    }
    return match.captured(1);
}

void requireIdentity(Request& request, bool credential) {
    if (request.header("X-Device").isEmpty()) request.problems << QStringLiteral("X-Device missing");
    const QByteArray auth = request.header("Authorization");
    if (credential && !request.hasHeader("Authorization")) request.problems << QStringLiteral("Authorization missing");
    if (request.hasHeader("Authorization") && (!auth.startsWith("Bearer ") || auth.size() <= 7)) {
        request.problems << QStringLiteral("Authorization is not a bearer credential");
    }
}

void forbidIdentity(Request& request) {
    if (request.hasHeader("Authorization")) request.problems << QStringLiteral("unexpected Authorization");
    if (request.hasHeader("X-Device")) request.problems << QStringLiteral("unexpected X-Device");
}

void requireFields(Request& request, const QStringList& names) {
    for (const QString& name : names) {
        if (!request.fields.contains(name)) request.problems << QStringLiteral("field missing: ") + name;
    }
}

void checkSettingsFields(Request& request) {
    static const QStringList languages = {QStringLiteral("ja"), QStringLiteral("en")};
    static const QStringList outputs = {QStringLiteral("spoken"), QStringLiteral("keyboard")};
    static const QStringList newlines = {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    if (request.fields.contains(QStringLiteral("language")) && !languages.contains(request.fields[QStringLiteral("language")]))
        request.problems << QStringLiteral("language is neither ja nor en");
    if (request.fields.contains(QStringLiteral("output_lang")) && !outputs.contains(request.fields[QStringLiteral("output_lang")]))
        request.problems << QStringLiteral("output_lang is neither spoken nor keyboard");
    if (request.fields.contains(QStringLiteral("newlines")) && !newlines.contains(request.fields[QStringLiteral("newlines")]))
        request.problems << QStringLiteral("newlines is not 0 to 3");
}

void parseJSONObject(Request& request) {
    if (request.header("Content-Type") != "application/json") request.problems << QStringLiteral("Content-Type is not application/json");
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(request.body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        request.problems << QStringLiteral("body is not a JSON object");
        return;
    }
    request.json = doc.object();
}

void checkTranscribe(Request& request) {
    if (request.method != "POST") request.problems << QStringLiteral("transcribe must be POST");
    requireIdentity(request, false);
    const QString boundary = multipartBoundary(request);
    if (!boundary.isEmpty()) parseMultipart(request, boundary.toUtf8());
    requireFields(request, {QStringLiteral("cleanup"), QStringLiteral("style"), QStringLiteral("language"),
                            QStringLiteral("output_lang"), QStringLiteral("newlines")});
    checkSettingsFields(request);
    const QString cleanup = request.fields.value(QStringLiteral("cleanup"));
    const QString style = request.fields.value(QStringLiteral("style"));
    if ((cleanup == QLatin1String("0")) != (style == QLatin1String("off"))) request.problems << QStringLiteral("cleanup does not match style");
    if (request.fields.contains(QStringLiteral("text"))) request.problems << QStringLiteral("transcribe carries a text field");
    if (request.files.size() != 1) {
        request.problems << QStringLiteral("transcribe needs exactly one file part");
    } else {
        const auto& file = request.files.first();
        if (file.name != QLatin1String("file") || file.filename != QLatin1String("rec.wav") || file.contentType != QLatin1String("audio/wav"))
            request.problems << QStringLiteral("file part is not file/rec.wav/audio/wav");
        const QString expected = QString::asprintf("%.3f", std::max(0.0, double(file.data.size() - 44) / 32000.0));
        if (QString::fromUtf8(request.header("X-Audio-Seconds")) != expected)
            request.problems << QStringLiteral("X-Audio-Seconds is not ") + expected;
    }
}

void checkCleanup(Request& request) {
    if (request.method != "POST") request.problems << QStringLiteral("cleanup must be POST");
    requireIdentity(request, true);
    if (request.hasHeader("X-Audio-Seconds")) request.problems << QStringLiteral("cleanup carries X-Audio-Seconds");
    const QString boundary = multipartBoundary(request);
    if (!boundary.isEmpty()) parseMultipart(request, boundary.toUtf8());
    requireFields(request, {QStringLiteral("text"), QStringLiteral("style"), QStringLiteral("language"),
                            QStringLiteral("output_lang"), QStringLiteral("newlines")});
    checkSettingsFields(request);
    for (const char* name : {"cleanup", "quality"}) {
        if (request.fields.contains(QLatin1String(name))) request.problems << QStringLiteral("cleanup carries ") + QLatin1String(name);
    }
    if (!request.files.isEmpty()) request.problems << QStringLiteral("cleanup carries a file part");
}

void checkPing(Request& request) {
    if (request.method != "GET") request.problems << QStringLiteral("ping must be GET");
    forbidIdentity(request);
    if (!request.body.isEmpty()) request.problems << QStringLiteral("ping carries a body");
}

void checkPrefs(Request& request) {
    requireIdentity(request, true);
    if (request.method == "GET") {
        if (!request.body.isEmpty()) request.problems << QStringLiteral("GET prefs carries a body");
    } else if (request.method == "PUT") {
        parseJSONObject(request);
        for (const char* name : {"vocabulary", "corrections"}) {
            if (!request.json.value(QLatin1String(name)).isString()) request.problems << QStringLiteral("PUT prefs without string ") + QLatin1String(name);
        }
    } else {
        request.problems << QStringLiteral("prefs must be GET or PUT");
    }
}

// The version document of the update check: a plain GET without a body.
void checkLatest(Request& request) {
    if (request.method != "GET") request.problems << QStringLiteral("the version document is fetched with GET");
    if (!request.body.isEmpty() || request.hasHeader("Content-Length")) request.problems << QStringLiteral("the version document request has a body");
    forbidIdentity(request);
}

void checkHello(Request& request) {
    if (request.method != "POST") request.problems << QStringLiteral("hello must be POST");
    forbidIdentity(request);
    parseJSONObject(request);
    for (const char* name : {"app", "version", "os", "model", "locale", "week_of"}) {
        if (!request.json.value(QLatin1String(name)).isString()) request.problems << QStringLiteral("hello without string ") + QLatin1String(name);
    }
    for (const char* name : {"low_count", "online_count"}) {
        if (!request.json.value(QLatin1String(name)).isDouble()) request.problems << QStringLiteral("hello without number ") + QLatin1String(name);
    }
    if (!request.json.value(QStringLiteral("has_key")).isBool()) request.problems << QStringLiteral("hello without boolean has_key");
    static const QRegularExpression day(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!day.match(request.json.value(QStringLiteral("week_of")).toString()).hasMatch()) request.problems << QStringLiteral("week_of is not yyyy-MM-dd");
}

QByteArray reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

}  // namespace

// ------------------------------------------------------------------ the server (on its thread)

struct StandInService::Server : QObject {
    StandInService* owner;
    QTcpServer tcp;
    std::map<QTcpSocket*, QByteArray> buffers;

    explicit Server(StandInService* o) : owner(o) {
        QObject::connect(&tcp, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = tcp.nextPendingConnection()) {
                socket->setParent(this);
                socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                buffers[socket] = QByteArray();
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    buffers.erase(socket);
                    socket->deleteLater();
                });
            }
        });
    }

    void read(QTcpSocket* socket) {
        buffers[socket] += socket->readAll();
        while (true) {
            // A dropped connection forgets its buffer while being answered: look it up again.
            const auto found = buffers.find(socket);
            if (found == buffers.end()) return;
            QByteArray& buffer = found->second;
            const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
            if (headEnd < 0) return;
            const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
            Request request;
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            if (first.size() != 3 || first[2] != "HTTP/1.1") request.problems << QStringLiteral("malformed request line");
            request.method = first.value(0);
            request.path = QString::fromUtf8(first.value(1));
            qsizetype length = 0;
            for (qsizetype i = 1; i < lines.size(); ++i) {
                QByteArray line = lines[i];
                if (line.endsWith('\r')) line.chop(1);
                const qsizetype colon = line.indexOf(':');
                if (colon <= 0) {
                    request.problems << QStringLiteral("malformed header line");
                    continue;
                }
                request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
            }
            if (request.hasHeader("Transfer-Encoding")) request.problems << QStringLiteral("chunked bodies are not expected");
            if (request.hasHeader("Content-Length")) {
                bool ok = false;
                length = request.header("Content-Length").toLongLong(&ok);
                if (!ok || length < 0) request.problems << QStringLiteral("bad Content-Length");
            }
            if (buffer.size() < headEnd + 4 + length) return;  // wait for the rest of the body
            request.body = buffer.mid(headEnd + 4, length);
            buffer.remove(0, headEnd + 4 + length);
            answer(socket, request);
        }
    }

    void answer(QTcpSocket* socket, Request& request) {
        const QString path = request.path;
        std::optional<Reply> reply = owner->nextScripted(path);
        if (path == QLatin1String("/v1/transcribe")) {
            checkTranscribe(request);
            if (!reply) reply = Reply::text(QStringLiteral("スタンドインの書き起こし"));
        } else if (path == QLatin1String("/v1/cleanup")) {
            checkCleanup(request);
            if (!reply) reply = Reply::text(request.fields.value(QStringLiteral("text")));
        } else if (path == QLatin1String("/v1/ping")) {
            checkPing(request);
            if (!reply) reply = Reply::json(200, QJsonObject{{QStringLiteral("ok"), true}});
        } else if (path == QLatin1String("/v1/prefs")) {
            checkPrefs(request);
            if (!reply) {
                std::lock_guard guard(owner->mutex_);
                if (request.method == "PUT" && request.problems.isEmpty()) {
                    owner->prefs_ = QJsonObject{
                        {QStringLiteral("vocabulary"), request.json.value(QStringLiteral("vocabulary"))},
                        {QStringLiteral("corrections"), request.json.value(QStringLiteral("corrections"))},
                        {QStringLiteral("updated_at"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
                    };
                }
                reply = Reply::json(200, owner->prefs_);
            }
        } else if (path == QLatin1String("/v1/hello")) {
            checkHello(request);
            if (!reply) reply = Reply::json(200, QJsonObject{{QStringLiteral("ok"), true}});
        } else if (path == QLatin1String("/v1/app/latest")) {
            checkLatest(request);
            // No release newer than any build: version 0.
            if (!reply)
                reply = Reply::json(200, QJsonObject{{QStringLiteral("version"), QStringLiteral("0")},
                                                     {QStringLiteral("url"), QStringLiteral("http://127.0.0.1/Quendle.zip")}});
        } else if (path.startsWith(QLatin1String("/releases/"))) {
            if (request.method != "GET") request.problems << QStringLiteral("releases are only fetched with GET");
            forbidIdentity(request);
            if (!reply) {
                std::lock_guard guard(owner->mutex_);
                const auto found = owner->published_.find(path);
                reply = found == owner->published_.end()
                            ? Reply::error(404, QStringLiteral("not found"))
                            : Reply::raw(200, found->second, "application/octet-stream");
            }
        } else {
            request.problems << QStringLiteral("unknown path ") + path;
            if (!reply) reply = Reply::error(404, QStringLiteral("not found"));
        }
        owner->record(request);

        const Reply r = *reply;
        QPointer<QTcpSocket> guard(socket);
        auto send = [guard, r] {
            if (!guard) return;
            if (r.drop) {
                guard->abort();
                return;
            }
            QByteArray out = "HTTP/1.1 " + QByteArray::number(r.status) + " " + reason(r.status) + "\r\n";
            if (!r.body.isEmpty()) out += "Content-Type: " + r.contentType + "\r\n";
            out += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
            out += "Connection: keep-alive\r\n\r\n";
            out += r.body;
            guard->write(out);
        };
        if (r.delayMs > 0) {
            QTimer::singleShot(r.delayMs, socket, send);
        } else {
            send();
        }
    }
};

// ------------------------------------------------------------------ the owner

StandInService::StandInService() : thread_(new QThread), anchor_(new QObject) {
    thread_->setObjectName(QStringLiteral("standin"));
    anchor_->moveToThread(thread_);
    thread_->start();
    prefs_ = QJsonObject{{QStringLiteral("vocabulary"), QString()}, {QStringLiteral("corrections"), QString()}};
    // The server and its sockets are made, used and deleted on the service's thread.
    QMetaObject::invokeMethod(anchor_, [this] {
        server_ = new Server(this);
        server_->tcp.listen(QHostAddress::LocalHost, 0);
        port_ = server_->tcp.serverPort();
    }, Qt::BlockingQueuedConnection);
}

StandInService::~StandInService() {
    QMetaObject::invokeMethod(anchor_, [this] {
        delete server_;
        server_ = nullptr;
    }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete anchor_;
    delete thread_;
}

QString StandInService::baseURL() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

void StandInService::enqueue(const QString& path, const Reply& reply) {
    std::lock_guard guard(mutex_);
    script_[path].push_back(reply);
}

void StandInService::publish(const QString& path, const QByteArray& bytes) {
    std::lock_guard guard(mutex_);
    published_[path] = bytes;
}

void StandInService::setFailOnProblems(bool fail) {
    std::lock_guard guard(mutex_);
    failOnProblems_ = fail;
}

std::optional<StandInService::Reply> StandInService::nextScripted(const QString& path) {
    std::lock_guard guard(mutex_);
    auto found = script_.find(path);
    if (found == script_.end() || found->second.empty()) return std::nullopt;
    Reply reply = found->second.front();
    found->second.pop_front();
    return reply;
}

void StandInService::record(const Request& request) {
    bool fail = false;
    {
        std::lock_guard guard(mutex_);
        requests_.append(request);
        fail = failOnProblems_;
    }
    changed_.notify_all();
    if (fail) {
        for (const QString& problem : request.problems) {
            ADD_FAILURE() << "stand-in service: " << request.method.constData() << " " << request.path.toStdString() << ": "
                          << problem.toStdString();
        }
    }
}

QList<StandInService::Request> StandInService::requests() const {
    std::lock_guard guard(mutex_);
    return requests_;
}

QList<StandInService::Request> StandInService::requests(const QString& path) const {
    std::lock_guard guard(mutex_);
    QList<Request> out;
    for (const Request& r : requests_) {
        if (r.path == path) out.append(r);
    }
    return out;
}

bool StandInService::waitForRequests(int count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return requests_.size() >= count; });
}

QStringList StandInService::problems() const {
    std::lock_guard guard(mutex_);
    QStringList all;
    for (const Request& r : requests_) all += r.problems;
    return all;
}

void StandInService::setPrefs(const QString& vocabulary, const QString& corrections, const QString& updatedAt) {
    std::lock_guard guard(mutex_);
    prefs_ = QJsonObject{{QStringLiteral("vocabulary"), vocabulary}, {QStringLiteral("corrections"), corrections}};
    if (!updatedAt.isEmpty()) prefs_.insert(QStringLiteral("updated_at"), updatedAt);
}

QJsonObject StandInService::prefs() const {
    std::lock_guard guard(mutex_);
    return prefs_;
}
