#pragma once

// A settings store on memory and virtual time, with a bundle and a keyboard the test chooses.

#include "core/AppPrefs.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/MemoryDefaults.h"

#include <gtest/gtest.h>

class PrefsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        Bundle::install(&bundle);
        AppPrefs::resetFirstRunForTesting();
        layout() = AppPrefs::KeyboardLayout::ANSI;
        AppPrefs::setKeyboardLayoutProvider([] { return layout(); });
    }
    void TearDown() override {
        AppPrefs::setKeyboardLayoutProvider(nullptr);
        AppPrefs::resetFirstRunForTesting();
        Bundle::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    static AppPrefs::KeyboardLayout& layout() {
        static AppPrefs::KeyboardLayout current = AppPrefs::KeyboardLayout::ANSI;
        return current;
    }
    // A store that was written before (so this process is not a first run).
    void notFirstRun() {
        defaults.set(QStringLiteral("lastRunVersion"), QStringLiteral("0.0.9"));
        ASSERT_FALSE(AppPrefs::isFirstRun());
    }
    QVariant value(const char* key) const { return defaults.object(QString::fromUtf8(key)); }
    void put(const char* key, const QVariant& v) { defaults.set(QString::fromUtf8(key), v); }

    FakeMainQueue queue;
    MemoryDefaults defaults;
    FakeBundle bundle;
};
