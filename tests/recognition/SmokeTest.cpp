// The service self-check on a fake HTTP client and a fake synthesiser: what it prints, sends,
// judges and leaves behind.
#include "RecognitionFixture.h"
#include "platform/fake/FakeHttpClient.h"
#include "platform/fake/FakeSpeechSynthesizer.h"
#include "recognition/Smoke.h"
#include "recognition/Transcriber.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <chrono>
#include <future>
#include <thread>

namespace {

using Status = Smoke::Status;
using CheckResult = Smoke::CheckResult;

class SmokeTest : public RecognitionFixture {
protected:
    SmokeTest() {
        previousTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", tmp.path().toUtf8());
        defaults.set(QStringLiteral("serverURL"), QStringLiteral("http://service.test"));
        defaults.set(QStringLiteral("deviceID"), QStringLiteral("device-1"));
    }
    ~SmokeTest() override {
        if (previousTmp_.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", previousTmp_);
    }

    // Runs the self-check on a thread of its own and answers its request with `response`.
    int runAnswering(const std::optional<QString>& key, bool json, const HttpResponse& response) {
        auto status = std::async(std::launch::async, [&] { return smoke.run(key, json); });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (http.pendingCount() == 0 && status.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready &&
               std::chrono::steady_clock::now() < deadline) {
        }
        http.completeNext(response);
        return status.get();
    }
    QStringList printedLines() const { return QString::fromUtf8(printed).split(QLatin1Char('\n')); }
    QStringList leftInTmp() const { return QDir(tmp.path()).entryList(QDir::Files); }

    QTemporaryDir tmp;
    QByteArray printed;
    FakeHttpClient http;
    FakeSpeechSynthesizer speech;
    Smoke smoke{http, speech, [this](const QByteArray& bytes) { printed += bytes; }};

private:
    QByteArray previousTmp_;
};

TEST_F(SmokeTest, EntryPointArguments) {
    auto parse = [](std::initializer_list<const char*> args) {
        QStringList list;
        for (const char* a : args) list << QString::fromUtf8(a);
        return Smoke::parseArguments(list);
    };
    EXPECT_FALSE(parse({"--json"}).smoke);
    const Smoke::Arguments all = parse({"--json", "--smoke", "--key", "abc", "--key", "other"});
    EXPECT_TRUE(all.smoke);
    EXPECT_TRUE(all.json);
    EXPECT_EQ(all.key, QStringLiteral("abc"));
    EXPECT_FALSE(parse({"--smoke", "--key"}).key.has_value());  // last argument
    EXPECT_EQ(parse({"--smoke", "--key", "--json"}).key, QStringLiteral("--json"));  // whatever follows
}

TEST_F(SmokeTest, WithoutCredentialTheCheckIsSkippedAndTheRunPasses) {
    EXPECT_EQ(smoke.run(QString(), false), 0);  // an empty --key counts as none
    EXPECT_TRUE(http.requests().empty());
    EXPECT_TRUE(speech.spoken.isEmpty());
    const QStringList lines = printedLines();
    ASSERT_EQ(lines.size(), 3);  // two lines, each ending with a line feed
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("[SKIP] transcribe: "))) << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("総括: PASS=0 FAIL=0 WARN=0 SKIP=1"));
    EXPECT_EQ(lines[2], QString());
}

TEST_F(SmokeTest, MissingOrFailingSpeechToolsSkipAndLeaveNoFiles) {
    defaults.set(QStringLiteral("serviceKey"), QStringLiteral("stored"));
    struct Case {
        bool available, speaks, converts;
        std::optional<QByteArray> recording;
        const char* detail;
    };
    const Case cases[] = {
        {false, true, true, QByteArray("x"), "espeak-ng/sox が使えない環境です"},
        {true, false, true, QByteArray("x"), "espeak-ng の実行に失敗しました"},
        {true, true, false, QByteArray("x"), "sox の実行に失敗しました"},
        {true, true, true, std::nullopt, "テスト音声の生成に失敗しました"},
        {true, true, true, QByteArray(), "テスト音声の生成に失敗しました"},
    };
    for (const Case& c : cases) {
        speech.available = c.available;
        speech.speakSucceeds = c.speaks;
        speech.convertSucceeds = c.converts;
        speech.recording = c.recording;
        EXPECT_EQ(smoke.checkTranscribe(QStringLiteral("k")), (CheckResult{QStringLiteral("transcribe"), Status::Skip, QString::fromUtf8(c.detail)}));
        EXPECT_TRUE(leftInTmp().isEmpty()) << c.detail;
    }
    EXPECT_TRUE(http.requests().empty());
    printed.clear();
    EXPECT_EQ(smoke.run(std::nullopt, false), 0);
    EXPECT_EQ(printedLines().value(1), QStringLiteral("総括: PASS=0 FAIL=0 WARN=0 SKIP=1"));
}

TEST_F(SmokeTest, SendsTheTestUtteranceAsAFixedTranscriptionRequest) {
    defaults.set(QStringLiteral("serviceKey"), QStringLiteral("stored"));
    const QByteArray wav = QByteArray(44 + 48000, '\x03');
    speech.recording = wav;
    EXPECT_EQ(runAnswering(QStringLiteral("given"), false, HttpResponse::reply(200, R"({"text":" これはスモークテストです\n"})")), 0);

    ASSERT_EQ(speech.spoken.size(), 3);
    EXPECT_EQ(speech.spoken[0], QStringLiteral("これはスモークテストです"));
    EXPECT_EQ(speech.spoken[1], QStringLiteral("ja"));
    const QRegularExpression tempName(QStringLiteral("/quendle-smoke-[0-9a-f-]{36}\\.(aiff|wav)$"));
    EXPECT_TRUE(tempName.match(speech.spoken[2]).hasMatch()) << speech.spoken[2].toStdString();
    EXPECT_TRUE(speech.spoken[2].startsWith(tmp.path()));
    ASSERT_EQ(speech.converted.size(), 2);
    EXPECT_EQ(speech.converted[0], speech.spoken[2]);
    EXPECT_TRUE(speech.converted[1].endsWith(QStringLiteral(".wav")));
    EXPECT_TRUE(leftInTmp().isEmpty());

    const std::vector<HttpRequest> sent = http.requests();
    ASSERT_EQ(sent.size(), 1u);
    const HttpRequest& request = sent[0];
    EXPECT_EQ(request.method, QByteArray("POST"));
    EXPECT_EQ(request.url.toString(), QStringLiteral("http://service.test/v1/transcribe"));
    EXPECT_EQ(request.timeoutSeconds, 30.0);
    ASSERT_EQ(request.headers.size(), 4);
    const QByteArray contentType = request.headers[0].second;
    EXPECT_EQ(request.headers[0].first, QByteArray("Content-Type"));
    const QRegularExpressionMatch boundary = QRegularExpression(QStringLiteral(
        "^multipart/form-data; boundary=(quendle-smoke-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12})$")).match(QString::fromUtf8(contentType));
    ASSERT_TRUE(boundary.hasMatch()) << contentType.toStdString();
    EXPECT_EQ(request.headers[1], (QPair<QByteArray, QByteArray>("Authorization", "Bearer given")));  // the given key wins
    EXPECT_EQ(request.headers[2], (QPair<QByteArray, QByteArray>("X-Device", "device-1")));
    EXPECT_EQ(request.headers[3], (QPair<QByteArray, QByteArray>("X-Audio-Seconds", "1.500")));
    EXPECT_EQ(request.body, Smoke::multipartBody(boundary.captured(1), wav));

    EXPECT_EQ(printedLines().value(0), QStringLiteral("[PASS] transcribe: text=\"これはスモークテストです\"（近似一致あり）"));
    EXPECT_EQ(printedLines().value(1), QStringLiteral("総括: PASS=1 FAIL=0 WARN=0 SKIP=0"));
}

TEST_F(SmokeTest, MultipartBodyCarriesTheFiveFixedFields) {
    EXPECT_EQ(Smoke::multipartBody(QStringLiteral("B"), QByteArray("WAV")),
              Transcriber::multipartBody(QStringLiteral("B"),
                                         {{QStringLiteral("cleanup"), QStringLiteral("0")},
                                          {QStringLiteral("style"), QStringLiteral("off")},
                                          {QStringLiteral("language"), QStringLiteral("ja")},
                                          {QStringLiteral("output_lang"), QStringLiteral("spoken")},
                                          {QStringLiteral("newlines"), QStringLiteral("0")}},
                                         QByteArray("WAV")));
}

TEST_F(SmokeTest, RepliesAreJudgedByStatus200AndTheParsedText) {
    auto judge = [](const HttpResponse& r) { return Smoke::judgeReply(r); };
    auto detail = [&](const HttpResponse& r) { return judge(r).detail; };
    EXPECT_EQ(judge(HttpResponse::reply(200, R"({"text":"こんにちは"})")),
              (CheckResult{QStringLiteral("transcribe"), Status::Pass, QStringLiteral("text=\"こんにちは\"")}));
    EXPECT_EQ(detail(HttpResponse::reply(200, R"({"text":"すもーく"})")), QStringLiteral("text=\"すもーく\"（近似一致あり）"));

    const CheckResult spaces = judge(HttpResponse::reply(200, R"({"text":"   "})"));
    EXPECT_EQ(spaces.status, Status::Fail);
    EXPECT_EQ(spaces.detail, QStringLiteral("HTTP 200 だが text が空です: {\"text\":\"   \"}"));
    EXPECT_EQ(judge(HttpResponse::reply(200, R"({"text":3})")).status, Status::Fail);
    EXPECT_EQ(judge(HttpResponse::reply(200, R"(["text"])")).status, Status::Fail);
    // Not read by pattern: a body that is not JSON fails even with a text member in it.
    EXPECT_EQ(judge(HttpResponse::reply(200, R"(x "text": "a")")).status, Status::Fail);

    EXPECT_EQ(detail(HttpResponse::reply(201, R"({"text":"a"})")), QStringLiteral("HTTP 201: {\"text\":\"a\"}"));
    EXPECT_EQ(detail(HttpResponse::reply(204, QByteArray())), QStringLiteral("HTTP 204: "));
    EXPECT_EQ(detail(HttpResponse::reply(500, QByteArray("\xff\xfe", 2))), QStringLiteral("HTTP 500: (本文なし)"));
    const QString long500 = QString(300, QChar(0x3042)) + QString(200, QLatin1Char('b'));
    EXPECT_EQ(detail(HttpResponse::reply(500, long500.toUtf8())), QStringLiteral("HTTP 500: ") + QString(200, QChar(0x3042)));

    EXPECT_EQ(detail(HttpResponse::transportError(QStringLiteral("接続できません"))), QStringLiteral("通信エラー: 接続できません"));
    EXPECT_EQ(Smoke::judgeReply(std::nullopt).detail, QStringLiteral("応答がありません（タイムアウトの可能性）"));
}

TEST_F(SmokeTest, FailingRunExitsWithOneAndPrintsJSONAfterTheLines) {
    defaults.set(QStringLiteral("serviceKey"), QStringLiteral("stored"));
    EXPECT_EQ(runAnswering(std::nullopt, true, HttpResponse::reply(503, R"({"error":"混雑"})")), 1);
    EXPECT_EQ(QString::fromUtf8(printed),
              QStringLiteral("[FAIL] transcribe: HTTP 503: {\"error\":\"混雑\"}\n"
                             "総括: PASS=0 FAIL=1 WARN=0 SKIP=0\n"
                             "[\n"
                             "    {\n"
                             "        \"detail\": \"HTTP 503: {\\\"error\\\":\\\"混雑\\\"}\",\n"
                             "        \"name\": \"transcribe\",\n"
                             "        \"status\": \"FAIL\"\n"
                             "    }\n"
                             "]\n"));
    EXPECT_TRUE(leftInTmp().isEmpty());
}

TEST_F(SmokeTest, UnreadableBaseURLFailsWithoutSending) {
    defaults.set(QStringLiteral("serverURL"), QStringLiteral("no url"));
    const CheckResult result = smoke.checkTranscribe(QStringLiteral("k"));
    EXPECT_EQ(result.status, Status::Fail);
    EXPECT_EQ(result.detail, QStringLiteral("serverURL が不正です"));
    EXPECT_TRUE(http.requests().empty());
    EXPECT_TRUE(leftInTmp().isEmpty());
}

TEST_F(SmokeTest, AServiceThatNeverAnswersEndsTheWait) {
    smoke.setWaitLimit(0.05);  // the fake never answers on its own
    const CheckResult result = smoke.checkTranscribe(QStringLiteral("k"));
    EXPECT_EQ(result.detail, QStringLiteral("応答がありません（タイムアウトの可能性）"));
    http.replyNext(200, R"({"text":"late"})");  // a late answer is dropped harmlessly
    EXPECT_TRUE(leftInTmp().isEmpty());
}

TEST_F(SmokeTest, StatusRawValuesRoundTripExactly) {
    for (Status s : {Status::Pass, Status::Fail, Status::Warn, Status::Skip}) {
        EXPECT_EQ(Smoke::statusFromRawValue(Smoke::rawValue(s)), s);
    }
    EXPECT_FALSE(Smoke::statusFromRawValue(QStringLiteral("pass")).has_value());
    EXPECT_FALSE(Smoke::statusFromRawValue(QString()).has_value());
    EXPECT_EQ(Smoke::summaryLine({{QStringLiteral("a"), Status::Warn, QString()}, {QStringLiteral("b"), Status::Pass, QString()}}),
              QStringLiteral("総括: PASS=1 FAIL=0 WARN=1 SKIP=0"));
}

}  // namespace
