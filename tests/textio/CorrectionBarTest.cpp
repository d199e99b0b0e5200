// The correction bar's logic on fakes and the virtual clock: the chip words, the chip lines, the
// placement by the caret, and the states from the chips to a stored rule.
#include "core/AppPrefs.h"
#include "core/Toast.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePointer.h"
#include "platform/fake/FakePointerButtons.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeWordTokenizer.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/IcuWordTokenizer.h"
#include "textio/CorrectionBar.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

constexpr qint32 kPid = 4242;
constexpr double kScreenHeight = 1000;

// The window as the logic drives it.
class TestBar final : public CorrectionBar {
public:
    using CorrectionBar::CorrectionBar;
    QSizeF chipsSize{300, 60};
    QSizeF editorSize{420, 42};
    QStringList shownWords;
    std::optional<QString> editedWord;
    QSizeF noticeSize{560, 42};
    std::optional<QString> shownNotice;
    std::optional<QRectF> shownAt;
    int presents = 0;
    bool focused = false;
    int focusRequests = 0;

protected:
    QSizeF layoutChipsView(const QStringList& words) override {
        shownWords = words;
        return chipsSize;
    }
    QSizeF layoutEditorView(const QString& word) override {
        editedWord = word;
        return editorSize;
    }
    QSizeF layoutEditorNotice(const QString& message) override {
        shownNotice = message;
        return noticeSize;
    }
    void presentView(const QRectF& frame) override {
        shownAt = frame;
        ++presents;
    }
    void focusEditorView() override {
        ++focusRequests;
        focused = true;
    }
    void closeView() override {
        shownAt.reset();
        focused = false;
    }
    bool viewHasFocus() const override { return focused; }
};

class RecordingToasts final : public ToastPresenter {
public:
    void show(const QString& message, std::optional<QPointF>, double seconds) override {
        messages.append(message);
        lastSeconds = seconds;
    }
    QStringList messages;
    double lastSeconds = 0;
};

class CorrectionBarTest : public ::testing::Test {
protected:
    CorrectionBarTest() {
        AppPrefs::setDefaults(&defaults);
        ToastPresenter::install(&toasts);
        screens.screens.append({QRectF(0, 0, 1600, kScreenHeight), QRectF(0, 0, 1600, 970)});
        target = FakeWorkspace::app(QStringLiteral("Editor"), kPid);
        workspace.frontmost = target;
        element->selection = TextRange{5, 0};
        element->boundsFor = [](TextRange) { return std::optional<QRect>(QRect(400, 300, 2, 18)); };
        accessibility.focused.insert(kPid, element);
        bar = std::make_unique<TestBar>(CorrectionBar::Services{workspace, accessibility, screens, tokenizer, &buttons, &pointer});
    }
    ~CorrectionBarTest() override {
        bar.reset();
        ToastPresenter::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    // Shows the bar and waits for the caret read on its worker.
    void showAndWait(const QString& text, bool autoClose) {
        bar->show(text, autoClose);
        ASSERT_TRUE(queue.waitFor([&] { return bar->isShown(); }));
    }
    void pick(const QString& word) {
        bar->chipClicked(word);
        queue.runPending();
    }

    FakeMainQueue queue;
    MemoryDefaults defaults;
    RecordingToasts toasts;
    FakeScreens screens;
    FakeWorkspace workspace;
    FakeAccessibility accessibility;
    FakeWordTokenizer tokenizer;
    FakePointerButtons buttons;
    FakePointer pointer;
    RunningApplication target;
    std::shared_ptr<FakeAccessibleElement> element = std::make_shared<FakeAccessibleElement>();
    std::unique_ptr<TestBar> bar;
};

// ---------------------------------------------------------------------------------------------
// Chip words

TEST(CorrectionWordsTest, KeepsTheLastTwentyFourDistinctWords) {
    FakeWordTokenizer tokenizer;
    QStringList text;
    for (int i = 1; i <= 30; ++i) text << QStringLiteral("w%1").arg(i);
    text << QStringLiteral("w3") << QStringLiteral("w30");  // repeats keep their first place
    const QStringList words = CorrectionBar::correctionWords(text.join(QLatin1Char(' ')), tokenizer);
    ASSERT_EQ(words.size(), 24);
    EXPECT_EQ(words.first(), QStringLiteral("w7"));
    EXPECT_EQ(words.last(), QStringLiteral("w30"));
}

TEST(CorrectionWordsTest, DropsShortUncorrectableWordsUnlessNothingElseIsLeft) {
    FakeWordTokenizer tokenizer;
    // The fake cuts every kana and ideograph into a word of its own.
    EXPECT_EQ(CorrectionBar::correctionWords(QStringLiteral("は 東 ok ♪ ありがとう"), tokenizer),
              (QStringList{QStringLiteral("東"), QStringLiteral("ok")}));
    // Only hiragana and symbols of at most two characters: every distinct one is offered.
    EXPECT_EQ(CorrectionBar::correctionWords(QStringLiteral("ね ♪ ね よ"), tokenizer),
              (QStringList{QStringLiteral("ね"), QStringLiteral("♪"), QStringLiteral("よ")}));
    EXPECT_TRUE(CorrectionBar::correctionWords(QStringLiteral("  、。 "), tokenizer).isEmpty());
}

TEST(CorrectionWordsTest, LongWordsStayWithoutLettersAndCharactersAreWhatTheUserSees) {
    // A word of three hiragana stays by its length; a two-character word made of a letter and a
    // combining mark, or a family emoji of several code points, counts as what it shows.
    IcuWordTokenizer icu;
    const QStringList words = CorrectionBar::correctionWords(QStringLiteral("ありがとう"), icu);
    EXPECT_TRUE(words.contains(QStringLiteral("ありがとう"))) << words.join(QLatin1Char('|')).toStdString();
    class Fixed final : public WordTokenizer {
    public:
        QStringList words(const QString&) const override {
            return {QStringLiteral("ね"), QStringLiteral("👨‍👩‍👧"), QStringLiteral("ねこだ")};
        }
    } fixed;
    EXPECT_EQ(CorrectionBar::correctionWords(QString(), fixed), QStringList{QStringLiteral("ねこだ")});
}

TEST(CorrectionWordsTest, SplitsJapaneseAndEnglishWithIcu) {
    IcuWordTokenizer icu;
    const QStringList english = icu.words(QStringLiteral("Hello, world! It's 12:30."));
    EXPECT_EQ(english, (QStringList{QStringLiteral("Hello"), QStringLiteral("world"), QStringLiteral("It's"),
                                    QStringLiteral("12"), QStringLiteral("30")}));
    const QStringList japanese = icu.words(QStringLiteral("今日は東京でミーティングがあります。"));
    EXPECT_TRUE(japanese.contains(QStringLiteral("東京"))) << japanese.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(japanese.contains(QStringLiteral("ミーティング")));
    EXPECT_FALSE(japanese.contains(QStringLiteral("。")));
    EXPECT_EQ(japanese.join(QString()), QStringLiteral("今日は東京でミーティングがあります"));
    EXPECT_TRUE(icu.words(QString()).isEmpty());
}

TEST(CorrectionWordsTest, CorrectableWordsHoldLettersDigitsKatakanaOrIdeographs) {
    for (const char* yes : {"abc", "Z", "7", "カナ", "々", "漢", "１", "ｚ", "ねこA"})
        EXPECT_TRUE(CorrectionBar::isCorrectableWord(QString::fromUtf8(yes))) << yes;
    for (const char* no : {"ひらがな", "ｱ", "、", "！", "→", "😀", ""})
        EXPECT_FALSE(CorrectionBar::isCorrectableWord(QString::fromUtf8(no))) << no;
}

// ---------------------------------------------------------------------------------------------
// Chip lines and placement

TEST(CorrectionLayoutTest, FillsLinesUpTo460PointsAndLeavesOutChipsBeyondThreeLines) {
    const QSizeF title(90, 16);
    QList<QSizeF> chips;
    for (int i = 0; i < 10; ++i) chips.append(QSizeF(150, 22));  // three per line: 3 × 150 + 2 × 4 = 458
    const CorrectionBar::ChipLayout layout = CorrectionBar::layoutChips(title, chips);
    ASSERT_EQ(layout.chips.size(), 9);
    EXPECT_EQ(layout.chips.at(0), QRectF(0, 22, 150, 22));
    EXPECT_EQ(layout.chips.at(2), QRectF(308, 22, 150, 22));
    EXPECT_EQ(layout.chips.at(3), QRectF(0, 48, 150, 22));
    EXPECT_EQ(layout.chips.at(8).y(), 74);
    EXPECT_EQ(layout.size, QSizeF(458, 16 + 6 + 3 * 22 + 2 * 4));

    // A chip wider than a line still gets a line of its own; the title can be the widest.
    const auto wide = CorrectionBar::layoutChips(QSizeF(500, 16), {QSizeF(30, 22), QSizeF(470, 22)});
    ASSERT_EQ(wide.chips.size(), 2);
    EXPECT_EQ(wide.chips.at(1).topLeft(), QPointF(0, 48));
    EXPECT_EQ(wide.size, QSizeF(500, 16 + 6 + 2 * 22 + 4));
    EXPECT_EQ(CorrectionBar::layoutChips(QSizeF(90, 16), {}).size, QSizeF(90, 22));
}

TEST(CorrectionLayoutTest, PlacesUnderTheCaretElseAboveElseAtTheTop) {
    const QRectF visible(0, 0, 1600, 970);
    const QSizeF size(300, 80);
    // Room below: the top edge 10 points under the caret, the left edge 8 points before it.
    EXPECT_EQ(CorrectionBar::placement(size, visible, QRectF(400, 500, 2, 18)), QRectF(392, 410, 300, 80));
    // No room below: above the caret.
    EXPECT_EQ(CorrectionBar::placement(size, visible, QRectF(400, 60, 2, 18)), QRectF(392, 88, 300, 80));
    // Room on neither side: at the top of the visible frame. (Without a caret: centred there, as
    // the unanswered-caret test below shows.)
    EXPECT_EQ(CorrectionBar::placement(QSizeF(300, 600), visible, QRectF(400, 400, 2, 18)),
              QRectF(392, 962 - 600, 300, 600));
    // A caret at the right edge keeps the bar 8 points inside.
    EXPECT_TRUE(visible.adjusted(8, 8, -8, -8).contains(CorrectionBar::placement(size, visible, QRectF(1590, 500, 2, 18))));
}

TEST_F(CorrectionBarTest, ReadsTheCaretOrElseTheFieldInTheGlobalSpace) {
    // The caret's bounds (y down on the desktop) turned y up.
    EXPECT_EQ(CorrectionBar::readCaret(accessibility, kPid, kScreenHeight, 0.25), QRectF(400, 682, 2, 18));
    // No usable caret bounds: the focused field's frame.
    element->boundsFor = [](TextRange) { return std::optional<QRect>(); };
    element->elementFrame = QRect(100, 100, 300, 40);
    EXPECT_EQ(CorrectionBar::readCaret(accessibility, kPid, kScreenHeight, 0.25), QRectF(100, 860, 300, 40));
    element->elementFrame.reset();
    EXPECT_EQ(CorrectionBar::readCaret(accessibility, kPid, kScreenHeight, 0.25), std::nullopt);
    EXPECT_EQ(CorrectionBar::readCaret(accessibility, 999, kScreenHeight, 0.25), std::nullopt);
    // An application whose focus cannot be read, or none in front: the desktop's last focus.
    accessibility.desktopFocused = std::make_shared<FakeAccessibleElement>();
    EXPECT_EQ(CorrectionBar::readCaret(accessibility, 999, kScreenHeight, 0.25), QRectF(100, 782, 2, 18));
    EXPECT_EQ(CorrectionBar::readCaret(accessibility, 0, kScreenHeight, 0.25), QRectF(100, 782, 2, 18));
}

// ---------------------------------------------------------------------------------------------
// States

TEST_F(CorrectionBarTest, ShowsTheChipsUnderTheCaretAndClosesAfterSixSeconds) {
    showAndWait(QStringLiteral("hello big world"), true);
    EXPECT_EQ(bar->state(), CorrectionBar::State::Chips);
    EXPECT_EQ(bar->shownWords, (QStringList{QStringLiteral("hello"), QStringLiteral("big"), QStringLiteral("world")}));
    // Caret at desktop y 300 (global 682 … 700): the bar's top edge 10 points under it.
    ASSERT_TRUE(bar->shownAt);
    EXPECT_EQ(*bar->shownAt, QRectF(392, 672 - 60, 300, 60));
    EXPECT_EQ(bar->focusRequests, 0);

    queue.advance(5.9);
    EXPECT_TRUE(bar->isShown());
    queue.advance(0.2);
    EXPECT_FALSE(bar->isShown());
    EXPECT_EQ(bar->state(), CorrectionBar::State::Hidden);
    EXPECT_TRUE(workspace.activated.isEmpty());
}

TEST_F(CorrectionBarTest, OpensOnTheScreenOfTheCaretOrElseOfThePointer) {
    const Screens::Screen second{QRectF(1600, 0, 1280, 800), QRectF(1600, 0, 1280, 780)};
    screens.screens.append(second);
    element->boundsFor = [](TextRange) { return std::optional<QRect>(QRect(2800, 600, 2, 18)); };
    showAndWait(QStringLiteral("hello"), true);
    ASSERT_TRUE(bar->shownAt);
    EXPECT_TRUE(second.visibleFrame.contains(*bar->shownAt)) << bar->shownAt->x();
    bar->dismiss();

    workspace.frontmost.reset();  // no caret to read
    pointer.at = QPointF(2000, 300);
    showAndWait(QStringLiteral("hello"), true);
    EXPECT_TRUE(second.visibleFrame.contains(*bar->shownAt)) << bar->shownAt->x();
}

// No application in front: the element that last took the focus on the desktop tells where the
// caret is, not the pointer.
TEST_F(CorrectionBarTest, WithNoApplicationInFrontOpensUnderTheDesktopFocusCaret) {
    workspace.frontmost.reset();
    auto desktop = std::make_shared<FakeAccessibleElement>();
    desktop->selection = TextRange{3, 0};
    desktop->boundsFor = [](TextRange) { return std::optional<QRect>(QRect(200, 500, 2, 18)); };
    accessibility.desktopFocused = desktop;
    pointer.at = QPointF(1400, 900);
    showAndWait(QStringLiteral("hello world"), true);
    ASSERT_TRUE(bar->shownAt);
    // The caret spans 482 … 500 in the global space (y up). The bar hangs just under it and
    // starts at its left.
    const double barTop = bar->shownAt->y() + bar->shownAt->height();
    EXPECT_LE(barTop, 482) << barTop;
    EXPECT_GT(barTop, 482 - 30) << barTop;
    EXPECT_LE(bar->shownAt->x(), 200);
    EXPECT_GT(bar->shownAt->x() + bar->shownAt->width(), 202);
}

TEST_F(CorrectionBarTest, ATextWithoutWordsShowsNothingAndTheMenuBarStaysUntilClosed) {
    bar->show(QStringLiteral("  。 "), true);
    queue.advance(1);
    EXPECT_EQ(bar->state(), CorrectionBar::State::Hidden);
    EXPECT_EQ(bar->presents, 0);

    showAndWait(QStringLiteral("again"), false);
    queue.advance(60);
    EXPECT_TRUE(bar->isShown());
}

TEST_F(CorrectionBarTest, AnUnansweredCaretReadOpensTheBarCentredAfterTheWait) {
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    accessibility.onFocusedElement = [&](qint32) {
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return release; });
    };
    bar->show(QStringLiteral("hello"), true);
    queue.advance(0.29);
    EXPECT_FALSE(bar->isShown());
    queue.advance(0.02);
    ASSERT_TRUE(bar->isShown());
    EXPECT_EQ(*bar->shownAt, QRectF(650, 962 - 60, 300, 60));
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    cv.notify_all();
    // The late answer moves nothing; the six seconds ran from the opening.
    queue.waitFor([&] { return accessibility.focusedCalls == 1; }, 1000);
    queue.advance(0.1);
    EXPECT_EQ(bar->presents, 1);
    queue.advance(5.95);
    EXPECT_FALSE(bar->isShown());
}

TEST_F(CorrectionBarTest, HoveringStopsTheTimerAndLeavingStartsAFullSixSeconds) {
    showAndWait(QStringLiteral("hello"), true);
    queue.advance(5);
    bar->pointerEntered();
    queue.advance(30);
    EXPECT_TRUE(bar->isShown());
    bar->pointerExited();
    queue.advance(5.9);
    EXPECT_TRUE(bar->isShown());
    queue.advance(0.2);
    EXPECT_FALSE(bar->isShown());

    // Opened from the menu it has no timer of its own, but leaving it starts one.
    showAndWait(QStringLiteral("hello"), false);
    EXPECT_FALSE(bar->isAutoClosePending());
    bar->pointerEntered();
    bar->pointerExited();
    queue.advance(6.1);
    EXPECT_FALSE(bar->isShown());
}

TEST_F(CorrectionBarTest, PickingAWordOpensTheFieldsAndStoresTheRuleOnReturn) {
    showAndWait(QStringLiteral("今日は 東京 へ"), true);
    pick(QStringLiteral("東京"));
    EXPECT_EQ(bar->state(), CorrectionBar::State::Editing);
    EXPECT_EQ(bar->pickedWord(), QStringLiteral("東京"));
    EXPECT_EQ(bar->editedWord, QStringLiteral("東京"));
    EXPECT_EQ(bar->focusRequests, 1);
    EXPECT_EQ(*bar->shownAt, QRectF(392, 672 - 42, 420, 42));
    // No longer closes by itself, nor by hovering out.
    bar->pointerExited();
    queue.advance(30);
    EXPECT_EQ(bar->state(), CorrectionBar::State::Editing);

    // An empty side stores nothing and keeps the bar.
    EXPECT_FALSE(bar->save(QStringLiteral("東京"), QStringLiteral("  ")));
    EXPECT_EQ(bar->state(), CorrectionBar::State::Editing);

    EXPECT_TRUE(bar->save(QStringLiteral(" 東京 "), QStringLiteral("東響\t")));
    EXPECT_EQ(AppPrefs::corrections(), QStringLiteral("開業 → 改行\n東京 → 東響"));
    EXPECT_EQ(bar->state(), CorrectionBar::State::Hidden);
    EXPECT_EQ(toasts.messages, QStringList{QStringLiteral("言い直しに追加: 東京 → 東響")});
    EXPECT_EQ(toasts.lastSeconds, 1.0);
    // The editor that was in front gets the focus back.
    ASSERT_EQ(workspace.activated.size(), 1);
    EXPECT_EQ(workspace.activated.first().pid, kPid);
}

TEST_F(CorrectionBarTest, TheSameWordOnBothSidesStoresNothingAndShowsNoToast) {
    showAndWait(QStringLiteral("café"), true);
    pick(QStringLiteral("café"));
    // Composed on one side, decomposed on the other: the same word.
    EXPECT_TRUE(bar->save(QStringLiteral("café"), QStringLiteral("cafe\u0301")));
    EXPECT_EQ(AppPrefs::corrections(), QStringLiteral("開業 → 改行"));
    EXPECT_TRUE(toasts.messages.isEmpty());
    EXPECT_EQ(bar->state(), CorrectionBar::State::Hidden);
}

TEST_F(CorrectionBarTest, RefusesRulesTheListCannotHoldAndSaysWhyInTheBar) {
    showAndWait(QStringLiteral("alpha"), true);
    pick(QStringLiteral("alpha"));
    const auto refused = [&](const QString& wrong, const QString& right, const QString& why) {
        bar->shownNotice.reset();
        EXPECT_FALSE(bar->save(wrong, right));
        EXPECT_EQ(bar->shownNotice, why);
        EXPECT_EQ(bar->notice(), why);
    };
    // A line break would split the rule in two; an arrow on the misheard side would move the split.
    refused(QStringLiteral("al\npha"), QStringLiteral("alfa"), QStringLiteral("改行は入れられません（言い直しは1行に1つです）"));
    refused(QStringLiteral("alpha"), QStringLiteral("al\u2028fa"), QStringLiteral("改行は入れられません（言い直しは1行に1つです）"));
    refused(QStringLiteral("a→b"), QStringLiteral("c"), QStringLiteral("聞き間違えた言葉に「→」は使えません（左右の区切りです）"));
    // Longer than the service keeps: it would never reach the other devices.
    refused(QStringLiteral("alpha"), QStringLiteral("、,").repeated(1997),
            QStringLiteral("長すぎて保存できません（1つの言い直しは4000字までです）"));
    EXPECT_EQ(AppPrefs::corrections(), QStringLiteral("開業 → 改行"));
    EXPECT_EQ(bar->state(), CorrectionBar::State::Editing);
    EXPECT_EQ(bar->shownAt->size(), QSizeF(560, 42));  // placed again at the size with the message
    // An arrow on the right side is only text.
    EXPECT_TRUE(bar->save(QStringLiteral("alpha"), QStringLiteral("α→β")));
    EXPECT_EQ(AppPrefs::correctionPairs().last(), (AppPrefs::CorrectionPair{QStringLiteral("alpha"), QStringLiteral("α→β")}));
}

TEST_F(CorrectionBarTest, EscAndClicksElsewhereCloseWithoutStoring) {
    // Esc while editing: closed, the editor gets the focus back.
    showAndWait(QStringLiteral("alpha beta"), true);
    pick(QStringLiteral("beta"));
    bar->cancel();
    EXPECT_EQ(bar->state(), CorrectionBar::State::Hidden);
    EXPECT_EQ(workspace.activated.size(), 1);

    // The mouse is watched only while the bar shows. A press on the bar itself keeps it; one
    // outside closes it on the next turn.
    EXPECT_FALSE(buttons.isRunning());
    showAndWait(QStringLiteral("alpha beta"), true);
    EXPECT_TRUE(buttons.isRunning());
    const QRectF frame = *bar->frame();
    buttons.click(1, frame.center());
    queue.runPending();
    EXPECT_TRUE(bar->isShown());
    buttons.press(frame.bottomRight() + QPointF(50, 50));
    EXPECT_TRUE(bar->isShown());
    queue.runPending();
    EXPECT_FALSE(bar->isShown());
    EXPECT_FALSE(buttons.isRunning());

    // While editing, a focus that went elsewhere closes it and leaves the focus where it went.
    showAndWait(QStringLiteral("alpha beta"), true);
    pick(QStringLiteral("alpha"));
    bar->focused = false;
    bar->focusLost();
    EXPECT_EQ(bar->state(), CorrectionBar::State::Hidden);
    EXPECT_EQ(workspace.activated.size(), 1);
    EXPECT_EQ(AppPrefs::corrections(), QStringLiteral("開業 → 改行"));
    EXPECT_TRUE(toasts.messages.isEmpty());
}

TEST_F(CorrectionBarTest, StaleClicksAndFocusChangesDoNotReachANewerBar) {
    showAndWait(QStringLiteral("alpha beta"), true);
    // A chip click and an outside press still on their way when the bar is replaced.
    bar->chipClicked(QStringLiteral("alpha"));
    bar->pointerPressed(QPointF(-100, -100));
    bar->show(QStringLiteral("gamma delta"), true);
    ASSERT_TRUE(queue.waitFor([&] { return bar->isShown(); }));
    queue.runPending();
    EXPECT_TRUE(bar->isShown());
    EXPECT_EQ(bar->state(), CorrectionBar::State::Chips);
    EXPECT_EQ(bar->shownWords, (QStringList{QStringLiteral("gamma"), QStringLiteral("delta")}));
    // Losing a focus it never had (chips) does nothing.
    bar->focusLost();
    EXPECT_TRUE(bar->isShown());
}

TEST_F(CorrectionBarTest, TheFocusGoesBackOnlyToAnEditorThatIsStillThere) {
    showAndWait(QStringLiteral("alpha"), true);
    pick(QStringLiteral("alpha"));
    workspace.terminatedPids.append(kPid);
    bar->cancel();
    EXPECT_TRUE(workspace.activated.isEmpty());
}

TEST_F(CorrectionBarTest, ABarGoneWhileTheCaretIsReadLeavesNothingBehind) {
    std::atomic<bool> entered = false;
    accessibility.onFocusedElement = [&](qint32) { entered = true; };
    bar->show(QStringLiteral("alpha"), true);
    while (!entered) std::this_thread::yield();
    bar.reset();  // waits for the read; its answer finds no bar
    queue.advance(10);
    SUCCEED();
}

TEST(CorrectionBarBaseTest, WithoutAWindowItOnlyKeepsTheLastText) {
    FakeMainQueue queue;
    CorrectionBar bar;
    bar.lastInsertedText = QStringLiteral("こんにちは");
    bar.show(bar.lastInsertedText, true);
    queue.advance(10);
    EXPECT_EQ(bar.state(), CorrectionBar::State::Hidden);
    bar.dismiss();
    EXPECT_EQ(bar.lastInsertedText, QStringLiteral("こんにちは"));
}

}  // namespace
