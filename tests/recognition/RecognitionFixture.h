#pragma once

#include "TestHome.h"
#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "platform/Files.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/MemoryDefaults.h"

#include <QStringList>
#include <gtest/gtest.h>

// Virtual clock, in-memory settings and a temporary home (for the log) for every test.
class RecognitionFixture : public ::testing::Test {
protected:
    RecognitionFixture() { AppPrefs::setDefaults(&defaults); }
    ~RecognitionFixture() override { AppPrefs::setDefaults(nullptr); }

    // The log's messages, without their time stamps.
    QStringList logLines() const { return home.logLines(); }

    qint64 counter(const char* key) const { return defaults.integerForKey(QLatin1String(key)); }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
};
