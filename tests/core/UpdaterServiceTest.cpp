// The update check over real HTTP against the stand-in service's version document.
#include "PrefsFixture.h"
#include "StandInService.h"
#include "TestHome.h"
#include "core/Alerts.h"
#include "core/Updater.h"
#include "platform/linux/QtHttpClient.h"

#include <QJsonObject>

#include <vector>

namespace {

class RecordingAlerts final : public AlertRunner {
public:
    int run(const Alert& alert) override {
        shown.push_back(alert);
        return AlertRunner::kFirstButton;
    }
    std::vector<Alert> shown;
};

class UpdaterServiceTest : public PrefsFixture {
protected:
    UpdaterServiceTest() {
        AlertRunner::install(&alerts);
        bundle.version = QStringLiteral("1.4.2");
        put("serverURL", service.baseURL());
    }
    ~UpdaterServiceTest() override { AlertRunner::install(nullptr); }

    bool waitForAlerts(size_t count) {
        return queue.waitFor([&] { return alerts.shown.size() >= count; }, 10000);
    }

    TestHome home;
    RecordingAlerts alerts;
    StandInService service;
    QtHttpClient http;
    Updater updater{{http}};
};

TEST_F(UpdaterServiceTest, NewerReleaseOnTheServiceIsOfferedAndFetched) {
    const QString archive = service.baseURL() + QStringLiteral("/releases/Quendle-2.0.zip");
    service.enqueue(QStringLiteral("/v1/app/latest"),
                    StandInService::Reply::json(200, QJsonObject{{QStringLiteral("version"), QStringLiteral("2.0")},
                                                                 {QStringLiteral("url"), archive}}));
    updater.check(false);
    ASSERT_TRUE(waitForAlerts(1));
    EXPECT_EQ(alerts.shown[0].message, QStringLiteral("アップデートがあります"));
    // Accepted: the archive is fetched; the service has none, which is a failed download.
    ASSERT_TRUE(waitForAlerts(2));
    EXPECT_EQ(alerts.shown[1].message, QStringLiteral("アップデートに失敗しました"));
    EXPECT_EQ(service.requests(QStringLiteral("/releases/Quendle-2.0.zip")).size(), 1);
    ASSERT_EQ(service.requests(QStringLiteral("/v1/app/latest")).size(), 1);
    EXPECT_TRUE(service.problems().isEmpty()) << service.problems().join(QStringLiteral("; ")).toStdString();
}

TEST_F(UpdaterServiceTest, InteractiveChecksReportTheOutcome) {
    updater.check(true);  // the stand-in's own document names no newer release
    ASSERT_TRUE(waitForAlerts(1));
    EXPECT_EQ(alerts.shown[0].message, QStringLiteral("最新版です"));

    service.enqueue(QStringLiteral("/v1/app/latest"), StandInService::Reply::dropConnection());
    updater.check(true);
    ASSERT_TRUE(waitForAlerts(2));
    EXPECT_EQ(alerts.shown[1].message, QStringLiteral("確認できませんでした"));
}

}  // namespace
