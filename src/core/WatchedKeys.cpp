#include "core/WatchedKeys.h"

#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/ServicePrefs.h"
#include "core/StatusDocument.h"
#include "core/Tuning.h"
#include "platform/Defaults.h"
#include "platform/Sounds.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <map>

namespace WatchedKeys {

namespace {

QString s(const char* utf8) { return QString::fromUtf8(utf8); }

const QStringList& boolKeys() {
    static const QStringList list{s("cleanup"), s("holdToTalk"), s("soundEnabled"), s("launchAtLogin"),
                                  s("gestureSelect")};
    return list;
}

const QStringList& soundKeys() {
    static const QStringList list{s("soundStart"), s("soundStop"), s("soundSuccess"), s("soundFailure")};
    return list;
}

// The sound a moment plays when none is stored (the same defaults the feedback sounds use).
QString defaultSoundFor(const QString& key) {
    if (key == QLatin1String("soundStart")) return s("Purr");
    if (key == QLatin1String("soundStop")) return s("Frog");
    if (key == QLatin1String("soundSuccess")) return s("Morse");
    return s("Tink");
}

const QList<int>& qualityPercents() {
    static const QList<int> list{100, 90, 80, 70, 60};
    return list;
}

constexpr int kMaxVocabularyCharacters = 2000;
constexpr double kSpeedTolerance = 0.01;

QString storedStringOr(const QString& key, const QString& fallback) {
    const QVariant v = AppPrefs::defaults().object(key);
    return Defaults::isString(v) ? v.toString() : fallback;
}

QString bracketed(const QString& text) { return s("（") + text + s("）"); }

QString characterText(const QString& text) {
    return QString::number(Graphemes::count(text)) + s("文字");
}

// `value` is one of `values` (a value beyond the range of int is none of them).
bool oneOf(qint64 value, const QList<int>& values) {
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max() &&
           values.contains(static_cast<int>(value));
}

QStringList numbers(const QList<int>& values) {
    QStringList out;
    for (int v : values) out << QString::number(v);
    return out;
}

// A value a Bool key can stand for: a Bool, a number, or a string that spells one ("yes", "no",
// "true", "false", "y", "n", a number). Anything else ("on", "abc", a date) is no answer at all
// and must not quietly read as false.
bool readableAsBool(const QVariant& v) {
    if (Defaults::isBool(v) || Defaults::isNumber(v)) return true;
    if (!Defaults::isString(v)) return false;
    const QString text = v.toString().trimmed().toLower();
    static const QStringList words{s("yes"), s("no"), s("true"), s("false"), s("y"), s("n")};
    if (words.contains(text)) return true;
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

// A number, or a string that holds one.
bool readableAsNumber(const QVariant& v) {
    if (Defaults::isNumber(v)) return true;
    if (!Defaults::isString(v)) return false;
    bool ok = false;
    v.toString().trimmed().toDouble(&ok);
    return ok;
}

// How a stored object is shown in a rejection when it is no string.
QString describe(const QVariant& v) {
    if (Defaults::isString(v)) return v.toString();
    if (Defaults::isDate(v)) return StatusDocument::timestamp(v.toDateTime());
    if (Defaults::isData(v)) return s("<data>");
    if (Defaults::isArray(v)) return s("<array>");
    if (Defaults::isDictionary(v)) return s("<dict>");
    return v.toString();
}

struct Context {
    const QString& key;
    const Defaults& store;
    Actions& actions;

    QString string() const {
        const QString v = store.stringForKey(key);
        return v.isNull() ? QString(QLatin1String("")) : v;
    }
    void rejectNotAllowed(const QString& valueText, const QStringList& allowed) const {
        actions.reject(key, valueText, notAllowedReason(allowed));
    }
    // A string key with a fixed set: record when allowed.
    void recordIfAllowed(const QStringList& allowed) const {
        const QString value = string();
        if (allowed.contains(value))
            actions.record(key, value);
        else
            rejectNotAllowed(value, allowed);
    }
    void commitDoubleInRange(double low, double high, const QString& reason) const {
        // Something that is no number at all ("abc", a date) is refused as what it is, not read
        // as 0.0, which may well lie in the range.
        const QVariant stored = store.object(key);
        if (!readableAsNumber(stored)) {
            actions.reject(key, describe(stored), reason);
            return;
        }
        const double value = store.doubleForKey(key);
        if (value >= low && value <= high)
            actions.commit(key, value);
        else
            actions.reject(key, doubleText(value), reason);
    }
};

void validateBool(const Context& c) {
    const QVariant stored = c.store.object(c.key);
    if (!readableAsBool(stored)) {
        c.rejectNotAllowed(describe(stored), {s("true"), s("false")});
        return;
    }
    c.actions.commit(c.key, Defaults::toBool(stored));
}

void validateCleanupMode(const Context& c) {
    const QString value = c.string();
    if (!cleanupModeChoices().contains(value)) {
        c.rejectNotAllowed(value, cleanupModeChoices());
        return;
    }
    // The mirror itself is committed when the resulting `cleanup` / `cleanupStyle` change is handled.
    if (value != currentCleanupMode()) AppPrefs::setCleanupMode(value);
}

void validateVocabulary(const Context& c) {
    const QString value = c.string();
    if (Graphemes::count(value) <= kMaxVocabularyCharacters)
        c.actions.record(c.key, value);
    else
        c.actions.reject(c.key, characterText(value), s("2000 文字までです"));
}

void validateTriggerKeyCode(const Context& c) {
    const qint64 value = c.store.integerForKey(c.key);
    QList<int> codes;
    for (const AppPrefs::KeyChoice& choice : AppPrefs::triggerKeyChoices()) codes << choice.code;
    if (oneOf(value, codes))
        c.actions.commit(c.key, qlonglong(value));
    else
        c.rejectNotAllowed(QString::number(value), numbers(codes));
}

void validateSpeedRate(const Context& c) {
    const double value = c.store.doubleForKey(c.key);
    std::optional<int> percent;
    for (int p : qualityPercents()) {
        if (std::fabs(value - 100.0 / p) < kSpeedTolerance) {
            percent = p;
            break;
        }
    }
    // The factor in force is always acceptable: a speed cap from the tuning can make it differ
    // from the five plain factors, and it is what this check itself writes back.
    const bool inForce = std::fabs(value - effectiveSpeedFactor()) < kSpeedTolerance;
    if (!percent && !inForce) {
        QStringList allowed;
        for (int p : qualityPercents()) allowed << QString::asprintf("%.2f", 100.0 / p);
        c.rejectNotAllowed(doubleText(value), allowed);
        return;
    }
    if (percent && AppPrefs::qualityLevel() != QLatin1String("low")) AppPrefs::setInputQualityPercent(*percent);
    c.actions.commit(c.key, effectiveSpeedFactor());
}

void validateInputQualityPercent(const Context& c) {
    qint64 value = c.store.integerForKey(c.key);
    // The step that once was 50 is 60 today; the settings store migrates it the same way.
    if (value == 50) value = 60;
    if (!oneOf(value, qualityPercents())) {
        c.rejectNotAllowed(QString::number(value), numbers(qualityPercents()));
        return;
    }
    AppPrefs::setInputQualityPercent(static_cast<int>(value));
    c.actions.record(c.key, qlonglong(value));
}

void validateQualityLevel(const Context& c) {
    QString value = c.string();
    if (value == QLatin1String("low1") || value == QLatin1String("low2") || value == QLatin1String("low3"))
        value = s("low");
    static const QStringList levels{s("low"), s("middle"), s("high")};
    if (!levels.contains(value)) {
        c.rejectNotAllowed(value, levels);
        return;
    }
    AppPrefs::setQualityLevel(value);
    c.actions.record(c.key, value);
}

void validateTranscriptionRoute(const Context& c) {
    c.recordIfAllowed({s("auto"), s("local")});
    const QString route = c.store.stringForKey(c.key);
    if (!route.isNull()) AppPrefs::applyTranscriptionRoute(route);
}

using Check = std::function<void(const Context&)>;

const std::map<QString, Check>& checks() {
    static const std::map<QString, Check> table = [] {
        std::map<QString, Check> t;
        for (const QString& key : boolKeys()) t[key] = validateBool;
        t[s("cleanupMode")] = validateCleanupMode;
        t[s("cleanupStyle")] = [](const Context& c) { c.recordIfAllowed(cleanupStyles()); };
        t[s("loverHeartLevel")] = [](const Context& c) { c.recordIfAllowed({s("few"), s("normal"), s("lots")}); };
        t[s("field")] = [](const Context& c) {
            QStringList codes;
            for (const AppPrefs::LabelRow& row : AppPrefs::occupationTable()) codes << row.key;
            c.recordIfAllowed(codes);
        };
        t[s("vocabulary")] = validateVocabulary;
        t[s("triggerKeyCode")] = validateTriggerKeyCode;
        t[s("holdThreshold")] = [](const Context& c) {
            // 0 is the store's own default ("at once"), and the settings window offers it.
            c.commitDoubleInRange(0.0, 1.5, s("0〜1.5 秒の範囲で指定してください"));
        };
        t[s("speedRate")] = validateSpeedRate;
        t[s("inputQualityPercent")] = validateInputQualityPercent;
        t[s("qualityLevel")] = validateQualityLevel;
        t[s("iconName")] = [](const Context& c) {
            c.recordIfAllowed({s("窓と波形"), s("波形"), s("吹き出し"), s("マイク")});
        };
        for (const QString& key : soundKeys()) t[key] = [](const Context& c) { c.recordIfAllowed(soundChoices()); };
        t[s("modeSelectStyle")] = [](const Context& c) { c.recordIfAllowed({s("persistent"), s("session")}); };
        t[s("transcriptionRoute")] = validateTranscriptionRoute;
        t[s("onlineFallbackSeconds")] = [](const Context& c) {
            c.commitDoubleInRange(3.0, 30.0, s("3.0〜30.0 秒の範囲で指定してください"));
        };
        return t;
    }();
    return table;
}

QString boolText(bool value) { return value ? s("true") : s("false"); }

}  // namespace

const QStringList& keys() {
    static const QStringList list{
        s("cleanupMode"),  s("cleanup"),       s("cleanupStyle"),   s("loverHeartLevel"),    s("field"),
        s("vocabulary"),   s("triggerKeyCode"), s("holdToTalk"),    s("holdThreshold"),      s("speedRate"),
        s("inputQualityPercent"), s("qualityLevel"), s("iconName"), s("soundEnabled"),       s("launchAtLogin"),
        s("soundStart"),   s("soundStop"),     s("soundSuccess"),   s("soundFailure"),       s("gestureSelect"),
        s("modeSelectStyle"), s("transcriptionRoute"), s("onlineFallbackSeconds")};
    return list;
}

bool contains(const QString& key) { return keys().contains(key); }

const QStringList& cleanupModeChoices() { return AppPrefs::cleanupStyleChoices(); }

const QStringList& cleanupStyles() {
    static const QStringList list = [] {
        QStringList styles = AppPrefs::cleanupStyleChoices();
        styles.removeAll(s("off"));
        return styles;
    }();
    return list;
}

const QStringList& soundChoices() {
    static const QStringList list = QStringList{Sounds::none()} + Sounds::names();
    return list;
}

void validate(const QString& key, const Defaults& store, Actions& actions) {
    if (!store.object(key).isValid()) return;
    const auto it = checks().find(key);
    if (it == checks().end()) return;
    it->second(Context{key, store, actions});
}

QString currentCleanupMode() {
    if (!AppPrefs::cleanup()) return s("off");
    const QString style = storedStringOr(s("cleanupStyle"), s("standard"));
    return cleanupStyles().contains(style) ? style : s("standard");
}

double effectiveSpeedFactor() {
    if (AppPrefs::qualityLevel() == QLatin1String("low")) return 1.0;
    return Tuning::maxSpeedFactor(AppPrefs::inputQualityPercent());
}

QString currentText(const QString& key) {
    if (key == QLatin1String("cleanupMode")) return currentCleanupMode();
    if (key == QLatin1String("cleanup")) return boolText(AppPrefs::cleanup());
    if (key == QLatin1String("holdToTalk")) return boolText(AppPrefs::holdToTalk());
    if (key == QLatin1String("soundEnabled")) return boolText(AppPrefs::soundEnabled());
    if (key == QLatin1String("launchAtLogin")) return boolText(AppPrefs::launchAtLogin());
    if (key == QLatin1String("gestureSelect")) return boolText(AppPrefs::gestureSelect());
    if (key == QLatin1String("cleanupStyle")) return storedStringOr(key, s("standard"));
    if (key == QLatin1String("loverHeartLevel")) return storedStringOr(key, s("lots"));
    if (key == QLatin1String("field")) return storedStringOr(key, s(""));
    if (key == QLatin1String("vocabulary")) return characterText(ServicePrefs::vocabulary());
    if (key == QLatin1String("triggerKeyCode"))
        return QString::number(AppPrefs::triggerKeyCode()) + bracketed(AppPrefs::triggerKeyName());
    if (key == QLatin1String("holdThreshold")) return doubleText(AppPrefs::holdThreshold());
    if (key == QLatin1String("speedRate"))
        return doubleText(effectiveSpeedFactor()) + bracketed(AppPrefs::qualityLevelLabel());
    if (key == QLatin1String("inputQualityPercent")) return QString::number(AppPrefs::inputQualityPercent()) + s("%");
    if (key == QLatin1String("qualityLevel")) return AppPrefs::qualityLevel();
    if (key == QLatin1String("iconName")) return storedStringOr(key, s("窓と波形"));
    if (key == QLatin1String("modeSelectStyle")) return storedStringOr(key, s("persistent"));
    if (key == QLatin1String("transcriptionRoute"))
        return AppPrefs::qualityLevel() == QLatin1String("low") ? s("local") : s("auto");
    if (key == QLatin1String("onlineFallbackSeconds")) return doubleText(AppPrefs::onlineFallbackSeconds());
    if (soundKeys().contains(key)) return storedStringOr(key, defaultSoundFor(key));
    return QString();
}

QString notAllowedReason(const QStringList& allowed) {
    QStringList shown;
    for (const QString& value : allowed) shown << (value.isEmpty() ? s("\"\"（指定なし）") : value);
    return s("使える値は ") + shown.join(s(" / ")) + s(" です");
}

QString doubleText(double value) {
    if (std::isnan(value)) return s("nan");
    if (std::isinf(value)) return value > 0 ? s("inf") : s("-inf");
    char buffer[64];
    const double magnitude = std::fabs(value);
    // Plain decimals for everyday magnitudes, the exponent form for the very large and small.
    const bool plain = magnitude == 0.0 || (magnitude >= 1e-4 && magnitude < 1e16);
    const std::to_chars_result result = plain ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
                                              : std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e'))) text += s(".0");
    return text;
}

}  // namespace WatchedKeys
