#include "settings/screens/SoundsEditor.h"

#include "settings/SettingsNav.h"
#include "settings/screens/ScreenContext.h"

#include "SpeechScreensFixture.h"

#include <QAbstractButton>
#include <QComboBox>

namespace {

class SoundsEditorTest : public SpeechScreensFixture {};

// What a user's pick in the menu does (the menu itself is a popup).
void choose(QComboBox* picker, const QString& name) {
    const int index = picker->findText(name);
    ASSERT_GE(index, 0) << name.toStdString();
    picker->setCurrentIndex(index);
    emit picker->activated(index);
}

TEST_F(SoundsEditorTest, ShowsTheFourMomentsInOrderWithTheStoredSounds) {
    defaults.set(QStringLiteral("soundStop"), QStringLiteral("なし"));
    BetaSettingsModel& model = makeModel();
    auto* screen = new SoundsEditor(model);
    ScreenHost host(screen);
    ASSERT_EQ(screen->pickers().size(), 4);
    EXPECT_EQ(SoundsEditor::momentLabels(), (QStringList{"録音を始めた時", "送信した時", "文字が入った時", "失敗した時"}));
    QStringList shown;
    for (QComboBox* picker : screen->pickers()) shown << picker->currentText();
    EXPECT_EQ(shown, (QStringList{"Purr", "なし", "Morse", "Tink"}));
    EXPECT_EQ(screen->pickers()[0]->count(), 15);
    EXPECT_EQ(screen->pickers()[0]->itemText(0), QStringLiteral("なし"));
    EXPECT_EQ(screen->pickers()[0]->itemText(14), QStringLiteral("Basso"));
    EXPECT_EQ(screen->previewButtons()[2]->toolTip(), QStringLiteral("鳴らしてみる"));
}

TEST_F(SoundsEditorTest, ChoosingASoundStoresItAndPlaysItOnce) {
    BetaSettingsModel& model = makeModel();
    auto* screen = new SoundsEditor(model);
    ScreenHost host(screen);

    choose(screen->pickers()[2], QStringLiteral("Glass"));
    EXPECT_EQ(defaults.object(QStringLiteral("soundSuccess")), QVariant(QStringLiteral("Glass")));
    EXPECT_EQ(model.sounds().at(2), QStringLiteral("Glass"));
    EXPECT_EQ(sounds.played(), QStringList{"Glass"});

    choose(screen->pickers()[0], QStringLiteral("なし"));
    EXPECT_EQ(defaults.object(QStringLiteral("soundStart")), QVariant(QStringLiteral("なし")));
    EXPECT_EQ(sounds.played(), QStringList{"Glass"});
    // A sound choice is not a change the shell hears about.
    EXPECT_EQ(settingsChanged, 0);
}

TEST_F(SoundsEditorTest, PreviewPlaysTheMomentsSoundThroughTheContext) {
    defaults.set(QStringLiteral("soundFailure"), QStringLiteral("なし"));
    BetaSettingsModel& model = makeModel();
    QStringList previewed;
    ScreenContext context;
    context.previewSound = [&](const QString& name) { previewed.append(name); };
    SettingsNav nav;
    auto* screen = qobject_cast<SoundsEditor*>(makeSoundsScreen(model, nav, context));
    ASSERT_NE(screen, nullptr);
    ScreenHost host(screen);

    screen->previewButtons()[1]->click();
    screen->previewButtons()[3]->click();  // "なし": nothing
    screen->preview(7);                    // no such moment: nothing
    EXPECT_EQ(previewed, QStringList{"Frog"});
    EXPECT_TRUE(sounds.requested().isEmpty());
}

TEST_F(SoundsEditorTest, WithoutAContextPlayerAPreviewCutsThePreviousOneShort) {
    BetaSettingsModel& model = makeModel();
    auto* screen = new SoundsEditor(model);
    ScreenHost host(screen);
    screen->previewButtons()[0]->click();
    screen->previewButtons()[0]->click();
    EXPECT_EQ(sounds.played(), (QStringList{"Purr", "Purr"}));
    EXPECT_FALSE(sounds.isPlaying(1));
    EXPECT_TRUE(sounds.isPlaying(2));
}

TEST_F(SoundsEditorTest, AMissingOrUnknownStoredSoundShowsNoChoiceOrNone) {
    EXPECT_EQ(SoundsEditor::shownSound({"Pop"}, 3), QStringLiteral("なし"));
    EXPECT_EQ(SoundsEditor::shownSound({"Pop"}, -1), QStringLiteral("なし"));
    EXPECT_EQ(SoundsEditor::shownSound({"Pop"}, 0), QStringLiteral("Pop"));

    defaults.set(QStringLiteral("soundStart"), QStringLiteral("Whistle"));
    BetaSettingsModel& model = makeModel();
    auto* screen = new SoundsEditor(model);
    ScreenHost host(screen);
    EXPECT_EQ(screen->pickers()[0]->currentIndex(), -1);
    choose(screen->pickers()[0], QStringLiteral("Pop"));
    EXPECT_EQ(defaults.object(QStringLiteral("soundStart")), QVariant(QStringLiteral("Pop")));
}

}  // namespace
