// The onboarding window on a real desktop under a window manager: it stays above an ordinary
// window the user brings forward, and on a low screen its pill and skip link stay inside the free
// area, above the panel.
#include "../support/target/TargetApp.h"
#include "OnboardingFixture.h"
#include "onboarding/ui/OnboardingLinkButton.h"
#include "onboarding/ui/OnboardingPillButton.h"
#include "onboarding/ui/OnboardingScreenIntro.h"
#include "onboarding/ui/OnboardingScreenPermissions.h"
#include "platform/fake/FakeScreens.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include "TestHome.h"

// Xlib's macros clash with Qt's names: last.
#include "SessionWindowManager.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {
QUENDLE_REAL_WINDOWS_IN_SESSION();

// The managed windows from bottom to top, as the window manager stacks them.
std::vector<Window> stacking(Display* display) {
    std::vector<Window> windows;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display),
                           XInternAtom(display, "_NET_CLIENT_LIST_STACKING", False), 0, 4096, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        data && format == 32) {
        const auto* ids = reinterpret_cast<const unsigned long*>(data);
        windows.assign(ids, ids + count);
    }
    if (data) XFree(data);
    return windows;
}

// The place of `window` in the stacking order (higher is nearer the user), -1 when not managed.
int level(Display* display, Window window) {
    const std::vector<Window> order = stacking(display);
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] == window) return int(i);
    return -1;
}

QRect globalRect(const QWidget* widget) { return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()); }

class OnboardingWindowDesktopGuiTest : public OnboardingFixture {
protected:
    template <typename Screen>
    std::unique_ptr<OnboardingV2Window> window() {
        OnboardingV2Window::Screens screens;
        screens.push_back(std::make_unique<OnboardingScreenIntro>());
        screens.push_back(std::make_unique<Screen>());
        screens.push_back(std::make_unique<OnboardingScreenIntro>());
        return std::make_unique<OnboardingV2Window>(host(), std::move(screens), QStringList{"a", "b", "c"}, false,
                                                    nullptr, false);
    }
};

TEST_F(OnboardingWindowDesktopGuiTest, StaysAboveAnOrdinaryWindowTheUserBringsForward) {
    QUENDLE_REQUIRE_SESSION();
    SessionWindowManager wm;
    ASSERT_TRUE(wm.ready());
    auto onboarding = window<OnboardingScreenIntro>();
    onboarding->present();
    const Window own = onboarding->winId();
    ASSERT_TRUE(TargetApp::spinUntil([&] { return level(wm.display(), own) >= 0; }));
    // Its own request to be the active window is served before the user turns elsewhere.
    ASSERT_TRUE(wm.waitForActive(own));

    // Another window comes up and is clicked in its taskbar button: it is the active one, and
    // still the onboarding is not hidden behind it.
    QWidget other;
    other.setWindowTitle(QStringLiteral("editor"));
    other.setGeometry(onboarding->geometry());
    other.show();
    const Window ordinary = other.winId();
    ASSERT_TRUE(TargetApp::spinUntil([&] { return level(wm.display(), ordinary) >= 0; }));
    wm.activateAsUser(ordinary);
    ASSERT_TRUE(wm.waitForActive(ordinary));
    TargetApp::spinUntil([&] { return level(wm.display(), ordinary) > level(wm.display(), own); }, 300);
    EXPECT_GT(level(wm.display(), own), level(wm.display(), ordinary));
}

// 1366 × 768 with a 32-pixel panel at the bottom: the window and its title bar do not fit at the
// usual 720 points, so the window is lower, and what the user must reach stays above the panel.
TEST_F(OnboardingWindowDesktopGuiTest, OnALowScreenThePillAndTheSkipLinkStayAboveThePanel) {
    QUENDLE_REQUIRE_SESSION();
    SessionWindowManager wm;
    ASSERT_TRUE(wm.ready());
    FakeScreens screens;
    // Global space is y-up: the panel takes the bottom 32 points.
    screens.screens = {{QRectF(0, 0, 1366, 768), QRectF(0, 32, 1366, 736)}};
    ::Screens::install(&screens);
    const QRect area(0, 0, 1366, 736);

    auto onboarding = window<OnboardingScreenPermissions>();
    onboarding->showScreen(1);  // a screen with the skip link
    onboarding->present();
    const bool framed = TargetApp::spinUntil([&] {
        return onboarding->frameGeometry() != onboarding->geometry() && area.contains(onboarding->frameGeometry());
    });
    ::Screens::install(nullptr);
    ASSERT_TRUE(framed) << "frame " << onboarding->frameGeometry().y() << "+" << onboarding->frameGeometry().height();

    EXPECT_LT(onboarding->height(), OnboardingV2Window::kHeight);
    ASSERT_TRUE(onboarding->skipButton()->isVisible());
    EXPECT_TRUE(area.contains(globalRect(onboarding->pillButton())));
    EXPECT_TRUE(area.contains(globalRect(onboarding->skipButton())));
    // The screen's views close their gaps and stay clear of the controls.
    const QRect screenArea = globalRect(onboarding->screenArea());
    EXPECT_LT(screenArea.bottom(), globalRect(onboarding->pillButton()).top());
    for (const QWidget* view : onboarding->screenViews()) {
        EXPECT_GE(view->y(), 0);
        EXPECT_LE(view->geometry().bottom(), onboarding->screenArea()->height());
    }
}

}  // namespace
