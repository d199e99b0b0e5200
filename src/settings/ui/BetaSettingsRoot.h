#pragma once

#include "settings/BetaSettingsModel.h"
#include "settings/SettingsNav.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class NavScaffold;
class QParallelAnimationGroup;

// The whole content of the settings window: one page at a time (NavScaffold: header and the
// screen's content) over the navigation stack. A push slides the new page in from the right, a
// pop or reset from the left, over 0.24 s with ease-in-out. Every change of the model's nav-reset
// tick returns to the root screen.
class BetaSettingsRoot : public QWidget {
    Q_OBJECT
public:
    // Builds the content of a screen's page, each time the page is built. Returns null for a
    // screen it does not build: the page then stays empty under its title (the root shows the
    // list of sections).
    using Destination = std::function<QWidget*(SettingsScreen, BetaSettingsModel&, SettingsNav&)>;

    // The model must outlive the root.
    explicit BetaSettingsRoot(BetaSettingsModel& model, Destination destination = {}, QWidget* parent = nullptr);
    ~BetaSettingsRoot() override;

    SettingsNav& nav() { return nav_; }
    BetaSettingsModel& model() { return model_; }
    // The page shown (the one sliding in during a transition).
    NavScaffold* page() const;
    SettingsScreen pageScreen() const { return pageScreen_; }

    bool isTransitioning() const;
    // Jumps a running slide to its end.
    void completeTransition();
    // The last slide's direction: true when it went backwards.
    bool lastSlideWentBack() const { return lastSlideBack_; }

    static constexpr int kTransitionMs = 240;
    static constexpr int kMinimumWidth = 380;
    static constexpr int kMinimumHeight = 640;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showTop();
    NavScaffold* buildPage(SettingsScreen screen);
    void applyAppearance();

    BetaSettingsModel& model_;
    Destination destination_;
    SettingsNav nav_;
    BetaSettingsModel::ObserverId modelObserver_ = 0;
    SettingsNav::ObserverId navObserver_ = 0;
    QPointer<NavScaffold> page_;
    QPointer<NavScaffold> leaving_;
    SettingsScreen pageScreen_ = SettingsScreen::root;
    QParallelAnimationGroup* slide_ = nullptr;
    bool lastSlideBack_ = false;
    bool applyingAppearance_ = false;
};
