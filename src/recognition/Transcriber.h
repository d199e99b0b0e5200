#pragma once

#include "platform/HttpClient.h"
#include "textio/ContextCapture.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

// The client of the transcription service: transcription of a recording, cleanup of a text
// recognised on the device, and the warm-up ping. Every call builds a fresh request, sends it
// once and forgets it; nothing is retried, queued or cancelled.
class Transcriber {
public:
    // Why a request (or a recognition) produced no text.
    class Failure {
    public:
        enum class Kind {
            Message,       // a ready, user-facing text (transport error, unreadable reply, server text)
            ModelMissing,  // the on-device model of a language is missing (made by the dictation pipeline)
            NoSpeech,      // the reply (or the on-device result) held no usable text
            NoAudio = NoSpeech,
        };

        static Failure message(const QString& text) { return Failure(Kind::Message, text); }
        static Failure modelMissing(const QString& languageName) { return Failure(Kind::ModelMissing, languageName); }
        static Failure noSpeech() { return Failure(Kind::NoSpeech, QString()); }
        static Failure noAudio() { return noSpeech(); }

        Kind kind() const { return kind_; }
        // The message text (Message) or the language name (ModelMissing); empty for NoSpeech.
        const QString& text() const { return text_; }
        bool operator==(const Failure&) const = default;

    private:
        Failure(Kind kind, QString text) : kind_(kind), text_(std::move(text)) {}
        Kind kind_;
        QString text_;
    };

    // Success with a trimmed, non-empty text, or a failure.
    class Result {
    public:
        static Result success(const QString& text) { return Result(text, std::nullopt); }
        static Result failure(const Failure& failure) { return Result(QString(), failure); }
        bool isSuccess() const { return !failure_.has_value(); }
        const QString& text() const { return text_; }
        const Failure& failure() const { return *failure_; }

    private:
        Result(QString text, std::optional<Failure> failure) : text_(std::move(text)), failure_(std::move(failure)) {}
        QString text_;
        std::optional<Failure> failure_;
    };

    // Runs exactly once: on the HTTP client's worker thread, or synchronously before the call
    // returns when the request cannot be built. Callers hop to the main queue themselves.
    using Completion = std::function<void(const Result&)>;
    using Fields = QList<QPair<QString, QString>>;

    // `keyboardIsEnglish` tells whether the current keyboard input source is English; it is
    // asked only when the spoken language follows the keyboard (absent: Japanese).
    explicit Transcriber(HttpClient& http, std::function<bool()> keyboardIsEnglish = {});

    // POST base URL + "/v1/transcribe" with the recording as "rec.wav". `style` absent: the
    // saved settings decide.
    void transcribe(const QByteArray& audio, const std::optional<QString>& style,
                    const std::optional<ContextCapture::Snapshot>& context, Completion completion) const;
    // POST base URL + "/v1/cleanup" with the text. Without a stored service credential nothing
    // is sent and the completion gets missingCredentialMessage() at once.
    void cleanup(const QString& text, const QString& style, const std::optional<ContextCapture::Snapshot>& context,
                 Completion completion) const;
    // GET base URL + "/v1/ping" with a 5 s timeout; the outcome is ignored.
    void ping() const;

    // ---- the request frame (also used by the self-check and the usage report)
    // Base URL + path, or nothing when that text is not an absolute http(s) URL.
    static std::optional<QUrl> endpoint(const QString& path);
    // "quendle-" + a new upper-case UUID.
    static QString makeBoundary();
    static QByteArray multipartBody(const QString& boundary, const Fields& fields, const std::optional<QByteArray>& audio);
    // The identity headers: "Authorization: Bearer " + credential (only when it is not empty),
    // then "X-Device" with the installation identifier.
    static void appendIdentityHeaders(HttpRequest& request, const QString& credential);
    // The requests as they are sent; nothing when they cannot be built.
    std::optional<HttpRequest> transcribeRequest(const QByteArray& audio, const std::optional<QString>& style,
                                                 const std::optional<ContextCapture::Snapshot>& context) const;
    std::optional<HttpRequest> cleanupRequest(const QString& text, const QString& style,
                                              const std::optional<ContextCapture::Snapshot>& context) const;
    static std::optional<HttpRequest> pingRequest();

    // ---- reply reading
    static void handleTranscribeReply(const HttpResponse& response, const Completion& completion);
    static void handleCleanupReply(const HttpResponse& response, const Completion& completion);
    // The "text" member of a reply body, or "".
    static QString extractText(const QByteArray& body);
    static bool isNoise(const QString& text);

    // ---- derived values
    // The given style, or the saved one when none is given ("off" when cleanup is switched off).
    static QString effectiveStyle(const std::optional<QString>& style);
    // "ja" or "en".
    QString languageCode() const;
    // (bytes − 44) / 32000 with three decimals, "0.000" for a header-only or shorter recording.
    static QString audioSecondsHeader(qsizetype audioBytes);

    static QString unreadableURLMessage() { return QStringLiteral("接続先が読めません"); }
    static QString unreadableReplyMessage() { return QStringLiteral("応答が読めません"); }
    static QString missingCredentialMessage() { return QStringLiteral("サービスキーが設定されていません"); }

private:
    Fields settingsFields() const;  // language, output_lang, newlines
    static void appendContext(Fields& fields, const std::optional<ContextCapture::Snapshot>& context);
    static void readReply(const HttpResponse& response, const Completion& completion, bool transcription);

    HttpClient& http_;
    std::function<bool()> keyboardIsEnglish_;
};
