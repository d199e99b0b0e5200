#include "settings/screens/OccupationPresetButtons.h"

#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/OccupationPresets.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/MemoryDefaults.h"
#include "settings/BetaSettingsModel.h"
#include "settings/ui/PaletteLabel.h"

#include "TestHome.h"

#include <QApplication>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

namespace {

class OccupationPresetButtonsTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        Bundle::install(&bundle);
        AppPrefs::resetFirstRunForTesting();
        defaults.set(QStringLiteral("lastRunVersion"), QStringLiteral("0.0.9"));
        defaults.set(QStringLiteral("vocabulary"), QStringLiteral("Quendle"));
        model = std::make_unique<BetaSettingsModel>(SettingsActions{});
        block = std::make_unique<OccupationPresetButtons>(*model);
        block->resize(340, 300);
        block->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        block.reset();
        model.reset();
        AppPrefs::resetFirstRunForTesting();
        Bundle::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    QPushButton* button(const QString& title) const {
        for (QPushButton* b : block->buttons())
            if (b->text() == title) return b;
        return nullptr;
    }
    bool noticeShown() const { return !block->notice()->isHidden(); }

    TestHome home;
    MemoryDefaults defaults;
    FakeBundle bundle;
    std::unique_ptr<BetaSettingsModel> model;
    std::unique_ptr<OccupationPresetButtons> block;
};

TEST_F(OccupationPresetButtonsTest, NineButtonsWithThePresetTitlesNotTheRowNames) {
    QStringList titles;
    for (QPushButton* b : block->buttons()) titles << b->text();
    EXPECT_EQ(titles, (QStringList{"ソフトウェア開発", "広告・マーケティング", "営業", "経理・財務", "法務・法律", "医療・介護",
                                   "建築・建設", "製造・現場", "不動産"}));
    EXPECT_EQ(OccupationPresetButtons::buttonTitle(QStringLiteral("astronaut")), QStringLiteral("astronaut"));
    EXPECT_FALSE(noticeShown());
}

TEST_F(OccupationPresetButtonsTest, AddsTheTermsAsAnUnsavedEditAndSaysSoWhenAllArePresent) {
    button(QStringLiteral("営業"))->click();
    const QStringList words = BetaSettingsModel::splitWordList(model->vocabularyText());
    EXPECT_EQ(words.first(), QStringLiteral("Quendle"));
    EXPECT_EQ(words.mid(1), BetaSettingsModel::splitWordList(*OccupationPresets::words(QStringLiteral("sales"))));
    EXPECT_TRUE(model->vocabularyIsDirty());
    EXPECT_EQ(defaults.object(QStringLiteral("vocabulary")).toString(), QStringLiteral("Quendle"));
    EXPECT_FALSE(noticeShown());

    button(QStringLiteral("営業"))->click();
    EXPECT_TRUE(noticeShown());
    EXPECT_EQ(block->notice()->text(), QStringLiteral("すでにすべて入っています"));
}

TEST_F(OccupationPresetButtonsTest, RefusesAWholePresetThatWouldPassTheLimitAndAddsOnceThereIsRoom) {
    // 270 characters of filler: a few of the legal terms would still fit, but not all of them.
    const QString filler = QString(QLatin1Char('x')).repeated(270);
    model->setVocabularyText(filler);
    button(QStringLiteral("法務・法律"))->click();
    EXPECT_EQ(model->vocabularyText(), filler);
    EXPECT_TRUE(noticeShown());
    EXPECT_EQ(block->notice()->text(),
              QStringLiteral("上限300字を超えるので追加できません。いくつか消してからもう一度押してください"));

    // Editing alone leaves the notice; the next add that succeeds clears it.
    model->setVocabularyText(QStringLiteral("Quendle"));
    EXPECT_TRUE(noticeShown());
    button(QStringLiteral("法務・法律"))->click();
    EXPECT_FALSE(noticeShown());
    EXPECT_LE(Graphemes::count(BetaSettingsModel::splitWordList(model->vocabularyText()).join(", ")), 300);
}

TEST_F(OccupationPresetButtonsTest, TheGridHasAsManyColumnsAsFitAtTheMinimumWidth) {
    EXPECT_EQ(OccupationPresetButtons::columnsForWidth(50), 1);
    EXPECT_EQ(OccupationPresetButtons::columnsForWidth(98), 1);
    EXPECT_EQ(OccupationPresetButtons::columnsForWidth(201), 1);
    EXPECT_EQ(OccupationPresetButtons::columnsForWidth(202), 2);
    EXPECT_EQ(OccupationPresetButtons::columnsForWidth(306), 3);

    block->resize(306, 400);
    QApplication::processEvents();
    EXPECT_EQ(block->columnCount(), 3);
    const QRect first = block->buttons()[0]->geometry();
    const QRect second = block->buttons()[1]->geometry();
    const QRect fourth = block->buttons()[3]->geometry();
    EXPECT_GE(first.width(), 98);
    EXPECT_EQ(second.left() - first.right() - 1, 6);
    EXPECT_EQ(fourth.left(), first.left());
    EXPECT_EQ(fourth.top() - first.bottom() - 1, 6);

    // Narrower: fewer columns, more rows, and the block grows taller.
    const int wideHeight = block->heightForWidth(306);
    block->resize(202, 400);
    QApplication::processEvents();
    EXPECT_EQ(block->columnCount(), 2);
    EXPECT_GT(block->heightForWidth(202), wideHeight);
}

}  // namespace
