#pragma once

#include <QString>
#include <QtGlobal>

// Reads the text around the caret of the focused field of an application.
class ContextCapture {
public:
    // Up to 2000 characters before and after the caret, and the owning process id.
    struct Snapshot {
        QString before;
        QString after;
        qint32 pid = 0;
        bool isEmpty() const { return before.isEmpty() && after.isEmpty(); }
    };
};
