#pragma once

#include "onboarding/OnboardingHost.h"
#include "onboarding/ui/OnboardingV2Screen.h"
#include "onboarding/ui/OnboardingWritingView.h"
#include "platform/MainQueue.h"

#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class OnboardingDotsView;
class OnboardingLinkButton;
class OnboardingPillButton;

// The onboarding window: a 440 × 720 dark window that steps through full-window screens, one at
// a time, with the pill (the primary button), the skip link and the page dots under every
// screen. It floats above ordinary windows, so a click elsewhere does not bury it (monitoring
// waits for it). On a screen too low for it the window is as tall as the free area allows: the
// controls keep their place at the bottom and the screen area above them closes its gaps. One class serves the setup flow (first launch, the tray menu's 「はじめ方」, the settings'
// onboarding action) and the shorter usage guide.
//
// Each screen's heading is written by hand; the views above it fade in one by one from the
// start, the views below once the heading is written. Until the last of them has faded in (plus
// 0.6 s) the pill and the skip link are disabled and ignore clicks.
//
// Only one onboarding window is open at a time (`shared`); asking for another brings it to the
// front. Main thread only; every delay runs on the MainQueue, so tests drive it on virtual time.
class OnboardingV2Window : public QWidget {
    Q_OBJECT
public:
    using Screens = std::vector<std::unique_ptr<OnboardingV2Screen>>;
    // Called once when the window finishes (completed or closed), with true.
    using Finish = std::function<void(bool)>;

    static constexpr int kWidth = 440;
    static constexpr int kHeight = 720;
    static constexpr double kSpacing = 20;        // between the views of a screen
    static constexpr double kStagger = 0.35;      // between two fade-ins
    static constexpr double kTopDelay = 0.15;     // before the first view above the heading
    static constexpr double kFadeDuration = 0.7;
    static constexpr double kSettle = 0.6;        // after the last fade-in starts, until the pill
    static constexpr double kDisabledPillOpacity = 0.55;

    static const QString kSetupTitle;       // "Quendle のはじめ方"
    static const QString kUsageGuideTitle;  // "Quendle の使い方"
    static const QString kSkipTitle;        // "あとで"

    // The setup flow: a fresh list of new screens on every call, and their pill titles.
    static Screens makeScreens();
    static QStringList setupLabels();
    // The usage guide's step captions, by screen index.
    static const QStringList& usageStepTitles();

    // The launch decision: opens the setup flow unless it was completed or skipped three times,
    // or it was shown before and every permission is granted. `completion` runs exactly once: at
    // once with false when nothing opens, else as the window's finish with true.
    static void openIfNeeded(OnboardingHost host, Finish completion);
    // Opens a window with the sequence, or brings the open one to the front (then this call's
    // screens and `onFinish` are dropped). The setup flow records that it was shown.
    static OnboardingV2Window* open(OnboardingHost host, Screens screens, QStringList labels, bool usageGuide,
                                    Finish onFinish);
    // The usage guide (usage intro, trigger key, switch keys, practice), from the settings' 「使い方」
    // row. Finishing it starts monitoring when it is not running; it never records completion.
    static OnboardingV2Window* openUsageGuide(OnboardingHost host);
    // The usage guide's screens (a fresh list of new screens on every call) and their pill titles.
    static Screens makeUsageGuideScreens();
    static QStringList usageGuideLabels();
    // The open window (null when none); it deletes itself once finished.
    static OnboardingV2Window* shared();

    // A window with its content built and screen 0 shown, not yet on screen. `open` makes the
    // application's window; previews and tests make their own (and own them).
    OnboardingV2Window(OnboardingHost host, Screens screens, QStringList labels, bool usageGuide, Finish onFinish,
                       bool preview);
    ~OnboardingV2Window() override;

    // Shows, raises and focuses the window; the first time, sizes and places it on the screen
    // under the pointer.
    void present();

    // Where the window goes on a screen whose free area (without its panels) is `area`, given the
    // window manager's frame around it: 440 × 720 where that fits, otherwise as tall as fits,
    // centred, frame and all inside the area. Returns the window's own rectangle, without the frame.
    static QRect placement(const QRect& area, const QMargins& frame);

    // Shows the screen at `index` (ignored outside the list).
    void showScreen(int index);
    // The pill: the next screen, or completion on the last.
    void next();
    // The skip link: counts the skip and jumps to the last screen.
    void skip();
    // Ends the flow: records completion (setup flow only), closes, calls the finish once.
    void complete();

    // ---- for screens
    const OnboardingHost& host() const { return host_; }
    // Stacks the current screen's views again, after one of them changed its height.
    void relayoutScreen();
    bool isPreview() const { return isPreview_; }
    bool isUsageGuide() const { return isUsageGuide_; }

    // ---- state, for the preview and for checks
    int currentIndex() const { return currentIndex_; }
    int screenCount() const { return int(screens_.size()); }
    OnboardingV2Screen* screen(int index) const;
    bool isTransitioning() const { return isTransitioning_; }
    bool isFinishing() const { return finishing_; }
    OnboardingPillButton* pillButton() const { return pill_; }
    OnboardingLinkButton* skipButton() const { return skip_; }
    OnboardingDotsView* dotsView() const { return dots_; }
    QWidget* screenArea() const { return screenArea_; }
    OnboardingWritingView* writingView() const { return writing_; }
    // The current screen's views, top to bottom (the caption and the heading included).
    QList<QWidget*> screenViews() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildContent();
    // Sizes and places the window in the free area of the screen under the pointer.
    void place();
    // Puts the background, the screen area and the controls where the window's height has them.
    void layoutChrome();
    void layoutScreenViews(const QList<QWidget*>& views);
    void scheduleFadeIn(QWidget* view, double delay);
    void schedule(double delay, std::function<void()> work);
    void endTransition();
    void cancelPending();
    void setControlsEnabled(bool enabled);
    void finish(bool completed);

    OnboardingHost host_;
    Finish onFinish_;
    Screens screens_;
    QStringList labels_;
    bool isUsageGuide_ = false;
    bool isPreview_ = false;
    QWidget* screenArea_ = nullptr;
    QWidget* background_ = nullptr;
    OnboardingDotsView* dots_ = nullptr;
    OnboardingPillButton* pill_ = nullptr;
    OnboardingLinkButton* skip_ = nullptr;
    QPointer<OnboardingWritingView> writing_;
    int currentIndex_ = -1;
    std::vector<MainQueue::TimerId> pendingWork_;
    bool isTransitioning_ = false;
    bool finishing_ = false;
    bool placed_ = false;
    // The frame the window manager really draws is known only once the window is up: the first
    // placement guesses it and is corrected once.
    bool frameChecked_ = false;
    QRect placedArea_;
};
