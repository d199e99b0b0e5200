#pragma once

#include <QString>

// Application identifiers for X11 windows. Programs that also exist elsewhere under a published
// reverse-DNS identifier (kitty, WezTerm, Ghostty, Warp, Hyper, Alacritty) get that identifier;
// the desktop's file managers all get "com.apple.finder", the identifier of the file manager the
// rest of the application already knows; every other program is named by its lower-cased window
// class (WM_CLASS class part, or the instance part when the class is empty), e.g. "xterm",
// "gnome-terminal-server" → "gnome-terminal", "xfce4-terminal".
namespace ApplicationIdentifiers {

inline constexpr const char* kFileManager = "com.apple.finder";

QString fromWindowClass(const QString& instanceName, const QString& className);

}  // namespace ApplicationIdentifiers
