#include "settings/screens/PermissionsEditor.h"

#include "core/OnboardingWindow.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePermissions.h"
#include "platform/fake/FakeSpeechRecognizer.h"
#include "settings/SettingsNav.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/RowGroup.h"
#include "settings/ui/RowLine.h"
#include "settings/ui/SymbolLabel.h"

#include "TextScreensFixture.h"

#include <QLayout>

#include <atomic>

namespace {

using Step = OnboardingWindow::Step;
using Outcome = OnboardingWindow::ProcessRun::Outcome;

class PermissionsEditorTest : public TextScreensFixture {
protected:
    PermissionsEditorTest() {
        OnboardingWindow::Services services{permissions, speech};
        services.executablePath = [] { return QStringLiteral("/opt/Quendle.app/Contents/MacOS/Quendle"); };
        services.runProcess = [this](const QString&, const QStringList&, double) {
            ++probes;
            return OnboardingWindow::ProcessRun{Outcome::exited, probeAnswer.load()};
        };
        services.openSettings = [this](Step step) { opened.append(step); };
        services.hasSettings = [this](Step step) { return !withoutSettings.contains(step); };
        onboarding = std::make_unique<OnboardingWindow>(services);
    }

    QList<bool> granted(const PermissionsEditor& screen) const {
        QList<bool> states;
        for (PermissionRow* row : screen.rows()) states << row->isGranted();
        return states;
    }

    FakeMainQueue queue;
    FakePermissions permissions;
    FakeSpeechRecognizerProvider speech;
    std::unique_ptr<OnboardingWindow> onboarding;
    std::atomic<int> probes = 0;  // counted on the probe's worker thread
    std::atomic<int> probeAnswer = 1;
    QList<Step> opened;
    QList<Step> withoutSettings;
};

TEST_F(PermissionsEditorTest, RowsShowEachStepInOrderWithItsState) {
    permissions.accessibilityState = PermissionState::Denied;
    speech.authorization = SpeechAuthorization::Restricted;
    withoutSettings = {Step::speech, Step::accessibility, Step::inputMonitoring};
    BetaSettingsModel& model = makeModel();
    ScreenContext context;
    context.onboarding = onboarding.get();
    SettingsNav nav;
    auto* screen = static_cast<PermissionsEditor*>(makePermissionsScreen(model, nav, context));
    TextScreenHost host(screen);

    QStringList titles;
    for (PermissionRow* row : screen->rows()) titles << row->title();
    EXPECT_EQ(titles, (QStringList{"マイクを使えるようにする", "音声認識を使えるようにする", "キー操作を読み取れるようにする",
                                   "キーの押し下げを見られるようにする"}));
    EXPECT_EQ(granted(*screen), (QList<bool>{true, false, false, true}));
    EXPECT_EQ(screen->rows()[0]->statusText(), QStringLiteral("許可されています"));
    EXPECT_EQ(screen->rows()[0]->statusIcon()->name(), QStringLiteral("checkmark.circle.fill"));
    // What is missing is named: nobody can grant the speech model or the display's extensions.
    EXPECT_EQ(screen->rows()[1]->statusText(), QStringLiteral("音声モデルのパッケージ（pocketsphinx-en-us）が入っていません"));
    EXPECT_EQ(screen->rows()[1]->statusIcon()->name(), QStringLiteral("exclamationmark.circle.fill"));
    EXPECT_EQ(screen->rows()[2]->statusText(), QStringLiteral("X サーバーに拡張機能 XTEST と XInputExtension がありません"));
    // Key watching granted by the display itself: no probe child.
    EXPECT_EQ(probes, 0);

    // Dividers stand only between the rows.
    auto* group = qobject_cast<RowGroup*>(screen->rows()[0]->parentWidget()->parentWidget());
    ASSERT_NE(group, nullptr);
    QStringList order;
    QLayout* card = group->card()->layout();
    for (int i = 0; i < card->count(); ++i) {
        QWidget* item = card->itemAt(i)->widget();
        if (qobject_cast<RowLine*>(item)) order << QStringLiteral("line");
        else if (qobject_cast<PermissionRow*>(item)) order << QStringLiteral("row");
    }
    EXPECT_EQ(order, (QStringList{"row", "line", "row", "line", "row", "line", "row"}));
}

TEST_F(PermissionsEditorTest, AGrantTurnsTheRowGreenOnTheRecheckOrTheNextShowOnly) {
    permissions.microphoneState = PermissionState::Denied;
    BetaSettingsModel& model = makeModel();
    auto* screen = new PermissionsEditor(model, onboarding.get());
    TextScreenHost host(screen);
    ASSERT_FALSE(screen->rows()[0]->isGranted());
    const int checksAtBuild = permissions.microphoneQueries;
    EXPECT_EQ(checksAtBuild, 1);  // built and shown once: one check

    // No sound server or no microphone: said as such, not as a permission never given.
    EXPECT_EQ(screen->rows()[0]->statusText(),
              QStringLiteral("サウンドサーバーかマイクが見つかりません（押すと設定を開きます）"));
    permissions.microphoneState = PermissionState::Granted;
    QApplication::processEvents();
    EXPECT_FALSE(screen->rows()[0]->isGranted());  // no timer on this screen

    // The re-check also reloads the model from the settings, without calling the shell.
    defaults.set(QStringLiteral("lowCleanup"), true);
    ASSERT_FALSE(model.lowCleanupEnabled());
    const QDateTime before = screen->refreshedAt();
    press(screen->recheckButton());
    EXPECT_TRUE(screen->rows()[0]->isGranted());
    EXPECT_GE(screen->refreshedAt(), before);
    EXPECT_TRUE(model.lowCleanupEnabled());
    EXPECT_EQ(settingsChanged, 0);
    // …and has the desktop asked afresh, whose answer the rows show when it comes.
    EXPECT_EQ(permissions.checksAgain, 1);
    permissions.microphoneState = PermissionState::Denied;
    queue.runPending();
    EXPECT_FALSE(screen->rows()[0]->isGranted());
    permissions.microphoneState = PermissionState::Granted;
    screen->refresh();

    // Shown again later: checked again.
    permissions.microphoneState = PermissionState::Denied;
    host.window.hide();
    host.window.show();
    QApplication::processEvents();
    EXPECT_FALSE(screen->rows()[0]->isGranted());
}

TEST_F(PermissionsEditorTest, ClickingARowAsksForItsPermissionGrantedOrNot) {
    permissions.inputMonitoringState = PermissionState::Denied;
    BetaSettingsModel& model = makeModel();
    auto* screen = new PermissionsEditor(model, onboarding.get());
    TextScreenHost host(screen);
    EXPECT_FALSE(screen->rows()[3]->isGranted());
    // The display said no: the probe's child is asked, on a worker, and the row shows its answer.
    EXPECT_TRUE(onboarding->probeInBackgroundRunning()) << "the screen waited for the child";
    ASSERT_TRUE(queue.waitFor([&] { return !onboarding->probeInBackgroundRunning(); }));
    EXPECT_EQ(probes, 1);
    EXPECT_FALSE(screen->rows()[3]->isGranted());
    EXPECT_EQ(screen->rows()[3]->statusText(),
              QStringLiteral("X サーバーに拡張機能 XTEST と XInputExtension がありません（押すと設定を開きます）"));
    probeAnswer = 0;
    screen->refresh();
    ASSERT_TRUE(queue.waitFor([&] { return screen->rows()[3]->isGranted(); }));
    EXPECT_EQ(screen->rows()[3]->statusText(), QStringLiteral("許可されています"));
    EXPECT_EQ(probes, 2);

    press(screen->rows()[3]);
    press(screen->rows()[2]);  // granted: still opens its settings
    EXPECT_EQ(opened, (QList<Step>{Step::inputMonitoring, Step::accessibility}));
}

TEST_F(PermissionsEditorTest, AMicrophoneStillBeingLookedForShowsItsAnswerWhenTheRequestSettles) {
    permissions.microphoneState = PermissionState::NotDetermined;
    BetaSettingsModel& model = makeModel();
    auto* screen = new PermissionsEditor(model, onboarding.get());
    TextScreenHost host(screen);
    EXPECT_FALSE(screen->rows()[0]->isGranted());

    press(screen->rows()[0]);
    EXPECT_TRUE(opened.isEmpty());  // the answer is awaited, nothing opens
    permissions.microphoneState = PermissionState::Granted;
    queue.advance(0);
    EXPECT_TRUE(screen->rows()[0]->isGranted());

    // A request that settles after the screen is gone touches nothing.
    permissions.microphoneState = PermissionState::NotDetermined;
    press(screen->rows()[0]);
    delete screen;
    queue.advance(0);
}

TEST_F(PermissionsEditorTest, ARowWithNoSettingsOnThisDesktopNeitherPromisesNorOpensThem) {
    permissions.microphoneState = PermissionState::Denied;
    withoutSettings = {Step::microphone};
    BetaSettingsModel& model = makeModel();
    auto* screen = new PermissionsEditor(model, onboarding.get());
    TextScreenHost host(screen);
    EXPECT_FALSE(screen->rows()[0]->opensSettings());
    EXPECT_EQ(screen->rows()[0]->statusText(), QStringLiteral("サウンドサーバーかマイクが見つかりません"));
    press(screen->rows()[0]);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(screen->rows()[1]->opensSettings());
}

TEST_F(PermissionsEditorTest, WithoutThePermissionStepsEveryRowIsMissingAndClicksDoNothing) {
    BetaSettingsModel& model = makeModel();
    ScreenContext context;
    SettingsNav nav;
    auto* screen = static_cast<PermissionsEditor*>(makePermissionsScreen(model, nav, context));
    TextScreenHost host(screen);
    EXPECT_EQ(granted(*screen), (QList<bool>{false, false, false, false}));
    press(screen->rows()[0]);
    EXPECT_TRUE(opened.isEmpty());
}

}  // namespace
