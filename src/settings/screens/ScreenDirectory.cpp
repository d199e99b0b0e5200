#include "settings/screens/ScreenDirectory.h"

#include "settings/screens/BulkDeleteEditor.h"
#include "settings/screens/CleanupEditor.h"
#include "settings/screens/CorrectionsEditor.h"
#include "settings/screens/ExtrasContent.h"
#include "settings/screens/HUDPlacementEditor.h"
#include "settings/screens/HoldEditor.h"
#include "settings/screens/InputQualityEditor.h"
#include "settings/screens/JobEditor.h"
#include "settings/screens/KeyEditor.h"
#include "settings/screens/NewlineEditor.h"
#include "settings/screens/OutputLanguageEditor.h"
#include "settings/screens/PermissionsEditor.h"
#include "settings/screens/QualityEditor.h"
#include "settings/screens/RootContent.h"
#include "settings/screens/ScreenshotPasteEditor.h"
#include "settings/screens/SoundsEditor.h"
#include "settings/screens/SpeakContent.h"
#include "settings/screens/SpokenLanguageEditor.h"
#include "settings/screens/TextContent.h"
#include "settings/screens/VocabEditor.h"

BetaSettingsRoot::Destination screenDirectory(ScreenContext context) {
    return [context = std::move(context)](SettingsScreen screen, BetaSettingsModel& model, SettingsNav& nav) -> QWidget* {
        switch (screen) {
        case SettingsScreen::root:
            return makeRootScreen(model, nav, context);
        case SettingsScreen::speak:
            return makeSpeakScreen(model, nav, context);
        case SettingsScreen::text:
            return makeTextScreen(model, nav, context);
        case SettingsScreen::triggerKey:
            return makeTriggerKeyScreen(model, nav, context);
        case SettingsScreen::holdMode:
            return makeHoldModeScreen(model, nav, context);
        case SettingsScreen::sounds:
            return makeSoundsScreen(model, nav, context);
        case SettingsScreen::inputQuality:
            return makeInputQualityScreen(model, nav, context);
        case SettingsScreen::hudPlacement:
            return makeHudPlacementScreen(model, nav, context);
        case SettingsScreen::spokenLanguage:
            return makeSpokenLanguageScreen(model, nav, context);
        case SettingsScreen::quality:
            return makeQualityScreen(model, nav, context);
        case SettingsScreen::outputLanguage:
            return makeOutputLanguageScreen(model, nav, context);
        case SettingsScreen::cleanup:
            return makeCleanupScreen(model, nav, context);
        case SettingsScreen::newline:
            return makeNewlineScreen(model, nav, context);
        case SettingsScreen::job:
            return makeJobScreen(model, nav, context);
        case SettingsScreen::vocabulary:
            return makeVocabularyScreen(model, nav, context);
        case SettingsScreen::corrections:
            return makeCorrectionsScreen(model, nav, context);
        case SettingsScreen::bulkDelete:
            return makeBulkDeleteScreen(model, nav, context);
        case SettingsScreen::screenshotPaste:
            return makeScreenshotPasteScreen(model, nav, context);
        case SettingsScreen::extras:
            return makeExtrasScreen(model, nav, context);
        case SettingsScreen::permissions:
            return makePermissionsScreen(model, nav, context);
        }
        return nullptr;
    };
}
