#include "platform/linux/X11KeyMap.h"

#include "platform/KeyCodes.h"

#include <algorithm>

#include <X11/XF86keysym.h>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

struct SymCode {
    KeySym sym;
    int code;
};

// Key symbols and the virtual codes of the keys that carry them (ANSI positions).
const SymCode kTable[] = {
    {XK_a, 0}, {XK_s, 1}, {XK_d, 2}, {XK_f, 3}, {XK_h, 4}, {XK_g, 5}, {XK_z, 6}, {XK_x, 7},
    {XK_c, 8}, {XK_v, KeyCodes::V}, {XK_b, 11}, {XK_q, 12}, {XK_w, 13}, {XK_e, 14}, {XK_r, 15},
    {XK_y, 16}, {XK_t, 17}, {XK_1, 18}, {XK_2, 19}, {XK_3, 20}, {XK_4, 21}, {XK_6, 22}, {XK_5, 23},
    {XK_equal, 24}, {XK_9, 25}, {XK_7, 26}, {XK_minus, 27}, {XK_8, 28}, {XK_0, 29},
    {XK_bracketright, 30}, {XK_o, 31}, {XK_u, 32}, {XK_bracketleft, 33}, {XK_i, 34}, {XK_p, 35},
    {XK_Return, 36}, {XK_l, 37}, {XK_j, 38}, {XK_apostrophe, 39}, {XK_k, 40}, {XK_semicolon, 41},
    {XK_backslash, 42}, {XK_comma, 43}, {XK_slash, 44}, {XK_n, 45}, {XK_m, 46}, {XK_period, 47},
    {XK_Tab, 48}, {XK_space, 49}, {XK_grave, 50}, {XK_BackSpace, KeyCodes::Delete}, {XK_Escape, 53},
    {XK_Super_R, KeyCodes::RightCommand}, {XK_Super_L, KeyCodes::LeftCommand},
    {XK_Shift_L, KeyCodes::LeftShift}, {XK_Caps_Lock, KeyCodes::CapsLock},
    {XK_Alt_L, KeyCodes::LeftOption}, {XK_Meta_L, KeyCodes::LeftOption},
    {XK_Control_L, KeyCodes::LeftControl}, {XK_Shift_R, KeyCodes::RightShift},
    {XK_Alt_R, KeyCodes::RightOption}, {XK_ISO_Level3_Shift, KeyCodes::RightOption},
    {XK_Meta_R, KeyCodes::RightOption}, {XK_Control_R, KeyCodes::RightControl},
    {XK_Menu, KeyCodes::Function}, {XF86XK_WakeUp, KeyCodes::Function},
    {XK_Eisu_toggle, KeyCodes::Eisu}, {XK_Muhenkan, KeyCodes::Eisu},
    {XK_Hiragana_Katakana, KeyCodes::Kana}, {XK_Henkan_Mode, KeyCodes::Kana},
    {XK_F1, KeyCodes::F1}, {XK_F2, KeyCodes::F2}, {XK_F3, KeyCodes::F3}, {XK_F4, KeyCodes::F4},
    {XK_F5, KeyCodes::F5}, {XK_F6, KeyCodes::F6}, {XK_F7, KeyCodes::F7}, {XK_F8, KeyCodes::F8},
    {XK_F9, KeyCodes::F9}, {XK_F10, KeyCodes::F10}, {XK_F11, KeyCodes::F11}, {XK_F12, KeyCodes::F12},
    {XK_F13, KeyCodes::F13}, {XK_F14, KeyCodes::F14}, {XK_F15, KeyCodes::F15},
    {XK_Home, 115}, {XK_Prior, 116}, {XK_Delete, 117}, {XK_End, 119}, {XK_Next, 121},
    {XK_Left, KeyCodes::LeftArrow}, {XK_Right, KeyCodes::RightArrow},
    {XK_Down, KeyCodes::DownArrow}, {XK_Up, KeyCodes::UpArrow},
};

}  // namespace

X11KeyMap::X11KeyMap(Display* display) : display_(display) { reload(); }

namespace {
// Index of the symbol's row in kTable, or -1.
int rowOf(KeySym keysym) {
    KeySym lower = keysym, upper = keysym;
    XConvertCase(keysym, &lower, &upper);
    for (int i = 0; i < int(sizeof kTable / sizeof kTable[0]); ++i)
        if (kTable[i].sym == lower) return i;
    return -1;
}
}  // namespace

int X11KeyMap::virtualCodeForKeysym(unsigned long keysym) {
    const int row = rowOf(keysym);
    return row < 0 ? -1 : kTable[row].code;
}

void X11KeyMap::reload() {
    toVirtual_.clear();
    toX_.clear();
    if (!display_) return;
    int minCode = 8, maxCode = 255;
    XDisplayKeycodes(display_, &minCode, &maxCode);
    QList<std::pair<int, int>> rows;  // (table row, X code): the earlier row names the usual key
    for (int xcode = minCode; xcode <= maxCode; ++xcode) {
        int row = -1;
        // Level 1 of the first group that names a known key wins; a layout list such as
        // "us,jp" keeps the JIS keys in its second group.
        for (int group = 0; group < 4 && row < 0; ++group) {
            for (int level = 0; level < 2 && row < 0; ++level) {
                const KeySym sym = XkbKeycodeToKeysym(display_, KeyCode(xcode), group, level);
                if (sym != NoSymbol) row = rowOf(sym);
            }
        }
        if (row < 0) continue;
        toVirtual_.insert(xcode, kTable[row].code);
        rows.append({row, xcode});
    }
    std::sort(rows.begin(), rows.end());
    for (const auto& [row, xcode] : rows) toX_[kTable[row].code].append(xcode);
}

int X11KeyMap::virtualCode(int xKeyCode) const {
    return toVirtual_.value(xKeyCode, KeyCodes::kUnmappedBase + xKeyCode);
}

QList<int> X11KeyMap::xKeyCodes(int virtualCode) const {
    if (virtualCode >= KeyCodes::kUnmappedBase) return {virtualCode - KeyCodes::kUnmappedBase};
    return toX_.value(virtualCode);
}

int X11KeyMap::xKeyCode(int virtualCode) const {
    const QList<int> codes = xKeyCodes(virtualCode);
    return codes.isEmpty() ? 0 : codes.first();
}
