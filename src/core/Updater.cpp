#include "core/Updater.h"

#include "core/Alerts.h"
#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/HttpClient.h"
#include "platform/MainQueue.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

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

}  // namespace

Updater::Updater(Services services) : services_(std::move(services)), alive_(std::make_shared<Updater*>(this)) {}

Updater::~Updater() { *alive_ = nullptr; }

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
    const auto download = services_.download;
    if (runModalAlert(alert) != AlertRunner::kFirstButton) return;
    if (download) {
        download(url);
        return;
    }
    AppLog::write(QStringLiteral("アップデート: この環境では自動で入れ替えない: ") + url);
}
