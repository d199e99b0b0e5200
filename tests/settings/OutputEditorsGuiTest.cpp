// The three option pages of the text output: quality, output language and newlines.
#include "settings/screens/NewlineEditor.h"
#include "settings/screens/OutputLanguageEditor.h"
#include "settings/screens/QualityEditor.h"

#include "settings/screens/OptionList.h"
#include "settings/ui/PickCard.h"
#include "settings/ui/WhyDisabled.h"

#include "TextScreensFixture.h"

namespace {

class OutputEditorsTest : public TextScreensFixture {};

QStringList titles(OptionCardList* list) {
    QStringList all;
    for (PickCard* card : list->cards()) all << card->item().title;
    return all;
}

// The index of the selected card, or -1.
int selected(OptionCardList* list) {
    for (int i = 0; i < list->cards().size(); ++i)
        if (list->cards()[i]->isSelected()) return i;
    return -1;
}

TEST_F(OutputEditorsTest, QualityOffersLowAndMaxAndStoresTheTappedTier) {
    defaults.set(QStringLiteral("qualityLevel"), QStringLiteral("middle"));
    defaults.set(QStringLiteral("qualityLevelSchema"), 2);
    BetaSettingsModel& model = makeModel();
    auto* screen = new QualityEditor(model);
    TextScreenHost host(screen);
    ASSERT_EQ(model.qualityLevel(), QStringLiteral("middle"));

    EXPECT_EQ(titles(screen->cards()), (QStringList{"Low", "Max"}));
    EXPECT_EQ(selected(screen->cards()), -1);  // "High" has no card here
    EXPECT_EQ(screen->section()->note(), nullptr);

    press(screen->cards()->cards()[1]);
    EXPECT_EQ(stored("qualityLevel"), QStringLiteral("high"));
    EXPECT_EQ(stored("transcriptionRoute"), QStringLiteral("auto"));
    EXPECT_EQ(selected(screen->cards()), 1);
    // The selected card again: stored, logged and told again.
    press(screen->cards()->cards()[1]);
    EXPECT_EQ(settingsChanged, 2);
    EXPECT_EQ(logMessages().count(QStringLiteral("Quality: Max")), 2);

    press(screen->cards()->cards()[0]);
    EXPECT_EQ(stored("qualityLevel"), QStringLiteral("low"));
    EXPECT_EQ(stored("transcriptionRoute"), QStringLiteral("local"));
}

TEST_F(OutputEditorsTest, OutputLanguageIsDimmedBelowMaxButKeepsTheStoredChoiceMarked) {
    defaults.set(QStringLiteral("qualityLevel"), QStringLiteral("low"));
    defaults.set(QStringLiteral("qualityLevelSchema"), 2);
    defaults.set(QStringLiteral("outputLanguage"), QStringLiteral("keyboard"));
    BetaSettingsModel& model = makeModel();
    auto* screen = new OutputLanguageEditor(model);
    TextScreenHost host(screen);

    EXPECT_EQ(titles(screen->cards()), (QStringList{"話したまま", "キーボードに合わせる"}));
    EXPECT_EQ(selected(screen->cards()), 1);
    EXPECT_TRUE(screen->cards()->optionsDisabled());
    EXPECT_DOUBLE_EQ(screen->cards()->opacity(), 0.45);
    ASSERT_NE(screen->section()->note(), nullptr);
    EXPECT_EQ(screen->section()->note()->text(),
              QStringLiteral("言語を変えられるのは Max のときだけです。ここを使うには「アウトプットの品質」を Max にして、「文章の整えかた」も入にしてください。"));
    press(screen->cards()->cards()[0]);
    EXPECT_EQ(stored("outputLanguage"), QStringLiteral("keyboard"));  // dimmed cards take no taps
    EXPECT_EQ(model.outputLanguageLabel(), QStringLiteral("話したまま"));

    // Max, chosen anywhere, undims the list at once.
    model.setQualityLevel(QStringLiteral("high"));
    EXPECT_FALSE(screen->cards()->optionsDisabled());
    EXPECT_EQ(screen->section()->note(), nullptr);
    press(screen->cards()->cards()[0]);
    EXPECT_EQ(stored("outputLanguage"), QStringLiteral("spoken"));
    EXPECT_EQ(logMessages().last(), QStringLiteral("アウトプットの言語: 話したまま"));
}

TEST_F(OutputEditorsTest, NewlinesAreDimmedWhileCleanupIsOffAndTheStoredStyleSurvives) {
    defaults.set(QStringLiteral("cleanup"), false);
    defaults.set(QStringLiteral("newlineStyle"), QStringLiteral("blank"));
    BetaSettingsModel& model = makeModel();
    ASSERT_EQ(model.cleanupMode(), QStringLiteral("off"));
    auto* screen = new NewlineEditor(model);
    TextScreenHost host(screen);

    EXPECT_EQ(titles(screen->cards()), (QStringList{"入れない", "改行する", "1行空ける", "使い分ける"}));
    EXPECT_EQ(selected(screen->cards()), 2);
    EXPECT_TRUE(screen->cards()->optionsDisabled());
    ASSERT_NE(screen->section()->note(), nullptr);
    EXPECT_EQ(screen->section()->note()->text(),
              QStringLiteral("改行を入れられるのは文章を整えるときだけです。「文章の整えかた」を入にしてください。"));
    EXPECT_EQ(model.newlineStyleLabel(), QStringLiteral("入れない"));

    model.setCleanupMode(QStringLiteral("standard"));
    EXPECT_FALSE(screen->cards()->optionsDisabled());
    EXPECT_EQ(model.newlineStyleLabel(), QStringLiteral("1行空ける"));
    const int before = settingsChanged;
    press(screen->cards()->cards()[3]);
    EXPECT_EQ(stored("newlineStyle"), QStringLiteral("smart"));
    press(screen->cards()->cards()[3]);
    EXPECT_EQ(settingsChanged, before + 2);
}

}  // namespace
