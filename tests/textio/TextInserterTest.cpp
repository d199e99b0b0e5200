// The paste queue on virtual time, the clipboard save and restore, and the key chords.
#include "RecordingToasts.h"
#include "TestHome.h"
#include "core/AppPrefs.h"
#include "platform/ApplicationIdentifiers.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeSyntheticKeys.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/MemoryDefaults.h"
#include "textio/TerminalDetection.h"
#include "textio/TextInserter.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using Chord = FakeSyntheticKeys::Chord;
constexpr quint64 kCtrl = KeyFlags::Control;
constexpr quint64 kShift = KeyFlags::Shift;
// A real target fetches the clipboard a little after it sees the paste chord.
constexpr double kTargetReadDelay = 0.05;

PasteboardContents imageContents() {
    return PasteboardContents{{{QStringLiteral("image/png"), QByteArray("\x89PNG fake", 9)},
                               {QStringLiteral("text/uri-list"), QByteArray("file:///tmp/a.png\r\n")}}};
}

class TextInserterTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        ToastPresenter::install(&toasts);
        workspace.frontmost = FakeWorkspace::app(QStringLiteral("gedit"));
        // The target fetches what its chord pastes (CLIPBOARD, or PRIMARY for Shift+Insert)
        // kTargetReadDelay after the chord, and we note what it pasted and when the chord came.
        keys.onPost = [this](const Chord& chord) {
            if (chord.keyId != KeyIds::V && chord.keyId != KeyIds::Insert) return;
            pasteTimes.append(queue.uptime());
            const bool primary = chord.keyId == KeyIds::Insert;
            MainQueue::after(kTargetReadDelay, [this, primary] {
                pasteboard.readByOtherProgram();
                pasted.append((primary ? pasteboard.selectionText() : pasteboard.text()).value_or(QString()));
            });
        };
    }
    void TearDown() override {
        ToastPresenter::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    RecordingToasts toasts;
    FakePasteboard pasteboard;
    FakeSyntheticKeys keys;
    FakeWorkspace workspace;
    FakeAccessibility accessibility;
    TextInserter inserter{pasteboard, keys, workspace, &accessibility};
    QStringList pasted;
    QList<double> pasteTimes;
};

TEST_F(TextInserterTest, EmptyTextChangesNothing) {
    pasteboard.setTextByOtherProgram(QStringLiteral("mine"));
    inserter.insert(QString());
    queue.advance(2);
    EXPECT_TRUE(keys.chords.isEmpty());
    EXPECT_EQ(pasteboard.snapshotCount, 0);
    EXPECT_EQ(pasteboard.writeCount, 0);
    EXPECT_FALSE(inserter.isInserting());
}

TEST_F(TextInserterTest, BurstPastesInOrderWithSpacingAndRestoresOnce) {
    pasteboard.setTextByOtherProgram(QStringLiteral("user's text"));
    const double start = queue.uptime();
    inserter.insert(QStringLiteral("一つ目"));
    inserter.insert(QStringLiteral("two 🎉"));
    inserter.insert(QStringLiteral("three\nlines"));
    EXPECT_TRUE(inserter.isInserting());
    queue.advance(0.56);
    ASSERT_EQ(pasteTimes.size(), 3);
    EXPECT_NEAR(pasteTimes[1] - start, 0.28, 1e-6);
    EXPECT_NEAR(pasteTimes[2] - start, 0.56, 1e-6);
    queue.advance(0.39);
    EXPECT_EQ(pasted, (QStringList{QStringLiteral("一つ目"), QStringLiteral("two 🎉"), QStringLiteral("three\nlines")}));
    EXPECT_EQ(pasteboard.snapshotCount, 1);
    EXPECT_TRUE(inserter.isInserting());
    queue.advance(0.01);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("user's text"));
    EXPECT_FALSE(inserter.isInserting());
}

TEST_F(TextInserterTest, PieceQueuedDuringBurstJoinsItWithoutSecondSave) {
    inserter.insert(QStringLiteral("a"));
    queue.advance(0.3);  // in the restore wait
    inserter.insert(QStringLiteral("b"));
    queue.advance(0.2);
    EXPECT_EQ(pasted, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(pasteboard.snapshotCount, 1);
    queue.advance(1);
    // A new burst later saves again.
    inserter.insert(QStringLiteral("c"));
    queue.advance(1);
    EXPECT_EQ(pasteboard.snapshotCount, 2);
}

// Every format comes back; an empty clipboard is not put back, so a paste the target ignored
// still leaves the user the last piece.
TEST_F(TextInserterTest, WhatTheClipboardHeldComesBackWholeAndAnEmptyOneKeepsTheLastPiece) {
    pasteboard.setByOtherProgram(imageContents());
    inserter.insert(QStringLiteral("dictated"));
    queue.advance(1);
    EXPECT_EQ(pasted, QStringList{QStringLiteral("dictated")});
    EXPECT_EQ(pasteboard.contents(), imageContents());

    pasteboard.setByOtherProgram(PasteboardContents{});
    inserter.insert(QStringLiteral("first"));
    inserter.insert(QStringLiteral("last"));
    queue.advance(2);
    EXPECT_FALSE(inserter.isInserting());
    EXPECT_EQ(pasteboard.text(), QStringLiteral("last"));
}

TEST_F(TextInserterTest, KeepInsertedTextLeavesLastPiece) {
    defaults.set(QStringLiteral("keepInsertedTextOnClipboard"), true);
    pasteboard.setByOtherProgram(imageContents());
    inserter.insert(QStringLiteral("x"));
    inserter.insert(QStringLiteral("y"));
    queue.advance(2);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("y"));
}

// Text the user must find on the clipboard (a late result, a target we could not return to) may
// arrive while a burst is being pasted: written at once it would be what the target fetches.
TEST_F(TextInserterTest, CopyToClipboardDuringABurstWaitsForItsEnd) {
    pasteboard.setTextByOtherProgram(QStringLiteral("old"));
    inserter.insert(QStringLiteral("dictated"));
    queue.runPending();
    inserter.copyToClipboard(QStringLiteral("for the user"));
    queue.advance(1);
    EXPECT_EQ(pasted, QStringList{QStringLiteral("dictated")});
    EXPECT_EQ(pasteboard.text(), QStringLiteral("for the user"));

    inserter.copyToClipboard(QStringLiteral("at once"));  // no burst: written now
    EXPECT_EQ(pasteboard.text(), QStringLiteral("at once"));
}

TEST_F(TextInserterTest, SlowTargetIsWaitedForBeforeTheNextPieceAndTheRestore) {
    keys.onPost = nullptr;  // the target fetches when the test says
    pasteboard.setTextByOtherProgram(QStringLiteral("old"));
    inserter.insert(QStringLiteral("1"));
    inserter.insert(QStringLiteral("2"));
    queue.advance(1.0);
    EXPECT_EQ(keys.chords.size(), 1);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("1"));  // not read yet: still ours
    pasteboard.readByOtherProgram();
    queue.advance(TextInserter::kReadPoll);
    EXPECT_EQ(keys.chords.size(), 2);
    pasteboard.readByOtherProgram();
    queue.advance(TextInserter::kRestoreDelay);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("old"));
    EXPECT_FALSE(inserter.isInserting());
}

TEST_F(TextInserterTest, TargetThatNeverReadsIsGivenUpOnAtTheLimit) {
    keys.onPost = nullptr;
    pasteboard.setTextByOtherProgram(QStringLiteral("old"));
    inserter.insert(QStringLiteral("new"));
    queue.runPending();
    queue.advance(TextInserter::kReadWaitLimit - 0.1);
    EXPECT_TRUE(inserter.isInserting());
    queue.advance(0.2);
    EXPECT_FALSE(inserter.isInserting());
    EXPECT_EQ(pasteboard.text(), QStringLiteral("old"));
}

TEST_F(TextInserterTest, ClipboardTakenByAnotherProgramIsNotOverwritten) {
    pasteboard.setTextByOtherProgram(QStringLiteral("old"));
    inserter.insert(QStringLiteral("dictated"));
    queue.advance(0.1);
    pasteboard.setTextByOtherProgram(QStringLiteral("copied meanwhile"));
    queue.advance(1);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("copied meanwhile"));
    EXPECT_FALSE(inserter.isInserting());
}

// X refuses our claim of the clipboard until we have seen the latest owner's change; a paste
// chord before the claim holds would paste that owner's text.
TEST_F(TextInserterTest, RefusedClaimIsRetriedBeforeAnyPasteChord) {
    pasteboard.setTextByOtherProgram(QStringLiteral("just copied"));
    pasteboard.refuseWrites = 2;
    inserter.insert(QStringLiteral("dictated"));
    inserter.insert(QStringLiteral(" more"));
    queue.runPending();
    queue.advance(TextInserter::kClaimRetry);
    EXPECT_TRUE(keys.chords.isEmpty());
    queue.advance(1);
    EXPECT_EQ(pasted, (QStringList{QStringLiteral("dictated"), QStringLiteral(" more")}));
    EXPECT_EQ(pasteboard.snapshotCount, 3);  // taken again after each refusal: it may have lagged too
    EXPECT_EQ(pasteboard.text(), QStringLiteral("just copied"));
    EXPECT_FALSE(inserter.isInserting());
}

TEST_F(TextInserterTest, ClipboardIsSavedOnlyOnceOurViewHasCaughtUp) {
    pasteboard.setTextByOtherProgram(QStringLiteral("copied a moment ago"));
    pasteboard.lagging = true;
    inserter.insert(QStringLiteral("dictated"));
    queue.runPending();
    queue.advance(TextInserter::kClaimRetry);
    EXPECT_EQ(pasteboard.snapshotCount, 0);
    EXPECT_TRUE(keys.chords.isEmpty());
    pasteboard.lagging = false;
    queue.advance(TextInserter::kClaimRetry);
    EXPECT_EQ(pasteboard.snapshotCount, 1);
    queue.advance(1);
    EXPECT_EQ(pasted, QStringList{QStringLiteral("dictated")});
    EXPECT_EQ(pasteboard.text(), QStringLiteral("copied a moment ago"));
}

// Waiting for our view to catch up is no refusal: a long lag leaves the refused claims their
// full count.
TEST_F(TextInserterTest, AClipboardThatLagsLongAndThenRefusesOnceStillPastes) {
    pasteboard.setTextByOtherProgram(QStringLiteral("copied a moment ago"));
    pasteboard.lagging = true;
    inserter.insert(QStringLiteral("dictated"));
    queue.runPending();
    for (int round = 1; round < 9; ++round) queue.advance(TextInserter::kClaimRetry);
    EXPECT_EQ(pasteboard.snapshotCount, 0);  // nine waits so far
    pasteboard.lagging = false;
    pasteboard.refuseWrites = 1;
    queue.advance(1);
    EXPECT_EQ(pasted, QStringList{QStringLiteral("dictated")});
    EXPECT_TRUE(toasts.shown.isEmpty());
    EXPECT_EQ(pasteboard.text(), QStringLiteral("copied a moment ago"));
}

// Each burst waits for our view of the clipboard on its own: however long an earlier burst waited,
// the next one still saves, and puts back, what the user has just copied rather than what our
// lagging view shows.
TEST_F(TextInserterTest, EveryLaggingBurstWaitsAndPutsBackWhatTheUserHadJustCopied) {
    for (const QString& copied : {QStringLiteral("first copy"), QStringLiteral("second copy")}) {
        pasted.clear();
        pasteboard.setTextByOtherProgramUnseen(copied);
        inserter.insert(QStringLiteral("dictated"));
        queue.runPending();
        // The longest lag the waits still see through.
        for (int round = 2; round < TextInserter::kCatchUpWaits; ++round) queue.advance(TextInserter::kClaimRetry);
        pasteboard.lagging = false;
        queue.advance(1);
        EXPECT_EQ(pasted, QStringList{QStringLiteral("dictated")}) << copied.toStdString();
        EXPECT_EQ(pasteboard.text(), copied);
    }
}

// A burst whose wait gave up (the lag outlasted every wait) saves what it sees; that is no
// reason for a later burst to stop waiting or to leave the clipboard without the user's copy.
TEST_F(TextInserterTest, ABurstAfterOneThatGaveUpWaitingStillWaitsAndPutsBackTheNewCopy) {
    pasteboard.setTextByOtherProgram(QStringLiteral("older copy"));
    pasteboard.setTextByOtherProgramUnseen(QStringLiteral("first copy"));
    inserter.insert(QStringLiteral("first dictation"));
    queue.runPending();
    for (int round = 0; round < TextInserter::kCatchUpWaits + 2; ++round) queue.advance(TextInserter::kClaimRetry);
    ASSERT_EQ(pasteboard.snapshotCount, 1);  // gave up and saved what it saw
    pasteboard.lagging = false;
    queue.advance(1);
    ASSERT_EQ(pasted, QStringList{QStringLiteral("first dictation")});
    ASSERT_FALSE(inserter.isInserting());

    pasteboard.setTextByOtherProgramUnseen(QStringLiteral("second copy"));
    inserter.insert(QStringLiteral("second dictation"));
    queue.runPending();
    for (int round = 2; round < TextInserter::kCatchUpWaits; ++round) queue.advance(TextInserter::kClaimRetry);
    EXPECT_EQ(pasteboard.snapshotCount, 1);  // still waiting
    pasteboard.lagging = false;
    queue.advance(1);
    EXPECT_EQ(pasted, (QStringList{QStringLiteral("first dictation"), QStringLiteral("second dictation")}));
    EXPECT_EQ(pasteboard.text(), QStringLiteral("second copy"));
    EXPECT_FALSE(inserter.isInserting());
}

// When the desktop keeps refusing us the clipboard nothing is pasted, but the dictation (every
// piece of the burst, in order) is left on the clipboard for the user as soon as a claim holds.
TEST_F(TextInserterTest, TextThatCannotBePastedIsKeptForTheUser) {
    pasteboard.setTextByOtherProgram(QStringLiteral("just copied"));
    pasteboard.refuseWrites = 2 * TextInserter::kClaimAttempts;
    inserter.insert(QStringLiteral("口述😀"));
    inserter.insert(QStringLiteral(" and more"));
    queue.advance(TextInserter::kClaimAttempts * TextInserter::kClaimRetry);
    EXPECT_FALSE(inserter.isInserting());
    EXPECT_TRUE(toasts.shown.isEmpty());
    queue.advance(TextInserter::kClaimAttempts * TextInserter::kKeepRetry);
    EXPECT_TRUE(keys.chords.isEmpty());
    EXPECT_EQ(pasteboard.text(), QStringLiteral("口述😀 and more"));
    EXPECT_EQ(toasts.messages(), QStringList{QStringLiteral("貼り付けできませんでした。クリップボードに保存しました")});
    EXPECT_TRUE(home.logLines().contains(QStringLiteral("貼り付け: クリップボードを取得できず12字を貼り付けなかった")));

    // The next dictation starts afresh.
    inserter.insert(QStringLiteral("fine"));
    queue.advance(1);
    EXPECT_EQ(pasted, QStringList{QStringLiteral("fine")});
    EXPECT_EQ(pasteboard.text(), QStringLiteral("口述😀 and more"));
}

// Only terminals that paste PRIMARY (Shift+Insert) get our text there, and they give it back.
TEST_F(TextInserterTest, PrimarySelectionIsTakenOnlyForTerminalsThatPasteItAndGivenBack) {
    pasteboard.selectByOtherProgram(QStringLiteral("selected in a terminal"));
    inserter.insert(QStringLiteral("into the editor"));
    queue.advance(1);
    EXPECT_EQ(pasted, QStringList{QStringLiteral("into the editor")});
    EXPECT_EQ(pasteboard.selection, QStringLiteral("selected in a terminal"));
    EXPECT_EQ(pasteboard.selectionChanges, 1u);

    workspace.frontmost = FakeWorkspace::app(QStringLiteral("xterm"));
    inserter.insert(QStringLiteral("into xterm"));
    queue.advance(1);
    EXPECT_EQ(keys.chords.last(), (Chord{KeyIds::Insert, kShift}));
    EXPECT_EQ(pasted.last(), QStringLiteral("into xterm"));
    EXPECT_EQ(pasteboard.selection, QStringLiteral("selected in a terminal"));

    // A selection the user makes meanwhile is theirs: not overwritten by the give-back.
    inserter.insert(QStringLiteral("again"));
    queue.advance(0.1);
    pasteboard.selectByOtherProgram(QStringLiteral("new selection"));
    queue.advance(1);
    EXPECT_EQ(pasteboard.selection, QStringLiteral("new selection"));
}

TEST_F(TextInserterTest, OwnFocusedFieldTakesTextDirectly) {
    QString ownField;
    inserter.setOwnFieldInsert([&](const QString& text) {
        ownField += text;
        return true;
    });
    inserter.insert(QStringLiteral("direct"));
    queue.advance(1);
    EXPECT_EQ(ownField, QStringLiteral("direct"));
    EXPECT_EQ(pasteboard.snapshotCount, 0);
    EXPECT_TRUE(keys.chords.isEmpty());
    EXPECT_FALSE(inserter.isInserting());
}

TEST_F(TextInserterTest, InsertFromAnotherThreadKeepsOrderAndPastes) {
    std::thread worker([&] {
        inserter.insert(QStringLiteral("from worker 1"));
        inserter.insert(QStringLiteral("from worker 2"));
    });
    worker.join();
    queue.advance(1);
    EXPECT_EQ(pasted, (QStringList{QStringLiteral("from worker 1"), QStringLiteral("from worker 2")}));
}

TEST_F(TextInserterTest, InserterGoneBeforeItsTimersDoesNothing) {
    auto* other = new TextInserter(pasteboard, keys, workspace, nullptr);
    other->insert(QStringLiteral("a"));
    other->insert(QStringLiteral("b"));
    queue.runPending();
    delete other;
    queue.advance(2);
    EXPECT_EQ(pasted.size(), 1);
}

// ---- paste chords and field clearing

TEST_F(TextInserterTest, PasteChordFollowsTheFrontmostApplication) {
    inserter.postPaste();
    workspace.frontmost = FakeWorkspace::app(QStringLiteral("xfce4-terminal"));
    inserter.postPaste();
    workspace.frontmost.reset();
    inserter.postPaste();
    EXPECT_EQ(keys.chords, (QList<Chord>{{KeyIds::V, kCtrl}, {KeyIds::V, kCtrl | kShift}, {KeyIds::V, kCtrl}}));
}

TEST_F(TextInserterTest, ClearFieldInFileManagerReturnsFalseAndSendsNothing) {
    workspace.frontmost = FakeWorkspace::app(QLatin1String(ApplicationIdentifiers::kFileManager));
    EXPECT_FALSE(inserter.clearField());
    queue.advance(1);
    EXPECT_TRUE(keys.chords.isEmpty());
}

TEST_F(TextInserterTest, ClearFieldInTerminalSendsControlU) {
    workspace.frontmost = FakeWorkspace::app(QStringLiteral("xterm"));
    EXPECT_TRUE(inserter.clearField());
    EXPECT_TRUE(keys.chords.isEmpty());  // scheduled, not done inside the call
    queue.runPending();
    EXPECT_EQ(keys.chords, (QList<Chord>{{KeyIds::U, kCtrl}}));
}

TEST_F(TextInserterTest, ClearFieldInEditorSelectsToStartThenDeletes) {
    auto element = std::make_shared<FakeAccessibleElement>();
    accessibility.focused.insert(4242, element);
    EXPECT_TRUE(inserter.clearField());
    ASSERT_TRUE(queue.waitFor([&] { return keys.chords.size() == 2; }));
    EXPECT_EQ(keys.chords, (QList<Chord>{{KeyIds::Home, kCtrl | kShift}, {KeyIds::Delete, 0}}));
    EXPECT_EQ(accessibility.lastTimeout, TextInserter::kProbeTimeout);
}

TEST_F(TextInserterTest, ClearFieldInWebTerminalSendsControlU) {
    auto element = std::make_shared<FakeAccessibleElement>();
    element->domClasses = QStringList{QStringLiteral("terminal"), QStringLiteral("XTerm-Screen")};
    accessibility.focused.insert(4242, element);
    EXPECT_TRUE(inserter.clearField());
    ASSERT_TRUE(queue.waitFor([&] { return !keys.chords.isEmpty(); }));
    EXPECT_EQ(keys.chords, (QList<Chord>{{KeyIds::U, kCtrl}}));
}

TEST(TerminalDetectionTest, ProbeRecognisesTerminalsByClassRoleAndWording) {
    FakeAccessibleElement element;
    EXPECT_FALSE(TerminalDetection::presentsAsTerminal(element));
    element.attributes[AccessibleAttribute::Description] = QStringLiteral("Integrated TERMINAL");
    EXPECT_TRUE(TerminalDetection::presentsAsTerminal(element));
    element.attributes.clear();
    element.attributes[AccessibleAttribute::Title] = QStringLiteral("ターミナル 1");
    EXPECT_TRUE(TerminalDetection::presentsAsTerminal(element));
    element.attributes.clear();
    element.elementRole = AccessibleRole::Terminal;
    EXPECT_TRUE(TerminalDetection::presentsAsTerminal(element));
}

TEST(ApplicationIdentifiersTest, WindowClassesMapToKnownIdentifiers) {
    using ApplicationIdentifiers::fromWindowClass;
    EXPECT_EQ(fromWindowClass(QStringLiteral("kitty"), QStringLiteral("kitty")), QStringLiteral("net.kovidgoyal.kitty"));
    EXPECT_EQ(fromWindowClass(QStringLiteral("org.wezfurlong.wezterm"), QStringLiteral("org.wezfurlong.wezterm")),
              QStringLiteral("com.github.wez.wezterm"));
    EXPECT_EQ(fromWindowClass(QStringLiteral("nautilus"), QStringLiteral("org.gnome.Nautilus")),
              QStringLiteral("com.apple.finder"));
    EXPECT_EQ(fromWindowClass(QStringLiteral("Thunar"), QStringLiteral("Thunar")), QStringLiteral("com.apple.finder"));
    EXPECT_EQ(fromWindowClass(QStringLiteral("gnome-terminal-server"), QStringLiteral("Gnome-terminal")),
              QStringLiteral("gnome-terminal"));
    EXPECT_EQ(fromWindowClass(QStringLiteral("xterm"), QStringLiteral("XTerm")), QStringLiteral("xterm"));
    EXPECT_EQ(fromWindowClass(QStringLiteral("st-256color"), QStringLiteral("st-256color")), QStringLiteral("st"));
    EXPECT_EQ(fromWindowClass(QStringLiteral("quendle_target_app"), QString()), QStringLiteral("quendle_target_app"));
    EXPECT_TRUE(TerminalDetection::isTerminalIdentifier(QStringLiteral("gnome-terminal")));
    EXPECT_FALSE(TerminalDetection::isTerminalIdentifier(QStringLiteral("com.apple.finder")));
}

}  // namespace
