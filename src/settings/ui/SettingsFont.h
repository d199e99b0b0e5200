#pragma once

#include <QFont>

// The font of the settings window at a size given in logical pixels (the window's unit), with
// Noto Sans CJK JP first so that Japanese texts get Japanese glyph forms.
namespace SettingsFont {

QFont make(double pixelSize, QFont::Weight weight = QFont::Normal);
inline QFont semibold(double pixelSize) { return make(pixelSize, QFont::DemiBold); }
inline QFont bold(double pixelSize) { return make(pixelSize, QFont::Bold); }

}  // namespace SettingsFont
