#include "onboarding/ui/OnboardingStackView.h"

#include <algorithm>
#include <cmath>

OnboardingStackView::OnboardingStackView(const QList<QWidget*>& views, double spacing, double width, QWidget* parent)
    : QWidget(parent) {
    double height = spacing * std::max<qsizetype>(views.size() - 1, 0);
    for (QWidget* view : views) height += view->height();
    setFixedSize(int(std::lround(width)), int(std::lround(height)));
    double y = 0;
    for (QWidget* view : views) {
        view->setParent(this);
        view->move(int(std::lround((width - view->width()) / 2)), int(std::lround(y)));
        y += view->height() + spacing;
    }
}
