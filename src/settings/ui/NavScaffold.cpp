#include "settings/ui/NavScaffold.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/RowButton.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The header's two layers: the title centred across the whole width, the back button over it on
// the leading side.
class Header : public QWidget {
public:
    Header(PaletteLabel* title, QWidget* back, QWidget* parent) : QWidget(parent), title_(title), back_(back) {
        title_->setParent(this);
        title_->setAlignment(Qt::AlignCenter);
        back_->setParent(this);
        setFixedHeight(NavScaffold::kHeaderTop + NavScaffold::kHeaderHeight + NavScaffold::kHeaderBottom);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void resizeEvent(QResizeEvent*) override {
        const QRect bar(NavScaffold::kHeaderSide, NavScaffold::kHeaderTop, width() - 2 * NavScaffold::kHeaderSide,
                        NavScaffold::kHeaderHeight);
        title_->setGeometry(bar);
        const QSize hint = back_->sizeHint();
        back_->setGeometry(bar.left(), bar.top() + (bar.height() - hint.height()) / 2, hint.width(), hint.height());
    }

private:
    PaletteLabel* title_;
    QWidget* back_;
};

}  // namespace

NavScaffold::NavScaffold(const QString& title, bool showBack, std::function<void()> back, QWidget* content,
                         QWidget* parent)
    : QWidget(parent), content_(content) {
    title_ = new PaletteLabel(title, SettingsFont::bold(21), [] { return Palette::text(); });
    auto* button = new RowButton(std::move(back));
    auto* buttonLayout = new QHBoxLayout(button);
    buttonLayout->setContentsMargins(0, 0, 0, 0);
    buttonLayout->setSpacing(3);
    buttonLayout->addWidget(
        new SymbolLabel(QStringLiteral("chevron.left"), 20, [] { return Palette::text(); }, {}, button));
    buttonLayout->addWidget(new PaletteLabel(QStringLiteral("戻る"), SettingsFont::make(20), [] { return Palette::text(); },
                                             button));
    backButton_ = button;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new Header(title_, backButton_, this));
    if (!content_) content_ = new QWidget;
    layout->addWidget(content_, 1);
    setShowBack(showBack);
}

QString NavScaffold::title() const { return title_->text(); }

bool NavScaffold::showsBack() const { return !backButton_->isHidden(); }

void NavScaffold::setShowBack(bool show) { backButton_->setVisible(show); }

void NavScaffold::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Palette::background());
}

void NavScaffold::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Palette::isAppearanceChange(event)) update();
}
