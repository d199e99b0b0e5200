#pragma once

#include "settings/screens/ScreenContext.h"
#include "settings/ui/BetaSettingsRoot.h"

// Which factory makes each screen of the settings window. The context is copied into the
// destination and handed to every screen it makes.
BetaSettingsRoot::Destination screenDirectory(ScreenContext context);
