#include "core/Updater.h"

#include "core/Alerts.h"
#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/BundleSwap.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/HttpClient.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QTemporaryDir>

#include <algorithm>
#include <limits>

namespace {

// A decimal integer with an optional sign, nothing else; anything else (or an overflow) is 0.
qint64 versionPiece(const QString& piece) {
    int i = 0;
    bool negative = false;
    if (piece.startsWith(QLatin1Char('+')) || piece.startsWith(QLatin1Char('-'))) {
        negative = piece[0] == QLatin1Char('-');
        i = 1;
    }
    if (i >= piece.size()) return 0;
    qint64 value = 0;
    for (; i < piece.size(); ++i) {
        const QChar c = piece[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return 0;
        const int digit = c.unicode() - '0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10) return 0;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

QList<qint64> versionNumbers(const QString& version) {
    QList<qint64> numbers;
    for (const QString& piece : version.split(QLatin1Char('.'), Qt::SkipEmptyParts)) numbers << versionPiece(piece);
    return numbers;
}

const QString kCheckFailedTitle = QStringLiteral("確認できませんでした");
const QString kCheckFailedMessage = QStringLiteral("あとでもう一度お試しください。");

bool succeeded(const HttpResponse& response) {
    return !response.failed && response.hasBody && response.status >= 200 && response.status < 300;
}

QString failureOf(const HttpResponse& response) {
    if (response.failed) return response.error;
    return QStringLiteral("HTTP ") + QString::number(response.status);
}

// On the update queue: checks the archive's signature, unpacks the archive into a fresh private
// folder and copies the bundle it holds beside the installed one. Empty on success.
QString prepare(const QByteArray& archive, const QByteArray& signature,
                const std::function<bool(const QByteArray&, const QByteArray&)>& verify, BundleSwap& swap) {
    // Nothing of the archive is looked at before its signature holds.
    if (signature.isEmpty() || !verify || !verify(archive, signature)) return QString::fromUtf8(Updater::kSignatureFailed);
    QTemporaryDir unpack(QDir::tempPath() + QStringLiteral("/QuendleUpdate-XXXXXX"));  // mode 0700
    if (!unpack.isValid()) return QDir::tempPath() + QStringLiteral(" に作業用のフォルダを作れません");
    const QString zip = unpack.filePath(QStringLiteral("Quendle.zip"));
    QFile file(zip);
    if (!file.open(QIODevice::WriteOnly) || file.write(archive) != archive.size() || !file.flush())
        return zip + QStringLiteral(" に書き込めません");
    file.close();
    const QString contents = unpack.filePath(QStringLiteral("contents"));
    if (const QString error = BundleSwap::runTool(QStringLiteral("unzip"), {QStringLiteral("-q"), zip, QStringLiteral("-d"), contents});
        !error.isEmpty())
        return error;
    const QString bundle = contents + QStringLiteral("/Quendle.app");
    const QFileInfo folder(bundle);
    const QFileInfo executable(bundle + QStringLiteral("/Contents/MacOS/Quendle"));
    if (!folder.isDir() || folder.isSymLink() || !executable.isFile() || !executable.isExecutable())
        return QString::fromUtf8(Updater::kArchiveUnexpected);
    return swap.stage(bundle);
}

}  // namespace

Updater::Updater(Services services) : services_(std::move(services)), alive_(std::make_shared<Updater*>(this)) {}

Updater::~Updater() {
    *alive_ = nullptr;
    worker_.reset();  // finishes an unpacking under way; its result is dropped
}

bool Updater::compareVersions(const QString& candidate, const QString& current) {
    const QList<qint64> x = versionNumbers(candidate);
    const QList<qint64> y = versionNumbers(current);
    const qsizetype length = std::max(x.size(), y.size());
    for (qsizetype i = 0; i < length; ++i) {
        const qint64 p = i < x.size() ? x[i] : 0;
        const qint64 q = i < y.size() ? y[i] : 0;
        if (p != q) return p > q;
    }
    return false;
}

QString Updater::currentVersion() {
    const QString version = Bundle::isInstalled() ? Bundle::instance().shortVersion() : QString();
    return version.isEmpty() ? QStringLiteral("0") : version;
}

std::optional<QUrl> Updater::webAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) return std::nullopt;
    return url;
}

QString Updater::manifestAddress() const {
    if (!services_.manifestAddress.isEmpty()) return services_.manifestAddress;
    return AppPrefs::serverURL() + QLatin1String(kManifestPath);
}

void Updater::showAlert(const QString& title, const QString& message) {
    MainQueue::post([title, message] { runModalAlert(Alert{title, message, {QStringLiteral("OK")}}); });
}

void Updater::reportFailure(bool interactive) {
    if (interactive) showAlert(kCheckFailedTitle, kCheckFailedMessage);
}

void Updater::check(bool interactive) {
    const QString address = manifestAddress();
    const std::optional<QUrl> url = webAddress(address);
    if (!url) {
        // The address follows the service's base URL, which the user may have mistyped: a check
        // the user asked for says that it could not check.
        AppLog::write(QStringLiteral("アップデート確認: 確認先のアドレスが正しくない: ") + address);
        reportFailure(interactive);
        return;
    }
    HttpRequest request;
    request.method = "GET";
    request.url = *url;
    request.timeoutSeconds = kRequestTimeout;
    std::weak_ptr<Updater*> weak = alive_;
    services_.http.send(std::move(request), [weak, interactive](const HttpResponse& response) {
        // Only the body counts, not the status: a transport error has none, and an error page
        // fails as a version document.
        std::optional<QByteArray> body;
        if (response.hasBody) body = response.body;
        MainQueue::post([weak, body = std::move(body), interactive] {
            const auto self = weak.lock();
            if (self && *self) (*self)->handleManifest(body, interactive);
        });
    });
}

void Updater::handleManifest(const std::optional<QByteArray>& body, bool interactive) {
    if (!body) return reportFailure(interactive);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(*body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return reportFailure(interactive);
    const QJsonObject manifest = document.object();
    const QJsonValue versionValue = manifest.value(QLatin1String("version"));
    const QJsonValue urlValue = manifest.value(QLatin1String("url"));
    if (!versionValue.isString() || !urlValue.isString()) return reportFailure(interactive);
    const QString version = versionValue.toString();
    const QString url = urlValue.toString();
    // An archive address that could never be downloaded is no offer: accepting it would do
    // nothing, and the version would count as offered.
    if (!webAddress(url)) return reportFailure(interactive);

    const QString current = currentVersion();
    if (compareVersions(version, current)) {
        Defaults& defaults = AppPrefs::defaults();
        const QString offeredKey = QLatin1String(kOfferedUpdateKey);
        if (!interactive && defaults.stringForKey(offeredKey) == version) return;
        defaults.set(offeredKey, version);
        std::weak_ptr<Updater*> weak = alive_;
        MainQueue::post([weak, version, url] {
            const auto self = weak.lock();
            if (self && *self) (*self)->offer(version, url);
        });
        return;
    }
    if (interactive)
        showAlert(QStringLiteral("最新版です"), QStringLiteral("Quendle ") + current + QStringLiteral(" をお使いです。"));
}

void Updater::offer(const QString& version, const QString& url) {
    const Alert alert{QStringLiteral("アップデートがあります"),
                      QStringLiteral("Quendle ") + version + QStringLiteral(" が利用できます（現在: ") + currentVersion() +
                          QStringLiteral("）。更新して再起動しますか？"),
                      {QStringLiteral("今すぐアップデート"), QStringLiteral("あとで")}};
    // The alert runs a modal loop; the Updater may be gone when it returns.
    std::weak_ptr<Updater*> weak = alive_;
    if (runModalAlert(alert) != AlertRunner::kFirstButton) return;
    if (const auto self = weak.lock(); self && *self) (*self)->download(url);
}

void Updater::download(const QString& address) {
    const std::optional<QUrl> url = webAddress(address);
    if (!url) return;
    AppLog::write(QStringLiteral("アップデート開始: ") + address);
    fetch(*url, [url = *url](Updater& self, const HttpResponse& response) { self.archiveArrived(url, response); });
}

void Updater::fetch(const QUrl& url, std::function<void(Updater&, const HttpResponse&)> then) {
    HttpRequest request;
    request.method = "GET";
    request.url = url;
    std::weak_ptr<Updater*> weak = alive_;
    services_.http.send(std::move(request), [weak, then = std::move(then)](const HttpResponse& response) {
        MainQueue::post([weak, then, response] {
            if (const auto self = weak.lock(); self && *self) then(**self, response);
        });
    });
}

void Updater::archiveArrived(const QUrl& url, const HttpResponse& response) {
    // An error page is a failed download, not an archive.
    if (!succeeded(response)) return downloadFailed(failureOf(response));
    QUrl signatureUrl = url;
    signatureUrl.setPath(url.path() + QStringLiteral(".sig"));
    fetch(signatureUrl, [archive = response.body](Updater& self, const HttpResponse& signature) {
        self.signatureArrived(archive, signature);
    });
}

void Updater::signatureArrived(const QByteArray& archive, const HttpResponse& response) {
    if (response.failed) return downloadFailed(response.error);
    // A signature the server does not have is a missing signature.
    const QByteArray signature = succeeded(response) ? response.body : QByteArray();
    const QString installed = Bundle::isInstalled() ? Bundle::instance().bundlePath() : QString();
    if (installed.isEmpty()) return installFailed(QStringLiteral("入れ替える Quendle.app が見つかりません"));
    auto swap = std::make_shared<BundleSwap>(installed, services_.rename);
    if (!worker_) worker_ = std::make_unique<SerialQueue>(QStringLiteral("orvane.update"));
    std::weak_ptr<Updater*> weak = alive_;
    worker_->post([weak, archive, signature, verify = services_.verifySignature, swap] {
        const QString error = prepare(archive, signature, verify, *swap);
        MainQueue::post([weak, error, swap] {
            const auto self = weak.lock();
            if (!self || !*self) return;
            if (!error.isEmpty()) return installFailed(error);
            (*self)->putInPlace(swap);
        });
    });
}

void Updater::putInPlace(const std::shared_ptr<BundleSwap>& swap) {
    QString error = swap->swap();
    if (error.isEmpty()) {
        // Started only once the new bundle is in place; if it cannot start, the old one goes back.
        const QString program = swap->target() + QStringLiteral("/Contents/MacOS/Quendle");
        error = services_.start ? services_.start(program, {QStringLiteral("--takeover")})
                                : program + QStringLiteral(" を起動できません");
        if (!error.isEmpty()) {
            if (const QString undone = swap->rollback(); !undone.isEmpty()) error += QStringLiteral("。") + undone;
        }
    }
    if (!error.isEmpty()) return installFailed(error);
    BundleSwap::removeTree(swap->previous());
    AppLog::write(QStringLiteral("アップデート適用: 再起動する"));
    if (services_.quit) MainQueue::post(services_.quit);
}

void Updater::downloadFailed(const QString& description) {
    AppLog::write(QStringLiteral("アップデートのダウンロードに失敗: ") + description);
    showAlert(QString::fromUtf8(kInstallFailedTitle),
              QStringLiteral("ダウンロードできませんでした。あとでもう一度お試しください。"));
}

void Updater::installFailed(const QString& message) {
    AppLog::write(QStringLiteral("アップデートに失敗: ") + message);
    showAlert(QString::fromUtf8(kInstallFailedTitle), message);
}
