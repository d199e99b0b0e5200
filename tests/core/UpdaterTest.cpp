// The update check on a scripted HTTP client and virtual time: the version comparison, the
// request, the offer and what each kind of check reports; then the installation of an accepted
// offer on real files: the signature, the unpacking, the exchange of the bundles and its undoing.
#include "PrefsFixture.h"
#include "TestHome.h"
#include "core/Alerts.h"
#include "core/AppLog.h"
#include "core/Updater.h"
#include "platform/Files.h"
#include "platform/fake/FakeHttpClient.h"
#include "platform/linux/Ed25519Signature.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>
#include <sodium.h>
#include <vector>

namespace {

class RecordingAlerts final : public AlertRunner {
public:
    int run(const Alert& alert) override {
        shown.push_back(alert);
        return answer;
    }
    std::vector<Alert> shown;
    int answer = AlertRunner::kFirstButton + 1;  // "あとで"
};

const QByteArray kNewer = R"({"version": "1.5.0", "url": "https://example.com/Quendle-1.5.0.zip", "notes": "x"})";

class UpdaterTest : public PrefsFixture {
protected:
    UpdaterTest() {
        AlertRunner::install(&alerts);
        bundle.version = QStringLiteral("1.4.2");
        put("serverURL", QStringLiteral("https://updates.example.com"));
    }
    ~UpdaterTest() override { AlertRunner::install(nullptr); }

    // Runs one check to its end with the given answer.
    void checkWith(bool interactive, const HttpResponse& response) {
        updater->check(interactive);
        ASSERT_TRUE(http.completeNext(response));
        queue.runPending();
    }
    void checkWith(bool interactive, const QByteArray& body) { checkWith(interactive, HttpResponse::reply(200, body)); }

    QStringList logLines() const { return home.logLines(); }

    // The archives asked for after an offer was accepted.
    QStringList downloads() const {
        QStringList urls;
        for (const HttpRequest& request : http.requests())
            if (!request.url.path().endsWith(QLatin1String("/latest"))) urls << request.url.toString();
        return urls;
    }

    TestHome home;
    RecordingAlerts alerts;
    FakeHttpClient http;
    std::unique_ptr<Updater> updater = std::make_unique<Updater>(Updater::Services{http});
};

TEST(UpdaterVersions, NumbersNotText) {
    struct Case {
        const char* candidate;
        const char* current;
        bool newer;
    } cases[] = {
        {"1.10", "1.9", true},     {"1.9", "1.10", false},      {"1.2", "1.2.0", false}, {"1.2.0", "1.2", false},
        {"2.0", "1.99.99", true},  {"1.3b", "1.0", false},      {"1.3", "0", true},      {"0.0.1", "0", true},
        {"0", "0", false},         {"1..2", "1.1", true},       {"-1", "0", false},      {"+2", "1", true},
        {"+", "0", false},         {"99999999999999999999", "1", false},  // beyond 64 bits: 0
        {"1.0.0.1", "1", true},    {"", "0", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Updater::compareVersions(QString::fromUtf8(c.candidate), QString::fromUtf8(c.current)), c.newer)
            << c.candidate << " vs " << c.current;
}

TEST_F(UpdaterTest, CurrentVersionIsTheBundlesOrZero) {
    EXPECT_EQ(Updater::currentVersion(), QStringLiteral("1.4.2"));
    bundle.version.clear();
    EXPECT_EQ(Updater::currentVersion(), QStringLiteral("0"));
    Bundle::install(nullptr);
    EXPECT_EQ(Updater::currentVersion(), QStringLiteral("0"));
}

TEST_F(UpdaterTest, AskingIsOnePlainGetOfTheVersionDocument) {
    updater->check(false);
    ASSERT_EQ(http.requests().size(), 1u);
    const HttpRequest request = http.requests()[0];
    EXPECT_EQ(request.method, QByteArray("GET"));
    EXPECT_EQ(request.url, QUrl(QStringLiteral("https://updates.example.com/v1/app/latest")));
    EXPECT_DOUBLE_EQ(request.timeoutSeconds, 10.0);
    EXPECT_TRUE(request.headers.isEmpty());
    EXPECT_FALSE(request.body.has_value());

    // A fixed address wins over the service's.
    Updater fixed({http, QStringLiteral("http://127.0.0.1:9/latest.json")});
    fixed.check(false);
    EXPECT_EQ(http.requests().back().url, QUrl(QStringLiteral("http://127.0.0.1:9/latest.json")));
}

TEST_F(UpdaterTest, ABadAddressAsksNothing) {
    put("serverURL", QStringLiteral("not a url"));
    updater->check(false);
    queue.runPending();
    EXPECT_TRUE(http.requests().empty());
    EXPECT_TRUE(alerts.shown.empty());

    // The user asked: they learn that no check took place.
    updater->check(true);
    queue.runPending();
    EXPECT_TRUE(http.requests().empty());
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].message, QStringLiteral("確認できませんでした"));
    EXPECT_EQ(logLines().last(), QStringLiteral("アップデート確認: 確認先のアドレスが正しくない: not a url/v1/app/latest"));
}

TEST_F(UpdaterTest, NewerReleaseIsOfferedAndAcceptanceHandsOverTheArchive) {
    alerts.answer = AlertRunner::kFirstButton;
    checkWith(false, kNewer);
    EXPECT_EQ(value("offeredUpdate"), QVariant(QStringLiteral("1.5.0")));
    ASSERT_EQ(alerts.shown.size(), 1u);
    const Alert& alert = alerts.shown[0];
    EXPECT_EQ(alert.message, QStringLiteral("アップデートがあります"));
    EXPECT_EQ(alert.informativeText, QStringLiteral("Quendle 1.5.0 が利用できます（現在: 1.4.2）。更新して再起動しますか？"));
    EXPECT_EQ(alert.buttons, (QStringList{QStringLiteral("今すぐアップデート"), QStringLiteral("あとで")}));
    EXPECT_EQ(downloads(), QStringList{QStringLiteral("https://example.com/Quendle-1.5.0.zip")});
    EXPECT_EQ(logLines(), QStringList{QStringLiteral("アップデート開始: https://example.com/Quendle-1.5.0.zip")});
}

TEST_F(UpdaterTest, AQuietCheckOffersAVersionOnceAnInteractiveOneEveryTime) {
    checkWith(false, kNewer);
    EXPECT_EQ(alerts.shown.size(), 1u);  // answered "あとで"
    checkWith(false, kNewer);
    EXPECT_EQ(alerts.shown.size(), 1u);
    EXPECT_TRUE(downloads().isEmpty());

    checkWith(true, kNewer);
    checkWith(true, kNewer);
    EXPECT_EQ(alerts.shown.size(), 3u);
    EXPECT_EQ(alerts.shown.back().message, QStringLiteral("アップデートがあります"));

    // A later release is news again.
    checkWith(false, R"({"version": "1.6", "url": "https://example.com/1.6.zip"})");
    EXPECT_EQ(alerts.shown.size(), 4u);
    EXPECT_EQ(value("offeredUpdate"), QVariant(QStringLiteral("1.6")));
}

TEST_F(UpdaterTest, SameOrOlderReleaseIsReportedOnlyWhenAsked) {
    checkWith(false, R"({"version": "1.4.2.0", "url": "https://example.com/a.zip"})");
    EXPECT_TRUE(alerts.shown.empty());
    checkWith(true, R"({"version": "1.4.1", "url": "https://example.com/a.zip"})");
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].message, QStringLiteral("最新版です"));
    EXPECT_EQ(alerts.shown[0].informativeText, QStringLiteral("Quendle 1.4.2 をお使いです。"));
    EXPECT_EQ(alerts.shown[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_FALSE(value("offeredUpdate").isValid());
}

TEST_F(UpdaterTest, MissingBundleVersionMakesAnyPositiveReleaseNewer) {
    bundle.version.clear();
    checkWith(true, R"({"version": "0.0.1", "url": "https://example.com/a.zip"})");
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].informativeText, QStringLiteral("Quendle 0.0.1 が利用できます（現在: 0）。更新して再起動しますか？"));
}

TEST_F(UpdaterTest, UnreadableAnswersFailLoudlyOnlyWhenAsked) {
    const std::vector<HttpResponse> failures = {
        HttpResponse::transportError(QStringLiteral("timed out")),
        HttpResponse::reply(200, QByteArray()),
        HttpResponse::reply(502, "<html>Bad Gateway</html>"),
        HttpResponse::reply(200, R"(["1.5.0"])"),
        HttpResponse::reply(200, R"({"version": 2, "url": "https://example.com/a.zip"})"),
        HttpResponse::reply(200, R"({"version": "9.0"})"),  // newer, but nothing to download
        HttpResponse::reply(200, R"({"version": "9.0", "url": 7})"),
        HttpResponse::reply(200, R"({"version": "9.0", "url": "file:///etc/passwd"})"),
        HttpResponse::reply(200, R"({"version": "9.0", "url": "Quendle.zip"})"),
        HttpResponse::reply(200, R"({"version": "9.0", "url": "https://example.com/a.zip")"),  // cut short
    };
    for (const HttpResponse& response : failures) checkWith(false, response);
    EXPECT_TRUE(alerts.shown.empty());

    for (const HttpResponse& response : failures) checkWith(true, response);
    ASSERT_EQ(alerts.shown.size(), failures.size());
    for (const Alert& alert : alerts.shown) {
        EXPECT_EQ(alert.message, QStringLiteral("確認できませんでした"));
        EXPECT_EQ(alert.informativeText, QStringLiteral("あとでもう一度お試しください。"));
        EXPECT_EQ(alert.buttons, QStringList{QStringLiteral("OK")});
    }
    EXPECT_FALSE(value("offeredUpdate").isValid());
    EXPECT_TRUE(downloads().isEmpty());
}

TEST_F(UpdaterTest, AnswerAfterTheUpdaterIsGoneIsDropped) {
    updater->check(true);
    updater.reset();
    ASSERT_TRUE(http.replyNext(200, kNewer));
    queue.runPending();
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_FALSE(value("offeredUpdate").isValid());
}

// ---------------------------------------------------------------------------------------------
// Installing an accepted update

const QString kArchiveUrl = QStringLiteral("https://example.com/Quendle-1.5.0.zip");

// A bundle whose executable holds `content`.
void makeBundle(const QString& path, const QByteArray& content) {
    QDir().mkpath(path + QStringLiteral("/Contents/MacOS"));
    QFile file(path + QStringLiteral("/Contents/MacOS/Quendle"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// A ZIP archive holding a bundle named `name` at its top level.
QByteArray zipOf(const QString& name, const QByteArray& content) {
    QTemporaryDir dir;
    makeBundle(dir.filePath(name), content);
    QProcess zip;
    zip.setWorkingDirectory(dir.path());
    zip.start(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-r"), QStringLiteral("out.zip"), name});
    zip.waitForFinished();
    return Files::read(dir.filePath(QStringLiteral("out.zip")));
}

struct KeyPair {
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    KeyPair() {
        if (sodium_init() < 0) ADD_FAILURE() << "libsodium";
        crypto_sign_keypair(publicKey, secretKey);
    }
    QByteArray sign(const QByteArray& data) const {
        QByteArray signature(crypto_sign_BYTES, '\0');
        crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                             reinterpret_cast<const unsigned char*>(data.constData()), data.size(), secretKey);
        return signature;
    }
};

class UpdaterInstallTest : public PrefsFixture {
protected:
    UpdaterInstallTest() {
        AlertRunner::install(&alerts);
        makeBundle(installed, "old");
        bundle.path = installed;
    }
    ~UpdaterInstallTest() override {
        updater.reset();
        AlertRunner::install(nullptr);
    }

    QByteArray installedExecutable() const { return Files::read(installed + QStringLiteral("/Contents/MacOS/Quendle")); }
    // What else lies beside the installed bundle (copies, bundles moved aside).
    QStringList leftovers() const {
        QStringList names = QDir(home.file(QStringLiteral("Applications"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeAll(QStringLiteral("Quendle.app"));
        return names;
    }

    // Accepts the update; the archive and then its signature come back as given.
    void install(const HttpResponse& archive, const std::optional<HttpResponse>& signature) {
        alerts.shown.clear();
        updater->download(kArchiveUrl);
        ASSERT_TRUE(http.completeNext(archive));
        queue.runPending();
        if (signature) {
            ASSERT_TRUE(http.completeNext(*signature));
        }
        ASSERT_TRUE(queue.waitFor([&] { return !starts.isEmpty() || !alerts.shown.empty(); }, 20000));
        queue.runPending();
    }

    TestHome home;
    const QString installed = home.file(QStringLiteral("Applications/Quendle.app"));
    RecordingAlerts alerts;
    FakeHttpClient http;
    KeyPair key, otherKey;
    const QByteArray archive = zipOf(QStringLiteral("Quendle.app"), "new");
    QStringList starts;
    QString startError;
    int quits = 0;
    std::function<bool(const QString&, const QString&)> renameHook;
    int renames = 0;
    std::unique_ptr<Updater> updater = std::make_unique<Updater>(Updater::Services{
        http, {},
        [this](const QByteArray& data, const QByteArray& signature) {
            return Ed25519Signature::verify(data, signature, QByteArray(reinterpret_cast<const char*>(key.publicKey), 32));
        },
        [this](const QString& program, const QStringList& arguments) {
            if (startError.isEmpty()) starts << program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
            return startError;
        },
        [this] { ++quits; },
        [this](const QString& from, const QString& to) {
            ++renames;
            if (renameHook && !renameHook(from, to)) return false;
            return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
        }});
};

TEST_F(UpdaterInstallTest, ASignedArchiveReplacesTheBundleThenStartsItAndQuits) {
    install(HttpResponse::reply(200, archive), HttpResponse::reply(200, key.sign(archive)));
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(installedExecutable(), QByteArray("new"));
    EXPECT_EQ(starts, QStringList{installed + QStringLiteral("/Contents/MacOS/Quendle --takeover")});
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(http.requests().at(1).url, QUrl(kArchiveUrl + QStringLiteral(".sig")));
    EXPECT_EQ(leftovers(), QStringList());
    EXPECT_EQ(home.logLines(),
              (QStringList{QStringLiteral("アップデート開始: ") + kArchiveUrl, QStringLiteral("アップデート適用: 再起動する")}));
}

TEST_F(UpdaterInstallTest, EveryFailureEndsInOneAlertAndLeavesTheBundleAsItWas) {
    QByteArray tampered = archive;
    tampered[tampered.size() / 2] = char(tampered[tampered.size() / 2] ^ 1);
    const QByteArray page = "<html>Not Found</html>";
    const QByteArray otherBundle = zipOf(QStringLiteral("Other.app"), "new");
    const QString downloadFailed = QStringLiteral("ダウンロードできませんでした。あとでもう一度お試しください。");
    const QString signatureFailed = QStringLiteral("署名の確認に失敗しました");
    const QString unzipFailed = QStandardPaths::findExecutable(QStringLiteral("unzip")) + QStringLiteral(" が失敗しました");
    struct Case {
        const char* what;
        HttpResponse archive;
        std::optional<HttpResponse> signature;
        QString logged;
        QString message;
    } cases[] = {
        {"error page", HttpResponse::reply(404, page), std::nullopt, QStringLiteral("アップデートのダウンロードに失敗: HTTP 404"), downloadFailed},
        {"no connection", HttpResponse::transportError(QStringLiteral("接続できません")), std::nullopt,
         QStringLiteral("アップデートのダウンロードに失敗: 接続できません"), downloadFailed},
        {"no signature", HttpResponse::reply(200, archive), HttpResponse::reply(404, page),
         QStringLiteral("アップデートに失敗: ") + signatureFailed, signatureFailed},
        {"another key", HttpResponse::reply(200, archive), HttpResponse::reply(200, otherKey.sign(archive)),
         QStringLiteral("アップデートに失敗: ") + signatureFailed, signatureFailed},
        {"tampered archive", HttpResponse::reply(200, tampered), HttpResponse::reply(200, key.sign(archive)),
         QStringLiteral("アップデートに失敗: ") + signatureFailed, signatureFailed},
        {"signed page", HttpResponse::reply(200, page), HttpResponse::reply(200, key.sign(page)),
         QStringLiteral("アップデートに失敗: ") + unzipFailed, unzipFailed},
        {"other bundle", HttpResponse::reply(200, otherBundle), HttpResponse::reply(200, key.sign(otherBundle)),
         QStringLiteral("アップデートに失敗: 書庫の中身が想定と違います"), QStringLiteral("書庫の中身が想定と違います")},
    };
    for (const Case& c : cases) {
        install(c.archive, c.signature);
        ASSERT_EQ(alerts.shown.size(), 1u) << c.what;
        EXPECT_EQ(alerts.shown[0].message, QStringLiteral("アップデートに失敗しました")) << c.what;
        EXPECT_EQ(alerts.shown[0].informativeText, c.message) << c.what;
        EXPECT_EQ(home.logLines().last(), c.logged) << c.what;
        EXPECT_EQ(installedExecutable(), QByteArray("old")) << c.what;
        EXPECT_EQ(leftovers(), QStringList()) << c.what;
    }
    EXPECT_EQ(renames, 0);
    EXPECT_TRUE(starts.isEmpty());
    EXPECT_EQ(quits, 0);
}

TEST_F(UpdaterInstallTest, AnExchangeThatFailsHalfWayPutsTheOldBundleBack) {
    renameHook = [this](const QString&, const QString&) { return renames != 2; };  // the copy into place
    install(HttpResponse::reply(200, archive), HttpResponse::reply(200, key.sign(archive)));
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].informativeText, installed + QStringLiteral(" を置き換えられません"));
    EXPECT_EQ(installedExecutable(), QByteArray("old"));
    EXPECT_EQ(leftovers(), QStringList());
    EXPECT_TRUE(starts.isEmpty());
}

TEST_F(UpdaterInstallTest, ANewVersionThatCannotStartIsTakenOutAgain) {
    startError = installed + QStringLiteral("/Contents/MacOS/Quendle を起動できません");
    install(HttpResponse::reply(200, archive), HttpResponse::reply(200, key.sign(archive)));
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].informativeText, startError);
    EXPECT_EQ(home.logLines().last(), QStringLiteral("アップデートに失敗: ") + startError);
    EXPECT_EQ(installedExecutable(), QByteArray("old"));
    EXPECT_EQ(leftovers(), QStringList());
    EXPECT_EQ(quits, 0);
}

}  // namespace
