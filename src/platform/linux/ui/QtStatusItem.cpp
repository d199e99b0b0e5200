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

QtStatusItem::QtStatusItem() : tray_(new QSystemTrayIcon(this)), menu_(std::make_unique<QMenu>()) {
    tray_->setContextMenu(menu_.get());
    refreshToolTip();
    // A right click opens the menu by itself (the tray's own context menu); a left click too.
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && !menu_->actions().isEmpty() && !menu_->isVisible())
            menu_->popup(QCursor::pos());
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
    // One menu for the whole run, its entries updated in place: a menu the user has open stays
    // open (and keeps the entry under the pointer) while the state behind it changes.
    const QColor iconColor = QApplication::palette().color(QPalette::WindowText);
    QList<QAction*> actions = menu_->actions();
    while (actions.size() > entries.size()) {
        QAction* surplus = actions.takeLast();
        menu_->removeAction(surplus);
        surplus->deleteLater();  // it may be the entry whose action is running
    }
    runs_.resize(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const MenuEntry& entry = entries.at(i);
        QAction* action = nullptr;
        if (i < actions.size()) {
            action = actions.at(i);
        } else {
            action = menu_->addAction(QString());
            QObject::connect(action, &QAction::triggered, this, [this, i] {
                // A copy: the action may set a new menu while it runs.
                const std::function<void()> run = i < runs_.size() ? runs_.at(i) : nullptr;
                if (run) run();
            });
        }
        action->setSeparator(entry.separator);
        action->setText(entry.separator ? QString() : entry.title);
        action->setEnabled(entry.separator || entry.enabled);
        action->setIcon(!entry.separator && !entry.symbol.isEmpty() ? SymbolIcons::icon(entry.symbol, iconColor) : QIcon());
        action->setShortcut(!entry.separator && !entry.shortcut.isEmpty()
                                ? QKeySequence(QStringLiteral("Ctrl+") + entry.shortcut.toUpper())
                                : QKeySequence());
        runs_[i] = entry.separator ? nullptr : entry.action;
    }
}

void QtStatusItem::cancelTracking() {
    if (menu_->isVisible()) menu_->hide();
}

std::optional<QColor> QtStatusItem::glyphColor() const { return X11DesktopHints::trayForeground(); }

std::optional<QRectF> QtStatusItem::geometry() const {
    const QRect rect = tray_->geometry();
    if (!rect.isValid() || rect.isEmpty()) return std::nullopt;
    return Screens::fromDesktop(QRectF(rect));
}
