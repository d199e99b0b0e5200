#include "settings/ui/WhyDisabled.h"

#include "settings/ui/Palette.h"

WhyDisabled::WhyDisabled(const QString& text, QWidget* parent)
    : BannerView(text, QStringLiteral("exclamationmark.triangle.fill"), [] { return Palette::systemOrange(); }, parent) {
}
