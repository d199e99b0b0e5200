#include "settings/screens/InputQualityEditor.h"

#include "settings/SettingsNav.h"
#include "settings/screens/OptionList.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/PickCard.h"
#include "settings/ui/WhyDisabled.h"

#include "SpeechScreensFixture.h"

namespace {

class InputQualityEditorTest : public SpeechScreensFixture {};

QList<bool> selection(const OptionCardList& cards) {
    QList<bool> all;
    for (PickCard* card : cards.cards()) all << card->isSelected();
    return all;
}

TEST_F(InputQualityEditorTest, CardsInOrderWithTheDefaultSelected) {
    defaults.set(QStringLiteral("qualityLevel"), QStringLiteral("middle"));
    BetaSettingsModel& model = makeModel();
    auto* screen = new InputQualityEditor(model);
    ScreenHost host(screen);
    QStringList titles;
    for (PickCard* card : screen->cards()->cards()) titles << card->item().title;
    EXPECT_EQ(titles, (QStringList{"100%", "90%", "80%", "70%", "60%"}));
    EXPECT_EQ(selection(*screen->cards()), (QList<bool>{false, false, true, false, false}));
    EXPECT_EQ(screen->section()->note(), nullptr);
    EXPECT_DOUBLE_EQ(screen->cards()->opacity(), 1.0);
}

TEST_F(InputQualityEditorTest, ACardClickStoresThePercentAndTellsTheShell) {
    defaults.set(QStringLiteral("qualityLevel"), QStringLiteral("high"));
    BetaSettingsModel& model = makeModel();
    auto* screen = new InputQualityEditor(model);
    ScreenHost host(screen);
    screen->cards()->cards()[4]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("inputQualityPercent")).toInt(), 60);
    EXPECT_EQ(settingsChanged, 1);
    EXPECT_EQ(selection(*screen->cards()), (QList<bool>{false, false, false, false, true}));
}

TEST_F(InputQualityEditorTest, QualityLowDimsTheCardsUnderANoteUntilTheQualityChanges) {
    defaults.set(QStringLiteral("qualityLevel"), QStringLiteral("low"));
    defaults.set(QStringLiteral("inputQualityPercent"), 90);
    BetaSettingsModel& model = makeModel();
    auto* screen = new InputQualityEditor(model);
    ScreenHost host(screen);
    ASSERT_NE(screen->section()->note(), nullptr);
    EXPECT_EQ(screen->section()->note()->text(), InputQualityEditor::kLowNote);
    EXPECT_TRUE(screen->cards()->optionsDisabled());
    EXPECT_DOUBLE_EQ(screen->cards()->opacity(), 0.45);
    // The stored choice stays marked, and clicks do nothing.
    EXPECT_EQ(selection(*screen->cards()), (QList<bool>{false, true, false, false, false}));
    screen->cards()->cards()[0]->click();
    EXPECT_EQ(model.inputQualityPercent(), 90);
    EXPECT_EQ(settingsChanged, 0);

    model.setQualityLevel(QStringLiteral("high"));
    EXPECT_EQ(screen->section()->note(), nullptr);
    EXPECT_FALSE(screen->cards()->optionsDisabled());
    screen->cards()->cards()[0]->click();
    EXPECT_EQ(defaults.object(QStringLiteral("inputQualityPercent")).toInt(), 100);
}

}  // namespace
