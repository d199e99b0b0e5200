// The frontmost application and its activation under a window manager, as on a user's desktop:
// the window manager owns the focus, publishes the active window in _NET_ACTIVE_WINDOW and
// activates windows when asked with the _NET_ACTIVE_WINDOW message. Two Qt editors (two
// processes) stand in for the user's applications.
#include "platform/linux/X11Workspace.h"

#include "../support/target/TargetApp.h"
#include "TestHome.h"

#include <gtest/gtest.h>

#include <memory>

// X headers last: their macros clash with Qt's names.
#include "SessionWindowManager.h"
#include "X11TestDesktop.h"

namespace {

class X11WorkspaceUnderWindowManager : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        lock = std::make_unique<XKeyboardLock>();
        wm = std::make_unique<SessionWindowManager>();
        ASSERT_TRUE(wm->ready()) << "openbox did not start (scripts/setup installs it)";
        qputenv("QT_QPA_PLATFORM", "xcb");  // the editors need real windows
        // One at a time, each settled in front (mapped, focused by the window manager, its own
        // start-up activation request served) before the next one starts.
        first = std::make_unique<TargetApp>();
        ASSERT_TRUE(first->started());
        firstWindow = wm->windowOfProcess(first->pid());
        ASSERT_NE(firstWindow, 0u);
        settleInFront(firstWindow);
        second = std::make_unique<TargetApp>();
        ASSERT_TRUE(second->started());
        secondWindow = wm->windowOfProcess(second->pid());
        ASSERT_NE(secondWindow, 0u);
        settleInFront(secondWindow);
    }
    void settleInFront(Window window) {
        ASSERT_TRUE(wm->waitForActive(window));
        ASSERT_TRUE(wm->waitForFocus(window));
    }
    void TearDown() override {
        first.reset();
        second.reset();
        wm.reset();
        qunsetenv("QT_QPA_PLATFORM");
    }
    // The user brings a window forward (a taskbar click) and the window manager has done it.
    void bringForward(Window window) {
        wm->activateAsUser(window);
        ASSERT_TRUE(wm->waitForActive(window)) << "active window " << wm->activeWindow() << ", wanted " << window;
    }
    static std::optional<RunningApplication> frontmostSoon(qint32 pid, int ms = 3000) {
        X11Workspace workspace;
        std::optional<RunningApplication> front;
        pumpUntil(
            [&] {
                front = workspace.frontmostApplication();
                return front && front->pid == pid;
            },
            ms);
        return front;
    }

    std::unique_ptr<XKeyboardLock> lock;
    std::unique_ptr<SessionWindowManager> wm;
    std::unique_ptr<TargetApp> first, second;
    Window firstWindow = 0, secondWindow = 0;
};

}  // namespace

TEST_F(X11WorkspaceUnderWindowManager, FrontmostIsTheActiveWindowsApplication) {
    bringForward(firstWindow);
    X11Workspace workspace;
    auto front = workspace.frontmostApplication();
    ASSERT_TRUE(front.has_value());
    EXPECT_EQ(front->pid, first->pid());
    EXPECT_EQ(front->window, firstWindow);
    EXPECT_EQ(front->windowClass.toLower(), QStringLiteral("quendle_target_app"));
    EXPECT_EQ(front->identifier, QStringLiteral("quendle_target_app"));
    EXPECT_FALSE(front->name.isEmpty());
    EXPECT_FALSE(front->isSelf);
    EXPECT_FALSE(workspace.isTerminated(*front));

    bringForward(secondWindow);
    front = workspace.frontmostApplication();
    ASSERT_TRUE(front.has_value());
    EXPECT_EQ(front->pid, second->pid());
    EXPECT_EQ(front->window, secondWindow);
}

TEST_F(X11WorkspaceUnderWindowManager, ActivateBringsAnotherApplicationToTheFront) {
    bringForward(firstWindow);
    X11Workspace workspace;
    const auto target = workspace.frontmostApplication();
    ASSERT_TRUE(target && target->pid == first->pid());

    bringForward(secondWindow);
    ASSERT_TRUE(workspace.activate(*target));
    EXPECT_TRUE(wm->waitForActive(firstWindow));
    const auto front = frontmostSoon(first->pid());
    ASSERT_TRUE(front.has_value());
    EXPECT_EQ(front->pid, first->pid());

    // It has the keyboard too: a key typed now lands in its focused field.
    XTestKeyboard keyboard;
    keyboard.tap(keyboard.code(XK_q));
    EXPECT_TRUE(first->waitForField("line", QStringLiteral("q")));
    EXPECT_EQ(second->field("line"), QString());
}

TEST_F(X11WorkspaceUnderWindowManager, ActivateRestoresAMinimisedWindow) {
    bringForward(firstWindow);
    X11Workspace workspace;
    const auto target = workspace.frontmostApplication();
    ASSERT_TRUE(target && target->pid == first->pid());
    bringForward(secondWindow);
    XIconifyWindow(wm->display(), firstWindow, DefaultScreen(wm->display()));
    XSync(wm->display(), False);
    ASSERT_TRUE(TargetApp::spinUntil([&] {
        XWindowAttributes attributes;
        return XGetWindowAttributes(wm->display(), firstWindow, &attributes) && attributes.map_state != IsViewable;
    }));

    ASSERT_TRUE(workspace.activate(*target));
    EXPECT_TRUE(wm->waitForActive(firstWindow));
}

TEST_F(X11WorkspaceUnderWindowManager, AClosedWindowCannotBeBroughtBack) {
    bringForward(firstWindow);
    X11Workspace workspace;
    const auto target = workspace.frontmostApplication();
    ASSERT_TRUE(target && target->pid == first->pid());
    bringForward(secondWindow);
    ASSERT_TRUE(first->command("close"));
    ASSERT_TRUE(TargetApp::spinUntil([&] { return wm->windowOfProcess(first->pid(), 0) == 0; }));

    workspace.activate(*target);
    TargetApp::spin(300);
    const auto front = workspace.frontmostApplication();
    ASSERT_TRUE(front.has_value());
    EXPECT_EQ(front->pid, second->pid());
    EXPECT_EQ(wm->activeWindow(), secondWindow);
}

// When the last window goes, no application is in front, even though openbox keeps naming the
// window in _NET_ACTIVE_WINDOW: a paste then would go nowhere. One window is closed (destroyed),
// the other hidden the way a program that lives on in the tray hides it (unmapped, still there).
TEST_F(X11WorkspaceUnderWindowManager, AfterTheLastWindowGoesNoApplicationIsInFront) {
    bringForward(firstWindow);
    ASSERT_TRUE(second->command("close"));
    XUnmapWindow(wm->display(), firstWindow);
    XSync(wm->display(), False);
    X11Workspace workspace;
    std::optional<RunningApplication> front;
    EXPECT_TRUE(pumpUntil(
        [&] {
            front = workspace.frontmostApplication();
            return !front.has_value();
        },
        3000))
        << front->name.toStdString() << " pid " << front->pid << ", active window " << wm->activeWindow();
}
