#include "recognition/UsageReport.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "platform/Bundle.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/MainQueue.h"
#include "platform/SystemInfo.h"
#include "recognition/Transcriber.h"

#include <QJsonDocument>

namespace {

const QString kLowKey = QStringLiteral("helloLowCount");
const QString kOnlineKey = QStringLiteral("helloOnlineCount");
constexpr double kTimeout = 10.0;

QDate tokyoDate(const QDateTime& when) { return when.toTimeZone(UsageReport::helloTimeZone()).date(); }

}  // namespace

struct UsageReport::State {
    bool inFlight = false;
};

UsageReport::UsageReport(HttpClient& http, const SystemInfo& system)
    : http_(http), system_(system), state_(std::make_shared<State>()) {}

UsageReport::~UsageReport() = default;

QTimeZone UsageReport::helloTimeZone() {
    static const QTimeZone zone = [] {
        const QTimeZone tokyo(QByteArrayLiteral("Asia/Tokyo"));
        return tokyo.isValid() ? tokyo : QTimeZone::systemTimeZone();
    }();
    return zone;
}

QString UsageReport::weekKey(const QDateTime& when) {
    const QDate date = tokyoDate(when);
    const QDate sunday = date.addDays(-(date.dayOfWeek() % 7));  // dayOfWeek: 1 Monday … 7 Sunday
    return QString::asprintf("%04d-%02d-%02d", sunday.year(), sunday.month(), sunday.day());
}

bool UsageReport::isDue(const QDateTime& now, const std::optional<QDateTime>& lastSent) {
    if (tokyoDate(now).dayOfWeek() > 5) return false;  // Saturday or Sunday in Tokyo
    return !lastSent || weekKey(*lastSent) != weekKey(now);
}

QJsonObject UsageReport::reportBody(const QDateTime& now) const {
    const QString version = Bundle::isInstalled() ? Bundle::instance().shortVersion() : QString();
    const Defaults& defaults = AppPrefs::defaults();
    return QJsonObject{
        {QStringLiteral("app"), QLatin1String(kPlatform)},
        {QStringLiteral("version"), version.isEmpty() ? QStringLiteral("0") : version},
        {QStringLiteral("os"), system_.systemVersion()},
        {QStringLiteral("model"), system_.hardwareModel()},
        {QStringLiteral("locale"), system_.localeIdentifier()},
        {QStringLiteral("has_key"), AppPrefs::hasServiceCredential()},
        {QStringLiteral("low_count"), double(defaults.integerForKey(kLowKey))},
        {QStringLiteral("online_count"), double(defaults.integerForKey(kOnlineKey))},
        {QStringLiteral("week_of"), weekKey(now.addDays(-7))},
    };
}

void UsageReport::sendHello() {
    if (state_->inFlight) return;
    const QDateTime now = Clock::currentDateTime();
    if (!isDue(now, AppPrefs::helloSentAt())) return;
    const auto url = Transcriber::endpoint(QStringLiteral("/v1/hello"));
    if (!url) return;

    const QJsonObject body = reportBody(now);
    HttpRequest request;
    request.method = "POST";
    request.url = *url;
    request.timeoutSeconds = kTimeout;
    request.headers.append({QByteArray("Content-Type"), QByteArray("application/json")});
    request.body = QJsonDocument(body).toJson(QJsonDocument::Compact);

    const qint64 sentLow = qint64(body.value(QStringLiteral("low_count")).toDouble());
    const qint64 sentOnline = qint64(body.value(QStringLiteral("online_count")).toDouble());
    state_->inFlight = true;
    std::weak_ptr<State> weak = state_;
    http_.send(std::move(request), [weak, sentLow, sentOnline](const HttpResponse& response) {
        const bool accepted = !response.failed && response.status >= 200 && response.status <= 299;
        MainQueue::post([weak, accepted, sentLow, sentOnline] {
            const auto state = weak.lock();
            if (!state) return;
            state->inFlight = false;
            if (!accepted) return;
            AppPrefs::setHelloSentAt(Clock::currentDateTime());
            // Take off what was reported; recognitions counted while the report was under way
            // stay for the next one.
            Defaults& defaults = AppPrefs::defaults();
            defaults.set(kLowKey, qlonglong(std::max<qint64>(0, defaults.integerForKey(kLowKey) - sentLow)));
            defaults.set(kOnlineKey, qlonglong(std::max<qint64>(0, defaults.integerForKey(kOnlineKey) - sentOnline)));
            AppLog::write(QStringLiteral("利用状況: 送信 (low=%1, online=%2)").arg(sentLow).arg(sentOnline));
        });
    });
}
