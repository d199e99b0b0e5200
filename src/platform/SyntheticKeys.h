#pragma once

#include <QtGlobal>

// Modifier flags of a synthetic key chord (the bit values of the application's event flags).
namespace KeyFlags {
constexpr quint64 Shift = 0x20000;
constexpr quint64 Control = 0x40000;
constexpr quint64 Option = 0x80000;    // Alt
constexpr quint64 Command = 0x100000;  // Super
}  // namespace KeyFlags

// Application key ids (the virtual key codes the stored settings use) of the keys we send.
namespace KeyIds {
constexpr quint16 V = 9;
constexpr quint16 U = 32;
constexpr quint16 Delete = 51;         // backspace
constexpr quint16 Insert = 114;        // Help on Apple keyboards, Insert on PC keyboards
constexpr quint16 Home = 115;
constexpr quint16 ForwardDelete = 117;
constexpr quint16 End = 119;
constexpr quint16 LeftArrow = 123;
constexpr quint16 RightArrow = 124;
constexpr quint16 DownArrow = 125;
constexpr quint16 UpArrow = 126;
}  // namespace KeyIds

// Posts synthetic key chords into the desktop's input stream, as if typed on the keyboard.
// Every key event sent is announced in SyntheticKeyMarks first, so our own key monitor ignores it.
// Main thread only.
class SyntheticKeys {
public:
    virtual ~SyntheticKeys() = default;
    // Presses and releases `keyId` with exactly the modifiers in `flags` (0: none). Modifiers the
    // user still holds that are not part of the chord are released for the duration of the chord
    // and pressed again afterwards, so they do not leak into it. False when nothing could be sent
    // (no display, a key without a key code in the current layout).
    virtual bool postKey(quint16 keyId, quint64 flags) = 0;
};
