#include "settings/BetaSettingsModel.h"

#include "core/AppLog.h"
#include "core/AppPrefs.h"
#include "core/Graphemes.h"
#include "core/OccupationPresets.h"
#include "core/ServicePrefs.h"
#include "platform/fake/FakePermissions.h"
#include "platform/fake/FakeSounds.h"
#include "settings/VocabularyPreview.h"

#include "../core/PrefsFixture.h"
#include "TestHome.h"

#include <QFile>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using Property = BetaSettingsModel::Property;

class BetaSettingsModelTest : public PrefsFixture {
protected:
    void SetUp() override {
        PrefsFixture::SetUp();
        notFirstRun();
    }

    // Actions that record every call, in order.
    SettingsActions recordingActions() {
        SettingsActions actions;
        actions.settingsChanged = [this] { calls << QStringLiteral("settingsChanged"); };
        actions.applyLaunchAtLogin = [this] { calls << QStringLiteral("applyLaunchAtLogin"); };
        actions.showSetupOnboarding = [this] { calls << QStringLiteral("showSetupOnboarding"); };
        actions.checkForUpdates = [this] { calls << QStringLiteral("checkForUpdates"); };
        actions.switchInputSource = [this](int language) { calls << QStringLiteral("switch %1").arg(language); };
        actions.startCopyOnSelect = [this] { calls << QStringLiteral("startCopyOnSelect"); };
        actions.stopCopyOnSelect = [this] { calls << QStringLiteral("stopCopyOnSelect"); };
        actions.pushPreferences = [this] { calls << QStringLiteral("pushPreferences"); };
        return actions;
    }

    std::unique_ptr<BetaSettingsModel> makeModel() {
        auto model = std::make_unique<BetaSettingsModel>(recordingActions(), &sounds);
        calls.clear();
        return model;
    }

    // The shell's menu rebuild reloads the visible settings window's model.
    std::unique_ptr<BetaSettingsModel> makeWindowModel() {
        SettingsActions actions = recordingActions();
        auto holder = std::make_shared<BetaSettingsModel*>(nullptr);
        actions.settingsChanged = [this, holder] {
            calls << QStringLiteral("settingsChanged");
            if (*holder) (*holder)->reload();
        };
        auto model = std::make_unique<BetaSettingsModel>(actions, &sounds);
        *holder = model.get();
        calls.clear();
        return model;
    }

    QByteArray logText() const {
        QFile f(AppLog::fileURL());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TestHome home;
    FakeSounds sounds;
    QStringList calls;
};

// ---- loading

TEST_F(BetaSettingsModelTest, AnUntouchedStoreLoadsTheDefaults) {
    const auto model = makeModel();
    EXPECT_EQ(model->triggerKeyCode(), 61);
    EXPECT_EQ(model->sounds(), (QStringList{"Purr", "Frog", "Morse", "Tink"}));
    EXPECT_EQ(model->cleanupMode(), QStringLiteral("standard"));
    EXPECT_EQ(model->modeSelectStyle(), QStringLiteral("persistent"));
    EXPECT_EQ(model->copyOnSelectMode(), QStringLiteral("silent"));

    // The default vocabulary shows one word per line and is no edit.
    EXPECT_EQ(model->savedVocabulary(), ServicePrefs::defaultVocabulary());
    EXPECT_EQ(model->vocabularyText(), ServicePrefs::defaultVocabulary().split(QStringLiteral(", ")).join('\n'));
    EXPECT_FALSE(model->vocabularyIsDirty());
    EXPECT_EQ(model->corrections(), QStringLiteral("開業 → 改行"));
    EXPECT_FALSE(BetaSettingsModel::vocabularyEditPending());
}

TEST_F(BetaSettingsModelTest, ReloadWritesNothingAndCallsOnlyCopyOnSelect) {
    put("qualityLevel", QStringLiteral("high"));
    put("qualityLevelSchema", qlonglong(2));
    put("spokenLanguage", QStringLiteral("ja"));
    put("field", QStringLiteral("legal"));
    put("copyOnSelectMode", QStringLiteral("off"));
    const QVariantMap before = defaults.dictionary();
    const auto model = makeModel();
    model->reload();
    EXPECT_EQ(calls, QStringList{"stopCopyOnSelect"});
    EXPECT_EQ(defaults.dictionary(), before);
    EXPECT_EQ(model->qualityLevel(), QStringLiteral("high"));
    EXPECT_EQ(model->spokenLanguage(), QStringLiteral("ja"));
    EXPECT_TRUE(logText().isEmpty());
}

TEST_F(BetaSettingsModelTest, ATriggerKeyThatIsNotOfferedIsRepairedOnReload) {
    put("triggerKeyCode", qlonglong(36));  // return
    auto model = makeModel();
    EXPECT_EQ(model->triggerKeyCode(), 61);
    EXPECT_EQ(value("triggerKeyCode"), QVariant(qlonglong(61)));

    layout() = AppPrefs::KeyboardLayout::JIS;
    put("triggerKeyCode", qlonglong(36));
    model->reload();
    EXPECT_EQ(model->triggerKeyCode(), 63);

    // 英数 is offered on a JIS keyboard only.
    put("triggerKeyCode", qlonglong(102));
    model->reload();
    EXPECT_EQ(model->triggerKeyCode(), 102);
    layout() = AppPrefs::KeyboardLayout::ANSI;
    model->reload();
    EXPECT_EQ(model->triggerKeyCode(), 61);
    EXPECT_TRUE(calls.filter(QStringLiteral("settingsChanged")).isEmpty());
}

TEST_F(BetaSettingsModelTest, AFirstRunRepairsTheTriggerKeyToRightShift) {
    defaults.clear();
    AppPrefs::resetFirstRunForTesting();
    ASSERT_TRUE(AppPrefs::isFirstRun());
    put("triggerKeyCode", qlonglong(36));
    const auto model = makeModel();
    EXPECT_EQ(model->triggerKeyCode(), 60);
}

// ---- write-through

struct Assignment {
    const char* name;
    std::function<void(BetaSettingsModel&)> set;
    const char* key;
    QVariant stored;
    bool callback;
};

TEST_F(BetaSettingsModelTest, EachSetterWritesItsKeyAndTellsTheShellOnceUnlessItIsCosmetic) {
    const QList<Assignment> table{
        {"triggerKeyCode", [](auto& m) { m.setTriggerKeyCode(63); }, "triggerKeyCode", qlonglong(63), true},
        {"hudPlacement", [](auto& m) { m.setHudPlacement("cursor"); }, "recordingHUDPlacement", "cursor", false},
        {"holdToTalk", [](auto& m) { m.setHoldToTalk(false); }, "holdToTalk", false, true},
        {"holdDelay", [](auto& m) { m.setHoldDelay(0.35); }, "holdThreshold", 0.35, true},
        {"inputQualityPercent", [](auto& m) { m.setInputQualityPercent(60); }, "inputQualityPercent", qlonglong(60),
         true},
        {"outputLanguage", [](auto& m) { m.setOutputLanguage("keyboard"); }, "outputLanguage", "keyboard", true},
        {"lowCleanupEnabled", [](auto& m) { m.setLowCleanupEnabled(true); }, "lowCleanup", true, true},
        {"modeSelectStyle", [](auto& m) { m.setModeSelectStyle("session"); }, "modeSelectStyle", "session", true},
        {"gestureSelect", [](auto& m) { m.setGestureSelect(false); }, "gestureSelect", false, true},
        {"newlineStyle", [](auto& m) { m.setNewlineStyle("smart"); }, "newlineStyle", "smart", true},
        {"bulkDeleteEnabled", [](auto& m) { m.setBulkDeleteEnabled(true); }, "bulkDelete", true, true},
        {"bulkDeleteKey", [](auto& m) { m.setBulkDeleteKey("control"); }, "bulkDeleteKey", "control", true},
        {"screenshotPasteEnabled", [](auto& m) { m.setScreenshotPasteEnabled(false); }, "screenshotPasteEnabled",
         false, true},
        {"screenshotPasteImageInTerminal", [](auto& m) { m.setScreenshotPasteImageInTerminal(false); },
         "screenshotPasteImageInTerminal", false, true},
        {"screenshotPasteKey", [](auto& m) { m.setScreenshotPasteKey("kana"); }, "screenshotPasteKey", "kana", true},
        {"correctionBarEnabled", [](auto& m) { m.setCorrectionBarEnabled(false); }, "correctionBar", false, true},
        {"keepInsertedTextOnClipboard", [](auto& m) { m.setKeepInsertedTextOnClipboard(true); },
         "keepInsertedTextOnClipboard", true, true},
        {"loverHeartLevel", [](auto& m) { m.setLoverHeartLevel("few"); }, "loverHeartLevel", "few", false},
        {"field", [](auto& m) { m.setField("medical"); }, "field", "medical", true},
    };
    for (const Assignment& row : table) {
        SCOPED_TRACE(row.name);
        auto model = makeModel();
        row.set(*model);
        EXPECT_EQ(value(row.key), Defaults::normalized(row.stored));
        EXPECT_EQ(calls.count(QStringLiteral("settingsChanged")), row.callback ? 1 : 0);
        // Assigning the same value again writes and calls again: a screen's tap is a request.
        row.set(*model);
        EXPECT_EQ(calls.count(QStringLiteral("settingsChanged")), row.callback ? 2 : 0);
    }
}

TEST_F(BetaSettingsModelTest, LaunchAtLoginIsAppliedBeforeTheShellIsTold) {
    const auto model = makeModel();
    model->setLaunchAtLogin(false);
    EXPECT_EQ(value("launchAtLogin"), QVariant(false));
    EXPECT_EQ(calls, (QStringList{"applyLaunchAtLogin", "settingsChanged"}));
}

TEST_F(BetaSettingsModelTest, SpokenLanguageSwitchesTheKeyboardForJapaneseAndEnglishOnly) {
    const auto model = makeModel();
    model->setSpokenLanguage(QStringLiteral("ja"));
    model->setSpokenLanguage(QStringLiteral("en"));
    model->setSpokenLanguage(QStringLiteral("keyboard"));
    EXPECT_EQ(calls, (QStringList{"switch 0", "settingsChanged", "switch 1", "settingsChanged", "settingsChanged"}));
    EXPECT_EQ(value("spokenLanguage"), QVariant(QStringLiteral("keyboard")));
}

TEST_F(BetaSettingsModelTest, MappedValuesAreLoggedAndReadBackAsTheStoreKeepsThem) {
    const auto model = makeWindowModel();
    model->setQualityLevel(QStringLiteral("high"));
    EXPECT_EQ(value("transcriptionRoute"), QVariant(QStringLiteral("auto")));
    model->setQualityLevel(QStringLiteral("ultra"));
    EXPECT_EQ(model->qualityLevel(), QStringLiteral("low"));  // read back after the shell's reload
    EXPECT_EQ(value("transcriptionRoute"), QVariant(QStringLiteral("local")));
    model->setInputQualityPercent(75);
    EXPECT_EQ(model->inputQualityPercent(), 80);
    model->setOutputLanguage(QStringLiteral("keyboard"));
    model->setField(QString());
    model->setField(QStringLiteral("sales"));
    const QByteArray log = logText();
    EXPECT_NE(log.indexOf("] Quality: Max\n"), -1);
    EXPECT_NE(log.indexOf("] Quality: Low\n"), -1);
    EXPECT_NE(log.indexOf("] アウトプットの言語: キーボードに合わせる\n"), -1);
    EXPECT_NE(log.indexOf("] 変換の分野: 標準\n"), -1);
    EXPECT_NE(log.indexOf("] 変換の分野: sales\n"), -1);
}

TEST_F(BetaSettingsModelTest, CleanupModeOffKeepsTheStyleAndAStyleLoadsItsNote) {
    put("styleNote.formal", QStringLiteral("絵文字は使わない"));
    const auto model = makeModel();
    model->setStyleNote(QStringLiteral("書きかけ"));
    model->setCleanupMode(QStringLiteral("off"));
    EXPECT_EQ(value("cleanup"), QVariant(false));
    EXPECT_EQ(value("cleanupStyle"), QVariant());
    EXPECT_EQ(model->styleNote(), QStringLiteral("書きかけ"));
    EXPECT_EQ(calls, QStringList{"settingsChanged"});

    model->setCleanupMode(QStringLiteral("formal"));
    EXPECT_EQ(value("cleanup"), QVariant(true));
    EXPECT_EQ(value("cleanupStyle"), QVariant(QStringLiteral("formal")));
    EXPECT_EQ(model->styleNote(), QStringLiteral("絵文字は使わない"));
    EXPECT_EQ(model->savedStyleNote(), QStringLiteral("絵文字は使わない"));
    EXPECT_FALSE(model->styleNoteIsDirty());
}

TEST_F(BetaSettingsModelTest, CleanupModeLoadsTheNoteAlsoWhenTheShellReloadsTheWindow) {
    put("styleNote.friend", QStringLiteral("語尾は「っす」"));
    const auto model = makeWindowModel();
    model->setCleanupMode(QStringLiteral("friend"));
    EXPECT_EQ(model->styleNote(), QStringLiteral("語尾は「っす」"));
    EXPECT_EQ(model->savedStyleNote(), QStringLiteral("語尾は「っす」"));
    EXPECT_FALSE(model->loading());
}

TEST_F(BetaSettingsModelTest, CopyOnSelectFollowsTheStoredMode) {
    const auto model = makeModel();
    model->setCopyOnSelectMode(QStringLiteral("off"));
    model->setCopyOnSelectMode(QStringLiteral("notify"));
    EXPECT_EQ(calls, (QStringList{"settingsChanged", "stopCopyOnSelect", "settingsChanged", "startCopyOnSelect"}));
}

// ---- free texts

TEST_F(BetaSettingsModelTest, TheStyleNoteIsSavedTrimmedUnderItsStyle) {
    const auto model = makeModel();
    model->setStyleNote(QStringLiteral("  箇条書きは崩さない\n"));
    EXPECT_TRUE(model->styleNoteIsDirty());
    model->saveStyleNote();
    EXPECT_EQ(value("styleNote.standard"), QVariant(QStringLiteral("箇条書きは崩さない")));
    EXPECT_EQ(model->styleNote(), QStringLiteral("  箇条書きは崩さない\n"));
    EXPECT_FALSE(model->styleNoteIsDirty());
    EXPECT_TRUE(calls.isEmpty());

    model->setCleanupMode(QStringLiteral("off"));
    model->setStyleNote(QStringLiteral("ignored"));
    model->saveStyleNote();
    EXPECT_EQ(value("styleNote.off"), QVariant());
}

TEST_F(BetaSettingsModelTest, SavingTheVocabularyStoresTheCommaFormAndKeepsTheLayout) {
    const auto model = makeModel();
    model->setVocabularyText(QStringLiteral("Zoom\n\n  Slack 、Teams"));
    EXPECT_TRUE(BetaSettingsModel::vocabularyEditPending());
    model->saveVocabulary();
    EXPECT_EQ(value("vocabulary"), QVariant(QStringLiteral("Zoom, Slack, Teams")));
    EXPECT_EQ(model->savedVocabulary(), QStringLiteral("Zoom, Slack, Teams"));
    EXPECT_EQ(model->vocabularyText(), QStringLiteral("Zoom\n\n  Slack 、Teams"));
    EXPECT_FALSE(model->vocabularyIsDirty());
    EXPECT_FALSE(BetaSettingsModel::vocabularyEditPending());
    EXPECT_EQ(calls, QStringList{"pushPreferences"});
}

TEST_F(BetaSettingsModelTest, CorrectionsAreSavedExactlyAsEdited) {
    const auto model = makeModel();
    model->setCorrections(QStringLiteral("開業 → 改行\n  くら → 蔵 \n"));
    EXPECT_TRUE(BetaSettingsModel::vocabularyEditPending());
    model->saveCorrections();
    EXPECT_EQ(value("corrections"), QVariant(QStringLiteral("開業 → 改行\n  くら → 蔵 \n")));
    EXPECT_EQ(model->correctionsSummary(), QStringLiteral("2件"));
    EXPECT_FALSE(BetaSettingsModel::vocabularyEditPending());
    EXPECT_EQ(calls, QStringList{"pushPreferences"});
}

TEST_F(BetaSettingsModelTest, AReloadKeepsUnsavedEditsAndUpdatesOnlyTheSavedCopies) {
    const auto model = makeModel();
    model->setStyleNote(QStringLiteral("edited note"));
    model->setVocabularyText(QStringLiteral("mine"));
    model->setCorrections(QStringLiteral("a → b"));

    put("styleNote.standard", QStringLiteral("synced note"));
    put("vocabulary", QStringLiteral("Remote, Words"));
    put("corrections", QStringLiteral("x → y"));
    BetaSettingsModel::prefsDidSync();

    EXPECT_EQ(model->styleNote(), QStringLiteral("edited note"));
    EXPECT_EQ(model->savedStyleNote(), QStringLiteral("synced note"));
    EXPECT_EQ(model->vocabularyText(), QStringLiteral("mine"));
    EXPECT_EQ(model->savedVocabulary(), QStringLiteral("Remote, Words"));
    EXPECT_EQ(model->corrections(), QStringLiteral("a → b"));
    EXPECT_EQ(model->savedCorrections(), QStringLiteral("x → y"));
    EXPECT_TRUE(BetaSettingsModel::vocabularyEditPending());
}

TEST_F(BetaSettingsModelTest, AReloadWithoutEditsShowsTheNewListsAndKeepsTheUsersLayout) {
    const auto model = makeModel();
    put("vocabulary", QStringLiteral("Remote, Words"));
    model->reload();
    EXPECT_EQ(model->vocabularyText(), QStringLiteral("Remote\nWords"));
    // The user's own layout of the same words survives a reload.
    model->setVocabularyText(QStringLiteral("Remote ,\nWords"));
    model->reload();
    EXPECT_EQ(model->vocabularyText(), QStringLiteral("Remote ,\nWords"));
    EXPECT_FALSE(BetaSettingsModel::vocabularyEditPending());
}

TEST_F(BetaSettingsModelTest, AStoredListWrittenWithoutBlanksIsNoEdit) {
    // The service or a hand edit may store the list as "a,b": the words are the same, so nothing
    // is pending and preference sync is not held back.
    put("vocabulary", QStringLiteral("Zoom,Slack、Teams"));
    const auto model = makeModel();
    EXPECT_FALSE(model->vocabularyIsDirty());
    EXPECT_FALSE(BetaSettingsModel::vocabularyEditPending());
    EXPECT_TRUE(model->vocabularyChanges().isEmpty());
    EXPECT_EQ(model->vocabularyChangeSummary(), QString());
}

TEST_F(BetaSettingsModelTest, TheEditFlagIsHeldByWhicheverModelHasEdits) {
    auto window = makeModel();
    auto onboarding = makeModel();
    window->setCorrections(QStringLiteral("a → b"));
    EXPECT_TRUE(BetaSettingsModel::vocabularyEditPending());
    onboarding.reset();  // another model going away does not drop the window's edits
    EXPECT_TRUE(BetaSettingsModel::vocabularyEditPending());
    window->releaseVocabularyEditHold();  // the window hid
    EXPECT_FALSE(BetaSettingsModel::vocabularyEditPending());
    window->setVocabularyText(QStringLiteral("new"));
    EXPECT_TRUE(BetaSettingsModel::vocabularyEditPending());
    window.reset();
    EXPECT_FALSE(BetaSettingsModel::vocabularyEditPending());
}

TEST_F(BetaSettingsModelTest, PreferenceSyncReloadsEveryLiveModel) {
    auto a = makeModel();
    auto b = makeModel();
    put("holdToTalk", false);
    // A model that goes while another reloads is skipped.
    a->observe([&](Property) { b.reset(); });
    BetaSettingsModel::prefsDidSync();
    EXPECT_FALSE(a->holdToTalk());
    EXPECT_EQ(b, nullptr);
}

// ---- observing

TEST_F(BetaSettingsModelTest, ObserversHearChangedPropertiesOnly) {
    const auto model = makeModel();
    QList<Property> heard;
    const auto id = model->observe([&](Property p) { heard << p; });
    model->setHoldToTalk(false);
    model->setHoldToTalk(false);
    model->setNavResetTick(model->navResetTick() + 1);
    EXPECT_EQ(heard, (QList<Property>{Property::holdToTalk, Property::navResetTick}));
    heard.clear();
    put("gestureSelect", false);
    model->reload();
    EXPECT_EQ(heard, QList<Property>{Property::gestureSelect});
    model->unobserve(id);
    model->setHoldToTalk(true);
    EXPECT_EQ(heard, QList<Property>{Property::gestureSelect});
}

// ---- labels and small operations

TEST_F(BetaSettingsModelTest, LabelsFollowTheCurrentValues) {
    const auto model = makeModel();
    EXPECT_EQ(model->triggerKeyDisplayName(), QStringLiteral("右Alt（既定）"));
    model->selectTriggerKey(63);
    EXPECT_EQ(model->triggerKeyDisplayName(), QStringLiteral("Menu"));
    model->selectTriggerKey(36);  // not offered: ignored
    EXPECT_EQ(model->triggerKeyCode(), 63);
    EXPECT_EQ(calls.count(QStringLiteral("settingsChanged")), 1);

    model->setOutputLanguage(QStringLiteral("keyboard"));
    model->setQualityLevel(QStringLiteral("middle"));
    EXPECT_EQ(model->qualityLabel(), QStringLiteral("High"));
    EXPECT_EQ(model->outputLanguageLabel(), QStringLiteral("話したまま"));
    model->setQualityLevel(QStringLiteral("high"));
    EXPECT_EQ(model->outputLanguageLabel(), QStringLiteral("キーボードに合わせる"));

    model->setNewlineStyle(QStringLiteral("blank"));
    EXPECT_EQ(model->newlineStyleLabel(), QStringLiteral("1行空ける"));
    model->setCleanupMode(QStringLiteral("off"));
    EXPECT_EQ(model->newlineStyleLabel(), QStringLiteral("入れない"));
    EXPECT_EQ(model->cleanupModeLabel(), QStringLiteral("整えない"));
    model->setCleanupMode(QStringLiteral("junior"));
    EXPECT_EQ(model->cleanupModeLabel(), QStringLiteral("指示を伝える"));
}

TEST_F(BetaSettingsModelTest, TheCorrectionsSummaryCountsSavedRuleLines) {
    put("corrections", QStringLiteral("開業 → 改行\nただのメモ\nfoo=bar\r\nbaz：qux"));
    auto model = makeModel();
    EXPECT_EQ(model->correctionsSummary(), QStringLiteral("3件"));
    model->setCorrections(QString());  // unsaved edits do not count
    EXPECT_EQ(model->correctionsSummary(), QStringLiteral("3件"));
    put("corrections", QString());
    model = makeModel();
    EXPECT_EQ(model->correctionsSummary(), QStringLiteral("なし"));
}

TEST_F(BetaSettingsModelTest, ChoosingASoundStoresAndPlaysItWithoutTellingTheShell) {
    const auto model = makeModel();
    model->setSound(QStringLiteral("Glass"), 2);
    model->setSound(QStringLiteral("なし"), 3);
    model->setSound(QStringLiteral("Hero"), 4);
    model->setSound(QStringLiteral("Hero"), -1);
    EXPECT_EQ(model->sounds(), (QStringList{"Purr", "Frog", "Glass", "なし"}));
    EXPECT_EQ(value("soundSuccess"), QVariant(QStringLiteral("Glass")));
    EXPECT_EQ(value("soundFailure"), QVariant(QStringLiteral("なし")));
    EXPECT_EQ(sounds.played(), QStringList{"Glass"});
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(BetaSettingsModelTest, APreviewCutsThePreviousOneButSilenceLeavesItPlaying) {
    put("soundFailure", QStringLiteral("なし"));
    const auto model = makeModel();
    model->playSoundPreview(0);
    ASSERT_EQ(sounds.played(), QStringList{"Purr"});
    const Sounds::PlaybackId first = 1;
    ASSERT_TRUE(sounds.isPlaying(first));
    model->playSoundPreview(3);   // "なし"
    model->playSoundPreview(9);   // no such moment
    EXPECT_TRUE(sounds.isPlaying(first));
    model->playSoundPreview(1);
    EXPECT_FALSE(sounds.isPlaying(first));
    EXPECT_EQ(sounds.played(), (QStringList{"Purr", "Frog"}));
}

TEST_F(BetaSettingsModelTest, PresetWordsAddOnlyWhatIsMissingWithinThreeHundredCharacters) {
    const auto model = makeModel();
    const QStringList preset = BetaSettingsModel::splitWordList(*OccupationPresets::words(QStringLiteral("sales")));
    const qsizetype presetLength = Graphemes::count(preset.join(QStringLiteral(", ")));

    // One filler word so that the stored form becomes exactly 300 characters long.
    const QString filler(BetaSettingsModel::kVocabularyLimit - presetLength - 2, QChar(u'語'));
    model->setVocabularyText(filler);
    model->addPresetWords(QStringLiteral("sales"));
    EXPECT_EQ(model->presetNotice(), QString());
    EXPECT_EQ(model->vocabularyText(), (QStringList{filler} + preset).join('\n'));
    EXPECT_TRUE(BetaSettingsModel::vocabularyEditPending());
    EXPECT_EQ(value("vocabulary"), QVariant());  // nothing is saved

    model->addPresetWords(QStringLiteral("sales"));
    EXPECT_EQ(model->presetNotice(), QStringLiteral("すでにすべて入っています"));

    const QString tooLong = filler + QChar(u'語');
    model->setVocabularyText(tooLong);
    model->addPresetWords(QStringLiteral("sales"));
    EXPECT_EQ(model->vocabularyText(), tooLong);
    EXPECT_EQ(model->presetNotice(),
              QStringLiteral("上限300字を超えるので追加できません。いくつか消してからもう一度押してください"));

    model->addPresetWords(QStringLiteral("astronaut"));
    EXPECT_EQ(model->vocabularyText(), tooLong);
    EXPECT_EQ(model->presetNotice(),
              QStringLiteral("上限300字を超えるので追加できません。いくつか消してからもう一度押してください"));
}

// ---- actions

TEST_F(BetaSettingsModelTest, ActionsBoundToAGoneOwnerDoNothing) {
    auto alive = std::make_shared<int>(0);
    const SettingsActions bound = recordingActions().boundTo(alive);
    bound.settingsChanged();
    bound.switchInputSource(1);
    EXPECT_EQ(calls, (QStringList{"settingsChanged", "switch 1"}));
    alive.reset();
    calls.clear();
    bound.settingsChanged();
    bound.checkForUpdates();
    bound.switchInputSource(0);
    EXPECT_TRUE(calls.isEmpty());

    // A model with empty slots works.
    BetaSettingsModel quiet{SettingsActions{}};
    quiet.setLaunchAtLogin(false);
    quiet.setSpokenLanguage(QStringLiteral("ja"));
    quiet.saveVocabulary();
    EXPECT_EQ(value("launchAtLogin"), QVariant(false));
}

}  // namespace
