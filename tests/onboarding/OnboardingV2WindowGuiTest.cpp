// The onboarding window's flow: the launch decision, one window at a time, the timing of a
// screen's reveal, and what next, skip, completion and closing leave behind.
#include "OnboardingFixture.h"
#include "onboarding/ui/OnboardingLinkButton.h"
#include "onboarding/ui/OnboardingPillButton.h"
#include "onboarding/ui/OnboardingWritingView.h"

#include <QLabel>

namespace {

// A screen with `top` and `bottom` plain views that records its calls.
struct Calls {
    int shows = 0;
    int leaves = 0;
};

class CountingScreen : public OnboardingV2Screen {
public:
    CountingScreen(Calls& calls, int top, int bottom) : calls_(calls), top_(top), bottom_(bottom) {}
    OnboardingScreenViews makeViews(OnboardingV2Window&) override {
        OnboardingScreenViews views;
        views.heading = QStringLiteral("はじめに");
        for (int i = 0; i < top_; ++i) views.top << label();
        for (int i = 0; i < bottom_; ++i) views.bottom << label();
        return views;
    }
    void onShow(OnboardingV2Window&) override { ++calls_.shows; }
    void onLeave() override { ++calls_.leaves; }

private:
    static QWidget* label() {
        auto* view = new QLabel(QStringLiteral("x"));
        view->setFixedSize(100, 30);
        return view;
    }
    Calls& calls_;
    int top_;
    int bottom_;
};

class OnboardingV2WindowGuiTest : public OnboardingFixture {
protected:
    std::vector<Calls> calls = std::vector<Calls>(3);

    OnboardingV2Window::Screens screens(int bottom = 2) {
        OnboardingV2Window::Screens list;
        for (Calls& c : calls) list.push_back(std::make_unique<CountingScreen>(c, 1, bottom));
        return list;
    }
    std::unique_ptr<OnboardingV2Window> window(bool usageGuide = false, int bottom = 2) {
        return std::make_unique<OnboardingV2Window>(host(), screens(bottom), QStringList{"a", "b", "c"}, usageGuide,
                                                    [this](bool done) { finishes.push_back(done); }, false);
    }
    std::vector<bool> finishes;
};

TEST_F(OnboardingV2WindowGuiTest, LaunchDecisionOpensTheSetupFlowOnlyWhenItIsStillNeeded) {
    struct Row {
        bool completed;
        int skips;
        bool shown;
        bool micGranted;
        bool opens;
    };
    const Row rows[] = {
        {false, 0, false, true, true},   // first launch, all granted
        {false, 0, true, true, false},   // closed before, nothing missing
        {false, 2, true, false, true},   // closed before, the microphone missing
        {false, 3, true, false, false},  // skipped three times
        {true, 0, true, false, false},   // completed
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.completed << row.skips << row.shown << row.micGranted);
        defaults.set(QStringLiteral("onboardingV2Completed"), row.completed);
        defaults.set(QStringLiteral("onboardingSkipCount"), qlonglong(row.skips));
        defaults.set(QStringLiteral("onboardingV2Shown"), row.shown);
        permissions.microphoneState = row.micGranted ? PermissionState::Granted : PermissionState::Denied;
        std::vector<bool> completions;
        OnboardingV2Window::openIfNeeded(host(), [&](bool shown) { completions.push_back(shown); });
        OnboardingV2Window* open = OnboardingV2Window::shared();
        EXPECT_EQ(open != nullptr, row.opens);
        if (open) {
            EXPECT_TRUE(completions.empty());
            EXPECT_EQ(open->windowTitle(), QStringLiteral("Quendle のはじめ方"));
            EXPECT_EQ(open->size(), QSize(440, 720));
            EXPECT_EQ(open->screenCount(), 9);
            EXPECT_TRUE(defaults.boolForKey(QStringLiteral("onboardingV2Shown")));
            open->close();
            EXPECT_EQ(completions, std::vector<bool>{true});
            EXPECT_EQ(OnboardingV2Window::shared(), nullptr);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        } else {
            EXPECT_EQ(completions, std::vector<bool>{false});
        }
    }
}

TEST_F(OnboardingV2WindowGuiTest, TheInputMonitoringProbeRunsOnlyOnceTheOtherThreeAreGranted) {
    defaults.set(QStringLiteral("onboardingV2Shown"), true);
    permissions.inputMonitoringState = PermissionState::Denied;
    permissions.accessibilityState = PermissionState::Denied;
    probeStatus = 1;
    int completions = 0;
    OnboardingV2Window::openIfNeeded(host(), [&](bool) { ++completions; });
    EXPECT_EQ(probes, 0);
    ASSERT_NE(OnboardingV2Window::shared(), nullptr);
    OnboardingV2Window::shared()->close();

    permissions.accessibilityState = PermissionState::Granted;
    OnboardingV2Window::openIfNeeded(host(), [&](bool) { ++completions; });
    EXPECT_EQ(probes, 1);
    ASSERT_NE(OnboardingV2Window::shared(), nullptr);  // the probe's child said no
    OnboardingV2Window::shared()->close();

    // A child that does not answer in time is killed and counts as "no".
    probeOutcome = OnboardingWindow::ProcessRun::Outcome::timedOut;
    OnboardingV2Window::openIfNeeded(host(), [&](bool) { ++completions; });
    EXPECT_EQ(probes, 2);
    ASSERT_NE(OnboardingV2Window::shared(), nullptr);
    OnboardingV2Window::shared()->close();

    queue.advance(OnboardingWindow::kProbeRetryAfterTimeout + 1);
    probeOutcome = OnboardingWindow::ProcessRun::Outcome::exited;
    probeStatus = 0;
    OnboardingV2Window::openIfNeeded(host(), [&](bool shown) { completions += shown ? 100 : 1; });
    EXPECT_EQ(OnboardingV2Window::shared(), nullptr);
    EXPECT_EQ(completions, 4);
}

TEST_F(OnboardingV2WindowGuiTest, OpeningWhileOneIsOpenKeepsTheOpenOneAndDropsTheNewFinish) {
    int firstFinished = 0;
    int secondFinished = 0;
    OnboardingV2Window* first = OnboardingV2Window::open(host(), screens(), {"a", "b", "c"}, true,
                                                         [&](bool) { ++firstFinished; });
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("onboardingV2Shown")));  // the usage guide records nothing
    OnboardingV2Window* second = OnboardingV2Window::open(host(), OnboardingV2Window::makeScreens(),
                                                          OnboardingV2Window::setupLabels(), false,
                                                          [&](bool) { ++secondFinished; });
    EXPECT_EQ(second, first);
    EXPECT_EQ(first->screenCount(), 3);
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("onboardingV2Shown")));
    first->close();
    EXPECT_EQ(firstFinished, 1);
    EXPECT_EQ(secondFinished, 0);
}

TEST_F(OnboardingV2WindowGuiTest, ThePillWaitsForTheHeadingAndTheFadeInsAndIgnoresClicksMeanwhile) {
    for (int bottom : {0, 3}) {
        SCOPED_TRACE(bottom);
        auto w = window(false, bottom);
        const double heading = w->writingView()->writingLayout().finishDelay;
        const double settleTime = std::max(bottom - 1, 0) * 0.35 + 0.6;
        EXPECT_EQ(w->currentIndex(), 0);
        EXPECT_FALSE(w->pillButton()->isEnabled());
        queue.advance(heading + settleTime - 0.05);
        EXPECT_TRUE(w->isTransitioning());
        EXPECT_FALSE(w->pillButton()->isEnabled());
        w->next();
        w->pillButton()->click();
        EXPECT_EQ(w->currentIndex(), 0);
        queue.advance(0.1);
        EXPECT_FALSE(w->isTransitioning());
        EXPECT_TRUE(w->pillButton()->isEnabled());

        // Every view is fully shown by then, stacked top to bottom 20 apart in the screen area.
        const QList<QWidget*> views = w->screenViews();
        ASSERT_EQ(views.size(), 2 + bottom);
        for (int i = 1; i < views.size(); ++i)
            EXPECT_EQ(views[i]->y(), views[i - 1]->y() + views[i - 1]->height() + 20);
        queue.advance(0.7);
        for (QWidget* view : views) EXPECT_EQ(view->graphicsEffect(), nullptr);

        w->pillButton()->click();
        EXPECT_EQ(w->currentIndex(), 1);
        w->pillButton()->click();  // a second quick click falls into the next transition
        EXPECT_EQ(w->currentIndex(), 1);
        calls = std::vector<Calls>(3);
    }
}

TEST_F(OnboardingV2WindowGuiTest, SkipCountsAndJumpsToTheLastScreenWhosePillCompletes) {
    defaults.set(QStringLiteral("onboardingSkipCount"), qlonglong(1));
    auto w = window();
    EXPECT_TRUE(w->skipButton()->isHidden());  // never on the first screen
    settle(*w);
    w->next();
    EXPECT_FALSE(w->skipButton()->isHidden());
    w->skip();  // ignored during the transition
    EXPECT_EQ(w->currentIndex(), 1);
    settle(*w);
    w->skipButton()->click();
    EXPECT_EQ(w->currentIndex(), 2);
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("onboardingSkipCount")), 2);
    EXPECT_TRUE(w->skipButton()->isHidden());  // nor on the last
    EXPECT_EQ(calls[1].leaves, 1);
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("onboardingV2Completed")));
    EXPECT_TRUE(finishes.empty());

    settle(*w);
    w->next();
    w->next();
    w->complete();
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("onboardingV2Completed")));
    EXPECT_EQ(finishes, std::vector<bool>{true});
    for (const Calls& c : calls) EXPECT_EQ(c.leaves, 1);  // each screen left exactly once
}

TEST_F(OnboardingV2WindowGuiTest, ClosingOrFinishingTheUsageGuideNeverRecordsCompletion) {
    auto closed = window();
    settle(*closed);
    closed->next();
    closed->close();
    EXPECT_EQ(calls[1].leaves, 1);
    EXPECT_EQ(finishes, std::vector<bool>{true});
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("onboardingV2Completed")));
    EXPECT_EQ(queue.pendingTimers(), 0u);  // nothing of the screen's reveal runs on

    finishes.clear();
    auto guide = window(true);
    EXPECT_TRUE(guide->skipButton()->isHidden());
    // A step caption above the first screen's own view: "1 / 3 ・ 使い方".
    ASSERT_EQ(guide->screenViews().size(), 5);
    for (int i = 0; i < 3; ++i) {
        settle(*guide);
        guide->next();
    }
    EXPECT_EQ(finishes, std::vector<bool>{true});
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("onboardingV2Completed")));
    guide->close();
    EXPECT_EQ(finishes.size(), 1u);
}

}  // namespace
