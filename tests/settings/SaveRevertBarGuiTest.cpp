#include "settings/screens/SaveRevertBar.h"

#include "settings/screens/ChangeLineRow.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"

#include <QApplication>
#include <QLayout>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

using K = VocabChange::Kind;

struct Counted {
    int saves = 0;
    int reverts = 0;
};

TEST(SaveRevertBar, CleanBarOnlyShowsDisabledButtons) {
    Counted counted;
    SaveRevertBar bar([&] { ++counted.saves; }, [&] { ++counted.reverts; });
    bar.resize(380, 200);
    bar.show();
    // Lines passed with a clean state stay hidden.
    bar.setState(false, QStringLiteral("+1"), {{K::added, {}, QStringLiteral("語")}});
    EXPECT_EQ(bar.saveButton()->text(), QStringLiteral("保存"));
    EXPECT_EQ(bar.revertButton()->text(), QStringLiteral("元に戻す"));
    EXPECT_FALSE(bar.saveButton()->isEnabled());
    EXPECT_FALSE(bar.revertButton()->isEnabled());
    EXPECT_FALSE(bar.notice()->isVisible());
    EXPECT_TRUE(bar.changeRows().isEmpty());
    EXPECT_EQ(bar.saveButton()->shortcut(), QKeySequence(QKeySequence::Save));
    bar.saveButton()->click();
    bar.revertButton()->click();
    EXPECT_EQ(counted.saves, 0);
    EXPECT_EQ(counted.reverts, 0);
}

TEST(SaveRevertBar, DirtyBarShowsTheNoticeWithItsSummaryAndRunsTheActions) {
    Counted counted;
    SaveRevertBar bar([&] { ++counted.saves; }, [&] { ++counted.reverts; });
    bar.resize(380, 200);
    bar.show();

    bar.setState(true, QString(), {});
    EXPECT_TRUE(bar.notice()->isVisible());
    EXPECT_EQ(bar.notice()->text(), QStringLiteral("まだ保存されていません"));
    EXPECT_TRUE(bar.changeRows().isEmpty());

    bar.setState(true, QStringLiteral("+2 −1"), {});
    EXPECT_EQ(bar.notice()->text(), QStringLiteral("まだ保存されていません（+2 −1）"));
    EXPECT_TRUE(bar.saveButton()->isEnabled());
    bar.saveButton()->click();
    bar.revertButton()->click();
    EXPECT_EQ(counted.saves, 1);
    EXPECT_EQ(counted.reverts, 1);

    // Saved: the page hands the clean state back and everything goes quiet again.
    bar.setState(false, QString(), {});
    EXPECT_FALSE(bar.notice()->isVisible());
    EXPECT_FALSE(bar.saveButton()->isEnabled());
}

TEST(SaveRevertBar, ListsExactlyTheLinesItIsGivenInOrder) {
    SaveRevertBar bar({}, {});
    bar.resize(380, 400);
    bar.show();
    QList<VocabChange> changes;
    for (int i = 0; i < 8; ++i) changes.append({K::added, {}, QStringLiteral("語%1").arg(i)});
    changes.append({K::more, {}, QStringLiteral("ほか 3件")});
    bar.setState(true, QStringLiteral("+11"), changes);
    const QList<ChangeLineRow*> rows = bar.changeRows();
    ASSERT_EQ(rows.size(), 9);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(rows[i]->change(), changes[i]);
    EXPECT_EQ(rows[8]->sign(), QString());
    EXPECT_EQ(rows[8]->lineText(), QStringLiteral("ほか 3件"));
    EXPECT_EQ(rows[8]->color(), Palette::secondaryText());

    bar.setState(true, QStringLiteral("+1"), {changes[0]});
    EXPECT_EQ(bar.changeRows().size(), 1);
}

TEST(ChangeLineRow, SignsColoursAndTexts) {
    const VocabChange added{K::added, {}, QStringLiteral("Quendle")};
    EXPECT_EQ(ChangeLineRow::sign(added), QStringLiteral("＋："));
    EXPECT_EQ(ChangeLineRow::lineText(added), QStringLiteral("Quendle"));
    EXPECT_TRUE(ChangeLineRow::isGreen(added));

    const VocabChange removed{K::removed, QStringLiteral("古い語"), {}};
    EXPECT_EQ(ChangeLineRow::sign(removed), QStringLiteral("−："));
    EXPECT_EQ(ChangeLineRow::sign(removed).at(0).unicode(), 0x2212);
    EXPECT_EQ(ChangeLineRow::lineText(removed), QStringLiteral("古い語"));
    EXPECT_FALSE(ChangeLineRow::isGreen(removed));

    const VocabChange longer{K::replaced, QStringLiteral("くえんどる"), QStringLiteral("クエンドル社")};
    EXPECT_EQ(ChangeLineRow::sign(longer), QStringLiteral("＋："));
    EXPECT_EQ(ChangeLineRow::lineText(longer), QStringLiteral("くえんどる→クエンドル社"));
    const VocabChange same{K::replaced, QStringLiteral("abc"), QStringLiteral("ABC")};
    EXPECT_TRUE(ChangeLineRow::isGreen(same));
    const VocabChange shorter{K::replaced, QStringLiteral("Quendle社"), QStringLiteral("Quendle")};
    EXPECT_EQ(ChangeLineRow::sign(shorter), QStringLiteral("−："));
    EXPECT_FALSE(ChangeLineRow::isGreen(shorter));

    // Lengths are characters: one emoji with a skin tone is four code units but one character.
    const VocabChange emoji{K::replaced, QStringLiteral("ab"), QStringLiteral("👍🏽")};
    EXPECT_FALSE(ChangeLineRow::isGreen(emoji));

    ChangeLineRow row(shorter);
    EXPECT_EQ(row.color(), Palette::secondaryText());
    ChangeLineRow greenRow(added);
    EXPECT_EQ(greenRow.color(), ChangeLineRow::green());
}

TEST(ChangeLineRow, LongLineIsCutInTheMiddleOnOneLine) {
    const QString text = QStringLiteral("はじめ") + QString(200, QChar(u'語')) + QStringLiteral("おわり");
    ChangeLineRow row({K::added, {}, text});
    row.resize(200, row.sizeHint().height());
    row.show();
    row.layout()->activate();
    const QString shown = row.shownText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("はじめ")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("おわり")));
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_EQ(row.height(), row.sizeHint().height());
}

}  // namespace
