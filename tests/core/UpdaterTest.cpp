// The update check on a scripted HTTP client and virtual time: the version comparison, the
// request, the offer and what each kind of check reports.
#include "PrefsFixture.h"
#include "TestHome.h"
#include "core/Alerts.h"
#include "core/AppLog.h"
#include "core/Updater.h"
#include "platform/Files.h"
#include "platform/fake/FakeHttpClient.h"

#include <vector>

namespace {

class RecordingAlerts final : public AlertRunner {
public:
    int run(const Alert& alert) override {
        shown.push_back(alert);
        return answer;
    }
    std::vector<Alert> shown;
    int answer = AlertRunner::kFirstButton + 1;  // "あとで"
};

const QByteArray kNewer = R"({"version": "1.5.0", "url": "https://example.com/Quendle-1.5.0.zip", "notes": "x"})";

class UpdaterTest : public PrefsFixture {
protected:
    UpdaterTest() {
        AlertRunner::install(&alerts);
        bundle.version = QStringLiteral("1.4.2");
        put("serverURL", QStringLiteral("https://updates.example.com"));
    }
    ~UpdaterTest() override { AlertRunner::install(nullptr); }

    // Runs one check to its end with the given answer.
    void checkWith(bool interactive, const HttpResponse& response) {
        updater->check(interactive);
        ASSERT_TRUE(http.completeNext(response));
        queue.runPending();
    }
    void checkWith(bool interactive, const QByteArray& body) { checkWith(interactive, HttpResponse::reply(200, body)); }

    QStringList logLines() const { return home.logLines(); }

    TestHome home;
    RecordingAlerts alerts;
    FakeHttpClient http;
    std::vector<QString> downloads;
    std::unique_ptr<Updater> updater = std::make_unique<Updater>(
        Updater::Services{http, {}, [this](const QString& url) { downloads.push_back(url); }});
};

TEST(UpdaterVersions, NumbersNotText) {
    struct Case {
        const char* candidate;
        const char* current;
        bool newer;
    } cases[] = {
        {"1.10", "1.9", true},     {"1.9", "1.10", false},      {"1.2", "1.2.0", false}, {"1.2.0", "1.2", false},
        {"2.0", "1.99.99", true},  {"1.3b", "1.0", false},      {"1.3", "0", true},      {"0.0.1", "0", true},
        {"0", "0", false},         {"1..2", "1.1", true},       {"-1", "0", false},      {"+2", "1", true},
        {"+", "0", false},         {"99999999999999999999", "1", false},  // beyond 64 bits: 0
        {"1.0.0.1", "1", true},    {"", "0", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Updater::compareVersions(QString::fromUtf8(c.candidate), QString::fromUtf8(c.current)), c.newer)
            << c.candidate << " vs " << c.current;
}

TEST_F(UpdaterTest, CurrentVersionIsTheBundlesOrZero) {
    EXPECT_EQ(Updater::currentVersion(), QStringLiteral("1.4.2"));
    bundle.version.clear();
    EXPECT_EQ(Updater::currentVersion(), QStringLiteral("0"));
    Bundle::install(nullptr);
    EXPECT_EQ(Updater::currentVersion(), QStringLiteral("0"));
}

TEST_F(UpdaterTest, AskingIsOnePlainGetOfTheVersionDocument) {
    updater->check(false);
    ASSERT_EQ(http.requests().size(), 1u);
    const HttpRequest request = http.requests()[0];
    EXPECT_EQ(request.method, QByteArray("GET"));
    EXPECT_EQ(request.url, QUrl(QStringLiteral("https://updates.example.com/v1/app/latest")));
    EXPECT_DOUBLE_EQ(request.timeoutSeconds, 10.0);
    EXPECT_TRUE(request.headers.isEmpty());
    EXPECT_FALSE(request.body.has_value());

    // A fixed address wins over the service's.
    Updater fixed({http, QStringLiteral("http://127.0.0.1:9/latest.json")});
    fixed.check(false);
    EXPECT_EQ(http.requests().back().url, QUrl(QStringLiteral("http://127.0.0.1:9/latest.json")));
}

TEST_F(UpdaterTest, ABadAddressAsksNothing) {
    put("serverURL", QStringLiteral("not a url"));
    updater->check(false);
    queue.runPending();
    EXPECT_TRUE(http.requests().empty());
    EXPECT_TRUE(alerts.shown.empty());

    // The user asked: they learn that no check took place.
    updater->check(true);
    queue.runPending();
    EXPECT_TRUE(http.requests().empty());
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].message, QStringLiteral("確認できませんでした"));
    EXPECT_EQ(logLines().last(), QStringLiteral("アップデート確認: 確認先のアドレスが正しくない: not a url/v1/app/latest"));
}

TEST_F(UpdaterTest, NewerReleaseIsOfferedAndAcceptanceHandsOverTheArchive) {
    alerts.answer = AlertRunner::kFirstButton;
    checkWith(false, kNewer);
    EXPECT_EQ(value("offeredUpdate"), QVariant(QStringLiteral("1.5.0")));
    ASSERT_EQ(alerts.shown.size(), 1u);
    const Alert& alert = alerts.shown[0];
    EXPECT_EQ(alert.message, QStringLiteral("アップデートがあります"));
    EXPECT_EQ(alert.informativeText, QStringLiteral("Quendle 1.5.0 が利用できます（現在: 1.4.2）。更新して再起動しますか？"));
    EXPECT_EQ(alert.buttons, (QStringList{QStringLiteral("今すぐアップデート"), QStringLiteral("あとで")}));
    EXPECT_EQ(downloads, std::vector<QString>{QStringLiteral("https://example.com/Quendle-1.5.0.zip")});
}

TEST_F(UpdaterTest, WithoutADownloadAnAcceptanceIsOnlyLogged) {
    Updater plain({http});
    alerts.answer = AlertRunner::kFirstButton;
    plain.check(true);
    http.replyNext(200, kNewer);
    queue.runPending();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(logLines(), QStringList{QStringLiteral(
                              "アップデート: この環境では自動で入れ替えない: https://example.com/Quendle-1.5.0.zip")});
}

TEST_F(UpdaterTest, AQuietCheckOffersAVersionOnceAnInteractiveOneEveryTime) {
    checkWith(false, kNewer);
    EXPECT_EQ(alerts.shown.size(), 1u);  // answered "あとで"
    checkWith(false, kNewer);
    EXPECT_EQ(alerts.shown.size(), 1u);
    EXPECT_TRUE(downloads.empty());

    checkWith(true, kNewer);
    checkWith(true, kNewer);
    EXPECT_EQ(alerts.shown.size(), 3u);
    EXPECT_EQ(alerts.shown.back().message, QStringLiteral("アップデートがあります"));

    // A later release is news again.
    checkWith(false, R"({"version": "1.6", "url": "https://example.com/1.6.zip"})");
    EXPECT_EQ(alerts.shown.size(), 4u);
    EXPECT_EQ(value("offeredUpdate"), QVariant(QStringLiteral("1.6")));
}

TEST_F(UpdaterTest, SameOrOlderReleaseIsReportedOnlyWhenAsked) {
    checkWith(false, R"({"version": "1.4.2.0", "url": "https://example.com/a.zip"})");
    EXPECT_TRUE(alerts.shown.empty());
    checkWith(true, R"({"version": "1.4.1", "url": "https://example.com/a.zip"})");
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].message, QStringLiteral("最新版です"));
    EXPECT_EQ(alerts.shown[0].informativeText, QStringLiteral("Quendle 1.4.2 をお使いです。"));
    EXPECT_EQ(alerts.shown[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_FALSE(value("offeredUpdate").isValid());
}

TEST_F(UpdaterTest, MissingBundleVersionMakesAnyPositiveReleaseNewer) {
    bundle.version.clear();
    checkWith(true, R"({"version": "0.0.1", "url": "https://example.com/a.zip"})");
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].informativeText, QStringLiteral("Quendle 0.0.1 が利用できます（現在: 0）。更新して再起動しますか？"));
}

TEST_F(UpdaterTest, UnreadableAnswersFailLoudlyOnlyWhenAsked) {
    const std::vector<HttpResponse> failures = {
        HttpResponse::transportError(QStringLiteral("timed out")),
        HttpResponse::reply(200, QByteArray()),
        HttpResponse::reply(502, "<html>Bad Gateway</html>"),
        HttpResponse::reply(200, R"(["1.5.0"])"),
        HttpResponse::reply(200, R"({"version": 2, "url": "https://example.com/a.zip"})"),
        HttpResponse::reply(200, R"({"version": "9.0"})"),  // newer, but nothing to download
        HttpResponse::reply(200, R"({"version": "9.0", "url": 7})"),
        HttpResponse::reply(200, R"({"version": "9.0", "url": "file:///etc/passwd"})"),
        HttpResponse::reply(200, R"({"version": "9.0", "url": "Quendle.zip"})"),
        HttpResponse::reply(200, R"({"version": "9.0", "url": "https://example.com/a.zip")"),  // cut short
    };
    for (const HttpResponse& response : failures) checkWith(false, response);
    EXPECT_TRUE(alerts.shown.empty());

    for (const HttpResponse& response : failures) checkWith(true, response);
    ASSERT_EQ(alerts.shown.size(), failures.size());
    for (const Alert& alert : alerts.shown) {
        EXPECT_EQ(alert.message, QStringLiteral("確認できませんでした"));
        EXPECT_EQ(alert.informativeText, QStringLiteral("あとでもう一度お試しください。"));
        EXPECT_EQ(alert.buttons, QStringList{QStringLiteral("OK")});
    }
    EXPECT_FALSE(value("offeredUpdate").isValid());
    EXPECT_TRUE(downloads.empty());
}

TEST_F(UpdaterTest, AnswerAfterTheUpdaterIsGoneIsDropped) {
    updater->check(true);
    updater.reset();
    ASSERT_TRUE(http.replyNext(200, kNewer));
    queue.runPending();
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_FALSE(value("offeredUpdate").isValid());
}

}  // namespace
