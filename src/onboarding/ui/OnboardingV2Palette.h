#pragma once

#include <QColor>

// The onboarding's fixed dark colours: the onboarding and usage-guide windows are dark
// whatever the desktop's theme, and every onboarding view draws with these and nothing else.
// Each colour is made once, on first use, and shared.
namespace OnboardingV2Palette {

const QColor& background();      // window background, middle of the background gradient
const QColor& backgroundDeep();  // base fill, outer stops of the background gradient
const QColor& text();            // primary text
const QColor& secondaryText();   // explanations
const QColor& tertiaryText();    // link buttons, row details
const QColor& accent();          // pill fill, current page dot, checked and selected controls
const QColor& green();           // success and "done" marks
const QColor& cardFill();        // fill of cards and rows
const QColor& cardBorder();      // 1-point border of cards and rows
const QColor& selectedFill();    // icon tiles, selected items
const QColor& onAccent();        // text on the accent fill

// White with the given alpha (0…1), the kit's translucent marks.
QColor white(double alpha);

}  // namespace OnboardingV2Palette
