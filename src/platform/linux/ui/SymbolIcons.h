#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// Icons for the symbol names the menus and windows use ("gearshape", "power", …), drawn from the
// Material Icons font. An unknown name gives a null icon.
namespace SymbolIcons {

QIcon icon(const QString& symbolName, const QColor& color, int pixelSize = 16);
// The Material Icons ligature that stands for a symbol name; empty when there is none.
QString ligature(const QString& symbolName);

}  // namespace SymbolIcons
