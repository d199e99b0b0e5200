// Text insertion, field clearing and caret context against real programs in the headless session:
// the Qt target application, xterm and xfce4-terminal, over X11, XTest and AT-SPI.
#include "../support/target/TargetApp.h"
#include "RecordingToasts.h"

#include "core/AppPrefs.h"
#include "platform/Clock.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/AtspiAccessibility.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/X11SyntheticKeys.h"
#include "platform/linux/X11Workspace.h"
#include "platform/linux/ui/QtPasteboard.h"
#include "textio/ContextCapture.h"
#include "textio/TextInserter.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <atomic>
#include <cstdlib>

namespace {

constexpr quint16 kReturn = 36;

// Our clipboard must be the X server's, not the offscreen platform's.
const bool forceXcb = [] {
    if (qgetenv("QUENDLE_HEADLESS_SESSION") == "1") setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
}();

bool spinUntil(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        TargetApp::spin(5);
    }
    return true;
}

class TextInsertionGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qgetenv("QUENDLE_HEADLESS_SESSION") != "1") GTEST_SKIP() << "needs the headless session";
        MainQueue::install(&mainQueue);
        Clock::install(&clock);
        AppPrefs::setDefaults(&defaults);
        pasteboard = std::make_unique<QtPasteboard>();
        inserter = std::make_unique<TextInserter>(*pasteboard, keys, workspace, &accessibility);
    }
    void TearDown() override {
        inserter.reset();
        pasteboard.reset();
        AppPrefs::setDefaults(nullptr);
    }
    // Inserts and waits until the burst is over (the clipboard is back).
    void insertAndSettle(const QStringList& pieces) {
        for (const QString& piece : pieces) inserter->insert(piece);
        ASSERT_TRUE(spinUntil([&] { return !inserter->isInserting(); }, 15000));
    }
    // Puts something on the clipboard from the target and waits until we have seen the change,
    // as we have long before a real dictation ends.
    bool targetSetsClipboard(TargetApp& target, const QByteArray& command) {
        const quint64 before = pasteboard->changeCount();
        if (!target.command(command)) return false;
        return spinUntil([&] { return pasteboard->changeCount() != before; }, 5000);
    }
    // Empties the clipboard from the target; an empty clipboard may not change at all.
    bool targetClearsClipboard(TargetApp& target) {
        const quint64 before = pasteboard->changeCount();
        if (!target.command("clip-clear")) return false;
        spinUntil([&] { return pasteboard->changeCount() != before; }, 500);
        return true;
    }
    std::unique_ptr<TargetApp> startTarget(const QStringList& arguments = {}) {
        auto target = std::make_unique<TargetApp>(arguments);
        EXPECT_TRUE(target->started()) << TargetApp::executable().toStdString();
        return target;
    }

    QtMainQueue mainQueue;
    SystemClock clock;
    MemoryDefaults defaults;
    X11SyntheticKeys keys;
    X11Workspace workspace;
    AtspiAccessibility accessibility;
    std::unique_ptr<QtPasteboard> pasteboard;
    std::unique_ptr<TextInserter> inserter;
};

TEST_F(TextInsertionGuiTest, TextArrivesInLineEditAndTextEditEveryTime) {
    auto target = startTarget();
    ASSERT_TRUE(target->started());
    const QString single = QStringLiteral("こんにちは、世界 🎉 dictation");
    const QString multi = QStringLiteral("一行目です。\n二行目 😀 emoji\nthird line");
    for (const char* name : {"line", "text"}) {
        const QByteArray field(name);
        const QString text = field == "line" ? single : multi;
        for (int run = 0; run < 20; ++run) {
            ASSERT_TRUE(target->setField(field, QString()));
            ASSERT_TRUE(target->focus(field));
            ASSERT_TRUE(spinUntil([&] {
                auto app = workspace.frontmostApplication();
                return app && app->pid == target->pid();
            }, 3000));
            inserter->insert(text);
            EXPECT_TRUE(target->waitForField(field, text, 5000)) << field.constData() << " run " << run;
            ASSERT_TRUE(spinUntil([&] { return !inserter->isInserting(); }, 10000));
        }
    }
}

TEST_F(TextInsertionGuiTest, ClipboardTextIsBackAfterwards) {
    auto target = startTarget();
    ASSERT_TRUE(targetSetsClipboard(*target, "clip-text " + TargetApp::b64(QStringLiteral("ユーザーの文字"))));
    ASSERT_TRUE(target->focus("line"));
    insertAndSettle({QStringLiteral("dictated")});
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("dictated")));
    const auto clip = target->clipboard();
    EXPECT_EQ(QString::fromUtf8(clip.value(QStringLiteral("text/plain"))), QStringLiteral("ユーザーの文字"));
}

TEST_F(TextInsertionGuiTest, ClipboardImageIsBackAfterwards) {
    auto target = startTarget();
    ASSERT_TRUE(targetSetsClipboard(*target, "clip-image 16 12"));
    const auto before = target->clipboard();
    ASSERT_EQ(before.value(QStringLiteral("image-size")), QByteArray("16x12"));
    ASSERT_TRUE(target->focus("text"));
    insertAndSettle({QStringLiteral("over an image")});
    EXPECT_TRUE(target->waitForField("text", QStringLiteral("over an image")));
    const auto after = target->clipboard();
    EXPECT_EQ(after.value(QStringLiteral("image-size")), QByteArray("16x12"));
    EXPECT_EQ(after.value(QStringLiteral("image-pixel")), before.value(QStringLiteral("image-pixel")));
    EXPECT_FALSE(after.contains(QStringLiteral("text/plain")));
}

TEST_F(TextInsertionGuiTest, AnEmptyClipboardKeepsTheDictationAfterwards) {
    auto target = startTarget();
    ASSERT_TRUE(targetClearsClipboard(*target));
    ASSERT_TRUE(target->focus("line"));
    insertAndSettle({QStringLiteral("nothing before")});
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("nothing before")));
    EXPECT_EQ(QString::fromUtf8(target->clipboard().value(QStringLiteral("text/plain"))), QStringLiteral("nothing before"));
}

TEST_F(TextInsertionGuiTest, KeepInsertedTextLeavesItOnTheClipboard) {
    defaults.set(QStringLiteral("keepInsertedTextOnClipboard"), true);
    auto target = startTarget();
    ASSERT_TRUE(targetSetsClipboard(*target, "clip-text " + TargetApp::b64(QStringLiteral("old"))));
    ASSERT_TRUE(target->focus("line"));
    insertAndSettle({QStringLiteral("kept")});
    EXPECT_EQ(QString::fromUtf8(target->clipboard().value(QStringLiteral("text/plain"))), QStringLiteral("kept"));
}

TEST_F(TextInsertionGuiTest, BurstOfThreeArrivesInOrder) {
    auto target = startTarget();
    ASSERT_TRUE(target->focus("text"));
    insertAndSettle({QStringLiteral("一、"), QStringLiteral("二、"), QStringLiteral("三。")});
    EXPECT_TRUE(target->waitForField("text", QStringLiteral("一、二、三。")));
}

TEST_F(TextInsertionGuiTest, TargetReadingTheClipboardLateStillGetsTheText) {
    auto target = startTarget({QStringLiteral("--late-clipboard")});
    ASSERT_TRUE(targetSetsClipboard(*target, "clip-text " + TargetApp::b64(QStringLiteral("before"))));
    ASSERT_TRUE(target->focus("line"));
    insertAndSettle({QStringLiteral("late but right")});
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("late but right"), 5000));
    EXPECT_EQ(QString::fromUtf8(target->clipboard().value(QStringLiteral("text/plain"))), QStringLiteral("before"));
}

// Another program takes the clipboard a moment before the paste, before our process has seen
// the change: X refuses our claim until we have caught up. The paste must still carry the
// dictated text, never the copied one. (What comes back afterwards is not checked here: a copy
// made within those milliseconds may not be saved.)
TEST_F(TextInsertionGuiTest, ClipboardTakenJustBeforeStillPastesOurText) {
    auto target = startTarget();
    for (int run = 0; run < 5; ++run) {
        ASSERT_TRUE(target->setField("line", QString()));
        ASSERT_TRUE(target->focus("line"));
        const QString copied = QStringLiteral("copied %1").arg(run);
        ASSERT_TRUE(target->commandBlind("clip-text " + TargetApp::b64(copied)));
        const QString dictated = QStringLiteral("口述 %1").arg(run);
        insertAndSettle({dictated});
        EXPECT_TRUE(target->waitForField("line", dictated, 3000)) << "run " << run << ": " << target->field("line").toStdString();
    }
}

// The middle button pastes PRIMARY: dictating into an ordinary field leaves the user's selection.
TEST_F(TextInsertionGuiTest, PrimarySelectionStaysTheUsers) {
    auto target = startTarget();
    ASSERT_TRUE(target->command("primary-text " + TargetApp::b64(QStringLiteral("選択した文字"))));
    ASSERT_TRUE(target->focus("line"));
    insertAndSettle({QStringLiteral("dictated")});
    EXPECT_TRUE(target->waitForField("line", QStringLiteral("dictated")));
    EXPECT_EQ(target->primary(), QStringLiteral("選択した文字"));
}

// A clipboard that refuses a given number of our claims (the desktop lagging behind).
class RefusingPasteboard final : public Pasteboard {
public:
    RefusingPasteboard(Pasteboard& real, int refusals) : real_(real), refusals_(refusals) {}
    quint64 changeCount() const override { return real_.changeCount(); }
    std::optional<QString> text() const override { return real_.text(); }
    quint64 setText(const QString& text) override { return refusals_-- > 0 ? kRefused : real_.setText(text); }
    PasteboardContents snapshot() const override { return real_.snapshot(); }
    quint64 restore(const PasteboardContents& contents) override { return real_.restore(contents); }
    bool latestWriteWasRead() const override { return real_.latestWriteWasRead(); }

private:
    Pasteboard& real_;
    int refusals_;
};

// Dictated text that cannot be pasted is never dropped: it waits on the clipboard, with a notice.
TEST_F(TextInsertionGuiTest, TextThatCannotBePastedIsLeftOnTheClipboard) {
    auto target = startTarget();
    ASSERT_TRUE(target->focus("line"));
    RecordingToasts toasts;
    ToastPresenter::install(&toasts);
    RefusingPasteboard refusing(*pasteboard, TextInserter::kClaimAttempts + 2);
    TextInserter stubborn(refusing, keys, workspace, &accessibility);
    stubborn.insert(QStringLiteral("残す 😀"));
    EXPECT_TRUE(spinUntil([&] { return !toasts.shown.isEmpty(); }, 10000));
    ToastPresenter::install(nullptr);
    // The target hears of the new owner on its own time: asked too early it still shows the old one.
    auto clipboardText = [&] { return QString::fromUtf8(target->clipboard().value(QStringLiteral("text/plain"))); };
    EXPECT_TRUE(spinUntil([&] { return clipboardText() == QStringLiteral("残す 😀"); }, 5000)) << clipboardText().toStdString();
    EXPECT_EQ(target->field("line"), QString());
}

TEST_F(TextInsertionGuiTest, ClearFieldEmptiesAnOrdinaryField) {
    auto target = startTarget();
    ASSERT_TRUE(target->setField("text", QStringLiteral("to be cleared\nsecond line")));
    ASSERT_TRUE(target->focus("text"));
    ASSERT_TRUE(target->command("caret text 25"));
    EXPECT_TRUE(inserter->clearField());
    EXPECT_TRUE(target->waitForField("text", QString(), 5000));
}

// ---- terminals

class TerminalTest : public TextInsertionGuiTest {
protected:
    // Starts a terminal running `cat` into a file, in cooked mode (control-U erases the line).
    bool startTerminal(const QString& program, const QStringList& arguments) {
        if (QStandardPaths::findExecutable(program).isEmpty()) return false;
        QFile::remove(output());
        terminal.start(program, arguments);
        return terminal.waitForStarted(5000);
    }
    QString output() const { return dir.filePath(QStringLiteral("typed")); }
    QString script() const { return QStringLiteral("stty sane; cat > '%1'").arg(output()); }
    // The shell creates the output file after setting the terminal up, right before cat runs.
    bool catReads() { return spinUntil([&] { return QFile::exists(output()); }, 10000); }
    // Gives the terminal the focus once its window exists.
    bool focusTerminal(const QString& identifier) {
        return spinUntil([&] {
            if (auto app = findWindow(identifier)) {
                workspace.activate(*app);
                auto front = workspace.frontmostApplication();
                return front && front->identifier == identifier;
            }
            return false;
        }, 15000);
    }
    std::optional<RunningApplication> findWindow(const QString& identifier);
    QString typed() {
        QFile file(output());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    void TearDown() override {
        if (terminal.state() != QProcess::NotRunning) {
            terminal.terminate();
            if (!terminal.waitForFinished(3000)) terminal.kill();
        }
        TextInsertionGuiTest::TearDown();
    }

    QTemporaryDir dir;
    QProcess terminal;
};

}  // namespace

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

std::optional<RunningApplication> TerminalTest::findWindow(const QString& identifier) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return std::nullopt;
    std::optional<RunningApplication> found;
    std::function<void(Window)> walk = [&](Window window) {
        if (found) return;
        if (auto app = X11Workspace::applicationOfWindow(window); app && app->identifier == identifier &&
                                                                   app->window == window) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable) {
                found = app;
                return;
            }
        }
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
        for (unsigned int i = 0; i < count; ++i) walk(children[i]);
        if (children) XFree(children);
    };
    walk(DefaultRootWindow(display));
    XCloseDisplay(display);
    return found;
}

// xterm pastes PRIMARY with Shift+Insert; without a window manager it takes the focus straight
// from XSetInputFocus on its top-level window.
TEST_F(TerminalTest, XtermReceivesPasteAndControlU) {
    if (!startTerminal(QStringLiteral("xterm"), {QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"), script()}))
        GTEST_SKIP() << "xterm is not installed";
    auto selectionOwner = startTarget();
    ASSERT_TRUE(selectionOwner->command("primary-text " + TargetApp::b64(QStringLiteral("selected elsewhere"))));
    ASSERT_TRUE(focusTerminal(QStringLiteral("xterm")));
    ASSERT_TRUE(catReads());
    insertAndSettle({QStringLiteral("junk to erase")});
    EXPECT_TRUE(inserter->clearField());
    TargetApp::spin(200);
    insertAndSettle({QStringLiteral("端末へ kept\n")});
    EXPECT_TRUE(spinUntil([&] { return typed() == QStringLiteral("端末へ kept\n"); }, 5000))
        << typed().toUtf8().toHex(' ').toStdString();
    // xterm pastes PRIMARY, so our text went there; what the user had selected is back.
    EXPECT_EQ(selectionOwner->primary(), QStringLiteral("selected elsewhere"));
}

// A VTE terminal pastes CLIPBOARD with Control+Shift+V. Xfce Terminal asks before pasting text
// that holds a line break (its unsafe-paste dialog), so the line is ended by a typed Return.
TEST_F(TerminalTest, XfceTerminalReceivesPasteAndControlU) {
    if (!startTerminal(QStringLiteral("xfce4-terminal"),
                       {QStringLiteral("--disable-server"), QStringLiteral("-x"), QStringLiteral("sh"),
                        QStringLiteral("-c"), script()}))
        GTEST_SKIP() << "xfce4-terminal is not installed";
    ASSERT_TRUE(focusTerminal(QStringLiteral("xfce4-terminal")));
    ASSERT_TRUE(catReads());
    insertAndSettle({QStringLiteral("junk to erase")});
    EXPECT_TRUE(inserter->clearField());
    TargetApp::spin(200);
    insertAndSettle({QStringLiteral("VTE 😀 kept")});
    keys.postKey(kReturn, 0);
    EXPECT_TRUE(spinUntil([&] { return typed() == QStringLiteral("VTE 😀 kept\n"); }, 5000))
        << typed().toUtf8().toHex(' ').toStdString();
}

// ---- caret context over AT-SPI

class ContextCaptureGuiTest : public TextInsertionGuiTest {
protected:
    std::optional<ContextCapture::Snapshot> captureWhenReady(ContextCapture& capture, qint32 pid, const QString& before) {
        std::optional<ContextCapture::Snapshot> snapshot;
        spinUntil([&] {
            snapshot = capture.captureSync(pid);
            return snapshot && snapshot->before == before;
        }, 10000);
        return snapshot;
    }
};

TEST_F(ContextCaptureGuiTest, ReadsAroundTheCaretWithLimitsAndExactOffsets) {
    auto target = startTarget();
    ContextCapture capture(accessibility);
    QString text;
    for (int i = 0; i < 6000; ++i) text.append(QChar(u'a' + i % 26));
    ASSERT_TRUE(target->setField("text", text));
    ASSERT_TRUE(target->focus("text"));
    ASSERT_TRUE(target->command("caret text 3000"));
    auto snapshot = captureWhenReady(capture, target->pid(), text.mid(1000, 2000));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->before, text.mid(1000, 2000));
    EXPECT_EQ(snapshot->after, text.mid(3000, 2000));
    EXPECT_EQ(snapshot->pid, target->pid());

    // Characters outside the basic plane: offsets are UTF-16 units on our side.
    const QString emoji = QStringLiteral("前😀文𠮷脈|後ろ🎉です");
    ASSERT_TRUE(target->setField("line", emoji));
    ASSERT_TRUE(target->focus("line"));
    ASSERT_TRUE(target->command("caret line 7 1"));  // selects "|"
    snapshot = captureWhenReady(capture, target->pid(), QStringLiteral("前😀文𠮷脈"));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->before, QStringLiteral("前😀文𠮷脈"));
    EXPECT_EQ(snapshot->after, QStringLiteral("後ろ🎉です"));
}

TEST_F(ContextCaptureGuiTest, PasswordFieldGivesNoSnapshot) {
    auto target = startTarget();
    ContextCapture capture(accessibility);
    ASSERT_TRUE(target->setField("line", QStringLiteral("visible")));
    ASSERT_TRUE(target->focus("line"));
    ASSERT_TRUE(captureWhenReady(capture, target->pid(), QStringLiteral("visible")));  // the bus sees it
    ASSERT_TRUE(target->setField("password", QStringLiteral("hunter2")));
    ASSERT_TRUE(target->focus("password"));
    TargetApp::spin(300);
    EXPECT_FALSE(capture.captureSync(target->pid()));
}

TEST_F(ContextCaptureGuiTest, HungTargetGivesNoSnapshotWithoutBlockingTheMainQueue) {
    auto target = startTarget();
    ContextCapture capture(accessibility);
    ASSERT_TRUE(target->setField("line", QStringLiteral("x")));
    ASSERT_TRUE(target->focus("line"));
    ASSERT_TRUE(captureWhenReady(capture, target->pid(), QStringLiteral("x")));
    target->send("hang 4000");
    TargetApp::spin(100);
    std::atomic<int> answered{0};  // 1: no snapshot, 2: a snapshot
    int ticks = 0;
    const auto tick = MainQueue::every(0.01, [&] { ++ticks; });
    QElapsedTimer timer;
    timer.start();
    capture.capture(target->pid(), [&](std::optional<ContextCapture::Snapshot> s) { answered = s ? 2 : 1; });
    EXPECT_TRUE(spinUntil([&] { return answered != 0; }, 3500));
    const qint64 took = timer.elapsed();
    auto id = tick;
    MainQueue::cancel(id);
    EXPECT_EQ(answered, 1);
    EXPECT_LT(took, 2000);
    EXPECT_GT(ticks, took / 10 / 3);  // the main queue kept running meanwhile
}

}  // namespace
