#include "settings/ui/BetaSettingsRoot.h"

#include "settings/ui/NavScaffold.h"
#include "settings/ui/Palette.h"
#include "settings/ui/SettingsSectionList.h"

#include <QEasingCurve>
#include <QGuiApplication>
#include <QEvent>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <tuple>

BetaSettingsRoot::BetaSettingsRoot(BetaSettingsModel& model, Destination destination, QWidget* parent)
    : QWidget(parent), model_(model), destination_(std::move(destination)) {
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setAutoFillBackground(false);
    applyAppearance();
    modelObserver_ = model_.observe([this](BetaSettingsModel::Property property) {
        if (property == BetaSettingsModel::Property::navResetTick) nav_.resetToRoot();
    });
    navObserver_ = nav_.observe([this] { showTop(); });
    page_ = buildPage(SettingsScreen::root);
    page_->setGeometry(rect());
    page_->show();
}

BetaSettingsRoot::~BetaSettingsRoot() {
    model_.unobserve(modelObserver_);
    nav_.unobserve(navObserver_);
}

NavScaffold* BetaSettingsRoot::buildPage(SettingsScreen screen) {
    QWidget* content = destination_ ? destination_(screen, model_, nav_) : nullptr;
    if (!content && screen == SettingsScreen::root) content = new SettingsSectionList(model_, nav_);
    auto* page = new NavScaffold(SettingsScreens::title(screen), nav_.canGoBack(), [this] { nav_.pop(); }, content, this);
    pageScreen_ = screen;
    return page;
}

void BetaSettingsRoot::showTop() {
    const SettingsScreen top = nav_.top();
    if (page_ && top == pageScreen_) {
        // The same screen stays: only the back button may come or go.
        page_->setShowBack(nav_.canGoBack());
        return;
    }
    completeTransition();
    const bool backwards = nav_.back();
    lastSlideBack_ = backwards;
    NavScaffold* old = page_;
    NavScaffold* page = buildPage(top);
    page_ = page;
    const QRect area = rect();
    if (!old || !isVisible()) {
        // Nothing to watch: switch at once. The old page may be running the click that led here.
        if (old) {
            old->hide();
            old->deleteLater();
        }
        page->setGeometry(area);
        page->show();
        return;
    }
    // Forward: the new page comes in from the right and the old one leaves to the left.
    const int width = area.width();
    const QPoint enterFrom(backwards ? -width : width, 0);
    const QPoint leaveTo(backwards ? width : -width, 0);
    page->setGeometry(QRect(enterFrom, area.size()));
    page->show();
    page->raise();
    leaving_ = old;
    slide_ = new QParallelAnimationGroup(this);
    for (auto [widget, from, to] : {std::tuple<QWidget*, QPoint, QPoint>{page, enterFrom, QPoint(0, 0)},
                                    std::tuple<QWidget*, QPoint, QPoint>{old, QPoint(0, 0), leaveTo}}) {
        auto* move = new QPropertyAnimation(widget, "pos", slide_);
        move->setDuration(kTransitionMs);
        move->setStartValue(from);
        move->setEndValue(to);
        move->setEasingCurve(QEasingCurve::InOutQuad);
        slide_->addAnimation(move);
    }
    QParallelAnimationGroup* slide = slide_;
    connect(slide_, &QAbstractAnimation::finished, this, [this, slide] {
        if (slide_ != slide) return;
        slide_ = nullptr;
        slide->deleteLater();
        if (leaving_) {
            leaving_->hide();
            leaving_->deleteLater();
        }
        leaving_ = nullptr;
        if (page_) page_->setGeometry(rect());
    });
    slide_->start();
}

NavScaffold* BetaSettingsRoot::page() const { return page_; }

bool BetaSettingsRoot::isTransitioning() const { return slide_ != nullptr; }

void BetaSettingsRoot::completeTransition() {
    if (!slide_) return;
    // Jumping to the end emits `finished`, which tidies up.
    slide_->setCurrentTime(slide_->totalDuration());
    if (slide_) {
        QParallelAnimationGroup* slide = slide_;
        slide_ = nullptr;
        slide->stop();
        slide->deleteLater();
        if (leaving_) {
            leaving_->hide();
            leaving_->deleteLater();
        }
        leaving_ = nullptr;
    }
    if (page_) page_->setGeometry(rect());
}

void BetaSettingsRoot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Palette::background());
}

void BetaSettingsRoot::resizeEvent(QResizeEvent*) {
    completeTransition();
    if (page_) page_->setGeometry(rect());
}

void BetaSettingsRoot::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // A new desktop palette reaches the window first and then every widget as a palette change.
    if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::PaletteChange) applyAppearance();
    if (Palette::isAppearanceChange(event)) update();
}

void BetaSettingsRoot::applyAppearance() {
    // Standard widgets placed by the screens (text editors, sliders) take their colours from the
    // widget palette: give them the settings colours in the dark appearance, the desktop's otherwise.
    if (applyingAppearance_) return;
    applyingAppearance_ = true;
    if (Palette::currentAppearance() == Palette::Appearance::darkAqua) {
        QPalette palette = QGuiApplication::palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Window, Palette::background());
            palette.setColor(group, QPalette::WindowText, Palette::text());
            palette.setColor(group, QPalette::Base, Palette::background().lighter(130));
            palette.setColor(group, QPalette::Text, Palette::text());
            palette.setColor(group, QPalette::Button, Palette::background().lighter(150));
            palette.setColor(group, QPalette::ButtonText, Palette::text());
            palette.setColor(group, QPalette::Highlight, Palette::accent());
            palette.setColor(group, QPalette::PlaceholderText, Palette::secondaryText());
        }
        setPalette(palette);
    } else {
        setPalette(QPalette());
    }
    applyingAppearance_ = false;
}
