#pragma once

#include "platform/Pointer.h"

// A pointer the test moves by hand.
class FakePointer final : public Pointer {
public:
    QPointF location() const override { return at; }
    void moveBy(double dx, double dy) { at += QPointF(dx, dy); }
    QPointF at{500, 400};
};
