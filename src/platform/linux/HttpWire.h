#pragma once

#include "platform/HttpClient.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The HTTP/1.1 wire format as our client speaks it: one request written in one piece, and an
// incremental reader of the reply (Content-Length, chunked, or delimited by the connection's
// close). No socket here: the client feeds bytes in as they arrive.
namespace HttpWire {

struct EncodedRequest {
    QByteArray bytes;  // request line, headers, blank line and body, ready for one write
    QString error;     // set when the request cannot be written safely (then bytes is empty)
};

// Request line with the path and query of the URL, Host (unless the caller gave one), the
// caller's headers in their order, Content-Length for a body (also 0 for a bodiless POST, PUT
// or PATCH), "Connection: close" when `keepAlive` is false, the blank line and the body.
// Header names and values with line breaks or other control characters are refused, so a
// stored value can never smuggle a header of its own onto the wire.
EncodedRequest encodeRequest(const HttpRequest& request, bool keepAlive);

// Default port of the scheme ("http" 80, "https" 443); 0 for any other scheme.
int defaultPort(const QString& scheme);

}  // namespace HttpWire

class HttpReplyReader {
public:
    enum class State { Incomplete, Complete, Failed };

    static constexpr qsizetype kMaxHeaderBytes = 64 * 1024;

    // `method` decides whether the reply can have a body (HEAD cannot); `maxBodyBytes` caps
    // what is held in memory.
    explicit HttpReplyReader(QByteArray method, qsizetype maxBodyBytes = 64 * 1024 * 1024);

    // Appends bytes from the connection and reads as far as they go. Interim replies (1xx) are
    // skipped. Once Complete or Failed, further bytes are kept aside (see trailingBytes()).
    State feed(const QByteArray& bytes);
    // The connection closed: completes a reply whose body runs to the close, fails any other
    // unfinished reply.
    State close();

    State state() const { return state_; }
    bool started() const { return received_ > 0; }  // any byte of a reply has arrived
    int status() const { return status_; }
    const QByteArray& body() const { return body_; }
    QString error() const { return error_; }
    // The value of a reply header (case-insensitive name); empty when absent.
    QByteArray header(const QByteArray& name) const;

    // Whether the connection may carry another request after this complete reply: HTTP/1.1,
    // no "Connection: close", a body framed by its length or chunks, and nothing after it.
    bool reusable() const;
    // The server's idle limit from "Keep-Alive: timeout=N", when it gives one.
    std::optional<double> keepAliveTimeout() const;
    qsizetype trailingBytes() const { return state_ == State::Complete ? buffer_.size() - pos_ : 0; }

private:
    enum class Framing { None, Length, Chunked, UntilClose };
    enum class Phase { Head, Body, ChunkSize, ChunkData, ChunkEnd, Trailers, Done };

    State fail(const QString& error);
    bool readHead();             // false: need more bytes (or failed)
    void readBody();
    bool appendBody(qsizetype n);
    std::optional<QByteArray> takeLine(qsizetype limit);
    void compact();

    QByteArray method_;
    qsizetype maxBodyBytes_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    qsizetype searched_ = 0;  // buffer_ before this offset (from pos_) holds no terminator looked for
    qint64 received_ = 0;
    State state_ = State::Incomplete;
    Phase phase_ = Phase::Head;
    Framing framing_ = Framing::None;
    qint64 remaining_ = 0;
    int status_ = 0;
    int minorVersion_ = 1;
    QList<QPair<QByteArray, QByteArray>> headers_;
    QByteArray body_;
    QString error_;
};
