#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/StatusDocument.h"
#include "core/StatusFile.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakePermissions.h"
#include "platform/fake/MemoryDefaults.h"

#include "TestHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <thread>

namespace {

// 2026-12-06T21:39:08.250Z
constexpr double kStart = 1'796'593'148.25;

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList issueCodes(const QJsonObject& document) {
    QStringList codes;
    for (const QJsonValue& issue : document.value(QStringLiteral("issues")).toArray())
        codes << issue.toObject().value(QStringLiteral("code")).toString();
    return codes;
}

// No lone surrogate anywhere: the text is valid UTF-16.
bool validUtf16(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate()) return false;
            ++i;
        } else if (text.at(i).isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

class StatusFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        Bundle::install(&bundle);
    }
    void TearDown() override {
        Bundle::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    // A burst of requests and its flush, with the write on the status queue finished.
    void refreshAndSettle(StatusFile& status) {
        status.refresh();
        settle(status);
    }
    void settle(StatusFile& status) {
        queue.advance(StatusFile::kCoalesceSeconds + 0.05);
        status.waitForWrites();
    }
    QJsonObject writtenDocument() const {
        return QJsonDocument::fromJson(fileBytes(StatusFile::filePath())).object();
    }
    QByteArray log() const { return fileBytes(AppLog::fileURL()); }

    TestHome home;
    FakeMainQueue queue{kStart};
    MemoryDefaults defaults;
    FakeBundle bundle;
    FakePermissions permissions;
};

// ---- coalescing and skipping unchanged content

TEST_F(StatusFileTest, ABurstOfRefreshesBuildsOneDocumentAndWritesOnce) {
    StatusFile status(&permissions);
    for (int i = 0; i < 10; ++i) {
        status.refresh();
        queue.advance(0.01);
    }
    EXPECT_EQ(permissions.microphoneQueries, 0) << "nothing is built before the 0.2 s window closes";
    EXPECT_FALSE(QFileInfo::exists(StatusFile::filePath()));

    queue.advance(0.2);
    status.waitForWrites();
    EXPECT_EQ(permissions.microphoneQueries, 1);
    EXPECT_EQ(permissions.accessibilityQueries, 1);
    EXPECT_EQ(permissions.inputMonitoringQueries, 1);
    ASSERT_TRUE(QFileInfo::exists(StatusFile::filePath()));

    // No second write is pending: a file removed now stays removed.
    QFile::remove(StatusFile::filePath());
    queue.advance(5);
    status.waitForWrites();
    EXPECT_FALSE(QFileInfo::exists(StatusFile::filePath()));
    EXPECT_EQ(permissions.microphoneQueries, 1);
}

TEST_F(StatusFileTest, UnchangedContentLeavesTheFileAndItsUpdatedAtAlone) {
    StatusFile status(&permissions);
    refreshAndSettle(status);
    const QByteArray first = fileBytes(StatusFile::filePath());
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(writtenDocument().value(QStringLiteral("updatedAt")).toString(), QStringLiteral("2026-12-06T21:39:08Z"));
    EXPECT_EQ(writtenDocument().value(QStringLiteral("startedAt")).toString(), QStringLiteral("2026-12-06T21:39:08Z"));

    // The 5 s timer ticks on an idle system: a document is built each time, the file stays.
    for (int tick = 0; tick < 3; ++tick) {
        queue.advance(5);
        refreshAndSettle(status);
    }
    EXPECT_EQ(permissions.microphoneQueries, 4);
    EXPECT_EQ(fileBytes(StatusFile::filePath()), first);

    // A change is written, with the time of that write; the start time stays.
    permissions.microphoneState = PermissionState::Denied;
    refreshAndSettle(status);
    const QJsonObject changed = writtenDocument();
    EXPECT_EQ(changed.value(QStringLiteral("updatedAt")).toString(), QStringLiteral("2026-12-06T21:39:24Z"));
    EXPECT_EQ(changed.value(QStringLiteral("startedAt")).toString(), QStringLiteral("2026-12-06T21:39:08Z"));
    EXPECT_EQ(issueCodes(changed), QStringList{QStringLiteral("permission.microphone")});
}

TEST_F(StatusFileTest, RefreshFromAnotherThreadHopsToTheMainQueue) {
    StatusFile status(&permissions);
    std::thread worker([&status] { status.refresh(); });
    worker.join();
    EXPECT_EQ(permissions.microphoneQueries, 0);
    settle(status);
    EXPECT_EQ(permissions.microphoneQueries, 1);
    EXPECT_TRUE(QFileInfo::exists(StatusFile::filePath()));
}

TEST_F(StatusFileTest, AFlushDueAfterTheWriterIsGoneDoesNothing) {
    {
        StatusFile status(&permissions);
        status.refresh();
        queue.advance(0.1);
    }
    queue.advance(1);
    EXPECT_EQ(permissions.microphoneQueries, 0);
    EXPECT_FALSE(QFileInfo::exists(StatusFile::filePath()));
}

// ---- where and how the file is written

TEST_F(StatusFileTest, AMissingFolderIsCreated) {
    ASSERT_FALSE(QFileInfo::exists(home.file(QStringLiteral("Library"))));
    StatusFile status(&permissions);
    refreshAndSettle(status);
    EXPECT_EQ(StatusFile::filePath(), home.file(QStringLiteral("Library/Application Support/Quendle/status.json")));
    EXPECT_TRUE(QFileInfo(StatusFile::directoryPath()).isDir());
    EXPECT_FALSE(writtenDocument().isEmpty());
    // Nothing besides the file is left in the folder (the temporary file was renamed).
    EXPECT_EQ(QDir(StatusFile::directoryPath()).entryList(QDir::Files), QStringList{QStringLiteral("status.json")});
}

TEST_F(StatusFileTest, AFailedWriteIsLoggedOnceAndTriedAgainAtEveryTickUntilWritten) {
    // A file where the folder should be: no permission bits needed, so this holds for any user.
    QDir().mkpath(home.file(QStringLiteral("Library/Application Support")));
    QFile blocker(StatusFile::directoryPath());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    StatusFile status(&permissions);
    refreshAndSettle(status);
    const QList<QByteArray> lines = log().split('\n');
    ASSERT_EQ(lines.size(), 2) << log().constData();
    const QString line = QString::fromUtf8(lines.first());
    EXPECT_EQ(line, QStringLiteral("[2026-12-06T21:39:08Z] status.json を書けなかった: フォルダを作れません（") +
                        StatusFile::directoryPath() + QStringLiteral("）"));

    queue.advance(5);
    refreshAndSettle(status);
    EXPECT_EQ(log().count('\n'), 1) << "the same failure is logged once";

    // Nothing changed in the document, yet the next tick writes it once the folder can be made.
    QFile::remove(StatusFile::directoryPath());
    queue.advance(5);
    refreshAndSettle(status);
    EXPECT_EQ(writtenDocument().value(QStringLiteral("pid")).toInteger(), QCoreApplication::applicationPid());
    EXPECT_EQ(log().count('\n'), 1);
}

TEST_F(StatusFileTest, AnUnwritableFileIsAFailureNotASuccess) {
    // The folder exists but the file's name is taken by a folder: the rename cannot succeed.
    QDir().mkpath(StatusFile::filePath());
    StatusFile status(&permissions);
    refreshAndSettle(status);
    EXPECT_TRUE(log().contains(("status.json を書けなかった: 書き込み先を開けません（" + StatusFile::filePath() + "）").toUtf8()));
    EXPECT_TRUE(QFileInfo(StatusFile::filePath()).isDir());
}

// ---- status records

TEST_F(StatusFileTest, ASuccessClearsTheServiceErrorButKeepsItsTime) {
    StatusFile status(&permissions);
    status.noteAPIError(QStringLiteral("サーバーが応答しません"));
    settle(status);
    const QDateTime failedAt = defaults.object(QStringLiteral("status.lastAPIErrorAt")).toDateTime();
    EXPECT_EQ(failedAt, QDateTime::fromMSecsSinceEpoch(1'796'593'148'250, QTimeZone::utc()));
    QJsonObject document = writtenDocument();
    QJsonArray issues = document.value(QStringLiteral("issues")).toArray();
    ASSERT_EQ(issues.size(), 1);
    EXPECT_EQ(issues.last().toObject().value(QStringLiteral("code")).toString(), QStringLiteral("api.error"));
    EXPECT_EQ(issues.last().toObject().value(QStringLiteral("message")).toString(),
              QStringLiteral("直近の書き起こしが失敗しています: サーバーが応答しません"));
    EXPECT_EQ(issues.last().toObject().value(QStringLiteral("command")).toString(),
              QStringLiteral("curl -sS https://api.quendle.invalid/v1/ping"));
    QJsonObject api = document.value(QStringLiteral("api")).toObject();
    EXPECT_EQ(api.value(QStringLiteral("lastError")).toString(), QStringLiteral("サーバーが応答しません"));
    EXPECT_EQ(api.value(QStringLiteral("lastErrorAt")).toString(), QStringLiteral("2026-12-06T21:39:08Z"));
    EXPECT_TRUE(api.value(QStringLiteral("lastSuccessAt")).isNull());

    queue.advance(60);
    status.noteTranscribed();
    settle(status);
    EXPECT_FALSE(defaults.object(QStringLiteral("status.lastAPIError")).isValid());
    EXPECT_EQ(defaults.object(QStringLiteral("status.lastAPIErrorAt")).toDateTime(), failedAt);
    document = writtenDocument();
    EXPECT_TRUE(document.value(QStringLiteral("issues")).toArray().isEmpty());
    api = document.value(QStringLiteral("api")).toObject();
    EXPECT_TRUE(api.value(QStringLiteral("lastError")).isNull());
    EXPECT_EQ(api.value(QStringLiteral("lastErrorAt")).toString(), QStringLiteral("2026-12-06T21:39:08Z"));
    EXPECT_EQ(api.value(QStringLiteral("lastSuccessAt")).toString(), QStringLiteral("2026-12-06T21:40:08Z"));
}

TEST_F(StatusFileTest, ConfigurationRecordsKeepTheFirst120CharactersWhole) {
    StatusFile::noteConfigChange(QStringLiteral("qualityLevel"), QString(300, QLatin1Char('x')));
    QVariantMap record = defaults.object(QStringLiteral("status.lastConfigChange")).toMap();
    EXPECT_EQ(record.value(QStringLiteral("key")).toString(), QStringLiteral("qualityLevel"));
    EXPECT_EQ(record.value(QStringLiteral("value")).toString(), QString(120, QLatin1Char('x')));
    EXPECT_EQ(record.value(QStringLiteral("at")).toString(), QStringLiteral("2026-12-06T21:39:08Z"));
    EXPECT_EQ(record.size(), 3);

    // Characters are what a reader sees: an emoji with its skin tone (four UTF-16 units) or a
    // letter with a combining mark counts once and is never cut in half.
    const QString thumb = QStringLiteral("👍🏽");
    QString emoji;
    for (int i = 0; i < 300; ++i) emoji += thumb;
    StatusFile::noteConfigError(QStringLiteral("vocabulary"), emoji, QStringLiteral("長すぎる"));
    record = defaults.object(QStringLiteral("status.lastConfigError")).toMap();
    const QString kept = record.value(QStringLiteral("value")).toString();
    EXPECT_EQ(kept.size(), 120 * thumb.size());
    EXPECT_EQ(Graphemes::count(kept), 120);
    EXPECT_TRUE(validUtf16(kept));
    EXPECT_EQ(record.value(QStringLiteral("reason")).toString(), QStringLiteral("長すぎる"));
    EXPECT_EQ(record.size(), 4);

    // 119 plain letters then a surrogate pair: the 120th character is the whole pair.
    const QString mixed = QString(119, QLatin1Char('a')) + QStringLiteral("𠮷𠮷");
    EXPECT_EQ(Graphemes::first(mixed, 120), QString(119, QLatin1Char('a')) + QStringLiteral("𠮷"));
    EXPECT_EQ(Graphemes::first(QStringLiteral("e\u0301e\u0301"), 1), QStringLiteral("e\u0301"));
    EXPECT_EQ(Graphemes::first(QStringLiteral("短い"), 120), QStringLiteral("短い"));
    EXPECT_EQ(Graphemes::first(QString(), 120), QString());

    // A new record replaces the old one whole.
    StatusFile::noteConfigError(QStringLiteral("field"), QStringLiteral("pilot"), QStringLiteral("不明な値"));
    record = defaults.object(QStringLiteral("status.lastConfigError")).toMap();
    EXPECT_EQ(record.value(QStringLiteral("value")).toString(), QStringLiteral("pilot"));
}

// ---- the document

TEST_F(StatusFileTest, TheDocumentHasEveryMemberSortedWithNullsForAbsentValues) {
    permissions.accessibilityState = PermissionState::Denied;
    permissions.inputMonitoringState = PermissionState::Restricted;
    StatusFile status(&permissions);
    refreshAndSettle(status);
    const QByteArray text = fileBytes(StatusFile::filePath());
    const QJsonObject document = writtenDocument();

    const QStringList expected{"api",         "issues",  "lastConfigChange", "lastConfigError",
                               "paths",       "permissions", "pid",          "ready",
                               "settings",    "startedAt",   "updatedAt",    "version"};
    EXPECT_EQ(document.keys(), expected);
    // Written in that order, too.
    qsizetype last = -1;
    for (const QString& key : expected) {
        const qsizetype at = text.indexOf("\"" + key.toUtf8() + "\":");
        ASSERT_GT(at, last) << qPrintable(key);
        last = at;
    }

    EXPECT_EQ(document.value(QStringLiteral("version")).toString(), QStringLiteral("0.1.0"));
    EXPECT_EQ(document.value(QStringLiteral("pid")).toInteger(), QCoreApplication::applicationPid());
    EXPECT_TRUE(document.value(QStringLiteral("lastConfigChange")).isNull());
    EXPECT_TRUE(document.value(QStringLiteral("lastConfigError")).isNull());
    const QJsonObject api = document.value(QStringLiteral("api")).toObject();
    EXPECT_EQ(api.keys(), (QStringList{"lastError", "lastErrorAt", "lastSuccessAt", "serverURL"}));
    EXPECT_TRUE(api.value(QStringLiteral("lastError")).isNull());
    EXPECT_TRUE(api.value(QStringLiteral("lastErrorAt")).isNull());
    EXPECT_TRUE(api.value(QStringLiteral("lastSuccessAt")).isNull());

    EXPECT_EQ(document.value(QStringLiteral("permissions")).toObject(),
              (QJsonObject{{"microphone", "granted"}, {"accessibility", "denied"}, {"inputMonitoring", "restricted"}}));
    EXPECT_FALSE(document.value(QStringLiteral("ready")).toBool());
    const QJsonArray issues = document.value(QStringLiteral("issues")).toArray();
    ASSERT_EQ(issueCodes(document), (QStringList{"permission.accessibility", "permission.inputMonitoring"}));
    const QJsonObject accessibility = issues.at(0).toObject();
    EXPECT_EQ(accessibility.keys(), (QStringList{"code", "command", "fix", "message"}));
    EXPECT_EQ(accessibility.value(QStringLiteral("message")).toString(),
              QStringLiteral("アクセシビリティの許可がありません。キーの長押しを拾えず、文字も差し込めません。"));
    // The fixes are steps this desktop has: no settings app of another system, no link into one.
    for (const QJsonValue& issue : issues) {
        EXPECT_FALSE(issue.toObject().value(QStringLiteral("fix")).toString().contains(QStringLiteral("システム設定")));
        EXPECT_TRUE(issue.toObject().value(QStringLiteral("fix")).toString().contains(QStringLiteral("X11")));
        EXPECT_FALSE(issue.toObject().value(QStringLiteral("command")).toString().contains(QStringLiteral("x-apple")));
    }
    EXPECT_EQ(issues.at(1).toObject().value(QStringLiteral("message")).toString(),
              QStringLiteral("入力監視の許可がありません。起動キーの押し下げを見られません。"));

    const QJsonObject paths = document.value(QStringLiteral("paths")).toObject();
    EXPECT_EQ(paths.value(QStringLiteral("status")).toString(), StatusFile::filePath());
    EXPECT_EQ(paths.value(QStringLiteral("log")).toString(), home.file(QStringLiteral("Library/Logs/Orvane.log")));
    EXPECT_EQ(paths.value(QStringLiteral("defaultsDomain")).toString(), QStringLiteral("orvane"));
    EXPECT_TRUE(paths.value(QStringLiteral("docs")).toString().startsWith(QStringLiteral("https://")));
    // Slashes as they are, Japanese as UTF-8.
    EXPECT_FALSE(text.contains("\\/"));
    EXPECT_TRUE(text.contains("https://api.quendle.invalid"));
    EXPECT_TRUE(text.contains("アクセシビリティの許可がありません"));
}

TEST_F(StatusFileTest, PermissionsDecideReadinessAndTheIssueList) {
    // All granted, no service error: ready and nothing to fix.
    QJsonObject document = StatusDocument::build(&permissions, QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc()));
    EXPECT_TRUE(document.value(QStringLiteral("ready")).toBool());
    EXPECT_TRUE(document.value(QStringLiteral("issues")).toArray().isEmpty());
    EXPECT_EQ(document.value(QStringLiteral("startedAt")).toString(), QStringLiteral("1970-01-01T00:00:00Z"));

    // Only input monitoring undecided.
    permissions.inputMonitoringState = PermissionState::NotDetermined;
    document = StatusDocument::build(&permissions, QDateTime::currentDateTimeUtc());
    EXPECT_EQ(document.value(QStringLiteral("permissions")).toObject().value(QStringLiteral("inputMonitoring")),
              QStringLiteral("notDetermined"));
    EXPECT_FALSE(document.value(QStringLiteral("ready")).toBool());
    EXPECT_EQ(issueCodes(document), QStringList{QStringLiteral("permission.inputMonitoring")});

    // Everything wrong at once: permissions first in their order, the service last.
    permissions.microphoneState = PermissionState::Denied;
    permissions.accessibilityState = PermissionState::Denied;
    defaults.set(QStringLiteral("status.lastAPIError"), QString());
    document = StatusDocument::build(&permissions, QDateTime::currentDateTimeUtc());
    EXPECT_EQ(issueCodes(document), (QStringList{"permission.microphone", "permission.accessibility",
                                                 "permission.inputMonitoring", "api.error"}));

    // No permission source: nothing is known, nothing is ready.
    document = StatusDocument::build(nullptr, QDateTime::currentDateTimeUtc());
    EXPECT_EQ(document.value(QStringLiteral("permissions")).toObject(),
              (QJsonObject{{"microphone", "notDetermined"},
                           {"accessibility", "notDetermined"},
                           {"inputMonitoring", "notDetermined"}}));
    EXPECT_FALSE(document.value(QStringLiteral("ready")).toBool());

    // A missing member counts as not granted.
    EXPECT_EQ(StatusDocument::issues(QJsonObject{{"microphone", "granted"}, {"accessibility", "granted"}}).size(), 2);
}

TEST_F(StatusFileTest, TheServiceCommandNamesTheConfiguredServerAsOneShellWord) {
    defaults.set(QStringLiteral("status.lastAPIError"), QStringLiteral("x"));
    const auto command = [] {
        return StatusDocument::issues(QJsonObject{{"microphone", "granted"},
                                                  {"accessibility", "granted"},
                                                  {"inputMonitoring", "granted"}})
            .last()
            .toObject()
            .value(QStringLiteral("command"))
            .toString();
    };
    defaults.set(QStringLiteral("serverURL"), QStringLiteral("http://127.0.0.1:8080"));
    EXPECT_EQ(command(), QStringLiteral("curl -sS http://127.0.0.1:8080/v1/ping"));
    // A hand-edited URL cannot smuggle a second command into what a user pastes into a shell.
    defaults.set(QStringLiteral("serverURL"), QStringLiteral("http://h/$(reboot);'x'"));
    EXPECT_EQ(command(), QStringLiteral("curl -sS 'http://h/$(reboot);'\\''x'\\''/v1/ping'"));
}

TEST_F(StatusFileTest, SettingsReportStoredValuesWithTheirFallbacks) {
    QJsonObject settings = StatusDocument::settingsSnapshot();
    EXPECT_EQ(settings.value(QStringLiteral("mode")).toString(), QStringLiteral("standard"));
    EXPECT_EQ(settings.value(QStringLiteral("field")).toString(), QString());
    EXPECT_EQ(settings.value(QStringLiteral("fieldName")).toString(), QStringLiteral("指定なし"));
    EXPECT_EQ(settings.value(QStringLiteral("sounds")).toObject(),
              (QJsonObject{{"soundStart", "Purr"}, {"soundStop", "Frog"}, {"soundSuccess", "Morse"},
                           {"soundFailure", "Tink"}}));
    EXPECT_EQ(settings.value(QStringLiteral("styleNoteLength")).toObject(),
              (QJsonObject{{"standard", 0}, {"formal", 0}, {"junior", 0}, {"friend", 0}, {"lover", 0}}));
    const QJsonObject quality = settings.value(QStringLiteral("quality")).toObject();
    EXPECT_EQ(quality, (QJsonObject{{"name", "Low"}, {"level", "low"}, {"rate", 1.0}}));

    defaults.set(QStringLiteral("cleanup"), false);
    defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("formal"));
    defaults.set(QStringLiteral("qualityLevel"), QStringLiteral("middle"));
    defaults.set(QStringLiteral("inputQualityPercent"), qlonglong(80));
    defaults.set(QStringLiteral("soundStop"), QStringLiteral("なし"));
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("Quendle、👍🏽、e\u0301"));
    defaults.set(QStringLiteral("styleNote.lover"), QStringLiteral("ハート多め"));
    defaults.set(QStringLiteral("field"), QStringLiteral("legal"));
    settings = StatusDocument::settingsSnapshot();
    EXPECT_EQ(settings.value(QStringLiteral("mode")).toString(), QStringLiteral("off"));
    EXPECT_EQ(settings.value(QStringLiteral("quality")).toObject(),
              (QJsonObject{{"name", "High"}, {"level", "middle"}, {"rate", 1.25}}));
    EXPECT_EQ(settings.value(QStringLiteral("sounds")).toObject().value(QStringLiteral("soundStop")),
              QStringLiteral("なし"));
    EXPECT_EQ(settings.value(QStringLiteral("vocabularyLength")).toInt(), 11);
    EXPECT_EQ(settings.value(QStringLiteral("styleNoteLength")).toObject().value(QStringLiteral("lover")).toInt(), 5);
    EXPECT_EQ(settings.value(QStringLiteral("fieldName")).toString(), QStringLiteral("法務・法律"));

    defaults.set(QStringLiteral("cleanup"), true);
    EXPECT_EQ(StatusDocument::settingsSnapshot().value(QStringLiteral("mode")).toString(), QStringLiteral("formal"));
}

TEST_F(StatusFileTest, StoredRecordsOfAnyKindStillMakeAValidDocument) {
    // A record written by hand with a date and raw data in it: the file is still written.
    defaults.set(QStringLiteral("status.lastConfigChange"),
                 QVariantMap{{"key", "x"},
                             {"at", QDateTime::fromSecsSinceEpoch(1'796'593'148, QTimeZone::utc())},
                             {"value", QByteArray("ab")}});
    defaults.set(QStringLiteral("status.lastConfigError"), QStringLiteral("not a dictionary"));
    Bundle::install(nullptr);
    StatusFile status(&permissions);
    refreshAndSettle(status);
    const QJsonObject document = writtenDocument();
    EXPECT_EQ(document.value(QStringLiteral("lastConfigChange")).toObject(),
              (QJsonObject{{"key", "x"}, {"at", "2026-12-06T21:39:08Z"}, {"value", "YWI="}}));
    EXPECT_TRUE(document.value(QStringLiteral("lastConfigError")).isNull());
    EXPECT_EQ(document.value(QStringLiteral("version")).toString(), QStringLiteral("dev"));
}

}  // namespace
