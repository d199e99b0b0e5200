#pragma once

#include <QList>
#include <QWidget>

// A column of views, `spacing` apart, each centred in `width`, the first on top; as high as the
// views and the gaps between them (0 without views). The stack takes the views as children.
class OnboardingStackView : public QWidget {
    Q_OBJECT
public:
    OnboardingStackView(const QList<QWidget*>& views, double spacing, double width, QWidget* parent = nullptr);
};
