// Every screen of the settings window opens in the window, from the directory the application
// hands it, and comes back to the root.
#include "settings/screens/ScreenDirectory.h"

#include "TextScreensFixture.h"
#include "platform/fake/FakePermissions.h"
#include "settings/SettingsScreen.h"
#include "settings/ui/BetaSettingsWindowController.h"
#include "settings/ui/NavScaffold.h"

class ScreenDirectoryTest : public TextScreensFixture {};

TEST_F(ScreenDirectoryTest, EveryScreenOpensInTheWindowAndTheRootComesBack) {
    FakePermissions permissions;
    ScreenContext context;
    context.permissions = &permissions;
    context.screenshotFolderPath = [] { return QStringLiteral("/home/someone/Pictures/Screenshots"); };
    BetaSettingsWindowController controller(SettingsActions{}, nullptr, screenDirectory(context));
    controller.show();
    BetaSettingsRoot& root = *controller.root();
    for (SettingsScreen screen : SettingsScreens::all()) {
        if (screen != SettingsScreen::root) root.nav().push(screen);
        root.completeTransition();
        QApplication::processEvents();
        EXPECT_NE(root.page()->content(), nullptr) << SettingsScreens::title(screen).toStdString();
        EXPECT_EQ(root.page()->title(), SettingsScreens::title(screen));
        root.nav().resetToRoot();
        root.completeTransition();
    }
    EXPECT_EQ(root.page()->title(), SettingsScreens::title(SettingsScreen::root));
}
