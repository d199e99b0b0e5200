// Input sources from the XKB layout groups of the headless session's X server.
#include "dictation/InputSources.h"
#include "platform/linux/XkbInputSourceService.h"

#include "TestHome.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include "X11TestDesktop.h"  // X headers last: their macros clash with other headers

#include <X11/XKBlib.h>

namespace {

using Service = XkbInputSourceService;

TEST(XkbRulesNames, PropertyIsSplitIntoItsFiveNames) {
    const QByteArray property("evdev\0pc105\0us,jp\0,kana86\0grp:alt_shift_toggle\0", 46);
    const Service::RulesNames names = Service::parseRulesNames(property);
    EXPECT_EQ(names.rules, "evdev");
    EXPECT_EQ(names.model, "pc105");
    EXPECT_EQ(names.layouts, (QStringList{"us", "jp"}));
    EXPECT_EQ(names.variants, (QStringList{"", "kana86"}));
    EXPECT_EQ(names.options, "grp:alt_shift_toggle");
    // A short property: missing variants read as empty, no layouts as none.
    EXPECT_EQ(Service::parseRulesNames(QByteArray("evdev\0pc105\0de", 14)).variants, QStringList{""});
    EXPECT_TRUE(Service::parseRulesNames(QByteArray()).layouts.isEmpty());
}

TEST(XkbRulesNames, LayoutsBecomeSourcesAndTheKeyboardType) {
    const InputSource jp = Service::sourceFor("jp", "");
    EXPECT_EQ(jp.id, "xkb:jp::ja");
    EXPECT_EQ(jp.languages, QStringList{"ja"});
    EXPECT_EQ(InputSources::languageOf(jp), InputSources::kJapanese);
    EXPECT_EQ(InputSources::languageOf(Service::sourceFor("us", "dvorak")), InputSources::kEnglish);
    EXPECT_TRUE(Service::sourceFor("xx", "").languages.isEmpty());
    EXPECT_EQ(Service::layoutTypeFor("jp106", {"us"}), KeyboardLayoutType::JIS);
    EXPECT_EQ(Service::layoutTypeFor("pc105", {"jp", "us"}), KeyboardLayoutType::JIS);
    EXPECT_EQ(Service::layoutTypeFor("pc105", {"gb"}), KeyboardLayoutType::ISO);
    EXPECT_EQ(Service::layoutTypeFor("pc105", {"us", "jp"}), KeyboardLayoutType::ANSI)
        << "the primary layout names the keyboard; a second layout is only a way of typing";
}

class XkbInputSourceServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUENDLE_REQUIRE_SESSION();
        // The test X server starts afresh (default keymap) whenever its last client leaves:
        // stay connected while setxkbmap and the service take turns.
        lock = std::make_unique<XKeyboardLock>();
        keepAlive = XOpenDisplay(nullptr);
        ASSERT_NE(keepAlive, nullptr);
    }
    void TearDown() override {
        if (!keepAlive) return;
        setLayouts("us");
        XCloseDisplay(keepAlive);
    }
    static void setLayouts(const QString& layouts) {
        ASSERT_EQ(QProcess::execute("setxkbmap", {"-layout", layouts}), 0);
    }
    int lockedGroup() const {
        Display* display = XOpenDisplay(nullptr);
        XkbStateRec state{};
        XkbGetState(display, XkbUseCoreKbd, &state);
        XCloseDisplay(display);
        return state.locked_group;
    }
    QString log() const { return home.logText(); }

    TestHome home;
    std::unique_ptr<XKeyboardLock> lock;
    Display* keepAlive = nullptr;
    Service service;
};

TEST_F(XkbInputSourceServiceTest, SwitchingToJapaneseAndBackLocksTheLayoutGroups) {
    setLayouts("us,jp");
    ASSERT_EQ(service.enabledSources().size(), 2);
    InputSources sources(service);
    EXPECT_EQ(sources.currentKeyboardLanguage(), InputSources::kEnglish);

    EXPECT_TRUE(sources.switchInputSource(InputSources::kJapanese));
    EXPECT_EQ(lockedGroup(), 1);
    EXPECT_EQ(sources.currentKeyboardLanguage(), InputSources::kJapanese);
    EXPECT_TRUE(log().contains("話す言語: 入力ソースを xkb:jp::ja に切り替え\n"));

    EXPECT_TRUE(sources.switchInputSource(InputSources::kEnglish));
    EXPECT_EQ(lockedGroup(), 0);
    EXPECT_TRUE(log().contains("話す言語: 入力ソースを xkb:us::en に切り替え\n"));
}

TEST_F(XkbInputSourceServiceTest, WithoutAJapaneseLayoutThereIsNothingToSwitchTo) {
    setLayouts("us");
    InputSources sources(service);
    EXPECT_FALSE(sources.switchInputSource(InputSources::kJapanese));
    EXPECT_EQ(lockedGroup(), 0);
    EXPECT_TRUE(log().contains("話す言語: 切り替え先が無い\n"));
}

TEST_F(XkbInputSourceServiceTest, LayoutTypeFollowsTheServer) {
    setLayouts("jp");
    EXPECT_EQ(service.layoutType(), KeyboardLayoutType::JIS);
    InputSources::installLayoutProvider(&service);
    EXPECT_EQ(AppPrefs::keyboardLayout(), AppPrefs::KeyboardLayout::JIS);
    setLayouts("gb");
    EXPECT_EQ(AppPrefs::keyboardLayout(), AppPrefs::KeyboardLayout::ISO);
    InputSources::installLayoutProvider(nullptr);
    setLayouts("us");
    EXPECT_EQ(service.layoutType(), KeyboardLayoutType::ANSI);
}

}  // namespace
