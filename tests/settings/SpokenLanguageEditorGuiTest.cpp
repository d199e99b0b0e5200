#include "settings/screens/SpokenLanguageEditor.h"

#include "settings/SettingsNav.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/CheckRow.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/RowLine.h"

#include "SpeechScreensFixture.h"

namespace {

class SpokenLanguageEditorTest : public SpeechScreensFixture {};

QList<bool> checks(const OptionCheckList& list) {
    QList<bool> all;
    for (CheckRow* row : list.rows()) all << row->isChecked();
    return all;
}

TEST_F(SpokenLanguageEditorTest, RowsInOrderWithTheirSubtitlesAndTwoDividers) {
    BetaSettingsModel& model = makeModel();
    auto* screen = new SpokenLanguageEditor(model);
    ScreenHost host(screen);
    QStringList titles, subtitles;
    for (CheckRow* row : screen->list()->rows()) {
        titles << row->title();
        subtitles << row->subtitleLabel()->text();
    }
    EXPECT_EQ(titles, (QStringList{"キーボードのまま", "日本語", "English"}));
    // The switch picks a keyboard layout group; it never puts an input method into a mode.
    EXPECT_EQ(subtitles.at(1), QStringLiteral("話すとき、入力ソースを日本語のキー配列（jp）に切り替えます"));
    EXPECT_EQ(subtitles.at(2), QStringLiteral("話すとき、入力ソースを英語のキー配列（us など）に切り替えます"));
    EXPECT_EQ(screen->list()->findChildren<RowLine*>().size(), 2);
    EXPECT_EQ(checks(*screen->list()), (QList<bool>{true, false, false}));
}

TEST_F(SpokenLanguageEditorTest, ChoosingALanguageStoresItAndSwitchesTheInputSource) {
    BetaSettingsModel& model = makeModel();
    auto* screen = new SpokenLanguageEditor(model);
    ScreenHost host(screen);

    screen->list()->rows()[1]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("spokenLanguage")), QVariant(QStringLiteral("ja")));
    EXPECT_EQ(inputSourceSwitches, QList<int>{0});
    EXPECT_EQ(settingsChanged, 1);
    EXPECT_EQ(checks(*screen->list()), (QList<bool>{false, true, false}));

    screen->list()->rows()[2]->click();
    EXPECT_EQ(inputSourceSwitches, (QList<int>{0, 1}));

    // Keeping the keyboard's language never touches the input source.
    screen->list()->rows()[0]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("spokenLanguage")), QVariant(QStringLiteral("keyboard")));
    EXPECT_EQ(inputSourceSwitches, (QList<int>{0, 1}));
    EXPECT_EQ(settingsChanged, 3);
}

}  // namespace
