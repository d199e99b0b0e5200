#include "platform/linux/X11Trust.h"

#include "platform/linux/X11Connection.h"

#include <X11/Xlib.h>

namespace X11Trust {

bool inputExtensionsAvailable() {
    Display* display = X11Connection::mainDisplay();
    if (!display) return false;
    int opcode = 0, event = 0, error = 0;
    const bool xtest = XQueryExtension(display, "XTEST", &opcode, &event, &error);
    const bool xinput = XQueryExtension(display, "XInputExtension", &opcode, &event, &error);
    return xtest && xinput;
}

}  // namespace X11Trust
