#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class HttpClient;

// The update check: fetches a small JSON version document naming the newest release and the
// address of its archive ({"version": "1.4.2", "url": "https://…"}; other members are ignored),
// compares that release with the running bundle's version and, when it is newer, asks the user
// whether to update now. An interactive check (the user asked) reports every outcome; any other
// check stays silent unless there is a version that was not offered before (`offeredUpdate`
// remembers the last version offered).
//
// Main thread only; the request's answer hops back to the main queue, and the Updater may go
// while a request is under way (the answer is then dropped).
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
        // Takes over once the user accepted an offer, with the archive's address. Absent: the
        // acceptance is only logged (this desktop has no self-installation yet).
        std::function<void(const QString& archiveAddress)> download = {};
    };

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

    Services services_;
    std::shared_ptr<Updater*> alive_;
};
