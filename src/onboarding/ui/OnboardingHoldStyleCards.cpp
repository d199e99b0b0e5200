#include "onboarding/ui/OnboardingHoldStyleCards.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingPanel.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// One card: the title with a round mark at the right, the detail under it.
class HoldStyleCard : public QAbstractButton {
public:
    HoldStyleCard(const QString& title, const QString& detail, QWidget* parent)
        : QAbstractButton(parent), title_(title), detail_(detail) {
        setCursor(Qt::PointingHandCursor);
        setText(title);
        setAccessibleDescription(detail);
    }

    void setSelected(bool selected) {
        selected_ = selected;
        update();
    }
    bool isSelected() const { return selected_; }

    // 10 + title 16 + 3 + detail 14 + 10.
    static int preferredHeight() {
        return 10 + QFontMetrics(onboardingFont(13, QFont::DemiBold)).height() + 3 +
               QFontMetrics(onboardingFont(11)).height() + 10;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor stroke = selected_ ? [] {
            QColor c = OnboardingV2Palette::accent();
            c.setAlphaF(0.7f);
            return c;
        }()
                                        : OnboardingV2Palette::cardBorder();
        OnboardingPanel::paint(painter, QRectF(rect()),
                               selected_ ? OnboardingV2Palette::selectedFill() : OnboardingV2Palette::cardFill(), stroke,
                               1, 12);

        const QFont titleFont = onboardingFont(13, QFont::DemiBold);
        const QFont detailFont = onboardingFont(11);
        const int titleHeight = QFontMetrics(titleFont).height();
        const int detailHeight = QFontMetrics(detailFont).height();
        const int top = (height() - (titleHeight + 3 + detailHeight)) / 2;
        const QRect titleRect(12, top, width() - 24 - 13 - 6, titleHeight);
        painter.setFont(titleFont);
        painter.setPen(OnboardingV2Palette::text());
        painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
                         QFontMetrics(titleFont).elidedText(title_, Qt::ElideRight, titleRect.width()));
        painter.setFont(detailFont);
        painter.setPen(OnboardingV2Palette::secondaryText());
        painter.drawText(QRect(12, top + titleHeight + 3, width() - 24, detailHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         detail_);

        // The mark: a filled circle with a check when selected, a ring otherwise.
        const QRectF mark(width() - 12 - 13, top + (titleHeight - 13) / 2.0, 13, 13);
        if (selected_) {
            QPainterPath circle;
            circle.addEllipse(mark);
            painter.fillPath(circle, OnboardingV2Palette::accent());
            QPen check(OnboardingV2Palette::onAccent(), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            painter.setPen(check);
            painter.drawPolyline(QPolygonF{mark.topLeft() + QPointF(3.6, 6.8), mark.topLeft() + QPointF(5.8, 9.0),
                                           mark.topLeft() + QPointF(9.6, 4.4)});
        } else {
            painter.setPen(QPen(OnboardingV2Palette::tertiaryText(), 1.2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(mark.adjusted(0.6, 0.6, -0.6, -0.6));
        }
    }

private:
    QString title_;
    QString detail_;
    bool selected_ = false;
};

}  // namespace

OnboardingHoldStyleCards::OnboardingHoldStyleCards(std::shared_ptr<BetaSettingsModel> model, double width, double height,
                                                   QWidget* parent)
    : QWidget(parent), model_(std::move(model)) {
    setAttribute(Qt::WA_TranslucentBackground);
    const int w = int(std::lround(width));
    const int h = int(std::lround(height));
    resize(w, h);

    QLabel* header = onboardingLabel(QStringLiteral("話しかた（あとで設定から変えられます）"), onboardingFont(11),
                                     OnboardingV2Palette::tertiaryText(), this);
    header->adjustSize();
    const int cardHeight = HoldStyleCard::preferredHeight();
    const int top = std::max(0, (h - (header->height() + 7 + cardHeight)) / 2);
    header->move(0, top);

    const int cardWidth = (w - 10) / 2;
    const struct {
        const char16_t* title;
        const char16_t* detail;
        bool hold;
    } kCards[2] = {{u"押している間だけ", u"離すと文字が入る", true}, {u"押して開始・停止", u"もう1回押すまで録音", false}};
    for (int i = 0; i < 2; ++i) {
        auto* card = new HoldStyleCard(QString::fromUtf16(kCards[i].title), QString::fromUtf16(kCards[i].detail), this);
        card->setGeometry(i * (cardWidth + 10), top + header->height() + 7, cardWidth, cardHeight);
        const bool hold = kCards[i].hold;
        connect(card, &QAbstractButton::clicked, this, [this, hold] { model_->setHoldToTalk(hold); });
        cards_[i] = card;
    }
    const auto refresh = [this] {
        static_cast<HoldStyleCard*>(cards_[0])->setSelected(model_->holdToTalk());
        static_cast<HoldStyleCard*>(cards_[1])->setSelected(!model_->holdToTalk());
    };
    refresh();
    observer_ = model_->observe([refresh](BetaSettingsModel::Property property) {
        if (property == BetaSettingsModel::Property::holdToTalk) refresh();
    });
}

OnboardingHoldStyleCards::~OnboardingHoldStyleCards() { model_->unobserve(observer_); }

QAbstractButton* OnboardingHoldStyleCards::card(int index) const { return cards_[index == 0 ? 0 : 1]; }
