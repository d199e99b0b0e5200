#include "onboarding/ui/OnboardingHStack.h"

#include <algorithm>
#include <cmath>

OnboardingHStack::OnboardingHStack(const QList<QWidget*>& views, double spacing, double width, QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    double total = 0;
    int tallest = 0;
    for (QWidget* view : views) {
        total += view->width();
        tallest = std::max(tallest, view->height());
    }
    resize(int(std::lround(width)), tallest);
    if (views.isEmpty()) return;
    double x = (width - (total + spacing * double(views.size() - 1))) / 2;
    for (QWidget* view : views) {
        view->setParent(this);
        view->move(int(std::lround(x)), (tallest - view->height()) / 2);
        x += view->width() + spacing;
    }
}
