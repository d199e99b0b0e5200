#pragma once

#include "core/OnboardingWindow.h"
#include "onboarding/ui/OnboardingCheckButton.h"
#include "onboarding/ui/OnboardingItemRow.h"
#include "onboarding/ui/OnboardingV2Screen.h"
#include "platform/MainQueue.h"

#include <QLabel>
#include <QMetaObject>
#include <QPointer>

#include <map>
#include <memory>


// The four permissions, each with a round check that shows whether it is granted and, tapped
// while off, sends the user to the desktop's settings for it where the desktop has any (elsewhere
// the check is no button). A row that is not granted names what is missing; the note under the
// rows says which checks open settings. While shown, the screen checks again every 2 s and
// whenever the application becomes active (back from the desktop's settings), and starts the key
// monitoring as soon as all four are granted (never in the preview), so the practice screens can
// dictate.
class OnboardingScreenPermissions : public OnboardingV2Screen {
public:
    using Step = OnboardingWindow::Step;

    static const QString kHeading;  // "はじめに、これだけ。"

    // The note under the rows: `opening` names the missing steps whose check opens the desktop's
    // settings, `othersMissing` tells whether some missing step has none.
    static QString note(const QStringList& opening, bool othersMissing);

    ~OnboardingScreenPermissions() override;

    OnboardingScreenViews makeViews(OnboardingV2Window& window) override;
    void onShow(OnboardingV2Window& window) override;
    void onLeave() override;

    // Checks every permission again, updates the checks, starts monitoring when all are granted.
    void refresh();

    OnboardingCheckButton* button(Step step) const;
    OnboardingItemRow* row(Step step) const;
    QLabel* noteLabel() const { return note_; }
    bool isPolling() const { return timer_ != 0; }

private:
    bool isGranted(Step step) const;
    bool opensSettings(Step step) const;
    // Shows each step's state (the checks, the rows' details, the note); returns whether every
    // step is granted. `changedSize` is set when a row or the note changed its height.
    bool showState(bool& changedSize);

    std::map<Step, QPointer<OnboardingCheckButton>> buttons_;
    std::map<Step, QPointer<OnboardingItemRow>> rows_;
    QPointer<QLabel> note_;
    MainQueue::TimerId timer_ = 0;
    QMetaObject::Connection activeObserver_;
    QPointer<OnboardingV2Window> windowRef_;
    std::shared_ptr<OnboardingScreenPermissions*> alive_ = std::make_shared<OnboardingScreenPermissions*>(this);
};
