// The HTTP/1.1 wire format of our client: request encoding and the incremental reply reader.
#include "platform/linux/HttpWire.h"

#include <gtest/gtest.h>

namespace {

using State = HttpReplyReader::State;

HttpRequest post(const QString& url, const QByteArray& body) {
    HttpRequest r;
    r.method = "POST";
    r.url = QUrl(url);
    r.headers = {{"Content-Type", "text/plain"}, {"X-Device", "abc"}};
    r.body = body;
    return r;
}

// Feeds the reply in pieces of `step` bytes (0: all at once) and returns the final state.
State feedInPieces(HttpReplyReader& reader, const QByteArray& bytes, int step) {
    if (step == 0) return reader.feed(bytes);
    State state = State::Incomplete;
    for (qsizetype i = 0; i < bytes.size(); i += step) state = reader.feed(bytes.mid(i, step));
    return state;
}

TEST(HttpWireTest, RequestIsOneBlockWithHostHeadersInOrderLengthAndBody) {
    const auto encoded = HttpWire::encodeRequest(post(QStringLiteral("http://127.0.0.1:8123/v1/transcribe?x=1 2"), "hello"), true);
    ASSERT_TRUE(encoded.error.isEmpty()) << encoded.error.toStdString();
    EXPECT_EQ(encoded.bytes, QByteArray("POST /v1/transcribe?x=1%202 HTTP/1.1\r\n"
                                        "Host: 127.0.0.1:8123\r\n"
                                        "Content-Type: text/plain\r\n"
                                        "X-Device: abc\r\n"
                                        "Content-Length: 5\r\n"
                                        "\r\n"
                                        "hello"));
}

TEST(HttpWireTest, HostPortPathAndLengthFollowTheRequest) {
    HttpRequest get;
    get.url = QUrl(QStringLiteral("https://[::1]:443"));
    const auto a = HttpWire::encodeRequest(get, false);
    EXPECT_EQ(a.bytes, QByteArray("GET / HTTP/1.1\r\nHost: [::1]\r\nConnection: close\r\n\r\n"));

    // A bodiless POST still says its length; a caller's own Content-Length is replaced.
    HttpRequest bodiless = post(QStringLiteral("http://example.test/p"), {});
    bodiless.body.reset();
    bodiless.headers = {{"content-length", "99"}};
    EXPECT_EQ(HttpWire::encodeRequest(bodiless, true).bytes, QByteArray("POST /p HTTP/1.1\r\nHost: example.test\r\nContent-Length: 0\r\n\r\n"));
}

TEST(HttpWireTest, UnsafeOrUnsupportedRequestsAreRefusedBeforeAnyByte) {
    const auto refused = [](HttpRequest r) {
        const auto encoded = HttpWire::encodeRequest(r, true);
        return !encoded.error.isEmpty() && encoded.bytes.isEmpty();
    };
    HttpRequest injected = post(QStringLiteral("http://h/p"), "x");
    injected.headers = {{"Authorization", "Bearer key\r\nX-Evil: 1"}};
    EXPECT_TRUE(refused(injected));
    injected.headers = {{"Authorization", QByteArray("Bearer key\n", 11)}};
    EXPECT_TRUE(refused(injected));
    injected.headers = {{"Bad Name", "v"}};
    EXPECT_TRUE(refused(injected));
    injected.headers = {{"Transfer-Encoding", "chunked"}};
    EXPECT_TRUE(refused(injected));
    EXPECT_TRUE(refused(post(QStringLiteral("ftp://h/p"), "x")));
    EXPECT_TRUE(refused(post(QStringLiteral("http:///nohost"), "x")));
    HttpRequest method = post(QStringLiteral("http://h/p"), "x");
    method.method = "GE T";
    EXPECT_TRUE(refused(method));
    // Non-ASCII bytes and tabs in a value are fine.
    HttpRequest fine = post(QStringLiteral("http://h/p"), "x");
    fine.headers = {{"X-Note", "caf\xc3\xa9\tok"}};
    EXPECT_FALSE(refused(fine));
}

TEST(HttpWireTest, RepliesAreReadWhateverPiecesTheyArriveIn) {
    struct Case {
        const char* what;
        QByteArray method;
        QByteArray wire;
        int status;
        QByteArray body;
        bool reusable;
    };
    const std::vector<Case> cases = {
        {"length", "POST", "HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\n{\"text\":\"a\"}", 200, "{\"text\":\"a\"}", true},
        {"chunked with extension and trailer", "POST",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4;x=y\r\nWiki\r\nA\r\npedia in\r\n\r\n0\r\nX-Trailer: 1\r\n\r\n", 200,
         "Wikipedia in\r\n", true},
        {"interim 100 first", "POST", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 503 Service Unavailable\r\nContent-Length: 2\r\n\r\n{}", 503, "{}",
         true},
        {"204 has no body", "POST", "HTTP/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n", 204, "", true},
        {"HEAD has no body", "HEAD", "HTTP/1.1 200 OK\r\nContent-Length: 42\r\n\r\n", 200, "", true},
        {"empty reason", "GET", "HTTP/1.1 404\r\nContent-Length: 0\r\n\r\n", 404, "", true},
        {"connection close", "GET", "HTTP/1.1 200 OK\r\nConnection: Close\r\nContent-Length: 1\r\n\r\nx", 200, "x", false},
        {"HTTP/1.0", "GET", "HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nx", 200, "x", false},
        {"duplicate equal lengths", "GET", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 1\r\n\r\nx", 200, "x", true},
        {"bare line ends", "GET", "HTTP/1.1 200 OK\nContent-Length: 2\n\nxy", 200, "xy", true},
        {"bare end after a carriage return", "GET", "HTTP/1.1 200 OK\r\nContent-Length: 1\n\nx", 200, "x", true},
    };
    for (const Case& c : cases) {
        for (int step : {0, 1, 2, 3, 7}) {
            HttpReplyReader reader(c.method);
            ASSERT_EQ(feedInPieces(reader, c.wire, step), State::Complete) << c.what << " step " << step << ": " << reader.error().toStdString();
            EXPECT_EQ(reader.status(), c.status) << c.what;
            EXPECT_EQ(reader.body(), c.body) << c.what;
            EXPECT_EQ(reader.reusable(), c.reusable) << c.what;
        }
    }
}

TEST(HttpWireTest, ABodyWithoutFramingRunsToTheClose) {
    HttpReplyReader reader("GET");
    EXPECT_EQ(reader.feed("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n{\"te"), State::Incomplete);
    EXPECT_EQ(reader.feed("xt\":\"z\"}"), State::Incomplete);
    EXPECT_EQ(reader.close(), State::Complete);
    EXPECT_EQ(reader.body(), QByteArray("{\"text\":\"z\"}"));
    EXPECT_FALSE(reader.reusable());
}

TEST(HttpWireTest, ACloseOrMalformedReplyIsAFailureNotAnEmptyBody) {
    HttpReplyReader nothing("POST");
    EXPECT_EQ(nothing.close(), State::Failed);
    EXPECT_FALSE(nothing.started());

    HttpReplyReader cut("POST");
    cut.feed("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc");
    EXPECT_TRUE(cut.started());
    EXPECT_EQ(cut.close(), State::Failed);

    HttpReplyReader cutChunk("POST");
    cutChunk.feed("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab");
    EXPECT_EQ(cutChunk.close(), State::Failed);

    for (const QByteArray& wire : {QByteArray("SSH-2.0-OpenSSH\r\n\r\n"), QByteArray("HTTP/1.1 2x0 OK\r\n\r\n"),
                                   QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\n"),
                                   QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"),
                                   QByteArray("HTTP/1.1 200 OK\r\nno colon here\r\n\r\n"),
                                   QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"),
                                   QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nabc\r\n")}) {
        HttpReplyReader reader("GET");
        EXPECT_EQ(reader.feed(wire), State::Failed) << wire.constData();
        EXPECT_TRUE(reader.error().startsWith(QStringLiteral("サーバーの応答が読めません"))) << reader.error().toStdString();
    }
}

TEST(HttpWireTest, OversizedRepliesFailInsteadOfFillingMemory) {
    HttpReplyReader declared("GET", 1000);
    EXPECT_EQ(declared.feed("HTTP/1.1 200 OK\r\nContent-Length: 1001\r\n\r\n"), State::Failed);

    HttpReplyReader streamed("GET", 1000);
    streamed.feed("HTTP/1.1 200 OK\r\n\r\n");
    EXPECT_EQ(streamed.feed(QByteArray(1001, 'x')), State::Failed);

    HttpReplyReader chunked("GET", 1000);
    EXPECT_EQ(chunked.feed("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3E9\r\n"), State::Failed);

    HttpReplyReader head("GET");
    EXPECT_EQ(head.feed("HTTP/1.1 200 OK\r\nX: " + QByteArray(HttpReplyReader::kMaxHeaderBytes + 10, 'a')), State::Failed);
}

TEST(HttpWireTest, KeepAliveTimeoutAndStrayBytesDecideReuse) {
    HttpReplyReader reader("GET");
    reader.feed("HTTP/1.1 200 OK\r\nKeep-Alive: max=100, timeout=5\r\nContent-Length: 1\r\n\r\nx");
    ASSERT_EQ(reader.keepAliveTimeout(), 5.0);
    EXPECT_TRUE(reader.reusable());
    reader.feed("HTTP/1.1 200 OK\r\n");  // bytes nobody asked for
    EXPECT_FALSE(reader.reusable());

    HttpReplyReader none("GET");
    none.feed("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    EXPECT_FALSE(none.keepAliveTimeout().has_value());
}

}  // namespace
