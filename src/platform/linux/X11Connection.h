#pragma once

// A shared Xlib connection for the main thread (synthetic keys, the active window), opened on
// first use. X errors on it (a window that vanished while we asked about it) are recorded instead
// of ending the process.
#include <QByteArray>

typedef struct _XDisplay Display;

namespace X11Connection {

// Null when no X server is reachable.
Display* mainDisplay();
// Whether the display named by DISPLAY can be opened now (the connection is closed again).
bool displayReachable();
// The text property `name` of the root window of `displayName` (null: DISPLAY), read on a
// connection of its own; empty when there is none or the display cannot be opened.
QByteArray rootWindowText(const char* displayName, const char* name);
// Clears the recorded error, runs nothing; then errorSince() tells whether a request failed.
void resetError();
bool errorSince();
// Installs the recording error handler (idempotent); used by every connection we open. Xlib has
// one handler per process: nothing else may install its own.
void installErrorHandler();
// A connection of its own for watching input: XInput 2.2 checked, its major opcode in `opcode`.
// Null (and nothing left open) when the server is unreachable or lacks the extension.
Display* openForXInput2(const char* displayName, int* opcode);

}  // namespace X11Connection
