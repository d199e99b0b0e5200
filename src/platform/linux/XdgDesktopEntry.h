#pragma once

#include <QString>

// Desktop entries in the freedesktop.org format: the line that runs a program, and the
// entry that puts the application into the desktop's application menu.
namespace XdgDesktopEntry {

// "Exec=" followed by the program path quoted so that the desktop runs exactly that file, whatever
// blanks, quotes, dollar signs, backquotes, backslashes or percent signs it holds.
QString execLine(const QString& program);

// $XDG_DATA_HOME/applications/orvane.desktop (or ~/.local/share/applications/).
QString menuEntryPath();

// Writes the application menu's entry for the bundle at the path; empty on success, else what
// went wrong.
QString addToMenu(const QString& bundlePath);

}  // namespace XdgDesktopEntry
