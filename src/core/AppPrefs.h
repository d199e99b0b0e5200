#pragma once

#include "core/ServicePrefs.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

class Defaults;

// The one settings store: static accessors over the application's defaults domain, one per key.
// Getters never cache and never fail: a stored value of the wrong kind or outside its set reads as
// the key's fallback; setters normalise instead of rejecting.
class AppPrefs {
public:
    // The store every accessor reads (installed once at start-up; tests install a MemoryDefaults).
    static void setDefaults(Defaults* defaults);
    static Defaults& defaults();

    // Keyboard facts the defaults depend on; installed by the platform layer (default: ANSI, not first run).
    enum class KeyboardLayout { ANSI, ISO, JIS };
    static void setKeyboardLayoutProvider(KeyboardLayout (*provider)());
    static KeyboardLayout keyboardLayout();

    // First-run flag: computed once per process on first demand (the entry point demands it first).
    static bool isFirstRun();
    static void resetFirstRunForTesting();

    static bool boolDefaultTrue(const QString& key);
    static bool boolDefaultFalse(const QString& key);

    // ---- dictation keys
    static int triggerKeyCode();
    static bool holdToTalk();
    static double holdThreshold();
    static QString recordingHUDPlacement();   // "top" | "cursor" | "off"
    static QString spokenLanguage();          // "keyboard" | "ja" | "en"
    static int inputQualityPercent();         // 100 | 90 | 80 | 70 | 60
    static void setInputQualityPercent(int percent);
    static QString qualityLevel();            // "low" | "middle" | "high"
    static void setQualityLevel(const QString& level);
    static int qualityLevelSchema();
    static QString outputLanguage();          // "spoken" | "keyboard"
    static void setOutputLanguage(const QString& language);
    static bool cleanup();
    static QString cleanupStyle();
    static void setCleanupMode(const QString& mode);
    static bool lowCleanup();
    static QString modeSelectStyle();         // "persistent" | "session"
    static bool gestureSelect();
    static QString newlineStyle();            // "off" | "line" | "blank" | "smart"
    static void setNewlineStyle(const QString& style);
    static double onlineFallbackSeconds();
    static bool soundEnabled();
    static void applyTranscriptionRoute(const QString& route);

    // ---- editing aids, identity, bookkeeping
    static bool bulkDelete();
    static QString bulkDeleteKey();
    static bool screenshotPasteEnabled();
    static bool screenshotPasteImageInTerminal();
    static QString screenshotPasteKey();
    static bool correctionBar();
    static bool keepInsertedTextOnClipboard();
    static QString copyOnSelectMode();
    static QString corrections();
    static QString field();
    static bool launchAtLogin();
    static bool onboardingV2Completed();
    static QString deviceID();
    static std::optional<QDateTime> helloSentAt();
    static void setHelloSentAt(const std::optional<QDateTime>& date);
    static std::optional<QDateTime> date(const QString& key);
    static void setDate(const QString& key, const std::optional<QDateTime>& date);
    static bool prefsDirty();

    // ---- service credential and base URL
    // The credential sent as "Authorization: Bearer …" (defaults key "serviceKey"); empty when none.
    static QString serviceCredential();
    static bool hasServiceCredential();
    // The `serverURL` setting as stored, or the built-in default base URL when none is stored.
    static QString serverURL();
    static QString defaultServerURL();

    // ---- derived settings and option tables
    struct QualityRow {
        QString title;
        QString key;
        QString description;
    };
    struct KeyChoice {
        QString name;
        int code;
    };
    struct LabelRow {
        QString label;
        QString key;
    };
    static QString effectiveCleanupStyle(const std::optional<QString>& pick);
    static bool lowMayUseCleanup();
    static const QList<QualityRow>& qualityTable();
    static QString qualityLevelLabel();
    static QList<QualityRow> selectableQualityLevels();
    static QList<KeyChoice> triggerKeyChoices();
    static QString triggerKeyName();
    static QSet<int> allowedTriggerKeyCodes();
    static QList<LabelRow> screenshotPasteKeyOptions();
    static QString screenshotPasteKeyLabel();
    static const QList<LabelRow>& bulkDeleteKeyTable();
    static QString bulkDeleteKeyLabel();
    static QString newlinesFormValue();
    static const QList<LabelRow>& occupationTable();  // key = occupation code
    static QString fieldLabel();
    static const QList<LabelRow>& outputLanguageTable();
    static QString outputLanguageLabel();

    // ---- corrections list
    struct CorrectionPair {
        QString wrong;
        QString right;
        bool operator==(const CorrectionPair&) const = default;
    };
    static QList<CorrectionPair> correctionPairs();
    static std::optional<QString> correctionWrongPart(const QString& line);
    // Stores "wrong → right" (replacing the rule for the same wrong word). False when nothing is
    // stored: a side is empty, both are the same word, or the rule is too long (below).
    static bool addCorrection(const QString& wrong, const QString& right);
    // The longest rule (one line, in characters as the user sees them) the service keeps in its
    // copy of the list; a longer one could never reach the user's other devices.
    static constexpr qsizetype kCorrectionRuleLimit = ServicePrefs::kServiceListLimit;
    static bool isCorrectionRuleTooLong(const QString& line);
    // Whether some line of a corrections text is too long.
    static bool hasTooLongCorrectionRule(const QString& text);
    // Applies the pairs in order to `text` (every occurrence, case-sensitive).
    static QString applyCorrections(const QString& text);
    // How long (UTF-16 units) corrections may make a text of `length` units; a rule that would go
    // past it is passed over and logged.
    static qsizetype correctionGrowthLimit(qsizetype length);

    static const QStringList& cleanupStyleChoices();  // "off", "standard", "formal", "junior", "friend", "lover"
};
