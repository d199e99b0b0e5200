#include "recognition/Transcriber.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/ServicePrefs.h"
#include "platform/MainQueue.h"
#include "core/Graphemes.h"
#include "recognition/TranscriptFilter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUuid>

namespace {

constexpr double kTranscribeTimeout = 30.0;
constexpr double kCleanupTimeout = 10.0;
constexpr double kPingTimeout = 5.0;
constexpr qsizetype kVocabularyLimit = 300;
constexpr qsizetype kNoteLimit = 400;
constexpr qsizetype kContextLimit = 2000;

std::optional<QString> validUTF8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// One left-to-right pass over the JSON escapes of a captured string value. \uXXXX escapes become
// UTF-16 units, so an escaped surrogate pair becomes its one character. An unknown or cut-off
// escape is kept as written.
QString unescapeJSONString(const QString& raw) {
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= raw.size()) {
            out.append(c);
            continue;
        }
        const QChar e = raw.at(i + 1);
        switch (e.unicode()) {
        case '"': out.append(QLatin1Char('"')); ++i; continue;
        case '\\': out.append(QLatin1Char('\\')); ++i; continue;
        case '/': out.append(QLatin1Char('/')); ++i; continue;
        case 'n': out.append(QLatin1Char('\n')); ++i; continue;
        case 'r': out.append(QLatin1Char('\r')); ++i; continue;
        case 't': out.append(QLatin1Char('\t')); ++i; continue;
        case 'b': out.append(QChar(0x08)); ++i; continue;
        case 'f': out.append(QChar(0x0C)); ++i; continue;
        case 'u': {
            if (i + 5 < raw.size()) {
                int value = 0;
                bool ok = true;
                for (int k = 2; k < 6; ++k) {
                    const int h = hexValue(raw.at(i + k));
                    if (h < 0) {
                        ok = false;
                        break;
                    }
                    value = value * 16 + h;
                }
                if (ok) {
                    out.append(QChar(char16_t(value)));
                    i += 5;
                    continue;
                }
            }
            out.append(c);
            continue;
        }
        default:
            out.append(c);
            continue;
        }
    }
    return out;
}

// The raw (still escaped) value of the first `"text" : "…"` pair in body order, found in one pass
// without a backtracking pattern, so a transcript of any length is read. A value is a run of
// characters other than `"` and `\`, and of escape pairs (a backslash and any character but a
// line break); a pair whose value never closes is passed over for the next one.
std::optional<QString> rawTextMember(const QString& body) {
    static const QString key = QStringLiteral("\"text\"");
    const auto isSpace = [](QChar c) { return c.isSpace(); };
    qsizetype from = 0;
    while (true) {
        const qsizetype at = body.indexOf(key, from);
        if (at < 0) return std::nullopt;
        from = at + 1;
        qsizetype i = at + key.size();
        while (i < body.size() && isSpace(body.at(i))) ++i;
        if (i >= body.size() || body.at(i) != QLatin1Char(':')) continue;
        ++i;
        while (i < body.size() && isSpace(body.at(i))) ++i;
        if (i >= body.size() || body.at(i) != QLatin1Char('"')) continue;
        const qsizetype start = ++i;
        while (i < body.size()) {
            const QChar c = body.at(i);
            if (c == QLatin1Char('"')) return body.mid(start, i - start);
            if (c == QLatin1Char('\\')) {
                if (i + 1 >= body.size()) return std::nullopt;
                if (body.at(i + 1) == QLatin1Char('\n')) break;
                i += 2;
                continue;
            }
            ++i;
        }
        // Reaching the end without a closing quote, no later pair can close either: each later
        // value starts inside this one, in step with it.
        if (i >= body.size()) return std::nullopt;
        from = i;
    }
}

}  // namespace

Transcriber::Transcriber(HttpClient& http, std::function<bool()> keyboardIsEnglish)
    : http_(http), keyboardIsEnglish_(std::move(keyboardIsEnglish)) {}

// ---------------------------------------------------------------- request frame

std::optional<QUrl> Transcriber::endpoint(const QString& path) {
    const QUrl url(AppPrefs::serverURL() + path, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) return std::nullopt;
    return url;
}

QString Transcriber::makeBoundary() {
    return QStringLiteral("quendle-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QByteArray Transcriber::multipartBody(const QString& boundary, const Fields& fields, const std::optional<QByteArray>& audio) {
    const QByteArray b = boundary.toUtf8();
    QByteArray body;
    for (const auto& [name, value] : fields) {
        body += "--" + b + "\r\n";
        body += "Content-Disposition: form-data; name=\"" + name.toUtf8() + "\"\r\n\r\n";
        body += value.toUtf8() + "\r\n";
    }
    if (audio) {
        body += "--" + b + "\r\n";
        body += "Content-Disposition: form-data; name=\"file\"; filename=\"rec.wav\"\r\n";
        body += "Content-Type: audio/wav\r\n\r\n";
        body += *audio;
        body += "\r\n--" + b + "--\r\n";
    } else {
        body += "--" + b + "--\r\n";
    }
    return body;
}

void Transcriber::appendIdentityHeaders(HttpRequest& request, const QString& credential) {
    if (!credential.isEmpty()) request.headers.append({"Authorization", "Bearer " + credential.toUtf8()});
    request.headers.append({"X-Device", AppPrefs::deviceID().toUtf8()});
}

QString Transcriber::effectiveStyle(const std::optional<QString>& style) {
    if (style) return *style;
    return AppPrefs::cleanup() ? ServicePrefs::storedCleanupStyle() : QStringLiteral("off");
}

QString Transcriber::languageCode() const {
    const QString spoken = AppPrefs::spokenLanguage();
    if (spoken == QLatin1String("ja")) return QStringLiteral("ja");
    if (spoken == QLatin1String("en")) return QStringLiteral("en");
    return keyboardIsEnglish_ && keyboardIsEnglish_() ? QStringLiteral("en") : QStringLiteral("ja");
}

QString Transcriber::audioSecondsHeader(qsizetype audioBytes) {
    const double seconds = std::max(0.0, double(audioBytes - 44) / 32000.0);
    return QString::asprintf("%.3f", seconds);
}

Transcriber::Fields Transcriber::settingsFields() const {
    Fields fields;
    fields.append({QStringLiteral("language"), languageCode()});
    fields.append({QStringLiteral("output_lang"), AppPrefs::outputLanguage()});
    fields.append({QStringLiteral("newlines"), AppPrefs::newlinesFormValue()});
    return fields;
}

void Transcriber::appendContext(Fields& fields, const std::optional<ContextCapture::Snapshot>& context) {
    if (!context || context->isEmpty()) return;
    const QString before = Graphemes::last(context->before, kContextLimit);
    if (!before.isEmpty()) fields.append({QStringLiteral("context_before"), before});
    const QString after = Graphemes::first(context->after, kContextLimit);
    if (!after.isEmpty()) fields.append({QStringLiteral("context_after"), after});
}

namespace {

// hearts, vocabulary and note: the optional fields shared by transcription and cleanup.
void appendStyleFields(Transcriber::Fields& fields, const QString& style) {
    if (style == QLatin1String("lover")) fields.append({QStringLiteral("hearts"), ServicePrefs::loverHeartLevel()});
    const QString vocabulary = Graphemes::first(ServicePrefs::vocabulary().trimmed(), kVocabularyLimit);
    if (!vocabulary.isEmpty()) fields.append({QStringLiteral("vocabulary"), vocabulary});
    const QString note = Graphemes::first(ServicePrefs::styleNote(style).trimmed(), kNoteLimit);
    if (!note.isEmpty()) fields.append({QStringLiteral("note"), note});
}

void appendIdentity(HttpRequest& request, bool withCredential) {
    Transcriber::appendIdentityHeaders(request, withCredential ? AppPrefs::serviceCredential() : QString());
}

// A multipart POST to `path` with the identity headers; nothing when the base URL is unreadable.
std::optional<HttpRequest> multipartPost(const QString& path, double timeout, QString* boundary) {
    const auto url = Transcriber::endpoint(path);
    if (!url) return std::nullopt;
    *boundary = Transcriber::makeBoundary();
    HttpRequest request;
    request.method = "POST";
    request.url = *url;
    request.timeoutSeconds = timeout;
    request.headers.append({"Content-Type", "multipart/form-data; boundary=" + boundary->toUtf8()});
    appendIdentity(request, true);
    return request;
}

}  // namespace

std::optional<HttpRequest> Transcriber::transcribeRequest(const QByteArray& audio, const std::optional<QString>& style,
                                                          const std::optional<ContextCapture::Snapshot>& context) const {
    QString boundary;
    std::optional<HttpRequest> made = multipartPost(QStringLiteral("/v1/transcribe"), kTranscribeTimeout, &boundary);
    if (!made) return std::nullopt;
    HttpRequest& request = *made;
    request.headers.append({"X-Audio-Seconds", audioSecondsHeader(audio.size()).toUtf8()});

    const QString effective = effectiveStyle(style);
    const QString language = languageCode();
    AppLog::write(language == QLatin1String("en") ? QStringLiteral("クラウド認識言語: 英語 (en)")
                                                   : QStringLiteral("クラウド認識言語: 日本語 (ja)"));

    const bool off = effective == QLatin1String("off");
    Fields fields;
    fields.append({QStringLiteral("cleanup"), off ? QStringLiteral("0") : QStringLiteral("1")});
    fields.append({QStringLiteral("style"), effective});
    fields.append({QStringLiteral("language"), language});
    fields.append({QStringLiteral("output_lang"), AppPrefs::outputLanguage()});
    fields.append({QStringLiteral("newlines"), AppPrefs::newlinesFormValue()});
    if (AppPrefs::qualityLevel() == QLatin1String("high")) fields.append({QStringLiteral("quality"), QStringLiteral("max")});
    appendStyleFields(fields, effective);
    if (!off) appendContext(fields, context);
    request.body = multipartBody(boundary, fields, audio);
    return request;
}

std::optional<HttpRequest> Transcriber::cleanupRequest(const QString& text, const QString& style,
                                                       const std::optional<ContextCapture::Snapshot>& context) const {
    if (!AppPrefs::hasServiceCredential()) return std::nullopt;
    QString boundary;
    std::optional<HttpRequest> made = multipartPost(QStringLiteral("/v1/cleanup"), kCleanupTimeout, &boundary);
    if (!made) return std::nullopt;
    HttpRequest& request = *made;

    Fields fields;
    fields.append({QStringLiteral("text"), text});
    fields.append({QStringLiteral("style"), style});
    fields.append(settingsFields());
    appendStyleFields(fields, style);
    appendContext(fields, context);
    request.body = multipartBody(boundary, fields, std::nullopt);
    return request;
}

std::optional<HttpRequest> Transcriber::pingRequest() {
    const auto url = endpoint(QStringLiteral("/v1/ping"));
    if (!url) return std::nullopt;
    HttpRequest request;
    request.method = "GET";
    request.url = *url;
    request.timeoutSeconds = kPingTimeout;
    return request;
}

// ---------------------------------------------------------------- operations

void Transcriber::transcribe(const QByteArray& audio, const std::optional<QString>& style,
                             const std::optional<ContextCapture::Snapshot>& context, Completion completion) const {
    auto request = transcribeRequest(audio, style, context);
    if (!request) {
        completion(Result::failure(Failure::message(unreadableURLMessage())));
        return;
    }
    http_.send(std::move(*request), [completion = std::move(completion)](const HttpResponse& response) {
        handleTranscribeReply(response, completion);
    });
}

void Transcriber::cleanup(const QString& text, const QString& style, const std::optional<ContextCapture::Snapshot>& context,
                          Completion completion) const {
    if (!AppPrefs::hasServiceCredential()) {
        completion(Result::failure(Failure::message(missingCredentialMessage())));
        return;
    }
    auto request = cleanupRequest(text, style, context);
    if (!request) {
        completion(Result::failure(Failure::message(unreadableURLMessage())));
        return;
    }
    http_.send(std::move(*request), [completion = std::move(completion)](const HttpResponse& response) {
        handleCleanupReply(response, completion);
    });
}

void Transcriber::ping() const {
    auto request = pingRequest();
    if (!request) return;
    http_.send(std::move(*request), [](const HttpResponse&) {});
}

// ---------------------------------------------------------------- replies

void Transcriber::handleTranscribeReply(const HttpResponse& response, const Completion& completion) {
    readReply(response, completion, true);
}

void Transcriber::handleCleanupReply(const HttpResponse& response, const Completion& completion) {
    readReply(response, completion, false);
}

void Transcriber::readReply(const HttpResponse& response, const Completion& completion, bool transcription) {
    if (response.failed) {
        completion(Result::failure(Failure::message(response.error)));
        return;
    }
    const std::optional<QString> bodyText = response.hasBody ? validUTF8(response.body) : std::nullopt;
    if (!bodyText) {
        completion(Result::failure(Failure::message(unreadableReplyMessage())));
        return;
    }
    if (response.status != 0 && (response.status < 200 || response.status > 299)) {
        const QJsonDocument json = QJsonDocument::fromJson(response.body);
        const QJsonValue error = json.isObject() ? json.object().value(QStringLiteral("error")) : QJsonValue();
        if (error.isString()) {
            completion(Result::failure(Failure::message(error.toString())));
        } else {
            completion(Result::failure(Failure::message(QStringLiteral("サーバー") + QString::number(response.status))));
        }
        return;
    }
    const QString text = extractText(response.body).trimmed();
    if (text.isEmpty()) {
        completion(Result::failure(Failure::noSpeech()));
        return;
    }
    if (transcription) {
        if (isNoise(text)) {
            completion(Result::failure(Failure::noSpeech()));
            return;
        }
        MainQueue::post([] { ServicePrefs::incrementCounter(QStringLiteral("helloOnlineCount")); });
    }
    completion(Result::success(text));
}

QString Transcriber::extractText(const QByteArray& body) {
    // The first "text": "…" pair in body order, wherever it sits (a nested object included, and
    // also in a body that is not JSON at all), with its escapes decoded in one pass.
    const std::optional<QString> text = validUTF8(body);
    if (!text) return QString();
    const std::optional<QString> raw = rawTextMember(*text);
    if (!raw) return QString();
    return unescapeJSONString(*raw);
}

bool Transcriber::isNoise(const QString& text) { return TranscriptFilter::isNoise(text); }
