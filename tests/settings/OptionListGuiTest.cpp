#include "settings/screens/EditorPage.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/OptionList.h"

#include "core/AppPrefs.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/MemoryDefaults.h"
#include "settings/ui/CheckRow.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/PickCard.h"
#include "settings/ui/RowLine.h"
#include "settings/ui/WhyDisabled.h"

#include "TestHome.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <cmath>

namespace {

const Copy::Table kTexts{
    {"a", {"bolt.fill", "A", "first"}},
    {"c", {"sparkles", "C", "third"}},
};

// A value held by the test, with a count of assignments.
template <typename T>
struct Held {
    T value{};
    int assignments = 0;
    Binding<T> binding() {
        return {[this] { return value; }, [this](T v) {
                    value = v;
                    ++assignments;
                }};
    }
};

QStringList titles(const QList<PickCard*>& cards) {
    QStringList out;
    for (PickCard* card : cards) out << card->item().title;
    return out;
}

QList<bool> marks(const QList<PickCard*>& cards) {
    QList<bool> out;
    for (PickCard* card : cards) out << card->isSelected();
    return out;
}

TEST(OptionCardList, SkipsRowsWithoutTextsAndMarksTheBoundValue) {
    Held<QString> held{QStringLiteral("c")};
    OptionCardList list({{"A", "a", ""}, {"B", "b", ""}, {"C", "c", ""}}, kTexts, held.binding());
    ASSERT_EQ(list.cards().size(), 2);
    EXPECT_EQ(titles(list.cards()), (QStringList{"A", "C"}));
    EXPECT_EQ(marks(list.cards()), (QList<bool>{false, true}));
    // Two cards only: no empty place where "b" would be.
    EXPECT_EQ(list.layout()->count(), 2);
    EXPECT_EQ(list.layout()->spacing(), OptionCardList::kSpacing);

    // A stored value that is no option marks nothing; a click stores the card's value.
    held.value = QStringLiteral("zzz");
    list.refresh();
    EXPECT_EQ(marks(list.cards()), (QList<bool>{false, false}));
    list.cards()[0]->click();
    EXPECT_EQ(held.value, QStringLiteral("a"));
    list.refresh();
    EXPECT_EQ(marks(list.cards()), (QList<bool>{true, false}));

    // The marked card assigns again when clicked.
    list.cards()[0]->click();
    EXPECT_EQ(held.assignments, 2);
}

TEST(OptionCardList, IntValuesCompareAsNumbers) {
    Held<int> held{80};
    OptionCardList list(QList<OptionRow<int>>{{"100%", 100, ""}, {"80%", 80, ""}, {"55%", 55, ""}},
                        Copy::inputQualities(), held.binding());
    ASSERT_EQ(list.cards().size(), 2);
    EXPECT_EQ(marks(list.cards()), (QList<bool>{false, true}));
    list.cards()[0]->click();
    EXPECT_EQ(held.value, 100);
}

TEST(OptionCardList, DisabledListIgnoresClicksAndIsDimmedAsAWhole) {
    Held<QString> held{QStringLiteral("a")};
    OptionCardList list({{"A", "a", ""}, {"C", "c", ""}}, kTexts, held.binding());
    list.setOptionsDisabled(true);
    EXPECT_DOUBLE_EQ(list.opacity(), 0.45);
    list.cards()[1]->click();
    EXPECT_EQ(held.value, QStringLiteral("a"));
    EXPECT_EQ(held.assignments, 0);

    list.setOptionsDisabled(false);
    EXPECT_DOUBLE_EQ(list.opacity(), 1.0);
    list.cards()[1]->click();
    EXPECT_EQ(held.value, QStringLiteral("c"));
}

// WCAG contrast ratio of two colours.
double contrast(QColor a, QColor b) {
    const auto luminance = [](QColor c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(OptionCardList, TheChosenCardOfADisabledListStaysReadable) {
    Held<QString> held{QStringLiteral("a")};
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* list = new OptionCardList({{"A", "a", ""}, {"C", "c", ""}}, kTexts, held.binding());
    layout->addWidget(list);
    window.resize(380, 200);
    window.show();
    list->setOptionsDisabled(true);
    QApplication::processEvents();
    const QImage shot = window.grab().toImage();
    for (PickCard* card : list->cards()) {
        // The darkest pixel of the title against the card's fill beside it.
        QLabel* title = nullptr;
        for (QLabel* label : card->findChildren<QLabel*>())
            if (label->text() == card->item().title) title = label;
        ASSERT_NE(title, nullptr);
        const QRect area(title->mapTo(&window, QPoint()), title->size());
        const QColor fill = shot.pixelColor(card->mapTo(&window, QPoint(card->width() - 12, card->height() / 2)));
        QColor ink = fill;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (shot.pixelColor(x, y).lightness() < ink.lightness()) ink = shot.pixelColor(x, y);
        // Dimmed, yet readable (text drawn in the disabled colour under the dimming measured 1.1).
        EXPECT_GE(contrast(ink, fill), 2.5) << card->item().title.toStdString();
    }
}

int dividers(const QWidget& group) { return static_cast<int>(group.findChildren<RowLine*>().size()); }

TEST(OptionCheckList, DividersOnlyBetweenRowsAndClicksStoreTheRowValue) {
    Held<QString> held{QStringLiteral("ja")};
    OptionCheckList three({{"キーボードのまま", "keyboard", "説明"}, {"日本語", "ja", ""}, {"English", "en", ""}},
                          held.binding());
    EXPECT_EQ(dividers(three), 2);
    ASSERT_EQ(three.rows().size(), 3);
    EXPECT_EQ(three.rows()[0]->title(), QStringLiteral("キーボードのまま"));
    ASSERT_NE(three.rows()[0]->subtitleLabel(), nullptr);
    EXPECT_EQ(three.rows()[0]->subtitleLabel()->text(), QStringLiteral("説明"));
    EXPECT_FALSE(three.rows()[0]->isChecked());
    EXPECT_TRUE(three.rows()[1]->isChecked());
    EXPECT_EQ(three.header(), nullptr);

    three.rows()[2]->click();
    EXPECT_EQ(held.value, QStringLiteral("en"));
    three.refresh();
    EXPECT_FALSE(three.rows()[1]->isChecked());
    EXPECT_TRUE(three.rows()[2]->isChecked());

    Held<QString> other;
    OptionCheckList one({{"指定なし", "", ""}}, other.binding());
    EXPECT_EQ(dividers(one), 0);
    // An empty value is a value like any other: the row of "" is the marked one.
    EXPECT_TRUE(one.rows()[0]->isChecked());
}

TEST(OptionSection, NoteComesBetweenCaptionAndListAndGoesAgain) {
    auto* list = new QLabel(QStringLiteral("list"));
    OptionSection section(QStringLiteral("説明文"), list);
    EXPECT_EQ(section.caption()->text(), QStringLiteral("説明文"));
    EXPECT_EQ(section.note(), nullptr);

    section.setDisabledNote(QStringLiteral("Low では使えません"));
    ASSERT_NE(section.note(), nullptr);
    EXPECT_EQ(section.note()->text(), QStringLiteral("Low では使えません"));
    auto* layout = section.layout();
    EXPECT_EQ(layout->indexOf(section.caption()), 0);
    EXPECT_EQ(layout->indexOf(section.note()), 1);
    EXPECT_EQ(layout->indexOf(list), 2);

    section.setDisabledNote(std::nullopt);
    EXPECT_EQ(section.note(), nullptr);
    EXPECT_EQ(layout->indexOf(list), 1);
}

TEST(EditorPage, ShortContentStaysTopLeftAndNothingScrollsSideways) {
    EditorPage page(12);
    auto* first = new QLabel(QStringLiteral("一"));
    auto* second = new QLabel(QStringLiteral("二"));
    page.add(first);
    page.add(second);
    page.resize(380, 600);
    page.show();
    page.column()->layout()->activate();
    EXPECT_EQ(first->geometry().topLeft(), QPoint(EditorPage::kPadding, EditorPage::kPadding));
    EXPECT_EQ(second->y() - first->geometry().bottom() - 1, 12);
    EXPECT_EQ(page.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    // Taller content scrolls vertically.
    auto* tall = new QWidget;
    tall->setMinimumHeight(2000);
    page.add(tall);
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    EXPECT_GT(page.column()->height(), page.viewport()->height());
    EXPECT_GT(page.verticalScrollBar()->maximum(), 0);
}

TEST(ModelWatch, RefreshesUntilTheOwnerGoes) {
    TestHome home;
    MemoryDefaults defaults;
    FakeBundle bundle;
    AppPrefs::setDefaults(&defaults);
    Bundle::install(&bundle);
    {
        BetaSettingsModel model{SettingsActions{}};
        int refreshes = 0;
        auto* owner = new QObject;
        watchModel(owner, model, [&] { ++refreshes; });
        model.setHoldToTalk(!model.holdToTalk());
        EXPECT_EQ(refreshes, 1);
        delete owner;
        model.setHoldToTalk(!model.holdToTalk());
        EXPECT_EQ(refreshes, 1);
    }
    Bundle::install(nullptr);
    AppPrefs::setDefaults(nullptr);
}

}  // namespace
