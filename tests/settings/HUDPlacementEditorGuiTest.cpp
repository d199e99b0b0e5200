#include "settings/screens/HUDPlacementEditor.h"

#include "settings/SettingsNav.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/CheckRow.h"
#include "settings/ui/RowLine.h"

#include "SpeechScreensFixture.h"

namespace {

class HUDPlacementEditorTest : public SpeechScreensFixture {};

QList<bool> checks(const OptionCheckList& list) {
    QList<bool> all;
    for (CheckRow* row : list.rows()) all << row->isChecked();
    return all;
}

TEST_F(HUDPlacementEditorTest, ChoosingAPlacementStoresItWithoutTellingTheShell) {
    BetaSettingsModel& model = makeModel();
    auto* screen = new HUDPlacementEditor(model);
    ScreenHost host(screen);
    QStringList titles;
    for (CheckRow* row : screen->list()->rows()) titles << row->title();
    EXPECT_EQ(titles, (QStringList{"アイコンのそばに出す", "カーソルの近くに出す", "出さない"}));
    EXPECT_EQ(screen->list()->findChildren<RowLine*>().size(), 2);
    EXPECT_EQ(checks(*screen->list()), (QList<bool>{true, false, false}));

    screen->list()->rows()[2]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("recordingHUDPlacement")), QVariant(QStringLiteral("off")));
    EXPECT_EQ(checks(*screen->list()), (QList<bool>{false, false, true}));
    EXPECT_EQ(settingsChanged, 0);
}

TEST_F(HUDPlacementEditorTest, AStoredPlacementWrittenElsewhereShows) {
    defaults.set(QStringLiteral("recordingHUDPlacement"), QStringLiteral("cursor"));
    BetaSettingsModel& model = makeModel();
    SettingsNav nav;
    auto* screen = qobject_cast<HUDPlacementEditor*>(makeHudPlacementScreen(model, nav, ScreenContext{}));
    ASSERT_NE(screen, nullptr);
    ScreenHost host(screen);
    EXPECT_EQ(checks(*screen->list()), (QList<bool>{false, true, false}));
    model.setHudPlacement(QStringLiteral("top"));
    EXPECT_EQ(checks(*screen->list()), (QList<bool>{true, false, false}));
}

}  // namespace
