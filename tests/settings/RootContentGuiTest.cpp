#include "settings/screens/RootContent.h"

#include "core/AppPrefs.h"
#include "core/OnboardingWindow.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePermissions.h"
#include "platform/fake/FakeSpeechRecognizer.h"
#include "platform/fake/MemoryDefaults.h"
#include "settings/screens/QualityQuickSwitch.h"
#include "settings/ui/ActionRow.h"
#include "settings/ui/Row.h"
#include "settings/ui/RowGroup.h"
#include "settings/ui/RowLine.h"

#include "TestHome.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <vector>

namespace {

class RootContentTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        Bundle::install(&bundle);
        AppPrefs::resetFirstRunForTesting();
        defaults.set(QStringLiteral("lastRunVersion"), QStringLiteral("0.0.9"));
        actions.settingsChanged = [this] { ++changed; };
        actions.checkForUpdates = [this] { ++updateChecks; };
        OnboardingWindow::Services services{permissions, speech};
        services.executablePath = [] { return QStringLiteral("/opt/Quendle.app/Contents/MacOS/Quendle"); };
        // The child runs on a worker thread; a slow one answers only when its time is up.
        services.runProcess = [this](const QString&, const QStringList&, double timeout) {
            ++probes;
            if (slowProbe) probeRelease.tryAcquire(1, int(timeout * 1000));
            return OnboardingWindow::ProcessRun{OnboardingWindow::ProcessRun::Outcome::exited, probeAnswer.load()};
        };
        onboarding = std::make_unique<OnboardingWindow>(services);
        context.permissions = &permissions;
        context.onboarding = onboarding.get();
        context.openUsageGuide = [this] { ++guides; };
        context.openContactPage = [this] { ++contacts; };
    }
    void TearDown() override {
        probeRelease.release(100);
        onboarding.reset();  // waits for a probe still running
        AppPrefs::resetFirstRunForTesting();
        Bundle::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    std::unique_ptr<RootContent> build() {
        // A screen built earlier in the test still watches its model: it stays.
        models.push_back(std::make_unique<BetaSettingsModel>(actions));
        model = models.back().get();
        auto screen = std::make_unique<RootContent>(*model, nav, context);
        screen->resize(380, 700);
        screen->show();
        return screen;
    }

    static QStringList segmentTitles(const RootContent& screen) {
        QStringList out;
        for (QualitySegment* segment : screen.qualitySwitch()->segments()) out << segment->text();
        return out;
    }
    static QList<bool> marks(const RootContent& screen) {
        QList<bool> out;
        for (QualitySegment* segment : screen.qualitySwitch()->segments()) out << segment->isSelected();
        return out;
    }
    QString logText() {
        QFile log(home.path() + QStringLiteral("/Library/Logs/Orvane.log"));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

    // The probe's answer has arrived and been shown.
    bool probeAnswered() {
        return queue.waitFor([this] { return !onboarding->probeInBackgroundRunning(); });
    }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakeBundle bundle;
    FakePermissions permissions;
    FakeSpeechRecognizerProvider speech;
    std::unique_ptr<OnboardingWindow> onboarding;
    std::atomic<int> probes = 0;
    std::atomic<int> probeAnswer = 1;
    std::atomic<bool> slowProbe = false;
    QSemaphore probeRelease;
    SettingsActions actions;
    ScreenContext context;
    SettingsNav nav;
    std::vector<std::unique_ptr<BetaSettingsModel>> models;
    BetaSettingsModel* model = nullptr;
    int changed = 0;
    int updateChecks = 0;
    int guides = 0;
    int contacts = 0;
};

TEST_F(RootContentTest, QuickSwitchOffersLowAndMaxAndMarksNeitherForHigh) {
    defaults.set(QStringLiteral("qualityLevel"), QStringLiteral("middle"));
    auto screen = build();
    EXPECT_EQ(segmentTitles(*screen), (QStringList{"Low", "Max"}));
    EXPECT_EQ(marks(*screen), (QList<bool>{false, false}));
    EXPECT_TRUE(screen->textRow()->value().startsWith(QStringLiteral("High・")));

    screen->qualitySwitch()->segments()[1]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("qualityLevel")).toString(), QStringLiteral("high"));
    EXPECT_EQ(defaults.object(QStringLiteral("transcriptionRoute")).toString(), QStringLiteral("auto"));
    EXPECT_EQ(marks(*screen), (QList<bool>{false, true}));
    EXPECT_TRUE(screen->textRow()->value().startsWith(QStringLiteral("Max・")));
    EXPECT_EQ(changed, 1);

    // The marked segment stores, logs and tells the shell again.
    screen->qualitySwitch()->segments()[1]->click();
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(logText().count(QStringLiteral("Quality: Max")), 2);

    screen->qualitySwitch()->segments()[0]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("qualityLevel")).toString(), QStringLiteral("low"));
    EXPECT_EQ(defaults.object(QStringLiteral("transcriptionRoute")).toString(), QStringLiteral("local"));
    EXPECT_EQ(marks(*screen), (QList<bool>{true, false}));
}

TEST_F(RootContentTest, RowsShowTheCurrentValuesAndFollowTheModel) {
    defaults.set(QStringLiteral("corrections"), QString());
    defaults.set(QStringLiteral("cleanup"), true);
    defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("formal"));
    AppPrefs::setQualityLevel(QStringLiteral("high"));
    auto screen = build();
    EXPECT_EQ(screen->correctionsRow()->title(), QStringLiteral("言い直し"));
    EXPECT_EQ(screen->correctionsRow()->value(), QStringLiteral("なし"));
    EXPECT_EQ(screen->speakRow()->value(), model->triggerKeyDisplayName());
    EXPECT_EQ(screen->textRow()->value(), QStringLiteral("Max・ていねいに"));
    EXPECT_TRUE(screen->extrasRow()->value().isEmpty());

    model->setCorrections(QStringLiteral("開業 → 改行\nてすと = テスト\nメモ"));
    model->saveCorrections();
    EXPECT_EQ(screen->correctionsRow()->value(), QStringLiteral("2件"));
    model->setCleanupMode(QStringLiteral("off"));
    EXPECT_EQ(screen->textRow()->value(), QStringLiteral("Max・整えない"));
}

TEST_F(RootContentTest, PermissionRowOnlyWhileOneIsMissingByTheRuleOfThePermissionsScreen) {
    auto screen = build();
    const auto visibleDividers = [&] {
        int n = 0;
        for (RowLine* line : screen->sectionsGroup()->findChildren<RowLine*>()) n += line->isVisibleTo(screen.get());
        return n;
    };
    EXPECT_FALSE(screen->permissionsRow()->isVisibleTo(screen.get()));
    EXPECT_EQ(visibleDividers(), 2);

    // The rule of the permissions screen: a missing speech model counts…
    speech.authorization = SpeechAuthorization::Denied;
    screen->hide();
    screen->show();  // coming into view asks again
    EXPECT_TRUE(screen->permissionsRow()->isVisibleTo(screen.get()));
    EXPECT_EQ(screen->permissionsRow()->value(), QStringLiteral("1つ未許可"));
    EXPECT_EQ(visibleDividers(), 3);

    // …and key watching the display does not offer counts as granted when the probe's child can
    // watch keys.
    speech.authorization = SpeechAuthorization::Authorized;
    permissions.microphoneState = PermissionState::Denied;
    permissions.inputMonitoringState = PermissionState::Denied;
    probeAnswer = 0;
    screen->hide();
    screen->show();
    ASSERT_TRUE(probeAnswered());
    EXPECT_EQ(screen->permissionsRow()->value(), QStringLiteral("1つ未許可"));
    EXPECT_GE(probes, 1);

    screen->permissionsRow()->click();
    EXPECT_EQ(nav.top(), SettingsScreen::permissions);

    // Without a way to ask, nothing is shown as missing.
    context.onboarding = nullptr;
    auto bare = build();
    EXPECT_FALSE(bare->permissionsRow()->isVisibleTo(bare.get()));
}

// The display does not offer key watching, and the probe's child takes its full 3 s: the window
// goes on answering clicks meanwhile, and the permissions row follows the child's answer.
TEST_F(RootContentTest, TheWindowAnswersClicksWhileTheKeyWatchingProbeRuns) {
    permissions.inputMonitoringState = PermissionState::Denied;
    probeAnswer = 0;  // the child can watch keys
    slowProbe = true;
    QElapsedTimer clock;
    clock.start();
    auto screen = build();
    EXPECT_TRUE(onboarding->probeInBackgroundRunning());
    EXPECT_EQ(screen->permissionsRow()->value(), QStringLiteral("1つ未許可"));  // the answer known so far

    screen->qualitySwitch()->segments()[0]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("qualityLevel")).toString(), QStringLiteral("low"));
    EXPECT_TRUE(screen->textRow()->value().startsWith(QStringLiteral("Low・")));
    EXPECT_TRUE(onboarding->probeInBackgroundRunning()) << "the click waited for the child";
    EXPECT_LT(clock.elapsed(), 2000);
    // A change of the model while the child runs starts no second one.
    screen->qualitySwitch()->segments()[1]->click();

    // The child says yes when its 3 s are over: the row goes away without another child.
    ASSERT_TRUE(queue.waitFor([this] { return !onboarding->probeInBackgroundRunning(); }, 10000));
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_FALSE(screen->permissionsRow()->isVisibleTo(screen.get()));
    EXPECT_EQ(probes, 1);
    screen->refresh();
    EXPECT_EQ(probes, 1);  // the yes is kept
}

TEST_F(RootContentTest, RowsPushForwardAndRunTheirActions) {
    auto screen = build();
    nav.pop();  // nothing to pop on the root
    const QList<std::pair<Row*, SettingsScreen>> pushes{{screen->correctionsRow(), SettingsScreen::corrections},
                                                          {screen->speakRow(), SettingsScreen::speak},
                                                          {screen->textRow(), SettingsScreen::text},
                                                          {screen->extrasRow(), SettingsScreen::extras}};
    for (const auto& [row, target] : pushes) {
        nav.push(SettingsScreen::sounds);
        nav.pop();  // the last move went back
        ASSERT_TRUE(nav.back());
        row->click();
        EXPECT_EQ(nav.top(), target);
        EXPECT_FALSE(nav.back());
        nav.resetToRoot();
    }

    EXPECT_EQ(screen->usageRow()->title(), QStringLiteral("使い方"));
    screen->usageRow()->click();
    EXPECT_EQ(guides, 1);
    EXPECT_EQ(screen->updateRow()->title(), QStringLiteral("最新版をチェック"));
    screen->updateRow()->click();
    EXPECT_EQ(updateChecks, 1);
    EXPECT_EQ(screen->contactRow()->title(), QStringLiteral("お問い合わせ"));
    screen->contactRow()->click();
    EXPECT_EQ(contacts, 1);
    EXPECT_EQ(nav.stack(), QList<SettingsScreen>{SettingsScreen::root});

    // Without a contact page the row is not there at all; without the guide its row does nothing.
    context.openUsageGuide = nullptr;
    context.openContactPage = nullptr;
    auto bare = build();
    bare->usageRow()->click();
    EXPECT_EQ(guides, 1);
    EXPECT_EQ(bare->contactRow(), nullptr);
}

}  // namespace
