#include "../core/StoreHelperPath.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/linux/InfoPlistBundle.h"
#include "platform/linux/PlistDefaults.h"
#include "platform/linux/QtMainQueue.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <limits>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Every kind a value can have, with the awkward cases of each.
QVariantMap everyKind() {
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i) allBytes.append(static_cast<char>(i));
    return {
        {"yes", true},
        {"no", false},
        {"one", qlonglong(1)},
        {"min", std::numeric_limits<qlonglong>::min()},
        {"max", std::numeric_limits<qlonglong>::max()},
        {"negative", qlonglong(-5)},
        {"tenth", 0.1},
        {"third", 1.0 / 3.0},
        {"whole", 3.0},
        {"huge", 1e300},
        {"tiny", 5e-324},
        {"infinite", std::numeric_limits<double>::infinity()},
        {"text", QStringLiteral("開業 → 改行 <a href=\"x\">&amp;</a> ]]> 🎙️\ttab")},
        {"lines", QStringLiteral("one\ntwo\r\nthree\rfour")},
        {"empty", QString(QLatin1String(""))},
        {"date", QDateTime::fromSecsSinceEpoch(1'780'000'000, QTimeZone::utc())},
        {"old date", QDateTime::fromSecsSinceEpoch(-100'000'000, QTimeZone::utc())},
        {"bytes", allBytes},
        {"no bytes", QByteArray("")},
        {"array", QVariantList{qlonglong(1), QStringLiteral("two"), QVariantList{true}, QVariantMap{{"k", 2.5}}}},
        {"empty array", QVariantList{}},
        {"dict", QVariantMap{{"trim", QVariantList{0.25, 3.0}}, {"caps", QVariantMap{{"80", 2.0}}}}},
        {"empty dict", QVariantMap{}},
        {"キー with spaces & <marks>", QStringLiteral("v")},
    };
}

class PlistDefaultsTest : public ::testing::Test {
protected:
    QString dir() const { return temp.path(); }
    QString file() const { return temp.path() + QStringLiteral("/orvane.plist"); }

    FakeMainQueue queue;
    QTemporaryDir temp;
};

// ---- values and files

TEST_F(PlistDefaultsTest, EveryKindRoundTripsThroughTheFile) {
    const QVariantMap values = everyKind();
    {
        PlistDefaults store(QStringLiteral("orvane"), dir());
        for (auto it = values.begin(); it != values.end(); ++it) store.set(it.key(), it.value());
    }
    PlistDefaults reopened(QStringLiteral("orvane"), dir());
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QVariant back = reopened.object(it.key());
        EXPECT_TRUE(PlistDefaults::sameValue(back, it.value()))
            << it.key().toStdString() << ": " << back.typeName() << " " << back.toString().toStdString();
    }
    EXPECT_EQ(reopened.dictionary().size(), values.size());
    // A second save writes the very same bytes.
    const QByteArray bytes = readAll(file());
    EXPECT_EQ(PlistDefaults::toXml(*PlistDefaults::fromXml(bytes)), bytes);
}

TEST_F(PlistDefaultsTest, KindsStayApart) {
    PlistDefaults store(QStringLiteral("orvane"), dir());
    store.set(QStringLiteral("int"), 1);  // a plain int becomes the 64-bit kind
    store.set(QStringLiteral("bool"), true);
    store.set(QStringLiteral("real"), 2.0);
    PlistDefaults reopened(QStringLiteral("orvane"), dir());
    EXPECT_TRUE(Defaults::isInteger(reopened.object(QStringLiteral("int"))));
    EXPECT_TRUE(Defaults::isBool(reopened.object(QStringLiteral("bool"))));
    EXPECT_EQ(reopened.object(QStringLiteral("real")).metaType().id(), QMetaType::Double);
    EXPECT_TRUE(readAll(file()).contains("<integer>1</integer>"));
}

TEST_F(PlistDefaultsTest, DatesKeepWholeSecondsSoTheyReadBackAsWritten) {
    PlistDefaults store(QStringLiteral("orvane"), dir());
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1'780'000'000'750, QTimeZone::utc());
    store.set(QStringLiteral("helloSentAt"), when);
    const QDateTime cut = QDateTime::fromSecsSinceEpoch(1'780'000'000, QTimeZone::utc());
    EXPECT_EQ(store.object(QStringLiteral("helloSentAt")).toDateTime(), cut);
    EXPECT_EQ(PlistDefaults(QStringLiteral("orvane"), dir()).object(QStringLiteral("helloSentAt")).toDateTime(), cut);
}

TEST_F(PlistDefaultsTest, MissingOrEmptyDomain) {
    {
        PlistDefaults store(QStringLiteral("orvane"), dir());
        EXPECT_TRUE(store.domainMissingOrEmpty());
        store.set(QStringLiteral("k"), true);
        EXPECT_FALSE(store.domainMissingOrEmpty());
        store.remove(QStringLiteral("k"));
        EXPECT_TRUE(store.domainMissingOrEmpty());
    }
    EXPECT_TRUE(QFile::exists(file()));  // present, with zero entries
    EXPECT_TRUE(PlistDefaults(QStringLiteral("orvane"), dir()).domainMissingOrEmpty());
}

TEST_F(PlistDefaultsTest, UnreadableFileIsKeptAsideAndNotTakenForEmpty) {
    writeAll(file(), PlistDefaults::toXml({{"keep", QStringLiteral("me")}}));
    PlistDefaults store(QStringLiteral("orvane"), dir());
    writeAll(file(), "<plist><dict><key>half");  // a broken edit
    store.reload();
    EXPECT_EQ(store.object(QStringLiteral("keep")), QVariant(QStringLiteral("me")));
    store.set(QStringLiteral("new"), qlonglong(1));
    EXPECT_EQ(readAll(file() + QStringLiteral(".unreadable")), QByteArray("<plist><dict><key>half"));
    const QVariantMap disk = *PlistDefaults::fromXml(readAll(file()));
    EXPECT_EQ(disk.value(QStringLiteral("keep")), QVariant(QStringLiteral("me")));
    EXPECT_EQ(disk.value(QStringLiteral("new")), QVariant(qlonglong(1)));
}

// Files a crash, another program or an attacker can leave behind: the store starts from defaults,
// keeps the file aside, and is written normally afterwards.
TEST_F(PlistDefaultsTest, HostileFilesAreSetAsideInsteadOfAborting) {
    const QDir inputs(qEnvironmentVariable("QUENDLE_SOURCE_DIR") + QStringLiteral("/tests/data/hostile-inputs"));
    const QStringList files = inputs.entryList({"min_*", "nul_*", "deep_*"}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 9);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = readAll(inputs.filePath(name));
        writeAll(file(), bytes);
        QFile::remove(file() + QStringLiteral(".unreadable"));
        PlistDefaults store(QStringLiteral("orvane"), dir());
        EXPECT_TRUE(store.wasUnreadableAtStart());
        EXPECT_TRUE(store.domainMissingOrEmpty());
        EXPECT_EQ(readAll(store.unreadableCopyPath()), bytes);
        store.set(QStringLiteral("after"), true);
        EXPECT_EQ(PlistDefaults::fromXml(readAll(file())), (QVariantMap{{"after", true}}));
    }
}

TEST_F(PlistDefaultsTest, ValuesNestedBeyondAnySettingAreRefusedWhole) {
    QVariant deep = QVariantList{};
    for (int i = 0; i < 10'000; ++i) deep = QVariantList{deep};
    PlistDefaults store(QStringLiteral("orvane"), dir());
    store.set(QStringLiteral("deep"), deep);
    EXPECT_FALSE(store.object(QStringLiteral("deep")).isValid());
    QVariant shallow = QVariantList{qlonglong(1)};
    for (int i = 0; i < 20; ++i) shallow = QVariantList{shallow};
    store.set(QStringLiteral("shallow"), shallow);
    EXPECT_TRUE(PlistDefaults::sameValue(store.object(QStringLiteral("shallow")), shallow));
}

TEST_F(PlistDefaultsTest, GlobalDomainIsReadFromTheFileBeside) {
    PlistDefaults store(QStringLiteral("orvane"), dir());
    EXPECT_FALSE(store.globalObject(QStringLiteral("com.apple.keyboard.fnState")).isValid());
    writeAll(dir() + QStringLiteral("/.GlobalPreferences.plist"),
             PlistDefaults::toXml({{"com.apple.keyboard.fnState", true}}));
    EXPECT_EQ(store.globalObject(QStringLiteral("com.apple.keyboard.fnState")), QVariant(true));
    writeAll(dir() + QStringLiteral("/.GlobalPreferences.plist"),
             PlistDefaults::toXml({{"com.apple.keyboard.fnState", false}, {"pad", QStringLiteral("changed size")}}));
    EXPECT_EQ(store.globalObject(QStringLiteral("com.apple.keyboard.fnState")), QVariant(false));
    EXPECT_FALSE(store.object(QStringLiteral("com.apple.keyboard.fnState")).isValid());
}

// ---- writers in this process and others

TEST_F(PlistDefaultsTest, ObserversHearRealChangesOnTheMainQueue) {
    PlistDefaults store(QStringLiteral("orvane"), dir());
    int calls = 0;
    int others = 0;
    const auto id = store.observe(QStringLiteral("k"), [&] { ++calls; });
    store.observe(QStringLiteral("other"), [&] { ++others; });
    store.set(QStringLiteral("k"), QStringLiteral("a"));
    EXPECT_EQ(calls, 0);  // not inside set()
    queue.runPending();
    EXPECT_EQ(calls, 1);
    store.set(QStringLiteral("k"), QStringLiteral("a"));  // unchanged
    store.set(QStringLiteral("k"), qlonglong(0));
    store.set(QStringLiteral("k"), false);  // same "zero", other kind: a change
    store.remove(QStringLiteral("k"));
    store.remove(QStringLiteral("k"));
    queue.runPending();
    EXPECT_EQ(calls, 4);
    store.unobserve(id);
    store.set(QStringLiteral("k"), true);
    queue.runPending();
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(others, 0);
}

TEST_F(PlistDefaultsTest, ReloadNotifiesExactlyTheKeysAnotherWriterChanged) {
    PlistDefaults store(QStringLiteral("orvane"), dir());
    store.set(QStringLiteral("same"), qlonglong(1));
    store.set(QStringLiteral("changed"), qlonglong(1));
    store.set(QStringLiteral("removed"), qlonglong(1));
    queue.runPending();
    QStringList heard;
    for (const char* key : {"same", "changed", "removed", "added"})
        store.observe(QString::fromLatin1(key), [&heard, key] { heard << QString::fromLatin1(key); });

    writeAll(file(), PlistDefaults::toXml({{"same", qlonglong(1)}, {"changed", qlonglong(2)}, {"added", 0.5}}));
    store.reload();
    queue.runPending();
    heard.sort();
    EXPECT_EQ(heard, (QStringList{"added", "changed", "removed"}));
    EXPECT_EQ(store.object(QStringLiteral("changed")), QVariant(qlonglong(2)));
    EXPECT_FALSE(store.object(QStringLiteral("removed")).isValid());
}

TEST_F(PlistDefaultsTest, WritersWithStaleViewsLoseNothing) {
    PlistDefaults first(QStringLiteral("orvane"), dir());
    PlistDefaults second(QStringLiteral("orvane"), dir());  // never reloaded
    first.set(QStringLiteral("a"), qlonglong(1));
    second.set(QStringLiteral("b"), qlonglong(2));
    first.set(QStringLiteral("c"), qlonglong(3));
    const QVariantMap disk = *PlistDefaults::fromXml(readAll(file()));
    EXPECT_EQ(disk, (QVariantMap{{"a", qlonglong(1)}, {"b", qlonglong(2)}, {"c", qlonglong(3)}}));
    // A reload brings in the other writer's key and keeps this one's.
    first.reload();
    EXPECT_EQ(first.object(QStringLiteral("b")), QVariant(qlonglong(2)));
    EXPECT_EQ(first.object(QStringLiteral("c")), QVariant(qlonglong(3)));
}

TEST_F(PlistDefaultsTest, RewritingAValueAnotherWriterChangedMeanwhileWins) {
    PlistDefaults first(QStringLiteral("orvane"), dir());
    PlistDefaults second(QStringLiteral("orvane"), dir());
    first.set(QStringLiteral("cleanupStyle"), QStringLiteral("formal"));
    first.set(QStringLiteral("gone"), qlonglong(1));
    second.reload();
    second.set(QStringLiteral("cleanupStyle"), QStringLiteral("friend"));
    second.remove(QStringLiteral("gone"));
    // `first` has not reloaded yet and still holds these values: its writes are the newer ones.
    first.set(QStringLiteral("cleanupStyle"), QStringLiteral("formal"));
    first.set(QStringLiteral("gone"), qlonglong(1));
    const QVariantMap disk = *PlistDefaults::fromXml(readAll(file()));
    EXPECT_EQ(disk.value(QStringLiteral("cleanupStyle")), QVariant(QStringLiteral("formal")));
    EXPECT_EQ(disk.value(QStringLiteral("gone")), QVariant(qlonglong(1)));
    second.reload();
    EXPECT_EQ(second.object(QStringLiteral("cleanupStyle")), QVariant(QStringLiteral("formal")));

    // A write the file already agrees with leaves it untouched (an editor's layout included).
    const QByteArray edited = "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict>"
                              "<key>cleanupStyle</key><string>formal</string>"
                              "<key>gone</key><integer>1</integer></dict></plist>\n";
    writeAll(file(), edited);
    first.set(QStringLiteral("cleanupStyle"), QStringLiteral("formal"));
    first.remove(QStringLiteral("never there"));
    EXPECT_EQ(readAll(file()), edited);
}

TEST_F(PlistDefaultsTest, AWriteThatCouldNotReachTheDiskSurvivesReloads) {
    const QString folder = dir() + QStringLiteral("/Preferences");
    PlistDefaults store(QStringLiteral("orvane"), folder);
    store.set(QStringLiteral("a"), qlonglong(1));
    ASSERT_TRUE(QDir(folder).removeRecursively());  // nothing can be written now, not even by root
    store.set(QStringLiteral("b"), qlonglong(2));
    store.reload();  // the file is gone: "a" goes with it, the unsaved "b" stays
    EXPECT_FALSE(store.object(QStringLiteral("a")).isValid());
    EXPECT_EQ(store.object(QStringLiteral("b")), QVariant(qlonglong(2)));
    ASSERT_TRUE(QDir().mkpath(folder));
    store.set(QStringLiteral("c"), qlonglong(3));  // the next write carries the earlier one along
    const QVariantMap disk = *PlistDefaults::fromXml(readAll(folder + QStringLiteral("/orvane.plist")));
    EXPECT_EQ(disk, (QVariantMap{{"b", qlonglong(2)}, {"c", qlonglong(3)}}));
}

// ---- a second process, with the real event loop

class PlistDefaultsProcessTest : public ::testing::Test {
protected:
    static QString helper() { return storeHelperPath(); }
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(helper())) << "helper not built: " << helper().toStdString();
        MainQueue::install(&queue);
    }
    void TearDown() override { MainQueue::install(nullptr); }

    bool run(const QStringList& args) {
        QProcess process;
        process.start(helper(), args);
        return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }
    // Runs the event loop until `done` holds; the milliseconds it took, or -1 after `limitMs`.
    static qint64 spinUntil(const std::function<bool()>& done, int limitMs) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > limitMs) return -1;
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
        }
        return clock.elapsed();
    }

    QtMainQueue queue;
    QTemporaryDir temp;
};

TEST_F(PlistDefaultsProcessTest, AChangeWrittenByAnotherProcessIsSeenWithinOneSecond) {
    PlistDefaults store(QStringLiteral("orvane"), temp.path());
    store.set(QStringLiteral("mine"), true);
    QStringList values;
    store.observe(QStringLiteral("cleanupStyle"),
                  [&] { values << store.object(QStringLiteral("cleanupStyle")).toString(); });

    ASSERT_TRUE(run({"set", temp.path(), "orvane", "cleanupStyle", "formal"}));
    const qint64 first = spinUntil([&] { return values.size() == 1; }, 3000);
    EXPECT_GE(first, 0);
    EXPECT_LT(first, 1000);

    // An editor's atomic replace, after the first replace already swapped the watched file.
    ASSERT_TRUE(run({"edit", temp.path(), "orvane", "cleanupStyle", "friend"}));
    const qint64 second = spinUntil([&] { return values.size() == 2; }, 3000);
    EXPECT_GE(second, 0);
    EXPECT_LT(second, 1000);
    EXPECT_EQ(values, (QStringList{"formal", "friend"}));
    EXPECT_EQ(store.object(QStringLiteral("mine")), QVariant(true));
}

// ---- the bundle

TEST(InfoPlistBundleTest, ReadsTheBundleAroundTheExecutable) {
    QTemporaryDir temp;
    const QString app = temp.path() + QStringLiteral("/Quendle.app");
    ASSERT_TRUE(QDir().mkpath(app + QStringLiteral("/Contents/MacOS")));
    writeAll(app + QStringLiteral("/Contents/Info.plist"),
             PlistDefaults::toXml({{"CFBundleIdentifier", QStringLiteral("orvane")},
                                   {"CFBundleShortVersionString", QStringLiteral("1.4.2")}}));
    const InfoPlistBundle bundle(app + QStringLiteral("/Contents/MacOS/Quendle"));
    EXPECT_EQ(bundle.identifier(), "orvane");
    EXPECT_EQ(bundle.shortVersion(), "1.4.2");
    EXPECT_EQ(bundle.bundlePath(), app);
    EXPECT_EQ(bundle.resourcesPath(), app + QStringLiteral("/Contents/Resources"));
    EXPECT_EQ(bundle.versionOfBundleAt(app), "1.4.2");
    EXPECT_EQ(bundle.versionOfBundleAt(temp.path() + QStringLiteral("/Missing.app")), QString());
}

TEST(InfoPlistBundleTest, OutsideABundleEverythingIsEmpty) {
    QTemporaryDir temp;
    ASSERT_TRUE(QDir().mkpath(temp.path() + QStringLiteral("/Tool/Contents/MacOS")));
    writeAll(temp.path() + QStringLiteral("/Tool/Contents/Info.plist"),
             PlistDefaults::toXml({{"CFBundleIdentifier", QStringLiteral("orvane")}}));
    const InfoPlistBundle notApp(temp.path() + QStringLiteral("/Tool/Contents/MacOS/Quendle"));  // no ".app"
    EXPECT_EQ(notApp.identifier(), QString());
    EXPECT_EQ(notApp.bundlePath(), QString());
    const InfoPlistBundle running;  // this test binary
    EXPECT_FALSE(running.executablePath().isEmpty());
    EXPECT_EQ(running.identifier(), QString());
}

}  // namespace
