#pragma once

#include <QSet>
#include <QString>

class AccessibleElement;

// Which applications are terminals, and how each one pastes.
namespace TerminalDetection {

// How the frontmost application pastes the clipboard.
enum class PasteChord {
    ControlV,       // ordinary applications
    ControlShiftV,  // most terminals (VTE-based ones, Konsole, kitty, Alacritty, …): CLIPBOARD
    ShiftInsert,    // xterm and the rxvt family: the PRIMARY selection
};

// The terminal applications known by their published identifiers (compared exactly).
const QSet<QString>& terminalBundleIDs();
// Terminals of the Linux desktop, by the identifiers ApplicationIdentifiers gives them.
const QSet<QString>& desktopTerminalIDs();

bool isTerminalIdentifier(const QString& identifier);
PasteChord pasteChordFor(const QString& identifier);

// The test of the web-terminal probe on an element that has the focus: a terminal role, a web
// page class name containing "xterm", or a description, title or role description that names a
// terminal ("terminal" in any letter case, or "ターミナル").
bool presentsAsTerminal(AccessibleElement& element);

}  // namespace TerminalDetection
