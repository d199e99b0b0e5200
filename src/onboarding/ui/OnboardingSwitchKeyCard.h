#pragma once

#include "onboarding/ui/OnboardingPanel.h"

#include <QList>
#include <QStringList>

class OnboardingChipView;

// One card of the switch-keys screen: its arrow keys at the left; at the right, from the top,
// the title, an optional note and the row of chips the keys move through. 76 high without a
// note; a note adds its height + 4.
class OnboardingSwitchKeyCard : public OnboardingPanel {
    Q_OBJECT
public:
    OnboardingSwitchKeyCard(const QStringList& keys, const QColor& tint, const QString& title, const QString& note,
                            const QList<OnboardingChipView*>& chips, double width, QWidget* parent = nullptr);
};
