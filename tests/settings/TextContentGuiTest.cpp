#include "settings/screens/TextContent.h"

#include "settings/SettingsNav.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/Row.h"
#include "settings/ui/SwitchToggle.h"
#include "settings/ui/ToggleRow.h"

#include "TextScreensFixture.h"

namespace {

using S = SettingsScreen;

class TextContentTest : public TextScreensFixture {};

QStringList values(const TextContent& screen) {
    QStringList all;
    for (Row* row : screen.rows()) all << row->value();
    return all;
}

TEST_F(TextContentTest, RowsShowTheEffectiveValuesAndFollowTheModel) {
    defaults.set(QStringLiteral("qualityLevel"), QStringLiteral("low"));
    defaults.set(QStringLiteral("qualityLevelSchema"), 2);
    defaults.set(QStringLiteral("outputLanguage"), QStringLiteral("keyboard"));
    defaults.set(QStringLiteral("cleanup"), false);
    defaults.set(QStringLiteral("newlineStyle"), QStringLiteral("line"));
    defaults.set(QStringLiteral("corrections"), QStringLiteral("a → b\nメモ\nc=d"));
    BetaSettingsModel& model = makeModel();
    SettingsNav nav;
    auto* screen = static_cast<TextContent*>(makeTextScreen(model, nav, ScreenContext{}));
    TextScreenHost host(screen);

    EXPECT_EQ(values(*screen), (QStringList{"Low", "話したまま", "整えない", "入れない", "", "2件", "指定なし"}));

    model.setQualityLevel(QStringLiteral("high"));
    model.setCleanupMode(QStringLiteral("formal"));
    model.setField(QStringLiteral("marketing"));
    EXPECT_EQ(values(*screen),
              (QStringList{"Max", "キーボードに合わせる", "ていねいに", "改行する", "", "2件", "広告・マーケティング"}));

    // Unsaved rules do not count; saved ones do.
    model.setCorrections(QString());
    EXPECT_EQ(screen->rows()[5]->value(), QStringLiteral("2件"));
    model.saveCorrections();
    EXPECT_EQ(screen->rows()[5]->value(), QStringLiteral("なし"));
}

TEST_F(TextContentTest, EachRowOpensItsPageForward) {
    BetaSettingsModel& model = makeModel();
    SettingsNav nav;
    auto* screen = new TextContent(model, nav);
    TextScreenHost host(screen);
    const QList<S> expected{S::quality,    S::outputLanguage, S::cleanup, S::newline,
                            S::vocabulary, S::corrections,    S::job};
    for (int i = 0; i < expected.size(); ++i) {
        nav.setBack(true);
        EXPECT_TRUE(screen->rows()[i]->isVisible()) << i;
        press(screen->rows()[i]);
        EXPECT_EQ(nav.top(), expected[i]);
        EXPECT_FALSE(nav.back());
    }
}

TEST_F(TextContentTest, SwitchesWriteTheirKeysAtOnce) {
    BetaSettingsModel& model = makeModel();
    SettingsNav nav;
    auto* screen = new TextContent(model, nav);
    TextScreenHost host(screen);
    ASSERT_EQ(screen->toggles().size(), 2);
    EXPECT_EQ(screen->toggles()[0]->title(), QStringLiteral("入れたあとに「言い直しに追加」を出す"));
    EXPECT_EQ(screen->toggles()[1]->title(), QStringLiteral("入力した文字をクリップボードに残す"));
    EXPECT_TRUE(screen->toggles()[0]->toggle()->isChecked());
    EXPECT_FALSE(screen->toggles()[1]->toggle()->isChecked());

    press(screen->toggles()[0]->toggle());
    press(screen->toggles()[1]->toggle());
    EXPECT_EQ(defaults.object(QStringLiteral("correctionBar")), QVariant(false));
    EXPECT_EQ(defaults.object(QStringLiteral("keepInsertedTextOnClipboard")), QVariant(true));
    EXPECT_EQ(settingsChanged, 2);

    // A change made elsewhere shows on the switch.
    model.setCorrectionBarEnabled(true);
    EXPECT_TRUE(screen->toggles()[0]->toggle()->isChecked());
}

}  // namespace
