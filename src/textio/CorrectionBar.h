#pragma once

#include <QString>

// The bar offered after each insertion to turn a misheard word into a correction rule. The UI
// layer draws it; this base keeps the last inserted text (the menu offers to reopen the bar for
// it) and shows nothing.
class CorrectionBar {
public:
    virtual ~CorrectionBar() = default;
    // Shows the bar for `text` near the caret; `autoClose` closes it by itself after a while.
    virtual void show(const QString& /*text*/, bool /*autoClose*/) {}

    QString lastInsertedText;
};
