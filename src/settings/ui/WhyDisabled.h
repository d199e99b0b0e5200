#pragma once

#include "settings/ui/BannerView.h"

// An orange warning that says why the options of a screen are not available at the moment.
class WhyDisabled : public BannerView {
    Q_OBJECT
public:
    explicit WhyDisabled(const QString& text, QWidget* parent = nullptr);
};
