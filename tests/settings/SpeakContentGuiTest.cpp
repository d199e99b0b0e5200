#include "settings/screens/SpeakContent.h"

#include "settings/SettingsNav.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/Row.h"
#include "settings/ui/SwitchToggle.h"
#include "settings/ui/ToggleRow.h"

#include "SpeechScreensFixture.h"

namespace {

using S = SettingsScreen;

class SpeakContentTest : public SpeechScreensFixture {};

QStringList values(const SpeakContent& screen) {
    QStringList all;
    for (Row* row : screen.rows()) all << row->value();
    return all;
}

TEST_F(SpeakContentTest, RowsShowTheStoredValuesAndFollowTheModel) {
    defaults.set(QStringLiteral("triggerKeyCode"), 60);
    defaults.set(QStringLiteral("holdToTalk"), false);
    defaults.set(QStringLiteral("inputQualityPercent"), 60);
    defaults.set(QStringLiteral("spokenLanguage"), QStringLiteral("ja"));
    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("cursor"));
    for (const QString& key : BetaSettingsModel::soundKeys()) defaults.set(key, QStringLiteral("なし"));
    BetaSettingsModel& model = makeModel();
    SettingsNav nav;
    auto* screen = new SpeakContent(model, nav);
    ScreenHost host(screen);

    QStringList titles;
    for (Row* row : screen->rows()) titles << row->title();
    EXPECT_EQ(titles, (QStringList{"音声入力キー", "キーの使いかた", "インプットの品質", "話す言語", "切りかえパネル", "効果音"}));
    EXPECT_EQ(values(*screen), (QStringList{"⇧ 右シフト", "押して開始・停止", "60%", "日本語", "カーソルの近くに出す", "オフ"}));

    model.setHoldToTalk(true);
    model.setSound(QStringLiteral("Glass"), 3);
    model.setInputQualityPercent(100);
    EXPECT_EQ(screen->rows()[1]->value(), QStringLiteral("押している間だけ話す"));
    EXPECT_EQ(screen->rows()[2]->value(), QStringLiteral("100%"));
    EXPECT_EQ(screen->rows()[5]->value(), QStringLiteral("オン"));
}

TEST_F(SpeakContentTest, SoundSummaryIsOnAsSoonAsOneMomentHasASound) {
    EXPECT_EQ(SpeakContent::soundSummary({}), QStringLiteral("オフ"));
    EXPECT_EQ(SpeakContent::soundSummary({"なし", "なし", "なし", "なし"}), QStringLiteral("オフ"));
    EXPECT_EQ(SpeakContent::soundSummary({"なし", "なし", "Pop", "なし"}), QStringLiteral("オン"));
    // Only the exact word means no sound.
    EXPECT_EQ(SpeakContent::soundSummary({"なし ", "なし", "なし", "なし"}), QStringLiteral("オン"));
}

TEST_F(SpeakContentTest, EachRowOpensItsEditorForward) {
    BetaSettingsModel& model = makeModel();
    SettingsNav nav;
    auto* screen = new SpeakContent(model, nav);
    ScreenHost host(screen);
    const QList<S> expected{S::triggerKey, S::holdMode, S::inputQuality, S::spokenLanguage, S::hudPlacement, S::sounds};
    for (qsizetype i = 0; i < expected.size(); ++i) {
        nav.resetToRoot();
        screen->rows()[i]->click();
        EXPECT_EQ(nav.stack(), (QList<S>{S::root, expected[i]})) << i;
        EXPECT_FALSE(nav.back()) << i;
    }
}

TEST_F(SpeakContentTest, LaunchAtLoginSwitchStoresAppliesAndTellsTheShell) {
    BetaSettingsModel& model = makeModel();
    SettingsNav nav;
    auto* screen = new SpeakContent(model, nav);
    ScreenHost host(screen);
    ASSERT_TRUE(model.launchAtLogin());
    EXPECT_TRUE(screen->launchAtLoginToggle()->toggle()->isChecked());

    screen->launchAtLoginToggle()->toggle()->click();
    EXPECT_EQ(defaults.object(QStringLiteral("launchAtLogin")), QVariant(false));
    EXPECT_EQ(launchAtLoginApplied, 1);
    EXPECT_EQ(settingsChanged, 1);
    EXPECT_FALSE(screen->launchAtLoginToggle()->toggle()->isChecked());

    // A change made elsewhere shows on the switch.
    model.setLaunchAtLogin(true);
    EXPECT_TRUE(screen->launchAtLoginToggle()->toggle()->isChecked());
}

}  // namespace
