// The setup flow's first screens as a user meets them: the permissions screen's polling and
// its start of monitoring, the tray icon's pulse and the login switch of the menu-bar screen,
// and the trigger key that takes effect at once.
#include "OnboardingFixture.h"
#include "onboarding/ui/OnboardingCheckButton.h"
#include "onboarding/ui/OnboardingMenuBarMockView.h"
#include "onboarding/ui/OnboardingScreenIntro.h"
#include "onboarding/ui/OnboardingScreenMenuBar.h"
#include "onboarding/ui/OnboardingScreenPermissions.h"
#include "onboarding/ui/OnboardingScreenTriggerKey.h"
#include "settings/BetaSettingsModel.h"

#include <QGuiApplication>

namespace {

using Step = OnboardingWindow::Step;

class OnboardingSetupScreensGuiTest : public OnboardingFixture {
protected:
    template <typename... ScreenTypes>
    std::unique_ptr<OnboardingV2Window> window(bool preview = false) {
        OnboardingV2Window::Screens screens;
        (screens.push_back(std::make_unique<ScreenTypes>()), ...);
        return std::make_unique<OnboardingV2Window>(host(), std::move(screens), QStringList{"a"}, false, nullptr,
                                                    preview);
    }
    static void becomeActive() { emit qApp->applicationStateChanged(Qt::ApplicationActive); }
};

TEST_F(OnboardingSetupScreensGuiTest, PermissionsArePolledAndMonitoringStartsOnceAllFourAreGranted) {
    permissions.microphoneState = PermissionState::Denied;
    auto w = window<OnboardingScreenPermissions>();
    auto* screen = static_cast<OnboardingScreenPermissions*>(w->screen(0));
    EXPECT_FALSE(screen->button(Step::microphone)->isOn);
    EXPECT_TRUE(screen->button(Step::accessibility)->isOn);

    // A tap on a granted step asks nothing; on a missing one it sends the user to its settings.
    screen->button(Step::accessibility)->click();
    EXPECT_TRUE(settingsOpened.empty());
    screen->button(Step::microphone)->click();
    EXPECT_EQ(settingsOpened, std::vector<Step>{Step::microphone});

    permissions.microphoneState = PermissionState::Granted;
    queue.advance(1.9);
    EXPECT_FALSE(screen->button(Step::microphone)->isOn);
    EXPECT_EQ(monitoringStarts, 0);
    queue.advance(0.2);  // the 2 s poll
    EXPECT_TRUE(screen->button(Step::microphone)->isOn);
    EXPECT_EQ(monitoringStarts, 1);
    becomeActive();  // back from the desktop's settings: at once
    EXPECT_EQ(monitoringStarts, 2);

    permissions.accessibilityState = PermissionState::Denied;
    becomeActive();
    EXPECT_FALSE(screen->button(Step::accessibility)->isOn);
    EXPECT_EQ(monitoringStarts, 2);
    permissions.accessibilityState = PermissionState::Granted;

    // Once the screen is left nothing polls any more.
    w->close();
    queue.advance(10);
    becomeActive();
    EXPECT_EQ(monitoringStarts, 2);
}

TEST_F(OnboardingSetupScreensGuiTest, ThePreviewShowsEveryPermissionGrantedButNeverStartsMonitoring) {
    auto w = window<OnboardingScreenPermissions>(true);
    auto* screen = static_cast<OnboardingScreenPermissions*>(w->screen(0));
    for (Step step : OnboardingWindow::allCases) EXPECT_TRUE(screen->button(step)->isOn);
    queue.advance(4.1);
    becomeActive();
    EXPECT_EQ(monitoringStarts, 0);
}

TEST_F(OnboardingSetupScreensGuiTest, MenuBarScreenPulsesTheTrayIconWhileShownAndSetsTheLoginItem) {
    system.laptop = true;
    auto w = window<OnboardingScreenIntro, OnboardingScreenMenuBar, OnboardingScreenIntro>();
    settle(*w);
    w->next();
    EXPECT_TRUE(blinking);
    auto* mock = qobject_cast<OnboardingMenuBarMockView*>(w->screenViews().value(0));
    ASSERT_NE(mock, nullptr);
    EXPECT_TRUE(mock->isLaptop());

    auto* screen = static_cast<OnboardingScreenMenuBar*>(w->screen(1));
    ASSERT_TRUE(screen->loginSwitch()->isChecked());  // on when never written
    screen->loginSwitch()->click();
    EXPECT_EQ(defaults.object(QStringLiteral("launchAtLogin")), QVariant(false));
    EXPECT_EQ(loginItemApplied, 1);

    settle(*w);
    w->skip();  // leaving by the skip link stops the pulse too
    EXPECT_FALSE(blinking);

    auto preview = window<OnboardingScreenMenuBar>(true);
    EXPECT_FALSE(blinking);
}

TEST_F(OnboardingSetupScreensGuiTest, AKeyChosenOnTheTriggerKeyScreenRestartsMonitoringAtOnce) {
    auto w = window<OnboardingScreenTriggerKey>();
    auto* screen = static_cast<OnboardingScreenTriggerKey*>(w->screen(0));
    ASSERT_NE(screen->model(), nullptr);
    screen->model()->setTriggerKeyCode(61);
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("triggerKeyCode")), 61);
    EXPECT_EQ(monitoringStarts, 1);
}

}  // namespace
