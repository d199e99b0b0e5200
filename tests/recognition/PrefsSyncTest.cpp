// Preference sync on a fake HTTP client and the virtual clock: who wins, what is sent, what is
// stored.
#include "RecognitionFixture.h"
#include "core/ServicePrefs.h"
#include "platform/fake/FakeHttpClient.h"
#include "recognition/PrefsSync.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

using Remote = PrefsSync::Remote;

class PrefsSyncTest : public RecognitionFixture {
protected:
    PrefsSyncTest() {
        defaults.set(QStringLiteral("serverURL"), QStringLiteral("http://service.test"));
        defaults.set(QStringLiteral("serviceKey"), QStringLiteral("secret"));
        defaults.set(QStringLiteral("deviceID"), QStringLiteral("device-1"));
    }

    QString str(const char* key) const { return defaults.stringForKey(QLatin1String(key)); }
    bool has(const char* key) const { return defaults.object(QLatin1String(key)).isValid(); }
    bool dirty() const { return defaults.boolForKey(QStringLiteral("prefsDirty")); }

    QJsonObject sentJSON(size_t index) const {
        return QJsonDocument::fromJson(http.requests().at(index).body.value_or(QByteArray())).object();
    }
    // Answers the oldest request with a JSON object and runs the main queue.
    void answer(const QJsonObject& object, int status = 200) {
        ASSERT_TRUE(http.replyNext(status, QJsonDocument(object).toJson(QJsonDocument::Compact)));
        queue.runPending();
    }
    static QJsonObject copy(const QString& vocabulary, const QString& corrections, const QString& stamp) {
        return QJsonObject{{QStringLiteral("vocabulary"), vocabulary},
                           {QStringLiteral("corrections"), corrections},
                           {QStringLiteral("updated_at"), stamp}};
    }

    bool editing = false;
    FakeHttpClient http;
    PrefsSync sync{http, [this] { return editing; }};
};

TEST_F(PrefsSyncTest, PushSendsTheListsCutAtWholeWordsAndRulesWithIdentityAndSettlesOnTheReply) {
    QStringList words;
    QStringList rules;
    for (int i = 0; i < 600; ++i) {
        words << QStringLiteral("word%1").arg(i);
        rules << QStringLiteral("ごにん%1 → 誤認%1").arg(i);
    }
    const QString vocabulary = words.join(QStringLiteral(", "));
    const QString corrections = rules.join(QLatin1Char('\n'));
    defaults.set(QStringLiteral("vocabulary"), vocabulary);
    defaults.set(QStringLiteral("corrections"), corrections);
    sync.pushLocal();
    EXPECT_TRUE(dirty());
    const std::vector<HttpRequest> sent = http.requests();
    ASSERT_EQ(sent.size(), 1u);
    const HttpRequest& request = sent.front();
    EXPECT_EQ(request.method, QByteArray("PUT"));
    EXPECT_EQ(request.url.toString(), QStringLiteral("http://service.test/v1/prefs"));
    EXPECT_EQ(request.timeoutSeconds, 10.0);
    ASSERT_EQ(request.headers.size(), 3);
    EXPECT_EQ(request.headers[0], (QPair<QByteArray, QByteArray>("Authorization", "Bearer secret")));
    EXPECT_EQ(request.headers[1], (QPair<QByteArray, QByteArray>("X-Device", "device-1")));
    EXPECT_EQ(request.headers[2], (QPair<QByteArray, QByteArray>("Content-Type", "application/json")));

    // As many whole words and rules as fit in 4000 characters; none is cut in two.
    const QString sentVocabulary = sentJSON(0).value(QStringLiteral("vocabulary")).toString();
    const QString sentCorrections = sentJSON(0).value(QStringLiteral("corrections")).toString();
    EXPECT_TRUE(vocabulary.startsWith(sentVocabulary + QStringLiteral(", ")));
    EXPECT_TRUE(corrections.startsWith(sentCorrections + QLatin1Char('\n')));
    EXPECT_LE(sentVocabulary.size(), 4000);
    EXPECT_GT(sentVocabulary.size() + 9, 4000);
    EXPECT_LE(sentCorrections.size(), 4000);
    EXPECT_GT(sentCorrections.size() + 16, 4000);
    EXPECT_EQ(str("corrections"), corrections);  // the local text is not cut

    answer(copy(QStringLiteral("x"), QString(), QStringLiteral("2025-06-01T12:00:00Z")));
    EXPECT_FALSE(dirty());
    EXPECT_EQ(str("prefsSyncedAt"), QStringLiteral("2025-06-01T12:00:00Z"));
    EXPECT_EQ(str("vocabulary"), vocabulary);  // a push reply is not applied
    EXPECT_EQ(logLines(), (QStringList{QStringLiteral("語彙同期: 覚えさせる言葉が4000字を超えるので、収まる言葉だけ送る"),
                                       QStringLiteral("語彙同期: 言い直しが4000字を超えるので、収まる行だけ送る"),
                                       QStringLiteral("語彙同期: 送信 完了")}));
}

// Rules may hold the vocabulary's separators, and a word may hold a line separator: the cut
// still ends at a whole rule and a whole word.
TEST_F(PrefsSyncTest, TheCutEndsAtAWholeRuleOrWordWhateverSeparatorsTheyHold) {
    const QString rules = QStringLiteral("ごにん → 誤認\n").repeated(443);                      // 3987 characters
    const QString corrections = rules + QStringLiteral("えっと、あの,その → その\nx → y");  // 、 and , before 4000
    const QString words = QStringLiteral("word, ").repeated(666);                          // 3996 characters
    const QString vocabulary = words + QStringLiteral("ab\u2028cd, end");                  // one word across 4000
    sync.upload(vocabulary, corrections, [](const std::optional<Remote>&) {});
    ASSERT_EQ(http.requests().size(), 1u);
    EXPECT_EQ(sentJSON(0).value(QStringLiteral("corrections")).toString(), rules.chopped(1));
    EXPECT_EQ(sentJSON(0).value(QStringLiteral("vocabulary")).toString(), words.chopped(2));

    // One separator rule for the stored list, the hints and the cut: a line separator is no break.
    EXPECT_EQ(PrefsSync::normalizedVocabulary(QStringLiteral("ab\u2028cd\f,x")), QStringLiteral("ab\u2028cd, x"));
}

// An upload never turns a list the user has into an empty one on the service (and so on every
// other device): a first entry longer than the service keeps stops the push instead.
TEST_F(PrefsSyncTest, AListWhoseFirstEntryIsLongerThanTheServiceKeepsIsNotSentEmpty) {
    const QString tooLong = QStringLiteral("長、い,").repeated(1001);  // 4004 characters
    defaults.set(QStringLiteral("corrections"), tooLong + QStringLiteral(" → 短い\na → b"));
    sync.pushLocal();
    queue.runPending();
    EXPECT_TRUE(http.requests().empty());
    EXPECT_TRUE(dirty());
    EXPECT_EQ(logLines(), (QStringList{QStringLiteral("語彙同期: 言い直しの最初の行が4000字を超えるので送らない"),
                                       QStringLiteral("語彙同期: 失敗（送信）")}));

    defaults.set(QStringLiteral("corrections"), QStringLiteral("a → b"));
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("\n ").repeated(3) + QStringLiteral("長い").repeated(2001));
    sync.pushLocal();
    queue.runPending();
    EXPECT_TRUE(http.requests().empty());
    EXPECT_EQ(logLines().at(2), QStringLiteral("語彙同期: 最初の言葉が4000字を超えるので送らない"));

    // Shortened, the lists go out.
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("長い"));
    queue.advance(PrefsSync::kRetryMaxSeconds);
    ASSERT_EQ(http.requests().size(), 1u);
    EXPECT_EQ(sentJSON(0).value(QStringLiteral("corrections")).toString(), QStringLiteral("a → b"));
}

TEST_F(PrefsSyncTest, AFailedPushIsTriedAgainLaterAndLaterUntilTheServiceHasTheLists) {
    sync.pushLocal();
    ASSERT_TRUE(http.failNext(QStringLiteral("offline")));
    queue.runPending();
    queue.advance(PrefsSync::kRetryFirstSeconds - 1);
    EXPECT_EQ(http.requests().size(), 1u);
    queue.advance(1);
    ASSERT_EQ(http.requests().size(), 2u) << "tried again without any editor being opened";
    EXPECT_EQ(http.requests()[1].method, QByteArray("PUT"));
    ASSERT_TRUE(http.failNext(QStringLiteral("offline")));
    queue.runPending();
    queue.advance(PrefsSync::kRetryFirstSeconds * 2 - 1);
    EXPECT_EQ(http.requests().size(), 2u) << "each failure waits longer";
    queue.advance(1);
    ASSERT_EQ(http.requests().size(), 3u);
    answer(copy(QString(), QString(), QStringLiteral("2030-01-01T00:00:00Z")));
    EXPECT_FALSE(dirty());
    queue.advance(PrefsSync::kRetryMaxSeconds * 2);
    EXPECT_EQ(http.requests().size(), 3u) << "nothing more once sent";
}

TEST_F(PrefsSyncTest, AtLaunchAPendingChangeIsPushedOrTheServicesCopyReconciled) {
    defaults.set(QStringLiteral("prefsDirty"), true);
    sync.reconcileWithService();
    ASSERT_EQ(http.requests().size(), 1u);
    EXPECT_EQ(http.requests()[0].method, QByteArray("PUT"));
    answer(copy(QString(), QString(), QStringLiteral("2025-01-01T00:00:00Z")));

    // Nothing pending: the service's newer copy is taken, and only the lists it holds.
    defaults.set(QStringLiteral("corrections"), QStringLiteral("a → b"));
    sync.reconcileWithService();
    ASSERT_EQ(http.requests().size(), 2u);
    EXPECT_EQ(http.requests()[1].method, QByteArray("GET"));
    answer(QJsonObject{{QStringLiteral("vocabulary"), QStringLiteral("x、y")},
                       {QStringLiteral("updated_at"), QStringLiteral("2030-01-01T00:00:00Z")}});
    EXPECT_EQ(str("vocabulary"), QStringLiteral("x, y"));
    EXPECT_EQ(str("corrections"), QStringLiteral("a → b"));
    EXPECT_EQ(str("prefsSyncedAt"), QStringLiteral("2030-01-01T00:00:00Z"));
}

TEST_F(PrefsSyncTest, PushAnsweredWithAnEmptyObjectForgetsTheStampAndOtherwiseStaysDirty) {
    defaults.set(QStringLiteral("prefsSyncedAt"), QStringLiteral("2025-01-01T00:00:00Z"));
    sync.pushLocal();
    answer(QJsonObject{});
    EXPECT_FALSE(dirty());
    EXPECT_FALSE(has("prefsSyncedAt"));

    for (const HttpResponse& bad : {HttpResponse::reply(200, "[1]"), HttpResponse::reply(200, "not json"),
                                    HttpResponse::reply(500, "{}"), HttpResponse::transportError(QStringLiteral("offline"))}) {
        sync.pushLocal();
        ASSERT_TRUE(http.completeNext(bad));
        queue.runPending();
        EXPECT_TRUE(dirty());
    }
    EXPECT_EQ(logLines().count(QStringLiteral("語彙同期: 失敗（送信）")), 4);
}

TEST_F(PrefsSyncTest, WithoutCredentialNothingIsSentAndFetchAnswersNothingOnTheMainQueue) {
    defaults.remove(QStringLiteral("serviceKey"));
    sync.pushLocal();
    sync.reconcile(QJsonObject{{QStringLiteral("prefs_updated_at"), QStringLiteral("2030-01-01T00:00:00Z")}});
    sync.syncOnAppear();
    EXPECT_FALSE(dirty());
    EXPECT_TRUE(http.requests().empty());

    std::vector<std::optional<Remote>> got;
    sync.fetch([&](const std::optional<Remote>& r) { got.push_back(r); });
    EXPECT_TRUE(got.empty());  // never synchronously
    queue.runPending();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_FALSE(got[0].has_value());

    defaults.set(QStringLiteral("serviceKey"), QStringLiteral("k"));
    defaults.set(QStringLiteral("serverURL"), QStringLiteral("not a url"));
    sync.upload(QStringLiteral("a"), QStringLiteral("b"), [&](const std::optional<Remote>& r) { got.push_back(r); });
    queue.runPending();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_FALSE(got[1].has_value());
    EXPECT_TRUE(http.requests().empty());
}

TEST_F(PrefsSyncTest, ParsesTheServiceStampFormsAndNothingElse) {
    auto utc = [](const char* text) { return QDateTime::fromString(QLatin1String(text), Qt::ISODateWithMs).toMSecsSinceEpoch(); };
    auto parsed = [](const char* text) { return PrefsSync::parseServerDate(QString::fromUtf8(text)); };
    EXPECT_EQ(parsed("2025-06-01T12:34:56.789Z")->toMSecsSinceEpoch(), utc("2025-06-01T12:34:56.789Z"));
    EXPECT_EQ(parsed("2025-06-01T12:34:56.5+09:00")->toMSecsSinceEpoch(), utc("2025-06-01T03:34:56.500Z"));
    EXPECT_EQ(parsed("2025-06-01T12:34:56Z")->toMSecsSinceEpoch(), utc("2025-06-01T12:34:56Z"));
    EXPECT_EQ(parsed("2025-06-01T12:34:56-02:30")->toMSecsSinceEpoch(), utc("2025-06-01T15:04:56Z"));
    EXPECT_EQ(parsed("2025-06-01T12:34:56")->toMSecsSinceEpoch(), utc("2025-06-01T12:34:56Z"));
    EXPECT_EQ(parsed("2025-06-01 12:34:56")->toMSecsSinceEpoch(), utc("2025-06-01T12:34:56Z"));
    for (const char* bad : {"", "2025-06-01", "2025-06-01T12:34Z", "2025-13-01T00:00:00Z", "2025-02-30 00:00:00",
                            "2025-06-01T24:00:00Z", " 2025-06-01T12:34:56Z", "2025-06-01T12:34:56.Z", "2025-06-01 12:34:56Z",
                            "yesterday"}) {
        EXPECT_FALSE(parsed(bad).has_value()) << bad;
    }
    EXPECT_FALSE(PrefsSync::parseServerDate(std::nullopt).has_value());
}

TEST_F(PrefsSyncTest, ServiceStampMustBeStrictlyLaterThanTheAgreedOne) {
    EXPECT_TRUE(PrefsSync::isNewer(QStringLiteral("2025-06-01T12:00:00Z")));  // never synchronised
    EXPECT_FALSE(PrefsSync::isNewer(std::nullopt));
    EXPECT_FALSE(PrefsSync::isNewer(QStringLiteral("garbage")));
    defaults.set(QStringLiteral("prefsSyncedAt"), QStringLiteral("2025-06-01 12:00:00"));
    EXPECT_FALSE(PrefsSync::isNewer(QStringLiteral("2025-06-01T12:00:00Z")));       // the same instant
    EXPECT_FALSE(PrefsSync::isNewer(QStringLiteral("2025-06-01T12:00:01+09:00")));  // 03:00:01 UTC
    EXPECT_TRUE(PrefsSync::isNewer(QStringLiteral("2025-06-01T12:00:01Z")));
    defaults.set(QStringLiteral("prefsSyncedAt"), QStringLiteral("unreadable"));
    EXPECT_TRUE(PrefsSync::isNewer(QStringLiteral("2000-01-01T00:00:00Z")));
}

TEST_F(PrefsSyncTest, NewerFetchedCopyIsNormalisedStoredAndAnnounced) {
    defaults.set(QStringLiteral("prefsSyncedAt"), QStringLiteral("2025-06-01T12:00:00Z"));
    int announced = 0;
    sync.observeDidSync([&] { ++announced; });

    sync.syncOnAppear();
    ASSERT_EQ(http.requests().size(), 1u);
    EXPECT_EQ(http.requests()[0].method, QByteArray("GET"));
    EXPECT_FALSE(http.requests()[0].body.has_value());
    EXPECT_FALSE(http.requests()[0].hasHeader("Content-Type"));
    answer(copy(QStringLiteral("old"), QStringLiteral("x → y"), QStringLiteral("2025-06-01T12:00:00Z")));  // equal: kept
    EXPECT_EQ(str("vocabulary"), QString());
    EXPECT_EQ(announced, 0);

    sync.syncOnAppear();
    answer(copy(QStringLiteral("a、b，c\n\n d ,\r\n\t,e\u3000"), QStringLiteral("  x → y \r\n\n\u2028 p → q\t"),
                QStringLiteral("2025-06-01T12:00:01Z")));
    EXPECT_EQ(str("vocabulary"), QStringLiteral("a, b, c, d, e"));
    EXPECT_EQ(str("corrections"), QStringLiteral("x → y\np → q"));
    EXPECT_EQ(str("prefsSyncedAt"), QStringLiteral("2025-06-01T12:00:01Z"));
    EXPECT_FALSE(dirty());
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(logLines(), QStringList{QStringLiteral("語彙同期: 受信 完了")});

    // A copy without a stamp is never applied.
    sync.applyIfNewer(Remote{QStringLiteral("z"), QString(), std::nullopt});
    EXPECT_EQ(str("vocabulary"), QStringLiteral("a, b, c, d, e"));

    // A copy that lacks a list leaves that list alone.
    sync.applyIfNewer(Remote{std::nullopt, QStringLiteral("m → n"), QStringLiteral("2025-06-01T12:00:02Z")});
    EXPECT_EQ(str("vocabulary"), QStringLiteral("a, b, c, d, e"));
    EXPECT_EQ(str("corrections"), QStringLiteral("m → n"));
}

TEST_F(PrefsSyncTest, EditsInTheWindowAndUnsentLocalChangesAreNeverOverwritten) {
    const Remote newer{QStringLiteral("remote"), QStringLiteral("r → s"), QStringLiteral("2030-01-01T00:00:00Z")};
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("local"));

    editing = true;
    sync.applyIfNewer(newer);
    sync.syncOnAppear();  // does nothing while editing
    EXPECT_TRUE(http.requests().empty());
    EXPECT_EQ(str("vocabulary"), QStringLiteral("local"));
    editing = false;

    // A fetch under way when the user saves: its older copy must not replace the saved lists.
    sync.syncOnAppear();
    defaults.set(QStringLiteral("vocabulary"), QStringLiteral("saved meanwhile"));
    sync.pushLocal();
    answer(copy(*newer.vocabulary, *newer.corrections, *newer.updatedAt));  // the fetch
    EXPECT_EQ(str("vocabulary"), QStringLiteral("saved meanwhile"));
    EXPECT_TRUE(dirty());
    answer(copy(QStringLiteral("saved meanwhile"), QString(), QStringLiteral("2030-01-01T00:00:05Z")));  // the push
    EXPECT_FALSE(dirty());
    EXPECT_EQ(str("vocabulary"), QStringLiteral("saved meanwhile"));
}

TEST_F(PrefsSyncTest, OnlyTheLatestPushSettlesTheState) {
    sync.pushLocal();
    sync.pushLocal();  // a second save while the first push is under way
    answer(copy(QString(), QString(), QStringLiteral("2030-01-01T00:00:00Z")));  // the first
    EXPECT_TRUE(dirty());
    EXPECT_FALSE(has("prefsSyncedAt"));
    ASSERT_TRUE(http.failNext(QStringLiteral("offline")));  // the second is lost
    queue.runPending();
    EXPECT_TRUE(dirty());  // so the next reconcile or editor visit pushes again

    sync.syncOnAppear();
    ASSERT_EQ(http.requests().size(), 3u);
    EXPECT_EQ(http.requests()[2].method, QByteArray("PUT"));
    answer(copy(QString(), QString(), QStringLiteral("2030-01-01T00:00:09Z")));
    EXPECT_FALSE(dirty());
    EXPECT_EQ(str("prefsSyncedAt"), QStringLiteral("2030-01-01T00:00:09Z"));
}

TEST_F(PrefsSyncTest, ReconcileDecidesBetweenPushingApplyingAndNothing) {
    auto status = [](const QJsonObject& extra) {
        QJsonObject s = extra;
        s.insert(QStringLiteral("prefs_updated_at"), QStringLiteral("2030-01-01T00:00:00Z"));
        return s;
    };

    // A pending local change is pushed whatever the stamps say, also while editing.
    defaults.set(QStringLiteral("prefsDirty"), true);
    editing = true;
    sync.reconcile(status({{QStringLiteral("vocabulary"), QStringLiteral("remote")}}));
    ASSERT_EQ(http.requests().size(), 1u);
    EXPECT_EQ(http.requests()[0].method, QByteArray("PUT"));
    answer(QJsonObject{{QStringLiteral("updated_at"), QStringLiteral("2025-01-01T00:00:00Z")}});
    sync.reconcile(status({{QStringLiteral("vocabulary"), QStringLiteral("remote")}}));  // editing: stop
    EXPECT_EQ(http.requests().size(), 1u);
    EXPECT_EQ(str("vocabulary"), QString());
    editing = false;

    // A newer stamp with list members is applied; a missing member leaves its list alone.
    defaults.set(QStringLiteral("corrections"), QStringLiteral("a → b"));
    sync.reconcile(status({}));  // newer, but no lists: nothing
    EXPECT_EQ(str("corrections"), QStringLiteral("a → b"));
    sync.reconcile(status({{QStringLiteral("vocabulary"), QStringLiteral("x, y")}}));
    EXPECT_EQ(str("vocabulary"), QStringLiteral("x, y"));
    EXPECT_EQ(str("corrections"), QStringLiteral("a → b"));
    EXPECT_EQ(str("prefsSyncedAt"), QStringLiteral("2030-01-01T00:00:00Z"));
    sync.reconcile(status({{QStringLiteral("vocabulary"), QStringLiteral("again")}}));  // not newer any more
    EXPECT_EQ(str("vocabulary"), QStringLiteral("x, y"));

    // No service stamp: nothing once synchronised; otherwise the first sync seeds the service.
    sync.reconcile(QJsonObject{{QStringLiteral("prefs_updated_at"), QString()}});
    EXPECT_EQ(http.requests().size(), 1u);
    defaults.remove(QStringLiteral("prefsSyncedAt"));
    defaults.set(QStringLiteral("vocabulary"), QString());
    defaults.set(QStringLiteral("corrections"), QString());
    sync.reconcile(QJsonObject{});  // both lists empty: nothing to seed
    EXPECT_EQ(http.requests().size(), 1u);
    defaults.remove(QStringLiteral("vocabulary"));  // the default vocabulary stands in
    sync.reconcile(QJsonObject{});
    ASSERT_EQ(http.requests().size(), 2u);
    EXPECT_EQ(sentJSON(1).value(QStringLiteral("vocabulary")).toString(), ServicePrefs::defaultVocabulary());
    EXPECT_FALSE(dirty());  // seeding does not mark the lists dirty
}

TEST_F(PrefsSyncTest, RepliesAfterTheSyncIsGoneDoNothing) {
    auto gone = std::make_unique<PrefsSync>(http);
    bool called = false;
    gone->pushLocal();
    gone->fetch([&](const std::optional<Remote>&) { called = true; });
    gone.reset();
    answer(copy(QString(), QString(), QStringLiteral("2030-01-01T00:00:00Z")));
    answer(copy(QStringLiteral("r"), QString(), QStringLiteral("2030-01-01T00:00:00Z")));
    EXPECT_FALSE(called);
    EXPECT_TRUE(dirty());
    EXPECT_TRUE(logLines().isEmpty());
}

}  // namespace
