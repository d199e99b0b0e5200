#include "settings/screens/KeyboardPicker.h"

#include "settings/SettingsNav.h"
#include "settings/screens/KeyEditor.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/PaletteLabel.h"

#include "SpeechScreensFixture.h"

#include <QCoreApplication>
#include <QPointer>

#include <set>

namespace {

using Availability = KeyboardPicker::Availability;
using Layout = AppPrefs::KeyboardLayout;

class KeyboardPickerTest : public SpeechScreensFixture {};

TEST_F(KeyboardPickerTest, EveryLayoutHasSixRowsOfFifteenUnits) {
    for (Layout layout : {Layout::JIS, Layout::ISO, Layout::ANSI}) {
        const auto& rows = KeyboardPicker::rows(layout);
        ASSERT_EQ(rows.size(), 6);
        for (const auto& row : rows) {
            double units = 0;
            for (const auto& cap : row) units += cap.width;
            EXPECT_DOUBLE_EQ(units, 15.0) << int(layout);
        }
    }
}

TEST_F(KeyboardPickerTest, ModifiersAndFunctionKeysAreChosenDirectlyUnderTheirPCNames) {
    AppPrefs::setKeyboardLayoutProvider(&jis);
    std::set<QString> selectable;
    for (const auto& row : KeyboardPicker::rows(Layout::JIS))
        for (const auto& cap : row)
            if (KeyboardPicker::availability(cap) == Availability::selectable) selectable.insert(cap.label);
    std::set<QString> expected{"Menu", "Ctrl", "Alt", "Super", "⇧", "⇪", "英数", "かな"};
    for (int i = 1; i <= 12; ++i) expected.insert(QStringLiteral("F%1").arg(i));
    EXPECT_EQ(selectable, expected);
    // Off the Japanese keyboard 英数 is not a key that may trigger.
    AppPrefs::setKeyboardLayoutProvider(&ansi);
    EXPECT_EQ(KeyboardPicker::availability({QStringLiteral("英数"), 102, 1.0}), Availability::unselectable);

    // A PC keyboard's F keys are ordinary keys: a tap selects one, with nothing to set up first.
    BetaSettingsModel& model = makeModel();
    auto* picker = new KeyboardPicker(model);
    ScreenHost host(picker);
    KeyCapButton* f5 = picker->capButton(QStringLiteral("F5"));
    EXPECT_EQ(f5->currentToolTip(), QStringLiteral("F5 を起動キーにする"));
    f5->click();
    EXPECT_EQ(model.triggerKeyCode(), 96);
    EXPECT_EQ(defaults.object(QStringLiteral("triggerKeyCode")).toInt(), 96);
    EXPECT_FALSE(picker->notice().has_value());
}

TEST_F(KeyboardPickerTest, TappingAGreenKeySelectsItAndClearsTheNotice) {
    BetaSettingsModel& model = makeModel();
    auto* picker = new KeyboardPicker(model);
    ScreenHost host(picker);
    EXPECT_EQ(picker->capButtons().size(), 78);
    EXPECT_FALSE(picker->noticeBox()->isVisible());

    picker->capButton(QStringLiteral("Q"))->click();
    ASSERT_TRUE(picker->notice().has_value());
    EXPECT_TRUE(picker->noticeBox()->isVisible());

    KeyCapButton* fn = picker->capButton(QStringLiteral("Menu"));
    fn->click();
    EXPECT_EQ(model.triggerKeyCode(), 63);
    EXPECT_EQ(defaults.object(QStringLiteral("triggerKeyCode")).toInt(), 63);
    EXPECT_FALSE(picker->notice().has_value());
    EXPECT_FALSE(picker->noticeBox()->isVisible());
    EXPECT_TRUE(picker->isCurrentKey(picker->cap(fn->row(), fn->index())));

    // Tapping the current key selects it again and leaves no notice.
    const int changes = settingsChanged;
    fn->click();
    EXPECT_EQ(model.triggerKeyCode(), 63);
    EXPECT_GT(settingsChanged, changes);
    EXPECT_FALSE(picker->notice().has_value());
}

TEST_F(KeyboardPickerTest, RefusalsNameWhyAKeyCannotTrigger) {
    AppPrefs::setKeyboardLayoutProvider(&jis);
    BetaSettingsModel& model = makeModel();
    const int before = model.triggerKeyCode();
    auto* picker = new KeyboardPicker(model);
    ScreenHost host(picker);
    EXPECT_EQ(picker->capButtons().size(), 82);

    for (KeyCapButton* cap : picker->capButtons()) {
        if (cap->keyCode() != 36) continue;
        cap->click();
        EXPECT_EQ(picker->notice(), QStringLiteral("return は改行に使うので、起動キーにはできません。"));
    }
    picker->capButton(QStringLiteral("space"))->click();
    EXPECT_EQ(picker->notice(), KeyboardPicker::refusalText(49));
    const QString general = KeyboardPicker::refusalText(std::nullopt);
    picker->capButtons()[13]->click();  // the blank cap at the end of the function row
    EXPECT_EQ(picker->notice(), general);
    picker->capButton(QStringLiteral("←"))->click();
    EXPECT_EQ(picker->notice(), general);
    EXPECT_EQ(picker->capButton(QStringLiteral("A"))->currentToolTip(), general);
    EXPECT_EQ(model.triggerKeyCode(), before);
}

TEST_F(KeyboardPickerTest, RecommendedDotOnlyOnARecommendedKeyThatIsNotCurrent) {
    defaults.set(QStringLiteral("triggerKeyCode"), 61);
    BetaSettingsModel& model = makeModel();
    KeyboardPicker plain(model);
    for (const auto& row : KeyboardPicker::rows(Layout::ANSI))
        for (const auto& cap : row) EXPECT_FALSE(plain.showsRecommendedDot(cap));

    KeyboardPicker recommending(model, 60);
    const KeyboardPicker::Cap rightShift{QStringLiteral("⇧"), 60, 2.75};
    EXPECT_TRUE(recommending.showsRecommendedDot(rightShift));
    model.selectTriggerKey(60);
    EXPECT_FALSE(recommending.showsRecommendedDot(rightShift));
}

TEST_F(KeyboardPickerTest, KeysNeverGetNarrowerThanOnePixel) {
    EXPECT_DOUBLE_EQ(KeyboardPicker::keyUnit(300), 20.0);
    EXPECT_DOUBLE_EQ(KeyboardPicker::keyUnit(6), 1.0);
    BetaSettingsModel& model = makeModel();
    auto* picker = new KeyboardPicker(model);
    ScreenHost host(picker, 12);
    picker->keyboardArea()->resize(6, KeyboardPicker::kKeyboardHeight);
    for (KeyCapButton* cap : picker->capButtons()) EXPECT_GE(cap->width(), 1);

    picker->keyboardArea()->resize(390, KeyboardPicker::kKeyboardHeight);
    // A letter key is one unit less the gap (26 - 3), plus the 2 px kept for the dot.
    EXPECT_EQ(picker->capButton(QStringLiteral("Q"))->width(), 23 + 2);
    EXPECT_EQ(picker->capButton(QStringLiteral("Q"))->height(), KeyboardPicker::kCapHeight + 2);
}

TEST_F(KeyboardPickerTest, ALayoutChangeRedrawsTheKeyboard) {
    BetaSettingsModel& model = makeModel();
    auto* picker = new KeyboardPicker(model);
    ScreenHost host(picker);
    EXPECT_EQ(picker->keyboardNameLabel()->text(), QStringLiteral("お使いのキーボード: 英語 US"));
    AppPrefs::setKeyboardLayoutProvider(&jis);
    picker->refresh();
    EXPECT_EQ(picker->capButtons().size(), 82);
    EXPECT_NE(picker->capButton(QStringLiteral("かな")), nullptr);
    EXPECT_EQ(picker->keyboardNameLabel()->text(), QStringLiteral("お使いのキーボード: 日本語 JIS"));
}

// The desktop switched to a JIS keyboard while the picker showed the US one: the tap that finds
// out rebuilds the keyboard, and the key the user tapped lives until its click is over.
TEST_F(KeyboardPickerTest, ATapThatFindsANewLayoutKeepsTheTappedKeyUntilItsClickIsOver) {
    BetaSettingsModel& model = makeModel();
    auto* picker = new KeyboardPicker(model);
    ScreenHost host(picker);
    AppPrefs::setKeyboardLayoutProvider(&jis);

    QPointer<KeyCapButton> menu = picker->capButton(QStringLiteral("Menu"));
    ASSERT_TRUE(menu);
    bool clickSeen = false;
    QObject::connect(menu.data(), &QAbstractButton::clicked, [&] { clickSeen = true; });
    menu->click();
    ASSERT_TRUE(menu) << "the tapped key was deleted inside its own click";
    EXPECT_TRUE(clickSeen);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(picker->capButtons().contains(menu.data()));
    EXPECT_EQ(model.triggerKeyCode(), 63);
    EXPECT_EQ(picker->capButtons().size(), 82);
    EXPECT_NE(picker->capButton(QStringLiteral("かな")), nullptr);

    // A refused key does the same, and its notice stays.
    AppPrefs::setKeyboardLayoutProvider(&ansi);
    QPointer<KeyCapButton> q = picker->capButton(QStringLiteral("Q"));
    q->click();
    ASSERT_TRUE(q);
    EXPECT_EQ(picker->notice(), KeyboardPicker::refusalText(std::nullopt));
    EXPECT_EQ(picker->capButtons().size(), 78);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(menu);
    EXPECT_FALSE(q);
    EXPECT_EQ(picker->keyboardArea()->findChildren<KeyCapButton*>().size(), 78);
}

TEST_F(KeyboardPickerTest, KeyEditorNamesTheCurrentKeyAndFollowsThePicker) {
    defaults.set(QStringLiteral("triggerKeyCode"), 61);
    BetaSettingsModel& model = makeModel();
    ScreenContext context;
    SettingsNav nav;
    auto* screen = qobject_cast<KeyEditor*>(makeTriggerKeyScreen(model, nav, context));
    ASSERT_NE(screen, nullptr);
    ScreenHost host(screen);
    EXPECT_TRUE(screen->currentKeyLabel()->text().startsWith(QStringLiteral("右Alt")));
    EXPECT_EQ(screen->currentKeyLabel()->text(), model.triggerKeyDisplayName());
    EXPECT_FALSE(screen->picker()->recommendedKeyCode().has_value());

    screen->picker()->capButton(QStringLiteral("⇪"))->click();
    EXPECT_EQ(model.triggerKeyCode(), 57);
    EXPECT_TRUE(screen->currentKeyLabel()->text().startsWith(QStringLiteral("⇪ caps lock")));
}

}  // namespace
