// The correction bar on the session's X server under a window manager, with a real editor in
// front: the chips never take the focus; a click on a chip gives the keyboard to the bar, typed
// keys reach its field, Return stores the rule and the editor gets the focus back.
#include "../support/target/TargetApp.h"
#include "core/AppPrefs.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/IcuWordTokenizer.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/X11Workspace.h"
#include "platform/linux/ui/QtScreens.h"
#include "textio/ui/CorrectionBarWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>

// Xlib's macros clash with Qt's names: last.
#include "../platform/X11TestDesktop.h"
#include "SessionWindowManager.h"

namespace {

const bool forceXcb = [] {
    if (qgetenv("QUENDLE_HEADLESS_SESSION") == "1") setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}();

Window focusedWindow(Display* display) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus;
}

class CorrectionBarGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QUENDLE_HEADLESS_SESSION")) GTEST_SKIP() << "needs scripts/headless-session";
        MainQueue::install(&queue);
        Screens::install(&screens);
        AppPrefs::setDefaults(&defaults);
        wm = std::make_unique<SessionWindowManager>();
        ASSERT_TRUE(wm->ready());
        target = std::make_unique<TargetApp>();
        ASSERT_TRUE(target->started());
        ASSERT_TRUE(target->focus("line"));
        editor = wm->windowOfProcess(target->pid());
        ASSERT_NE(editor, 0u);
        ASSERT_TRUE(wm->waitForActive(editor));
        TargetApp::spin(200);
        bar = std::make_unique<CorrectionBarWindow>(
            CorrectionBar::Services{workspace, accessibility, screens, tokenizer});
    }
    void TearDown() override {
        bar.reset();
        target.reset();
        wm.reset();
        AppPrefs::setDefaults(nullptr);
        Screens::install(nullptr);
        MainQueue::uninstall(&queue);
    }

    // Presses the left button over the middle of a widget, as a person would.
    void click(QWidget* widget) {
        const QPoint at = widget->mapToGlobal(widget->rect().center());
        XTestFakeMotionEvent(keyboard.display(), -1, at.x(), at.y(), CurrentTime);
        XTestFakeButtonEvent(keyboard.display(), 1, True, CurrentTime);
        XTestFakeButtonEvent(keyboard.display(), 1, False, CurrentTime);
        XFlush(keyboard.display());
    }
    void type(KeySym sym) {
        keyboard.tap(keyboard.code(sym));
    }
    QWidget* showChips(const QString& text) {
        bar->show(text, false);
        if (!pumpUntil([&] { return bar->isShown() && bar->window() && bar->window()->isVisible(); })) return nullptr;
        TargetApp::spin(200);
        return bar->window();
    }
    QWidget* chip(const QString& word) {
        for (QWidget* c : bar->chips())
            if (bar->chipWord(c) == word) return c;
        return nullptr;
    }

    XKeyboardLock lock;
    QtMainQueue queue;
    QtScreens screens;
    MemoryDefaults defaults;
    X11Workspace workspace;
    FakeAccessibility accessibility;  // no caret: the bar opens at the top of the screen
    IcuWordTokenizer tokenizer;
    XTestKeyboard keyboard;
    std::unique_ptr<SessionWindowManager> wm;
    std::unique_ptr<TargetApp> target;
    Window editor = 0;
    std::unique_ptr<CorrectionBarWindow> bar;
};

TEST_F(CorrectionBarGuiTest, ChipsLeaveTheFocusAPickedWordTakesItAndReturnStoresTheRule) {
    ASSERT_TRUE(keyboard.ok());
    const Window before = focusedWindow(keyboard.display());
    QWidget* window = showChips(QStringLiteral("hello big world"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(focusedWindow(keyboard.display()), before);
    EXPECT_EQ(wm->activeWindow(), editor);
    ASSERT_EQ(bar->chips().size(), 3);

    QWidget* world = chip(QStringLiteral("world"));
    ASSERT_NE(world, nullptr);
    click(world);
    ASSERT_TRUE(pumpUntil([&] { return bar->rightField() && bar->rightField()->hasFocus(); }));
    EXPECT_EQ(bar->state(), CorrectionBar::State::Editing);
    EXPECT_EQ(bar->wrongField()->text(), QStringLiteral("world"));
    ASSERT_TRUE(pumpUntil([&] { return focusedWindow(keyboard.display()) == window->winId(); }));

    // Keys from the X keyboard reach the right-hand field; Tab goes to the other one and back.
    for (KeySym sym : {XK_w, XK_o, XK_r, XK_d}) type(sym);
    ASSERT_TRUE(pumpUntil([&] { return bar->rightField()->text() == QStringLiteral("word"); }));
    type(XK_Tab);
    ASSERT_TRUE(pumpUntil([&] { return bar->wrongField()->hasFocus(); }));
    type(XK_Tab);
    ASSERT_TRUE(pumpUntil([&] { return bar->rightField()->hasFocus(); }));

    // A misheard side with the arrow is refused, and the bar says why beside the fields.
    EXPECT_EQ(bar->hintText(), QStringLiteral("⏎ 保存 / esc やめる"));
    bar->wrongField()->setText(QStringLiteral("wor→ld"));
    const int narrow = window->width();
    type(XK_Return);
    ASSERT_TRUE(pumpUntil([&] { return bar->hintText() != QStringLiteral("⏎ 保存 / esc やめる"); }));
    EXPECT_EQ(bar->hintText(), QStringLiteral("聞き間違えた言葉に「→」は使えません（左右の区切りです）"));
    EXPECT_GT(window->width(), narrow);  // the message is not cut off
    EXPECT_EQ(bar->state(), CorrectionBar::State::Editing);
    bar->wrongField()->setText(QStringLiteral("world"));

    type(XK_Return);
    ASSERT_TRUE(pumpUntil([&] { return bar->state() == CorrectionBar::State::Hidden; }));
    EXPECT_EQ(AppPrefs::corrections(), QStringLiteral("開業 → 改行\nworld → word"));
    // The editor has the focus again: what is typed now lands in it.
    ASSERT_TRUE(wm->waitForActive(editor));
    ASSERT_TRUE(target->setField("line", QString()));
    ASSERT_TRUE(target->focus("line"));
    type(XK_x);
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("x")));
}

TEST_F(CorrectionBarGuiTest, EscAndAClickIntoAnotherWindowCloseWithoutStoring) {
    ASSERT_TRUE(keyboard.ok());
    ASSERT_NE(showChips(QStringLiteral("alpha beta")), nullptr);
    click(chip(QStringLiteral("beta")));
    ASSERT_TRUE(pumpUntil([&] { return bar->rightField() && bar->rightField()->hasFocus(); }));
    type(XK_Escape);
    ASSERT_TRUE(pumpUntil([&] { return bar->state() == CorrectionBar::State::Hidden; }));
    ASSERT_TRUE(wm->waitForActive(editor));

    // Editing again, the user clicks into the editor: the window manager moves the focus there
    // and the bar goes.
    ASSERT_NE(showChips(QStringLiteral("alpha beta")), nullptr);
    click(chip(QStringLiteral("alpha")));
    ASSERT_TRUE(pumpUntil([&] { return bar->rightField() && bar->rightField()->hasFocus(); }));
    wm->activateAsUser(editor);
    ASSERT_TRUE(pumpUntil([&] { return bar->state() == CorrectionBar::State::Hidden; }));
    EXPECT_EQ(AppPrefs::corrections(), QStringLiteral("開業 → 改行"));
}

}  // namespace
