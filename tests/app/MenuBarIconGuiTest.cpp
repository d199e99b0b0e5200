#include "app/MenuBarIcon.h"
#include "core/AppPrefs.h"
#include "platform/fake/MemoryDefaults.h"

#include <QPainter>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {
// The icon as it is rendered to a PNG file and read back (what a screenshot of the panel holds).
MenuBarIcon::Icon rendered(int state, const std::optional<QString>& style = std::nullopt) {
    MenuBarIcon::Icon icon = MenuBarIcon::image(state, style);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("icon.png"));
    EXPECT_TRUE(icon.image.save(path));
    QImage back(path);
    EXPECT_EQ(back.size(), QSize(46, 40));
    icon.image = back.convertToFormat(QImage::Format_ARGB32);
    return icon;
}

// Alpha of the pixel under a point given on the 23 × 20 y-up canvas.
int alphaAt(const QImage& image, double x, double y) {
    return qAlpha(image.pixel(int(x * 2), int((MenuBarIcon::kHeight - y) * 2)));
}
QColor colourAt(const QImage& image, double x, double y) {
    return QColor::fromRgba(image.pixel(int(x * 2), int((MenuBarIcon::kHeight - y) * 2)));
}

class MenuBarIconTest : public ::testing::Test {
protected:
    void SetUp() override { AppPrefs::setDefaults(&defaults); }
    MemoryDefaults defaults;
};
}  // namespace

TEST_F(MenuBarIconTest, BadgesPerStyle) {
    EXPECT_EQ(MenuBarIcon::styleBadge("formal"), QString::fromUtf8("\U0001F4BC"));
    EXPECT_EQ(MenuBarIcon::styleBadge("junior"), QString::fromUtf8("\U0001FAE1"));
    EXPECT_EQ(MenuBarIcon::styleBadge("friend"), QString::fromUtf8("\U0001F91D"));
    EXPECT_EQ(MenuBarIcon::styleBadge("lover"), QString::fromUtf8("\u2764\uFE0F"));
    EXPECT_EQ(MenuBarIcon::styleBadge("off"), QString::fromUtf8("\u26A1"));
    EXPECT_EQ(MenuBarIcon::styleBadge("standard"), QString::fromUtf8("\u2728"));
    EXPECT_EQ(MenuBarIcon::styleBadge("whatever"), QString::fromUtf8("\u2728"));
}

TEST_F(MenuBarIconTest, IdleLowWithoutCleanupIsThePlainTemplateGlyph) {
    defaults.set("qualityLevel", "low");
    const auto icon = rendered(MenuBarIcon::Idle);
    EXPECT_TRUE(icon.isTemplate);
    EXPECT_EQ(icon.image.size(), QSize(46, 40));
    // The bottom edge of the window outline is drawn where the badge disc would cut a hole.
    EXPECT_GT(alphaAt(icon.image, 11.2, 2.8), 100);
    // No disc at the bottom-right.
    EXPECT_EQ(alphaAt(icon.image, 21.5, 1.0), 0);
}

TEST_F(MenuBarIconTest, SessionModeIsPlainWhateverTheStyle) {
    defaults.set("qualityLevel", "high");
    defaults.set("modeSelectStyle", "session");
    defaults.set("cleanupStyle", "formal");
    EXPECT_TRUE(rendered(MenuBarIcon::Idle).isTemplate);
}

TEST_F(MenuBarIconTest, IdleWithStyleCutsAHoleAndDrawsADarkDisc) {
    defaults.set("qualityLevel", "high");
    defaults.set("cleanup", true);
    defaults.set("cleanupStyle", "formal");
    const auto icon = rendered(MenuBarIcon::Idle);
    EXPECT_FALSE(icon.isTemplate);
    // The ring between the hole (radius 7) and the disc (radius 6) is cleared, glyph included.
    EXPECT_EQ(alphaAt(icon.image, 11.2, 2.8), 0);
    // Inside the disc, beside the badge: black at 85 %.
    const QColor disc = colourAt(icon.image, 12.0, 4.5);
    EXPECT_NEAR(disc.alpha(), 217, 20);
    EXPECT_LT(disc.red() + disc.green() + disc.blue(), 60);
    // The briefcase sits on the disc: brown, not the disc's black.
    const QColor badge = colourAt(icon.image, 17.5, 4.5);
    EXPECT_GT(badge.red(), 90) << badge.name().toStdString();
}

// Without a colour from the panel the idle glyph stands out on a black panel and on a white one;
// with one, the glyph takes it.
TEST_F(MenuBarIconTest, IdleGlyphReadsOnDarkAndLightPanelsOrTakesThePanelsColour) {
    defaults.set("cleanupStyle", "formal");
    for (const bool badge : {false, true}) {
        defaults.set("qualityLevel", badge ? "high" : "low");
        defaults.set("cleanup", badge);
        const QImage icon = rendered(MenuBarIcon::Idle).image;
        for (const QColor panel : {QColor(Qt::black), QColor(Qt::white)}) {
            QImage shown(icon.size(), QImage::Format_RGB32);
            shown.fill(panel);
            QPainter(&shown).drawImage(0, 0, icon);
            // Pixels of the glyph (left of the badge) far from the panel's own lightness.
            int standingOut = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < 20; ++x)
                    standingOut += std::abs(qGray(shown.pixel(x, y)) - qGray(panel.rgb())) > 128;
            EXPECT_GT(standingOut, 40) << "badge " << badge << " on " << panel.name().toStdString();
        }
    }
    const QColor asked(255, 128, 0);
    const QColor edge = colourAt(MenuBarIcon::image(MenuBarIcon::Idle, std::nullopt, asked).image, 3.2, 10);
    EXPECT_EQ(edge.rgb(), asked.rgb());
}

TEST_F(MenuBarIconTest, ActiveStatesShowTheStateDot) {
    defaults.set("qualityLevel", "high");
    const QColor recording = colourAt(rendered(MenuBarIcon::Recording).image, 19, 16.5);
    EXPECT_GT(recording.red(), 200);
    EXPECT_LT(recording.green(), 100);
    const QColor sending = colourAt(rendered(MenuBarIcon::Sending).image, 19, 16.5);
    EXPECT_NEAR(sending.red(), 142, 10);
    EXPECT_NEAR(sending.blue(), 147, 10);
    EXPECT_FALSE(rendered(MenuBarIcon::Recording).isTemplate);
}

TEST_F(MenuBarIconTest, TitleShowsTheQualityWhileRecording) {
    AppPrefs::setQualityLevel("high");
    EXPECT_EQ(MenuBarIcon::title(true), " MAX");
    defaults.set("qualityLevel", "middle");
    EXPECT_EQ(MenuBarIcon::title(true), " HIGH");
    defaults.set("qualityLevel", "low");
    EXPECT_EQ(MenuBarIcon::title(true), " LOW");
    EXPECT_EQ(MenuBarIcon::title(false), "");
}
