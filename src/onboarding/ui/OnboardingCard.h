#pragma once

#include <QString>
#include <Qt>

class QLabel;
class QWidget;

// A text card: wrapping text at the top of a rounded card with 16 points of padding, at least
// `minHeight` high. The screen keeps the label to change the text later.
struct OnboardingCard {
    QWidget* card = nullptr;
    QLabel* label = nullptr;
};

OnboardingCard onboardingCard(const QString& text, Qt::Alignment alignment, double width, double minHeight,
                              double fontSize, QWidget* parent = nullptr);
