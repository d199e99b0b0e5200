#include "platform/linux/X11SyntheticKeys.h"

#include "platform/Clock.h"
#include "platform/SyntheticKeyMarks.h"
#include "platform/linux/X11Connection.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <QHash>
#include <vector>

namespace {

// Application key ids (Apple virtual key codes) → X key symbols.
KeySym keySymFor(quint16 keyId) {
    static const QHash<quint16, KeySym> table = {
        {0, XK_a},  {1, XK_s},  {2, XK_d},  {3, XK_f},  {4, XK_h},  {5, XK_g},  {6, XK_z},  {7, XK_x},
        {8, XK_c},  {9, XK_v},  {11, XK_b}, {12, XK_q}, {13, XK_w}, {14, XK_e}, {15, XK_r}, {16, XK_y},
        {17, XK_t}, {31, XK_o}, {32, XK_u}, {34, XK_i}, {35, XK_p}, {37, XK_l}, {38, XK_j}, {40, XK_k},
        {45, XK_n}, {46, XK_m}, {36, XK_Return}, {48, XK_Tab}, {49, XK_space}, {51, XK_BackSpace},
        {53, XK_Escape}, {114, XK_Insert}, {115, XK_Home}, {116, XK_Page_Up}, {117, XK_Delete},
        {119, XK_End}, {121, XK_Page_Down}, {123, XK_Left}, {124, XK_Right}, {125, XK_Down}, {126, XK_Up},
    };
    return table.value(keyId, NoSymbol);
}

bool isDown(const char keys[32], KeyCode code) { return (keys[code / 8] >> (code % 8)) & 1; }

void send(Display* display, KeyCode code, bool down) {
    SyntheticKeyMarks::shared().announce(code, down, Clock::monotonicNow());
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
}

}  // namespace

bool X11SyntheticKeys::postKey(quint16 keyId, quint64 flags) {
    Display* display = X11Connection::mainDisplay();
    if (!display) return false;
    // Without XTEST the server drops every key we would send: nothing is sent, and we say so.
    static const bool xtest = [display] {
        int event = 0, error = 0, major = 0, minor = 0;
        return XTestQueryExtension(display, &event, &error, &major, &minor) == True;
    }();
    if (!xtest) return false;
    const KeySym sym = keySymFor(keyId);
    if (sym == NoSymbol) return false;
    const KeyCode key = XKeysymToKeycode(display, sym);
    if (key == 0) return false;

    // The chord's modifiers, by modifier-map row: Shift 0, Control 2, Mod1 (Alt) 3, Mod4 (Super) 6.
    struct Wanted {
        quint64 flag;
        int row;
        KeySym sym;
        bool held = false;
    };
    Wanted wanted[] = {{KeyFlags::Shift, ShiftMapIndex, XK_Shift_L},
                       {KeyFlags::Control, ControlMapIndex, XK_Control_L},
                       {KeyFlags::Option, Mod1MapIndex, XK_Alt_L},
                       {KeyFlags::Command, Mod4MapIndex, XK_Super_L}};

    char keys[32];
    XQueryKeymap(display, keys);
    std::vector<KeyCode> released;
    if (XModifierKeymap* map = XGetModifierMapping(display)) {
        for (int row = 0; row < 8; ++row) {
            if (row == LockMapIndex || row == Mod2MapIndex) continue;  // Caps Lock, Num Lock
            Wanted* match = nullptr;
            for (auto& w : wanted)
                if (w.row == row && (flags & w.flag)) match = &w;
            for (int k = 0; k < map->max_keypermod; ++k) {
                const KeyCode code = map->modifiermap[row * map->max_keypermod + k];
                if (code == 0 || code == key || !isDown(keys, code)) continue;
                if (match)
                    match->held = true;  // the user's own key serves the chord
                else
                    released.push_back(code);
            }
        }
        XFreeModifiermap(map);
    }

    for (KeyCode code : released) send(display, code, false);
    std::vector<KeyCode> pressed;
    for (const auto& w : wanted) {
        if (!(flags & w.flag) || w.held) continue;
        const KeyCode code = XKeysymToKeycode(display, w.sym);
        if (code == 0) continue;
        send(display, code, true);
        pressed.push_back(code);
    }
    send(display, key, true);
    send(display, key, false);
    for (auto it = pressed.rbegin(); it != pressed.rend(); ++it) send(display, *it, false);
    for (KeyCode code : released) send(display, code, true);
    XSync(display, False);
    return true;
}
