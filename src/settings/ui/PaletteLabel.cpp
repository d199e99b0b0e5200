#include "settings/ui/PaletteLabel.h"

#include "settings/ui/Palette.h"

#include <QEvent>

PaletteLabel::PaletteLabel(const QString& text, const QFont& font, ColorSource color, QWidget* parent)
    : QLabel(parent), color_(std::move(color)) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(font);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    refreshColor();
}

void PaletteLabel::setColorSource(ColorSource color) {
    color_ = std::move(color);
    refreshColor();
}

void PaletteLabel::setWrapping(bool wrap) {
    setWordWrap(wrap);
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(wrap);
    policy.setHorizontalPolicy(wrap ? QSizePolicy::Preferred : policy.horizontalPolicy());
    setSizePolicy(policy);
}

void PaletteLabel::refreshColor() {
    if (!color_ || refreshing_) return;
    refreshing_ = true;
    QPalette palette = this->palette();
    const QColor color = color_();
    if (palette.color(QPalette::WindowText) != color || !palette.isBrushSet(QPalette::Active, QPalette::WindowText)) {
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(group, QPalette::WindowText, color);
            palette.setColor(group, QPalette::Text, color);
        }
        setPalette(palette);
    }
    refreshing_ = false;
}

void PaletteLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (Palette::isAppearanceChange(event)) refreshColor();
}
