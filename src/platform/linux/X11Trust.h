#pragma once

// Whether this desktop lets us watch every key and send our own: on X11 that is the XTEST and
// XInputExtension extensions of the display.
namespace X11Trust {

bool inputExtensionsAvailable();

}  // namespace X11Trust
