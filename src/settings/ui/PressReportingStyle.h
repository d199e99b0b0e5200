#pragma once

#include <QObject>
#include <functional>

class QAbstractButton;

// Reports every change of a button's pressed state (pressed, released) and nothing else: the
// button keeps its own look. Lives as long as the button.
class PressReportingStyle : public QObject {
    Q_OBJECT
public:
    PressReportingStyle(QAbstractButton* button, std::function<void(bool pressed)> pressed);

private:
    void report(bool pressed);

    std::function<void(bool)> pressed_;
    bool state_ = false;
};
