#pragma once

#include "platform/MotionPreference.h"

// Reads the desktop's animation switch: GNOME's (and most GTK desktops')
// org.gnome.desktop.interface "enable-animations". Animations off means reduce motion. A
// desktop without that schema asks for nothing.
class GSettingsMotionPreference final : public MotionPreference {
public:
    bool reduceMotion() const override;
};
