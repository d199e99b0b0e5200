#include "platform/KeyCodes.h"

namespace KeyCodes {

bool isArrow(int code) { return code >= LeftArrow && code <= UpArrow; }

bool isModifier(int code) {
    switch (code) {
    case RightCommand: case LeftCommand: case LeftShift: case CapsLock: case LeftOption:
    case LeftControl: case RightShift: case RightOption: case RightControl: case Function:
        return true;
    default:
        return false;
    }
}

quint64 deviceFlagBit(int code) {
    switch (code) {
    case RightCommand: return 0x10;
    case LeftCommand: return 0x8;
    case LeftShift: return 0x2;
    case CapsLock: return 0x10000;
    case LeftOption: return 0x20;
    case LeftControl: return 0x1;
    case RightShift: return 0x4;
    case RightOption: return 0x40;
    case RightControl: return 0x2000;
    default: return 0x800000;
    }
}

quint64 classMask(int code) {
    switch (code) {
    case RightCommand: case LeftCommand: return CommandFlag;
    case LeftShift: case RightShift: return ShiftFlag;
    case CapsLock: return AlphaShiftFlag;
    case LeftOption: case RightOption: return OptionFlag;
    case LeftControl: case RightControl: return ControlFlag;
    case Function: return FunctionFlag;
    default: return 0;
    }
}

quint64 flagsWhileHeld(int code) {
    if (!isModifier(code)) return 0;
    return deviceFlagBit(code) | classMask(code);
}

}  // namespace KeyCodes
