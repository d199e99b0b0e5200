#pragma once

#include <QLabel>
#include <functional>

// A plain-text label whose colour comes from the settings palette and follows a change of the
// appearance. Texts are shown verbatim (never as rich text).
class PaletteLabel : public QLabel {
    Q_OBJECT
public:
    using ColorSource = std::function<QColor()>;

    PaletteLabel(const QString& text, const QFont& font, ColorSource color, QWidget* parent = nullptr);

    void setColorSource(ColorSource color);
    // Wraps onto as many lines as the width needs (never cut).
    void setWrapping(bool wrap);
    // Asks the palette again (the widgets around call this when the appearance changed).
    void refreshColor();

protected:
    void changeEvent(QEvent* event) override;

private:
    ColorSource color_;
    bool refreshing_ = false;
};
