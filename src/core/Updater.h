#pragma once

#include <QByteArray>
#include <QStringList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class BundleSwap;
class HttpClient;
struct HttpResponse;
class SerialQueue;

// The update check: fetches a small JSON version document naming the newest release and the
// address of its archive ({"version": "1.4.2", "url": "https://…"}; other members are ignored),
// compares that release with the running bundle's version and, when it is newer, asks the user
// whether to update now. An interactive check (the user asked) reports every outcome; any other
// check stays silent unless there is a version that was not offered before (`offeredUpdate`
// remembers the last version offered).
//
// An accepted offer downloads the archive (a ZIP whose top level holds Quendle.app) and its
// detached signature (the archive's address followed by ".sig"), checks the signature before
// anything else, unpacks the archive into a fresh private temporary folder, copies the new bundle
// beside the installed one, exchanges the two by renaming and starts the new bundle (with
// `--takeover`), then quits. Every failure ends in one alert and leaves the installed bundle as it
// was.
//
// Main thread only; answers hop back to the main queue, unpacking and copying run on the queue
// "orvane.update", and the Updater may go while a request is under way (the answer is then
// dropped).
class Updater {
public:
    // Idle time after which the request fails.
    static constexpr double kRequestTimeout = 10.0;
    // Where the version document lives under the service's base URL, unless a fixed address is
    // given.
    static constexpr const char* kManifestPath = "/v1/app/latest";
    // The settings key of the last version offered.
    static constexpr const char* kOfferedUpdateKey = "offeredUpdate";

    struct Services {
        HttpClient& http;
        // The version document's address; empty: the service's base URL followed by
        // kManifestPath, read at every check.
        QString manifestAddress = {};
        // Whether a detached signature of the downloaded archive was made with the release key.
        // Absent: no archive is trusted.
        std::function<bool(const QByteArray& archive, const QByteArray& signature)> verifySignature = {};
        // Starts a program on its own; empty when it started, else what went wrong.
        std::function<QString(const QString& program, const QStringList& arguments)> start = {};
        // Ends the application (after the new version was started).
        std::function<void()> quit = {};
        // rename(2) for the exchange of the bundles; tests plant failures here.
        std::function<bool(const QString& from, const QString& to)> rename = {};
    };

    static constexpr const char* kInstallFailedTitle = "アップデートに失敗しました";
    static constexpr const char* kSignatureFailed = "署名の確認に失敗しました";
    static constexpr const char* kArchiveUnexpected = "書庫の中身が想定と違います";

    explicit Updater(Services services);
    ~Updater();

    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;

    // Starts the request and returns at once.
    void check(bool interactive);
    // The answer of the request (its body; none when nothing came back).
    void handleManifest(const std::optional<QByteArray>& body, bool interactive);
    // The question to the user; on "今すぐアップデート" the download takes over.
    void offer(const QString& version, const QString& url);
    // Downloads, checks and installs the release archive at the address (see above).
    void download(const QString& address);

    // The address a check asks now.
    QString manifestAddress() const;

    // The running bundle's CFBundleShortVersionString, or "0" when it has none.
    static QString currentVersion();
    // Whether `candidate` is newer than `current`: dot-separated whole numbers (an optional sign
    // and decimal digits; any other piece, or one beyond 64 bits, counts 0), empty pieces
    // dropped, missing pieces 0, compared piece by piece (so 1.10 > 1.9 and 1.2 == 1.2.0).
    static bool compareVersions(const QString& candidate, const QString& current);
    // Schedules a one-button ("OK") alert with the title and the message on the main queue.
    static void showAlert(const QString& title, const QString& message);
    // An http or https address with a host; none for anything else.
    static std::optional<QUrl> webAddress(const QString& address);

private:
    void reportFailure(bool interactive);
    void fetch(const QUrl& url, std::function<void(Updater&, const HttpResponse&)> then);
    void archiveArrived(const QUrl& url, const HttpResponse& response);
    void signatureArrived(const QByteArray& archive, const HttpResponse& response);
    void putInPlace(const std::shared_ptr<BundleSwap>& swap);
    static void downloadFailed(const QString& description);
    static void installFailed(const QString& message);

    Services services_;
    std::unique_ptr<SerialQueue> worker_;
    std::shared_ptr<Updater*> alive_;
};
