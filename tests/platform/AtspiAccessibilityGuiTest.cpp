// The AT-SPI reader against a real program in the headless session.
#include "../support/target/TargetApp.h"
#include "TestBuses.h"

#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/QtMainQueue.h"

#include <QMutex>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <QElapsedTimer>
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

// The desktop's focus is the element that last took the focus in any program, and it goes with
// its program.
TEST(AtspiAccessibilityGuiTest, TheDesktopsFocusFollowsTheFocusFromProgramToProgram) {
    if (qgetenv("QUENDLE_HEADLESS_SESSION") != "1") GTEST_SKIP() << "needs the headless session";
    QtMainQueue mainQueue;
    MainQueue::install(&mainQueue);
    auto uninstall = qScopeGuard([&] { MainQueue::uninstall(&mainQueue); });
    AtspiAccessibility accessibility;  // listens from here on
    // The focused field, told by its text.
    auto desktopFocus = [&]() -> QString {
        const std::shared_ptr<AccessibleElement> element = accessibility.desktopFocusedElement(1.0);
        const std::optional<qint64> count = element ? element->characterCount() : std::nullopt;
        return count ? element->stringForRange({0, *count}).value_or(QString()) : QString();
    };
    // A program just started may not yet know that anyone listens, and tells no one of a focus
    // it gives then: the focus goes to the other field and back until we hear of it.
    auto focusUntilHeard = [&](TargetApp& app, const QByteArray& field, const QByteArray& other, const QString& text) {
        for (int round = 0; round < 20; ++round) {
            if (!app.focus(other) || !app.focus(field)) return false;
            if (TargetApp::spinUntil([&] { return desktopFocus() == text; }, 500)) return true;
        }
        return false;
    };
    TargetApp first;
    ASSERT_TRUE(first.started()) << TargetApp::executable().toStdString();
    ASSERT_TRUE(first.setField("line", QStringLiteral("first line")));
    ASSERT_TRUE(first.setField("text", QStringLiteral("first text")));
    ASSERT_TRUE(focusUntilHeard(first, "text", "line", QStringLiteral("first text")));
    EXPECT_EQ(accessibility.desktopFocusProcess(), first.pid());
    ASSERT_TRUE(focusUntilHeard(first, "line", "text", QStringLiteral("first line")));

    TargetApp second;
    ASSERT_TRUE(second.started());
    ASSERT_TRUE(second.setField("text", QStringLiteral("second text")));
    ASSERT_TRUE(focusUntilHeard(second, "text", "line", QStringLiteral("second text")));
    EXPECT_EQ(accessibility.desktopFocusProcess(), second.pid());

    const qint32 pid = second.pid();
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    ASSERT_TRUE(TargetApp::spinUntil([&] { return ::kill(pid, 0) == -1 && errno == ESRCH; }, 5000));
    accessibility.isSecureInputOn();  // any question catches up
    EXPECT_NE(accessibility.desktopFocusProcess(), pid);

    // Nobody asks anything, and what the bus sends is read all the same (it would pile up on the
    // connection otherwise).
    // The focus goes back to the first program (again, as above, until it tells of it).
    bool heard = false;
    for (int round = 0; round < 6 && !heard; ++round) {
        ASSERT_TRUE(first.focus(round % 2 ? "line" : "text"));
        heard = TargetApp::spinUntil([&] { return accessibility.desktopFocusProcess() == first.pid(); },
                                     int(AtspiAccessibility::kDrainInterval * 1500));
    }
    EXPECT_TRUE(heard);
}

// Programs announce the loss of the old element and the gain of the new one in either order: a
// loss heard after the next element's gain leaves the new element the desktop's focus.
TEST(AtspiAccessibilityGuiTest, ALossHeardAfterTheNextGainKeepsTheNewFocus) {
    if (qgetenv("QUENDLE_HEADLESS_SESSION") != "1") GTEST_SKIP() << "needs the headless session";
    AtspiAccessibility accessibility;
    AnnouncingProgram program;
    ASSERT_TRUE(program.ok());
    const qint32 self = qint32(QCoreApplication::applicationPid());
    auto heard = [&] {
        EXPECT_TRUE(program.flush());
        accessibility.isSecureInputOn();  // any question reads what arrived
        return accessibility.desktopFocusProcess();
    };
    // The reader listens once it has found the bus: the first gain is announced until it is heard.
    ASSERT_TRUE(TargetApp::spinUntil([&] {
        program.focus("a", true);
        return heard() == self;
    }, 10000));

    program.focus("b", true);
    program.focus("a", false);
    EXPECT_EQ(heard(), self);
    // The loss of the element that has the focus does end it.
    program.focus("b", false);
    EXPECT_EQ(heard(), 0);
}

// Without an accessibility bus the reader answers at once and says why; a bus that comes up later
// is used from then on.
TEST(AtspiAccessibilityGuiTest, ABusThatComesUpLaterIsUsed) {
    if (qgetenv("QUENDLE_HEADLESS_SESSION") != "1") GTEST_SKIP() << "needs the headless session";
    QtMainQueue mainQueue;
    MainQueue::install(&mainQueue);
    auto uninstall = qScopeGuard([&] { MainQueue::uninstall(&mainQueue); });
    PrivateSessionBus bus;  // nothing on it can start an accessibility bus
    ASSERT_TRUE(bus.ok());
    HiddenAccessibilityBusProperty hidden;
    const QByteArray sessionBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    auto restore = qScopeGuard([&] { qputenv("DBUS_SESSION_BUS_ADDRESS", sessionBus); });

    QMutex mutex;
    QStringList lines;
    auto logged = [&](const QString& line) {
        QMutexLocker locker(&mutex);
        return lines.contains(line);
    };
    AtspiAccessibility accessibility(
        [&](const QString& line) {
            QMutexLocker locker(&mutex);
            lines << line;
        },
        0.2);
    TargetApp target;
    ASSERT_TRUE(target.started() && target.focus("line"));
    ASSERT_TRUE(TargetApp::spinUntil([&] {
        return logged(QStringLiteral("アクセシビリティバスを使えません（セッションバスに org.a11y.Bus がありません）: "
                                     "入力欄のカーソル位置と前後の文は読めません"));
    }, 10000));
    QElapsedTimer asked;
    asked.start();
    EXPECT_EQ(accessibility.focusedElement(target.pid(), 5.0), nullptr);
    EXPECT_LT(asked.elapsed(), 2500);  // no bus to ask: no wait for the answer

    // The launcher names its bus's socket after the display, in XDG_RUNTIME_DIR: a folder of its
    // own keeps it from taking the place of the session's.
    QTemporaryDir runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess launcher;
    launcher.setProcessEnvironment(environment);
    launcher.start(QStringLiteral("/usr/libexec/at-spi-bus-launcher"), {QStringLiteral("--launch-immediately")});
    ASSERT_TRUE(launcher.waitForStarted());
    auto stop = qScopeGuard([&] {
        launcher.terminate();
        if (!launcher.waitForFinished(3000)) launcher.kill();
    });
    ASSERT_TRUE(TargetApp::spinUntil([&] { return logged(QStringLiteral("アクセシビリティバスにつながりました")); }, 10000));
    // A program started now takes part in the new bus, and its focus is read.
    TargetApp later;
    ASSERT_TRUE(later.started() && later.setField("line", QStringLiteral("later")) && later.focus("line"));
    EXPECT_TRUE(TargetApp::spinUntil([&] { return accessibility.focusedElement(later.pid(), 1.0) != nullptr; }, 10000));
}

}  // namespace
