#include "settings/screens/HoldEditor.h"

#include "TestHome.h"
#include "core/ExternalConfig.h"
#include "platform/fake/FakeMainQueue.h"
#include "settings/SettingsNav.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/CheckRow.h"

#include "SpeechScreensFixture.h"

namespace {

class HoldEditorTest : public SpeechScreensFixture {};

QList<bool> checks(const QList<CheckRow*>& rows) {
    QList<bool> all;
    for (CheckRow* row : rows) all << row->isChecked();
    return all;
}

TEST_F(HoldEditorTest, ModeRowsStoreHoldToTalkAndMarkTheStoredMode) {
    defaults.set(QStringLiteral("holdToTalk"), false);
    BetaSettingsModel& model = makeModel();
    auto* screen = new HoldEditor(model);
    ScreenHost host(screen);
    EXPECT_EQ(screen->modeRows()[0]->title(), QStringLiteral("押している間だけ話す"));
    EXPECT_EQ(screen->modeRows()[1]->title(), QStringLiteral("1回押して話し、もう1回押して止める"));
    EXPECT_EQ(checks(screen->modeRows()), (QList<bool>{false, true}));
    // The delay list stays usable in toggle mode.
    for (CheckRow* row : screen->delayRows()) EXPECT_TRUE(row->isEnabled());

    screen->modeRows()[0]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("holdToTalk")), QVariant(true));
    EXPECT_EQ(settingsChanged, 1);
    EXPECT_EQ(checks(screen->modeRows()), (QList<bool>{true, false}));

    // Choosing the mode already chosen writes and tells the shell again.
    screen->modeRows()[0]->click();
    EXPECT_EQ(settingsChanged, 2);
}

TEST_F(HoldEditorTest, DelayRowsStoreExactlyTheirValue) {
    BetaSettingsModel& model = makeModel();
    auto* screen = new HoldEditor(model);
    ScreenHost host(screen);
    ASSERT_EQ(screen->delayRows().size(), 5);
    EXPECT_EQ(checks(screen->delayRows()), (QList<bool>{true, false, false, false, false}));

    screen->delayRows()[3]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("holdThreshold")).toDouble(), 0.75);
    EXPECT_EQ(settingsChanged, 1);
    EXPECT_EQ(checks(screen->delayRows()), (QList<bool>{false, false, false, true, false}));
    EXPECT_EQ(screen->delayRows()[1]->title(), QStringLiteral("0.25秒"));
}

TEST_F(HoldEditorTest, ADelayBetweenOptionsMarksNone) {
    BetaSettingsModel& model = makeModel();
    auto* screen = new HoldEditor(model);
    ScreenHost host(screen);
    model.setHoldDelay(0.3);
    EXPECT_EQ(checks(screen->delayRows()), (QList<bool>{false, false, false, false, false}));
    model.setHoldDelay(0.2501);
    EXPECT_EQ(checks(screen->delayRows()), (QList<bool>{false, true, false, false, false}));
    model.setHoldDelay(0.251);
    EXPECT_EQ(checks(screen->delayRows()), (QList<bool>{false, false, false, false, false}));
    EXPECT_FALSE(HoldEditor::delayMatches(1.002, 1.0));
    EXPECT_TRUE(HoldEditor::delayMatches(0.9995, 1.0));
}

// The editor, the store and the settings watcher together, as the running application has them.
TEST_F(HoldEditorTest, ChoosingAtOnceStaysAndARefusedDelayShowsTheValueInForce) {
    TestHome home;
    FakeMainQueue queue;
    defaults.setFromOutside(QStringLiteral("holdThreshold"), 0.5);
    ExternalConfig watcher(defaults, nullptr);
    watcher.start({}, &BetaSettingsModel::reloadAll);
    queue.runPending();
    BetaSettingsModel& model = makeModel();
    auto* screen = new HoldEditor(model);
    ScreenHost host(screen);
    ASSERT_EQ(checks(screen->delayRows()), (QList<bool>{false, false, true, false, false}));

    // "すぐ（0秒）", the default: the watcher lets it be.
    screen->delayRows()[0]->click();
    queue.runPending();
    EXPECT_EQ(defaults.object(QStringLiteral("holdThreshold")), QVariant(0.0));
    EXPECT_EQ(checks(screen->delayRows()), (QList<bool>{true, false, false, false, false}));
    EXPECT_TRUE(home.logLines().contains(QStringLiteral("外から設定が変わった: holdThreshold = 0.0")));

    // A delay the watcher refuses goes back to the last good one, and the screen shows that one.
    model.setHoldDelay(2.0);
    queue.runPending();
    EXPECT_EQ(defaults.object(QStringLiteral("holdThreshold")), QVariant(0.0));
    EXPECT_EQ(model.holdDelay(), 0.0);
    EXPECT_EQ(checks(screen->delayRows()), (QList<bool>{true, false, false, false, false}));
}

}  // namespace
