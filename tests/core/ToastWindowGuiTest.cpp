// A toast must never take the keyboard focus: the next paste would go to the toast instead of
// the field the user dictated into. Checked on the session's X server with a real editor in front.
#include "../support/target/TargetApp.h"
#include "core/ui/ToastWindow.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/ui/QtScreens.h"

#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

#include "TestHome.h"

// Xlib's macros clash with Qt's names: last.
#include "SessionWindowManager.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {
QUENDLE_REAL_WINDOWS_IN_SESSION();

bool shown(QWidget* toast) {
    return TargetApp::spinUntil([toast] { return toast->isVisible() && toast->windowOpacity() >= 1.0; });
}
}  // namespace

TEST(ToastWindowTest, ShowsWithoutTakingTheFocusAndReplacesTheOldOne) {
    QUENDLE_REQUIRE_SESSION();
    QtMainQueue queue;
    MainQueue::install(&queue);
    QtScreens screens;
    Screens::install(&screens);
    // A window manager gives new windows the focus unless they ask not to have it.
    SessionWindowManager wm;
    ASSERT_TRUE(wm.ready());
    TargetApp target;
    ASSERT_TRUE(target.started());
    ASSERT_TRUE(target.focus("line"));
    const Window editor = wm.activeWindowOfProcess(target.pid());
    ASSERT_NE(editor, 0u);
    const Window before = wm.inputFocus();

    ToastWindow toasts;
    toasts.show(QStringLiteral("まだ書き起こしていません"), std::nullopt, 1.0);
    QWidget* first = toasts.current();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(shown(first));
    EXPECT_EQ(wm.inputFocus(), before);
    EXPECT_EQ(wm.activeWindow(), editor);
    EXPECT_TRUE(first->testAttribute(Qt::WA_TransparentForMouseEvents));

    // A second toast replaces the first at once; typing still reaches the editor.
    toasts.show(QStringLiteral("正しい書き起こしが遅れて届きました。クリップボードにコピーしました"), QPointF(100, 100), 1.0);
    EXPECT_NE(toasts.current(), first);
    ASSERT_TRUE(shown(toasts.current()));
    EXPECT_EQ(wm.inputFocus(), before);
    ASSERT_TRUE(target.setField("line", QString()));

    // It goes away by itself: the given time plus the fade.
    EXPECT_TRUE(TargetApp::spinUntil([&] { return toasts.current() == nullptr; }));
    Screens::install(nullptr);
}

// The toast of a new correction holds the user's own rule: what looks like markup is shown as typed.
TEST(ToastWindowTest, ShowsTheMessageAsWrittenNotAsMarkup) {
    QtMainQueue queue;
    MainQueue::install(&queue);
    QtScreens screens;
    Screens::install(&screens);
    ToastWindow toasts;
    const QString message = QStringLiteral("言い直しに追加: <b>x</b> → y");
    toasts.show(message, std::nullopt, 10.0);
    ASSERT_NE(toasts.current(), nullptr);
    const auto* label = toasts.current()->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(const_cast<QLabel*>(label));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text(QAccessible::Name).toStdString(), message.toStdString());
    toasts.current()->close();
    Screens::install(nullptr);
    MainQueue::install(nullptr);
}

// Without a compositing manager the transparent corners of a toast would show black: the window
// is cut to its rounded outline, and the desktop shows through. With one it keeps its rectangle.
TEST(ToastWindowTest, CornersShowTheDesktopWithoutACompositor) {
    QUENDLE_REQUIRE_SESSION();
    QtMainQueue queue;
    MainQueue::install(&queue);
    QtScreens screens;
    Screens::install(&screens);
    ASSERT_FALSE(screens.compositing());
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    // A plain green desktop under the toast.
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = 0x00ff00;
    const Window desktop = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 1920, 1080, 0, CopyFromParent,
                                         InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    XMapWindow(display, desktop);
    XSync(display, False);

    ToastWindow toasts;
    toasts.show(QStringLiteral("コピーしました"), std::nullopt, 10.0);
    QWidget* toast = toasts.current();
    ASSERT_NE(toast, nullptr);
    ASSERT_TRUE(shown(toast));
    const QRect frame = toast->geometry();
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
    for (const QPoint corner : {QPoint(0, 0), QPoint(frame.width() - 1, 0), QPoint(0, frame.height() - 1),
                                QPoint(frame.width() - 1, frame.height() - 1)})
        EXPECT_EQ(QColor(shot.pixel(corner)).name().toStdString(), "#00ff00") << corner.x() << "," << corner.y();
    EXPECT_LT(qGray(shot.pixel(frame.width() / 2, 1)), 60);  // the toast's own dark panel

    // A compositing manager takes over: the next toast keeps its whole rectangle.
    const Window manager = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const QByteArray selection = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(display));
    XSetSelectionOwner(display, XInternAtom(display, selection.constData(), False), manager, CurrentTime);
    XSync(display, False);
    toasts.show(QStringLiteral("コピーしました"), std::nullopt, 10.0);
    EXPECT_TRUE(toasts.current()->mask().isEmpty());

    toasts.current()->close();
    XDestroyWindow(display, manager);
    XDestroyWindow(display, desktop);
    XCloseDisplay(display);
    Screens::install(nullptr);
    MainQueue::install(nullptr);
}
