#include "settings/screens/ScreenColors.h"

#include "settings/ui/Palette.h"

QColor ScreenColors::red() { return Palette::pick(Palette::currentAppearance(), QColor(255, 69, 58), QColor(255, 59, 48)); }
