#include "recognition/Smoke.h"

#include "core/AppPrefs.h"
#include "platform/SpeechSynthesizer.h"
#include "core/Graphemes.h"
#include "recognition/Transcriber.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QUuid>

#include <chrono>
#include <cstdio>
#include <future>
#include <memory>

namespace {

const QString kCheckName = QStringLiteral("transcribe");
const QString kSentence = QStringLiteral("これはスモークテストです");
const QString kLanguage = QStringLiteral("ja");
constexpr qsizetype kPreviewLength = 200;

QString newUUID() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

QString tempFile(const QString& extension) {
    return QDir::tempPath() + QStringLiteral("/quendle-smoke-") + newUUID() + extension;
}

Smoke::CheckResult result(Smoke::Status status, const QString& detail) { return {kCheckName, status, detail}; }

// The body as text, cut to its first 200 characters; "(本文なし)" without a body or when it
// is not UTF-8.
QString replyPreview(const HttpResponse& response) {
    if (!response.hasBody) return QStringLiteral("(本文なし)");
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(response.body);
    if (decoder.hasError()) return QStringLiteral("(本文なし)");
    return Graphemes::first(text, kPreviewLength);
}

}  // namespace

Smoke::Smoke(HttpClient& http, SpeechSynthesizer& speech, Output output)
    : http_(http), speech_(speech), output_(std::move(output)) {}

void Smoke::print(const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    if (output_) {
        output_(bytes);
        return;
    }
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// ---------------------------------------------------------------- the run

int Smoke::run(const std::optional<QString>& key, bool json) {
    QString credential = key.value_or(QString());
    if (credential.isEmpty()) credential = AppPrefs::serviceCredential();

    QList<CheckResult> results;
    if (credential.isEmpty()) {
        results << result(Status::Skip, QStringLiteral("サービスキーがありません（--key で指定するか、設定に保存してください）"));
    } else {
        results << checkTranscribe(credential);
    }

    for (const CheckResult& r : results) print(resultLine(r));
    print(summaryLine(results));
    if (json) print(QString::fromUtf8(jsonReport(results)));

    for (const CheckResult& r : results) {
        if (r.status == Status::Fail) return 1;
    }
    return 0;
}

Smoke::CheckResult Smoke::checkTranscribe(const QString& credential) {
    if (!speech_.isAvailable()) return result(Status::Skip, QStringLiteral("espeak-ng/sox が使えない環境です"));

    const QString speechPath = tempFile(QStringLiteral(".aiff"));
    const QString wavPath = tempFile(QStringLiteral(".wav"));
    struct Cleanup {
        QString speech, wav;
        ~Cleanup() { removeTempFiles(speech, wav); }
    } cleanup{speechPath, wavPath};

    if (!speech_.speakToFile(kSentence, kLanguage, speechPath)) return result(Status::Skip, QStringLiteral("espeak-ng の実行に失敗しました"));
    if (!speech_.convertToRecording(speechPath, wavPath)) return result(Status::Skip, QStringLiteral("sox の実行に失敗しました"));
    QFile file(wavPath);
    const QByteArray wav = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (wav.isEmpty()) return result(Status::Skip, QStringLiteral("テスト音声の生成に失敗しました"));

    const auto url = Transcriber::endpoint(QStringLiteral("/v1/transcribe"));
    if (!url) return result(Status::Fail, QStringLiteral("serverURL が不正です"));

    const QString boundary = makeBoundary();
    HttpRequest request;
    request.method = "POST";
    request.url = *url;
    request.timeoutSeconds = kRequestTimeout;
    request.headers.append({QByteArray("Content-Type"), "multipart/form-data; boundary=" + boundary.toUtf8()});
    Transcriber::appendIdentityHeaders(request, credential);
    request.headers.append({QByteArray("X-Audio-Seconds"), Transcriber::audioSecondsHeader(wav.size()).toUtf8()});
    request.body = multipartBody(boundary, wav);

    return judgeReply(sendSynchronously(std::move(request), waitLimit_));
}

Smoke::CheckResult Smoke::judgeReply(const std::optional<HttpResponse>& response) {
    if (response && response->failed) return result(Status::Fail, QStringLiteral("通信エラー: ") + response->error);
    if (!response || response->status == 0) return result(Status::Fail, QStringLiteral("応答がありません（タイムアウトの可能性）"));

    const QString preview = replyPreview(*response);
    if (response->status != 200) {
        return result(Status::Fail, QStringLiteral("HTTP ") + QString::number(response->status) + QStringLiteral(": ") + preview);
    }
    const QJsonDocument json = QJsonDocument::fromJson(response->body);
    const QJsonValue member = json.isObject() ? json.object().value(QStringLiteral("text")) : QJsonValue();
    const QString text = member.isString() ? member.toString().trimmed() : QString();
    if (text.isEmpty()) return result(Status::Fail, QStringLiteral("HTTP 200 だが text が空です: ") + preview);

    QString detail = QStringLiteral("text=\"") + text + QLatin1Char('"');
    if (text.contains(QStringLiteral("スモーク")) || text.contains(QStringLiteral("すもーく"))) detail += QStringLiteral("（近似一致あり）");
    return result(Status::Pass, detail);
}

std::optional<HttpResponse> Smoke::sendSynchronously(HttpRequest request, double limitSeconds) {
    // The promise is shared with the completion, so an answer after the wait finds it still
    // there, sets it and is never read.
    auto promise = std::make_shared<std::promise<HttpResponse>>();
    std::future<HttpResponse> future = promise->get_future();
    http_.send(std::move(request), [promise](const HttpResponse& response) { promise->set_value(response); });
    const auto limit = std::chrono::milliseconds(qint64(std::max(0.0, limitSeconds) * 1000.0));
    if (future.wait_for(limit) != std::future_status::ready) return std::nullopt;
    return future.get();
}

// ---------------------------------------------------------------- pieces

Smoke::Arguments Smoke::parseArguments(const QStringList& arguments) {
    Arguments parsed;
    parsed.smoke = arguments.contains(QStringLiteral("--smoke"));
    parsed.json = arguments.contains(QStringLiteral("--json"));
    const qsizetype key = arguments.indexOf(QStringLiteral("--key"));
    if (key >= 0 && key + 1 < arguments.size()) parsed.key = arguments.at(key + 1);
    return parsed;
}

QString Smoke::rawValue(Status status) {
    switch (status) {
    case Status::Pass: return QStringLiteral("PASS");
    case Status::Fail: return QStringLiteral("FAIL");
    case Status::Warn: return QStringLiteral("WARN");
    case Status::Skip: return QStringLiteral("SKIP");
    }
    return QString();
}

std::optional<Smoke::Status> Smoke::statusFromRawValue(const QString& raw) {
    for (Status status : {Status::Pass, Status::Fail, Status::Warn, Status::Skip}) {
        if (rawValue(status) == raw) return status;
    }
    return std::nullopt;
}

QString Smoke::resultLine(const CheckResult& r) {
    return QLatin1Char('[') + rawValue(r.status) + QStringLiteral("] ") + r.name + QStringLiteral(": ") + r.detail;
}

QString Smoke::summaryLine(const QList<CheckResult>& results) {
    auto count = [&](Status status) {
        return QString::number(std::count_if(results.begin(), results.end(), [&](const CheckResult& r) { return r.status == status; }));
    };
    return QStringLiteral("総括: PASS=") + count(Status::Pass) + QStringLiteral(" FAIL=") + count(Status::Fail) +
           QStringLiteral(" WARN=") + count(Status::Warn) + QStringLiteral(" SKIP=") + count(Status::Skip);
}

QByteArray Smoke::jsonReport(const QList<CheckResult>& results) {
    QJsonArray array;
    for (const CheckResult& r : results) {
        // QJsonObject keeps its keys sorted: detail, name, status.
        array.append(QJsonObject{
            {QStringLiteral("name"), r.name},
            {QStringLiteral("status"), rawValue(r.status)},
            {QStringLiteral("detail"), r.detail},
        });
    }
    QByteArray text = QJsonDocument(array).toJson(QJsonDocument::Indented);
    while (text.endsWith('\n')) text.chop(1);
    return text;
}

QByteArray Smoke::multipartBody(const QString& boundary, const QByteArray& wav) {
    const Transcriber::Fields fields{
        {QStringLiteral("cleanup"), QStringLiteral("0")},
        {QStringLiteral("style"), QStringLiteral("off")},
        {QStringLiteral("language"), QStringLiteral("ja")},
        {QStringLiteral("output_lang"), QStringLiteral("spoken")},
        {QStringLiteral("newlines"), QStringLiteral("0")},
    };
    return Transcriber::multipartBody(boundary, fields, wav);
}

QString Smoke::makeBoundary() { return QStringLiteral("quendle-smoke-") + newUUID().toUpper(); }

void Smoke::removeTempFiles(const QString& speechPath, const QString& wavPath) {
    QFile::remove(speechPath);
    QFile::remove(wavPath);
}
