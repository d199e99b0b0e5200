#pragma once

#include <QAbstractButton>

#include <functional>

// The onboarding's rounded primary button: an accent pill (corner radius half its current
// height, whatever its size) with a bold dark title. The owner sets its geometry.
class OnboardingPillButton : public QAbstractButton {
    Q_OBJECT
public:
    OnboardingPillButton(const QString& title, std::function<void()> handler, QWidget* parent = nullptr);

    // Run on every click.
    std::function<void()> handler;

    void setTitleText(const QString& title);
    double cornerRadius() const { return height() * 0.5; }
    QSize sizeHint() const override { return {280, 46}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
};
