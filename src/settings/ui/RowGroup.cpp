#include "settings/ui/RowGroup.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/RowLine.h"
#include "settings/ui/SettingsFont.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

// The card: the palette's card fill with a faint outline, corner radius 12. Not clipped: rows
// draw no background, so the fill shows behind them.
class GroupCard : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
        QPainterPath path;
        path.addRoundedRect(box, 12, 12);
        painter.fillPath(path, Palette::cardBackground());
        painter.setPen(QPen(Palette::withOpacity(Palette::separator(), 0.4), 0.5, Qt::SolidLine, Qt::FlatCap,
                            Qt::MiterJoin));
        painter.drawPath(path);
    }
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (Palette::isAppearanceChange(event)) update();
    }
};

}  // namespace

RowGroup::RowGroup(std::optional<QString> header, const QList<QWidget*>& content, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (header) {
        header_ = new PaletteLabel(*header, SettingsFont::semibold(11), [] { return Palette::systemSecondary(); }, this);
        header_->setContentsMargins(4, 0, 0, 0);
        // An empty heading still takes its line.
        header_->setMinimumHeight(header_->fontMetrics().height());
        layout->addWidget(header_);
    }
    card_ = new GroupCard(this);
    cardLayout_ = new QVBoxLayout(card_);
    cardLayout_->setContentsMargins(0, 0, 0, 0);
    cardLayout_->setSpacing(0);
    layout->addWidget(card_);
    for (QWidget* widget : content) add(widget);
}

void RowGroup::add(QWidget* widget) { cardLayout_->addWidget(widget); }

void RowGroup::addRows(const QList<QWidget*>& rows) {
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (i > 0) add(new RowLine);
        add(rows[i]);
    }
}
