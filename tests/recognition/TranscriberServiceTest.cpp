// The service client over real HTTP against the stand-in service on loopback.
#include "RecognitionFixture.h"
#include "StandInService.h"
#include "platform/linux/QtHttpClient.h"
#include "core/ServicePrefs.h"
#include "core/Graphemes.h"
#include "core/RecordingFormat.h"
#include "recognition/Transcriber.h"

#include <future>

namespace {

using Failure = Transcriber::Failure;
using Result = Transcriber::Result;
using Reply = StandInService::Reply;

class TranscriberServiceTest : public RecognitionFixture {
protected:
    TranscriberServiceTest() { defaults.set(QStringLiteral("serverURL"), service.baseURL()); }

    static QByteArray take(double seconds) {
        const auto n = quint32(seconds * 32000);
        return RecordingFormat::makeWAV(QByteArray(n, '\x05'));
    }

    Result transcribe(const QByteArray& audio, const std::optional<QString>& style,
                      const std::optional<ContextCapture::Snapshot>& context = std::nullopt) {
        return wait([&](Transcriber::Completion done) { transcriber.transcribe(audio, style, context, std::move(done)); });
    }
    Result cleanup(const QString& text, const QString& style, const std::optional<ContextCapture::Snapshot>& context = std::nullopt) {
        return wait([&](Transcriber::Completion done) { transcriber.cleanup(text, style, context, std::move(done)); });
    }
    Result wait(const std::function<void(Transcriber::Completion)>& start) {
        auto promise = std::make_shared<std::promise<Result>>();
        auto calls = std::make_shared<std::atomic<int>>(0);
        start([promise, calls](const Result& r) {
            if (calls->fetch_add(1) == 0) promise->set_value(r);
        });
        auto future = promise->get_future();
        EXPECT_EQ(future.wait_for(std::chrono::seconds(40)), std::future_status::ready);
        const Result result = future.get();
        EXPECT_EQ(calls->load(), 1);
        return result;
    }
    StandInService::Request last() { return service.requests().last(); }

    StandInService service;
    QtHttpClient http;
    Transcriber transcriber{http, [] { return false; }};
};

TEST_F(TranscriberServiceTest, TranscriptionSendsTheSavedSettingsAsFields) {
    defaults.set(QStringLiteral("serviceKey"), QStringLiteral("secret"));
    defaults.set(QStringLiteral("spokenLanguage"), QStringLiteral("en"));
    defaults.set(QStringLiteral("outputLanguage"), QStringLiteral("keyboard"));
    defaults.set(QStringLiteral("newlineStyle"), QStringLiteral("smart"));
    defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("formal"));
    defaults.set(QStringLiteral("styleNote.formal"), QStringLiteral("  です・ます調で\n"));
    const Result result = transcribe(take(1.5), std::nullopt);
    ASSERT_TRUE(result.isSuccess());
    EXPECT_EQ(result.text(), QStringLiteral("スタンドインの書き起こし"));
    const auto r = last();
    EXPECT_EQ(r.header("Authorization"), QByteArray("Bearer secret"));
    EXPECT_EQ(r.header("X-Device"), AppPrefs::deviceID().toUtf8());
    EXPECT_EQ(r.header("X-Audio-Seconds"), QByteArray("1.500"));
    EXPECT_EQ(r.files.value(0).data, take(1.5));
    EXPECT_EQ(r.fields, (QMap<QString, QString>{{"cleanup", "1"}, {"style", "formal"}, {"language", "en"}, {"output_lang", "keyboard"},
                                                 {"newlines", "3"}, {"vocabulary", Graphemes::first(ServicePrefs::defaultVocabulary(), 300)},
                                                 {"note", "です・ます調で"}}));
    queue.runPending();
    EXPECT_EQ(counter("helloOnlineCount"), 1);
}

TEST_F(TranscriberServiceTest, FieldsFollowStyleQualityAndContextRules) {
    const ContextCapture::Snapshot snapshot{QStringLiteral("前"), QStringLiteral("後"), 42};
    AppPrefs::setQualityLevel(QStringLiteral("high"));
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral(" \n "));
    defaults.set(QStringLiteral("loverHeartLevel"), QStringLiteral("few"));

    // A given "lover" style: hearts, quality "max", both context fields; no vocabulary.
    ASSERT_TRUE(transcribe(take(1), QStringLiteral("lover"), snapshot).isSuccess());
    auto f = last().fields;
    EXPECT_EQ(f.value("hearts"), QStringLiteral("few"));
    EXPECT_EQ(f.value("quality"), QStringLiteral("max"));
    EXPECT_EQ(f.value("context_before"), QStringLiteral("前"));
    EXPECT_EQ(f.value("context_after"), QStringLiteral("後"));
    EXPECT_FALSE(f.contains("vocabulary"));

    // Style "off": cleanup 0 and no context even with a snapshot; "middle" sends no quality.
    AppPrefs::setQualityLevel(QStringLiteral("middle"));
    ASSERT_TRUE(transcribe(take(1), QStringLiteral("off"), snapshot).isSuccess());
    f = last().fields;
    EXPECT_EQ(f.value("cleanup"), QStringLiteral("0"));
    EXPECT_FALSE(f.contains("context_before") || f.contains("context_after") || f.contains("quality") || f.contains("hearts"));

    // Cleanup switched off and no style given: "off".
    defaults.set(QStringLiteral("cleanup"), false);
    ASSERT_TRUE(transcribe(take(1), std::nullopt, snapshot).isSuccess());
    EXPECT_EQ(last().fields.value("style"), QStringLiteral("off"));
    EXPECT_FALSE(last().fields.contains("context_before"));

    // Only an after text: only context_after; an empty snapshot: none.
    ASSERT_TRUE(transcribe(take(1), QStringLiteral("standard"), ContextCapture::Snapshot{QString(), QStringLiteral("後"), 1}).isSuccess());
    EXPECT_FALSE(last().fields.contains("context_before"));
    EXPECT_TRUE(last().fields.contains("context_after"));
    ASSERT_TRUE(transcribe(take(1), QStringLiteral("standard"), ContextCapture::Snapshot{}).isSuccess());
    EXPECT_FALSE(last().fields.contains("context_after"));
}

TEST_F(TranscriberServiceTest, LongFieldsAreCutByCharactersAsTheUserSeesThem) {
    const QString family = QStringLiteral("👨‍👩‍👧");  // one character, eight UTF-16 units
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("  ") + family.repeated(350) + QStringLiteral("\n"));
    defaults.set(QStringLiteral("styleNote.standard"), QStringLiteral("あ").repeated(450));
    const ContextCapture::Snapshot snapshot{QStringLiteral("b").repeated(500) + QStringLiteral("B").repeated(2000),
                                            QStringLiteral("A").repeated(2000) + QStringLiteral("a").repeated(500), 7};
    ASSERT_TRUE(transcribe(take(1), QStringLiteral("standard"), snapshot).isSuccess());
    const auto f = last().fields;
    EXPECT_EQ(f.value("vocabulary"), family.repeated(300));
    EXPECT_EQ(f.value("note"), QStringLiteral("あ").repeated(400));
    EXPECT_EQ(f.value("context_before"), QStringLiteral("B").repeated(2000));
    EXPECT_EQ(f.value("context_after"), QStringLiteral("A").repeated(2000));
}

TEST_F(TranscriberServiceTest, HeaderOnlyRecordingsSendZeroSecondsAndNoCredentialMeansNoAuthorization) {
    ASSERT_TRUE(transcribe(RecordingFormat::makeWAV({}), QStringLiteral("off")).isSuccess());
    EXPECT_EQ(last().header("X-Audio-Seconds"), QByteArray("0.000"));
    EXPECT_FALSE(last().hasHeader("Authorization"));
}

TEST_F(TranscriberServiceTest, CleanupSendsTheTextUnchangedAndReturnsItTrimmed) {
    defaults.set(QStringLiteral("serviceKey"), QStringLiteral("secret"));
    service.enqueue(QStringLiteral("/v1/cleanup"), Reply::text(QStringLiteral("  整えた文。\n")));
    const ContextCapture::Snapshot both{QStringLiteral("前"), QStringLiteral("後"), 1};
    const Result r = cleanup(QStringLiteral("ととのえた ぶん "), QStringLiteral("lover"), both);
    ASSERT_TRUE(r.isSuccess());
    EXPECT_EQ(r.text(), QStringLiteral("整えた文。"));
    const auto f = last().fields;
    EXPECT_EQ(f.value("text"), QStringLiteral("ととのえた ぶん "));
    EXPECT_EQ(f.value("style"), QStringLiteral("lover"));
    EXPECT_EQ(f.value("hearts"), QStringLiteral("lots"));
    EXPECT_EQ(f.value("context_before"), QStringLiteral("前"));
    EXPECT_FALSE(last().hasHeader("X-Audio-Seconds"));
    // No noise filter on cleanup.
    service.enqueue(QStringLiteral("/v1/cleanup"), Reply::text(QStringLiteral("ありがとうございました")));
    EXPECT_TRUE(cleanup(QStringLiteral("x"), QStringLiteral("formal")).isSuccess());
    EXPECT_FALSE(last().fields.contains("context_before"));
}

TEST_F(TranscriberServiceTest, RepliesBecomeTheirFailures) {
    struct Case {
        const char* what;
        Reply reply;
        Failure failure;
    };
    const std::vector<Case> cases = {
        {"503 without error", Reply::withoutError(503), Failure::message(QStringLiteral("サーバー503"))},
        {"429 with error", Reply::error(429, QStringLiteral("混み合っています")), Failure::message(QStringLiteral("混み合っています"))},
        {"500 not UTF-8", Reply::raw(500, QByteArray("\xff\xfe\xfd")), Failure::message(QStringLiteral("応答が読めません"))},
        {"200 empty body", Reply::empty(200), Failure::noSpeech()},
        {"200 empty text", Reply::text(QString()), Failure::noSpeech()},
        {"200 noise", Reply::text(QStringLiteral("[音楽]")), Failure::noSpeech()},
    };
    for (const Case& c : cases) {
        service.enqueue(QStringLiteral("/v1/transcribe"), c.reply);
        const Result r = transcribe(take(0.5), QStringLiteral("off"));
        ASSERT_FALSE(r.isSuccess()) << c.what;
        EXPECT_EQ(r.failure(), c.failure) << c.what << ": " << r.failure().text().toStdString();
    }
    queue.runPending();
    EXPECT_EQ(counter("helloOnlineCount"), 0);

    // A connection dropped before any reply fails the request; it is sent exactly once, so the
    // answer scripted after the drop is still there for the next request.
    service.enqueue(QStringLiteral("/v1/transcribe"), Reply::dropConnection());
    service.enqueue(QStringLiteral("/v1/transcribe"), Reply::text(QStringLiteral("次の書き起こし")));
    const qsizetype before = service.requests(QStringLiteral("/v1/transcribe")).size();
    const Result dropped = transcribe(take(0.5), QStringLiteral("off"));
    ASSERT_FALSE(dropped.isSuccess());
    EXPECT_EQ(dropped.failure().kind(), Failure::Kind::Message);
    EXPECT_FALSE(dropped.failure().text().isEmpty());
    EXPECT_EQ(service.requests(QStringLiteral("/v1/transcribe")).size(), before + 1);
    const Result next = transcribe(take(0.5), QStringLiteral("off"));
    ASSERT_TRUE(next.isSuccess());
    EXPECT_EQ(next.text(), QStringLiteral("次の書き起こし"));
}

TEST_F(TranscriberServiceTest, ARequestThatOutlivesItsTimeoutIsATransportError) {
    service.enqueue(QStringLiteral("/v1/ping"), Reply::delayed(3000, Reply::text(QStringLiteral("late"))));
    HttpRequest request = *Transcriber::pingRequest();
    request.timeoutSeconds = 0.3;
    const HttpResponse response = http.sendAndWait(request, 10);
    EXPECT_TRUE(response.failed);
    EXPECT_EQ(response.error, QStringLiteral("サーバーから時間内に応答がありませんでした"));
    // The synchronous send gives up at its own wait limit.
    service.enqueue(QStringLiteral("/v1/ping"), Reply::delayed(3000, Reply::text(QStringLiteral("late"))));
    EXPECT_TRUE(http.sendAndWait(*Transcriber::pingRequest(), 0.2).failed);
}

TEST_F(TranscriberServiceTest, PingCarriesNothingAndItsOutcomeIsIgnored) {
    service.enqueue(QStringLiteral("/v1/ping"), Reply::error(500, QStringLiteral("down")));
    transcriber.ping();
    ASSERT_TRUE(service.waitForRequests(1));
    const auto r = last();
    EXPECT_EQ(r.method, QByteArray("GET"));
    EXPECT_EQ(r.path, QStringLiteral("/v1/ping"));
    EXPECT_TRUE(r.body.isEmpty());
    queue.runPending();
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(TranscriberServiceTest, UnreachableServiceIsATransportError) {
    quint16 port = 0;
    {
        StandInService gone;
        port = gone.port();
    }
    defaults.set(QStringLiteral("serverURL"), QStringLiteral("http://127.0.0.1:%1").arg(port));
    const Result r = transcribe(take(0.5), QStringLiteral("off"));
    ASSERT_FALSE(r.isSuccess());
    EXPECT_EQ(r.failure().kind(), Failure::Kind::Message);
    transcriber.ping();  // nothing the user can see
}

}  // namespace
