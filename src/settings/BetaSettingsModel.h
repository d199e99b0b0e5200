#pragma once

#include "platform/Sounds.h"
#include "settings/SettingsActions.h"
#include "settings/VocabularyPreview.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class OnboardingWindow;

// The observable model behind every settings screen and the onboarding's settings steps. It holds
// one property per setting, loads them from AppPrefs, writes each change straight back to the
// defaults and then tells the shell (SettingsActions::settingsChanged); the HUD placement and the
// amount of hearts are only written, as neither the tray icon nor its menu shows them. The three
// free texts (style note, vocabulary, corrections) are edited here and saved explicitly; an
// unsaved style note is kept per style while another style is chosen.
//
// Observing: observe() registers a callback that is told which property changed, after the value
// changed (not for assignments of the same value). Writes and callbacks to the shell run on every
// assignment, as a screen that sets a value expects.
//
// Main thread only. Several models may live at once; they share the defaults and the
// process-wide vocabulary-edit flag.
class BetaSettingsModel {
public:
    enum class Section { speak, text };
    static const QList<Section>& allSections();
    static QString rawValue(Section section);
    static std::optional<Section> sectionFromRawValue(const QString& raw);

    enum class Property {
        section, triggerKeyCode, hudPlacement, spokenLanguage, holdToTalk, holdDelay, launchAtLogin,
        inputQualityPercent, sounds, qualityLevel, outputLanguage, cleanupMode, lowCleanupEnabled,
        modeSelectStyle, gestureSelect, navResetTick, newlineStyle, bulkDeleteEnabled, bulkDeleteKey,
        screenshotPasteEnabled, screenshotPasteImageInTerminal, screenshotPasteKey, correctionBarEnabled,
        keepInsertedTextOnClipboard, copyOnSelectMode, styleNote, savedStyleNote, loverHeartLevel, field,
        vocabularyText, presetNotice, corrections, savedVocabulary, savedCorrections,
    };
    using ObserverId = quint64;
    using Observer = std::function<void(Property)>;

    // Builds the model and loads it. `sounds` plays the sound choices and previews (may be null:
    // nothing plays). Not owned; it must outlive the model.
    explicit BetaSettingsModel(SettingsActions actions, Sounds* sounds = nullptr);
    ~BetaSettingsModel();
    BetaSettingsModel(const BetaSettingsModel&) = delete;
    BetaSettingsModel& operator=(const BetaSettingsModel&) = delete;

    ObserverId observe(Observer observer);
    void unobserve(ObserverId id);

    // Re-reads every setting from the defaults. Unsaved edits of the three free texts survive;
    // nothing is written back (except the repair of a trigger key that is not offered) and the
    // shell is not called.
    void reload();
    // True only inside reload().
    bool loading() const { return loading_; }
    const SettingsActions& actions() const { return actions_; }

    // Every live model reloads: after the preference sync applied lists from the service, and
    // after the settings watcher put back a value it refused.
    static void reloadAll();
    static void prefsDidSync() { reloadAll(); }

    // ---- the vocabulary-edit flag
    // True while some live model holds unsaved vocabulary or corrections edits; preference sync
    // applies nothing from the service meanwhile.
    static bool vocabularyEditPending();
    // The settings window hid or closed: this model no longer holds the flag (until its lists are
    // edited again).
    void releaseVocabularyEditHold();

    // ---- settings (each setter writes through unless loading)
    Section section() const { return section_; }
    void setSection(Section section);
    int triggerKeyCode() const { return triggerKeyCode_; }
    void setTriggerKeyCode(int code);
    QString hudPlacement() const { return hudPlacement_; }
    void setHudPlacement(const QString& placement);
    QString spokenLanguage() const { return spokenLanguage_; }
    void setSpokenLanguage(const QString& language);
    bool holdToTalk() const { return holdToTalk_; }
    void setHoldToTalk(bool on);
    double holdDelay() const { return holdDelay_; }
    void setHoldDelay(double seconds);
    bool launchAtLogin() const { return launchAtLogin_; }
    void setLaunchAtLogin(bool on);
    int inputQualityPercent() const { return inputQualityPercent_; }
    void setInputQualityPercent(int percent);
    // One sound name per moment: start, stop, success, failure. Changed through setSound().
    const QStringList& sounds() const { return sounds_; }
    QString qualityLevel() const { return qualityLevel_; }
    void setQualityLevel(const QString& level);
    QString outputLanguage() const { return outputLanguage_; }
    void setOutputLanguage(const QString& language);
    // "off" or a cleanup style.
    QString cleanupMode() const { return cleanupMode_; }
    void setCleanupMode(const QString& mode);
    bool lowCleanupEnabled() const { return lowCleanupEnabled_; }
    void setLowCleanupEnabled(bool on);
    QString modeSelectStyle() const { return modeSelectStyle_; }
    void setModeSelectStyle(const QString& style);
    bool gestureSelect() const { return gestureSelect_; }
    void setGestureSelect(bool on);
    // The settings window adds one whenever it hides or closes; every change returns the
    // navigation to the root screen.
    int navResetTick() const { return navResetTick_; }
    void setNavResetTick(int tick);
    QString newlineStyle() const { return newlineStyle_; }
    void setNewlineStyle(const QString& style);
    bool bulkDeleteEnabled() const { return bulkDeleteEnabled_; }
    void setBulkDeleteEnabled(bool on);
    QString bulkDeleteKey() const { return bulkDeleteKey_; }
    void setBulkDeleteKey(const QString& key);
    bool screenshotPasteEnabled() const { return screenshotPasteEnabled_; }
    void setScreenshotPasteEnabled(bool on);
    bool screenshotPasteImageInTerminal() const { return screenshotPasteImageInTerminal_; }
    void setScreenshotPasteImageInTerminal(bool on);
    QString screenshotPasteKey() const { return screenshotPasteKey_; }
    void setScreenshotPasteKey(const QString& key);
    bool correctionBarEnabled() const { return correctionBarEnabled_; }
    void setCorrectionBarEnabled(bool on);
    bool keepInsertedTextOnClipboard() const { return keepInsertedTextOnClipboard_; }
    void setKeepInsertedTextOnClipboard(bool on);
    QString copyOnSelectMode() const { return copyOnSelectMode_; }
    void setCopyOnSelectMode(const QString& mode);
    QString loverHeartLevel() const { return loverHeartLevel_; }
    void setLoverHeartLevel(const QString& level);
    // The occupation id; "" = none chosen.
    QString field() const { return field_; }
    void setField(const QString& field);

    // ---- free texts, saved explicitly
    QString styleNote() const { return styleNote_; }
    void setStyleNote(const QString& note);
    QString savedStyleNote() const { return savedStyleNote_; }
    bool styleNoteIsDirty() const;
    // The trimmed note is longer than kTextLimit characters: it cannot be saved.
    bool styleNoteTooLong() const;
    // Stores the trimmed note under "styleNote.<cleanup style>"; nothing while cleanup is off or
    // the note is too long.
    void saveStyleNote();

    // One word per line while editing; stored as the words joined by ", ".
    QString vocabularyText() const { return vocabularyText_; }
    void setVocabularyText(const QString& text);
    QString savedVocabulary() const { return savedVocabulary_; }
    bool vocabularyIsDirty() const;
    // The stored form would be longer than kTextLimit characters: it cannot be saved.
    bool vocabularyTooLong() const;
    // Stores the words joined by ", " and pushes the lists; nothing while the list is too long.
    void saveVocabulary();

    // One rule per line, stored exactly as edited.
    QString corrections() const { return corrections_; }
    void setCorrections(const QString& text);
    QString savedCorrections() const { return savedCorrections_; }
    bool correctionsAreDirty() const { return corrections_ != savedCorrections_; }
    void saveCorrections();

    static QStringList splitWordList(const QString& text) { return VocabularyPreview::splitWordList(text); }

    // ---- what a save would change (for the save/revert bars)
    QList<VocabChange> vocabularyChanges() const;
    QList<VocabChange> correctionsChanges() const;
    QString vocabularyChangeSummary() const;
    QString correctionsChangeSummary() const;

    // ---- labels of the rows
    QString triggerKeyName() const;
    QString triggerKeyDisplayName() const;
    QString qualityLabel() const;
    QString outputLanguageLabel() const;
    QString cleanupModeLabel() const;
    QString newlineStyleLabel() const;
    QString hudPlacementLabel() const;
    QString spokenLanguageLabel() const;
    QString correctionsSummary() const;

    // ---- small operations
    // Chooses a sound for a moment (0 start, 1 stop, 2 success, 3 failure), stores it and plays it
    // once; a bad index does nothing. The shell is not called.
    void setSound(const QString& name, int momentIndex);
    // Plays the moment's chosen sound, cutting the previous preview short; nothing for a bad index
    // or "なし" (a preview already playing then goes on).
    void playSoundPreview(int momentIndex);
    // Sets the trigger key when the code is one of the offered choices; ignores any other code.
    void selectTriggerKey(int code);
    // Adds the occupation's preset words that the vocabulary lacks (unsaved), within the limit of
    // 300 characters of the stored form; the outcome is in presetNotice().
    void addPresetWords(const QString& occupation);
    QString presetNotice() const { return presetNotice_; }

    // The longest vocabulary, in characters of its stored form, that presets may grow it to.
    static constexpr int kVocabularyLimit = 300;
    // The longest style note and vocabulary (stored form) the settings take, in characters.
    static constexpr int kTextLimit = 2000;

    // The permission rows' summary (see SettingsLabels).
    static bool anyPermissionMissing(OnboardingWindow& permissions);
    static QString permissionsSummary(OnboardingWindow& permissions);

    // The defaults keys of the four sound moments, and the sound each has when none is stored.
    static const QStringList& soundKeys();
    static const QStringList& defaultSounds();

private:
    template <typename T>
    void assign(T& field, const T& value, Property property);
    void notify(Property property);
    void changed();
    void writeString(const char* key, const QString& value);
    void writeBool(const char* key, bool value);
    void updateEditFlag();
    // Shows the note of `style` (its kept draft, else the stored note), keeping an unsaved note
    // of the style shown until now as that style's draft.
    void showNoteOf(const QString& style);
    void applyCopyOnSelect();

    SettingsActions actions_;
    Sounds* soundPlayer_;
    Sounds::PlaybackId preview_ = 0;
    bool loading_ = false;
    bool editHold_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::map<ObserverId, Observer> observers_;
    ObserverId nextObserver_ = 1;

    Section section_ = Section::speak;
    int triggerKeyCode_ = 0;
    QString hudPlacement_;
    QString spokenLanguage_;
    bool holdToTalk_ = true;
    double holdDelay_ = 0.0;
    bool launchAtLogin_ = true;
    int inputQualityPercent_ = 80;
    QStringList sounds_;
    QString qualityLevel_;
    QString outputLanguage_;
    QString cleanupMode_;
    bool lowCleanupEnabled_ = false;
    QString modeSelectStyle_;
    bool gestureSelect_ = true;
    int navResetTick_ = 0;
    QString newlineStyle_;
    bool bulkDeleteEnabled_ = false;
    QString bulkDeleteKey_;
    bool screenshotPasteEnabled_ = true;
    bool screenshotPasteImageInTerminal_ = true;
    QString screenshotPasteKey_;
    bool correctionBarEnabled_ = true;
    bool keepInsertedTextOnClipboard_ = false;
    QString copyOnSelectMode_;
    QString styleNote_;
    QString savedStyleNote_;
    QString noteStyle_;                        // the style whose note styleNote_ holds; "" = none yet
    std::map<QString, QString> noteDrafts_;    // unsaved notes of the styles not shown
    QString loverHeartLevel_;
    QString field_;
    QString vocabularyText_;
    QString presetNotice_;
    QString corrections_;
    QString savedVocabulary_;
    QString savedCorrections_;
};
