#include "settings/ui/SymbolLabel.h"

#include "settings/ui/Palette.h"

#include <QEvent>
#include <QHash>
#include <QPainter>

namespace {

// Material glyphs sit inside a padded em square; this brings them to the visual size the design's
// symbols have at the same font size.
constexpr double kGlyphScale = 1.2;

}  // namespace

SymbolLabel::SymbolLabel(const QString& name, double pixelSize, ColorSource color, QSize frame, QWidget* parent)
    : QWidget(parent), name_(name), pixelSize_(pixelSize), color_(std::move(color)), frame_(frame) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolLabel::setName(const QString& name) {
    if (name_ == name) return;
    name_ = name;
    update();
}

void SymbolLabel::setColorSource(ColorSource color) {
    color_ = std::move(color);
    update();
}

QColor SymbolLabel::color() const { return color_ ? color_() : Palette::text(); }

QString SymbolLabel::ligature(const QString& name) {
    static const QHash<QString, QString> table = {
        {QStringLiteral("arrow.counterclockwise"), QStringLiteral("undo")},
        {QStringLiteral("arrow.triangle.2.circlepath"), QStringLiteral("sync")},
        {QStringLiteral("arrow.turn.down.left"), QStringLiteral("keyboard_return")},
        {QStringLiteral("arrow.up.forward.square"), QStringLiteral("open_in_new")},
        {QStringLiteral("battery.100"), QStringLiteral("battery_full")},
        {QStringLiteral("battery.100percent"), QStringLiteral("battery_full")},
        {QStringLiteral("bolt.fill"), QStringLiteral("bolt")},
        {QStringLiteral("briefcase.fill"), QStringLiteral("work")},
        {QStringLiteral("camera.viewfinder"), QStringLiteral("screenshot")},
        {QStringLiteral("checkmark"), QStringLiteral("check")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("check_circle")},
        {QStringLiteral("checkmark.shield"), QStringLiteral("verified_user")},
        {QStringLiteral("chevron.left"), QStringLiteral("chevron_left")},
        {QStringLiteral("chevron.right"), QStringLiteral("chevron_right")},
        {QStringLiteral("cloud.fill"), QStringLiteral("cloud")},
        {QStringLiteral("delete.left"), QStringLiteral("backspace")},
        {QStringLiteral("envelope"), QStringLiteral("mail_outline")},
        {QStringLiteral("exclamationmark.circle.fill"), QStringLiteral("error")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("warning")},
        {QStringLiteral("gearshape"), QStringLiteral("settings")},
        {QStringLiteral("globe"), QStringLiteral("language")},
        {QStringLiteral("textformat"), QStringLiteral("text_format")},
        {QStringLiteral("hand.tap"), QStringLiteral("touch_app")},
        {QStringLiteral("hand.tap.fill"), QStringLiteral("touch_app")},
        {QStringLiteral("hand.wave.fill"), QStringLiteral("waving_hand")},
        {QStringLiteral("heart.fill"), QStringLiteral("favorite")},
        {QStringLiteral("info.circle"), QStringLiteral("info_outline")},
        {QStringLiteral("keyboard"), QStringLiteral("keyboard")},
        {QStringLiteral("keyboard.fill"), QStringLiteral("keyboard")},
        {QStringLiteral("mic.fill"), QStringLiteral("mic")},
        {QStringLiteral("pencil.line"), QStringLiteral("edit_note")},
        {QStringLiteral("person.2.fill"), QStringLiteral("people")},
        {QStringLiteral("pin.fill"), QStringLiteral("push_pin")},
        {QStringLiteral("questionmark.circle"), QStringLiteral("help_outline")},
        {QStringLiteral("rectangle.topthird.inset.filled"), QStringLiteral("web_asset")},
        {QStringLiteral("slider.horizontal.3"), QStringLiteral("tune")},
        {QStringLiteral("sparkles"), QStringLiteral("auto_awesome")},
        {QStringLiteral("speaker.wave.2"), QStringLiteral("volume_up")},
        {QStringLiteral("speaker.wave.2.fill"), QStringLiteral("volume_up")},
        {QStringLiteral("speedometer"), QStringLiteral("speed")},
        {QStringLiteral("square.grid.2x2"), QStringLiteral("grid_view")},
        {QStringLiteral("switch.2"), QStringLiteral("toggle_on")},
        {QStringLiteral("text.alignleft"), QStringLiteral("format_align_left")},
        {QStringLiteral("text.append"), QStringLiteral("format_line_spacing")},
        {QStringLiteral("text.book.closed.fill"), QStringLiteral("menu_book")},
        {QStringLiteral("text.bubble.fill"), QStringLiteral("chat_bubble")},
        {QStringLiteral("text.justify"), QStringLiteral("format_align_justify")},
        {QStringLiteral("wand.and.stars"), QStringLiteral("auto_fix_high")},
        {QStringLiteral("waveform"), QStringLiteral("graphic_eq")},
        {QStringLiteral("wifi"), QStringLiteral("wifi")},
        {QStringLiteral("xmark"), QStringLiteral("close")},
    };
    return table.value(name);
}

QFont SymbolLabel::symbolFont(double pixelSize) {
    QFont font(QStringLiteral("Material Icons"));
    font.setPixelSize(qMax(1, qRound(pixelSize * kGlyphScale)));
    return font;
}

QSize SymbolLabel::sizeHint() const {
    if (!frame_.isEmpty()) return frame_;
    const int side = qRound(pixelSize_ * kGlyphScale);
    return {side, side};
}

void SymbolLabel::paintEvent(QPaintEvent*) {
    const QString glyph = ligature(name_);
    if (glyph.isEmpty()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(symbolFont(pixelSize_));
    painter.setPen(color());
    painter.drawText(rect(), Qt::AlignCenter, glyph);
}

void SymbolLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Palette::isAppearanceChange(event)) update();
}
