#include "platform/linux/ui/QtStatusItem.h"

#include "platform/Screens.h"
#include "platform/linux/ui/SymbolIcons.h"
#include "platform/linux/ui/X11DesktopHints.h"

#include <QApplication>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QSystemTrayIcon>
#include <QVariantAnimation>

QtStatusItem::QtStatusItem() : tray_(new QSystemTrayIcon(this)) {
    refreshToolTip();
    // A right click opens the menu by itself (the tray's own context menu); a left click too.
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && menu_ && !menu_->isVisible()) menu_->popup(QCursor::pos());
    });
}

QtStatusItem::~QtStatusItem() {
    tray_->setContextMenu(nullptr);
    tray_->hide();
}

void QtStatusItem::setImage(const QImage& image, bool) {
    // A template glyph comes drawn in the tray's colour already (or in one that reads on any).
    image_ = image;
    refreshIcon();
}

void QtStatusItem::refreshIcon() {
    if (image_.isNull()) return;
    QImage shown = image_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&shown);
    if (alpha_ < 1.0) {
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.fillRect(shown.rect(), QColor(0, 0, 0, qRound(qBound(0.0, alpha_, 1.0) * 255)));
    }
    p.end();
    tray_->setIcon(QIcon(QPixmap::fromImage(shown)));
    if (!tray_->isVisible()) tray_->show();  // shown once it has an image
}

void QtStatusItem::setTitle(const QString& title) {
    title_ = title;
    refreshToolTip();
}

void QtStatusItem::setToolTip(const QString& text) {
    toolTip_ = text;
    refreshToolTip();
}

void QtStatusItem::refreshToolTip() {
    QString text = QStringLiteral("Quendle");
    if (!title_.trimmed().isEmpty()) text += QStringLiteral(" ") + title_.trimmed();
    if (!toolTip_.isEmpty()) text += QStringLiteral("\n") + toolTip_;
    tray_->setToolTip(text);
}

void QtStatusItem::setAlpha(double alpha, double seconds) {
    if (fade_) fade_->stop();
    if (seconds <= 0) {
        alpha_ = alpha;
        refreshIcon();
        return;
    }
    auto* fade = new QVariantAnimation(this);
    fade->setStartValue(alpha_);
    fade->setEndValue(alpha);
    fade->setDuration(qRound(seconds * 1000));
    connect(fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        alpha_ = value.toDouble();
        refreshIcon();
    });
    fade_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void QtStatusItem::setMenu(const QList<MenuEntry>& entries) {
    auto menu = std::make_unique<QMenu>();
    const QColor iconColor = QApplication::palette().color(QPalette::WindowText);
    for (const MenuEntry& entry : entries) {
        if (entry.separator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(entry.title);
        action->setEnabled(entry.enabled);
        if (!entry.symbol.isEmpty()) action->setIcon(SymbolIcons::icon(entry.symbol, iconColor));
        if (!entry.shortcut.isEmpty()) action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + entry.shortcut.toUpper()));
        if (entry.action) {
            auto run = entry.action;
            QObject::connect(action, &QAction::triggered, action, [run] { run(); });
        }
    }
    tray_->setContextMenu(menu.get());
    menu_ = std::move(menu);  // the previous menu goes only after the tray let go of it
}

void QtStatusItem::cancelTracking() {
    if (menu_ && menu_->isVisible()) menu_->hide();
}

std::optional<QColor> QtStatusItem::glyphColor() const { return X11DesktopHints::trayForeground(); }

std::optional<QRectF> QtStatusItem::geometry() const {
    const QRect rect = tray_->geometry();
    if (!rect.isValid() || rect.isEmpty()) return std::nullopt;
    return Screens::fromDesktop(QRectF(rect));
}
