#pragma once

#include <QByteArray>
#include <QString>

// The D-Bus buses Quendle depends on, looked at with every wait bounded. libdbus, libatspi and Qt
// wait up to 25 s for each answer a bus owes them, on whatever thread asks, and libdbus waits
// without any bound for a server that accepts the connection and never says a word; libatspi,
// finding no accessibility bus, also leaves itself unusable for the rest of the process. These
// looks come first, so that none of them is ever let near a bus that is missing or does not
// answer.
namespace BusLookup {

// Whether the session bus named for this process (DBUS_SESSION_BUS_ADDRESS, else the user's bus
// socket in XDG_RUNTIME_DIR) answers within the timeout. A session bus that accepts the
// connection and never answers is left out for the rest of the process: the address is replaced
// by one that fails at once, so that Qt (the tray, its accessibility bridge) and libatspi find
// no session bus instead of waiting for it. Returns why it was left out, or an empty string. A
// missing bus is not left out (it already fails at once), nor is a bus still to be started for
// the display (dbus-launch). Call it before any other thread runs: it may change the environment.
QString leaveOutSessionBusThatHangs(double timeoutSeconds);

// The same for the accessibility bus where its address is known without asking anyone
// (AT_SPI_BUS_ADDRESS, the X root window's property): one that does not answer is left out
// (AT_SPI_BUS_ADDRESS is replaced), so that Qt's accessibility bridge does not wait for it on the
// main thread, and accessibilityBus() reports why. Call it before any other thread runs.
QString leaveOutAccessibilityBusThatHangs(double timeoutSeconds);

struct Lookup {
    QByteArray address;  // empty: no usable bus, `problem` says why (in Japanese, for the log)
    QString problem;
};

// Where the accessibility bus is, looked up in the order libatspi looks it up
// (AT_SPI_BUS_ADDRESS, then the AT_SPI_BUS property of the X root window, then org.a11y.Bus on
// the session bus), and whether it answers. Blocking (a few timeouts at most): call it on a
// worker thread.
Lookup accessibilityBus(double timeoutSeconds);

}  // namespace BusLookup
