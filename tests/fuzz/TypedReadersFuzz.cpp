// Every typed reading of the settings, and the watcher's checks and repairs, over whatever values
// a damaged or hand-edited settings file can hold.
#include "FuzzCommon.h"
#include "core/AppPrefs.h"
#include "core/ExternalConfig.h"
#include "core/ServicePrefs.h"
#include "core/Tuning.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/MemoryDefaults.h"
#include "platform/linux/PlistDefaults.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<QVariantMap> values = PlistDefaults::fromXml(fuzzBytes(data, size));
    if (!values) return 0;
    MemoryDefaults defaults;
    for (auto it = values->begin(); it != values->end(); ++it) defaults.set(it.key(), it.value());
    FakeBundle bundle;
    Bundle::install(&bundle);
    AppPrefs::setDefaults(&defaults);
    AppPrefs::resetFirstRunForTesting();

    (void)AppPrefs::isFirstRun();
    (void)AppPrefs::triggerKeyCode();
    (void)AppPrefs::holdToTalk();
    (void)AppPrefs::holdThreshold();
    (void)AppPrefs::recordingHUDPlacement();
    (void)AppPrefs::spokenLanguage();
    (void)AppPrefs::inputQualityPercent();
    (void)AppPrefs::qualityLevel();
    (void)AppPrefs::outputLanguage();
    (void)AppPrefs::cleanup();
    (void)AppPrefs::cleanupStyle();
    (void)AppPrefs::lowCleanup();
    (void)AppPrefs::modeSelectStyle();
    (void)AppPrefs::gestureSelect();
    (void)AppPrefs::newlineStyle();
    (void)AppPrefs::onlineFallbackSeconds();
    (void)AppPrefs::soundEnabled();
    (void)AppPrefs::bulkDelete();
    (void)AppPrefs::bulkDeleteKey();
    (void)AppPrefs::screenshotPasteEnabled();
    (void)AppPrefs::screenshotPasteKey();
    (void)AppPrefs::correctionBar();
    (void)AppPrefs::copyOnSelectMode();
    (void)AppPrefs::field();
    (void)AppPrefs::launchAtLogin();
    (void)AppPrefs::deviceID();
    (void)AppPrefs::helloSentAt();
    (void)AppPrefs::serverURL();
    (void)AppPrefs::serviceCredential();
    (void)AppPrefs::qualityLevelLabel();
    (void)AppPrefs::triggerKeyName();
    (void)AppPrefs::screenshotPasteKeyLabel();
    (void)AppPrefs::bulkDeleteKeyLabel();
    (void)AppPrefs::fieldLabel();
    (void)AppPrefs::correctionPairs();
    (void)ServicePrefs::vocabulary();
    (void)ServicePrefs::loverHeartLevel();
    (void)ServicePrefs::storedCleanupStyle();
    (void)Tuning::baseSeconds();
    (void)Tuning::trimParameters();
    for (int percent : {0, 60, 100}) (void)Tuning::maxSpeedFactor(percent);

    ExternalConfig watcher(defaults, [] {});
    for (const QString& key : ExternalConfig::watchedKeys()) watcher.validate(key);

    AppPrefs::setDefaults(nullptr);
    Bundle::install(nullptr);
    return 0;
}
