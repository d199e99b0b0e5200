#include "settings/ui/SettingsFont.h"

#include <QGuiApplication>

namespace SettingsFont {

QFont make(double pixelSize, QFont::Weight weight) {
    QFont font = QGuiApplication::font();
    QStringList families{QStringLiteral("Noto Sans CJK JP")};
    families += font.families();
    if (!families.contains(font.family())) families.append(font.family());
    font.setFamilies(families);
    // Point sizes keep the fraction (16.5 px); 72 points make 96 logical pixels.
    font.setPointSizeF(pixelSize * 72.0 / 96.0);
    font.setWeight(weight);
    return font;
}

}  // namespace SettingsFont
