#pragma once

#include "settings/ui/BannerView.h"

// A hint in the accent colour, with the "sparkles" symbol.
class InfoBanner : public BannerView {
    Q_OBJECT
public:
    explicit InfoBanner(const QString& text, QWidget* parent = nullptr);
};
