#include "onboarding/ui/OnboardingV2Window.h"

#include "core/AppPrefs.h"
#include "core/OnboardingWindow.h"
#include "core/ui/WindowPlacement.h"
#include "onboarding/OnboardingAnimation.h"
#include "onboarding/ui/OnboardingBackgroundView.h"
#include "onboarding/ui/OnboardingChipView.h"
#include "onboarding/ui/OnboardingDotsView.h"
#include "onboarding/ui/OnboardingLinkButton.h"
#include "onboarding/ui/OnboardingPillButton.h"
#include "onboarding/ui/OnboardingScreenIntro.h"
#include "onboarding/ui/OnboardingScreenLongTalk.h"
#include "onboarding/ui/OnboardingScreenMenuBar.h"
#include "onboarding/ui/OnboardingScreenPermissions.h"
#include "onboarding/ui/OnboardingScreenPractice.h"
#include "onboarding/ui/OnboardingScreenReady.h"
#include "onboarding/ui/OnboardingScreenSwitchKeys.h"
#include "onboarding/ui/OnboardingScreenTone.h"
#include "onboarding/ui/OnboardingScreenTriggerKey.h"
#include "onboarding/ui/OnboardingScreenUsageIntro.h"
#include "onboarding/ui/OnboardingScreenVocabulary.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "onboarding/ui/OnboardingWritingView.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Screens.h"

#include <QCloseEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

const QString kShownKey = QStringLiteral("onboardingV2Shown");
const QString kCompletedKey = QStringLiteral("onboardingV2Completed");
const QString kSkipCountKey = QStringLiteral("onboardingSkipCount");

QPointer<OnboardingV2Window>& sharedWindow() {
    static QPointer<OnboardingV2Window> window;
    return window;
}

// The views fade through an opacity effect, removed again once they are fully shown (so a
// finished screen draws as if it had none).
void setViewOpacity(QWidget* view, double opacity) {
    if (opacity >= 1) {
        view->setGraphicsEffect(nullptr);
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(view);
        view->setGraphicsEffect(effect);
    }
    effect->setOpacity(std::max(0.0, opacity));
}

}  // namespace

const QString OnboardingV2Window::kSetupTitle = QStringLiteral("Quendle のはじめ方");
const QString OnboardingV2Window::kUsageGuideTitle = QStringLiteral("Quendle の使い方");
const QString OnboardingV2Window::kSkipTitle = QStringLiteral("あとで");

// ---------------------------------------------------------------------------------------------
// The flows

OnboardingV2Window::Screens OnboardingV2Window::makeScreens() {
    Screens screens;
    screens.push_back(std::make_unique<OnboardingScreenIntro>());
    screens.push_back(std::make_unique<OnboardingScreenPermissions>());
    screens.push_back(std::make_unique<OnboardingScreenTriggerKey>());
    screens.push_back(std::make_unique<OnboardingScreenMenuBar>());
    screens.push_back(std::make_unique<OnboardingScreenPractice>());
    screens.push_back(std::make_unique<OnboardingScreenTone>());
    screens.push_back(std::make_unique<OnboardingScreenLongTalk>());
    screens.push_back(std::make_unique<OnboardingScreenVocabulary>());
    screens.push_back(std::make_unique<OnboardingScreenReady>());
    return screens;
}

QStringList OnboardingV2Window::setupLabels() {
    const QString begin = QStringLiteral("はじめる");
    const QString more = QStringLiteral("つづける");
    return {begin, more, more, more, more, more, more, more, begin};
}

const QStringList& OnboardingV2Window::usageStepTitles() {
    static const QStringList titles{QStringLiteral("使い方"), QStringLiteral("キーを決める"),
                                    QStringLiteral("録音中の切りかえ"), QStringLiteral("ためしてみる")};
    return titles;
}

void OnboardingV2Window::openIfNeeded(OnboardingHost host, Finish completion) {
    Defaults& store = AppPrefs::defaults();
    const bool completed = AppPrefs::onboardingV2Completed();
    const bool skippedEnough = store.integerForKey(kSkipCountKey) >= 3;
    bool open = !completed && !skippedEnough;
    if (open && store.boolForKey(kShownKey)) {
        // Shown before: again only while a permission is missing. The steps are checked in order
        // and the first missing one ends the look, so the input-monitoring probe (a child process
        // with a time limit) runs only when the other three are granted.
        open = false;
        if (host.permissions) {
            for (OnboardingWindow::Step step : OnboardingWindow::allCases) {
                if (!host.permissions->isGranted(step)) {
                    open = true;
                    break;
                }
            }
        }
    }
    if (open) {
        OnboardingV2Window::open(std::move(host), makeScreens(), setupLabels(), false, std::move(completion));
        return;
    }
    if (completion) completion(false);
}

OnboardingV2Window* OnboardingV2Window::open(OnboardingHost host, Screens screens, QStringList labels,
                                             bool usageGuide, Finish onFinish) {
    if (!usageGuide) AppPrefs::defaults().set(kShownKey, true);
    if (OnboardingV2Window* open = sharedWindow()) {
        open->present();
        return open;
    }
    auto* window = new OnboardingV2Window(std::move(host), std::move(screens), std::move(labels), usageGuide,
                                          std::move(onFinish), false);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->present();
    sharedWindow() = window;
    return window;
}

QStringList OnboardingV2Window::usageGuideLabels() {
    const QString more = QStringLiteral("つづける");
    return {more, more, more, QStringLiteral("おわる")};
}

OnboardingV2Window::Screens OnboardingV2Window::makeUsageGuideScreens() {
    Screens screens;
    screens.push_back(std::make_unique<OnboardingScreenUsageIntro>());
    screens.push_back(std::make_unique<OnboardingScreenTriggerKey>());
    screens.push_back(std::make_unique<OnboardingScreenSwitchKeys>());
    screens.push_back(std::make_unique<OnboardingScreenPractice>());
    return screens;
}

OnboardingV2Window* OnboardingV2Window::openUsageGuide(OnboardingHost host) {
    // Started even when it already runs: starting the watch again only takes the keys afresh (a
    // trigger held meanwhile reports its release).
    const Finish finish = [start = host.startMonitoring](bool) { OnboardingHost::call(start); };
    return open(std::move(host), makeUsageGuideScreens(), usageGuideLabels(), true, finish);
}

OnboardingV2Window* OnboardingV2Window::shared() { return sharedWindow(); }

// ---------------------------------------------------------------------------------------------
// The window

OnboardingV2Window::OnboardingV2Window(OnboardingHost host, Screens screens, QStringList labels, bool usageGuide,
                                       Finish onFinish, bool preview)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint |
                           Qt::WindowStaysOnTopHint),
      host_(std::move(host)),
      onFinish_(std::move(onFinish)),
      screens_(std::move(screens)),
      labels_(std::move(labels)),
      isUsageGuide_(usageGuide),
      isPreview_(preview) {
    setWindowTitle(usageGuide ? kUsageGuideTitle : kSetupTitle);
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(false);
    while (labels_.size() < int(screens_.size())) labels_ << (labels_.isEmpty() ? QString() : labels_.last());
    buildContent();
}

OnboardingV2Window::~OnboardingV2Window() {
    // Torn down without finishing (the application quits): the screen still stops what it runs.
    if (!finishing_) {
        finishing_ = true;
        if (OnboardingV2Screen* current = screen(std::max(currentIndex_, 0))) current->onLeave();
    }
    cancelPending();
}

void OnboardingV2Window::present() {
    if (!placed_) {
        place();
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

QRect OnboardingV2Window::placement(const QRect& area, const QMargins& frame) {
    return WindowPlacement::fitted(area, frame, QSize(kWidth, kHeight));
}

void OnboardingV2Window::place() {
    // The free area of the screen the user works on, as every window of ours finds it.
    QRect area;
    if (const ::Screens* screens = ::Screens::installed()) {
        if (const std::optional<::Screens::Screen> screen = screens->main())
            area = ::Screens::toDesktop(screen->visibleFrame).toAlignedRect();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isEmpty()) return;
    placedArea_ = area;
    const QMargins frame = WindowPlacement::frameOf(*this);
    const QRect target = placement(area, frame);
    setFixedSize(target.size());
    // A window's position is that of its frame.
    move(target.topLeft() - QPoint(frame.left(), frame.top()));
}

void OnboardingV2Window::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // Framed by the window manager now: when the guessed frame was too small, fit again.
    if (placed_ && !frameChecked_ && isVisible() && frameGeometry() != geometry()) {
        frameChecked_ = true;
        if (!placedArea_.isEmpty() && !placedArea_.contains(frameGeometry())) place();
    }
}

void OnboardingV2Window::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChrome();
    relayoutScreen();
}

void OnboardingV2Window::relayoutScreen() { layoutScreenViews(screenViews()); }

OnboardingV2Screen* OnboardingV2Window::screen(int index) const {
    if (index < 0 || index >= int(screens_.size())) return nullptr;
    return screens_[size_t(index)].get();
}

void OnboardingV2Window::buildContent() {
    background_ = new OnboardingBackgroundView(this);
    screenArea_ = new QWidget(this);
    dots_ = new OnboardingDotsView(this);
    dots_->count = int(screens_.size());
    dots_->update();

    QPointer<OnboardingV2Window> self(this);
    pill_ = new OnboardingPillButton(labels_.value(0), [self] {
        if (self) self->next();
    }, this);
    skip_ = new OnboardingLinkButton(kSkipTitle, [self] {
        if (self) self->skip();
    }, this);

    layoutChrome();
    showScreen(0);
}

void OnboardingV2Window::layoutChrome() {
    const int h = height();
    background_->setGeometry(rect());
    // 28 from the left, 130 from the bottom, 384 wide; 556 high in a window of full height, less
    // in a lower one (the views then close their gaps).
    screenArea_->setGeometry(28, 34, 384, std::max(0, h - 130 - 34));
    const int pillHeight = 46;
    pill_->setGeometry((kWidth - 280) / 2, h - 56 - pillHeight, 280, pillHeight);
    const QSize skipSize = skip_->sizeHint();
    skip_->setGeometry((kWidth - skipSize.width()) / 2, h - 22 - skipSize.height(), skipSize.width(),
                       skipSize.height());
    const QSize dotsSize = dots_->sizeHint();
    dots_->setGeometry((kWidth - dotsSize.width()) / 2, h - (56 + pillHeight + 14) - dotsSize.height(),
                       dotsSize.width(), dotsSize.height());
}

QList<QWidget*> OnboardingV2Window::screenViews() const {
    QList<QWidget*> views;
    for (QObject* child : screenArea_->children())
        if (auto* view = qobject_cast<QWidget*>(child)) views << view;
    return views;
}

void OnboardingV2Window::showScreen(int index) {
    if (index < 0 || index >= int(screens_.size())) return;
    if (currentIndex_ >= 0 && currentIndex_ != index) screens_[size_t(currentIndex_)]->onLeave();
    cancelPending();
    for (QWidget* view : screenViews()) {
        view->hide();
        view->deleteLater();
        view->setParent(nullptr);
    }

    currentIndex_ = index;
    OnboardingScreenViews views = screens_[size_t(index)]->makeViews(*this);

    isTransitioning_ = true;
    setControlsEnabled(false);

    auto* writing = new OnboardingWritingView(host_.motion);
    writing_ = writing;
    writing->write(views.heading, false, index == 0 ? 28 : 24, 384);

    QList<QWidget*> top = views.top;
    if (isUsageGuide_ && index <= 3) {
        const QString caption = QString::number(index + 1) + QStringLiteral(" / ") +
                                QString::number(screens_.size()) + QStringLiteral(" ・ ") +
                                usageStepTitles().value(index);
        top.prepend(new OnboardingChipView(caption, false, OnboardingV2Palette::accent()));
    }

    QList<QWidget*> all = top;
    all << writing;
    all << views.bottom;
    for (QWidget* view : all) {
        view->setParent(screenArea_);
        setViewOpacity(view, 0);
    }
    layoutScreenViews(all);
    for (QWidget* view : all) view->show();

    for (int i = 0; i < top.size(); ++i) scheduleFadeIn(top[i], i * kStagger + kTopDelay);
    setViewOpacity(writing, 1);

    QPointer<OnboardingV2Window> self(this);
    const QList<QPointer<QWidget>> bottom = [&] {
        QList<QPointer<QWidget>> list;
        for (QWidget* view : views.bottom) list << view;
        return list;
    }();
    writing->onFinishedWriting = [self, bottom] {
        if (!self) return;
        for (int i = 0; i < bottom.size(); ++i)
            if (bottom[i]) self->scheduleFadeIn(bottom[i], i * kStagger);
        const double settle = std::max<qsizetype>(bottom.size() - 1, 0) * kStagger + kSettle;
        self->schedule(settle, [self] {
            if (self) self->endTransition();
        });
    };

    dots_->current = index;
    dots_->update();
    pill_->setTitleText(labels_.value(index));
    const bool hideSkip = index == 0 || isUsageGuide_ || index == int(screens_.size()) - 1;
    skip_->setVisible(!hideSkip);

    screens_[size_t(index)]->onShow(*this);
}

void OnboardingV2Window::layoutScreenViews(const QList<QWidget*>& views) {
    if (views.isEmpty()) return;
    double heights = 0;
    for (QWidget* view : views) heights += view->height();
    // A screen taller than the area (longer texts in our fonts) closes its gaps before anything
    // is cut off.
    const double gaps = double(views.size() - 1);
    const double spacing = gaps > 0 ? std::clamp((screenArea_->height() - heights) / gaps, 0.0, kSpacing) : 0.0;
    double y = (screenArea_->height() - heights - spacing * gaps) / 2;
    for (QWidget* view : views) {
        view->move(int(std::lround((screenArea_->width() - view->width()) / 2.0)), int(std::lround(y)));
        y += view->height() + spacing;
    }
}

void OnboardingV2Window::schedule(double delay, std::function<void()> work) {
    pendingWork_.push_back(MainQueue::after(delay, std::move(work)));
}

void OnboardingV2Window::scheduleFadeIn(QWidget* view, double delay) {
    QPointer<QWidget> target(view);
    QPointer<OnboardingV2Window> self(this);
    schedule(delay, [self, target] {
        if (!self || !target) return;
        const double start = Clock::instance().uptime();
        auto timer = std::make_shared<MainQueue::TimerId>(0);
        auto step = [target, start, timer] {
            const double progress = (Clock::instance().uptime() - start) / kFadeDuration;
            if (!target || progress >= 1) {
                if (target) setViewOpacity(target, 1);
                MainQueue::cancel(*timer);
                return;
            }
            // The default ease of a fade.
            setViewOpacity(target, OnboardingAnimation::timingCurve(progress, 0.25, 0.1, 0.25, 1.0));
        };
        *timer = MainQueue::every(1.0 / 60, step);
        self->pendingWork_.push_back(*timer);
    });
}

void OnboardingV2Window::endTransition() {
    isTransitioning_ = false;
    setControlsEnabled(true);
}

void OnboardingV2Window::setControlsEnabled(bool enabled) {
    pill_->setEnabled(enabled);
    if (enabled) {
        pill_->setGraphicsEffect(nullptr);
    } else {
        auto* effect = new QGraphicsOpacityEffect(pill_);
        effect->setOpacity(kDisabledPillOpacity);
        pill_->setGraphicsEffect(effect);
    }
    skip_->setEnabled(enabled);
}

void OnboardingV2Window::cancelPending() {
    for (MainQueue::TimerId& id : pendingWork_) MainQueue::cancel(id);
    pendingWork_.clear();
}

void OnboardingV2Window::next() {
    if (isTransitioning_ || currentIndex_ < 0 || finishing_) return;
    if (currentIndex_ >= int(screens_.size()) - 1) {
        complete();
        return;
    }
    showScreen(currentIndex_ + 1);
}

void OnboardingV2Window::skip() {
    if (isTransitioning_ || finishing_) return;
    Defaults& store = AppPrefs::defaults();
    store.set(kSkipCountKey, qlonglong(store.integerForKey(kSkipCountKey) + 1));
    showScreen(int(screens_.size()) - 1);
}

void OnboardingV2Window::complete() { finish(true); }

void OnboardingV2Window::closeEvent(QCloseEvent* event) {
    finish(false);
    event->accept();
}

void OnboardingV2Window::finish(bool completed) {
    if (finishing_) return;
    finishing_ = true;
    if (OnboardingV2Screen* current = screen(std::max(currentIndex_, 0))) current->onLeave();
    cancelPending();
    // The screen's views go with it: nothing of its reveal (the heading's strokes) runs on.
    for (QWidget* view : screenViews()) delete view;
    QPointer<OnboardingV2Window> self(this);
    if (completed) {
        if (!isUsageGuide_) AppPrefs::defaults().set(kCompletedKey, true);
        close();  // deletes the application's window later
    }
    Finish done = std::move(onFinish_);
    onFinish_ = nullptr;
    if (done) done(true);
    if (sharedWindow() == self) sharedWindow() = nullptr;
}
