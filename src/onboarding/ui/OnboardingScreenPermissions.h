#pragma once

#include "core/OnboardingWindow.h"
#include "onboarding/ui/OnboardingCheckButton.h"
#include "onboarding/ui/OnboardingV2Screen.h"
#include "platform/MainQueue.h"

#include <QMetaObject>
#include <QPointer>

#include <map>
#include <memory>


// The four permissions, each with a round check that shows whether it is granted and, tapped
// while off, asks for it. While shown, the screen checks again every 2 s and whenever the
// application becomes active (back from the desktop's settings), and starts the key monitoring
// as soon as all four are granted (never in the preview), so the practice screens can dictate.
class OnboardingScreenPermissions : public OnboardingV2Screen {
public:
    using Step = OnboardingWindow::Step;

    static const QString kHeading;  // "はじめに、これだけ。"
    static const QString kNote;

    ~OnboardingScreenPermissions() override;

    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
    void onShow(OnboardingV2Window& window) override;
    void onLeave() override;

    // Checks every permission again, updates the checks, starts monitoring when all are granted.
    void refresh();

    OnboardingCheckButton* button(Step step) const;
    bool isPolling() const { return timer_ != 0; }

private:
    bool isGranted(Step step) const;

    std::map<Step, QPointer<OnboardingCheckButton>> buttons_;
    MainQueue::TimerId timer_ = 0;
    QMetaObject::Connection activeObserver_;
    QPointer<OnboardingV2Window> windowRef_;
    std::shared_ptr<OnboardingScreenPermissions*> alive_ = std::make_shared<OnboardingScreenPermissions*>(this);
};
