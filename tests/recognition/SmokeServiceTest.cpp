// The self-check end to end: espeak-ng and sox make the utterance, our HTTP client sends it to
// the stand-in service on loopback.
#include "RecognitionFixture.h"
#include "StandInService.h"
#include "platform/linux/EspeakSpeechSynthesizer.h"
#include "platform/linux/QtHttpClient.h"
#include "recognition/Smoke.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

using Reply = StandInService::Reply;

class SmokeServiceTest : public RecognitionFixture {
protected:
    SmokeServiceTest() {
        previousTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", tmp.path().toUtf8());
        defaults.set(QStringLiteral("serverURL"), service.baseURL());
        defaults.set(QStringLiteral("serviceKey"), QStringLiteral("secret"));
    }
    ~SmokeServiceTest() override {
        if (previousTmp_.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", previousTmp_);
    }
    void SetUp() override {
        if (!speech.isAvailable()) GTEST_SKIP() << "espeak-ng or sox is not installed";
    }

    QStringList printedLines() const { return QString::fromUtf8(printed).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

    QTemporaryDir tmp;
    StandInService service;
    QtHttpClient http;
    EspeakSpeechSynthesizer speech;
    QByteArray printed;
    Smoke smoke{http, speech, [this](const QByteArray& bytes) { printed += bytes; }};

private:
    QByteArray previousTmp_;
};

TEST_F(SmokeServiceTest, PassesAgainstTheServiceWithARealRecording) {
    EXPECT_EQ(smoke.run(std::nullopt, false), 0);
    EXPECT_EQ(printedLines(), (QStringList{QStringLiteral("[PASS] transcribe: text=\"スタンドインの書き起こし\""),
                                           QStringLiteral("総括: PASS=1 FAIL=0 WARN=0 SKIP=0")}));
    ASSERT_EQ(service.requests().size(), 1);
    const StandInService::Request request = service.requests().first();
    EXPECT_TRUE(request.problems.isEmpty()) << request.problems.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(request.header("Authorization"), QByteArray("Bearer secret"));
    ASSERT_EQ(request.files.size(), 1);
    const QByteArray wav = request.files.first().data;
    ASSERT_GT(wav.size(), 44 + 16000);  // more than half a second of speech
    EXPECT_EQ(wav.left(4), QByteArray("RIFF"));
    EXPECT_EQ(wav.mid(36, 4), QByteArray("data"));  // a plain 44-byte header
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 22), 1);      // mono
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 24), 16000u);  // 16 kHz
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 34), 16);     // 16-bit
    EXPECT_TRUE(QDir(tmp.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(SmokeServiceTest, ServiceErrorsAndSilenceFailTheRun) {
    service.enqueue(QStringLiteral("/v1/transcribe"), Reply::error(503, QStringLiteral("混雑しています")));
    EXPECT_EQ(smoke.run(QStringLiteral("given"), true), 1);
    EXPECT_EQ(service.requests().last().header("Authorization"), QByteArray("Bearer given"));
    const QStringList lines = printedLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("[FAIL] transcribe: HTTP 503: {\"error\":\"混雑しています\"}"));
    EXPECT_EQ(lines[2], QStringLiteral("["));

    service.enqueue(QStringLiteral("/v1/transcribe"), Reply::delayed(3000, Reply::text(QStringLiteral("late"))));
    smoke.setWaitLimit(0.5);
    EXPECT_EQ(smoke.checkTranscribe(QStringLiteral("k")).detail, QStringLiteral("応答がありません（タイムアウトの可能性）"));

    service.enqueue(QStringLiteral("/v1/transcribe"), Reply::dropConnection());
    smoke.setWaitLimit(Smoke::kWaitLimit);
    EXPECT_TRUE(smoke.checkTranscribe(QStringLiteral("k")).detail.startsWith(QStringLiteral("通信エラー: ")));
    EXPECT_TRUE(QDir(tmp.path()).entryList(QDir::Files).isEmpty());
}

}  // namespace
