#include "onboarding/ui/OnboardingFont.h"

#include <QGuiApplication>

#include <cmath>

QFont onboardingFont(double size, QFont::Weight weight) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(std::max(1, int(std::lround(size))));
    font.setWeight(weight);
    return font;
}
