// Copy-on-select on fakes and virtual time: which gestures copy, what reaches the clipboard, when
// the notice shows, and every case in which nothing may be copied.
#include "RecordingToasts.h"
#include "core/AppPrefs.h"
#include "core/Toast.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakePointer.h"
#include "platform/fake/FakePointerButtons.h"
#include "platform/fake/FakeSyntheticKeys.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/MemoryDefaults.h"
#include "textio/SelectionCopier.h"
#include "textio/TextInserter.h"

#include <gtest/gtest.h>

namespace {

constexpr qint32 kEditorPid = 4242;


class SelectionCopierTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        ToastPresenter::install(&toasts);
        workspace.frontmost = FakeWorkspace::app(QStringLiteral("org.example.editor"), kEditorPid);
        editor->text = QStringLiteral("The quick brown fox");
        editor->selection = TextRange{4, 5};  // "quick"
        accessibility.focused.insert(kEditorPid, editor);
        ASSERT_TRUE(copier.begin());
    }
    void TearDown() override {
        ToastPresenter::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    // A drag ends; waits until the copier has read the selection and dealt with it.
    void dragSelect() { gestureThenSettle([this] { mouse.press(), mouse.drag(), mouse.release(); }); }
    void gestureThenSettle(const std::function<void()>& gesture) {
        const int before = copier.answeredAttempts();
        gesture();
        queue.advance(PointerSelectionCopier::kCopyDelay);
        ASSERT_TRUE(queue.waitFor([&] { return copier.answeredAttempts() > before; }));
    }
    QStringList messages() const {
        QStringList list;
        for (const auto& shown : toasts.shown) list << shown.message;
        return list;
    }

    FakeMainQueue queue;
    MemoryDefaults defaults;
    RecordingToasts toasts;
    FakePointerButtons mouse;
    FakeAccessibility accessibility;
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeSyntheticKeys keys;
    FakePointer pointer;
    std::shared_ptr<FakeAccessibleElement> editor = std::make_shared<FakeAccessibleElement>();
    TextInserter inserter{pasteboard, keys, workspace, nullptr};
    PointerSelectionCopier copier{mouse, accessibility, pasteboard, workspace, &inserter, &pointer};
};

TEST_F(SelectionCopierTest, OrdinaryClickCopiesNothingButDoubleAndTripleClicksDo) {
    mouse.click(1);
    queue.advance(1);
    EXPECT_EQ(accessibility.focusedCalls, 0);
    EXPECT_EQ(pasteboard.writeCount, 0);

    gestureThenSettle([this] { mouse.click(2); });
    EXPECT_EQ(pasteboard.text(), QStringLiteral("quick"));
    EXPECT_DOUBLE_EQ(accessibility.lastTimeout, PointerSelectionCopier::kTimeout);

    editor->selection = TextRange{0, 19};
    gestureThenSettle([this] { mouse.click(3); });
    EXPECT_EQ(pasteboard.text(), QStringLiteral("The quick brown fox"));
}

TEST_F(SelectionCopierTest, CopyWaitsForTheDelayAfterTheButtonComesUp) {
    mouse.press();
    mouse.drag();
    mouse.release();
    queue.advance(PointerSelectionCopier::kCopyDelay - 0.01);
    EXPECT_EQ(accessibility.focusedCalls, 0);
    queue.advance(0.01);
    ASSERT_TRUE(queue.waitFor([&] { return copier.answeredAttempts() == 1; }));
    EXPECT_EQ(pasteboard.text(), QStringLiteral("quick"));
    // A drag is one gesture: the next plain click does not count it again.
    mouse.click(1);
    queue.advance(1);
    EXPECT_EQ(accessibility.focusedCalls, 1);
}

TEST_F(SelectionCopierTest, NoticeFollowsTheModeAndOnlyForANewClipboardText) {
    dragSelect();  // nothing stored: "silent"
    EXPECT_EQ(pasteboard.text(), QStringLiteral("quick"));
    EXPECT_TRUE(toasts.shown.isEmpty());

    defaults.set("copyOnSelectMode", "notify");
    editor->selection = TextRange{10, 5};  // "brown"
    pointer.at = QPointF(640, 360);
    dragSelect();
    EXPECT_EQ(pasteboard.text(), QStringLiteral("brown"));
    ASSERT_EQ(toasts.shown.size(), 1);
    EXPECT_EQ(toasts.shown[0].message, QStringLiteral("コピーしました"));
    EXPECT_EQ(toasts.shown[0].at, QPointF(640, 360));
    EXPECT_DOUBLE_EQ(toasts.shown[0].seconds, 0.8);

    // The same text again: no write and no notice.
    const int writes = pasteboard.writeCount;
    dragSelect();
    EXPECT_EQ(pasteboard.writeCount, writes);
    EXPECT_EQ(toasts.shown.size(), 1);

    // Switched off while still watching: nothing at all.
    defaults.set("copyOnSelectMode", "off");
    editor->selection = TextRange{0, 3};
    mouse.press(), mouse.drag(), mouse.release();
    queue.advance(1);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("brown"));
}

TEST_F(SelectionCopierTest, TextIsCopiedAsSelectedAndLongSelectionsAreCut) {
    editor->text = QStringLiteral("  line one\n");
    editor->selection = TextRange{0, 11};
    dragSelect();
    EXPECT_EQ(pasteboard.text(), QStringLiteral("  line one\n"));  // untrimmed

    // Only white space: nothing.
    editor->text = QStringLiteral(" \n\t");
    editor->selection = TextRange{0, 3};
    const int writes = pasteboard.writeCount;
    dragSelect();
    EXPECT_EQ(pasteboard.writeCount, writes);

    editor->text = QString(25000, QLatin1Char('a'));
    editor->selection = TextRange{0, 25000};
    dragSelect();
    EXPECT_EQ(pasteboard.text()->size(), 20000);

    // Characters, not UTF-16 units: 20000 emoji of two units each survive whole.
    QString emoji;
    for (int i = 0; i < 20500; ++i) emoji += QStringLiteral("😀");
    editor->text = emoji;
    editor->selection = TextRange{0, emoji.size()};
    dragSelect();
    EXPECT_EQ(*pasteboard.text(), emoji.left(40000));
}

TEST_F(SelectionCopierTest, HugeSelectionIsReadOnlyAsFarAsNeededAndNeverSplitsACharacter) {
    QString text;
    for (int i = 0; i < 100000; ++i) text += QStringLiteral("😀");  // 200000 units
    editor->text = text;
    editor->selection = TextRange{0, text.size()};
    dragSelect();
    ASSERT_EQ(editor->rangeReads.size(), 1);
    EXPECT_LT(editor->rangeReads[0].length, text.size());
    EXPECT_EQ(*pasteboard.text(), text.left(40000));

    EXPECT_EQ(PointerSelectionCopier::limited(QStringLiteral("short")), QStringLiteral("short"));
}

TEST_F(SelectionCopierTest, NothingIsCopiedFromPasswordFieldsOrUnderSecureInput) {
    editor->elementRole = AccessibleRole::SecureTextField;
    pasteboard.selectByOtherProgram(QStringLiteral("hunter2"));  // would never be used anyway
    gestureThenSettle([this] {
        mouse.press();
        pasteboard.selectByOtherProgram(QStringLiteral("hunter2"));
        mouse.drag(), mouse.release();
    });
    EXPECT_EQ(pasteboard.writeCount, 0);

    editor->elementRole = AccessibleRole::TextArea;
    accessibility.secureInput = true;
    dragSelect();
    EXPECT_EQ(pasteboard.writeCount, 0);
    EXPECT_TRUE(editor->rangeReads.isEmpty());
}

TEST_F(SelectionCopierTest, OwnWindowsNoFrontApplicationAndPasteBurstsAreLeftAlone) {
    workspace.frontmost->isSelf = true;
    mouse.click(2);
    queue.advance(1);
    workspace.frontmost = std::nullopt;
    mouse.click(2);
    queue.advance(1);
    EXPECT_EQ(accessibility.focusedCalls, 0);

    FakeBundle bundle;
    Bundle::install(&bundle);
    workspace.frontmost = FakeWorkspace::app(bundle.identifier(), kEditorPid);
    mouse.click(2);
    queue.advance(1);
    EXPECT_EQ(accessibility.focusedCalls, 0);
    Bundle::install(nullptr);

    // A burst that is running when the copy is due.
    workspace.frontmost = FakeWorkspace::app(QStringLiteral("org.example.editor"), kEditorPid);
    inserter.insert(QStringLiteral("dictated"));
    ASSERT_TRUE(inserter.isInserting());
    mouse.click(2);
    queue.advance(PointerSelectionCopier::kCopyDelay);
    EXPECT_EQ(accessibility.focusedCalls, 0);
    queue.advance(5);
    EXPECT_FALSE(inserter.isInserting());
    // The clipboard was empty, so the dictation stays on it; nothing of the selection was copied.
    EXPECT_EQ(pasteboard.text(), QStringLiteral("dictated"));
}

TEST_F(SelectionCopierTest, BurstThatStartsWhileTheSelectionIsReadWins) {
    accessibility.onFocusedElement = [this](qint32) {
        // The dictation's paste begins on the main queue while we wait for the application.
        queue.enqueue([this] { inserter.insert(QStringLiteral("dictated")); });
    };
    gestureThenSettle([this] { mouse.click(2); });
    accessibility.onFocusedElement = nullptr;
    EXPECT_FALSE(pasteboard.text() == QStringLiteral("quick"));
    queue.advance(5);
    EXPECT_NE(pasteboard.text(), QStringLiteral("quick"));
}

TEST_F(SelectionCopierTest, UnreadableSelectionFallsBackToAFreshPrimarySelectionOnly) {
    editor->selection = std::nullopt;  // e.g. a web page that does not say
    // A PRIMARY selection from before the gesture is not what the user just selected.
    pasteboard.selectByOtherProgram(QStringLiteral("old selection"));
    dragSelect();
    EXPECT_EQ(pasteboard.writeCount, 0);

    // Taken during the gesture: copied to the clipboard, PRIMARY left to its owner.
    gestureThenSettle([this] {
        mouse.press();
        mouse.drag();
        pasteboard.selectByOtherProgram(QStringLiteral("from the page"));
        mouse.release();
    });
    EXPECT_EQ(pasteboard.text(), QStringLiteral("from the page"));
    EXPECT_EQ(pasteboard.selectionChanges, 2u);

    // An application that is not on the accessibility bus at all (xterm).
    accessibility.focused.clear();
    gestureThenSettle([this] {
        mouse.press(), mouse.drag();
        pasteboard.selectByOtherProgram(QStringLiteral("ls -la"));
        mouse.release();
    });
    EXPECT_EQ(pasteboard.text(), QStringLiteral("ls -la"));
}

TEST_F(SelectionCopierTest, RefusedClipboardIsClaimedAgainAndNoticeOnlyOnSuccess) {
    defaults.set("copyOnSelectMode", "notify");
    pasteboard.refuseWrites = 2;
    dragSelect();
    EXPECT_TRUE(toasts.shown.isEmpty());
    queue.advance(0.05);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("quick"));
    EXPECT_EQ(messages(), QStringList{QStringLiteral("コピーしました")});

    pasteboard.refuseWrites = 100;
    editor->selection = TextRange{10, 5};
    dragSelect();
    queue.advance(1);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("quick"));
    EXPECT_EQ(toasts.shown.size(), 1);
}

TEST_F(SelectionCopierTest, StartStopAndAnswersAfterStop) {
    EXPECT_TRUE(copier.isRunning());
    EXPECT_TRUE(copier.begin());
    EXPECT_EQ(mouse.starts, 1);

    // An answer that comes back after stop() is dropped.
    accessibility.onFocusedElement = [this](qint32) { queue.enqueue([this] { copier.stop(); }); };
    gestureThenSettle([this] { mouse.click(2); });
    EXPECT_EQ(pasteboard.writeCount, 0);
    EXPECT_FALSE(copier.isRunning());
    copier.stop();  // harmless when stopped
    mouse.click(2);
    queue.advance(1);

    mouse.refuseStart = true;
    EXPECT_FALSE(copier.begin());
    EXPECT_FALSE(copier.isRunning());
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

TEST_F(SelectionCopierTest, LostWatchComesBackAtOnceOrOnTheWatchdog) {
    mouse.loseConnection();
    EXPECT_TRUE(mouse.isEnabled());
    EXPECT_EQ(mouse.enables, 1);

    // When coming back fails at once, the 10 s watchdog tries again.
    mouse.setDisabledHandler(nullptr);
    mouse.loseConnection();
    EXPECT_FALSE(mouse.isEnabled());
    queue.advance(9.9);
    EXPECT_FALSE(mouse.isEnabled());
    queue.advance(0.1);
    EXPECT_TRUE(mouse.isEnabled());
    dragSelect();
    EXPECT_EQ(pasteboard.text(), QStringLiteral("quick"));

    copier.stop();
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

TEST_F(SelectionCopierTest, CopierGoneBeforeTheDelayDoesNothing) {
    auto other = std::make_unique<PointerSelectionCopier>(mouse, accessibility, pasteboard, workspace, nullptr, nullptr);
    copier.stop();
    ASSERT_TRUE(other->begin());
    mouse.click(2);
    other.reset();
    queue.advance(1);
    EXPECT_EQ(accessibility.focusedCalls, 0);
    EXPECT_FALSE(mouse.isRunning());
}

}  // namespace
