#include "onboarding/ui/OnboardingScreenPermissions.h"

#include "onboarding/ui/OnboardingCheckButton.h"
#include "onboarding/ui/OnboardingItemRow.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "onboarding/ui/OnboardingV2Window.h"

#include <QGuiApplication>
#include <QStringList>

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
QString OnboardingScreenPermissions::note(const QStringList& opening, bool othersMissing) {
    // Only what a tap really does here: most steps have no settings on this desktop, and they
    // tick themselves once what they lack is there.
    if (!opening.isEmpty()) {
        QString text = opening.join(QStringLiteral("と")) +
                       QStringLiteral("の ✓ を押すと設定が開きます。オンにしたら、ここへ戻ってきてください。");
        if (othersMissing) text += QStringLiteral("ほかは、足りないものがそろうと自動で ✓ が付きます。");
        return text;
    }
    if (othersMissing) return QStringLiteral("足りないものがそろうと、自動で ✓ が付きます。");
    return QStringLiteral("すべてそろっています。");
}

OnboardingScreenPermissions::~OnboardingScreenPermissions() {
    *alive_ = nullptr;
    onLeave();
}

bool OnboardingScreenPermissions::isGranted(Step step) const {
    OnboardingWindow* permissions = windowRef_ ? windowRef_->host().permissions : nullptr;
    if (!permissions) return false;
    if (permissions->isGrantedNow(step)) return true;
    // Key watching the desktop does not vouch for is asked of a child process, on a worker: the
    // window keeps answering meanwhile, and the rows follow the answer when it comes.
    if (step == Step::inputMonitoring && !permissions->probeInBackgroundRunning()) {
        std::weak_ptr<OnboardingScreenPermissions*> weak = alive_;
        permissions->probeInputMonitoringInBackground([weak](bool granted) {
            if (!granted) return;
            if (auto alive = weak.lock(); alive && *alive) (**alive).refresh();
        });
    }
    return false;
}

bool OnboardingScreenPermissions::opensSettings(Step step) const {
    OnboardingWindow* permissions = windowRef_ ? windowRef_->host().permissions : nullptr;
    return permissions && permissions->opensSettings(step);
}

OnboardingCheckButton* OnboardingScreenPermissions::button(Step step) const {
    const auto found = buttons_.find(step);
    return found == buttons_.end() ? nullptr : found->second.data();
}

OnboardingItemRow* OnboardingScreenPermissions::row(Step step) const {
    const auto found = rows_.find(step);
    return found == rows_.end() ? nullptr : found->second.data();
}

OnboardingScreenViews OnboardingScreenPermissions::makeViews(OnboardingV2Window& window) {
    windowRef_ = &window;
    buttons_.clear();
    rows_.clear();
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
        buttons_[step] = check;
        const Row row = rowFor(step);
        auto* item = new OnboardingItemRow(QString::fromUtf8(row.icon), QString::fromUtf8(row.title),
                                           QString::fromUtf8(row.detail), check, 384);
        rows_[step] = item;
        views.bottom << item;
    }
    note_ = onboardingBodyLabel(QString(), 13, QFont::Normal, OnboardingV2Palette::tertiaryText());
    views.bottom << note_;
    bool changedSize = false;
    showState(changedSize);  // the window lays the views out after this
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

bool OnboardingScreenPermissions::showState(bool& changedSize) {
    // Each step is checked once (the input-monitoring probe is a child process with a time
    // limit; its answer serves the check, the row and the all-granted test).
    bool all = true;
    QStringList opening;
    bool othersMissing = false;
    for (Step step : OnboardingWindow::allCases) {
        const bool granted = isGranted(step);
        const bool opens = !granted && opensSettings(step);
        all = all && granted;
        if (!granted) {
            if (opens) opening << OnboardingWindow::displayName(step);
            else othersMissing = true;
        }
        if (OnboardingCheckButton* check = button(step); check && (check->isOn != granted || check->tappable != opens)) {
            check->isOn = granted;
            check->tappable = opens;
            check->applyStyle();
        }
        if (OnboardingItemRow* item = row(step)) {
            const QString detail = granted ? QString::fromUtf8(rowFor(step).detail) : OnboardingWindow::missingText(step);
            if (!item->detailLabel() || item->detailLabel()->text() != detail) {
                const int before = item->height();
                item->setDetail(detail);
                changedSize = changedSize || item->height() != before;
            }
        }
    }
    const QString text = note(opening, othersMissing);
    if (note_ && note_->text() != text) {
        note_->setText(text);
        const int height = onboardingTextHeight(note_, note_->width());
        changedSize = changedSize || height != note_->height();
        note_->setFixedHeight(height);
    }
    return all;
}

void OnboardingScreenPermissions::refresh() {
    bool changedSize = false;
    const bool all = showState(changedSize);
    if (changedSize && windowRef_) windowRef_->relayoutScreen();
    if (!all) return;
    if (!windowRef_ || windowRef_->isPreview()) return;
    OnboardingHost::call(windowRef_->host().startMonitoring);
}
