#include "settings/screens/KeyboardPicker.h"

#include "settings/SettingsNav.h"
#include "settings/screens/KeyEditor.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/ElidedLabel.h"
#include "settings/ui/PaletteLabel.h"

#include "SpeechScreensFixture.h"

#include <QPushButton>
#include <set>

namespace {

using Availability = KeyboardPicker::Availability;
using Layout = AppPrefs::KeyboardLayout;

class KeyboardPickerTest : public SpeechScreensFixture {
protected:
    void setFunctionKeysStandard(bool on) { defaults.setGlobal(QStringLiteral("com.apple.keyboard.fnState"), on); }

    // All caps of a layout with a key code, by code.
    static QList<KeyboardPicker::Cap> capsWithCode(Layout layout, int code) {
        QList<KeyboardPicker::Cap> found;
        for (const auto& row : KeyboardPicker::rows(layout))
            for (const auto& cap : row)
                if (cap.keyCode == code) found.append(cap);
        return found;
    }
};

TEST_F(KeyboardPickerTest, EveryLayoutHasSixRowsOfFifteenUnits) {
    const std::map<Layout, int> capCounts{{Layout::JIS, 82}, {Layout::ISO, 80}, {Layout::ANSI, 78}};
    for (const auto& [layout, count] : capCounts) {
        const auto& rows = KeyboardPicker::rows(layout);
        ASSERT_EQ(rows.size(), 6);
        int caps = 0;
        for (const auto& row : rows) {
            double units = 0;
            for (const auto& cap : row) units += cap.width;
            EXPECT_DOUBLE_EQ(units, 15.0) << int(layout);
            caps += int(row.size());
        }
        EXPECT_EQ(caps, count) << int(layout);
        EXPECT_EQ(rows.at(0).at(12).label, QStringLiteral("F12"));
        EXPECT_EQ(rows.at(0).at(12).keyCode, 111);
    }
    // 英数 and かな only on the Japanese keyboard; right control on none.
    EXPECT_EQ(capsWithCode(Layout::JIS, 102).size(), 1);
    EXPECT_EQ(capsWithCode(Layout::JIS, 104).size(), 1);
    EXPECT_TRUE(capsWithCode(Layout::ISO, 102).isEmpty());
    EXPECT_TRUE(capsWithCode(Layout::ANSI, 104).isEmpty());
    for (Layout layout : {Layout::JIS, Layout::ISO, Layout::ANSI}) EXPECT_TRUE(capsWithCode(layout, 62).isEmpty());
    // Two return caps on JIS and ISO, one on ANSI.
    EXPECT_EQ(capsWithCode(Layout::JIS, 36).size(), 2);
    EXPECT_EQ(capsWithCode(Layout::ISO, 36).size(), 2);
    EXPECT_EQ(capsWithCode(Layout::ANSI, 36).size(), 1);
    EXPECT_EQ(KeyboardPicker::keyboardName(Layout::ISO), QStringLiteral("お使いのキーボード: 英国・欧州 ISO"));
}

TEST_F(KeyboardPickerTest, KeyClassesFollowTheAllowedKeysAndTheFunctionKeySetting) {
    AppPrefs::setKeyboardLayoutProvider(&jis);
    std::set<QString> selectable, afterSetting;
    for (const auto& row : KeyboardPicker::rows(Layout::JIS)) {
        for (const auto& cap : row) {
            const Availability a = KeyboardPicker::availability(cap);
            if (a == Availability::selectable) selectable.insert(cap.label);
            if (a == Availability::afterSetting) afterSetting.insert(cap.label);
        }
    }
    EXPECT_EQ(selectable, (std::set<QString>{"fn", "⌃", "⌥", "⌘", "⇧", "⇪", "英数", "かな"}));
    EXPECT_EQ(afterSetting.size(), 12u);
    EXPECT_TRUE(afterSetting.count("F1"));

    setFunctionKeysStandard(true);
    EXPECT_EQ(KeyboardPicker::availability({QStringLiteral("F1"), 122, 1.0}), Availability::selectable);
    // Off the Japanese keyboard 英数 is not a key that may trigger.
    AppPrefs::setKeyboardLayoutProvider(&ansi);
    EXPECT_EQ(KeyboardPicker::availability({QStringLiteral("英数"), 102, 1.0}), Availability::unselectable);
    EXPECT_EQ(KeyboardPicker::availability({QStringLiteral("esc"), 53, 1.5}), Availability::unselectable);
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

    KeyCapButton* fn = picker->capButton(QStringLiteral("fn"));
    EXPECT_EQ(fn->currentToolTip(), QStringLiteral("fn を起動キーにする"));
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
    EXPECT_FALSE(picker->noticeIsWarning());
    EXPECT_EQ(picker->capButton(QStringLiteral("A"))->currentToolTip(), general);
    EXPECT_EQ(model.triggerKeyCode(), before);
}

TEST_F(KeyboardPickerTest, FunctionKeyGuideWalksThroughTheSettingAndRechecks) {
    BetaSettingsModel& model = makeModel();
    QStringList opened;
    auto* picker = new KeyboardPicker(model, std::nullopt, [&](const QString& url) { opened.append(url); });
    ScreenHost host(picker);
    const int before = model.triggerKeyCode();

    KeyCapButton* f5 = picker->capButton(QStringLiteral("F5"));
    EXPECT_EQ(f5->currentToolTip(), QStringLiteral("F5 は Mac の設定を変えると使えます"));
    f5->click();
    EXPECT_EQ(model.triggerKeyCode(), before);
    EXPECT_TRUE(picker->noticeIsWarning());
    EXPECT_TRUE(picker->showsFunctionKeyGuide());
    EXPECT_TRUE(picker->notice()->startsWith(QStringLiteral("F5 はいま、明るさやマイクなどの特別なキーとして働いています。")));
    EXPECT_TRUE(picker->notice()->endsWith(QStringLiteral("入れると、明るさや音量は fn を押しながらになります。")));
    EXPECT_TRUE(picker->openSettingsButton()->isVisible());
    EXPECT_TRUE(picker->recheckButton()->isVisible());

    picker->openSettingsButton()->click();
    EXPECT_EQ(opened, QStringList{KeyboardPicker::kKeyboardSettingsURL});
    EXPECT_TRUE(picker->showsFunctionKeyGuide());

    // Not switched yet: another text, still the orange guide with its buttons.
    picker->recheckButton()->click();
    EXPECT_EQ(picker->notice(), KeyboardPicker::kRecheckFailed);
    EXPECT_TRUE(picker->noticeIsWarning());
    EXPECT_TRUE(picker->recheckButton()->isVisible());

    setFunctionKeysStandard(true);
    picker->recheckButton()->click();
    EXPECT_EQ(picker->notice(), KeyboardPicker::kRecheckSucceeded);
    EXPECT_FALSE(picker->noticeIsWarning());
    EXPECT_FALSE(picker->recheckButton()->isVisible());
    EXPECT_EQ(f5->currentToolTip(), QStringLiteral("F5 を起動キーにする"));
    f5->click();
    EXPECT_EQ(model.triggerKeyCode(), 96);
    EXPECT_FALSE(picker->notice().has_value());
}

TEST_F(KeyboardPickerTest, ACharacterKeyReplacesTheGuideWithTheGreyRefusal) {
    BetaSettingsModel& model = makeModel();
    auto* picker = new KeyboardPicker(model);
    ScreenHost host(picker);
    picker->capButton(QStringLiteral("F1"))->click();
    ASSERT_TRUE(picker->showsFunctionKeyGuide());
    picker->capButton(QStringLiteral("Z"))->click();
    EXPECT_FALSE(picker->showsFunctionKeyGuide());
    EXPECT_FALSE(picker->noticeIsWarning());
    EXPECT_FALSE(picker->recheckButton()->isVisible());
    EXPECT_EQ(picker->notice(), KeyboardPicker::refusalText(std::nullopt));
}

TEST_F(KeyboardPickerTest, AnFKeyThatIsCurrentWhileTheSettingIsOffStaysMarkedAndShowsTheGuide) {
    setFunctionKeysStandard(true);
    defaults.set(QStringLiteral("triggerKeyCode"), 96);
    BetaSettingsModel& model = makeModel();
    ASSERT_EQ(model.triggerKeyCode(), 96);
    setFunctionKeysStandard(false);
    auto* picker = new KeyboardPicker(model);
    ScreenHost host(picker);
    KeyCapButton* f5 = picker->capButton(QStringLiteral("F5"));
    EXPECT_TRUE(picker->isCurrentKey(picker->cap(f5->row(), f5->index())));
    f5->click();
    EXPECT_TRUE(picker->showsFunctionKeyGuide());
    EXPECT_EQ(model.triggerKeyCode(), 96);
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

TEST_F(KeyboardPickerTest, KeyEditorNamesTheCurrentKeyAndFollowsThePicker) {
    defaults.set(QStringLiteral("triggerKeyCode"), 61);
    BetaSettingsModel& model = makeModel();
    QStringList opened;
    ScreenContext context;
    context.openURL = [&](const QString& url) { opened.append(url); };
    SettingsNav nav;
    auto* screen = qobject_cast<KeyEditor*>(makeTriggerKeyScreen(model, nav, context));
    ASSERT_NE(screen, nullptr);
    ScreenHost host(screen);
    EXPECT_TRUE(screen->currentKeyLabel()->text().startsWith(QStringLiteral("⌥ 右オプション")));
    EXPECT_EQ(screen->currentKeyLabel()->text(), model.triggerKeyDisplayName());
    EXPECT_FALSE(screen->picker()->recommendedKeyCode().has_value());

    screen->picker()->capButton(QStringLiteral("⇪"))->click();
    EXPECT_EQ(model.triggerKeyCode(), 57);
    EXPECT_TRUE(screen->currentKeyLabel()->text().startsWith(QStringLiteral("⇪ caps lock")));

    screen->picker()->capButton(QStringLiteral("F2"))->click();
    screen->picker()->openSettingsButton()->click();
    EXPECT_EQ(opened, QStringList{KeyboardPicker::kKeyboardSettingsURL});
}

}  // namespace
