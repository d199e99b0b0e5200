// Preference sync over real HTTP against the stand-in service's /v1/prefs.
#include "RecognitionFixture.h"
#include "StandInService.h"
#include "platform/linux/QtHttpClient.h"
#include "recognition/PrefsSync.h"

namespace {

class PrefsSyncServiceTest : public RecognitionFixture {
protected:
    PrefsSyncServiceTest() {
        defaults.set(QStringLiteral("serverURL"), service.baseURL());
        defaults.set(QStringLiteral("serviceKey"), QStringLiteral("secret"));
    }
    QString str(const char* key) const { return defaults.stringForKey(QLatin1String(key)); }

    StandInService service;
    QtHttpClient http;
    PrefsSync sync{http};
};

TEST_F(PrefsSyncServiceTest, PushThenFetchAgreesAndANewerServiceCopyComesBack) {
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("Quendle, 改行"));
    defaults.set(QStringLiteral("corrections"), QStringLiteral("開業 → 改行"));
    sync.pushLocal();
    ASSERT_TRUE(queue.waitFor([&] { return !defaults.boolForKey(QStringLiteral("prefsDirty")); }, 10000));
    const QString agreed = str("prefsSyncedAt");
    EXPECT_EQ(agreed, service.prefs().value(QStringLiteral("updated_at")).toString());
    EXPECT_EQ(service.prefs().value(QStringLiteral("vocabulary")).toString(), QStringLiteral("Quendle, 改行"));

    int announced = 0;
    sync.observeDidSync([&] { ++announced; });
    std::optional<std::optional<PrefsSync::Remote>> fetched;
    sync.fetch([&](const std::optional<PrefsSync::Remote>& remote) {
        fetched = remote;
        sync.applyIfNewer(remote);  // the same stamp: nothing changes
    });
    ASSERT_TRUE(queue.waitFor([&] { return fetched.has_value(); }, 10000));
    ASSERT_TRUE(fetched->has_value());
    EXPECT_EQ((*fetched)->updatedAt, agreed);
    queue.runPending();
    EXPECT_EQ(announced, 0);

    service.setPrefs(QStringLiteral("A、B"), QStringLiteral(" x → y "), QStringLiteral("2099-01-01T00:00:00.000Z"));
    sync.syncOnAppear();
    ASSERT_TRUE(queue.waitFor([&] { return announced == 1; }, 10000));
    EXPECT_EQ(str("vocabulary"), QStringLiteral("A, B"));
    EXPECT_EQ(str("corrections"), QStringLiteral("x → y"));
    EXPECT_EQ(str("prefsSyncedAt"), QStringLiteral("2099-01-01T00:00:00.000Z"));
    EXPECT_TRUE(service.problems().isEmpty()) << service.problems().join(QStringLiteral("; ")).toStdString();
}

}  // namespace
