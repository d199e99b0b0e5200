#pragma once

#include <QString>
#include <QtGlobal>

// The application's key ids: the virtual key codes that stored settings hold (the X11 layer maps
// X key codes to them and back), and the flag bits that key events carry.
namespace KeyCodes {

// Letters and keys the shortcuts use.
constexpr int V = 9;
constexpr int Delete = 51;  // the backspace key

// Modifier keys.
constexpr int RightCommand = 54;  // Super_R
constexpr int LeftCommand = 55;   // Super_L
constexpr int LeftShift = 56;
constexpr int CapsLock = 57;
constexpr int LeftOption = 58;    // Alt_L
constexpr int LeftControl = 59;
constexpr int RightShift = 60;
constexpr int RightOption = 61;   // Alt_R or ISO_Level3_Shift
constexpr int RightControl = 62;
// fn has no key of its own on most PC keyboards (a laptop's Fn key never reaches the X server):
// the Menu key stands in for it, and so does XF86WakeUp, which some laptops send for Fn. It counts
// as a modifier (flags-changed events, bit 0x800000 while held); as the trigger it is kept from
// applications, since Menu would open context menus there.
constexpr int Function = 63;

// Keys of Japanese (JIS) keyboards.
constexpr int Eisu = 102;  // Eisu_toggle, Muhenkan
constexpr int Kana = 104;  // Hiragana_Katakana, Henkan

// Function keys.
constexpr int F1 = 122, F2 = 120, F3 = 99, F4 = 118, F5 = 96, F6 = 97, F7 = 98, F8 = 100,
              F9 = 101, F10 = 109, F11 = 103, F12 = 111, F13 = 105, F14 = 107, F15 = 113;

// Arrows.
constexpr int LeftArrow = 123;
constexpr int RightArrow = 124;
constexpr int DownArrow = 125;
constexpr int UpArrow = 126;

// Keys without a virtual code of their own get kUnmappedBase + their X key code, so they still
// count as "another key" but never equal a stored setting.
constexpr int kUnmappedBase = 0x1000;

// Flag masks of key events (device-independent).
constexpr quint64 AlphaShiftFlag = 0x10000;  // caps lock
constexpr quint64 ShiftFlag = 0x20000;
constexpr quint64 ControlFlag = 0x40000;
constexpr quint64 OptionFlag = 0x80000;
constexpr quint64 CommandFlag = 0x100000;
constexpr quint64 FunctionFlag = 0x800000;
constexpr quint64 ShortcutModifierFlags = ShiftFlag | ControlFlag | OptionFlag | CommandFlag;

bool isArrow(int code);
// One of the modifier keys above (these arrive as flags-changed events, never as key down/up).
bool isModifier(int code);
// The device-dependent flag bit that tells the key is down (0x800000 for fn and unlisted codes).
quint64 deviceFlagBit(int code);
// The device-independent mask of a modifier key (0 for other keys).
quint64 classMask(int code);
// All flag bits a held key contributes to an event's flags.
quint64 flagsWhileHeld(int code);

}  // namespace KeyCodes
