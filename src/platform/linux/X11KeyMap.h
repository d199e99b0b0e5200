#pragma once

#include <QHash>
#include <QList>

typedef struct _XDisplay Display;

// X key codes of the connected keyboard ↔ the application's virtual key codes, by key symbol.
// Rebuilt when the server's keyboard mapping changes (reload()).
class X11KeyMap {
public:
    explicit X11KeyMap(Display* display);
    void reload();

    // The virtual code of an X key code; kUnmappedBase + the X code when the key has none.
    int virtualCode(int xKeyCode) const;
    // Every X key code that produces the virtual code (a JIS keyboard has two Eisu keys, ...).
    QList<int> xKeyCodes(int virtualCode) const;
    // The first of them, or 0 when the keyboard has none.
    int xKeyCode(int virtualCode) const;

    // The virtual code of a key symbol, or -1.
    static int virtualCodeForKeysym(unsigned long keysym);

private:
    Display* display_;
    QHash<int, int> toVirtual_;
    QHash<int, QList<int>> toX_;
};
