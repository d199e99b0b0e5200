#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

// Non-editable text of the onboarding views, in a palette colour on a transparent background.
QLabel* onboardingLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent);
QLabel* onboardingWrappingLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent);
// Height of a wrapping label's text at `width`, rounded up to whole points.
int onboardingTextHeight(const QLabel* label, int width);
void setOnboardingLabelColor(QLabel* label, const QColor& color);
// The explanatory text of an onboarding screen: a centred wrapping label 384 wide (the width of
// the screen area), as high as its text.
QLabel* onboardingBodyLabel(const QString& text, double size, QFont::Weight weight, const QColor& color);
