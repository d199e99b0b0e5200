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
    QStringList logLines() const {
        QStringList lines;
        const QString text = QString::fromUtf8(Files::read(AppLog::fileURL()));
        for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const qsizetype cut = line.indexOf(QStringLiteral("] "));
            lines << (cut >= 0 ? line.mid(cut + 2) : line);
        }
        return lines;
    }

    qint64 counter(const char* key) const { return defaults.integerForKey(QLatin1String(key)); }

    TestHome home;
    FakeMainQueue queue;
    MemoryDefaults defaults;
};
