#include "settings/screens/OccupationPresetButtons.h"

#include "core/OccupationPresets.h"
#include "settings/screens/ScreenColors.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"

#include <QEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Equal columns, as many as fit at the minimum width, filled row by row; its height follows its
// width.
class PresetGrid : public QWidget {
public:
    explicit PresetGrid(QWidget* parent) : QWidget(parent) {
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }

    void add(QPushButton* button) {
        button->setParent(this);
        buttons_.append(button);
        updateGeometry();
    }

    int columns() const { return OccupationPresetButtons::columnsForWidth(width()); }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override {
        const int columns = OccupationPresetButtons::columnsForWidth(width);
        const int rows = (int(buttons_.size()) + columns - 1) / columns;
        if (rows == 0) return 0;
        return rows * rowHeight() + (rows - 1) * OccupationPresetButtons::kSpacing;
    }
    QSize sizeHint() const override {
        // One row of every button side by side; the layout gives less width and asks for height.
        const int columns = std::max<int>(1, int(buttons_.size()));
        const int width = columns * OccupationPresetButtons::kMinimumColumnWidth +
                          (columns - 1) * OccupationPresetButtons::kSpacing;
        return {width, heightForWidth(width)};
    }
    QSize minimumSizeHint() const override {
        return {OccupationPresetButtons::kMinimumColumnWidth, heightForWidth(OccupationPresetButtons::kMinimumColumnWidth)};
    }

protected:
    void resizeEvent(QResizeEvent*) override { place(); }

private:
    int rowHeight() const {
        int height = 0;
        for (const QPushButton* button : buttons_) height = std::max(height, button->sizeHint().height());
        return height;
    }

    void place() {
        const int columns = OccupationPresetButtons::columnsForWidth(width());
        const int spacing = OccupationPresetButtons::kSpacing;
        const int columnWidth = std::max(1, (width() - (columns - 1) * spacing) / columns);
        const int height = rowHeight();
        for (qsizetype i = 0; i < buttons_.size(); ++i) {
            const int row = int(i) / columns;
            const int column = int(i) % columns;
            buttons_[i]->setGeometry(column * (columnWidth + spacing), row * (height + spacing), columnWidth, height);
        }
    }

    QList<QPushButton*> buttons_;
};

}  // namespace

int OccupationPresetButtons::columnsForWidth(int width) {
    return std::max(1, (width + kSpacing) / (kMinimumColumnWidth + kSpacing));
}

QString OccupationPresetButtons::buttonTitle(const QString& key) { return OccupationPresets::label(key).value_or(key); }

OccupationPresetButtons::OccupationPresetButtons(BetaSettingsModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto* heading = new PaletteLabel(QStringLiteral("職業でよく使う言葉を追加"), SettingsFont::make(11),
                                     [] { return Palette::systemSecondary(); }, this);
    layout->addWidget(heading);

    auto* grid = new PresetGrid(this);
    grid_ = grid;
    for (const QString& key : OccupationPresets::keys()) {
        auto* button = new QPushButton(buttonTitle(key));
        button->setFont(SettingsFont::make(11));
        button->setAttribute(Qt::WA_MacSmallSize);
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QPushButton::clicked, this, [this, key] { model_.addPresetWords(key); });
        grid->add(button);
        buttons_.append(button);
    }
    layout->addWidget(grid);

    notice_ = new PaletteLabel(QString(), SettingsFont::make(11), [] { return ScreenColors::red(); }, this);
    notice_->setWrapping(true);
    layout->addWidget(notice_);

    refresh();
    observer_ = model_.observe([this](BetaSettingsModel::Property property) {
        if (property == BetaSettingsModel::Property::presetNotice) refresh();
    });
}

OccupationPresetButtons::~OccupationPresetButtons() { model_.unobserve(observer_); }

int OccupationPresetButtons::columnCount() const { return static_cast<PresetGrid*>(grid_)->columns(); }

void OccupationPresetButtons::refresh() {
    const QString notice = model_.presetNotice();
    notice_->setText(notice);
    notice_->setVisible(!notice.isEmpty());
}

void OccupationPresetButtons::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Palette::isAppearanceChange(event)) notice_->refreshColor();
}
