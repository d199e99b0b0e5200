#include "settings/ui/InfoBanner.h"

#include "settings/ui/Palette.h"

InfoBanner::InfoBanner(const QString& text, QWidget* parent)
    : BannerView(text, QStringLiteral("sparkles"), [] { return Palette::accent(); }, parent) {}
