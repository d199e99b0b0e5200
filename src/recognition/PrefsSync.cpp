#include "recognition/PrefsSync.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/ServicePrefs.h"
#include "platform/Defaults.h"
#include "platform/MainQueue.h"
#include "core/Graphemes.h"
#include "core/WordList.h"
#include "recognition/Transcriber.h"

#include <QJsonDocument>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kDirtyKey = QStringLiteral("prefsDirty");
const QString kSyncedAtKey = QStringLiteral("prefsSyncedAt");
constexpr double kTimeout = 10.0;

// Spaces of every kind (the ideographic space included) and tabs at both ends.
QString trimSpacesAndTabs(const QString& text) {
    auto blank = [](QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; };
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && blank(text.at(start))) ++start;
    while (end > start && blank(text.at(end - 1))) --end;
    return text.mid(start, end - start);
}

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

// A vocabulary word: blanks and line breaks at its ends do not belong to it (the carriage return
// of a CR LF, say).
QString trimBlanksAndLineBreaks(const QString& text) {
    auto blank = [](QChar c) {
        return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space || isLineBreak(c);
    };
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && blank(text.at(start))) ++start;
    while (end > start && blank(text.at(end - 1))) --end;
    return text.mid(start, end - start);
}

std::optional<QString> storedSyncedAt() {
    const QVariant value = AppPrefs::defaults().object(kSyncedAtKey);
    if (!Defaults::isString(value)) return std::nullopt;
    return value.toString();
}

void storeSyncedAt(const std::optional<QString>& stamp) {
    if (stamp)
        AppPrefs::defaults().set(kSyncedAtKey, *stamp);
    else
        AppPrefs::defaults().remove(kSyncedAtKey);
}

void setDirty(bool dirty) { AppPrefs::defaults().set(kDirtyKey, dirty); }

std::optional<QString> stringMember(const QJsonObject& object, const char* name) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isString()) return std::nullopt;
    return value.toString();
}

}  // namespace

struct PrefsSync::State {
    // Numbers the pushes; only the reply to the latest one settles the sync state, so an older
    // push answered late cannot mark a newer, still unacknowledged change as synchronised.
    quint64 pushGeneration = 0;
    // The next try after a failed exchange, and how long the one after that waits.
    MainQueue::TimerId retry = 0;
    double retryDelay = PrefsSync::kRetryFirstSeconds;
    std::map<ObserverId, std::function<void()>> observers;
    ObserverId nextObserver = 1;
};

PrefsSync::PrefsSync(HttpClient& http, std::function<bool()> vocabularyEditPending)
    : http_(http), vocabularyEditPending_(std::move(vocabularyEditPending)), state_(std::make_shared<State>()) {}

PrefsSync::~PrefsSync() { MainQueue::cancel(state_->retry); }

bool PrefsSync::editPending() const { return vocabularyEditPending_ && vocabularyEditPending_(); }

// ---------------------------------------------------------------- requests

std::optional<HttpRequest> PrefsSync::makeRequest(const QByteArray& method, const std::optional<QJsonObject>& body) {
    const QString credential = AppPrefs::serviceCredential();
    if (credential.isEmpty()) return std::nullopt;
    const auto url = Transcriber::endpoint(QStringLiteral("/v1/prefs"));
    if (!url) return std::nullopt;
    HttpRequest request;
    request.method = method;
    request.url = *url;
    request.timeoutSeconds = kTimeout;
    Transcriber::appendIdentityHeaders(request, credential);
    if (body) {
        request.headers.append({QByteArray("Content-Type"), QByteArray("application/json")});
        request.body = QJsonDocument(*body).toJson(QJsonDocument::Compact);
    }
    return request;
}

std::optional<PrefsSync::Remote> PrefsSync::parseReply(const HttpResponse& response) {
    if (response.failed || !response.hasBody || response.status < 200 || response.status > 299) return std::nullopt;
    const QJsonDocument json = QJsonDocument::fromJson(response.body);
    if (!json.isObject()) return std::nullopt;
    const QJsonObject object = json.object();
    Remote remote;
    remote.vocabulary = stringMember(object, "vocabulary");
    remote.corrections = stringMember(object, "corrections");
    const QJsonValue stamp = object.value(QStringLiteral("updated_at"));
    if (stamp.isString()) remote.updatedAt = stamp.toString();
    return remote;
}

void PrefsSync::send(std::optional<HttpRequest> request, RemoteCompletion completion) {
    std::weak_ptr<State> alive = state_;
    if (!request) {
        MainQueue::post([alive, completion = std::move(completion)] {
            if (alive.lock()) completion(std::nullopt);
        });
        return;
    }
    http_.send(std::move(*request), [alive, completion = std::move(completion)](const HttpResponse& response) {
        std::optional<Remote> remote = parseReply(response);
        MainQueue::post([alive, completion, remote = std::move(remote)] {
            if (alive.lock()) completion(remote);
        });
    });
}

void PrefsSync::fetch(RemoteCompletion completion) { send(makeRequest("GET", std::nullopt), std::move(completion)); }

QString PrefsSync::cutForUpload(const QString& text, qsizetype limit, bool vocabulary) {
    const QString start = Graphemes::first(text, limit);
    if (start.size() == text.size()) return text;
    const auto separator = [vocabulary](QChar c) {
        return vocabulary ? WordList::isSeparator(c) : isLineBreak(c);
    };
    // The first character left out is a separator: the start ends with a whole entry.
    if (separator(text.at(start.size()))) return start;
    qsizetype end = start.size();
    while (end > 0 && !separator(start.at(end - 1))) --end;
    // Without the separator that ended the last whole entry.
    while (end > 0 && separator(start.at(end - 1))) --end;
    return start.left(end);
}

void PrefsSync::upload(const QString& vocabulary, const QString& corrections, RemoteCompletion completion) {
    const QString sentVocabulary = cutForUpload(vocabulary, kListLimit, true);
    const QString sentCorrections = cutForUpload(corrections, kListLimit, false);
    // A first entry longer than the service keeps leaves nothing to send. An empty list would
    // replace the list on every other device, so nothing is sent; the push counts as failed and
    // is tried again later (by then the entry may have been shortened).
    const auto lost = [](const QString& sent, const QString& whole, QString (*entries)(const QString&)) {
        return entries(sent).isEmpty() && !entries(whole).isEmpty();
    };
    const bool vocabularyLost = lost(sentVocabulary, vocabulary, &normalizedVocabulary);
    const bool correctionsLost = lost(sentCorrections, corrections, &normalizedCorrections);
    if (vocabularyLost || correctionsLost) {
        AppLog::write(vocabularyLost ? QStringLiteral("語彙同期: 最初の言葉が4000字を超えるので送らない")
                                     : QStringLiteral("語彙同期: 言い直しの最初の行が4000字を超えるので送らない"));
        send(std::nullopt, std::move(completion));
        return;
    }
    if (sentVocabulary.size() != vocabulary.size())
        AppLog::write(QStringLiteral("語彙同期: 覚えさせる言葉が4000字を超えるので、収まる言葉だけ送る"));
    if (sentCorrections.size() != corrections.size())
        AppLog::write(QStringLiteral("語彙同期: 言い直しが4000字を超えるので、収まる行だけ送る"));
    const QJsonObject body{
        {QStringLiteral("vocabulary"), sentVocabulary},
        {QStringLiteral("corrections"), sentCorrections},
    };
    send(makeRequest("PUT", body), std::move(completion));
}

// ---------------------------------------------------------------- pushing

void PrefsSync::pushStoredLists() {
    const quint64 generation = ++state_->pushGeneration;
    std::weak_ptr<State> weak = state_;
    upload(ServicePrefs::vocabulary(), AppPrefs::corrections(),
           [this, weak, generation](const std::optional<Remote>& remote) {
               const auto state = weak.lock();
               if (!state) return;
               if (!remote) {
                   AppLog::write(QStringLiteral("語彙同期: 失敗（送信）"));
                   // The lists stay dirty; without another save or editor visit they would wait
                   // for the next launch.
                   scheduleRetry();
                   return;
               }
               if (generation == state->pushGeneration) {
                   storeSyncedAt(remote->updatedAt);
                   setDirty(false);
                   MainQueue::cancel(state->retry);
                   state->retryDelay = kRetryFirstSeconds;
               }
               AppLog::write(QStringLiteral("語彙同期: 送信 完了"));
           });
}

void PrefsSync::scheduleRetry() {
    if (state_->retry != 0) return;  // one try is already waiting
    const double delay = state_->retryDelay;
    state_->retryDelay = std::min(delay * 2, kRetryMaxSeconds);
    std::weak_ptr<State> weak = state_;
    state_->retry = MainQueue::after(delay, [this, weak] {
        const auto state = weak.lock();
        if (!state) return;
        state->retry = 0;
        reconcileWithService();
    });
}

void PrefsSync::reconcileWithService() {
    if (!AppPrefs::hasServiceCredential()) return;
    if (AppPrefs::prefsDirty()) {
        pushStoredLists();
        return;
    }
    std::weak_ptr<State> weak = state_;
    fetch([this, weak](const std::optional<Remote>& remote) {
        const auto state = weak.lock();
        if (!state) return;
        if (!remote) {
            scheduleRetry();
            return;
        }
        state->retryDelay = kRetryFirstSeconds;
        QJsonObject status;
        if (remote->updatedAt) status.insert(QStringLiteral("prefs_updated_at"), *remote->updatedAt);
        if (remote->vocabulary) status.insert(QStringLiteral("vocabulary"), *remote->vocabulary);
        if (remote->corrections) status.insert(QStringLiteral("corrections"), *remote->corrections);
        reconcile(status);
    });
}

void PrefsSync::pushLocal() {
    if (!AppPrefs::hasServiceCredential()) return;
    setDirty(true);
    pushStoredLists();
}

void PrefsSync::syncOnAppear() {
    if (!AppPrefs::hasServiceCredential() || editPending()) return;
    if (AppPrefs::prefsDirty()) {
        pushStoredLists();
        return;
    }
    std::weak_ptr<State> weak = state_;
    fetch([this, weak](const std::optional<Remote>& remote) {
        if (weak.lock()) applyIfNewer(remote);
    });
}

void PrefsSync::reconcile(const QJsonObject& status) {
    if (!AppPrefs::hasServiceCredential()) return;
    std::optional<QString> stamp;
    const QJsonValue stampValue = status.value(QStringLiteral("prefs_updated_at"));
    if (stampValue.isString() && !stampValue.toString().isEmpty()) stamp = stampValue.toString();

    if (AppPrefs::prefsDirty()) {
        pushStoredLists();
        return;
    }
    if (editPending()) return;
    if (!stamp) {
        if (storedSyncedAt()) return;
        if (ServicePrefs::vocabulary().isEmpty() && AppPrefs::corrections().isEmpty()) return;
        pushStoredLists();  // the first synchronisation seeds the service
        return;
    }
    if (!isNewer(stamp)) return;
    const std::optional<QString> vocabulary = stringMember(status, "vocabulary");
    const std::optional<QString> corrections = stringMember(status, "corrections");
    if (!vocabulary && !corrections) return;
    applyRemote(vocabulary, corrections, stamp);
}

// ---------------------------------------------------------------- applying

void PrefsSync::applyIfNewer(const std::optional<Remote>& remote) {
    if (!remote || editPending()) return;
    // A change saved while the fetch was under way belongs to the user and is on its way to
    // the service; the fetched copy predates it.
    if (AppPrefs::prefsDirty()) return;
    if (isNewer(remote->updatedAt)) applyRemote(remote->vocabulary, remote->corrections, remote->updatedAt);
}

QString PrefsSync::normalizedVocabulary(const QString& text) {
    QStringList words;
    for (const QString& piece : WordList::split(text)) {
        const QString word = trimBlanksAndLineBreaks(piece);
        if (!word.isEmpty()) words << word;
    }
    return words.join(QStringLiteral(", "));
}

QString PrefsSync::normalizedCorrections(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isLineBreak(text.at(i))) continue;
        const QString line = trimSpacesAndTabs(text.mid(start, i - start));
        if (!line.isEmpty()) lines << line;
        start = i + 1;
    }
    return lines.join(QLatin1Char('\n'));
}

void PrefsSync::applyRemote(const std::optional<QString>& vocabulary, const std::optional<QString>& corrections,
                            const std::optional<QString>& updatedAt) {
    Defaults& defaults = AppPrefs::defaults();
    // A list the service's copy lacks is no empty list: the local one stays.
    if (vocabulary) defaults.set(QStringLiteral("vocabulary"), normalizedVocabulary(*vocabulary));
    if (corrections) defaults.set(QStringLiteral("corrections"), normalizedCorrections(*corrections));
    if (updatedAt) storeSyncedAt(updatedAt);
    setDirty(false);
    AppLog::write(QStringLiteral("語彙同期: 受信 完了"));

    std::weak_ptr<State> weak = state_;
    MainQueue::post([weak] {
        const auto state = weak.lock();
        if (!state) return;
        // Observers may remove themselves while being told.
        std::vector<ObserverId> ids;
        for (const auto& entry : state->observers) ids.push_back(entry.first);
        for (ObserverId id : ids) {
            const auto it = state->observers.find(id);
            if (it == state->observers.end()) continue;
            const std::function<void()> onSync = it->second;
            onSync();
        }
    });
}

PrefsSync::ObserverId PrefsSync::observeDidSync(std::function<void()> onSync) {
    const ObserverId id = state_->nextObserver++;
    state_->observers.emplace(id, std::move(onSync));
    return id;
}

void PrefsSync::unobserveDidSync(ObserverId id) { state_->observers.erase(id); }

// ---------------------------------------------------------------- timestamps

bool PrefsSync::isNewer(const std::optional<QString>& stamp) {
    const std::optional<QDateTime> remote = parseServerDate(stamp);
    if (!remote) return false;
    const std::optional<QDateTime> local = parseServerDate(storedSyncedAt());
    if (!local) return true;
    return remote->toMSecsSinceEpoch() > local->toMSecsSinceEpoch();
}

std::optional<QDateTime> PrefsSync::parseServerDate(const std::optional<QString>& text) {
    if (!text || text->isEmpty()) return std::nullopt;
    // Internet date-time (with or without a fraction, with a zone), then the two zoneless forms.
    static const QRegularExpression internet(QStringLiteral(
        "^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(?:\\.(\\d+))?(Z|[+-]\\d{2}:\\d{2})$"));
    static const QRegularExpression plain(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})[T ](\\d{2}):(\\d{2}):(\\d{2})$"));
    QRegularExpressionMatch match = internet.match(*text);
    const bool zoned = match.hasMatch();
    if (!zoned) {
        match = plain.match(*text);
        if (!match.hasMatch()) return std::nullopt;
    }
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    int milliseconds = 0;
    if (zoned && match.hasCaptured(7)) milliseconds = (match.captured(7) + QStringLiteral("00")).left(3).toInt();
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt(), milliseconds);
    if (!date.isValid() || !time.isValid()) return std::nullopt;

    int offsetSeconds = 0;
    if (zoned && match.captured(8) != QLatin1String("Z")) {
        const QString zone = match.captured(8);
        const int hours = zone.mid(1, 2).toInt();
        const int minutes = zone.mid(4, 2).toInt();
        if (hours > 23 || minutes > 59) return std::nullopt;
        offsetSeconds = (hours * 3600 + minutes * 60) * (zone.startsWith(QLatin1Char('-')) ? -1 : 1);
    }
    const QDateTime local(date, time, Qt::UTC);
    return local.addSecs(-offsetSeconds);
}
