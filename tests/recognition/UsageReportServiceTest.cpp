// The usage report over real HTTP against the stand-in service's /v1/hello.
#include "RecognitionFixture.h"
#include "StandInService.h"
#include "platform/fake/FakeBundle.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/QtHttpClient.h"
#include "recognition/UsageReport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

TEST(LinuxSystemInfo, VersionIsThreeNumbers) {
    EXPECT_EQ(LinuxSystemInfo::versionTriple(QStringLiteral("6.1.0-18-amd64")), QStringLiteral("6.1.0"));
    EXPECT_EQ(LinuxSystemInfo::versionTriple(QStringLiteral("5.15")), QStringLiteral("5.15.0"));
    EXPECT_EQ(LinuxSystemInfo::versionTriple(QStringLiteral("unknown")), QStringLiteral("0.0.0"));
    const QString running = LinuxSystemInfo().systemVersion();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(running).hasMatch()) << running.toStdString();
}

TEST(LinuxSystemInfo, ABatteryAmongThePowerSuppliesMeansALaptop) {
    QTemporaryDir supplies;
    auto supply = [&](const char* name, const char* type) {
        QDir(supplies.path()).mkpath(QString::fromLatin1(name));
        QFile file(supplies.path() + QLatin1Char('/') + QLatin1String(name) + QStringLiteral("/type"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(type);
    };
    supply("AC", "Mains\n");
    EXPECT_FALSE(LinuxSystemInfo::hasBattery(supplies.path()));
    supply("BAT0", "Battery\n");
    EXPECT_TRUE(LinuxSystemInfo::hasBattery(supplies.path()));
    EXPECT_FALSE(LinuxSystemInfo::hasBattery(supplies.path() + QStringLiteral("/missing")));
}

class UsageReportServiceTest : public RecognitionFixture {
protected:
    UsageReportServiceTest() {
        Bundle::install(&bundle);
        defaults.set(QStringLiteral("serverURL"), service.baseURL());
    }
    ~UsageReportServiceTest() override { Bundle::install(nullptr); }

    FakeBundle bundle;
    StandInService service;
    QtHttpClient http;
    LinuxSystemInfo system;
    UsageReport report{http, system};
};

TEST_F(UsageReportServiceTest, TheServiceAcceptsTheReport) {
    // Wednesday 2 December 2026, 10:00 in Tokyo.
    queue.advance(double(QDateTime(QDate(2026, 12, 2), QTime(1, 0), QTimeZone::utc()).toSecsSinceEpoch()) - queue.now());
    defaults.set(QStringLiteral("helloLowCount"), qlonglong(3));
    report.sendHello();
    ASSERT_TRUE(queue.waitFor([] { return AppPrefs::helloSentAt().has_value(); }, 10000));
    EXPECT_EQ(counter("helloLowCount"), 0);
    ASSERT_EQ(service.requests(QStringLiteral("/v1/hello")).size(), 1);
    const StandInService::Request request = service.requests(QStringLiteral("/v1/hello")).first();
    EXPECT_TRUE(request.problems.isEmpty()) << request.problems.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(request.json.value(QStringLiteral("week_of")).toString(), QStringLiteral("2026-11-22"));
    EXPECT_EQ(request.json.value(QStringLiteral("low_count")).toInt(), 3);
}

}  // namespace
