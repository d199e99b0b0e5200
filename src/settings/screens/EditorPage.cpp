#include "settings/screens/EditorPage.h"

#include "settings/ui/Palette.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The scrolled body: it paints the page background under the items. The scroll area stretches it
// to at least the visible height, so the background reaches every edge.
class PageBody : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Palette::background());
    }
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (Palette::isAppearanceChange(event)) update();
    }
};

}  // namespace

EditorPage::EditorPage(int spacing, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    column_ = new PageBody;
    layout_ = new QVBoxLayout(column_);
    layout_->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout_->setSpacing(spacing);
    // Items are added above this stretch, so they stay at the top.
    layout_->addStretch(1);
    setWidget(column_);
}

void EditorPage::add(QWidget* item) { layout_->insertWidget(layout_->count() - 1, item); }

void EditorPage::addLayout(QLayout* layout) { layout_->insertLayout(layout_->count() - 1, layout); }
