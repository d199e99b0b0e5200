#include "dictation/InputSources.h"
#include "platform/fake/FakeInputSourceService.h"

#include "TestHome.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

InputSource source(const QString& id, QStringList languages = {}, QString type = InputSource::kKeyboardLayoutType) {
    InputSource s;
    s.id = id;
    s.languages = std::move(languages);
    s.type = std::move(type);
    return s;
}

class InputSourcesTest : public ::testing::Test {
protected:
    QString log() const { return home.logText(); }
    TestHome home;
    FakeInputSourceService service;
    InputSources sources{service};
};

TEST_F(InputSourcesTest, LanguagesDecideBeforeTheIdentifierWords) {
    EXPECT_EQ(InputSources::languageOf(source("xkb:us::eng", {"ja-JP"})), InputSources::kJapanese);
    EXPECT_EQ(InputSources::languageOf(source("mozc-jp", {"en"})), InputSources::kEnglish);
    EXPECT_EQ(InputSources::languageOf(source("com.apple.keylayout.ABC")), InputSources::kEnglish);
    EXPECT_EQ(InputSources::languageOf(source("xkb:jp::jpn")), InputSources::kJapanese);  // no word matches
    EXPECT_EQ(InputSources::languageOf(source("xkb:de:nodeadkeys:", {"de"})), InputSources::kJapanese);
    EXPECT_EQ(InputSources::languageOf(source("com.example.Russian-Phonetic")), InputSources::kEnglish)
        << "the two letters of \"us\" anywhere count as English";
    EXPECT_EQ(InputSources::languageOf(source("Some.Kotoeri.Thing", {"fr"})), InputSources::kJapanese);
    EXPECT_EQ(InputSources::languageOf(std::nullopt), InputSources::kJapanese);
    service.currentOverride = source("xkb:gb::eng", {"en-GB"});
    EXPECT_EQ(sources.currentKeyboardLanguage(), InputSources::kEnglish);
}

TEST_F(InputSourcesTest, JapaneseModeIsTheHiraganaModeOfAJapaneseMethod) {
    EXPECT_TRUE(InputSources::isJapaneseMode(source("mozc-jp", {"ja"})));
    EXPECT_TRUE(InputSources::isJapaneseMode(source("com.apple.inputmethod.Kotoeri.KanaTyping.Japanese", {"ja"})));
    EXPECT_FALSE(InputSources::isJapaneseMode(source("x.Katakana", {"ja"})));
    EXPECT_FALSE(InputSources::isJapaneseMode(source("x.HalfWidthKana", {"ja"})));
    EXPECT_FALSE(InputSources::isJapaneseMode(source("x.Roman", {"ja"})));
    EXPECT_FALSE(InputSources::isJapaneseMode(source("x.alphanumeric", {"ja"})));
    EXPECT_FALSE(InputSources::isJapaneseMode(source("anthy", {"en"})));
}

TEST_F(InputSourcesTest, PickFollowsThePreferenceStagesInListOrder) {
    const QList<InputSource> list{source("xkb:jp::jpn", {"ja"}), source("mozc.hiragana", {"ja"}),
                                  source("x.roman", {}), source("xkb:gb::eng", {"en"}),
                                  source("com.apple.keylayout.US", {"en"}),
                                  source("com.google.inputmethod.Japanese.base", {"ja"})};
    EXPECT_EQ(InputSources::pick(InputSources::kEnglish, list)->id, "com.apple.keylayout.US");
    EXPECT_EQ(InputSources::pick(InputSources::kJapanese, list)->id, "com.google.inputmethod.Japanese.base");
    EXPECT_EQ(InputSources::pick(7, list.mid(0, 2))->id, "mozc.hiragana") << "any other value means Japanese";
    EXPECT_EQ(InputSources::pick(InputSources::kJapanese, list.mid(0, 1))->id, "xkb:jp::jpn");
    // English: an input method with English first is no layout; the roman mode comes next.
    const QList<InputSource> methods{source("im.english", {"en"}, InputSource::kInputMethodType), source("x.roman")};
    EXPECT_EQ(InputSources::pick(InputSources::kEnglish, methods)->id, "x.roman");
    EXPECT_FALSE(InputSources::pick(InputSources::kEnglish, {source("xkb:jp::jpn", {"ja"})}));
}

TEST_F(InputSourcesTest, OnlySelectCapableKeyboardSourcesAreOffered) {
    InputSource palette = source("palette", {"ja"});
    palette.category = "palette";
    InputSource locked = source("locked", {"ja"});
    locked.selectCapable = false;
    const QList<InputSource> kept = InputSources::selectCapable({palette, locked, source("ok", {"ja"})});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept.first().id, "ok");
}

TEST_F(InputSourcesTest, SwitchingSelectsLogsAndReportsTheOutcome) {
    service.sources = {source("xkb:us::eng", {"en"}), source("xkb:jp::jpn", {"ja"})};
    service.currentIndex = 0;
    EXPECT_TRUE(sources.switchInputSource(InputSources::kEnglish));  // already English: nothing at all
    EXPECT_TRUE(service.selected.isEmpty());
    EXPECT_TRUE(log().isEmpty());

    EXPECT_TRUE(sources.switchInputSource(InputSources::kJapanese));
    EXPECT_EQ(sources.currentKeyboardLanguage(), InputSources::kJapanese);
    EXPECT_TRUE(log().contains("話す言語: 入力ソースを xkb:jp::jpn に切り替え\n"));

    service.selectStatus = -50;
    EXPECT_FALSE(sources.switchInputSource(InputSources::kEnglish));
    EXPECT_TRUE(log().contains("話す言語: 切り替えに失敗 (status=-50)\n"));
}

TEST_F(InputSourcesTest, NoFittingSourceIsLoggedAndReportedFalse) {
    service.sources = {source("xkb:us::eng", {"en"}), source("x.katakana", {"ja"}), source("x.halfwidthkana", {"ja"})};
    service.currentIndex = 0;
    EXPECT_FALSE(sources.switchInputSource(InputSources::kJapanese));
    EXPECT_TRUE(service.selected.isEmpty());
    EXPECT_TRUE(log().contains("話す言語: 切り替え先が無い\n"));
}

TEST_F(InputSourcesTest, LayoutProviderFeedsTheSettingsStore) {
    service.layout = KeyboardLayoutType::JIS;
    InputSources::installLayoutProvider(&service);
    EXPECT_EQ(AppPrefs::keyboardLayout(), AppPrefs::KeyboardLayout::JIS);
    service.layout = KeyboardLayoutType::ISO;
    EXPECT_EQ(AppPrefs::keyboardLayout(), AppPrefs::KeyboardLayout::ISO);
    InputSources::installLayoutProvider(nullptr);
    EXPECT_EQ(AppPrefs::keyboardLayout(), AppPrefs::KeyboardLayout::ANSI);
}

}  // namespace
