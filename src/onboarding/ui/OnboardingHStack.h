#pragma once

#include <QList>
#include <QWidget>

// A row of views centred as a group in `width`, `spacing` apart, each centred vertically;
// as high as its tallest view (0 without views). The stack takes the views as children.
class OnboardingHStack : public QWidget {
    Q_OBJECT
public:
    OnboardingHStack(const QList<QWidget*>& views, double spacing, double width, QWidget* parent = nullptr);
};
