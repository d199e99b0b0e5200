#pragma once

#include <QAbstractButton>

#include <functional>

// A round 26-point check: green with a white mark when on, an outlined faint mark when off.
// One-way: clicks run the handler only while it is off; the owner sets `isOn` and then calls
// applyStyle().
class OnboardingCheckButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit OnboardingCheckButton(std::function<void()> handler, QWidget* parent = nullptr);

    std::function<void()> handler;
    bool isOn = false;

    void applyStyle() { update(); }
    QSize sizeHint() const override { return {26, 26}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
