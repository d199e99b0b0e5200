#pragma once

#include <QAbstractButton>

#include <functional>

// A round 26-point check: green with a white mark when on, an outlined faint mark when off.
// One-way: clicks run the handler only while it is off and tappable; the owner sets `isOn` and
// `tappable` and then calls applyStyle(). Only a check that a click would act on looks like a
// button (the pointing hand, keyboard focus).
class OnboardingCheckButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit OnboardingCheckButton(std::function<void()> handler, QWidget* parent = nullptr);

    std::function<void()> handler;
    bool isOn = false;
    bool tappable = true;

    // Whether a click runs the handler now.
    bool actsOnClick() const { return !isOn && tappable; }
    void applyStyle();
    QSize sizeHint() const override { return {26, 26}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
