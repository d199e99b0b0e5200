#include "platform/linux/HttpWire.h"

#include <QUrl>
#include <algorithm>
#include <cctype>

namespace {

bool isTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(const QByteArray& text) {
    if (text.isEmpty()) return false;
    for (char c : text) {
        if (!isTokenChar(c)) return false;
    }
    return true;
}

// Field values may hold visible characters, blanks and tabs (and any non-ASCII byte), but no
// other control character: a line break would end the header early.
bool isFieldValue(const QByteArray& text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F) return false;
    }
    return true;
}

bool sameName(const QByteArray& a, const char* b) { return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0; }

// The comma-separated tokens of a header value, lower-cased.
QList<QByteArray> tokens(const QByteArray& value) {
    QList<QByteArray> out;
    for (const QByteArray& part : value.split(',')) {
        const QByteArray t = part.trimmed().toLower();
        if (!t.isEmpty()) out << t;
    }
    return out;
}

}  // namespace

int HttpWire::defaultPort(const QString& scheme) {
    if (scheme == QLatin1String("http")) return 80;
    if (scheme == QLatin1String("https")) return 443;
    return 0;
}

HttpWire::EncodedRequest HttpWire::encodeRequest(const HttpRequest& request, bool keepAlive) {
    EncodedRequest out;
    const QUrl& url = request.url;
    if (!url.isValid() || defaultPort(url.scheme()) == 0 || url.host().isEmpty()) {
        out.error = QStringLiteral("サーバーの URL が http でも https でもありません: %1").arg(url.toDisplayString());
        return out;
    }
    if (!isToken(request.method)) {
        out.error = QStringLiteral("送信する要求の形式が正しくありません");
        return out;
    }

    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty()) target = "/";
    if (url.hasQuery()) target += '?' + url.query(QUrl::FullyEncoded).toLatin1();

    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':')) host = '[' + host + ']';
    if (url.port() > 0 && url.port() != defaultPort(url.scheme())) host += ':' + QByteArray::number(url.port());

    QByteArray head = request.method + ' ' + target + " HTTP/1.1\r\n";
    if (!request.hasHeader("Host")) head += "Host: " + host + "\r\n";
    bool closeAsked = false;
    for (const auto& [name, value] : request.headers) {
        if (!isToken(name) || !isFieldValue(value)) {
            out.error = QStringLiteral("送信する要求のヘッダーが正しくありません: %1").arg(QString::fromLatin1(name.left(64)));
            return out;
        }
        // The framing is ours to write; a caller's own would contradict it.
        if (sameName(name, "Content-Length")) continue;
        if (sameName(name, "Transfer-Encoding")) {
            out.error = QStringLiteral("送信する要求のヘッダーが正しくありません: %1").arg(QString::fromLatin1(name));
            return out;
        }
        if (sameName(name, "Connection") && tokens(value).contains("close")) closeAsked = true;
        head += name + ": " + value + "\r\n";
    }
    const bool bodyExpected = request.method == "POST" || request.method == "PUT" || request.method == "PATCH";
    if (request.body || bodyExpected) head += "Content-Length: " + QByteArray::number(request.body ? request.body->size() : 0) + "\r\n";
    if (!keepAlive && !closeAsked) head += "Connection: close\r\n";
    head += "\r\n";

    out.bytes.reserve(head.size() + (request.body ? request.body->size() : 0));
    out.bytes += head;
    if (request.body) out.bytes += *request.body;
    return out;
}

// ------------------------------------------------------------------ reply reader

HttpReplyReader::HttpReplyReader(QByteArray method, qsizetype maxBodyBytes)
    : method_(std::move(method)), maxBodyBytes_(maxBodyBytes) {}

HttpReplyReader::State HttpReplyReader::fail(const QString& error) {
    state_ = State::Failed;
    error_ = error;
    return state_;
}

QByteArray HttpReplyReader::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers_) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    }
    return {};
}

std::optional<QByteArray> HttpReplyReader::takeLine(qsizetype limit) {
    // Bytes already searched hold no line end: a line that arrives a byte at a time costs its
    // length once, not its length squared.
    const qsizetype end = buffer_.indexOf('\n', std::max(pos_, searched_));
    if (end < 0) {
        searched_ = buffer_.size();
        if (buffer_.size() - pos_ > limit) fail(QStringLiteral("サーバーの応答が読めません（行が長すぎます）"));
        return std::nullopt;
    }
    if (end - pos_ > limit) {
        fail(QStringLiteral("サーバーの応答が読めません（行が長すぎます）"));
        return std::nullopt;
    }
    QByteArray line = buffer_.mid(pos_, end - pos_);
    if (line.endsWith('\r')) line.chop(1);
    pos_ = end + 1;
    searched_ = 0;
    return line;
}

void HttpReplyReader::compact() {
    if (pos_ > 0 && pos_ >= buffer_.size() / 2) {
        buffer_.remove(0, pos_);
        searched_ = std::max<qsizetype>(0, searched_ - pos_);
        pos_ = 0;
    }
}

HttpReplyReader::State HttpReplyReader::feed(const QByteArray& bytes) {
    buffer_ += bytes;
    received_ += bytes.size();
    while (state_ == State::Incomplete) {
        const Phase before = phase_;
        const qsizetype consumed = pos_;
        if (phase_ == Phase::Head) {
            if (!readHead()) break;
        } else {
            readBody();
        }
        if (phase_ == before && pos_ == consumed) break;  // waiting for more bytes
    }
    if (state_ == State::Incomplete) compact();
    return state_;
}

HttpReplyReader::State HttpReplyReader::close() {
    if (state_ != State::Incomplete) return state_;
    if (phase_ == Phase::Body && framing_ == Framing::UntilClose) {
        phase_ = Phase::Done;
        state_ = State::Complete;
        return state_;
    }
    if (received_ == 0) return fail(QStringLiteral("サーバーが応答する前に接続が切れました"));
    return fail(QStringLiteral("サーバーの応答の途中で接続が切れました"));
}

bool HttpReplyReader::readHead() {
    // Resume where the last search stopped, less the few bytes a terminator split across two
    // reads may have begun with.
    const qsizetype end = buffer_.indexOf("\r\n\r\n", std::max(pos_, searched_ - 3));
    const qsizetype bareEnd = buffer_.indexOf("\n\n", std::max(pos_, searched_ - 1));
    qsizetype headEnd = -1;
    qsizetype bodyStart = -1;
    if (end >= 0 && (bareEnd < 0 || end < bareEnd)) {
        headEnd = end;
        bodyStart = end + 4;
    } else if (bareEnd >= 0) {
        headEnd = bareEnd;
        bodyStart = bareEnd + 2;
    }
    if (headEnd < 0) {
        searched_ = buffer_.size();
        if (buffer_.size() - pos_ > kMaxHeaderBytes) fail(QStringLiteral("サーバーの応答が読めません（ヘッダーが大きすぎます）"));
        return false;
    }
    if (headEnd - pos_ > kMaxHeaderBytes) {
        fail(QStringLiteral("サーバーの応答が読めません（ヘッダーが大きすぎます）"));
        return false;
    }
    const QList<QByteArray> lines = buffer_.mid(pos_, headEnd - pos_).split('\n');
    pos_ = bodyStart;
    searched_ = 0;

    // Status line: HTTP/1.x SP 3DIGIT [SP reason]
    QByteArray statusLine = lines.value(0);
    if (statusLine.endsWith('\r')) statusLine.chop(1);
    if (!statusLine.startsWith("HTTP/1.") || statusLine.size() < 12 || statusLine[8] != ' ' ||
        (statusLine.size() > 12 && statusLine[12] != ' ')) {
        fail(QStringLiteral("サーバーの応答が読めません（HTTP ではありません）"));
        return false;
    }
    bool ok = false;
    const int status = statusLine.mid(9, 3).toInt(&ok);
    if (!ok || status < 100 || status > 999) {
        fail(QStringLiteral("サーバーの応答が読めません（状態がありません）"));
        return false;
    }
    QList<QPair<QByteArray, QByteArray>> headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r')) line.chop(1);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !isToken(line.left(colon))) {
            fail(QStringLiteral("サーバーの応答が読めません（ヘッダーが壊れています）"));
            return false;
        }
        headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    if (status < 200) return true;  // an interim reply: the real one follows

    status_ = status;
    minorVersion_ = statusLine[7] - '0';
    headers_ = std::move(headers);

    const bool noBody = method_ == "HEAD" || status == 204 || status == 304;
    QList<QByteArray> lengths;
    bool hasEncoding = false;
    QByteArray lastCoding;
    for (const auto& [name, value] : headers_) {
        if (sameName(name, "Content-Length")) lengths << value;
        if (sameName(name, "Transfer-Encoding")) {
            hasEncoding = true;
            const QList<QByteArray> codings = tokens(value);
            if (!codings.isEmpty()) lastCoding = codings.last();
        }
    }
    if (noBody) {
        framing_ = Framing::None;
    } else if (hasEncoding) {
        // A reply whose last coding is not chunked runs to the close of the connection.
        framing_ = lastCoding == "chunked" ? Framing::Chunked : Framing::UntilClose;
    } else if (!lengths.isEmpty()) {
        qint64 length = -1;
        for (const QByteArray& text : lengths) {
            for (const QByteArray& item : text.split(',')) {
                const QByteArray digits = item.trimmed();
                bool valid = !digits.isEmpty();
                for (char c : digits) valid = valid && c >= '0' && c <= '9';
                const qint64 value = valid && digits.size() <= 18 ? digits.toLongLong() : -1;
                if (value < 0 || (length >= 0 && value != length)) {
                    fail(QStringLiteral("サーバーの応答が読めません（長さの表示が壊れています）"));
                    return false;
                }
                length = value;
            }
        }
        if (length > maxBodyBytes_) {
            fail(QStringLiteral("サーバーの応答が大きすぎます"));
            return false;
        }
        framing_ = Framing::Length;
        remaining_ = length;
    } else {
        framing_ = Framing::UntilClose;
    }

    if (framing_ == Framing::None || (framing_ == Framing::Length && remaining_ == 0)) {
        phase_ = Phase::Done;
        state_ = State::Complete;
    } else {
        phase_ = framing_ == Framing::Chunked ? Phase::ChunkSize : Phase::Body;
    }
    return true;
}

bool HttpReplyReader::appendBody(qsizetype n) {
    if (body_.size() + n > maxBodyBytes_) {
        fail(QStringLiteral("サーバーの応答が大きすぎます"));
        return false;
    }
    body_.append(buffer_.constData() + pos_, n);
    pos_ += n;
    return true;
}

void HttpReplyReader::readBody() {
    const qsizetype available = buffer_.size() - pos_;
    switch (phase_) {
    case Phase::Body:
        if (framing_ == Framing::UntilClose) {
            appendBody(available);
            return;
        }
        {
            const qsizetype n = qsizetype(std::min<qint64>(remaining_, available));
            if (!appendBody(n)) return;
            remaining_ -= n;
            if (remaining_ == 0) {
                phase_ = Phase::Done;
                state_ = State::Complete;
            }
        }
        return;
    case Phase::ChunkSize: {
        const std::optional<QByteArray> line = takeLine(1024);
        if (!line) return;
        QByteArray size = *line;
        const qsizetype ext = size.indexOf(';');
        if (ext >= 0) size.truncate(ext);
        size = size.trimmed();
        bool ok = !size.isEmpty() && size.size() <= 15;
        for (char c : size) ok = ok && std::isxdigit(static_cast<unsigned char>(c));
        if (!ok) {
            fail(QStringLiteral("サーバーの応答が読めません（分割が壊れています）"));
            return;
        }
        remaining_ = size.toLongLong(nullptr, 16);
        if (body_.size() + remaining_ > maxBodyBytes_) {
            fail(QStringLiteral("サーバーの応答が大きすぎます"));
            return;
        }
        phase_ = remaining_ == 0 ? Phase::Trailers : Phase::ChunkData;
        return;
    }
    case Phase::ChunkData: {
        const qsizetype n = qsizetype(std::min<qint64>(remaining_, available));
        if (!appendBody(n)) return;
        remaining_ -= n;
        if (remaining_ == 0) phase_ = Phase::ChunkEnd;
        return;
    }
    case Phase::ChunkEnd: {
        const std::optional<QByteArray> line = takeLine(2);
        if (!line) return;
        if (!line->isEmpty()) {
            fail(QStringLiteral("サーバーの応答が読めません（分割が壊れています）"));
            return;
        }
        phase_ = Phase::ChunkSize;
        return;
    }
    case Phase::Trailers: {
        const std::optional<QByteArray> line = takeLine(kMaxHeaderBytes);
        if (!line) return;
        if (line->isEmpty()) {
            phase_ = Phase::Done;
            state_ = State::Complete;
        }
        return;
    }
    case Phase::Head:
    case Phase::Done:
        return;
    }
}

bool HttpReplyReader::reusable() const {
    if (state_ != State::Complete || minorVersion_ < 1 || framing_ == Framing::UntilClose) return false;
    if (tokens(header("Connection")).contains("close")) return false;
    // Both framings at once, or bytes nobody asked for: the connection's state is unclear.
    if (framing_ == Framing::Chunked && !header("Content-Length").isEmpty()) return false;
    return trailingBytes() == 0;
}

std::optional<double> HttpReplyReader::keepAliveTimeout() const {
    for (const QByteArray& item : header("Keep-Alive").split(',')) {
        const QByteArray t = item.trimmed().toLower();
        if (t.startsWith("timeout=")) {
            bool ok = false;
            const double seconds = t.mid(8).toDouble(&ok);
            if (ok && seconds >= 0) return seconds;
        }
    }
    return std::nullopt;
}
