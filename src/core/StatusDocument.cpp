#include "core/StatusDocument.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/ServicePrefs.h"
#include "core/StatusFile.h"
#include "core/Tuning.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/Permissions.h"

#include <QCoreApplication>
#include <QTextBoundaryFinder>
#include <cmath>

namespace StatusDocument {

namespace {

const QString kGranted = QStringLiteral("granted");

QString stateName(PermissionState state) {
    switch (state) {
    case PermissionState::Granted: return kGranted;
    case PermissionState::Denied: return QStringLiteral("denied");
    case PermissionState::Restricted: return QStringLiteral("restricted");
    case PermissionState::NotDetermined: break;
    }
    return QStringLiteral("notDetermined");
}

QVariant stored(const QString& key) { return AppPrefs::defaults().object(key); }

QString storedString(const QString& key, const QString& fallback) {
    const QVariant value = stored(key);
    return Defaults::isString(value) ? value.toString() : fallback;
}

QJsonValue storedTimestamp(const QString& key) {
    const QVariant value = stored(key);
    if (Defaults::isDate(value) && value.toDateTime().isValid()) return timestamp(value.toDateTime());
    return QJsonValue(QJsonValue::Null);
}

QJsonValue storedRecord(const QString& key) {
    const QVariant value = stored(key);
    if (!Defaults::isDictionary(value)) return QJsonValue(QJsonValue::Null);
    return jsonValue(value);
}

bool granted(const QJsonObject& permissions, const char* member) {
    return permissions.value(QLatin1String(member)).toString() == kGranted;
}

QJsonObject issue(const QString& code, const QString& message, const QString& fix, const QString& command) {
    return QJsonObject{{QStringLiteral("code"), code},
                       {QStringLiteral("message"), message},
                       {QStringLiteral("fix"), fix},
                       {QStringLiteral("command"), command}};
}

// A word the shell passes through unchanged: no quoting, globbing, expansion or separator.
bool shellSafe(const QString& word) {
    if (word.isEmpty()) return false;
    for (const QChar c : word) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                        u == ':' || u == '/' || u == '.' || u == '-' || u == '_' || u == '~' || u == '%' ||
                        u == '@' || u == '+' || u == ',' || u == '=';
        if (!ok) return false;
    }
    return true;
}

// The URL as one shell word: unchanged when it is already safe, single-quoted otherwise, so a
// hand-edited `serverURL` never turns the suggested command into something else.
QString shellWord(const QString& word) {
    if (shellSafe(word)) return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// What a user runs on this desktop to see the state behind a permission.
const QString kMicrophoneCommand = QStringLiteral("pactl info && pactl list short sources");
const QString kKeyExtensionsCommand = QStringLiteral("xdpyinfo | grep -E 'XTEST|XInputExtension'");

}  // namespace

QString timestamp(const QDateTime& when) {
    return when.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

QJsonValue jsonValue(const QVariant& value) {
    if (Defaults::isDictionary(value)) {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) object.insert(it.key(), jsonValue(it.value()));
        return object;
    }
    if (Defaults::isArray(value)) {
        QJsonArray array;
        for (const QVariant& item : value.toList()) array.append(jsonValue(item));
        return array;
    }
    if (Defaults::isString(value)) return value.toString();
    if (Defaults::isBool(value)) return value.toBool();
    if (Defaults::isInteger(value)) return value.toLongLong();
    if (Defaults::isNumber(value)) {
        const double d = value.toDouble();
        return std::isfinite(d) ? QJsonValue(d) : QJsonValue(QJsonValue::Null);
    }
    if (Defaults::isDate(value)) {
        const QDateTime when = value.toDateTime();
        return when.isValid() ? QJsonValue(timestamp(when)) : QJsonValue(QJsonValue::Null);
    }
    if (Defaults::isData(value)) return QString::fromLatin1(value.toByteArray().toBase64());
    return QJsonValue(QJsonValue::Null);
}

QJsonObject permissions(Permissions* source) {
    const auto state = [source](PermissionState (Permissions::*query)()) {
        return stateName(source ? (source->*query)() : PermissionState::NotDetermined);
    };
    return QJsonObject{{QStringLiteral("microphone"), state(&Permissions::microphone)},
                       {QStringLiteral("accessibility"), state(&Permissions::accessibility)},
                       {QStringLiteral("inputMonitoring"), state(&Permissions::inputMonitoring)}};
}

bool isReady(const QJsonObject& permissions) {
    for (auto it = permissions.constBegin(); it != permissions.constEnd(); ++it)
        if (it.value().toString() != kGranted) return false;
    return true;
}

QJsonArray issues(const QJsonObject& permissions) {
    QJsonArray list;
    if (!granted(permissions, "microphone")) {
        list.append(issue(QStringLiteral("permission.microphone"),
                          QStringLiteral("マイクの許可がありません。録音できません。"),
                          QStringLiteral("サウンドサーバー（PulseAudio か PipeWire）を動かし、マイクを既定の入力にする"),
                          kMicrophoneCommand));
    }
    if (!granted(permissions, "accessibility")) {
        list.append(issue(
            QStringLiteral("permission.accessibility"),
            QStringLiteral("アクセシビリティの許可がありません。キーの長押しを拾えず、文字も差し込めません。"),
            QStringLiteral("X サーバーの XTEST と XInputExtension を有効にした X11 のセッションで Quendle を動かす"),
            kKeyExtensionsCommand));
    }
    if (!granted(permissions, "inputMonitoring")) {
        list.append(issue(
            QStringLiteral("permission.inputMonitoring"),
            QStringLiteral("入力監視の許可がありません。起動キーの押し下げを見られません。"),
            QStringLiteral("X サーバーの XInputExtension を有効にした X11 のセッションで、アプリを開き直す"),
            kKeyExtensionsCommand));
    }
    const QVariant error = stored(QStringLiteral("status.lastAPIError"));
    if (Defaults::isString(error)) {
        list.append(issue(QStringLiteral("api.error"),
                          QStringLiteral("直近の書き起こしが失敗しています: ") + error.toString(),
                          QStringLiteral("ネットワークとサーバーの疎通を確かめる"),
                          QStringLiteral("curl -sS ") + shellWord(AppPrefs::serverURL() + QStringLiteral("/v1/ping"))));
    }
    return list;
}

QString version() {
    const QString v = Bundle::isInstalled() ? Bundle::instance().shortVersion() : QString();
    return v.isEmpty() ? QStringLiteral("dev") : v;
}

QJsonObject settingsSnapshot() {
    const QString level = AppPrefs::qualityLevel();
    const double rate =
        level == QLatin1String("low") ? 1.0 : Tuning::maxSpeedFactor(AppPrefs::inputQualityPercent());

    QJsonObject sounds;
    const struct {
        const char* key;
        const char* fallback;
    } soundKeys[] = {{"soundStart", "Purr"}, {"soundStop", "Frog"}, {"soundSuccess", "Morse"}, {"soundFailure", "Tink"}};
    for (const auto& sound : soundKeys) {
        const QString key = QString::fromLatin1(sound.key);
        sounds.insert(key, storedString(key, QString::fromLatin1(sound.fallback)));
    }

    QJsonObject styleNoteLength;
    for (const QString& style : AppPrefs::cleanupStyleChoices()) {
        if (style == QLatin1String("off")) continue;
        styleNoteLength.insert(style, Graphemes::count(ServicePrefs::styleNote(style)));
    }

    return QJsonObject{
        {QStringLiteral("mode"), AppPrefs::cleanup() ? ServicePrefs::storedCleanupStyle() : QStringLiteral("off")},
        {QStringLiteral("field"), AppPrefs::field()},
        {QStringLiteral("fieldName"), AppPrefs::fieldLabel()},
        {QStringLiteral("triggerKey"),
         QJsonObject{{QStringLiteral("code"), AppPrefs::triggerKeyCode()},
                     {QStringLiteral("name"), AppPrefs::triggerKeyName()}}},
        {QStringLiteral("quality"),
         QJsonObject{{QStringLiteral("name"), AppPrefs::qualityLevelLabel()},
                     {QStringLiteral("level"), level},
                     {QStringLiteral("rate"), rate}}},
        {QStringLiteral("soundEnabled"), AppPrefs::soundEnabled()},
        {QStringLiteral("gestureSelect"), AppPrefs::gestureSelect()},
        {QStringLiteral("sounds"), sounds},
        {QStringLiteral("vocabularyLength"), Graphemes::count(ServicePrefs::vocabulary())},
        {QStringLiteral("styleNoteLength"), styleNoteLength},
        {QStringLiteral("loverHeartLevel"), ServicePrefs::loverHeartLevel()},
        {QStringLiteral("holdToTalk"), AppPrefs::holdToTalk()},
        {QStringLiteral("holdThreshold"), AppPrefs::holdThreshold()},
        {QStringLiteral("launchAtLogin"), AppPrefs::launchAtLogin()},
        {QStringLiteral("iconName"), storedString(QStringLiteral("iconName"), QStringLiteral("窓と波形"))},
    };
}

QJsonObject cloudSection() {
    const QVariant error = stored(QStringLiteral("status.lastAPIError"));
    return QJsonObject{
        {QStringLiteral("serverURL"), AppPrefs::serverURL()},
        {QStringLiteral("lastSuccessAt"), storedTimestamp(QStringLiteral("status.lastTranscribeAt"))},
        {QStringLiteral("lastError"), Defaults::isString(error) ? QJsonValue(error.toString()) : QJsonValue()},
        {QStringLiteral("lastErrorAt"), storedTimestamp(QStringLiteral("status.lastAPIErrorAt"))},
    };
}

QJsonObject paths() {
    return QJsonObject{
        {QStringLiteral("status"), StatusFile::filePath()},
        {QStringLiteral("log"), AppLog::fileURL()},
        {QStringLiteral("defaultsDomain"), QStringLiteral("orvane")},
        {QStringLiteral("docs"), QString::fromLatin1(kDocsURL)},
    };
}

QJsonObject build(Permissions* source, const QDateTime& startedAt) {
    const QJsonObject states = permissions(source);
    QJsonObject document;
    document.insert(QStringLiteral("version"), version());
    document.insert(QStringLiteral("startedAt"), timestamp(startedAt));
    document.insert(QStringLiteral("pid"), qint64(QCoreApplication::applicationPid()));
    document.insert(QStringLiteral("ready"), isReady(states));
    document.insert(QStringLiteral("issues"), issues(states));
    document.insert(QStringLiteral("permissions"), states);
    document.insert(QStringLiteral("settings"), settingsSnapshot());
    document.insert(QStringLiteral("api"), cloudSection());
    document.insert(QStringLiteral("lastConfigChange"), storedRecord(QStringLiteral("status.lastConfigChange")));
    document.insert(QStringLiteral("lastConfigError"), storedRecord(QStringLiteral("status.lastConfigError")));
    document.insert(QStringLiteral("paths"), paths());
    return document;
}

}  // namespace StatusDocument
