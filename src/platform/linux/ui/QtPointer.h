#pragma once

#include "platform/Pointer.h"

// The pointer through Qt: the cursor position turned into the y-up space of the primary screen.
class QtPointer final : public Pointer {
public:
    QPointF location() const override;
    // Qt's global position (y down, origin top-left of the virtual desktop) → y-up space of a
    // primary screen with the given geometry.
    static QPointF toYUp(const QPointF& global, double primaryX, double primaryY, double primaryHeight);
};
