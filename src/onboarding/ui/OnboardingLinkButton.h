#pragma once

#include <QAbstractButton>

#include <functional>

// A borderless text button in the muted colour (the onboarding window's skip link).
class OnboardingLinkButton : public QAbstractButton {
    Q_OBJECT
public:
    OnboardingLinkButton(const QString& title, std::function<void()> handler, QWidget* parent = nullptr);

    // Run on every click.
    std::function<void()> handler;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
