// The tray icon on the session's X server: a left click opens the menu, and the glyph colour is
// the one a tray manager publishes.
#include "platform/linux/ui/QtStatusItem.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <gtest/gtest.h>

// Xlib's macros last.
#include "X11TestDesktop.h"
#include <X11/Xatom.h>

namespace {
const bool forceXcb = [] {
    if (qgetenv("QUENDLE_HEADLESS_SESSION") == "1") setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}();
}  // namespace

TEST(QtStatusItem, LeftClickOpensTheMenu) {
    QtStatusItem item;
    MenuEntry settings;
    settings.title = QStringLiteral("設定…");
    item.setMenu({settings});
    auto* tray = item.findChild<QSystemTrayIcon*>();
    ASSERT_NE(tray, nullptr);
    emit tray->activated(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(pumpUntil([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_FALSE(menu->actions().isEmpty());
    EXPECT_EQ(menu->actions().first()->text(), settings.title);
    item.cancelTracking();
    EXPECT_TRUE(pumpUntil([] { return QApplication::activePopupWidget() == nullptr; }));
}

TEST(QtStatusItem, GlyphColourIsTheOneTheTrayPublishes) {
    if (!qEnvironmentVariableIsSet("QUENDLE_HEADLESS_SESSION")) GTEST_SKIP() << "needs scripts/headless-session";
    QtStatusItem item;
    EXPECT_FALSE(item.glyphColor().has_value());  // no tray in the session

    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window manager = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(display));
    XSetSelectionOwner(display, XInternAtom(display, selection.constData(), False), manager, CurrentTime);
    XSync(display, False);
    EXPECT_FALSE(item.glyphColor().has_value());  // a tray that publishes no colours

    // Normal, error, warning, success; 16 bits a component.
    long colors[12] = {0xffff, 0x8080, 0x0000, 0xffff, 0, 0, 0xffff, 0xffff, 0, 0, 0xffff, 0};
    XChangeProperty(display, manager, XInternAtom(display, "_NET_SYSTEM_TRAY_COLORS", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(colors), 12);
    XSync(display, False);
    ASSERT_TRUE(item.glyphColor().has_value());
    EXPECT_EQ(item.glyphColor()->rgb(), QColor(255, 128, 0).rgb());

    XDestroyWindow(display, manager);
    XCloseDisplay(display);
}

// The menu is rebuilt whenever the state behind it changes (a dictation ending, say): a menu the
// user has open stays open and shows the new entries, and each entry runs its new action.
TEST(QtStatusItem, OpenMenuStaysOpenAndShowsTheNewEntries) {
    QtStatusItem item;
    int ran = 0;
    QList<MenuEntry> before;
    for (const char* title : {"録音中…", "設定…", "終了"}) {
        MenuEntry entry;
        entry.title = QString::fromUtf8(title);
        entry.action = [&ran] { ran = 1; };
        before << entry;
    }
    item.setMenu(before);
    emit item.findChild<QSystemTrayIcon*>()->activated(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(pumpUntil([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }));
    auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());

    QList<MenuEntry> after;
    MenuEntry redo;
    redo.title = QStringLiteral("直前の書き起こしから言い直し");
    redo.action = [&ran] { ran = 2; };
    after << redo << MenuEntry::line();
    MenuEntry quit;
    quit.title = QStringLiteral("終了");
    quit.enabled = false;
    after << quit << MenuEntry::line();
    item.setMenu(after);
    QApplication::processEvents();

    EXPECT_EQ(QApplication::activePopupWidget(), open);
    EXPECT_TRUE(open->isVisible());
    QStringList shown;
    for (QAction* action : open->actions()) shown << (action->isSeparator() ? QStringLiteral("---") : action->text());
    EXPECT_EQ(shown, (QStringList{redo.title, QStringLiteral("---"), quit.title, QStringLiteral("---")}));
    EXPECT_FALSE(open->actions().at(2)->isEnabled());
    open->actions().at(0)->trigger();
    EXPECT_EQ(ran, 2);

    item.setMenu({redo});  // fewer entries than the open menu has
    QApplication::processEvents();
    EXPECT_TRUE(open->isVisible());
    EXPECT_EQ(open->actions().size(), 1);
    item.cancelTracking();
    EXPECT_TRUE(pumpUntil([] { return QApplication::activePopupWidget() == nullptr; }));
}
