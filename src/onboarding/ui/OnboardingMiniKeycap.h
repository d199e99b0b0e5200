#pragma once

#include "onboarding/ui/OnboardingPanel.h"
#include "platform/MainQueue.h"

#include <optional>

class QLabel;

// A small 36-point key with one arrow, tinted by the row it switches. press() dips it by 3
// points and brings it back within 0.25 s.
class OnboardingMiniKeycap : public OnboardingPanel {
    Q_OBJECT
public:
    static constexpr int kSize = 36;
    static constexpr double kPressSeconds = 0.25;

    explicit OnboardingMiniKeycap(const QString& key, std::optional<QColor> tint = std::nullopt,
                                  QWidget* parent = nullptr);
    ~OnboardingMiniKeycap() override;

    void press();
    // How far (points, downwards) the key sits below its place now.
    double pressOffset() const;
    QLabel* label() const { return label_; }

protected:
    void moveEvent(QMoveEvent* event) override;

private:
    void applyOffset();

    QLabel* label_;
    double pressedAt_ = -1;
    MainQueue::TimerId frame_ = 0;
    int applied_ = 0;
    bool movingSelf_ = false;
};
