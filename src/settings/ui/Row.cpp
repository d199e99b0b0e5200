#include "settings/ui/Row.h"

#include "settings/ui/InfoMark.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QLabel>
#include <QLayout>
#include <QPointer>

namespace {

// The width a label's text takes on one line.
int naturalWidth(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->wordWrap()) {
        const QMargins m = label->contentsMargins();
        return label->fontMetrics().horizontalAdvance(label->text()) + 1 + m.left() + m.right();
    }
    return widget->sizeHint().width();
}

int heightAt(const QWidget* widget, int width) {
    return widget->hasHeightForWidth() ? widget->heightForWidth(width) : widget->sizeHint().height();
}

// [icon] title [ⓘ] … value ›, 12 apart inside margins of 16 and 15. The value stands on the title's
// line when it fits there; otherwise it takes a line of its own under the title and wraps, and the
// row grows. A title too long for the row wraps too. Nothing is cut.
class RowLayout : public QLayout {
public:
    RowLayout(QWidget* parent, QWidget* icon, QWidget* title, QWidget* info, QWidget* value, QWidget* chevron)
        : QLayout(parent), icon_(icon), title_(title), info_(info), value_(value), chevron_(chevron) {
        setContentsMargins(16, 15, 16, 15);
        setSpacing(12);
        for (QWidget* widget : {icon, title, info, value, chevron})
            if (widget) addWidget(widget);
    }
    ~RowLayout() override {
        while (QLayoutItem* item = takeAt(0)) delete item;
    }

    void addItem(QLayoutItem* item) override { items_.append(item); }
    int count() const override { return int(items_.size()); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QLayoutItem* takeAt(int index) override {
        return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
    }
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return arrange(QRect(0, 0, width, 0), false); }

    QSize sizeHint() const override {
        const int width = fixedWidth() + naturalWidth(title_) + (hasValue() ? spacing() + naturalWidth(value_) : 0);
        return {width, heightForWidth(width)};
    }
    QSize minimumSize() const override {
        // Titles and values wrap; the narrowest row still shows a few characters of each.
        const int width = fixedWidth() + title_->fontMetrics().horizontalAdvance(QString(4, QChar(0x3042)));
        return {width, heightForWidth(width)};
    }
    void setGeometry(const QRect& rect) override {
        QLayout::setGeometry(rect);
        arrange(rect, true);
    }

private:
    bool shown(const QWidget* widget) const { return widget && !widget->isHidden(); }
    bool hasValue() const { return shown(value_) && !static_cast<const QLabel*>(value_.data())->text().isEmpty(); }

    // Margins, icon, mark, chevron and the gaps between them.
    int fixedWidth() const {
        const QMargins m = contentsMargins();
        int width = m.left() + m.right() + chevron_->sizeHint().width() + spacing();
        if (shown(icon_)) width += icon_->sizeHint().width() + spacing();
        if (shown(info_)) width += info_->sizeHint().width() + spacing();
        return width;
    }

    // Places the items in `rect` when `apply`; returns the height the row needs at its width.
    int arrange(const QRect& rect, bool apply) const {
        const QMargins m = contentsMargins();
        const int gap = spacing();
        const int left = rect.x() + m.left();
        const int chevronWidth = chevron_->sizeHint().width();
        const int textRight = rect.x() + rect.width() - m.right() - chevronWidth - gap;
        int x = left;
        const QSize iconSize = shown(icon_) ? icon_->sizeHint() : QSize();
        if (shown(icon_)) x += iconSize.width() + gap;
        const int titleLeft = x;
        const QSize infoSize = shown(info_) ? info_->sizeHint() : QSize();
        const int infoRoom = shown(info_) ? infoSize.width() + gap : 0;

        const int titleWidth = std::max(1, std::min(naturalWidth(title_), textRight - titleLeft - infoRoom));
        const int titleHeight = heightAt(title_, titleWidth);
        const int lineHeight = std::max({titleHeight, iconSize.height(), infoSize.height()});

        int valueWidth = 0, valueHeight = 0, valueLeft = 0, valueTop = 0, contentHeight = lineHeight;
        bool ownLine = false;
        const int top = rect.y() + m.top();
        if (hasValue()) {
            const int afterTitle = titleLeft + titleWidth + infoRoom + gap;
            valueWidth = naturalWidth(value_);
            if (valueWidth <= textRight - afterTitle) {
                valueHeight = heightAt(value_, valueWidth);
                contentHeight = std::max(lineHeight, valueHeight);
                valueLeft = textRight - valueWidth;
                valueTop = top + (contentHeight - valueHeight) / 2;
            } else {
                valueWidth = std::max(1, textRight - titleLeft);
                valueHeight = heightAt(value_, valueWidth);
                valueLeft = titleLeft;
                valueTop = top + lineHeight + 4;
                ownLine = true;
                contentHeight = lineHeight + 4 + valueHeight;
            }
        }
        if (apply) {
            const int lineTop = ownLine ? top : top + (contentHeight - lineHeight) / 2;
            const auto centred = [lineTop, lineHeight](int height) { return lineTop + (lineHeight - height) / 2; };
            if (shown(icon_)) icon_->setGeometry(QRect(QPoint(left, centred(iconSize.height())), iconSize));
            title_->setGeometry(titleLeft, centred(titleHeight), titleWidth, titleHeight);
            if (shown(info_))
                info_->setGeometry(QRect(QPoint(titleLeft + titleWidth + gap, centred(infoSize.height())), infoSize));
            if (shown(value_)) value_->setGeometry(valueLeft, valueTop, valueWidth, valueHeight);
            const QSize chevronSize = chevron_->sizeHint();
            chevron_->setGeometry(QRect(QPoint(textRight + gap, top + (contentHeight - chevronSize.height()) / 2),
                                        chevronSize));
        }
        return m.top() + contentHeight + m.bottom();
    }

    QList<QLayoutItem*> items_;
    QPointer<QWidget> icon_, title_, info_, value_, chevron_;
};

}  // namespace

Row::Row(std::optional<QString> icon, const QString& title, const QString& value, std::optional<QString> note,
         Action action, QWidget* parent)
    : RowButton(std::move(action), parent) {
    if (icon) icon_ = new SymbolLabel(*icon, 16, [] { return Palette::secondaryText(); }, QSize(24, 19), this);
    title_ = new PaletteLabel(title, SettingsFont::make(16.5), [] { return Palette::text(); }, this);
    title_->setWrapping(true);
    if (note) infoMark_ = new InfoMark(*note, this);
    value_ = new PaletteLabel(value, SettingsFont::make(14.5), [] { return Palette::systemSecondary(); }, this);
    value_->setWrapping(true);
    value_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* chevron = new SymbolLabel(QStringLiteral("chevron.right"), 13,
                                    [] { return Palette::withOpacity(Palette::secondaryText(), 0.6); }, {}, this);
    new RowLayout(this, icon_, title_, infoMark_, value_, chevron);
}

QString Row::title() const { return title_->text(); }

QString Row::value() const { return value_->text(); }

void Row::setValue(const QString& value) {
    if (value_->text() == value) return;
    value_->setText(value);
    updateGeometry();
}
