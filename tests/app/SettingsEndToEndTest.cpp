// Settings of the running application, changed the way its settings window stores them, on the
// real desktop with the real bundle and its settings file.
#include "QuendleProcess.h"

#include <gtest/gtest.h>

namespace {

class SettingsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QUENDLE_HEADLESS_SESSION")) GTEST_SKIP() << "needs scripts/headless-session";
        ASSERT_TRUE(QFile::exists(bundleExecutable()));
    }

    static QVariant onDisk(const QuendleProcess& quendle, const char* key) {
        QFile file(quendle.home() + QStringLiteral("/Library/Preferences/orvane.plist"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return PlistDefaults::fromXml(file.readAll()).value_or(QVariantMap()).value(QString::fromUtf8(key));
    }
};

TEST_F(SettingsEndToEnd, TheHoldDelayAtOnceStays) {
    QuendleProcess quendle({{"holdThreshold", 0.5}, {"launchAtLogin", false}, {"triggerKeyCode", 60LL}});
    ASSERT_TRUE(quendle.waitForLog(QStringLiteral("見張り開始: ")));

    // "すぐ（0秒）" as the settings window stores it: the number 0.0.
    PlistDefaults store(QStringLiteral("orvane"), quendle.home() + QStringLiteral("/Library/Preferences"));
    store.set(QStringLiteral("holdThreshold"), 0.0);

    // The application's answer: a change it takes, or a value it refuses and puts back.
    ASSERT_TRUE(quendle.waitForLog(QStringLiteral("外から")));
    EXPECT_GE(quendle.indexOf(QStringLiteral("外から設定が変わった: holdThreshold = 0.0")), 0);
    EXPECT_LT(quendle.indexOf(QStringLiteral("外からの設定を無視した: holdThreshold")), 0);
    EXPECT_TRUE(PlistDefaults::sameValue(onDisk(quendle, "holdThreshold"), 0.0));
}

}  // namespace
