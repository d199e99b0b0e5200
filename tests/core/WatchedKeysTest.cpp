#include "core/WatchedKeys.h"

#include "PrefsFixture.h"

#include <cmath>

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

// What the checks asked for, in order.
struct Recorded : WatchedKeys::Actions {
    QStringList calls;
    void commit(const QString& key, const QVariant& value) override {
        calls << u("commit ") + key + u(" ") + value.toString() + u(" ") + QString::fromLatin1(value.typeName());
    }
    void record(const QString& key, const QVariant& value) override { calls << u("record ") + key + u(" ") + value.toString(); }
    void reject(const QString& key, const QString& valueText, const QString& reason) override {
        calls << u("reject ") + key + u(" ") + valueText + u(" | ") + reason;
    }
};

class WatchedKeysTest : public PrefsFixture {
protected:
    void SetUp() override {
        PrefsFixture::SetUp();
        notFirstRun();
    }
    QStringList check(const char* key, const QVariant& stored) {
        put(key, stored);
        Recorded actions;
        WatchedKeys::validate(u(key), defaults, actions);
        return actions.calls;
    }
};

TEST(WatchedKeysText, DoubleTextIsTheShortestRoundTripWithAPoint) {
    EXPECT_EQ(WatchedKeys::doubleText(0.0), u("0.0"));
    EXPECT_EQ(WatchedKeys::doubleText(1.0), u("1.0"));
    EXPECT_EQ(WatchedKeys::doubleText(0.35), u("0.35"));
    EXPECT_EQ(WatchedKeys::doubleText(100.0 / 90), u("1.1111111111111112"));
    EXPECT_EQ(WatchedKeys::doubleText(30.0), u("30.0"));
    EXPECT_EQ(WatchedKeys::doubleText(-2.5), u("-2.5"));
    EXPECT_EQ(WatchedKeys::doubleText(1e300), u("1e+300"));
    EXPECT_EQ(WatchedKeys::doubleText(std::nan("")), u("nan"));
}

TEST(WatchedKeysText, TheNotAllowedReasonShowsTheEmptyValue) {
    EXPECT_EQ(WatchedKeys::notAllowedReason({u(""), u("engineer")}), u("使える値は \"\"（指定なし） / engineer です"));
}

TEST_F(WatchedKeysTest, AbsentKeysAreNotChecked) {
    for (const QString& key : WatchedKeys::keys()) {
        Recorded actions;
        WatchedKeys::validate(key, defaults, actions);
        EXPECT_TRUE(actions.calls.isEmpty()) << key.toStdString();
    }
}

TEST_F(WatchedKeysTest, NumbersAreReadByTheTypedReaders) {
    EXPECT_EQ(check("holdThreshold", u("0.3")), QStringList{u("commit holdThreshold 0.3 double")});
    // 0 ("at once") is the store's own default; what is no number is not read as one.
    EXPECT_EQ(check("holdThreshold", qlonglong(0)), QStringList{u("commit holdThreshold 0 double")});
    EXPECT_EQ(check("holdThreshold", u("abc")),
              QStringList{u("reject holdThreshold abc | 0〜1.5 秒の範囲で指定してください")});
    EXPECT_EQ(check("holdThreshold", -0.1),
              QStringList{u("reject holdThreshold -0.1 | 0〜1.5 秒の範囲で指定してください")});
    EXPECT_EQ(check("holdThreshold", 1.5), QStringList{u("commit holdThreshold 1.5 double")});
    EXPECT_EQ(check("onlineFallbackSeconds", 3.0), QStringList{u("commit onlineFallbackSeconds 3 double")});
    EXPECT_EQ(check("onlineFallbackSeconds", 30.5),
              QStringList{u("reject onlineFallbackSeconds 30.5 | 3.0〜30.0 秒の範囲で指定してください")});
    EXPECT_EQ(check("triggerKeyCode", u("61")), QStringList{u("commit triggerKeyCode 61 qlonglong")});
    EXPECT_TRUE(check("triggerKeyCode", qlonglong(60 + (qlonglong(1) << 32)))
                    .value(0)
                    .startsWith(u("reject triggerKeyCode 4294967356 |")))
        << "a huge code is no key, not a wrapped-around one";
    EXPECT_EQ(check("triggerKeyCode", qlonglong(1)),
              QStringList{u("reject triggerKeyCode 1 | 使える値は 57 / 56 / 60 / 63 / 59 / 58 / 55 / 54 / 61 / 62 / 122 / 120 / 99 / 118 / "
                             "96 / 97 / 98 / 100 / 101 / 109 / 103 / 111 です")});
}

TEST_F(WatchedKeysTest, BoolsAreReadFromBoolsNumbersAndSpelledAnswers) {
    EXPECT_EQ(check("cleanup", u("0")), QStringList{u("commit cleanup false bool")});
    EXPECT_EQ(check("holdToTalk", u("YES")), QStringList{u("commit holdToTalk true bool")});
    EXPECT_EQ(check("launchAtLogin", 0.0), QStringList{u("commit launchAtLogin false bool")});
    EXPECT_EQ(check("gestureSelect", u("off")),
              QStringList{u("reject gestureSelect off | 使える値は true / false です")});
}

TEST_F(WatchedKeysTest, StringSetsAndLimits) {
    EXPECT_EQ(check("field", u("")), QStringList{u("record field ")});
    EXPECT_TRUE(check("field", u("chef")).value(0).startsWith(
        u("reject field chef | 使える値は \"\"（指定なし） / engineer / marketing")));
    EXPECT_EQ(check("cleanupStyle", u("off")),
              QStringList{u("reject cleanupStyle off | 使える値は standard / formal / junior / friend / lover です")});
    EXPECT_EQ(check("soundStop", u("なし")), QStringList{u("record soundStop なし")});
    EXPECT_TRUE(check("soundStop", qlonglong(3)).value(0).startsWith(u("reject soundStop  | 使える値は なし / Tink / Pop")))
        << "a number is no sound name";
    EXPECT_EQ(check("vocabulary", QString(2000, QLatin1Char('v'))), QStringList{u("record vocabulary ") + QString(2000, QLatin1Char('v'))});
    EXPECT_EQ(check("vocabulary", QString(2001, QLatin1Char('v'))),
              QStringList{u("reject vocabulary 2001文字 | 2000 文字までです")});
}

TEST_F(WatchedKeysTest, QualitySettersAreApplied) {
    EXPECT_EQ(check("qualityLevel", u("low2")), QStringList{u("record qualityLevel low")});
    EXPECT_EQ(value("qualityLevel"), QVariant(u("low")));
    EXPECT_EQ(value("transcriptionRoute"), QVariant(u("local")));

    EXPECT_EQ(check("inputQualityPercent", u("90")), QStringList{u("record inputQualityPercent 90")});
    EXPECT_EQ(value("inputQualityPercent"), QVariant(qlonglong(90)));
    EXPECT_EQ(check("inputQualityPercent", qlonglong(50)), QStringList{u("record inputQualityPercent 60")})
        << "the old 50 step is today's 60, as the settings store reads it";
    EXPECT_EQ(check("inputQualityPercent", qlonglong(75)),
              QStringList{u("reject inputQualityPercent 75 | 使える値は 100 / 90 / 80 / 70 / 60 です")});

    EXPECT_EQ(check("cleanupMode", u("off")), QStringList{}) << "the mirror is committed by the cleanup change";
    EXPECT_EQ(value("cleanup"), QVariant(false));
}

TEST_F(WatchedKeysTest, TextFormsComeFromTheEffectiveSettings) {
    EXPECT_EQ(WatchedKeys::currentText(u("triggerKeyCode")), u("61（右Alt）"));
    EXPECT_EQ(WatchedKeys::currentText(u("speedRate")), u("1.0（Low）"));
    EXPECT_EQ(WatchedKeys::currentText(u("inputQualityPercent")), u("80%"));
    EXPECT_EQ(WatchedKeys::currentText(u("holdThreshold")), u("0.0"));
    EXPECT_EQ(WatchedKeys::currentText(u("onlineFallbackSeconds")), u("3.0"));
    EXPECT_EQ(WatchedKeys::currentText(u("soundSuccess")), u("Morse"));
    EXPECT_EQ(WatchedKeys::currentText(u("iconName")), u("窓と波形"));
    EXPECT_EQ(WatchedKeys::currentText(u("transcriptionRoute")), u("local"));
    EXPECT_TRUE(WatchedKeys::currentText(u("vocabulary")).endsWith(u("文字")));

    put("qualityLevel", u("middle"));
    put("qualityLevelSchema", qlonglong(2));
    put("inputQualityPercent", qlonglong(80));
    put("vocabulary", u("ｶﾞ👍🏽"));  // two characters
    put("cleanup", true);
    put("cleanupStyle", u("bogus"));
    EXPECT_EQ(WatchedKeys::currentText(u("speedRate")), u("1.25（High）"));
    EXPECT_EQ(WatchedKeys::currentText(u("transcriptionRoute")), u("auto"));
    EXPECT_EQ(WatchedKeys::currentText(u("vocabulary")), u("2文字"));
    EXPECT_EQ(WatchedKeys::currentCleanupMode(), u("standard")) << "the mirror never holds a value it would refuse";
}

}  // namespace
