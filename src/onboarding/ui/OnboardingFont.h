#pragma once

#include <QFont>

// The system font at a size in points of the onboarding's fixed geometry (one point = one
// device-independent pixel) and a weight.
QFont onboardingFont(double size, QFont::Weight weight = QFont::Normal);
