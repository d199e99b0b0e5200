#include "core/ui/ToastWindow.h"

#include "core/ui/WindowShape.h"

#include "platform/MainQueue.h"
#include "platform/Screens.h"

#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>

namespace {
// Black rounded panel at 82 % behind the label.
class ToastPanel final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, qRound(0.82 * 255)));
        p.drawRoundedRect(rect(), 10, 10);
    }
};
}  // namespace

void ToastWindow::show(const QString& message, std::optional<QPointF> at, double seconds) {
    if (current_) {
        current_->close();
        current_->deleteLater();
        current_ = nullptr;
    }
    auto* window = new ToastPanel(nullptr);
    window->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_TransparentForMouseEvents);
    window->setFocusPolicy(Qt::NoFocus);
    WindowShape::keep(window, WindowShape::rounded(10));

    // Messages carry the user's words and file names: shown as written, never read as markup.
    auto* label = new QLabel(window);
    label->setTextFormat(Qt::PlainText);
    label->setText(message);
    QFont font = label->font();
    font.setPixelSize(14);
    font.setWeight(QFont::Medium);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    label->setAlignment(Qt::AlignCenter);
    label->adjustSize();
    const QSize labelSize = label->sizeHint();
    const int w = labelSize.width() + 40;
    const int h = labelSize.height() + 24;
    window->resize(w, h);
    label->setGeometry(20, 12, labelSize.width(), labelSize.height());

    const QPointF origin = Toast::placement(QSizeF(w, h), at);
    const QRectF qtRect = Screens::toDesktop(QRectF(origin, QSizeF(w, h)));
    window->move(qRound(qtRect.x()), qRound(qtRect.y()));

    window->setWindowOpacity(0.0);
    window->show();
    auto* fadeIn = new QPropertyAnimation(window, "windowOpacity", window);
    fadeIn->setDuration(150);
    fadeIn->setEndValue(1.0);
    fadeIn->start(QAbstractAnimation::DeleteWhenStopped);

    current_ = window;
    QPointer<QWidget> guard(window);
    MainQueue::after(seconds, [this, guard] {
        if (guard) dismiss(guard);
    });
}

void ToastWindow::dismiss(QWidget* window) {
    if (window != current_) return;  // a newer toast replaced it
    auto* fadeOut = new QPropertyAnimation(window, "windowOpacity", window);
    fadeOut->setDuration(250);
    fadeOut->setEndValue(0.0);
    QPointer<QWidget> guard(window);
    QObject::connect(fadeOut, &QPropertyAnimation::finished, window, [this, guard] {
        if (!guard) return;
        guard->close();
        if (current_ == guard) current_ = nullptr;
        guard->deleteLater();
    });
    fadeOut->start(QAbstractAnimation::DeleteWhenStopped);
}
