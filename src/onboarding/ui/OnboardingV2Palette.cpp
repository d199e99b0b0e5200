#include "onboarding/ui/OnboardingV2Palette.h"

namespace OnboardingV2Palette {

namespace {
QColor rgb(int r, int g, int b, double alpha = 1.0) {
    QColor c(r, g, b);
    c.setAlphaF(float(alpha));
    return c;
}
}  // namespace

// Function-local statics: made once on first use, thread-safe.
const QColor& background() { static const QColor c = rgb(14, 22, 38); return c; }
const QColor& backgroundDeep() { static const QColor c = rgb(10, 16, 28); return c; }
const QColor& text() { static const QColor c = rgb(245, 247, 255); return c; }
const QColor& secondaryText() { static const QColor c = rgb(169, 182, 211); return c; }
const QColor& tertiaryText() { static const QColor c = rgb(102, 116, 143); return c; }
const QColor& accent() { static const QColor c = rgb(156, 195, 255); return c; }
const QColor& green() { static const QColor c = rgb(110, 231, 183); return c; }
const QColor& cardFill() { static const QColor c = white(0.05); return c; }
const QColor& cardBorder() { static const QColor c = white(0.09); return c; }
const QColor& selectedFill() { static const QColor c = rgb(111, 167, 255, 0.14); return c; }
const QColor& onAccent() { static const QColor c = rgb(11, 19, 36); return c; }

QColor white(double alpha) { return rgb(255, 255, 255, alpha); }

}  // namespace OnboardingV2Palette
