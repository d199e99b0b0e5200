#pragma once

#include <QColor>

// Signal colours of the list editors that the settings palette does not carry.
namespace ScreenColors {

// Over the limit, a refused add: the desktop's red, a little lighter in the dark appearance.
QColor red();

}  // namespace ScreenColors
