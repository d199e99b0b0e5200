#pragma once

#include "platform/SyntheticKeys.h"

// Synthetic keys through the XTest extension on the main thread's X connection. Each event is
// announced in SyntheticKeyMarks before it is sent.
//
// Modifiers the user still holds are released for the duration of our chord and pressed again
// right after it (rather than waiting for the user to let go), so the chord goes out at once with
// exactly its own modifiers.
class X11SyntheticKeys final : public SyntheticKeys {
public:
    bool postKey(quint16 keyId, quint64 flags) override;
};
