#include "core/AppPrefs.h"

#include "core/AppLog.h"
#include "core/Graphemes.h"

#include "platform/Bundle.h"
#include "platform/Defaults.h"

#include <QUuid>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

std::atomic<Defaults*> installedDefaults{nullptr};

AppPrefs::KeyboardLayout ansiLayout() { return AppPrefs::KeyboardLayout::ANSI; }
std::atomic<AppPrefs::KeyboardLayout (*)()> layoutProvider{&ansiLayout};

std::mutex firstRunLock;
std::optional<bool> firstRunFlag;

std::mutex deviceIDLock;

const QString kDefaultCorrections = QStringLiteral("開業 → 改行");

Defaults& store() { return AppPrefs::defaults(); }

QVariant stored(const QString& key) { return store().object(key); }

// A stored Int: a 64-bit integer, or a floating-point number holding a whole value (property-list
// editors write <real>80</real> as readily as <integer>80</integer>). Bools are not numbers.
std::optional<qint64> storedInt(const QString& key) {
    const QVariant v = stored(key);
    if (Defaults::isInteger(v)) return v.toLongLong();
    if (Defaults::isNumber(v)) {
        const double d = v.toDouble();
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e18) return static_cast<qint64>(d);
    }
    return std::nullopt;
}

// A stored Double: any finite number that is not a bool. A NaN or an infinity (a hand-edited
// "<real>nan</real>") is no usable number of seconds and reads as the key's default.
std::optional<double> storedDouble(const QString& key) {
    const QVariant v = stored(key);
    if (Defaults::isNumber(v) && std::isfinite(v.toDouble())) return v.toDouble();
    return std::nullopt;
}

// The stored string, or none when absent or of another kind.
std::optional<QString> storedString(const QString& key) {
    const QVariant v = stored(key);
    if (Defaults::isString(v)) return v.toString();
    return std::nullopt;
}

QString stringInSet(const QString& key, const QStringList& allowed, const QString& absent, const QString& invalid) {
    const std::optional<QString> s = storedString(key);
    if (!s) return absent;
    return allowed.contains(*s) ? *s : invalid;
}

int toInt(qint64 v) {
    if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

const QStringList& hudPlacements() {
    static const QStringList list{QStringLiteral("top"), QStringLiteral("cursor"), QStringLiteral("off")};
    return list;
}
const QStringList& spokenLanguages() {
    static const QStringList list{QStringLiteral("keyboard"), QStringLiteral("ja"), QStringLiteral("en")};
    return list;
}
const QList<int>& inputQualityPercents() {
    static const QList<int> list{100, 90, 80, 70, 60};
    return list;
}
const QStringList& qualityLevels() {
    static const QStringList list{QStringLiteral("low"), QStringLiteral("middle"), QStringLiteral("high")};
    return list;
}
const QStringList& outputLanguages() {
    static const QStringList list{QStringLiteral("spoken"), QStringLiteral("keyboard")};
    return list;
}
const QStringList& newlineStyles() {
    static const QStringList list{QStringLiteral("off"), QStringLiteral("line"), QStringLiteral("blank"),
                                  QStringLiteral("smart")};
    return list;
}

bool isJIS() { return AppPrefs::keyboardLayout() == AppPrefs::KeyboardLayout::JIS; }

// The trigger key a fresh installation gets: right shift on a first run, else fn on JIS keyboards
// and right option elsewhere.
int defaultTriggerKeyCode() {
    if (AppPrefs::isFirstRun()) return 60;
    return isJIS() ? 63 : 61;
}

const QList<int>& functionKeyCodes() {
    static const QList<int> codes{122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
    return codes;
}

QString labelFor(const QList<AppPrefs::LabelRow>& table, const QString& key, const QString& fallback) {
    for (const AppPrefs::LabelRow& row : table)
        if (row.key == key) return row.label;
    return fallback;
}

// ---- corrections text

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return u == 0x000A || u == 0x000B || u == 0x000C || u == 0x000D || u == 0x0085 || u == 0x2028 ||
           u == 0x2029;
}

bool isTrimSpace(QChar c) { return c.unicode() == 0x0009 || c.category() == QChar::Separator_Space; }

QString trimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimSpace(text.at(begin))) ++begin;
    while (end > begin && isTrimSpace(text.at(end - 1))) --end;
    return text.mid(begin, end - begin);
}

// Every line break character ends a line, so CR LF leaves an empty line between the two.
QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isLineBreak(text.at(i))) {
            lines.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    lines.append(text.mid(start));
    return lines;
}

struct Split {
    qsizetype at;
    qsizetype length;
};

// The first separator of the priority list that occurs in the line, at its first occurrence.
std::optional<Split> findSeparator(const QString& line) {
    static const QStringList separators{QStringLiteral("→"), QStringLiteral("->"), QStringLiteral("＝"),
                                        QStringLiteral("="), QStringLiteral("："), QStringLiteral(":")};
    for (const QString& sep : separators) {
        const qsizetype at = line.indexOf(sep);
        if (at >= 0) return Split{at, sep.size()};
    }
    return std::nullopt;
}

QString nfc(const QString& s) { return s.normalized(QString::NormalizationForm_C); }

bool canonicallyEqual(const QString& a, const QString& b) { return a == b || nfc(a) == nfc(b); }

}  // namespace

// ---- store and process facts

void AppPrefs::setDefaults(Defaults* defaults) { installedDefaults.store(defaults); }

Defaults& AppPrefs::defaults() {
    Defaults* d = installedDefaults.load();
    if (!d) {
        std::fputs("AppPrefs used before a defaults store was installed\n", stderr);
        std::abort();
    }
    return *d;
}

void AppPrefs::setKeyboardLayoutProvider(KeyboardLayout (*provider)()) {
    layoutProvider.store(provider ? provider : &ansiLayout);
}

AppPrefs::KeyboardLayout AppPrefs::keyboardLayout() { return layoutProvider.load()(); }

bool AppPrefs::isFirstRun() {
    std::lock_guard lock(firstRunLock);
    if (!firstRunFlag) {
        if (Bundle::isInstalled() && Bundle::instance().identifier().isEmpty())
            firstRunFlag = false;
        else
            firstRunFlag = store().domainMissingOrEmpty();
    }
    return *firstRunFlag;
}

void AppPrefs::resetFirstRunForTesting() {
    std::lock_guard lock(firstRunLock);
    firstRunFlag.reset();
}

bool AppPrefs::boolDefaultTrue(const QString& key) {
    const QVariant v = stored(key);
    return Defaults::isBool(v) ? v.toBool() : true;
}

bool AppPrefs::boolDefaultFalse(const QString& key) {
    const QVariant v = stored(key);
    return Defaults::isBool(v) ? v.toBool() : false;
}

// ---- dictation keys

int AppPrefs::triggerKeyCode() {
    if (const std::optional<qint64> code = storedInt(QStringLiteral("triggerKeyCode"))) return toInt(*code);
    if (isFirstRun()) {
        store().set(QStringLiteral("triggerKeyCode"), qlonglong(60));
        return 60;
    }
    return isJIS() ? 63 : 61;
}

bool AppPrefs::holdToTalk() { return boolDefaultTrue(QStringLiteral("holdToTalk")); }

double AppPrefs::holdThreshold() { return storedDouble(QStringLiteral("holdThreshold")).value_or(0.0); }

QString AppPrefs::recordingHUDPlacement() {
    const std::optional<QString> s = storedString(QStringLiteral("recordingHUDPlacement"));
    if (s && hudPlacements().contains(*s)) return *s;
    const QVariant legacy = stored(QStringLiteral("showRecordingHUD"));
    if (Defaults::isBool(legacy) && !legacy.toBool()) return QStringLiteral("off");
    return QStringLiteral("top");
}

QString AppPrefs::spokenLanguage() {
    return stringInSet(QStringLiteral("spokenLanguage"), spokenLanguages(), QStringLiteral("keyboard"),
                       QStringLiteral("keyboard"));
}

int AppPrefs::inputQualityPercent() {
    std::optional<qint64> v = storedInt(QStringLiteral("inputQualityPercent"));
    if (!v) return 80;
    if (*v == 50) {
        store().set(QStringLiteral("inputQualityPercent"), qlonglong(60));
        v = 60;
    }
    const int percent = toInt(*v);
    return (*v == percent && inputQualityPercents().contains(percent)) ? percent : 80;
}

void AppPrefs::setInputQualityPercent(int percent) {
    const int value = inputQualityPercents().contains(percent) ? percent : 80;
    store().set(QStringLiteral("inputQualityPercent"), qlonglong(value));
}

QString AppPrefs::qualityLevel() {
    const std::optional<QString> s = storedString(QStringLiteral("qualityLevel"));
    if (!s) return QStringLiteral("low");
    QString value = *s;
    if (value == QLatin1String("low1") || value == QLatin1String("low2") || value == QLatin1String("low3"))
        return QStringLiteral("low");
    if (value == QLatin1String("high") && qualityLevelSchema() < 2) {
        // Stores from before the tiers were renamed meant today's "High" ("middle") by "high".
        value = QStringLiteral("middle");
        store().set(QStringLiteral("qualityLevel"), value);
        store().set(QStringLiteral("qualityLevelSchema"), qlonglong(2));
    }
    return qualityLevels().contains(value) ? value : QStringLiteral("low");
}

void AppPrefs::setQualityLevel(const QString& level) {
    const QString value = qualityLevels().contains(level) ? level : QStringLiteral("low");
    store().set(QStringLiteral("qualityLevel"), value);
    store().set(QStringLiteral("qualityLevelSchema"), qlonglong(2));
    store().set(QStringLiteral("transcriptionRoute"),
                value == QLatin1String("low") ? QStringLiteral("local") : QStringLiteral("auto"));
}

int AppPrefs::qualityLevelSchema() {
    return toInt(storedInt(QStringLiteral("qualityLevelSchema")).value_or(0));
}

QString AppPrefs::outputLanguage() {
    return stringInSet(QStringLiteral("outputLanguage"), outputLanguages(), QStringLiteral("spoken"),
                       QStringLiteral("spoken"));
}

void AppPrefs::setOutputLanguage(const QString& language) {
    store().set(QStringLiteral("outputLanguage"),
                outputLanguages().contains(language) ? language : QStringLiteral("spoken"));
}

bool AppPrefs::cleanup() { return boolDefaultTrue(QStringLiteral("cleanup")); }

QString AppPrefs::cleanupStyle() {
    return storedString(QStringLiteral("cleanupStyle")).value_or(QStringLiteral("standard"));
}

void AppPrefs::setCleanupMode(const QString& mode) {
    if (mode == QLatin1String("off")) {
        store().set(QStringLiteral("cleanup"), false);
        return;
    }
    store().set(QStringLiteral("cleanup"), true);
    store().set(QStringLiteral("cleanupStyle"), mode);
}

bool AppPrefs::lowCleanup() { return boolDefaultFalse(QStringLiteral("lowCleanup")); }

QString AppPrefs::modeSelectStyle() {
    return storedString(QStringLiteral("modeSelectStyle")) == QStringLiteral("session") ? QStringLiteral("session")
                                                                                        : QStringLiteral("persistent");
}

bool AppPrefs::gestureSelect() { return boolDefaultTrue(QStringLiteral("gestureSelect")); }

QString AppPrefs::newlineStyle() {
    return stringInSet(QStringLiteral("newlineStyle"), newlineStyles(), QStringLiteral("line"), QStringLiteral("off"));
}

void AppPrefs::setNewlineStyle(const QString& style) {
    store().set(QStringLiteral("newlineStyle"), newlineStyles().contains(style) ? style : QStringLiteral("off"));
}

double AppPrefs::onlineFallbackSeconds() {
    return storedDouble(QStringLiteral("onlineFallbackSeconds")).value_or(3.0);
}

bool AppPrefs::soundEnabled() { return boolDefaultTrue(QStringLiteral("soundEnabled")); }

void AppPrefs::applyTranscriptionRoute(const QString& route) {
    const bool isLow = qualityLevel() == QLatin1String("low");
    if (route == QLatin1String("local")) {
        if (!isLow) setQualityLevel(QStringLiteral("low"));
    } else if (isLow) {
        setQualityLevel(QStringLiteral("middle"));
    }
}

// ---- editing aids, identity, bookkeeping

bool AppPrefs::bulkDelete() { return boolDefaultFalse(QStringLiteral("bulkDelete")); }

QString AppPrefs::bulkDeleteKey() {
    return storedString(QStringLiteral("bulkDeleteKey")).value_or(QStringLiteral("command"));
}

bool AppPrefs::screenshotPasteEnabled() {
    const QVariant v = stored(QStringLiteral("screenshotPasteEnabled"));
    return v.isValid() ? Defaults::toBool(v) : true;
}

bool AppPrefs::screenshotPasteImageInTerminal() {
    const QVariant v = stored(QStringLiteral("screenshotPasteImageInTerminal"));
    return v.isValid() ? Defaults::toBool(v) : true;
}

QString AppPrefs::screenshotPasteKey() {
    return storedString(QStringLiteral("screenshotPasteKey")).value_or(QStringLiteral("controlOptionCommand"));
}

bool AppPrefs::correctionBar() { return boolDefaultTrue(QStringLiteral("correctionBar")); }

bool AppPrefs::keepInsertedTextOnClipboard() { return boolDefaultFalse(QStringLiteral("keepInsertedTextOnClipboard")); }

QString AppPrefs::copyOnSelectMode() {
    if (const std::optional<QString> s = storedString(QStringLiteral("copyOnSelectMode"))) return *s;
    const QVariant legacy = stored(QStringLiteral("copyOnSelect"));
    if (Defaults::isBool(legacy) && !legacy.toBool()) return QStringLiteral("off");
    return QStringLiteral("silent");
}

QString AppPrefs::corrections() { return storedString(QStringLiteral("corrections")).value_or(kDefaultCorrections); }

QString AppPrefs::field() { return storedString(QStringLiteral("field")).value_or(QString()); }

bool AppPrefs::launchAtLogin() { return boolDefaultTrue(QStringLiteral("launchAtLogin")); }

bool AppPrefs::onboardingV2Completed() { return boolDefaultFalse(QStringLiteral("onboardingV2Completed")); }

QString AppPrefs::deviceID() {
    if (const std::optional<QString> s = storedString(QStringLiteral("deviceID"))) return *s;
    // Two first reads at once in this process agree on one identifier.
    std::lock_guard lock(deviceIDLock);
    if (const std::optional<QString> s = storedString(QStringLiteral("deviceID"))) return *s;
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    store().set(QStringLiteral("deviceID"), id);
    return id;
}

std::optional<QDateTime> AppPrefs::helloSentAt() { return date(QStringLiteral("helloSentAt")); }

void AppPrefs::setHelloSentAt(const std::optional<QDateTime>& when) { setDate(QStringLiteral("helloSentAt"), when); }

std::optional<QDateTime> AppPrefs::date(const QString& key) {
    const QVariant v = stored(key);
    if (Defaults::isDate(v) && v.toDateTime().isValid()) return v.toDateTime();
    return std::nullopt;
}

void AppPrefs::setDate(const QString& key, const std::optional<QDateTime>& when) {
    if (when && when->isValid())
        store().set(key, *when);
    else
        store().remove(key);
}

bool AppPrefs::prefsDirty() { return boolDefaultFalse(QStringLiteral("prefsDirty")); }

// ---- service credential and base URL

QString AppPrefs::serviceCredential() {
    return storedString(QStringLiteral("serviceKey")).value_or(QString());
}

bool AppPrefs::hasServiceCredential() { return !serviceCredential().isEmpty(); }

QString AppPrefs::serverURL() {
    // A stored string is used as it is (a mistyped one then fails every request with a clear
    // message); only an absent one means the built-in default.
    return storedString(QStringLiteral("serverURL")).value_or(defaultServerURL());
}

QString AppPrefs::defaultServerURL() { return QStringLiteral("https://api.quendle.invalid"); }

// ---- derived settings

QString AppPrefs::effectiveCleanupStyle(const std::optional<QString>& pick) {
    const bool isLow = qualityLevel() == QLatin1String("low");
    if (isLow && !hasServiceCredential()) return QStringLiteral("off");
    if (modeSelectStyle() == QLatin1String("session")) return pick.value_or(QStringLiteral("off"));
    if (isLow && !lowCleanup()) return pick.value_or(QStringLiteral("off"));
    if (!cleanup()) return QStringLiteral("off");
    return cleanupStyle();
}

bool AppPrefs::lowMayUseCleanup() {
    if (!hasServiceCredential()) return false;
    if (modeSelectStyle() == QLatin1String("session")) return true;
    return lowCleanup();
}

const QList<AppPrefs::QualityRow>& AppPrefs::qualityTable() {
    static const QList<QualityRow> table{
        {QStringLiteral("Low"), QStringLiteral("low"),
         QStringLiteral("普段使いや生成AIへの指示・チャットに。多少の誤字は気にせず、整形はしません")},
        {QStringLiteral("High"), QStringLiteral("middle"),
         QStringLiteral("精度を重視し、文章を整えます。人に送る文章に")},
        {QStringLiteral("Max"), QStringLiteral("high"),
         QStringLiteral("高精度モデルで清書や議事録に。表示まで少し時間がかかります")},
    };
    return table;
}

QString AppPrefs::qualityLevelLabel() {
    const QString level = qualityLevel();
    for (const QualityRow& row : qualityTable())
        if (row.key == level) return row.title;
    return QStringLiteral("Low");
}

QList<AppPrefs::QualityRow> AppPrefs::selectableQualityLevels() {
    QList<QualityRow> rows;
    for (const QualityRow& row : qualityTable())
        if (row.key != QLatin1String("middle")) rows.append(row);
    return rows;
}

QList<AppPrefs::KeyChoice> AppPrefs::triggerKeyChoices() {
    const int defaultCode = defaultTriggerKeyCode();
    const bool jis = isJIS();
    // The keys are named as a PC keyboard labels them: Alt and Super where a Mac has option and
    // command, and the Menu key for fn. F1–F12 are ordinary keys there and always on offer.
    QList<KeyChoice> rows{
        {QStringLiteral("caps lock"), 57}, {QStringLiteral("左シフト"), 56},       {QStringLiteral("右シフト"), 60},
        {QStringLiteral("Menu"), 63},      {QStringLiteral("左コントロール"), 59}, {QStringLiteral("左Alt"), 58},
        {QStringLiteral("左Super"), 55},
    };
    if (jis) {
        rows.append({QStringLiteral("英数"), 102});
        rows.append({QStringLiteral("かな"), 104});
    }
    rows.append({QStringLiteral("右Super"), 54});
    rows.append({QStringLiteral("右Alt"), 61});
    rows.append({QStringLiteral("右コントロール"), 62});
    for (int i = 0; i < functionKeyCodes().size(); ++i)
        rows.append({QStringLiteral("F%1").arg(i + 1), functionKeyCodes().at(i)});
    for (KeyChoice& row : rows)
        if (row.code == defaultCode) row.name += QStringLiteral("（既定）");
    return rows;
}

QString AppPrefs::triggerKeyName() {
    const int code = triggerKeyCode();
    QString name = QStringLiteral("キー%1").arg(code);
    for (const KeyChoice& row : triggerKeyChoices()) {
        if (row.code == code) {
            name = row.name;
            break;
        }
    }
    name.remove(QStringLiteral("（既定）"));
    return name;
}

QSet<int> AppPrefs::allowedTriggerKeyCodes() {
    QSet<int> codes{57, 56, 60, 63, 59, 58, 55, 54, 61, 62};
    if (isJIS()) {
        codes.insert(102);
        codes.insert(104);
    }
    for (int code : functionKeyCodes()) codes.insert(code);
    return codes;
}

namespace {
const QList<AppPrefs::LabelRow>& screenshotPasteKeyTable() {
    static const QList<AppPrefs::LabelRow> table{
        {QStringLiteral("Ctrl + Alt + Super + V"), QStringLiteral("controlOptionCommand")},
        {QStringLiteral("Alt + Super + V"), QStringLiteral("optionCommand")},
        {QStringLiteral("英数 + V"), QStringLiteral("eisu")},
        {QStringLiteral("かな + V"), QStringLiteral("kana")},
    };
    return table;
}
}  // namespace

QList<AppPrefs::LabelRow> AppPrefs::screenshotPasteKeyOptions() {
    if (isJIS()) return screenshotPasteKeyTable();
    QList<LabelRow> rows;
    for (const LabelRow& row : screenshotPasteKeyTable())
        if (row.key != QLatin1String("eisu") && row.key != QLatin1String("kana")) rows.append(row);
    return rows;
}

QString AppPrefs::screenshotPasteKeyLabel() {
    QString key = screenshotPasteKey();
    if (key == QLatin1String("eisu") || key == QLatin1String("kana")) {
        const int trigger = triggerKeyCode();
        if ((key == QLatin1String("eisu") && trigger == 102) || (key == QLatin1String("kana") && trigger == 104))
            key = QStringLiteral("controlOptionCommand");
    }
    return labelFor(screenshotPasteKeyTable(), key, QStringLiteral("Ctrl + Alt + Super + V"));
}

const QList<AppPrefs::LabelRow>& AppPrefs::bulkDeleteKeyTable() {
    static const QList<LabelRow> table{
        {QStringLiteral("Super + Backspace"), QStringLiteral("command")},
        {QStringLiteral("Super + Shift + Backspace"), QStringLiteral("commandShift")},
        {QStringLiteral("Ctrl + Backspace"), QStringLiteral("control")},
        {QStringLiteral("Ctrl + Shift + Backspace"), QStringLiteral("controlShift")},
    };
    return table;
}

QString AppPrefs::bulkDeleteKeyLabel() {
    return labelFor(bulkDeleteKeyTable(), bulkDeleteKey(), QStringLiteral("Super + Backspace"));
}

QString AppPrefs::newlinesFormValue() {
    const QString style = newlineStyle();
    if (style == QLatin1String("line")) return QStringLiteral("1");
    if (style == QLatin1String("blank")) return QStringLiteral("2");
    if (style == QLatin1String("smart")) return QStringLiteral("3");
    return QStringLiteral("0");
}

const QList<AppPrefs::LabelRow>& AppPrefs::occupationTable() {
    static const QList<LabelRow> table{
        {QStringLiteral("指定なし"), QString()},
        {QStringLiteral("エンジニア（IT）"), QStringLiteral("engineer")},
        {QStringLiteral("広告・マーケティング"), QStringLiteral("marketing")},
        {QStringLiteral("営業"), QStringLiteral("sales")},
        {QStringLiteral("経理・財務"), QStringLiteral("accounting")},
        {QStringLiteral("法務・法律"), QStringLiteral("legal")},
        {QStringLiteral("医療・介護"), QStringLiteral("medical")},
        {QStringLiteral("建築・建設"), QStringLiteral("construction")},
        {QStringLiteral("製造・現場"), QStringLiteral("manufacturing")},
        {QStringLiteral("不動産"), QStringLiteral("realestate")},
    };
    return table;
}

QString AppPrefs::fieldLabel() {
    const QString code = field();
    for (const LabelRow& row : occupationTable())
        if (row.key == code) return row.label;  // QString() == "" holds for the empty code
    return QStringLiteral("指定なし");
}

const QList<AppPrefs::LabelRow>& AppPrefs::outputLanguageTable() {
    static const QList<LabelRow> table{
        {QStringLiteral("話したまま"), QStringLiteral("spoken")},
        {QStringLiteral("キーボードに合わせる"), QStringLiteral("keyboard")},
    };
    return table;
}

QString AppPrefs::outputLanguageLabel() {
    return labelFor(outputLanguageTable(), outputLanguage(), QStringLiteral("話したまま"));
}

const QStringList& AppPrefs::cleanupStyleChoices() {
    static const QStringList choices{QStringLiteral("off"),    QStringLiteral("standard"), QStringLiteral("formal"),
                                     QStringLiteral("junior"), QStringLiteral("friend"),   QStringLiteral("lover")};
    return choices;
}

// ---- corrections list

QList<AppPrefs::CorrectionPair> AppPrefs::correctionPairs() {
    QList<CorrectionPair> pairs;
    for (const QString& line : splitLines(corrections())) {
        const std::optional<Split> split = findSeparator(line);
        if (!split) continue;
        const QString wrong = trimSpaces(line.left(split->at));
        if (wrong.isEmpty()) continue;
        pairs.append({wrong, trimSpaces(line.mid(split->at + split->length))});
    }
    return pairs;
}

std::optional<QString> AppPrefs::correctionWrongPart(const QString& line) {
    const std::optional<Split> split = findSeparator(line);
    if (!split) return std::nullopt;
    const QString wrong = trimSpaces(line.left(split->at));
    if (wrong.isEmpty()) return std::nullopt;
    return wrong;
}

bool AppPrefs::isCorrectionRuleTooLong(const QString& line) {
    return line.size() > kCorrectionRuleLimit && Graphemes::count(line) > kCorrectionRuleLimit;
}

bool AppPrefs::hasTooLongCorrectionRule(const QString& text) {
    if (text.size() <= kCorrectionRuleLimit) return false;
    const QStringList lines = splitLines(text);
    return std::any_of(lines.begin(), lines.end(), isCorrectionRuleTooLong);
}

bool AppPrefs::addCorrection(const QString& wrong, const QString& right) {
    const QString w = trimSpaces(wrong);
    const QString r = trimSpaces(right);
    if (w.isEmpty() || canonicallyEqual(w, r)) return false;

    QStringList lines = splitLines(corrections());
    const QString newLine = w + QStringLiteral(" → ") + r;
    if (isCorrectionRuleTooLong(newLine)) return false;
    bool replaced = false;
    for (QString& line : lines) {
        const std::optional<QString> part = correctionWrongPart(line);
        if (part && canonicallyEqual(*part, w)) {
            line = newLine;
            replaced = true;
            break;
        }
    }
    if (!replaced) {
        if (!lines.isEmpty() && trimSpaces(lines.last()).isEmpty()) lines.removeLast();
        lines.append(newLine);
    }
    store().set(QStringLiteral("corrections"), lines.join(QLatin1Char('\n')));
    return true;
}

QString AppPrefs::applyCorrections(const QString& text) {
    // Rules apply in turn, each to the previous one's output, so a list can make the text grow
    // without end ("a → aa" written thirty times doubles it thirty times). A rule that would take
    // the text past this size is passed over.
    const qsizetype limit = correctionGrowthLimit(text.size());
    const auto grown = [limit](const QString& in, const CorrectionPair& pair, const QString& wrong) {
        const qsizetype growth = pair.right.size() - wrong.size();
        return growth > 0 && in.size() + in.count(wrong) * growth > limit;
    };
    const auto skip = [](const CorrectionPair& pair) {
        AppLog::write(QStringLiteral("修正ルールを飛ばしました（文が長くなりすぎます）: ") + pair.wrong +
                      QStringLiteral(" → ") + pair.right);
    };
    QString result = text;
    for (const CorrectionPair& pair : correctionPairs()) {
        if (result.contains(pair.wrong)) {
            if (grown(result, pair, pair.wrong)) {
                skip(pair);
                continue;
            }
            result.replace(pair.wrong, pair.right, Qt::CaseSensitive);
            continue;
        }
        // A canonically equivalent spelling (composed vs decomposed) counts as the same text.
        const QString composedWrong = nfc(pair.wrong);
        QString composed = nfc(result);
        if (!composed.contains(composedWrong)) continue;
        if (grown(composed, pair, composedWrong)) {
            skip(pair);
            continue;
        }
        result = composed.replace(composedWrong, pair.right, Qt::CaseSensitive);
    }
    return result;
}

qsizetype AppPrefs::correctionGrowthLimit(qsizetype length) { return 4 * length + 1000; }
