// The setup flow's first screens as a user meets them: the permissions screen's polling and
// its start of monitoring, the tray icon's pulse and the login switch of the menu-bar screen,
// and the trigger key that takes effect at once on a keyboard drawn for the dark window.
#include "OnboardingFixture.h"
#include "onboarding/ui/OnboardingCheckButton.h"
#include "onboarding/ui/OnboardingMenuBarMockView.h"
#include "onboarding/ui/OnboardingScreenIntro.h"
#include "onboarding/ui/OnboardingScreenMenuBar.h"
#include "onboarding/ui/OnboardingScreenPermissions.h"
#include "onboarding/ui/OnboardingScreenTriggerKey.h"
#include "onboarding/ui/OnboardingScreenUsageIntro.h"
#include "settings/BetaSettingsModel.h"
#include "settings/screens/KeyboardPicker.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPalette>

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

// The display does not vouch for key watching: the screen asks the probe's child on a worker and
// keeps answering meanwhile; the check comes on with the child's yes, and monitoring starts.
TEST_F(OnboardingSetupScreensGuiTest, KeyWatchingIsProbedWithoutHoldingTheWindow) {
    permissions.inputMonitoringState = PermissionState::Denied;
    auto w = window<OnboardingScreenPermissions>();
    auto* screen = static_cast<OnboardingScreenPermissions*>(w->screen(0));
    EXPECT_TRUE(steps->probeInBackgroundRunning()) << "the probe ran on the main queue";
    EXPECT_FALSE(screen->button(Step::inputMonitoring)->isOn);
    EXPECT_EQ(monitoringStarts, 0);
    ASSERT_TRUE(queue.waitFor([&] { return screen->button(Step::inputMonitoring)->isOn; }, 5000));
    EXPECT_EQ(probes, 1);
    EXPECT_EQ(monitoringStarts, 1);
}

// The child says no as well: the key-watching row names what the display lacks.
TEST_F(OnboardingSetupScreensGuiTest, KeyWatchingThatTheProbeRefusesNamesWhatIsMissing) {
    permissions.inputMonitoringState = PermissionState::Denied;
    probeStatus = 1;
    auto w = window<OnboardingScreenPermissions>();
    auto* screen = static_cast<OnboardingScreenPermissions*>(w->screen(0));
    ASSERT_TRUE(queue.waitFor([&] { return probes == 1 && !steps->probeInBackgroundRunning(); }, 5000));
    EXPECT_FALSE(screen->button(Step::inputMonitoring)->isOn);
    EXPECT_EQ(screen->row(Step::inputMonitoring)->detailLabel()->text(),
              QStringLiteral("X サーバーに拡張機能 XTEST と XInputExtension がありません"));
    EXPECT_EQ(monitoringStarts, 0);
}

// Only the microphone has settings to open here, and only where a sound settings program is
// installed: every other check is no button, each missing step says what is missing, and the note
// promises only what a tap does.
TEST_F(OnboardingSetupScreensGuiTest, ChecksThatOpenNothingAreNoButtonsAndRowsNameWhatIsMissing) {
    permissions.microphoneState = PermissionState::Denied;
    permissions.accessibilityState = PermissionState::Denied;
    speech.authorization = SpeechAuthorization::Restricted;
    auto w = window<OnboardingScreenPermissions>();
    auto* screen = static_cast<OnboardingScreenPermissions*>(w->screen(0));

    OnboardingCheckButton* microphone = screen->button(Step::microphone);
    OnboardingCheckButton* speechCheck = screen->button(Step::speech);
    EXPECT_EQ(microphone->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_NE(speechCheck->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(speechCheck->focusPolicy(), Qt::NoFocus);
    speechCheck->click();
    screen->button(Step::accessibility)->click();
    EXPECT_TRUE(settingsOpened.empty());
    microphone->click();
    EXPECT_EQ(settingsOpened, std::vector<Step>{Step::microphone});

    const auto detail = [&](Step step) { return screen->row(step)->detailLabel()->text(); };
    EXPECT_TRUE(detail(Step::microphone).contains(QStringLiteral("マイク")));
    EXPECT_TRUE(detail(Step::speech).contains(QStringLiteral("pocketsphinx-en-us")));
    EXPECT_TRUE(detail(Step::accessibility).contains(QStringLiteral("XTEST")));
    EXPECT_EQ(detail(Step::inputMonitoring), QStringLiteral("右シフトかどうかだけ。中身は読みません"));  // the probe said yes
    EXPECT_EQ(screen->noteLabel()->text(),
              QStringLiteral("マイクの ✓ を押すと設定が開きます。オンにしたら、ここへ戻ってきてください。"
                             "ほかは、足りないものがそろうと自動で ✓ が付きます。"));

    // Without a sound settings program not even the microphone's check opens anything.
    stepsWithSettings.clear();
    screen->refresh();
    EXPECT_NE(microphone->cursor().shape(), Qt::PointingHandCursor);
    microphone->click();
    EXPECT_EQ(settingsOpened.size(), 1u);
    EXPECT_EQ(screen->noteLabel()->text(), QStringLiteral("足りないものがそろうと、自動で ✓ が付きます。"));

    // Once everything is there, the rows say what each is for again.
    permissions.microphoneState = PermissionState::Granted;
    permissions.accessibilityState = PermissionState::Granted;
    speech.authorization = SpeechAuthorization::Authorized;
    screen->refresh();
    EXPECT_EQ(detail(Step::speech), QStringLiteral("短い一言を、すぐ文字に"));
    EXPECT_EQ(screen->noteLabel()->text(), QStringLiteral("すべてそろっています。"));
    EXPECT_NE(microphone->cursor().shape(), Qt::PointingHandCursor);  // a checked check ignores clicks

    // The model goes away again: its row grows to the longer text, and the views are stacked
    // anew, evenly apart as when the screen was shown.
    const int shortRow = screen->row(Step::speech)->height();
    speech.authorization = SpeechAuthorization::Restricted;
    screen->refresh();
    EXPECT_GT(screen->row(Step::speech)->height(), shortRow);
    const QList<QWidget*> views = w->screenViews();
    ASSERT_GE(views.size(), 3);
    const int gap = views[1]->y() - views[0]->geometry().bottom();
    EXPECT_GT(gap, 1);
    for (qsizetype i = 2; i < views.size(); ++i)
        EXPECT_EQ(views[i]->y() - views[i - 1]->geometry().bottom(), gap) << "view " << i;
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

// Keys go by the names a PC keyboard prints on them, as in the settings: no Mac key names or
// glyphs on the screens that talk about keys.
TEST_F(OnboardingSetupScreensGuiTest, KeysAreNamedAsOnAPCKeyboard) {
    put("triggerKeyCode", qlonglong(54));
    auto w = window<OnboardingScreenTriggerKey, OnboardingScreenUsageIntro>();
    QStringList texts;
    for (int i = 0; i < 2; ++i) {
        settle(*w);
        for (const QLabel* label : w->findChildren<QLabel*>()) texts << label->text();
        w->next();
    }
    const QString all = texts.join(u'\n');
    for (const char* mac : {"⌘", "⌥", "⌃", "コマンド", "オプション"})
        EXPECT_FALSE(all.contains(QString::fromUtf8(mac))) << mac << " in " << all.toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("右シフトをよく使う方は、右Superや右Altがおすすめです。")));
    EXPECT_TRUE(texts.contains(QStringLiteral("右Super")));  // the usage guide's keycap
}

// The onboarding window is dark on any desktop: on a light one the keyboard's keys that cannot be
// chosen still stand out from it (drawn light, not in the desktop's black text colour).
TEST_F(OnboardingSetupScreensGuiTest, TheKeyboardOnTheTriggerKeyScreenIsDrawnForTheDarkWindow) {
    const QPalette desktop = QGuiApplication::palette();
    QPalette light = desktop;
    light.setColor(QPalette::Window, Qt::white);
    light.setColor(QPalette::WindowText, Qt::black);
    QGuiApplication::setPalette(light);
    auto w = window<OnboardingScreenTriggerKey>();
    w->show();
    queue.advance(15.0);  // the title is written, then the keyboard fades in
    auto* picker = w->findChild<KeyboardPicker*>();
    ASSERT_NE(picker, nullptr);
    KeyCapButton* cap = picker->capButton(QStringLiteral("Q"));
    ASSERT_NE(cap, nullptr);
    ASSERT_EQ(KeyboardPicker::availability(picker->cap(cap->row(), cap->index())),
              KeyboardPicker::Availability::unselectable);
    const QImage shot = w->grab().toImage();
    const auto lightestIn = [&](const QWidget* widget) {
        const QRect area(widget->mapTo(w.get(), QPoint(0, 0)), widget->size());
        int lightest = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) lightest = qMax(lightest, qGray(shot.pixel(x, y)));
        return lightest;
    };
    QGuiApplication::setPalette(desktop);
    EXPECT_GT(lightestIn(cap), 80);
    const QLabel* legend = nullptr;
    for (const QLabel* label : picker->findChildren<QLabel*>())
        if (label->text() == QStringLiteral("選べない")) legend = label;
    ASSERT_NE(legend, nullptr);
    EXPECT_GT(lightestIn(legend), 80);
}

}  // namespace
