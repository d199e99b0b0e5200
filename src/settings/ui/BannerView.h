#pragma once

#include <QWidget>
#include <functional>

class PaletteLabel;
class SymbolLabel;

// The layout the hint and warning banners share: a symbol and a wrapping text in one tint, on a
// rounded fill of the same tint at 12 %.
class BannerView : public QWidget {
    Q_OBJECT
public:
    using ColorSource = std::function<QColor()>;

    BannerView(const QString& text, const QString& symbol, ColorSource tint, QWidget* parent = nullptr);

    QString text() const;
    QColor tint() const { return tint_(); }
    SymbolLabel* symbol() const { return symbol_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorSource tint_;
    SymbolLabel* symbol_ = nullptr;
    PaletteLabel* text_ = nullptr;
};
