#include "onboarding/ui/OnboardingScreenPermissions.h"

#include "onboarding/ui/OnboardingCheckButton.h"
#include "onboarding/ui/OnboardingItemRow.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "onboarding/ui/OnboardingV2Window.h"

#include <QGuiApplication>

namespace {

struct Row {
    const char* icon;
    const char* title;
    const char* detail;
};

Row rowFor(OnboardingWindow::Step step) {
    switch (step) {
    case OnboardingWindow::Step::microphone: return {"🎤", "マイク", "話している間だけ"};
    case OnboardingWindow::Step::speech: return {"💬", "音声認識", "短い一言を、すぐ文字に"};
    case OnboardingWindow::Step::accessibility: return {"⌨️", "文字を入れる", "カーソルの位置に入れるため"};
    case OnboardingWindow::Step::inputMonitoring:
        return {"👀", "キーを見る", "右シフトかどうかだけ。中身は読みません"};
    }
    return {"", "", ""};
}

}  // namespace

const QString OnboardingScreenPermissions::kHeading = QStringLiteral("はじめに、これだけ。");
const QString OnboardingScreenPermissions::kNote =
    QStringLiteral("✓ を押すと設定が開きます。オンにしたら、ここへ戻ってきてください。");

OnboardingScreenPermissions::~OnboardingScreenPermissions() {
    *alive_ = nullptr;
    onLeave();
}

bool OnboardingScreenPermissions::isGranted(Step step) const {
    OnboardingWindow* permissions = windowRef_ ? windowRef_->host().permissions : nullptr;
    return permissions && permissions->isGranted(step);
}

OnboardingCheckButton* OnboardingScreenPermissions::button(Step step) const {
    const auto found = buttons_.find(step);
    return found == buttons_.end() ? nullptr : found->second.data();
}

OnboardingScreenViews OnboardingScreenPermissions::makeViews(OnboardingV2Window& window) {
    windowRef_ = &window;
    buttons_.clear();
    OnboardingScreenViews views;
    views.heading = kHeading;
    std::weak_ptr<OnboardingScreenPermissions*> weak = alive_;
    for (Step step : OnboardingWindow::allCases) {
        QPointer<OnboardingV2Window> windowRef(&window);
        auto* check = new OnboardingCheckButton([weak, windowRef, step] {
            OnboardingWindow* permissions = windowRef ? windowRef->host().permissions : nullptr;
            if (!permissions) return;
            permissions->request(step, [weak] {
                if (auto alive = weak.lock(); alive && *alive) (**alive).refresh();
            });
        });
        check->isOn = isGranted(step);
        check->applyStyle();
        buttons_[step] = check;
        const Row row = rowFor(step);
        views.bottom << new OnboardingItemRow(QString::fromUtf8(row.icon), QString::fromUtf8(row.title),
                                              QString::fromUtf8(row.detail), check, 384);
    }
    views.bottom << onboardingBodyLabel(kNote, 13, QFont::Normal, OnboardingV2Palette::tertiaryText());
    return views;
}

void OnboardingScreenPermissions::onShow(OnboardingV2Window&) {
    onLeave();
    std::weak_ptr<OnboardingScreenPermissions*> weak = alive_;
    auto refreshSelf = [weak] {
        if (auto alive = weak.lock(); alive && *alive) (**alive).refresh();
    };
    timer_ = MainQueue::every(OnboardingWindow::kPollInterval, refreshSelf);
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        activeObserver_ = QObject::connect(application, &QGuiApplication::applicationStateChanged, application,
                                           [refreshSelf](Qt::ApplicationState state) {
                                               if (state == Qt::ApplicationActive) refreshSelf();
                                           });
    }
    refresh();
}

void OnboardingScreenPermissions::onLeave() {
    MainQueue::cancel(timer_);
    QObject::disconnect(activeObserver_);
    activeObserver_ = {};
}

void OnboardingScreenPermissions::refresh() {
    // Each step is checked once per refresh (the input-monitoring probe is a child process with a
    // time limit; its answer serves both the check and the all-granted test).
    bool all = true;
    for (Step step : OnboardingWindow::allCases) {
        const bool granted = isGranted(step);
        all = all && granted;
        OnboardingCheckButton* check = button(step);
        if (check && check->isOn != granted) {
            check->isOn = granted;
            check->applyStyle();
        }
    }
    if (!all) return;
    if (!windowRef_ || windowRef_->isPreview()) return;
    OnboardingHost::call(windowRef_->host().startMonitoring);
}
