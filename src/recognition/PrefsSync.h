#pragma once

#include "core/ServicePrefs.h"
#include "platform/HttpClient.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>

// Keeps the user's two word lists, the vocabulary and the corrections, in step with the service's
// copy: PUT /v1/prefs pushes the local lists, GET /v1/prefs fetches the service's, and two
// timestamps decide which side wins. The local side wins while it has a change the service has
// not acknowledged (`prefsDirty`); otherwise the service wins when its stamp is strictly later
// than the last one both sides agreed on (`prefsSyncedAt`). A list being edited in the settings
// window is never overwritten.
//
// A push that fails is tried again, later and later (kRetryFirstSeconds, doubling up to
// kRetryMaxSeconds), until the service has the lists. Each list is sent cut to its first
// kListLimit characters at a whole line (corrections) or word (vocabulary), never inside a rule;
// a list whose first entry alone is longer is not sent at all, never sent empty in its place.
//
// Every completion runs on the main queue, also when no request could be built. Completions
// that arrive after this object is gone do nothing.
class PrefsSync {
public:
    // The service's copy of the lists.
    struct Remote {
        std::optional<QString> vocabulary;   // none when the reply lacks it or it is not a string
        std::optional<QString> corrections;  // likewise
        std::optional<QString> updatedAt;    // the service's stamp of this copy
        bool operator==(const Remote&) const = default;
    };
    using RemoteCompletion = std::function<void(const std::optional<Remote>&)>;
    using ObserverId = quint64;

    static constexpr qsizetype kListLimit = ServicePrefs::kServiceListLimit;  // characters sent per list
    static constexpr double kRetryFirstSeconds = 30.0;
    static constexpr double kRetryMaxSeconds = 1800.0;

    // `vocabularyEditPending` answers whether the settings window holds unsaved edits of either
    // list (absent: never); while it does, nothing from the service is applied.
    explicit PrefsSync(HttpClient& http, std::function<bool()> vocabularyEditPending = {});
    ~PrefsSync();

    PrefsSync(const PrefsSync&) = delete;
    PrefsSync& operator=(const PrefsSync&) = delete;

    // After a list was saved: marks the lists dirty and pushes them (nothing without a stored
    // service credential).
    void pushLocal();
    // What the vocabulary and corrections editors do when they appear: fetch and apply a newer
    // service copy, or push a pending local change.
    void syncOnAppear();
    // Compares the service's status ("prefs_updated_at", optionally "vocabulary" and
    // "corrections") with the local state and pushes or applies accordingly.
    void reconcile(const QJsonObject& status);
    // At launch: pushes a local change the service has not acknowledged, or fetches the service's
    // copy and reconciles with it. A failed exchange is tried again later (see above).
    void reconcileWithService();

    // GET: the service's copy, or nothing when there is no credential, the base URL is
    // unreadable, or the reply is not a 2xx JSON object.
    void fetch(RemoteCompletion completion);
    // PUT of the given lists (each cut to its first 4000 characters at a whole entry); the copy
    // the service answers with, or nothing, as for fetch. Nothing is sent (and nothing comes
    // back) when the cut would leave no entry of a list that has some: the service would take
    // the empty list and hand it to every other device.
    void upload(const QString& vocabulary, const QString& corrections, RemoteCompletion completion);

    // Applies a fetched copy when its stamp is newer, no list is being edited and no local
    // change waits for the service.
    void applyIfNewer(const std::optional<Remote>& remote);
    // Stores a copy from the service (the lists normalised; a list the copy lacks stays as it is),
    // clears `prefsDirty`, logs and tells the observers.
    void applyRemote(const std::optional<QString>& vocabulary, const std::optional<QString>& corrections,
                     const std::optional<QString>& updatedAt);

    // Runs `onSync` on the main queue after service values were applied.
    ObserverId observeDidSync(std::function<void()> onSync);
    void unobserveDidSync(ObserverId id);

    // ---- the pieces, for callers and tests
    // Whether the service stamp is strictly later than `prefsSyncedAt` (an absent or unreadable
    // local stamp: any readable service stamp is newer).
    static bool isNewer(const std::optional<QString>& stamp);
    // ISO 8601 internet date-time with or without fractional seconds (Z or ±hh:mm), or
    // "yyyy-MM-ddTHH:mm:ss" / "yyyy-MM-dd HH:mm:ss" read as UTC; nothing else.
    static std::optional<QDateTime> parseServerDate(const std::optional<QString>& text);
    // A request to base URL + "/v1/prefs", or nothing without a credential or a readable URL.
    static std::optional<HttpRequest> makeRequest(const QByteArray& method, const std::optional<QJsonObject>& body);
    // A 2xx reply with a JSON object body, or nothing.
    static std::optional<Remote> parseReply(const HttpResponse& response);
    // The vocabulary split at WordList::isSeparator, each word trimmed of blanks and
    // line breaks, empty ones dropped, joined by ", ".
    static QString normalizedVocabulary(const QString& text);
    // The corrections without blank lines, each line trimmed, joined by line feeds.
    static QString normalizedCorrections(const QString& text);
    // The text as sent: whole when it has at most `limit` characters, else its longest start of
    // at most `limit` characters that ends before a separator (for the corrections any line
    // break; for the vocabulary WordList::isSeparator), so no rule or word is cut in
    // two. Empty when the first entry alone is longer than `limit`.
    static QString cutForUpload(const QString& text, qsizetype limit, bool vocabulary);

private:
    struct State;

    bool editPending() const;
    void send(std::optional<HttpRequest> request, RemoteCompletion completion);
    // Uploads the stored lists (or their defaults) and settles the sync state with the reply.
    void pushStoredLists();
    // A failed exchange: reconcileWithService() again after the current back-off, which doubles.
    void scheduleRetry();

    HttpClient& http_;
    std::function<bool()> vocabularyEditPending_;
    std::shared_ptr<State> state_;
};
