#include "settings/BetaSettingsModel.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/OccupationPresets.h"
#include "core/ServicePrefs.h"
#include "platform/Defaults.h"
#include "settings/SettingsLabels.h"

#include <vector>

namespace {

// Every live model, for the reload after a preference sync and the vocabulary-edit flag.
// Main thread only.
std::vector<BetaSettingsModel*>& liveModels() {
    static std::vector<BetaSettingsModel*> models;
    return models;
}

bool isLive(const BetaSettingsModel* model) {
    for (const BetaSettingsModel* m : liveModels())
        if (m == model) return true;
    return false;
}

Defaults& store() { return AppPrefs::defaults(); }

QString storedStringOr(const QString& key, const QString& fallback) {
    const QVariant value = store().object(key);
    return Defaults::isString(value) ? value.toString() : fallback;
}

bool isOfferedTriggerKey(int code) {
    for (const AppPrefs::KeyChoice& choice : AppPrefs::triggerKeyChoices())
        if (choice.code == code) return true;
    return false;
}

// The trigger key a store without a usable one gets: right shift on a first run, else fn on JIS
// keyboards and right option elsewhere.
int defaultTriggerKeyCode() {
    if (AppPrefs::isFirstRun()) return 60;
    return AppPrefs::keyboardLayout() == AppPrefs::KeyboardLayout::JIS ? 63 : 61;
}

}  // namespace

// ---- sections

const QList<BetaSettingsModel::Section>& BetaSettingsModel::allSections() {
    static const QList<Section> all{Section::speak, Section::text};
    return all;
}

QString BetaSettingsModel::rawValue(Section section) {
    return section == Section::speak ? QStringLiteral("speak") : QStringLiteral("text");
}

std::optional<BetaSettingsModel::Section> BetaSettingsModel::sectionFromRawValue(const QString& raw) {
    for (Section section : allSections())
        if (rawValue(section) == raw) return section;
    return std::nullopt;
}

const QStringList& BetaSettingsModel::soundKeys() {
    static const QStringList keys{QStringLiteral("soundStart"), QStringLiteral("soundStop"),
                                  QStringLiteral("soundSuccess"), QStringLiteral("soundFailure")};
    return keys;
}

const QStringList& BetaSettingsModel::defaultSounds() {
    static const QStringList names{QStringLiteral("Purr"), QStringLiteral("Frog"), QStringLiteral("Morse"),
                                   QStringLiteral("Tink")};
    return names;
}

// ---- life

BetaSettingsModel::BetaSettingsModel(SettingsActions actions, Sounds* sounds)
    : actions_(std::move(actions)),
      soundPlayer_(sounds),
      cleanupMode_(QStringLiteral("off")),
      modeSelectStyle_(QStringLiteral("persistent")),
      bulkDeleteKey_(QStringLiteral("command")),
      loverHeartLevel_(QStringLiteral("lots")) {
    liveModels().push_back(this);
    reload();
}

BetaSettingsModel::~BetaSettingsModel() {
    *alive_ = false;
    auto& models = liveModels();
    std::erase(models, this);
}

// ---- observing

BetaSettingsModel::ObserverId BetaSettingsModel::observe(Observer observer) {
    const ObserverId id = nextObserver_++;
    observers_.emplace(id, std::move(observer));
    return id;
}

void BetaSettingsModel::unobserve(ObserverId id) { observers_.erase(id); }

void BetaSettingsModel::notify(Property property) {
    if (observers_.empty()) return;
    // An observer may add or remove observers, or even destroy the model.
    const std::shared_ptr<bool> alive = alive_;
    std::vector<ObserverId> ids;
    ids.reserve(observers_.size());
    for (const auto& entry : observers_) ids.push_back(entry.first);
    for (ObserverId id : ids) {
        if (!*alive) return;
        const auto it = observers_.find(id);
        if (it == observers_.end()) continue;
        const Observer observer = it->second;
        observer(property);
    }
}

template <typename T>
void BetaSettingsModel::assign(T& field, const T& value, Property property) {
    if (field == value) return;
    field = value;
    notify(property);
}

// ---- write-through helpers

void BetaSettingsModel::changed() { SettingsActions::call(actions_.settingsChanged); }

void BetaSettingsModel::writeString(const char* key, const QString& value) {
    store().set(QString::fromUtf8(key), value);
}

void BetaSettingsModel::writeBool(const char* key, bool value) { store().set(QString::fromUtf8(key), value); }

// ---- reload

void BetaSettingsModel::reload() {
    loading_ = true;

    int code = AppPrefs::triggerKeyCode();
    if (!isOfferedTriggerKey(code)) {
        // A key we no longer offer (hand-edited, or another keyboard) is repaired in the store.
        store().set(QStringLiteral("triggerKeyCode"), qlonglong(defaultTriggerKeyCode()));
        code = AppPrefs::triggerKeyCode();
    }
    assign(triggerKeyCode_, code, Property::triggerKeyCode);

    assign(holdToTalk_, AppPrefs::holdToTalk(), Property::holdToTalk);
    assign(hudPlacement_, AppPrefs::recordingHUDPlacement(), Property::hudPlacement);
    assign(spokenLanguage_, AppPrefs::spokenLanguage(), Property::spokenLanguage);
    assign(holdDelay_, AppPrefs::holdThreshold(), Property::holdDelay);
    assign(launchAtLogin_, AppPrefs::launchAtLogin(), Property::launchAtLogin);
    assign(inputQualityPercent_, AppPrefs::inputQualityPercent(), Property::inputQualityPercent);

    QStringList sounds;
    for (int i = 0; i < soundKeys().size(); ++i) sounds.append(storedStringOr(soundKeys().at(i), defaultSounds().at(i)));
    assign(sounds_, sounds, Property::sounds);

    assign(qualityLevel_, AppPrefs::qualityLevel(), Property::qualityLevel);
    assign(outputLanguage_, AppPrefs::outputLanguage(), Property::outputLanguage);
    assign(cleanupMode_, AppPrefs::cleanup() ? ServicePrefs::storedCleanupStyle() : QStringLiteral("off"),
           Property::cleanupMode);

    assign(lowCleanupEnabled_, AppPrefs::lowCleanup(), Property::lowCleanupEnabled);
    assign(modeSelectStyle_, storedStringOr(QStringLiteral("modeSelectStyle"), QStringLiteral("persistent")),
           Property::modeSelectStyle);
    assign(gestureSelect_, AppPrefs::gestureSelect(), Property::gestureSelect);
    assign(newlineStyle_, AppPrefs::newlineStyle(), Property::newlineStyle);
    assign(bulkDeleteEnabled_, AppPrefs::bulkDelete(), Property::bulkDeleteEnabled);
    assign(bulkDeleteKey_, AppPrefs::bulkDeleteKey(), Property::bulkDeleteKey);
    assign(screenshotPasteEnabled_, AppPrefs::screenshotPasteEnabled(), Property::screenshotPasteEnabled);
    assign(screenshotPasteImageInTerminal_, AppPrefs::screenshotPasteImageInTerminal(),
           Property::screenshotPasteImageInTerminal);
    assign(screenshotPasteKey_, AppPrefs::screenshotPasteKey(), Property::screenshotPasteKey);
    assign(correctionBarEnabled_, AppPrefs::correctionBar(), Property::correctionBarEnabled);
    assign(keepInsertedTextOnClipboard_, AppPrefs::keepInsertedTextOnClipboard(),
           Property::keepInsertedTextOnClipboard);

    assign(copyOnSelectMode_, AppPrefs::copyOnSelectMode(), Property::copyOnSelectMode);
    applyCopyOnSelect();

    // The free texts: an unsaved edit survives; only the saved copy follows the store.
    if (cleanupMode_ != QLatin1String("off") && cleanupMode_ != noteStyle_) {
        // The style changed under the model (the menu, another process): its note shows now.
        showNoteOf(cleanupMode_);
    } else if (!noteStyle_.isEmpty()) {
        const QString note = ServicePrefs::styleNote(noteStyle_);
        if (!styleNoteIsDirty() && !(savedStyleNote_ == note && !styleNote_.isEmpty()))
            assign(styleNote_, note, Property::styleNote);
        assign(savedStyleNote_, note, Property::savedStyleNote);
    }

    assign(loverHeartLevel_, ServicePrefs::loverHeartLevel(), Property::loverHeartLevel);
    assign(field_, AppPrefs::field(), Property::field);

    const QString vocabulary = ServicePrefs::vocabulary();
    if (!vocabularyIsDirty() && !(savedVocabulary_ == vocabulary && !vocabularyText_.isEmpty()))
        assign(vocabularyText_, splitWordList(vocabulary).join(QLatin1Char('\n')), Property::vocabularyText);
    assign(savedVocabulary_, vocabulary, Property::savedVocabulary);

    const QString corrections = AppPrefs::corrections();
    if (corrections_ == savedCorrections_ && !(savedCorrections_ == corrections && !corrections_.isEmpty()))
        assign(corrections_, corrections, Property::corrections);
    assign(savedCorrections_, corrections, Property::savedCorrections);

    updateEditFlag();
    loading_ = false;
}

void BetaSettingsModel::reloadAll() {
    // Reloading one model may end another (an observer closing a window): check before each.
    const std::vector<BetaSettingsModel*> models = liveModels();
    for (BetaSettingsModel* model : models)
        if (isLive(model)) model->reload();
}

// ---- the vocabulary-edit flag

bool BetaSettingsModel::vocabularyEditPending() {
    for (const BetaSettingsModel* model : liveModels())
        if (model->editHold_) return true;
    return false;
}

void BetaSettingsModel::releaseVocabularyEditHold() { editHold_ = false; }

void BetaSettingsModel::updateEditFlag() { editHold_ = vocabularyIsDirty() || correctionsAreDirty(); }

// ---- setters

void BetaSettingsModel::setSection(Section section) { assign(section_, section, Property::section); }

void BetaSettingsModel::setTriggerKeyCode(int code) {
    assign(triggerKeyCode_, code, Property::triggerKeyCode);
    if (loading_) return;
    store().set(QStringLiteral("triggerKeyCode"), qlonglong(code));
    changed();
}

void BetaSettingsModel::setHudPlacement(const QString& placement) {
    assign(hudPlacement_, placement, Property::hudPlacement);
    if (loading_) return;
    writeString("recordingHUDPlacement", placement);
}

void BetaSettingsModel::setSpokenLanguage(const QString& language) {
    assign(spokenLanguage_, language, Property::spokenLanguage);
    if (loading_) return;
    writeString("spokenLanguage", language);
    if (actions_.switchInputSource) {
        if (language == QLatin1String("ja"))
            actions_.switchInputSource(0);
        else if (language == QLatin1String("en"))
            actions_.switchInputSource(1);
    }
    changed();
}

void BetaSettingsModel::setHoldToTalk(bool on) {
    assign(holdToTalk_, on, Property::holdToTalk);
    if (loading_) return;
    writeBool("holdToTalk", on);
    changed();
}

void BetaSettingsModel::setHoldDelay(double seconds) {
    assign(holdDelay_, seconds, Property::holdDelay);
    if (loading_) return;
    store().set(QStringLiteral("holdThreshold"), seconds);
    changed();
}

void BetaSettingsModel::setLaunchAtLogin(bool on) {
    assign(launchAtLogin_, on, Property::launchAtLogin);
    if (loading_) return;
    writeBool("launchAtLogin", on);
    SettingsActions::call(actions_.applyLaunchAtLogin);
    changed();
}

void BetaSettingsModel::setInputQualityPercent(int percent) {
    assign(inputQualityPercent_, percent, Property::inputQualityPercent);
    if (loading_) return;
    AppPrefs::setInputQualityPercent(percent);
    changed();
}

void BetaSettingsModel::setQualityLevel(const QString& level) {
    assign(qualityLevel_, level, Property::qualityLevel);
    if (loading_) return;
    AppPrefs::setQualityLevel(level);
    AppLog::write(QStringLiteral("Quality: ") + AppPrefs::qualityLevelLabel());
    changed();
}

void BetaSettingsModel::setOutputLanguage(const QString& language) {
    assign(outputLanguage_, language, Property::outputLanguage);
    if (loading_) return;
    AppPrefs::setOutputLanguage(language);
    AppLog::write(QStringLiteral("アウトプットの言語: ") + AppPrefs::outputLanguageLabel());
    changed();
}

void BetaSettingsModel::setCleanupMode(const QString& mode) {
    assign(cleanupMode_, mode, Property::cleanupMode);
    if (loading_) return;
    const bool off = mode == QLatin1String("off");
    if (off) {
        writeBool("cleanup", false);
    } else {
        writeBool("cleanup", true);
        writeString("cleanupStyle", mode);
        // The chosen style's note shows before the shell hears of the change (its callback may
        // reload this model). The same style again keeps the note as it is.
        showNoteOf(mode);
    }
    changed();
}

void BetaSettingsModel::showNoteOf(const QString& style) {
    if (style == noteStyle_) return;
    // An unsaved note of the style left behind is kept as its draft, not thrown away.
    if (!noteStyle_.isEmpty()) {
        if (styleNoteIsDirty())
            noteDrafts_[noteStyle_] = styleNote_;
        else
            noteDrafts_.erase(noteStyle_);
    }
    noteStyle_ = style;
    const QString saved = ServicePrefs::styleNote(style);
    QString shown = saved;
    if (const auto draft = noteDrafts_.find(style); draft != noteDrafts_.end()) {
        shown = draft->second;
        noteDrafts_.erase(draft);
    }
    assign(savedStyleNote_, saved, Property::savedStyleNote);
    assign(styleNote_, shown, Property::styleNote);
}

void BetaSettingsModel::setLowCleanupEnabled(bool on) {
    assign(lowCleanupEnabled_, on, Property::lowCleanupEnabled);
    if (loading_) return;
    writeBool("lowCleanup", on);
    changed();
}

void BetaSettingsModel::setModeSelectStyle(const QString& style) {
    assign(modeSelectStyle_, style, Property::modeSelectStyle);
    if (loading_) return;
    writeString("modeSelectStyle", style);
    changed();
}

void BetaSettingsModel::setGestureSelect(bool on) {
    assign(gestureSelect_, on, Property::gestureSelect);
    if (loading_) return;
    writeBool("gestureSelect", on);
    changed();
}

void BetaSettingsModel::setNavResetTick(int tick) { assign(navResetTick_, tick, Property::navResetTick); }

void BetaSettingsModel::setNewlineStyle(const QString& style) {
    assign(newlineStyle_, style, Property::newlineStyle);
    if (loading_) return;
    AppPrefs::setNewlineStyle(style);
    changed();
}

void BetaSettingsModel::setBulkDeleteEnabled(bool on) {
    assign(bulkDeleteEnabled_, on, Property::bulkDeleteEnabled);
    if (loading_) return;
    writeBool("bulkDelete", on);
    changed();
}

void BetaSettingsModel::setBulkDeleteKey(const QString& key) {
    assign(bulkDeleteKey_, key, Property::bulkDeleteKey);
    if (loading_) return;
    writeString("bulkDeleteKey", key);
    changed();
}

void BetaSettingsModel::setScreenshotPasteEnabled(bool on) {
    assign(screenshotPasteEnabled_, on, Property::screenshotPasteEnabled);
    if (loading_) return;
    writeBool("screenshotPasteEnabled", on);
    changed();
}

void BetaSettingsModel::setScreenshotPasteImageInTerminal(bool on) {
    assign(screenshotPasteImageInTerminal_, on, Property::screenshotPasteImageInTerminal);
    if (loading_) return;
    writeBool("screenshotPasteImageInTerminal", on);
    changed();
}

void BetaSettingsModel::setScreenshotPasteKey(const QString& key) {
    assign(screenshotPasteKey_, key, Property::screenshotPasteKey);
    if (loading_) return;
    writeString("screenshotPasteKey", key);
    changed();
}

void BetaSettingsModel::setCorrectionBarEnabled(bool on) {
    assign(correctionBarEnabled_, on, Property::correctionBarEnabled);
    if (loading_) return;
    writeBool("correctionBar", on);
    changed();
}

void BetaSettingsModel::setKeepInsertedTextOnClipboard(bool on) {
    assign(keepInsertedTextOnClipboard_, on, Property::keepInsertedTextOnClipboard);
    if (loading_) return;
    writeBool("keepInsertedTextOnClipboard", on);
    changed();
}

void BetaSettingsModel::setCopyOnSelectMode(const QString& mode) {
    assign(copyOnSelectMode_, mode, Property::copyOnSelectMode);
    if (!loading_) {
        writeString("copyOnSelectMode", mode);
        changed();
    }
    applyCopyOnSelect();
}

void BetaSettingsModel::applyCopyOnSelect() {
    if (AppPrefs::copyOnSelectMode() == QLatin1String("off"))
        SettingsActions::call(actions_.stopCopyOnSelect);
    else
        SettingsActions::call(actions_.startCopyOnSelect);
}

void BetaSettingsModel::setLoverHeartLevel(const QString& level) {
    assign(loverHeartLevel_, level, Property::loverHeartLevel);
    if (loading_) return;
    writeString("loverHeartLevel", level);
}

void BetaSettingsModel::setField(const QString& field) {
    assign(field_, field, Property::field);
    if (loading_) return;
    writeString("field", field);
    const QString stored = AppPrefs::field();
    AppLog::write(QStringLiteral("変換の分野: ") + (stored.isEmpty() ? QStringLiteral("標準") : stored));
    changed();
}

// ---- free texts

void BetaSettingsModel::setStyleNote(const QString& note) { assign(styleNote_, note, Property::styleNote); }

bool BetaSettingsModel::styleNoteIsDirty() const { return styleNote_.trimmed() != savedStyleNote_; }

bool BetaSettingsModel::styleNoteTooLong() const { return Graphemes::count(styleNote_.trimmed()) > kTextLimit; }

void BetaSettingsModel::saveStyleNote() {
    if (cleanupMode_ == QLatin1String("off") || noteStyle_ != cleanupMode_ || styleNoteTooLong()) return;
    const QString trimmed = styleNote_.trimmed();
    store().set(QStringLiteral("styleNote.") + noteStyle_, trimmed);
    assign(savedStyleNote_, trimmed, Property::savedStyleNote);
}

void BetaSettingsModel::setVocabularyText(const QString& text) {
    assign(vocabularyText_, text, Property::vocabularyText);
    updateEditFlag();
}

bool BetaSettingsModel::vocabularyIsDirty() const {
    // Word against word: a stored list that is not in the ", " form (written by the service or by
    // hand) is no edit.
    return splitWordList(vocabularyText_) != splitWordList(savedVocabulary_);
}

bool BetaSettingsModel::vocabularyTooLong() const {
    return Graphemes::count(splitWordList(vocabularyText_).join(QStringLiteral(", "))) > kTextLimit;
}

void BetaSettingsModel::saveVocabulary() {
    if (vocabularyTooLong()) return;
    const QString stored = splitWordList(vocabularyText_).join(QStringLiteral(", "));
    store().set(QStringLiteral("vocabulary"), stored);
    assign(savedVocabulary_, stored, Property::savedVocabulary);
    updateEditFlag();
    SettingsActions::call(actions_.pushPreferences);
}

void BetaSettingsModel::setCorrections(const QString& text) {
    assign(corrections_, text, Property::corrections);
    updateEditFlag();
}

void BetaSettingsModel::saveCorrections() {
    store().set(QStringLiteral("corrections"), corrections_);
    assign(savedCorrections_, corrections_, Property::savedCorrections);
    updateEditFlag();
    SettingsActions::call(actions_.pushPreferences);
}

// ---- change preview

QList<VocabChange> BetaSettingsModel::vocabularyChanges() const {
    return VocabularyPreview::vocabularyChanges(savedVocabulary_, vocabularyText_);
}

QList<VocabChange> BetaSettingsModel::correctionsChanges() const {
    return VocabularyPreview::correctionsChanges(savedCorrections_, corrections_);
}

QString BetaSettingsModel::vocabularyChangeSummary() const {
    return VocabularyPreview::vocabularyChangeSummary(savedVocabulary_, vocabularyText_);
}

QString BetaSettingsModel::correctionsChangeSummary() const {
    return VocabularyPreview::correctionsChangeSummary(savedCorrections_, corrections_);
}

// ---- labels

QString BetaSettingsModel::triggerKeyName() const { return SettingsLabels::triggerKeyName(triggerKeyCode_); }
QString BetaSettingsModel::triggerKeyDisplayName() const {
    return SettingsLabels::triggerKeyDisplayName(triggerKeyCode_);
}
QString BetaSettingsModel::qualityLabel() const { return SettingsLabels::qualityLabel(qualityLevel_); }
QString BetaSettingsModel::outputLanguageLabel() const {
    return SettingsLabels::outputLanguageLabel(outputLanguage_, qualityLevel_);
}
QString BetaSettingsModel::cleanupModeLabel() const { return SettingsLabels::cleanupModeLabel(cleanupMode_); }
QString BetaSettingsModel::newlineStyleLabel() const {
    return SettingsLabels::newlineStyleLabel(newlineStyle_, cleanupMode_);
}
QString BetaSettingsModel::hudPlacementLabel() const { return SettingsLabels::hudPlacementLabel(hudPlacement_); }
QString BetaSettingsModel::spokenLanguageLabel() const {
    return SettingsLabels::spokenLanguageLabel(spokenLanguage_);
}
QString BetaSettingsModel::correctionsSummary() const {
    return SettingsLabels::correctionsSummary(savedCorrections_);
}

// ---- small operations

void BetaSettingsModel::setSound(const QString& name, int momentIndex) {
    if (momentIndex < 0 || momentIndex >= sounds_.size()) return;
    QStringList sounds = sounds_;
    sounds[momentIndex] = name;
    assign(sounds_, sounds, Property::sounds);
    store().set(soundKeys().at(momentIndex), name);
    if (soundPlayer_ && name != Sounds::none()) soundPlayer_->play(name);
}

void BetaSettingsModel::playSoundPreview(int momentIndex) {
    if (momentIndex < 0 || momentIndex >= sounds_.size()) return;
    const QString name = sounds_.at(momentIndex);
    if (name == Sounds::none() || !soundPlayer_) return;
    if (preview_ != 0) soundPlayer_->stop(preview_);
    preview_ = soundPlayer_->play(name);
}

void BetaSettingsModel::selectTriggerKey(int code) {
    if (isOfferedTriggerKey(code)) setTriggerKeyCode(code);
}

void BetaSettingsModel::addPresetWords(const QString& occupation) {
    const std::optional<QString> preset = OccupationPresets::words(occupation);
    if (!preset) return;
    const QStringList current = splitWordList(vocabularyText_);
    QStringList added;
    for (const QString& word : splitWordList(*preset)) {
        // A word the preset lists twice is added once.
        if (!current.contains(word) && !added.contains(word)) added.append(word);
    }
    if (added.isEmpty()) {
        assign(presetNotice_, QStringLiteral("すでにすべて入っています"), Property::presetNotice);
        return;
    }
    const QStringList combined = current + added;
    if (Graphemes::count(combined.join(QStringLiteral(", "))) > kVocabularyLimit) {
        assign(presetNotice_,
               QStringLiteral("上限300字を超えるので追加できません。いくつか消してからもう一度押してください"),
               Property::presetNotice);
        return;
    }
    setVocabularyText(combined.join(QLatin1Char('\n')));
    assign(presetNotice_, QString(), Property::presetNotice);
}

bool BetaSettingsModel::anyPermissionMissing(OnboardingWindow& permissions) {
    return SettingsLabels::anyPermissionMissing(permissions);
}

QString BetaSettingsModel::permissionsSummary(OnboardingWindow& permissions) {
    return SettingsLabels::permissionsSummary(permissions);
}
