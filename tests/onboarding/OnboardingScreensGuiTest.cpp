// The onboarding's practice, demo and usage-guide screens inside the real window, on fakes and
// virtual time.
#include "OnboardingFixture.h"
#include "onboarding/ui/OnboardingBubbleTextView.h"
#include "onboarding/ui/OnboardingChipView.h"
#include "onboarding/ui/OnboardingHoldStyleCards.h"
#include "onboarding/ui/OnboardingLinkButton.h"
#include "onboarding/ui/OnboardingPillButton.h"
#include "onboarding/ui/OnboardingScreenPractice.h"
#include "onboarding/ui/OnboardingScreenSwitchKeys.h"
#include "onboarding/ui/OnboardingScreenUsageIntro.h"
#include "onboarding/ui/OnboardingScreenTriggerKey.h"
#include "onboarding/ui/OnboardingTextFade.h"
#include "onboarding/ui/OnboardingWritingView.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>

namespace {

class OnboardingScreensGuiTest : public OnboardingFixture {
protected:
    OnboardingHost practiceHost() {
        OnboardingHost h = host();
        h.isMonitoring = [this] { return monitoring; };
        h.isAccessibilityTrusted = [this] { return trusted; };
        return h;
    }
    std::unique_ptr<OnboardingV2Window> practiceWindow(bool preview = false) {
        OnboardingV2Window::Screens list;
        list.push_back(std::make_unique<OnboardingScreenPractice>());
        return std::make_unique<OnboardingV2Window>(practiceHost(), std::move(list), QStringList{"おわる"}, true,
                                                    [](bool) {}, preview);
    }
    static OnboardingScreenPractice& practice(OnboardingV2Window& window) {
        return *static_cast<OnboardingScreenPractice*>(window.screen(window.currentIndex()));
    }

    bool monitoring = false;
    bool trusted = true;
};

TEST_F(OnboardingScreensGuiTest, PracticeTextLandsInTheFocusedBubbleAndTheSuccessLineFadesIn) {
    auto window = practiceWindow();
    OnboardingScreenPractice& screen = practice(*window);
    QPlainTextEdit* field = screen.bubble()->textView();
    EXPECT_EQ(window->focusWidget(), field);
    EXPECT_EQ(monitoringStarts, 1);  // not running, key access granted
    settle(*window);
    QLabel* done = screen.doneLabel();
    EXPECT_TRUE(done->isHidden());

    // What the paste road does in our own field; any text counts, not only the sentence to read.
    field->textCursor().insertText(QStringLiteral("what time is it"));
    EXPECT_FALSE(done->isHidden());
    auto* fade = done->findChild<OnboardingTextFade*>();
    ASSERT_NE(fade, nullptr);
    queue.advance(0.2);
    EXPECT_GT(fade->opacity(), 0);
    EXPECT_LT(fade->opacity(), 1);
    queue.advance(0.21);
    EXPECT_EQ(fade->opacity(), 1);
    field->clear();  // it stays
    EXPECT_FALSE(done->isHidden());
    EXPECT_EQ(fade->opacity(), 1);
}

TEST_F(OnboardingScreensGuiTest, PracticeStartsMonitoringOnlyWhenItIsOffAndKeyAccessIsGranted) {
    monitoring = true;
    practiceWindow();
    EXPECT_EQ(monitoringStarts, 0);
    monitoring = false;
    trusted = false;
    practiceWindow();
    EXPECT_EQ(monitoringStarts, 0);

    // The preview shows the finished state and touches nothing.
    trusted = true;
    auto preview = practiceWindow(true);
    OnboardingScreenPractice& screen = practice(*preview);
    EXPECT_EQ(monitoringStarts, 0);
    EXPECT_EQ(screen.bubble()->textView()->toPlainText(), QStringLiteral("おはようございます。今日もよろしくお願いします。"));
    EXPECT_FALSE(screen.doneLabel()->isHidden());
    EXPECT_EQ(screen.doneLabel()->findChild<OnboardingTextFade*>()->opacity(), 1);
}

TEST_F(OnboardingScreensGuiTest, HoldStyleCardsWriteTheSettingAndRewireTheKey) {
    auto window = practiceWindow();
    const int before = monitoringStarts;
    auto* cards = window->findChild<OnboardingHoldStyleCards*>();
    ASSERT_NE(cards, nullptr);
    cards->card(1)->click();
    EXPECT_EQ(defaults.object(QStringLiteral("holdToTalk")), QVariant(false));
    EXPECT_EQ(monitoringStarts, before + 1);
    cards->card(0)->click();
    cards->card(0)->click();  // the selected card again: written again, rewired again
    EXPECT_EQ(defaults.object(QStringLiteral("holdToTalk")), QVariant(true));
    EXPECT_EQ(monitoringStarts, before + 3);
}

TEST_F(OnboardingScreensGuiTest, NoDemoTimerOutlivesItsScreenOrTheWindow) {
    auto* window = OnboardingV2Window::open(practiceHost(), OnboardingV2Window::makeScreens(),
                                            OnboardingV2Window::setupLabels(), false, [](bool) {});
    ASSERT_NE(window, nullptr);
    // Walk to the three demos and let each run a while.
    while (window->currentIndex() < 7) {
        settle(*window);
        window->next();
        queue.advance(3);
    }
    window->close();  // nothing runs on, even before the window is gone
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

TEST_F(OnboardingScreensGuiTest, UsageGuideRunsFourScreensAndLeavesCompletionAlone) {
    defaults.set(QStringLiteral("onboardingV2Completed"), false);
    OnboardingV2Window* guide = OnboardingV2Window::openUsageGuide(practiceHost());
    ASSERT_NE(guide, nullptr);
    ASSERT_EQ(guide->screenCount(), 4);
    EXPECT_NE(dynamic_cast<OnboardingScreenUsageIntro*>(guide->screen(0)), nullptr);
    EXPECT_NE(dynamic_cast<OnboardingScreenTriggerKey*>(guide->screen(1)), nullptr);
    EXPECT_NE(dynamic_cast<OnboardingScreenSwitchKeys*>(guide->screen(2)), nullptr);
    EXPECT_NE(dynamic_cast<OnboardingScreenPractice*>(guide->screen(3)), nullptr);
    EXPECT_EQ(guide->windowTitle(), QStringLiteral("Quendle の使い方"));
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("onboardingV2Shown")));

    QStringList pills;
    for (int i = 0; i < 4; ++i) {
        settle(*guide);
        pills << guide->pillButton()->text();
        EXPECT_TRUE(guide->skipButton()->isHidden());
        if (i == 2) {
            // The switch keys: each row moves on by one chip every 3.2 s.
            auto& keys = *static_cast<OnboardingScreenSwitchKeys*>(guide->screen(2));
            const auto lit = [](const QList<OnboardingChipView*>& chips) {
                for (int c = 0; c < chips.size(); ++c)
                    if (chips[c]->isOn()) return c;
                return -1;
            };
            queue.advance(0.03);  // off the step boundaries
            const int quality = lit(keys.qualityChips());
            const int style = lit(keys.styleChips());
            queue.advance(3.22);
            EXPECT_EQ(lit(keys.qualityChips()), (quality + 1) % 3);
            EXPECT_EQ(lit(keys.styleChips()), (style + 1) % 3);
        }
        if (i == 3) {
            auto* caption = qobject_cast<OnboardingChipView*>(guide->screenViews().value(0));
            ASSERT_NE(caption, nullptr);
            EXPECT_EQ(caption->label()->text(), QStringLiteral("4 / 4 ・ ためしてみる"));
        }
        if (i < 3) guide->next();
    }
    EXPECT_EQ(pills, (QStringList{"つづける", "つづける", "つづける", "おわる"}));
    monitoring = true;
    const int before = monitoringStarts;
    guide->next();
    EXPECT_EQ(OnboardingV2Window::shared(), nullptr);
    EXPECT_EQ(monitoringStarts, before + 1);  // finishing starts monitoring, even while it runs
    EXPECT_EQ(defaults.object(QStringLiteral("onboardingV2Completed")), QVariant(false));
}

}  // namespace
