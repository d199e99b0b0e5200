// Where the recording panel goes: the caret anchor read from a fake accessibility view, the side
// of the caret with room, the clamp to the screen, and the caret read off the main queue.
#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "dictation/HUDPlacement.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePointer.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/MemoryDefaults.h"

#include <gtest/gtest.h>

#include <QFile>
#include <condition_variable>
#include <mutex>

#include "TestHome.h"

namespace {

constexpr qint32 kPid = 4242;
constexpr double kScreenHeight = 1000;

using CaretAnchor = HUDPlacement::CaretAnchor;

class HUDPlacementTest : public ::testing::Test {
protected:
    HUDPlacementTest() {
        AppPrefs::setDefaults(&defaults);
        screens.screens.append({QRectF(0, 0, 1600, kScreenHeight), QRectF(0, 0, 1600, 970)});
        workspace.frontmost = FakeWorkspace::app(QStringLiteral("Editor"), kPid);
        element->text = QStringLiteral("hello world");
        accessibility.focused.insert(kPid, element);
    }
    ~HUDPlacementTest() override { AppPrefs::setDefaults(nullptr); }

    std::optional<CaretAnchor> read() {
        return HUDPlacement::readCaret(accessibility, kPid, QStringLiteral("Editor"), kScreenHeight, 0.25);
    }
    QStringList log() const { return home.logLines(); }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakeAccessibility accessibility;
    std::shared_ptr<FakeAccessibleElement> element = std::make_shared<FakeAccessibleElement>();
    FakeWorkspace workspace;
    FakePointer pointer;
    FakeScreens screens;
    std::optional<QRectF> icon;
};

// ---- reading the caret

TEST_F(HUDPlacementTest, CandidatesFollowTheCaretOrTheSelection) {
    EXPECT_EQ(HUDPlacement::caretCandidates({0, 0}), (QList<TextRange>{{0, 0}, {0, 1}}));
    EXPECT_EQ(HUDPlacement::caretCandidates({1, 0}), (QList<TextRange>{{1, 0}, {0, 1}, {1, 1}}));
    EXPECT_EQ(HUDPlacement::caretCandidates({3, 4}), (QList<TextRange>{{3, 4}}));
}

TEST_F(HUDPlacementTest, CaretAtTheStartTriesTheFirstCharacterWhenTheEmptyRangeHasNoBounds) {
    element->selection = TextRange{0, 0};
    element->boundsFor = [](TextRange r) -> std::optional<QRect> {
        if (r.length == 0) return QRect(10, 20, 0, 0);  // no height: not accepted
        return QRect(10, 100, 7, 16);
    };
    const auto anchor = read();
    ASSERT_TRUE(anchor);
    EXPECT_EQ(element->boundsReads, (QList<TextRange>{{0, 0}, {0, 1}}));
    // Desktop y 100 + 16 → global y 1000 − 116; at least one point wide.
    EXPECT_EQ(anchor->rect, QRectF(10, 884, 7, 16));
    const QStringList lines = log();
    EXPECT_TRUE(lines.contains(QStringLiteral("HUD位置: フォーカス要素 role=AXTextArea app=Editor")));
    EXPECT_TRUE(lines.contains(QStringLiteral("HUD位置: キャレット矩形（方法②）")));
}

TEST_F(HUDPlacementTest, FirstCandidateIsMethodOneAndAZeroWidthCaretBecomesOnePointWide) {
    element->selection = TextRange{5, 0};
    element->boundsFor = [](TextRange) { return std::optional<QRect>(QRect(300, 400, 0, 18)); };
    const auto anchor = read();
    ASSERT_TRUE(anchor);
    EXPECT_EQ(element->boundsReads.size(), 1);
    EXPECT_EQ(anchor->rect, QRectF(300, 582, 1, 18));
    EXPECT_TRUE(log().contains(QStringLiteral("HUD位置: キャレット矩形（方法①）")));
}

TEST_F(HUDPlacementTest, TallSelectionBoundsFallThroughToTheFieldFrame) {
    element->selection = TextRange{2, 5};
    element->boundsFor = [](TextRange) { return std::optional<QRect>(QRect(0, 0, 400, 200)); };
    element->elementFrame = QRect(50, 100, 600, 300);
    const auto anchor = read();
    ASSERT_TRUE(anchor);
    EXPECT_EQ(element->boundsReads, (QList<TextRange>{{2, 5}}));
    // The field's top-left corner: 240 × 24 at most, never "text above" for a tall field.
    EXPECT_EQ(anchor->rect, QRectF(50, 1000 - 100 - 24, 240, 24));
    EXPECT_FALSE(anchor->textAbove);
    EXPECT_TRUE(log().contains(QStringLiteral("HUD位置: 入力欄の矩形（方法③） 600x300")));
}

TEST_F(HUDPlacementTest, NoRangeAndNoFrameLeavesThePointer) {
    element->selection = std::nullopt;
    EXPECT_FALSE(read());
    accessibility.focused.clear();
    EXPECT_FALSE(read());
    EXPECT_FALSE(HUDPlacement::readCaret(accessibility, 0, QString(), kScreenHeight, 0.25));
}

// The frontmost application's focus first; with no application in front, or when its focus cannot
// be read, the element that last took the focus anywhere on the desktop; then the pointer.
TEST_F(HUDPlacementTest, TheFrontApplicationsFocusComesFirstThenTheDesktopsThenThePointer) {
    auto elsewhere = std::make_shared<FakeAccessibleElement>();
    elsewhere->elementRole = AccessibleRole::TextField;
    elsewhere->boundsFor = [](TextRange) { return std::optional<QRect>(QRect(900, 100, 2, 18)); };
    accessibility.desktopFocused = elsewhere;
    auto anchor = read();
    ASSERT_TRUE(anchor);
    EXPECT_EQ(anchor->rect, QRectF(100, 782, 2, 18));
    EXPECT_EQ(accessibility.desktopFocusedCalls, 0);

    accessibility.focused.clear();  // the front application's focus cannot be read
    anchor = read();
    ASSERT_TRUE(anchor);
    EXPECT_EQ(anchor->rect, QRectF(900, 882, 2, 18));
    EXPECT_TRUE(log().contains(QStringLiteral("HUD位置: フォーカス要素 role=AXTextField app=Editor")));

    anchor = HUDPlacement::readCaret(accessibility, 0, QString(), kScreenHeight, 0.25);  // none in front
    ASSERT_TRUE(anchor);
    EXPECT_EQ(anchor->rect, QRectF(900, 882, 2, 18));
    EXPECT_TRUE(log().contains(QStringLiteral("HUD位置: フォーカス要素 role=AXTextField app=?")));

    accessibility.desktopFocused.reset();
    EXPECT_FALSE(read());
}

TEST_F(HUDPlacementTest, TextAboveComesFromATallFieldOrElseTheWindow) {
    element->selection = TextRange{40, 0};
    QRect caret(100, 300, 2, 18);
    element->boundsFor = [&caret](TextRange) { return std::optional<QRect>(caret); };
    // A multi-line editor from desktop y 100 to 700: the caret 200 pixels below its top.
    element->elementFrame = QRect(80, 100, 800, 600);
    auto anchor = read();
    ASSERT_TRUE(anchor);
    EXPECT_TRUE(anchor->textAbove);
    // On the first line there is nothing above.
    caret = QRect(100, 104, 2, 18);
    anchor = read();
    ASSERT_TRUE(anchor);
    EXPECT_FALSE(anchor->textAbove);
    // A one-line field is not a container: the window decides.
    element->elementFrame = QRect(80, 300, 800, 24);
    caret = QRect(100, 303, 2, 18);
    anchor = read();
    ASSERT_TRUE(anchor);
    EXPECT_FALSE(anchor->textAbove);  // no window known
    accessibility.windowFrames.insert(kPid, QRect(0, 50, 1000, 800));
    anchor = read();
    ASSERT_TRUE(anchor);
    EXPECT_TRUE(anchor->textAbove);
}

// ---- choosing the side

TEST_F(HUDPlacementTest, AboveFirstUnlessThereIsTextAbove) {
    const QRectF visible(0, 0, 1600, 970);
    CaretAnchor caret{QRectF(400, 500, 2, 18), false};
    const QSizeF size(300, 68);
    auto choice = HUDPlacement::chooseCursorPlace(caret, size, visible, std::nullopt);
    EXPECT_EQ(choice.name, QStringLiteral("上"));
    EXPECT_EQ(choice.target, QPointF(410, 518 + 10 + 68));  // right of the caret, 10 above it
    caret.textAbove = true;
    choice = HUDPlacement::chooseCursorPlace(caret, size, visible, std::nullopt);
    EXPECT_EQ(choice.name, QStringLiteral("下"));
    EXPECT_EQ(choice.target, QPointF(410, 490));
    // Near the right edge the panel goes to the caret's left.
    caret.rect = QRectF(1500, 500, 2, 18);
    choice = HUDPlacement::chooseCursorPlace(caret, size, visible, std::nullopt);
    EXPECT_EQ(choice.target.x(), 1500 - 8 - 300);
}

TEST_F(HUDPlacementTest, SidesWhenNeitherAboveNorBelowHasRoom) {
    const QRectF visible(0, 0, 1600, 100);
    const QSizeF size(300, 68);
    CaretAnchor caret{QRectF(200, 40, 2, 18), false};
    auto choice = HUDPlacement::chooseCursorPlace(caret, size, visible, std::nullopt);
    EXPECT_EQ(choice.name, QStringLiteral("右横"));
    EXPECT_EQ(choice.target, QPointF(214, 49 + 34));
    caret.rect = QRectF(1300, 40, 2, 18);
    choice = HUDPlacement::chooseCursorPlace(caret, size, visible, std::nullopt);
    EXPECT_EQ(choice.name, QStringLiteral("左横"));
    EXPECT_EQ(choice.target.x(), 1300 - 12 - 300);
    // A tie goes to the left.
    caret.rect = QRectF(799, 40, 2, 18);
    EXPECT_EQ(HUDPlacement::chooseCursorPlace(caret, size, visible, std::nullopt).name, QStringLiteral("左横"));
}

TEST_F(HUDPlacementTest, UnderTheIconIsRefusedOnlyWhenItOverlapsTheCaret) {
    const QRectF visible(0, 0, 400, 100);
    const QSizeF size(300, 60);
    // The caret in the middle: no side has 312 points, above and below lack 74.
    CaretAnchor caret{QRectF(200, 40, 2, 18), false};
    auto choice = HUDPlacement::chooseCursorPlace(caret, size, visible, QPointF(50, 92));
    EXPECT_EQ(choice.name, QStringLiteral("アイコン下"));
    EXPECT_TRUE(choice.refused);
    // A caret low enough that the panel hanging from the top only touches its margin.
    caret.rect = QRectF(200, 27, 2, 5);
    choice = HUDPlacement::chooseCursorPlace(caret, size, visible, QPointF(50, 100));
    EXPECT_EQ(choice.name, QStringLiteral("アイコン下"));
    EXPECT_FALSE(choice.refused);
    EXPECT_EQ(choice.target, QPointF(50, 100));
    // Without an icon position: the top of the screen at x0.
    choice = HUDPlacement::chooseCursorPlace(caret, size, visible, std::nullopt);
    EXPECT_EQ(choice.target, QPointF(200 - 8 - 300, 92));
}

// (Pulling a frame back inside the screen is seen in the placements below.)
TEST_F(HUDPlacementTest, OnAScreenSmallerThanThePanelTheUpperBoundsWin) {
    EXPECT_EQ(HUDPlacement::clampedFrame(QPointF(0, 0), QSizeF(300, 68), QRectF(0, 0, 200, 50)),
              QRectF(-108, -26, 300, 68));
}

// ---- placing on the main queue

class PlacementFlowTest : public HUDPlacementTest {
protected:
    HUDPlacement::Services services() {
        return {accessibility, workspace, pointer, screens, [this] { return icon; }};
    }
    HUDPlacement placement{services()};
    std::optional<HUDPlacement::Result> result;
    int calls = 0;
    void place(QSizeF size = QSizeF(300, 68)) {
        placement.place(size, [this](HUDPlacement::Result r) {
            result = r;
            ++calls;
        });
    }
};

TEST_F(PlacementFlowTest, TopHangsUnderTheIconOrAtTheTopOfTheScreen) {
    place();
    ASSERT_TRUE(result && result->frame);
    EXPECT_EQ(*result->frame, QRectF(650, 970 - 8 - 68, 300, 68));
    icon = QRectF(1500, 976, 24, 24);
    place();
    EXPECT_EQ(*result->frame, QRectF(1292, 894, 300, 68));  // pulled inside the right and top edges
    EXPECT_EQ(accessibility.focusedCalls, 0);  // no caret needed
    screens.screens.clear();
    place();
    EXPECT_TRUE(result->shown);
    EXPECT_FALSE(result->frame);
}

TEST_F(PlacementFlowTest, CursorPlacementReadsTheCaretOffTheMainQueue) {
    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("cursor"));
    element->selection = TextRange{3, 0};
    element->boundsFor = [](TextRange) { return std::optional<QRect>(QRect(400, 482, 2, 18)); };
    placement.prefetchCaret();
    place();
    EXPECT_EQ(calls, 0);  // waits for the worker
    ASSERT_TRUE(queue.waitFor([&] { return calls == 1; }));
    ASSERT_TRUE(result && result->shown && result->frame);
    // Caret at global y 500…518: the panel above it, 10 points up, right of it.
    EXPECT_EQ(*result->frame, QRectF(410, 528, 300, 68));
    EXPECT_TRUE(log().contains(QStringLiteral("HUD位置: 配置=上 上に文字=false 矩形=400,500 2x18")));
    EXPECT_EQ(accessibility.lastTimeout, HUDPlacement::kRequestTimeout);
    // The answer serves the rest of the recording without another read.
    place();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(accessibility.focusedCalls, 1);
    // A new recording reads afresh.
    placement.reset();
    placement.prefetchCaret();
    ASSERT_TRUE(queue.waitFor([&] { return accessibility.focusedCalls == 2; }));
}

TEST_F(PlacementFlowTest, AHungApplicationCostsAtMostTheWaitThenThePointerDecides) {
    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("cursor"));
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    accessibility.onFocusedElement = [&](qint32) {
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return release; });
    };
    pointer.at = QPointF(700, 300);
    placement.prefetchCaret();
    place();
    queue.advance(HUDPlacement::kCaretWait - 0.01);
    EXPECT_EQ(calls, 0);
    queue.advance(0.01);
    ASSERT_EQ(calls, 1);
    ASSERT_TRUE(result && result->frame);
    EXPECT_EQ(*result->frame, QRectF(709, 311, 300, 68));  // above the pointer
    EXPECT_TRUE(log().contains(QStringLiteral("HUD位置: キャレットが取れずマウス位置（方法④）")));
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    cv.notify_all();
    // The late answer places nothing again.
    queue.waitFor([&] { return false; }, 100);
    EXPECT_EQ(calls, 1);
}

TEST_F(PlacementFlowTest, ResetDropsAWaitingPlacementAndWithoutAnApplicationTheDesktopsFocusDecides) {
    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("cursor"));
    place();
    placement.reset();
    queue.advance(1.0);
    queue.waitFor([&] { return false; }, 50);
    EXPECT_EQ(calls, 0);

    workspace.frontmost.reset();
    pointer.at = QPointF(100, 100);
    accessibility.desktopFocused = element;  // caret at global y 782…800
    place();
    ASSERT_TRUE(queue.waitFor([&] { return calls == 1; }));
    EXPECT_EQ(*result->frame, QRectF(110, 810, 300, 68));

    // Nothing known anywhere: the pointer.
    placement.reset();
    accessibility.desktopFocused.reset();
    place();
    ASSERT_TRUE(queue.waitFor([&] { return calls == 2; }));
    EXPECT_EQ(*result->frame, QRectF(109, 111, 300, 68));
}

TEST_F(PlacementFlowTest, ThePanelGoesToTheScreenOfTheCaretOrElseThePointer) {
    const Screens::Screen second{QRectF(1600, 0, 1280, 800), QRectF(1600, 0, 1280, 780)};
    screens.screens.append(second);
    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("cursor"));
    element->selection = TextRange{3, 0};
    element->boundsFor = [](TextRange) { return std::optional<QRect>(QRect(2800, 600, 2, 18)); };
    pointer.at = QPointF(100, 100);  // elsewhere: the caret decides
    placement.prefetchCaret();
    place();
    ASSERT_TRUE(queue.waitFor([&] { return calls == 1; }));
    ASSERT_TRUE(result && result->frame);
    EXPECT_TRUE(second.visibleFrame.contains(*result->frame)) << result->frame->x();

    placement.reset();
    workspace.frontmost.reset();
    pointer.at = QPointF(2000, 300);
    place();
    ASSERT_TRUE(queue.waitFor([&] { return calls == 2; }));
    ASSERT_TRUE(result->frame);
    EXPECT_TRUE(second.visibleFrame.contains(*result->frame)) << result->frame->x();

    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("top"));  // no icon: the pointer's screen
    place();
    ASSERT_TRUE(result->frame);
    EXPECT_TRUE(second.visibleFrame.contains(*result->frame)) << result->frame->x();
}

TEST_F(PlacementFlowTest, RefusedWhenTheOnlyPlaceLeftCoversTheCaret) {
    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("cursor"));
    workspace.frontmost.reset();
    screens.screens = {{QRectF(0, 0, 400, 100), QRectF(0, 0, 400, 100)}};
    pointer.at = QPointF(200, 40);
    icon = QRectF(188, 94, 24, 6);  // right over the caret
    place(QSizeF(300, 60));
    ASSERT_TRUE(queue.waitFor([&] { return calls == 1; }));
    EXPECT_FALSE(result->shown);
    EXPECT_FALSE(result->frame);
}

}  // namespace
