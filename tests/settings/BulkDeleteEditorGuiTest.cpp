#include "settings/screens/BulkDeleteEditor.h"

#include "settings/SettingsNav.h"
#include "settings/screens/ExtrasContent.h"
#include "settings/screens/FactRow.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/Row.h"
#include "settings/ui/SymbolLabel.h"

#include "ExtrasScreensFixture.h"

namespace {

class BulkDeleteEditorTest : public ExtrasScreensFixture {
protected:
    BulkDeleteEditor& build() {
        makeModel();
        show(makeBulkDeleteScreen(*model, nav, ScreenContext{}));
        return static_cast<BulkDeleteEditor&>(*screen);
    }
    SettingsNav nav;
};

TEST_F(BulkDeleteEditorTest, FirstUseShowsTheFeatureOffWithTheDefaultKeyLocked) {
    BulkDeleteEditor& editor = build();
    EXPECT_FALSE(editor.enabledRow()->toggle()->isChecked());
    EXPECT_EQ(editor.keyPicker()->selectedValue(), QStringLiteral("command"));
    EXPECT_FALSE(editor.keyPicker()->isEnabled());

    // While the feature is off the key cannot be changed here.
    clickSegment(editor.keyPicker(), QStringLiteral("Ctrl + Backspace"));
    EXPECT_FALSE(stored("bulkDeleteKey").isValid());
    EXPECT_EQ(editor.keyPicker()->selectedValue(), QStringLiteral("command"));
    EXPECT_EQ(settingsChanged, 0);
}

TEST_F(BulkDeleteEditorTest, TurningOnUnlocksTheKeyAndTheExtrasRowShowsIt) {
    BulkDeleteEditor& editor = build();
    ExtrasContent extras(*model, nav);
    flip(editor.enabledRow());
    EXPECT_EQ(stored("bulkDelete").toBool(), true);
    EXPECT_TRUE(editor.keyPicker()->isEnabled());
    EXPECT_EQ(extras.bulkDeleteRow()->value(), QStringLiteral("Super + Backspace"));

    clickSegment(editor.keyPicker(), QStringLiteral("Ctrl + Shift + Backspace"));
    EXPECT_EQ(stored("bulkDeleteKey").toString(), QStringLiteral("controlShift"));
    EXPECT_EQ(editor.keyPicker()->selectedValue(), QStringLiteral("controlShift"));
    EXPECT_EQ(extras.bulkDeleteRow()->value(), QStringLiteral("Ctrl + Shift + Backspace"));
    EXPECT_EQ(settingsChanged, 2);

    flip(editor.enabledRow());
    EXPECT_EQ(stored("bulkDelete").toBool(), false);
    EXPECT_FALSE(editor.keyPicker()->isEnabled());
    EXPECT_EQ(extras.bulkDeleteRow()->value(), QStringLiteral("切"));
    // The chosen key is kept for the next time.
    EXPECT_EQ(stored("bulkDeleteKey").toString(), QStringLiteral("controlShift"));
}

TEST_F(BulkDeleteEditorTest, UnknownStoredKeyLeavesEverySegmentUnchosenUntilOneIsPicked) {
    defaults.set(QStringLiteral("bulkDelete"), true);
    defaults.set(QStringLiteral("bulkDeleteKey"), QStringLiteral("hyper"));
    BulkDeleteEditor& editor = build();
    EXPECT_EQ(editor.keyPicker()->selectedIndex(), -1);
    EXPECT_EQ(stored("bulkDeleteKey").toString(), QStringLiteral("hyper"));
    clickSegment(editor.keyPicker(), QStringLiteral("Super + Backspace"));
    EXPECT_EQ(stored("bulkDeleteKey").toString(), QStringLiteral("command"));
}

TEST_F(BulkDeleteEditorTest, FactsTellWhatIsClearedWithTheCaveatInTheSecondaryColour) {
    BulkDeleteEditor& editor = build();
    ASSERT_EQ(editor.facts().size(), 3);
    for (int i = 0; i < 3; ++i) {
        const bool check = i < 2;
        EXPECT_EQ(editor.facts()[i]->isCheck(), check);
        const QColor expected = check ? Palette::text() : Palette::secondaryText();
        EXPECT_EQ(editor.facts()[i]->textLabel()->palette().color(QPalette::WindowText), expected);
        EXPECT_EQ(editor.facts()[i]->symbol()->color(), expected);
    }
}

}  // namespace
