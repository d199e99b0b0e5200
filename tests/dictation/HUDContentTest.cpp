// What the recording panel shows: the carousel around the current style, the chips' looks, the
// panel's size, and what a click on a chip changes.
#include "core/AppPrefs.h"
#include "dictation/HUDContent.h"
#include "platform/fake/MemoryDefaults.h"

#include <gtest/gtest.h>

namespace {

class HUDContentTest : public ::testing::Test {
protected:
    HUDContentTest() {
        AppPrefs::setDefaults(&defaults);
        defaults.set(QStringLiteral("serviceKey"), QStringLiteral("key"));
        hooks.sessionStyle = [this] { return pick; };
        hooks.pickStyleForSend = [this](const QString& style) { pick = style; };
        hooks.updateStatusIcon = [this] { ++iconUpdates; };
        hooks.rebuildStatusMenu = [this] { ++menuBuilds; };
    }
    ~HUDContentTest() override { AppPrefs::setDefaults(nullptr); }

    static double tenPerCharacter(const QString& text) { return 10.0 * text.size(); }
    HUDContent::Layout layout() { return HUDContent::layout(tenPerCharacter, hooks); }
    QStringList cleanupLabels(const HUDContent::Layout& l) {
        QStringList labels;
        for (const auto& chip : l.chips)
            if (chip.kind == HUDContent::ChipKind::Cleanup) labels << chip.label + (chip.isOn ? "*" : "");
        return labels;
    }

    MemoryDefaults defaults;
    RecordingHUD::Hooks hooks;
    std::optional<QString> pick;
    int iconUpdates = 0, menuBuilds = 0;
};

TEST_F(HUDContentTest, CarouselWrapsAroundBothEnds) {
    EXPECT_EQ(HUDContent::carousel(QStringLiteral("off")).values,
              (QStringList{QStringLiteral("lover"), QStringLiteral("off"), QStringLiteral("standard")}));
    EXPECT_EQ(HUDContent::carousel(QStringLiteral("haiku")).values, HUDContent::carousel(QStringLiteral("off")).values);
    const auto last = HUDContent::carousel(QStringLiteral("lover"));
    EXPECT_EQ(last.values, (QStringList{QStringLiteral("friend"), QStringLiteral("lover"), QStringLiteral("off")}));
    EXPECT_EQ(last.current, 5);
}

TEST_F(HUDContentTest, OneStepSlidesAndAJumpDoesNot) {
    EXPECT_EQ(HUDContent::slideSteps(0, 1), 1);
    EXPECT_EQ(HUDContent::slideSteps(5, 0), 1);
    EXPECT_EQ(HUDContent::slideSteps(0, 5), -1);
    EXPECT_EQ(HUDContent::slideSteps(3, 2), -1);
    EXPECT_EQ(HUDContent::slideSteps(1, 3), 0);
    EXPECT_EQ(HUDContent::slideSteps(2, 2), 0);
    EXPECT_EQ(HUDContent::slideSteps(std::nullopt, 1), 0);
}

TEST_F(HUDContentTest, OffChipsFadeBrightColoursMoreAndUnknownStylesFallBack) {
    const auto bright = HUDContent::offLook({255, 224, 102}, true), dark = HUDContent::offLook({100, 120, 130}, true);
    EXPECT_LT(bright.fillAlpha, dark.fillAlpha);
    EXPECT_LT(bright.borderAlpha, dark.borderAlpha);
    EXPECT_EQ(HUDContent::chipLabel(QStringLiteral("haiku")), QStringLiteral("haiku"));
    EXPECT_EQ(HUDContent::chipColor(QStringLiteral("haiku")), HUDContent::kDefaultStyleColor);
}

TEST_F(HUDContentTest, ThePanelHoldsItsChipsAndPulseWithoutOverlap) {
    AppPrefs::setQualityLevel(QStringLiteral("high"));
    const auto l = layout();
    const QRectF panel(QPointF(0, 0), l.size);
    EXPECT_TRUE(panel.contains(l.pulse));
    EXPECT_TRUE(panel.contains(l.cleanupViewport));
    EXPECT_FALSE(l.cleanupViewport.intersects(l.pulse));
    EXPECT_TRUE(l.chips.at(1).isOn);  // "middle" is the second quality chip
    EXPECT_FALSE(l.chips.at(0).frame.intersects(l.chips.at(1).frame));
}

TEST_F(HUDContentTest, CurrentStyleSitsInTheMiddleAndIsOn) {
    AppPrefs::setQualityLevel(QStringLiteral("high"));
    defaults.set(QStringLiteral("cleanup"), true);
    defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("lover"));
    EXPECT_EQ(cleanupLabels(layout()), (QStringList{"友達", "恋人*", "オフ"}));
    EXPECT_EQ(layout().cleanupIndex, 5);
    // In session mode before any pick the style is "off".
    defaults.set(QStringLiteral("modeSelectStyle"), QStringLiteral("session"));
    EXPECT_EQ(cleanupLabels(layout()), (QStringList{"恋人", "オフ*", "整える"}));
    pick = QStringLiteral("formal");
    EXPECT_EQ(cleanupLabels(layout()), (QStringList{"整える", "上司*", "部下"}));
    // A stored style outside the table: the carousel shows "off" with nothing on.
    defaults.set(QStringLiteral("modeSelectStyle"), QStringLiteral("persistent"));
    defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("haiku"));
    EXPECT_EQ(cleanupLabels(layout()), (QStringList{"恋人", "オフ", "整える"}));
}

TEST_F(HUDContentTest, CleanupClickSavesInPersistentModeAndPicksForTheSendOtherwise) {
    AppPrefs::setQualityLevel(QStringLiteral("high"));
    defaults.set(QStringLiteral("cleanup"), true);
    defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("standard"));
    HUDContent::applyClick(HUDContent::ChipKind::Cleanup, QStringLiteral("friend"), hooks);
    EXPECT_EQ(AppPrefs::cleanupStyle(), QStringLiteral("friend"));
    EXPECT_FALSE(pick);
    EXPECT_EQ(iconUpdates, 1);
    EXPECT_EQ(menuBuilds, 1);
    HUDContent::applyClick(HUDContent::ChipKind::Cleanup, QStringLiteral("off"), hooks);
    EXPECT_FALSE(AppPrefs::cleanup());

    // Session mode: the stored style stays.
    defaults.set(QStringLiteral("cleanup"), true);
    defaults.set(QStringLiteral("modeSelectStyle"), QStringLiteral("session"));
    const QString stored = AppPrefs::cleanupStyle();
    HUDContent::applyClick(HUDContent::ChipKind::Cleanup, QStringLiteral("junior"), hooks);
    EXPECT_EQ(pick, QStringLiteral("junior"));
    EXPECT_EQ(AppPrefs::cleanupStyle(), stored);
    EXPECT_TRUE(AppPrefs::cleanup());
    EXPECT_EQ(iconUpdates, 3);
    EXPECT_EQ(menuBuilds, 2);

    // The local tier without server cleanup behaves like session mode.
    pick.reset();
    defaults.set(QStringLiteral("modeSelectStyle"), QStringLiteral("persistent"));
    AppPrefs::setQualityLevel(QStringLiteral("low"));
    defaults.set(QStringLiteral("lowCleanup"), false);
    defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("standard"));
    HUDContent::applyClick(HUDContent::ChipKind::Cleanup, QStringLiteral("lover"), hooks);
    EXPECT_EQ(pick, QStringLiteral("lover"));
    EXPECT_EQ(AppPrefs::cleanupStyle(), QStringLiteral("standard"));
}

TEST_F(HUDContentTest, QualityClickSavesTheLevel) {
    AppPrefs::setQualityLevel(QStringLiteral("high"));
    HUDContent::applyClick(HUDContent::ChipKind::Quality, QStringLiteral("low"), hooks);
    EXPECT_EQ(AppPrefs::qualityLevel(), QStringLiteral("low"));
    EXPECT_EQ(iconUpdates, 1);
    EXPECT_EQ(menuBuilds, 1);
    // Without hooks a click still changes the settings.
    HUDContent::applyClick(HUDContent::ChipKind::Quality, QStringLiteral("high"), RecordingHUD::Hooks{});
    EXPECT_EQ(AppPrefs::qualityLevel(), QStringLiteral("high"));
}

}  // namespace
