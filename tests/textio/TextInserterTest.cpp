// The paste queue on virtual time, the clipboard save and restore, and the key chords.
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

PasteboardContents imageContents() {
    return PasteboardContents{{{QStringLiteral("image/png"), QByteArray("\x89PNG fake", 9)},
                               {QStringLiteral("text/uri-list"), QByteArray("file:///tmp/a.png\r\n")}}};
}

class TextInserterTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        workspace.frontmost = FakeWorkspace::app(QStringLiteral("gedit"));
        // The target fetches the clipboard the moment it sees the paste chord, and we note what
        // it pasted and when.
        keys.onPost = [this](const Chord& chord) {
            if (chord.keyId == KeyIds::V || chord.keyId == KeyIds::Insert) {
                pasteboard.readByOtherProgram();
                pasted.append(pasteboard.text().value_or(QString()));
                pasteTimes.append(queue.uptime());
            }
        };
    }
    void TearDown() override { AppPrefs::setDefaults(nullptr); }

    FakeMainQueue queue;
    MemoryDefaults defaults;
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
    queue.runPending();
    ASSERT_EQ(pasted, QStringList{QStringLiteral("一つ目")});
    queue.advance(0.27);
    EXPECT_EQ(pasted.size(), 1);
    queue.advance(0.01);
    queue.advance(0.28);
    EXPECT_EQ(pasted, (QStringList{QStringLiteral("一つ目"), QStringLiteral("two 🎉"), QStringLiteral("three\nlines")}));
    ASSERT_EQ(pasteTimes.size(), 3);
    EXPECT_NEAR(pasteTimes[0] - start, 0.0, 1e-6);
    EXPECT_NEAR(pasteTimes[1] - start, 0.28, 1e-6);
    EXPECT_NEAR(pasteTimes[2] - start, 0.56, 1e-6);
    EXPECT_EQ(pasteboard.snapshotCount, 1);

    queue.advance(0.39);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("three\nlines"));
    EXPECT_TRUE(inserter.isInserting());
    queue.advance(0.01);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("user's text"));
    EXPECT_FALSE(inserter.isInserting());
    EXPECT_EQ(keys.chords, (QList<Chord>{{KeyIds::V, kCtrl}, {KeyIds::V, kCtrl}, {KeyIds::V, kCtrl}}));
}

TEST_F(TextInserterTest, PieceQueuedDuringBurstJoinsItWithoutSecondSave) {
    inserter.insert(QStringLiteral("a"));
    queue.advance(0.3);  // in the restore wait
    inserter.insert(QStringLiteral("b"));
    queue.advance(0.1);
    EXPECT_EQ(pasted, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(pasteboard.snapshotCount, 1);
    queue.advance(1);
    // A new burst later saves again.
    inserter.insert(QStringLiteral("c"));
    queue.advance(1);
    EXPECT_EQ(pasteboard.snapshotCount, 2);
}

TEST_F(TextInserterTest, EveryFormatComesBackNotOnlyText) {
    pasteboard.setByOtherProgram(imageContents());
    inserter.insert(QStringLiteral("dictated"));
    queue.advance(1);
    EXPECT_EQ(pasted, QStringList{QStringLiteral("dictated")});
    EXPECT_EQ(pasteboard.contents(), imageContents());
}

TEST_F(TextInserterTest, EmptyClipboardIsEmptyAgainAfterwards) {
    inserter.insert(QStringLiteral("dictated"));
    queue.advance(1);
    EXPECT_TRUE(pasteboard.contents().isEmpty());
}

TEST_F(TextInserterTest, KeepInsertedTextLeavesLastPiece) {
    defaults.set(QStringLiteral("keepInsertedTextOnClipboard"), true);
    pasteboard.setByOtherProgram(imageContents());
    inserter.insert(QStringLiteral("x"));
    inserter.insert(QStringLiteral("y"));
    queue.advance(2);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("y"));
}

TEST_F(TextInserterTest, SlowTargetIsWaitedForBeforeRestore) {
    keys.onPost = nullptr;  // the target fetches late
    pasteboard.setTextByOtherProgram(QStringLiteral("old"));
    inserter.insert(QStringLiteral("new"));
    queue.runPending();
    queue.advance(1.0);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("new"));  // not read yet: still ours
    pasteboard.readByOtherProgram();
    queue.advance(TextInserter::kReadPoll);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("old"));
    EXPECT_FALSE(inserter.isInserting());
}

TEST_F(TextInserterTest, SlowTargetHoldsBackTheNextPieceToo) {
    keys.onPost = nullptr;
    inserter.insert(QStringLiteral("1"));
    inserter.insert(QStringLiteral("2"));
    queue.runPending();
    queue.advance(0.5);
    EXPECT_EQ(keys.chords.size(), 1);
    pasteboard.readByOtherProgram();
    queue.advance(TextInserter::kReadPoll);
    EXPECT_EQ(keys.chords.size(), 2);
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
    queue.runPending();
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
    queue.advance(TextInserter::kClaimRetry);
    EXPECT_EQ(pasted, QStringList{QStringLiteral("dictated")});
    queue.advance(TextInserter::kPieceSpacing);
    EXPECT_EQ(pasted, (QStringList{QStringLiteral("dictated"), QStringLiteral(" more")}));
    EXPECT_EQ(pasteboard.snapshotCount, 3);  // taken again after each refusal: it may have lagged too
    queue.advance(TextInserter::kRestoreDelay);
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
    EXPECT_EQ(pasted, QStringList{QStringLiteral("dictated")});
    queue.advance(1);
    EXPECT_EQ(pasteboard.text(), QStringLiteral("copied a moment ago"));
}

TEST_F(TextInserterTest, ClaimNeverGrantedSendsNoChordAndLeavesTheClipboard) {
    pasteboard.setTextByOtherProgram(QStringLiteral("just copied"));
    pasteboard.refuseWrites = 1000;
    inserter.insert(QStringLiteral("lost"));
    inserter.insert(QStringLiteral("also lost"));
    queue.advance(2 * TextInserter::kClaimAttempts * TextInserter::kClaimRetry + 1.0);
    EXPECT_TRUE(keys.chords.isEmpty());
    EXPECT_FALSE(inserter.isInserting());
    EXPECT_EQ(pasteboard.writeCount, 2 * TextInserter::kClaimAttempts);  // no restore attempted
    EXPECT_EQ(pasteboard.text(), QStringLiteral("just copied"));

    // The next dictation starts afresh.
    pasteboard.refuseWrites = 0;
    inserter.insert(QStringLiteral("fine"));
    queue.advance(1);
    EXPECT_EQ(pasted, QStringList{QStringLiteral("fine")});
    EXPECT_EQ(pasteboard.text(), QStringLiteral("just copied"));
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
    struct Case {
        const char* identifier;
        Chord chord;
    } cases[] = {
        {"gedit", {KeyIds::V, kCtrl}},
        {"xfce4-terminal", {KeyIds::V, kCtrl | kShift}},
        {"net.kovidgoyal.kitty", {KeyIds::V, kCtrl | kShift}},
        {"org.alacritty", {KeyIds::V, kCtrl | kShift}},
        {"konsole", {KeyIds::V, kCtrl | kShift}},
        {"xterm", {KeyIds::Insert, kShift}},
        {"urxvt", {KeyIds::Insert, kShift}},
    };
    for (const auto& c : cases) {
        keys.chords.clear();
        workspace.frontmost = FakeWorkspace::app(QString::fromLatin1(c.identifier));
        inserter.postPaste();
        EXPECT_EQ(keys.chords, QList<Chord>{c.chord}) << c.identifier;
    }
    keys.chords.clear();
    workspace.frontmost.reset();
    inserter.postPaste();
    EXPECT_EQ(keys.chords, (QList<Chord>{{KeyIds::V, kCtrl}}));
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
    for (const char* terminal : {"xterm", "gnome-terminal", "konsole", "org.alacritty", "foot", "xfce4-terminal",
                                 "tilix", "terminator", "urxvt", "st"})
        EXPECT_TRUE(TerminalDetection::isTerminalIdentifier(QString::fromLatin1(terminal))) << terminal;
    EXPECT_FALSE(TerminalDetection::isTerminalIdentifier(QStringLiteral("com.apple.finder")));
}

}  // namespace
