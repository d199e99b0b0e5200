// The service client's request frame and reply rules, with a fake HTTP client.
#include "RecognitionFixture.h"
#include "platform/fake/FakeHttpClient.h"
#include "recognition/Transcriber.h"

#include <QFile>
#include <QRegularExpression>
#include <optional>

namespace {

using Failure = Transcriber::Failure;
using Result = Transcriber::Result;

QByteArray wavOfBytes(qsizetype total) { return QByteArray(total, '\x01'); }

class TranscriberTest : public RecognitionFixture {
protected:
    TranscriberTest() { defaults.set(QStringLiteral("serverURL"), QStringLiteral("http://service.test")); }

    // Runs a reply through the transcription handler and returns what the completion got.
    static std::vector<Result> transcribeReply(const HttpResponse& response) {
        std::vector<Result> results;
        Transcriber::handleTranscribeReply(response, [&](const Result& r) { results.push_back(r); });
        return results;
    }
    static std::vector<Result> cleanupReply(const HttpResponse& response) {
        std::vector<Result> results;
        Transcriber::handleCleanupReply(response, [&](const Result& r) { results.push_back(r); });
        return results;
    }

    FakeHttpClient http;
    Transcriber transcriber{http};
};

TEST_F(TranscriberTest, MultipartBodyIsFramedByteForByte) {
    const QByteArray withAudio = Transcriber::multipartBody(QStringLiteral("B"), {{QStringLiteral("style"), QStringLiteral("丁寧")}},
                                                            QByteArray("RIFF\r\n--B", 9));
    EXPECT_EQ(withAudio, QByteArray("--B\r\nContent-Disposition: form-data; name=\"style\"\r\n\r\n") + QStringLiteral("丁寧").toUtf8() +
                             "\r\n--B\r\nContent-Disposition: form-data; name=\"file\"; filename=\"rec.wav\"\r\n"
                             "Content-Type: audio/wav\r\n\r\nRIFF\r\n--B\r\n--B--\r\n");
    const QByteArray noAudio = Transcriber::multipartBody(QStringLiteral("B"), {{QStringLiteral("text"), QStringLiteral("a ")}}, std::nullopt);
    EXPECT_EQ(noAudio, QByteArray("--B\r\nContent-Disposition: form-data; name=\"text\"\r\n\r\na \r\n--B--\r\n"));
}

TEST_F(TranscriberTest, BoundaryIsQuendleAndAnUpperCaseUUID) {
    const QString a = Transcriber::makeBoundary();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^quendle-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")).match(a).hasMatch()) << a.toStdString();
    EXPECT_NE(a, Transcriber::makeBoundary());
}

TEST_F(TranscriberTest, AudioSecondsHeaderHasThreeDecimalsAndNeverGoesNegative) {
    EXPECT_EQ(Transcriber::audioSecondsHeader(32044), QStringLiteral("1.000"));
    EXPECT_EQ(Transcriber::audioSecondsHeader(44), QStringLiteral("0.000"));
    EXPECT_EQ(Transcriber::audioSecondsHeader(10), QStringLiteral("0.000"));
    EXPECT_EQ(Transcriber::audioSecondsHeader(44 + 48000), QStringLiteral("1.500"));
    EXPECT_EQ(Transcriber::audioSecondsHeader(44 + 32), QStringLiteral("0.001"));
}

TEST_F(TranscriberTest, RequestsUseTheStoredBaseURLAsTextAndTheirOwnTimeouts) {
    defaults.set(QStringLiteral("serverURL"), QStringLiteral("http://service.test/"));
    const auto t = transcriber.transcribeRequest(wavOfBytes(100), QStringLiteral("off"), std::nullopt);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->url.toString(), QStringLiteral("http://service.test//v1/transcribe"));
    EXPECT_EQ(t->method, QByteArray("POST"));
    EXPECT_EQ(t->timeoutSeconds, 30.0);
    defaults.set(QStringLiteral("serviceKey"), QStringLiteral("k"));
    EXPECT_EQ(transcriber.cleanupRequest(QStringLiteral("x"), QStringLiteral("formal"), std::nullopt)->timeoutSeconds, 10.0);
    const auto ping = Transcriber::pingRequest();
    ASSERT_TRUE(ping);
    EXPECT_EQ(ping->method, QByteArray("GET"));
    EXPECT_EQ(ping->timeoutSeconds, 5.0);
    EXPECT_TRUE(ping->headers.isEmpty());
    EXPECT_FALSE(ping->body.has_value());
}

TEST_F(TranscriberTest, UnsetBaseURLUsesTheBuiltInDefault) {
    defaults.remove(QStringLiteral("serverURL"));
    EXPECT_EQ(Transcriber::endpoint(QStringLiteral("/v1/ping"))->toString(), AppPrefs::defaultServerURL() + QStringLiteral("/v1/ping"));
}

TEST_F(TranscriberTest, ABaseURLThatIsNotAURLFailsSynchronouslyWithoutTouchingTheNetwork) {
    for (const QString& bad : {QStringLiteral("not a url"), QString(), QStringLiteral("ftp//x")}) {
        defaults.set(QStringLiteral("serverURL"), bad);
        defaults.set(QStringLiteral("serviceKey"), QStringLiteral("k"));
        std::vector<Result> results;
        transcriber.transcribe(wavOfBytes(100), std::nullopt, std::nullopt, [&](const Result& r) { results.push_back(r); });
        transcriber.cleanup(QStringLiteral("x"), QStringLiteral("formal"), std::nullopt, [&](const Result& r) { results.push_back(r); });
        transcriber.ping();
        ASSERT_EQ(results.size(), 2u) << bad.toStdString();
        for (const Result& r : results) EXPECT_EQ(r.failure(), Failure::message(QStringLiteral("接続先が読めません")));
    }
    EXPECT_TRUE(http.requests().empty());
}

TEST_F(TranscriberTest, WithoutACredentialTranscriptionHasNoAuthorizationAndCleanupSendsNothing) {
    std::vector<Result> results;
    transcriber.transcribe(wavOfBytes(100), std::nullopt, std::nullopt, [&](const Result& r) { results.push_back(r); });
    ASSERT_EQ(http.requests().size(), 1u);
    const HttpRequest sent = http.requests()[0];
    EXPECT_FALSE(sent.hasHeader("Authorization"));
    EXPECT_EQ(sent.header("X-Device"), AppPrefs::deviceID().toUtf8());
    QList<QByteArray> names;
    for (const auto& h : sent.headers) names << h.first;
    EXPECT_EQ(names, (QList<QByteArray>{"Content-Type", "X-Device", "X-Audio-Seconds"}));

    transcriber.cleanup(QStringLiteral("x"), QStringLiteral("formal"), std::nullopt, [&](const Result& r) { results.push_back(r); });
    EXPECT_EQ(http.requests().size(), 1u);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].failure().kind(), Failure::Kind::Message);
}

TEST_F(TranscriberTest, WithACredentialHeadersComeInTheirOrder) {
    defaults.set(QStringLiteral("serviceKey"), QStringLiteral("secret"));
    transcriber.transcribe(wavOfBytes(32044), std::nullopt, std::nullopt, {});
    transcriber.cleanup(QStringLiteral("x"), QStringLiteral("formal"), std::nullopt, {});
    const auto sent = http.requests();
    ASSERT_EQ(sent.size(), 2u);
    QList<QByteArray> names;
    for (const auto& h : sent[0].headers) names << h.first;
    EXPECT_EQ(names, (QList<QByteArray>{"Content-Type", "Authorization", "X-Device", "X-Audio-Seconds"}));
    EXPECT_EQ(sent[0].header("Authorization"), QByteArray("Bearer secret"));
    EXPECT_EQ(sent[0].header("X-Audio-Seconds"), QByteArray("1.000"));
    names.clear();
    for (const auto& h : sent[1].headers) names << h.first;
    EXPECT_EQ(names, (QList<QByteArray>{"Content-Type", "Authorization", "X-Device"}));
}

TEST_F(TranscriberTest, TranscriptionLogsTheLanguageItSends) {
    defaults.set(QStringLiteral("spokenLanguage"), QStringLiteral("keyboard"));
    Transcriber english(http, [] { return true; });
    english.transcribe(wavOfBytes(100), std::nullopt, std::nullopt, {});
    Transcriber japanese(http, [] { return false; });
    japanese.transcribe(wavOfBytes(100), std::nullopt, std::nullopt, {});
    EXPECT_EQ(logLines(), (QStringList{QStringLiteral("クラウド認識言語: 英語 (en)"), QStringLiteral("クラウド認識言語: 日本語 (ja)")}));
}

// ---- reply rules, in their order

TEST_F(TranscriberTest, ReplyRulesApplyInOrder) {
    struct Case {
        const char* what;
        HttpResponse response;
        std::optional<Failure> failure;
        QString text;
    };
    const QByteArray notUTF8("\xff\xfe{\"text\":\"a\"}");
    const std::vector<Case> cases = {
        {"transport error wins", HttpResponse::transportError(QStringLiteral("サーバーから時間内に応答がありませんでした")),
         Failure::message(QStringLiteral("サーバーから時間内に応答がありませんでした")), {}},
        {"no body", [] { HttpResponse r; r.status = 200; return r; }(), Failure::message(QStringLiteral("応答が読めません")), {}},
        {"500 with a body that is not UTF-8", HttpResponse::reply(500, notUTF8), Failure::message(QStringLiteral("応答が読めません")), {}},
        {"503 without an error member", HttpResponse::reply(503, "{\"detail\":\"x\"}"), Failure::message(QStringLiteral("サーバー503")), {}},
        {"503 with a non-string error", HttpResponse::reply(503, "{\"error\":5}"), Failure::message(QStringLiteral("サーバー503")), {}},
        {"401 with an error member", HttpResponse::reply(401, "{\"error\":\"鍵が違います\"}"), Failure::message(QStringLiteral("鍵が違います")), {}},
        {"error status with a JSON array", HttpResponse::reply(400, "[\"error\"]"), Failure::message(QStringLiteral("サーバー400")), {}},
        {"a redirect is no answer, text or not", HttpResponse::reply(302, "{\"text\":\"a\"}"), Failure::message(QStringLiteral("サーバー302")), {}},
        {"2xx without text", HttpResponse::reply(200, "{}"), Failure::noSpeech(), {}},
        {"2xx with blank text", HttpResponse::reply(201, "{\"text\":\" \\n \"}"), Failure::noSpeech(), {}},
        {"2xx with text", HttpResponse::reply(200, "{\"text\":\"  明日の会議は10時からです\\n\"}"), std::nullopt,
         QStringLiteral("明日の会議は10時からです")},
    };
    for (const Case& c : cases) {
        const auto results = transcribeReply(c.response);
        ASSERT_EQ(results.size(), 1u) << c.what;
        if (c.failure) {
            ASSERT_FALSE(results[0].isSuccess()) << c.what;
            EXPECT_EQ(results[0].failure(), *c.failure) << c.what;
        } else {
            ASSERT_TRUE(results[0].isSuccess()) << c.what;
            EXPECT_EQ(results[0].text(), c.text) << c.what;
        }
    }
}

TEST_F(TranscriberTest, NoiseIsNoSpeechForTranscriptionOnlyAndOnlySuccessCounts) {
    const HttpResponse stock = HttpResponse::reply(200, QStringLiteral("{\"text\":\"ありがとうございました\"}").toUtf8());
    EXPECT_EQ(transcribeReply(stock)[0].failure(), Failure::noSpeech());
    queue.runPending();
    EXPECT_EQ(counter("helloOnlineCount"), 0);

    const auto cleaned = cleanupReply(stock);
    ASSERT_TRUE(cleaned[0].isSuccess());
    EXPECT_EQ(cleaned[0].text(), QStringLiteral("ありがとうございました"));
    queue.runPending();
    EXPECT_EQ(counter("helloOnlineCount"), 0);

    transcribeReply(HttpResponse::reply(200, "{\"text\":\"hello\"}"));
    transcribeReply(HttpResponse::reply(200, "{\"text\":\"hello again\"}"));
    EXPECT_EQ(counter("helloOnlineCount"), 0) << "the counter is raised on the main queue";
    queue.runPending();
    EXPECT_EQ(counter("helloOnlineCount"), 2);
}

// ---- text extraction

TEST_F(TranscriberTest, ExtractTextDecodesTheEscapesOfJSONStrings) {
    // A dictated backslash followed by n stays a backslash and an n.
    EXPECT_EQ(Transcriber::extractText(R"({"text":"C:\\new"})"), QStringLiteral("C:\\new"));
    // Escaped non-ASCII, surrogate pairs included, becomes the characters.
    EXPECT_EQ(Transcriber::extractText(R"({"text":"\u3042\u3044 \ud83d\ude00"})"), QStringLiteral("あい 😀"));
    EXPECT_EQ(Transcriber::extractText(R"({"text":"say \"hi\"\t/\/"})"), QStringLiteral("say \"hi\"\t//"));
    // The first "text" in body order is used, also when it sits in a nested object.
    EXPECT_EQ(Transcriber::extractText(R"({"meta":{"text":"inner"},"text":"outer"})"), QStringLiteral("inner"));
    EXPECT_EQ(Transcriber::extractText(R"({"result":{"text":"nested"},"other":{"text":"later"}})"), QStringLiteral("nested"));
    // A quoted "text" inside another member's string is no member.
    EXPECT_EQ(Transcriber::extractText(R"({"note":"say \"text\": \"no\"","text":"yes"})"), QStringLiteral("yes"));
    EXPECT_EQ(Transcriber::extractText(R"({"texts":"x"})"), QString());
}

TEST_F(TranscriberTest, ExtractTextFindsTheMemberInBodiesThatAreNotJSON) {
    EXPECT_EQ(Transcriber::extractText("garbage \"text\" :  \"found \\\"it\\\"\" trailing"), QStringLiteral("found \"it\""));
    EXPECT_EQ(Transcriber::extractText("x \"text\":\"a\\\\nb\\u3042\" y"), QStringLiteral("a\\nbあ"));
    EXPECT_EQ(Transcriber::extractText("x \"text\":\"cut \\u30\" y"), QStringLiteral("cut \\u30"));
    EXPECT_EQ(Transcriber::extractText("\"text\": 5"), QString());
    EXPECT_EQ(Transcriber::extractText(""), QString());
}

TEST_F(TranscriberTest, ATranscriptOfAnyLengthIsRead) {
    QFile file(qEnvironmentVariable("QUENDLE_SOURCE_DIR") + QStringLiteral("/tests/data/hostile-inputs/reply-long-text.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(Transcriber::extractText(file.readAll()), QString(30'000, QChar(0x3042)));
}

TEST_F(TranscriberTest, PingIsFireAndForget) {
    transcriber.ping();
    ASSERT_EQ(http.requests().size(), 1u);
    EXPECT_EQ(http.requests()[0].url.toString(), QStringLiteral("http://service.test/v1/ping"));
    EXPECT_TRUE(http.failNext(QStringLiteral("could not connect")));
    queue.runPending();
    EXPECT_TRUE(logLines().isEmpty());
}

}  // namespace
