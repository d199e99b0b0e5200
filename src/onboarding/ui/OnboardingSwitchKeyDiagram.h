#pragma once

#include <QPointer>
#include <QWidget>

class OnboardingMiniKeycap;

// The switch-keys diagram: the trigger key held down (「押したまま」) ＋ the arrow keys as an
// inverted T, ↑↓ in the quality tint and ←→ in the style tint.
class OnboardingSwitchKeyDiagram : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 132;

    OnboardingSwitchKeyDiagram(const QColor& qualityTint, const QColor& styleTint, double width,
                               QWidget* parent = nullptr);

    OnboardingMiniKeycap* upKey() const { return upKey_; }
    OnboardingMiniKeycap* rightKey() const { return rightKey_; }

private:
    OnboardingMiniKeycap* upKey_;
    OnboardingMiniKeycap* rightKey_;
};
