// The AT-SPI reader against a real program in the headless session.
#include "../support/target/TargetApp.h"

#include "platform/linux/AtspiAccessibility.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <signal.h>

namespace {

// The target must run on the X server (it inherits our platform), where it has a focus to read.
const bool forceXcb = [] {
    if (qgetenv("QUENDLE_HEADLESS_SESSION") == "1") setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}();

// A program that is killed announces nothing; what was remembered of it still goes.
TEST(AtspiAccessibilityGuiTest, TheFocusOfAProgramThatQuitIsForgotten) {
    if (qgetenv("QUENDLE_HEADLESS_SESSION") != "1") GTEST_SKIP() << "needs the headless session";
    AtspiAccessibility accessibility;
    TargetApp target;
    ASSERT_TRUE(target.started()) << TargetApp::executable().toStdString();
    ASSERT_TRUE(target.setField("line", QStringLiteral("x")));
    ASSERT_TRUE(target.focus("line"));
    const qint32 pid = target.pid();
    ASSERT_TRUE(TargetApp::spinUntil([&] { return accessibility.focusedElement(pid, 1.0) != nullptr; }, 10000));
    EXPECT_TRUE(accessibility.remembersFocusOf(pid));

    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    // Gone once reaped (our event loop does that for the child).
    ASSERT_TRUE(TargetApp::spinUntil([&] { return ::kill(pid, 0) == -1 && errno == ESRCH; }, 5000));
    // Nobody asks for that program again; any other question is enough.
    accessibility.isSecureInputOn();
    EXPECT_FALSE(accessibility.remembersFocusOf(pid));
}

}  // namespace
