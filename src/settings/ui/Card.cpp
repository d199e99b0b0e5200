#include "settings/ui/Card.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

class CardArea : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 10, 10);
        painter.fillPath(path, Palette::cardBackground());
    }
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (Palette::isAppearanceChange(event)) update();
    }
};

}  // namespace

Card::Card(const QString& title, std::optional<QString> subtitle, QWidget* content, QWidget* parent)
    : QWidget(parent), content_(content) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* heading = new QVBoxLayout;
    heading->setSpacing(3);
    heading->addWidget(new PaletteLabel(title, SettingsFont::semibold(16), [] { return Palette::text(); }, this));
    if (subtitle) {
        subtitle_ = new PaletteLabel(*subtitle, SettingsFont::make(12), [] { return Palette::systemSecondary(); }, this);
        subtitle_->setWrapping(true);
        subtitle_->setMinimumHeight(subtitle_->fontMetrics().height());
        heading->addWidget(subtitle_);
    }
    layout->addLayout(heading);
    auto* area = new CardArea(this);
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(16, 16, 16, 16);
    if (content) areaLayout->addWidget(content);
    layout->addWidget(area);
}
