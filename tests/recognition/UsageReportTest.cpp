// The weekly usage report on a fake HTTP client, with the virtual clock set to chosen days.
#include "RecognitionFixture.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/FakeHttpClient.h"
#include "platform/fake/FakeSystemInfo.h"
#include "recognition/UsageReport.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Seconds since the epoch of a Tokyo wall-clock time ("2026-12-02T10:00:00").
double tokyo(const char* wallClock) {
    const QDateTime local = QDateTime::fromString(QLatin1String(wallClock), Qt::ISODate);
    return double(QDateTime(local.date(), local.time(), UsageReport::helloTimeZone()).toSecsSinceEpoch());
}

class UsageReportTest : public RecognitionFixture {
protected:
    UsageReportTest() {
        Bundle::install(&bundle);
        defaults.set(QStringLiteral("serverURL"), QStringLiteral("http://service.test"));
    }
    ~UsageReportTest() override { Bundle::install(nullptr); }

    // Moves the virtual clock to a Tokyo wall-clock time (forward only).
    void at(const char* wallClock) { queue.advance(tokyo(wallClock) - queue.now()); }
    QJsonObject sentBody(size_t index) const {
        return QJsonDocument::fromJson(http.requests().at(index).body.value_or(QByteArray())).object();
    }
    void setCounts(qint64 low, qint64 online) {
        defaults.set(QStringLiteral("helloLowCount"), qlonglong(low));
        defaults.set(QStringLiteral("helloOnlineCount"), qlonglong(online));
    }
    void reply(int status) {
        ASSERT_TRUE(http.replyNext(status, "{}"));
        queue.runPending();
    }

    FakeBundle bundle;
    FakeSystemInfo system;
    FakeHttpClient http;
    UsageReport report{http, system};
};

TEST_F(UsageReportTest, WeekKeysAreTheSundaysOpeningTheTokyoWeek) {
    auto key = [](const char* wallClock) {
        return UsageReport::weekKey(QDateTime::fromSecsSinceEpoch(qint64(tokyo(wallClock)), QTimeZone::utc()));
    };
    EXPECT_EQ(key("2026-12-02T10:00:00"), QStringLiteral("2026-11-29"));
    EXPECT_EQ(key("2026-11-29T00:00:00"), QStringLiteral("2026-11-29"));  // a Sunday is its own key
    EXPECT_EQ(key("2026-12-05T23:59:59"), QStringLiteral("2026-11-29"));
    EXPECT_EQ(key("2026-12-06T00:00:00"), QStringLiteral("2026-12-06"));
    EXPECT_EQ(key("2027-01-01T12:00:00"), QStringLiteral("2026-12-27"));  // across the year
}

TEST_F(UsageReportTest, FirstWeekdayLaunchSendsTheReportForThePreviousWeek) {
    at("2026-12-02T10:00:00");  // a Wednesday
    setCounts(4, 7);
    bundle.version = QStringLiteral("1.2.3");
    defaults.set(QStringLiteral("serviceKey"), QStringLiteral("secret"));
    report.sendHello();

    const std::vector<HttpRequest> sent = http.requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].method, QByteArray("POST"));
    EXPECT_EQ(sent[0].url.toString(), QStringLiteral("http://service.test/v1/hello"));
    EXPECT_EQ(sent[0].timeoutSeconds, 10.0);
    // No credential and no installation identifier go with the report.
    EXPECT_EQ(sent[0].headers, (QList<QPair<QByteArray, QByteArray>>{{"Content-Type", "application/json"}}));
    const QJsonObject expected{
        {QStringLiteral("app"), QStringLiteral("linux")},
        {QStringLiteral("version"), QStringLiteral("1.2.3")},
        {QStringLiteral("os"), QStringLiteral("6.1.0")},
        {QStringLiteral("model"), QStringLiteral("Test Machine 1")},
        {QStringLiteral("locale"), QStringLiteral("ja_JP")},
        {QStringLiteral("has_key"), true},
        {QStringLiteral("low_count"), 4},
        {QStringLiteral("online_count"), 7},
        {QStringLiteral("week_of"), QStringLiteral("2026-11-22")},
    };
    EXPECT_EQ(sentBody(0), expected);
}

TEST_F(UsageReportTest, AcceptedReportRecordsTheTimeAndTakesOffOnlyWhatWasReported) {
    at("2026-12-02T10:00:00");
    setCounts(4, 7);
    report.sendHello();
    report.sendHello();  // under way: not sent twice
    EXPECT_EQ(http.requests().size(), 1u);

    // Recognitions made while the report travels belong to the next one.
    setCounts(6, 8);
    queue.advance(2);
    reply(200);
    EXPECT_EQ(counter("helloLowCount"), 2);
    EXPECT_EQ(counter("helloOnlineCount"), 1);
    ASSERT_TRUE(AppPrefs::helloSentAt().has_value());
    EXPECT_EQ(AppPrefs::helloSentAt()->toSecsSinceEpoch(), qint64(tokyo("2026-12-02T10:00:02")));
    EXPECT_EQ(logLines(), QStringList{QStringLiteral("利用状況: 送信 (low=4, online=7)")});

    // Later the same week: nothing more.
    at("2026-12-03T09:00:00");
    report.sendHello();
    EXPECT_EQ(http.requests().size(), 1u);

    // The next Monday reports the week that held the accepted report.
    at("2026-12-07T08:00:00");
    report.sendHello();
    ASSERT_EQ(http.requests().size(), 2u);
    EXPECT_EQ(sentBody(1).value(QStringLiteral("week_of")).toString(), QStringLiteral("2026-11-29"));
    EXPECT_EQ(sentBody(1).value(QStringLiteral("low_count")).toInt(), 2);
}

TEST_F(UsageReportTest, WeekendsInTokyoNeverSendWhateverTheUTCDaySays) {
    at("2026-12-05T01:00:00");  // Saturday in Tokyo, still Friday in UTC
    report.sendHello();
    at("2026-12-06T23:00:00");  // Sunday
    report.sendHello();
    EXPECT_TRUE(http.requests().empty());
    at("2026-12-07T05:00:00");  // Monday in Tokyo, Sunday in UTC
    report.sendHello();
    EXPECT_EQ(http.requests().size(), 1u);
}

TEST_F(UsageReportTest, RejectedOrFailedReportsChangeNothingAndAreTriedAgain) {
    at("2026-12-02T10:00:00");
    setCounts(1, 1);
    report.sendHello();
    reply(500);
    report.sendHello();
    ASSERT_TRUE(http.failNext(QStringLiteral("offline")));
    queue.runPending();
    EXPECT_FALSE(AppPrefs::helloSentAt().has_value());
    EXPECT_EQ(counter("helloLowCount"), 1);

    setCounts(3, 5);
    report.sendHello();
    ASSERT_EQ(http.requests().size(), 3u);
    EXPECT_EQ(sentBody(2).value(QStringLiteral("low_count")).toInt(), 3);
    EXPECT_EQ(sentBody(2).value(QStringLiteral("online_count")).toInt(), 5);
    EXPECT_TRUE(logLines().isEmpty());

    defaults.set(QStringLiteral("serverURL"), QStringLiteral("::bad"));
    reply(200);
    report.sendHello();  // already reported this week anyway, and the URL is unreadable
    EXPECT_EQ(http.requests().size(), 3u);
}

TEST_F(UsageReportTest, MissingVersionAndCredentialReadAsZeroAndFalse) {
    at("2026-12-02T10:00:00");
    bundle.version.clear();
    report.sendHello();
    EXPECT_EQ(sentBody(0).value(QStringLiteral("version")).toString(), QStringLiteral("0"));
    EXPECT_EQ(sentBody(0).value(QStringLiteral("has_key")).toBool(true), false);
    EXPECT_EQ(sentBody(0).value(QStringLiteral("low_count")).toInt(-1), 0);
}

TEST_F(UsageReportTest, ReplyAfterTheReportIsGoneDoesNothing) {
    at("2026-12-02T10:00:00");
    setCounts(2, 2);
    {
        UsageReport gone{http, system};
        gone.sendHello();
    }
    reply(200);
    EXPECT_EQ(counter("helloLowCount"), 2);
    EXPECT_FALSE(AppPrefs::helloSentAt().has_value());
}

}  // namespace
