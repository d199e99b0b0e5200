// The recording panel's window: the delayed show, the fades, a steady top-centre while the content
// changes, the arrow flash, the carousel's slide, chip clicks, the pulse, and that it never takes
// the keyboard focus from the editor the user dictates into.
#include "../support/target/TargetApp.h"
#include "core/AppPrefs.h"
#include "dictation/ui/RecordingHUDPanel.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePointer.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/ui/QtScreens.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include "TestHome.h"

// Xlib's macros clash with Qt's names: last.
#include "SessionWindowManager.h"

namespace {

QUENDLE_REAL_WINDOWS_IN_SESSION();

QPointF topCentre(const QWidget* w) { return QPointF(w->x() + w->width() / 2.0, w->y()); }

class RecordingHUDPanelTest : public ::testing::Test {
protected:
    RecordingHUDPanelTest() {
        AppPrefs::setDefaults(&defaults);
        AppPrefs::setQualityLevel(QStringLiteral("high"));
        defaults.set(QStringLiteral("serviceKey"), QStringLiteral("key"));
        defaults.set(QStringLiteral("cleanup"), true);
        defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("standard"));
        screens.screens.append({QRectF(0, 0, 1600, 1000), QRectF(0, 0, 1600, 970)});
    }
    ~RecordingHUDPanelTest() override { AppPrefs::setDefaults(nullptr); }

    const HUDContent::Chip& cleanupChip(int k) const {
        int seen = 0;
        for (const auto& chip : panel.content().chips)
            if (chip.kind == HUDContent::ChipKind::Cleanup && seen++ == k) return chip;
        throw std::out_of_range("no such chip");
    }
    void showNow() {
        panel.show();
        queue.advance(RecordingHUDPanel::kShowDelay + RecordingHUDPanel::kFadeIn + 0.05);
    }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakeAccessibility accessibility;
    FakeWorkspace workspace;
    FakePointer pointer;
    FakeScreens screens;
    std::optional<QRectF> icon;
    RecordingHUDPanel panel{{accessibility, workspace, pointer, screens, [this] { return icon; }}};
};

TEST_F(RecordingHUDPanelTest, ShowWaitsHideFadesAndAQuickHideShowsNothing) {
    panel.show();
    queue.advance(0.1);
    panel.show();  // a second show starts the wait again
    queue.advance(0.1);
    EXPECT_FALSE(panel.exists());
    queue.advance(0.05);
    ASSERT_TRUE(panel.exists());
    QWidget* w = panel.window();
    EXPECT_TRUE(w->isVisible());
    EXPECT_DOUBLE_EQ(w->windowOpacity(), 0.0);
    queue.advance(RecordingHUDPanel::kFadeIn + 0.02);
    EXPECT_DOUBLE_EQ(w->windowOpacity(), 1.0);
    // Under the top of the screen, centred (no tray icon position known).
    EXPECT_EQ(w->size(), panel.content().size.toSize());
    EXPECT_EQ(w->y(), 1000 - 962);
    EXPECT_NEAR(topCentre(w).x(), 800, 1);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(w->testAttribute(Qt::WA_ShowWithoutActivating));

    panel.hide();
    EXPECT_TRUE(w->isVisible());
    queue.advance(RecordingHUDPanel::kFadeOut + 0.02);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(panel.exists());

    panel.show();
    queue.advance(0.1);
    panel.hide();
    queue.advance(1.0);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(panel.isShowPending());

    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("off"));
    panel.show();
    EXPECT_FALSE(panel.isShowPending());
    panel.update();  // an arrow key, a flick or a chip click during the recording
    queue.advance(1.0);
    EXPECT_FALSE(w->isVisible());

    // Turned off while the panel is up: the next change takes it away instead of redrawing it.
    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("top"));
    showNow();
    ASSERT_TRUE(w->isVisible());
    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("off"));
    panel.update();
    queue.advance(1.0);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(RecordingHUDPanelTest, AShowDuringTheFadeOutKeepsThePanel) {
    showNow();
    QWidget* w = panel.window();
    panel.hide();
    queue.advance(0.05);
    panel.show();  // still visible: rebuilt and placed again at once
    queue.advance(0.5);
    EXPECT_TRUE(w->isVisible());
    EXPECT_DOUBLE_EQ(w->windowOpacity(), 1.0);
}

// The recording is over once the panel was hidden: a chip clicked while it fades, an arrow key
// that came just before the stop or a change after the fade leaves it hidden until the next show.
TEST_F(RecordingHUDPanelTest, AfterAHideOnlyTheNextShowBringsThePanelBack) {
    showNow();
    QWidget* w = panel.window();
    panel.hide();
    queue.advance(0.05);
    ASSERT_TRUE(w->isVisible());
    EXPECT_TRUE(panel.clickAt(cleanupChip(2).frame.center()));
    panel.pendingFlash = RecordingHUD::Arrow::Right;
    panel.update();
    queue.advance(RecordingHUDPanel::kFadeOut);
    EXPECT_FALSE(w->isVisible());
    panel.update();
    queue.advance(0.5);
    EXPECT_FALSE(w->isVisible());

    showNow();
    EXPECT_TRUE(w->isVisible());
    EXPECT_DOUBLE_EQ(w->windowOpacity(), 1.0);
    EXPECT_EQ(cleanupChip(1).value, AppPrefs::cleanupStyle());
}

// A tap ends before the show delay. An arrow key or a flick handled while the key is still down or
// just after the tap changes the choices but brings no panel up, whether an earlier recording made
// the window or not; a recording that goes on shows the panel after the delay, with the flash.
TEST_F(RecordingHUDPanelTest, ATapShorterThanTheShowDelayThenAnArrowOrAFlickShowsNothing) {
    const auto onScreen = [&] { return panel.exists() && panel.window()->isVisible(); };
    for (const bool earlierRecording : {false, true}) {
        SCOPED_TRACE(earlierRecording ? "after a recording" : "first recording");
        if (earlierRecording) {
            showNow();
            panel.hide();
            queue.advance(RecordingHUDPanel::kFadeOut + 0.05);
            ASSERT_FALSE(onScreen());
        }
        panel.show();
        queue.advance(0.05);
        panel.pendingFlash = RecordingHUD::Arrow::Up;  // while the key is still down
        panel.update();
        EXPECT_FALSE(onScreen());
        queue.advance(0.05);
        EXPECT_FALSE(onScreen());
        panel.hide();
        panel.pendingFlash = RecordingHUD::Arrow::Down;  // just after the tap
        panel.update();
        AppPrefs::setCleanupMode(QStringLiteral("formal"));  // a flick
        panel.update();
        for (int step = 0; step < 10 && !onScreen(); ++step) queue.advance(0.1);
        EXPECT_FALSE(onScreen());
        AppPrefs::setCleanupMode(QStringLiteral("standard"));
    }

    panel.show();
    queue.advance(0.05);
    panel.pendingFlash = RecordingHUD::Arrow::Up;
    panel.update();
    queue.advance(RecordingHUDPanel::kShowDelay);
    EXPECT_TRUE(onScreen());
    EXPECT_GT(panel.arrowAlpha(RecordingHUD::Arrow::Up), HUDContent::kArrowRestAlpha + 0.2);
}

TEST_F(RecordingHUDPanelTest, AVisiblePanelKeepsItsTopCentreFlashesTheArrowAndSlidesOneStep) {
    showNow();
    QWidget* w = panel.window();
    const QPointF anchor = topCentre(w);
    EXPECT_EQ(cleanupChip(1).value, QStringLiteral("standard"));

    AppPrefs::setCleanupMode(QStringLiteral("formal"));
    panel.pendingFlash = RecordingHUD::Arrow::Right;
    panel.update();
    EXPECT_EQ(panel.pendingFlash, RecordingHUD::Arrow());  // None (a name Xlib takes)
    EXPECT_EQ(cleanupChip(1).value, QStringLiteral("formal"));
    EXPECT_TRUE(cleanupChip(1).isOn);
    EXPECT_DOUBLE_EQ(panel.arrowAlpha(RecordingHUD::Arrow::Right), 1.0);
    EXPECT_DOUBLE_EQ(panel.arrowAlpha(RecordingHUD::Arrow::Left), HUDContent::kArrowRestAlpha);
    EXPECT_DOUBLE_EQ(panel.slideOffset(), panel.content().cleanupStride);
    EXPECT_DOUBLE_EQ(w->windowOpacity(), 1.0);  // no second fade-in
    EXPECT_EQ(topCentre(w), anchor);
    queue.advance(RecordingHUDPanel::kFlash + 0.02);
    EXPECT_DOUBLE_EQ(panel.arrowAlpha(RecordingHUD::Arrow::Right), HUDContent::kArrowRestAlpha);
    EXPECT_DOUBLE_EQ(panel.slideOffset(), 0.0);

    // Backwards slides the other way; a jump of two does not slide; a rebuild without a new
    // flash leaves every arrow at rest.
    AppPrefs::setCleanupMode(QStringLiteral("standard"));
    panel.update();
    EXPECT_DOUBLE_EQ(panel.slideOffset(), -panel.content().cleanupStride);
    EXPECT_DOUBLE_EQ(panel.arrowAlpha(RecordingHUD::Arrow::Right), HUDContent::kArrowRestAlpha);
    AppPrefs::setCleanupMode(QStringLiteral("junior"));
    panel.update();
    EXPECT_DOUBLE_EQ(panel.slideOffset(), 0.0);

    // After a hide the next recording is placed afresh.
    panel.hide();
    queue.advance(0.5);
    w->move(0, 500);
    showNow();
    EXPECT_EQ(topCentre(w).y(), 1000 - 962);
}

TEST_F(RecordingHUDPanelTest, ClickingChipsChangesTheChoicesAndTurnsTheCarousel) {
    showNow();
    const HUDContent::Chip next = cleanupChip(2);
    EXPECT_EQ(next.value, QStringLiteral("formal"));
    ASSERT_TRUE(panel.clickAt(next.frame.center()));
    EXPECT_EQ(AppPrefs::cleanupStyle(), QStringLiteral("formal"));
    EXPECT_EQ(cleanupChip(1).value, QStringLiteral("formal"));
    EXPECT_DOUBLE_EQ(panel.slideOffset(), panel.content().cleanupStride);

    // The quality column: "Low" on top.
    const auto low = panel.content().chips.at(0);
    ASSERT_EQ(low.value, QStringLiteral("low"));
    ASSERT_TRUE(panel.clickAt(low.frame.center()));
    EXPECT_EQ(AppPrefs::qualityLevel(), QStringLiteral("low"));
    EXPECT_TRUE(panel.content().chips.at(0).isOn);

    // Session mode picks for this send through the hooks and leaves the settings.
    std::optional<QString> pick;
    panel.hooks.sessionStyle = [&] { return pick; };
    panel.hooks.pickStyleForSend = [&](const QString& s) { pick = s; };
    AppPrefs::setQualityLevel(QStringLiteral("high"));
    defaults.set(QStringLiteral("modeSelectStyle"), QStringLiteral("session"));
    panel.update();
    ASSERT_TRUE(panel.clickAt(cleanupChip(0).frame.center()));  // left of "off": "lover"
    EXPECT_EQ(pick, QStringLiteral("lover"));
    EXPECT_EQ(AppPrefs::cleanupStyle(), QStringLiteral("formal"));
    EXPECT_EQ(cleanupChip(1).value, QStringLiteral("lover"));
    EXPECT_DOUBLE_EQ(panel.slideOffset(), -panel.content().cleanupStride);

    EXPECT_FALSE(panel.clickAt(QPointF(2, 2)));  // the panel's rim is no chip
}

TEST_F(RecordingHUDPanelTest, PulseGrowsWithTheLevel) {
    EXPECT_FALSE(panel.hasMicPulse());
    showNow();
    ASSERT_TRUE(panel.hasMicPulse());
    const QRectF pulse = panel.content().pulse;
    // A point 16 points right of the centre: outside the quiet disc, inside the loud ring.
    const QPoint probe = (pulse.center() + QPointF(16, 0)).toPoint();
    panel.setMicPulse(0.0f);
    const QColor quiet = panel.window()->grab().toImage().pixelColor(probe);
    panel.setMicPulse(1.0f);
    const QColor loud = panel.window()->grab().toImage().pixelColor(probe);
    EXPECT_GT(loud.red() - loud.blue(), quiet.red() - quiet.blue() + 40);
    panel.setMicPulse(std::nanf(""));
    EXPECT_EQ(panel.micPulse(), 0.0f);
}

TEST_F(RecordingHUDPanelTest, NoRoomBesideTheCaretLeavesThePanelHidden) {
    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("cursor"));
    screens.screens = {{QRectF(0, 0, 400, 90), QRectF(0, 0, 400, 90)}};
    pointer.at = QPointF(200, 40);  // no application in front: the pointer stands for the caret
    icon = QRectF(188, 84, 24, 6);  // right above it
    panel.show();
    queue.advance(0.5);
    ASSERT_TRUE(panel.exists());
    EXPECT_FALSE(panel.window()->isVisible());
}

// On the session's X server under a window manager: the panel never takes the focus.
TEST(RecordingHUDPanelSessionTest, NeverTakesTheFocusFromTheEditor) {
    QUENDLE_REQUIRE_SESSION();
    TestHome home;
    MemoryDefaults defaults;
    AppPrefs::setDefaults(&defaults);
    QtMainQueue queue;
    MainQueue::install(&queue);
    QtScreens screens;
    FakeAccessibility accessibility;
    FakeWorkspace workspace;
    FakePointer pointer;
    SessionWindowManager wm;
    ASSERT_TRUE(wm.ready());
    TargetApp target;
    ASSERT_TRUE(target.started());
    ASSERT_TRUE(target.focus("line"));
    const Window editor = wm.activeWindowOfProcess(target.pid());
    ASSERT_NE(editor, 0u);
    const Window before = wm.inputFocus();
    {
        RecordingHUDPanel panel{{accessibility, workspace, pointer, screens, nullptr}};
        panel.show();
        ASSERT_TRUE(TargetApp::spinUntil([&] {
            return panel.exists() && panel.window()->isVisible() && panel.window()->windowOpacity() >= 1.0;
        }));
        EXPECT_EQ(wm.inputFocus(), before);
        EXPECT_EQ(wm.activeWindow(), editor);
        panel.pendingFlash = RecordingHUD::Arrow::Up;
        panel.update();
        // Typing still reaches the editor (the round trip to it also lets the flash be drawn).
        ASSERT_TRUE(target.setField("line", QStringLiteral("まだ")));
        EXPECT_EQ(wm.inputFocus(), before);
        panel.hide();
        EXPECT_TRUE(TargetApp::spinUntil([&] { return !panel.window()->isVisible(); }));
    }
    AppPrefs::setDefaults(nullptr);
}

}  // namespace
