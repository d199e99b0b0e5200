#include "onboarding/ui/OnboardingMenuBarMockView.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "settings/ui/SymbolLabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

using OnboardingV2Palette::white;

constexpr double kScreenHeight = 128;
constexpr double kMenuBarHeight = 28;

double baseHeight(bool laptop) { return laptop ? 10 : 26; }
double screenWidth(double width, bool laptop) { return laptop ? width - 60 : width - 100; }

void rounded(QPainter& p, const QRectF& r, double radius, const QColor& fill) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.fillPath(path, fill);
}

// A symbol of the menu bar, fitted into `box`.
void symbol(QPainter& p, const QString& name, const QString& fallback, double size, const QRectF& box) {
    QString glyph = SymbolLabel::ligature(name);
    if (glyph.isEmpty()) glyph = SymbolLabel::ligature(fallback);
    if (glyph.isEmpty()) return;
    p.setFont(SymbolLabel::symbolFont(size * 1.35));
    p.setPen(OnboardingV2Palette::secondaryText());
    p.drawText(box, Qt::AlignCenter, glyph);
}

}  // namespace

OnboardingMenuBarMockView::OnboardingMenuBarMockView(double width, bool laptop, QImage statusIcon, QWidget* parent)
    : QWidget(parent), width_(width), laptop_(laptop), statusIcon_(std::move(statusIcon)) {
    setFixedSize(int(std::lround(width)), int(std::lround(baseHeight(laptop) + kScreenHeight + 2)));
    setAttribute(Qt::WA_TranslucentBackground);
}

QRectF OnboardingMenuBarMockView::screenRect() const {
    const double s = screenWidth(width_, laptop_);
    return {(width_ - s) / 2, 0, s, kScreenHeight};
}

QRectF OnboardingMenuBarMockView::statusIconRect() const {
    const QRectF screen = screenRect();
    const QFontMetricsF metrics(onboardingFont(11));
    const double clockWidth = std::ceil(metrics.horizontalAdvance(QStringLiteral("21:42")));
    double x = screen.width() - 20 - clockWidth;  // the clock
    x -= 10 + 16 + 10;                            // the control centre
    x -= 16 + 10;                                 // wi-fi
    const double battery = x - 24;
    return {screen.x() + battery - 10 - 16 - 10 - 18, screen.y() + 5, 18, 18};
}

void OnboardingMenuBarMockView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double W = width_;
    const double H = height();
    const QRectF screen = screenRect();
    const double S = screen.width();

    // The body under the screen.
    if (laptop_) {
        rounded(p, QRectF(0, H - 10, W, 10), 5, white(0.14));
        rounded(p, QRectF((W - 70) / 2, H - 10, 70, 4), 2, QColor(14, 22, 38, int(0.55 * 255)));
    } else {
        p.fillRect(QRectF((W - 26) / 2, H - 6 - 22, 26, 22), white(0.12));
        rounded(p, QRectF((W - 110) / 2, H - 7, 110, 7), 3.5, white(0.14));
    }

    // The screen, clipped to its rounded shape.
    QPainterPath screenPath;
    screenPath.addRoundedRect(screen, 10, 10);
    p.fillPath(screenPath, QColor(20, 32, 58));
    p.save();
    p.setClipPath(screenPath);
    p.translate(screen.topLeft());
    p.fillRect(QRectF(0, 0, S, kMenuBarHeight), white(0.08));
    p.fillRect(QRectF(0, kMenuBarHeight - 1, S, 1), white(0.08));

    const QRectF dock((S - 120) / 2, kScreenHeight - 7 - 16, 120, 16);
    rounded(p, dock, 5, white(0.07));
    p.setPen(QPen(white(0.1), 1));
    p.drawRoundedRect(dock.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    for (double x : {7.0, 29.0, 51.0, 73.0, 95.0})
        rounded(p, QRectF(dock.x() + x, dock.y() + 3, 10, 10), 3, white(0.22));

    // The menu bar's items, from the right edge leftwards.
    const QColor c = OnboardingV2Palette::secondaryText();
    const QFont clockFont = onboardingFont(11);
    const QFontMetricsF metrics(clockFont);
    const double clockWidth = std::ceil(metrics.horizontalAdvance(QStringLiteral("21:42")));
    const double clockHeight = std::ceil(metrics.height());
    double x = S - 20 - clockWidth;
    p.setFont(clockFont);
    p.setPen(c);
    p.drawText(QRectF(x, std::round((kMenuBarHeight - clockHeight) / 2), clockWidth, clockHeight), Qt::AlignCenter,
               QStringLiteral("21:42"));
    x -= 10;
    symbol(p, QStringLiteral("switch.2"), QStringLiteral("slider.horizontal.3"), 11, QRectF(x - 16, 6, 16, 16));
    x -= 16 + 10;
    symbol(p, QStringLiteral("wifi"), QString(), 11, QRectF(x - 16, 6, 16, 16));
    x -= 16 + 10;
    symbol(p, QStringLiteral("battery.100percent"), QStringLiteral("battery.100"), 13, QRectF(x - 24, 6, 24, 16));
    const double b = x - 24;

    const QRectF source(b - 10 - 16, 6, 16, 16);
    p.setPen(QPen(c, 1.3));
    p.drawRoundedRect(source.adjusted(0.65, 0.65, -0.65, -0.65), 3, 3);
    p.setFont(onboardingFont(10, QFont::Bold));
    p.drawText(source, Qt::AlignCenter, QStringLiteral("あ"));

    // The application's icon with an accent glow around it.
    const QRectF icon(b - 10 - 16 - 10 - 18, 5, 18, 18);
    QRadialGradient glow(icon.center(), 15);
    QColor accent = OnboardingV2Palette::accent();
    accent.setAlphaF(0.9);
    glow.setColorAt(0, accent);
    accent.setAlphaF(0);
    glow.setColorAt(1, accent);
    p.fillRect(icon.adjusted(-12, -12, 12, 12), glow);
    if (!statusIcon_.isNull()) p.drawImage(icon, statusIcon_);
    p.restore();

    p.setPen(QPen(white(0.16), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(screen.adjusted(0.75, 0.75, -0.75, -0.75), 10, 10);
}
