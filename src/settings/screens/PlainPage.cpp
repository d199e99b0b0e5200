#include "settings/screens/PlainPage.h"

#include <QScrollBar>
#include <QVBoxLayout>

PlainPage::PlainPage(int spacing, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    auto* body = new QWidget;
    body->setAutoFillBackground(false);
    column_ = new QVBoxLayout(body);
    column_->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column_->setSpacing(spacing);
    column_->addStretch(1);
    setWidget(body);
}

void PlainPage::add(QWidget* widget) {
    // Before the closing stretch, which keeps short content at the top.
    column_->insertWidget(column_->count() - 1, widget);
}
