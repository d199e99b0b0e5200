#include "settings/ui/RowButton.h"

#include "settings/ui/Palette.h"

#include <QEvent>
#include <QLayout>

RowButton::RowButton(Action action, QWidget* parent) : QAbstractButton(parent), action_(std::move(action)) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    connect(this, &QAbstractButton::clicked, this, [this] {
        // The action may rebuild the page this row lives on: run a copy.
        const Action action = action_;
        if (action) action();
    });
}

QSize RowButton::sizeHint() const { return layout() ? layout()->sizeHint() : QSize(); }

QSize RowButton::minimumSizeHint() const { return layout() ? layout()->minimumSize() : QSize(); }

bool RowButton::hasHeightForWidth() const { return layout() && layout()->hasHeightForWidth(); }

int RowButton::heightForWidth(int width) const {
    return layout() ? layout()->totalHeightForWidth(width) : QAbstractButton::heightForWidth(width);
}

void RowButton::paintEvent(QPaintEvent*) {}

void RowButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (Palette::isAppearanceChange(event)) update();
}
