#pragma once

#include <QPointF>

// The mouse pointer's global location, in points, with the origin at the bottom-left corner of
// the primary screen and y growing upward.
class Pointer {
public:
    virtual ~Pointer() = default;
    virtual QPointF location() const = 0;
};
