#include "settings/screens/ChangeLineRow.h"

#include "core/Graphemes.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <functional>

namespace {

// One line of text cut in the middle when it does not fit; it asks for its full width but may be
// squeezed to nothing.
class MiddleElidedText : public QWidget {
public:
    MiddleElidedText(const QString& text, std::function<QColor()> color, QWidget* parent)
        : QWidget(parent), text_(text), color_(std::move(color)) {
        setFont(SettingsFont::make(11));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    QString shown() const { return fontMetrics().elidedText(text_, Qt::ElideMiddle, width()); }
    QSize sizeHint() const override { return {fontMetrics().horizontalAdvance(text_) + 1, fontMetrics().height()}; }
    QSize minimumSizeHint() const override { return {0, fontMetrics().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(color_());
        painter.drawText(rect(), Qt::AlignVCenter | Qt::AlignLeft, shown());
    }
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (Palette::isAppearanceChange(event)) update();
    }

private:
    QString text_;
    std::function<QColor()> color_;
};

const QString kPlus = QStringLiteral("＋：");
const QString kMinus = QStringLiteral("−：");

}  // namespace

bool ChangeLineRow::isGreen(const VocabChange& change) {
    switch (change.kind) {
    case VocabChange::Kind::added:
        return true;
    case VocabChange::Kind::replaced:
        // Lengths in characters as the user sees them, not code units.
        return Graphemes::count(change.newText) >= Graphemes::count(change.oldText);
    case VocabChange::Kind::removed:
    case VocabChange::Kind::more:
        return false;
    }
    return false;
}

QString ChangeLineRow::sign(const VocabChange& change) {
    if (change.kind == VocabChange::Kind::more) return {};
    return isGreen(change) ? kPlus : kMinus;
}

QString ChangeLineRow::lineText(const VocabChange& change) {
    switch (change.kind) {
    case VocabChange::Kind::added:
    case VocabChange::Kind::more:
        return change.newText;
    case VocabChange::Kind::removed:
        return change.oldText;
    case VocabChange::Kind::replaced:
        return change.oldText + QStringLiteral("→") + change.newText;
    }
    return {};
}

QColor ChangeLineRow::green() {
    return Palette::pick(Palette::currentAppearance(), QColor(48, 209, 88), QColor(40, 167, 69));
}

ChangeLineRow::ChangeLineRow(const VocabChange& change, QWidget* parent) : QWidget(parent), change_(change) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    const bool green = isGreen(change_);
    const auto colour = [green] { return green ? ChangeLineRow::green() : Palette::secondaryText(); };
    if (change_.kind != VocabChange::Kind::more) {
        sign_ = new PaletteLabel(sign(change_), SettingsFont::semibold(11), colour, this);
        layout->addWidget(sign_);
    }
    text_ = new MiddleElidedText(lineText(change_), colour, this);
    layout->addWidget(text_, 1);
}

QColor ChangeLineRow::color() const { return isGreen(change_) ? green() : Palette::secondaryText(); }

QString ChangeLineRow::shownText() const { return static_cast<const MiddleElidedText*>(text_)->shown(); }

void ChangeLineRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Palette::isAppearanceChange(event)) update();
}
