#pragma once

#include "platform/StatusItem.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;
class QVariantAnimation;

// The status item as a tray icon (StatusNotifierItem or XEmbed, whichever the desktop offers).
// Trays show no text beside an icon: the title goes into the tooltip while it is not empty.
// A left click opens the menu as a right click does.
class QtStatusItem final : public QObject, public StatusItem {
public:
    QtStatusItem();
    ~QtStatusItem() override;

    void setImage(const QImage& image, bool isTemplate) override;
    void setTitle(const QString& title) override;
    void setToolTip(const QString& text) override;
    QString toolTip() const override { return toolTip_; }
    void setAlpha(double alpha, double seconds) override;
    void setMenu(const QList<MenuEntry>& entries) override;
    void cancelTracking() override;
    std::optional<QRectF> geometry() const override;
    std::optional<QColor> glyphColor() const override;

private:
    void refreshIcon();
    void refreshToolTip();

    QSystemTrayIcon* tray_;  // a child of this object
    std::unique_ptr<QMenu> menu_;
    QList<std::function<void()>> runs_;  // the action of each menu entry, by position
    QPointer<QVariantAnimation> fade_;
    QImage image_;
    QString title_;
    QString toolTip_;
    double alpha_ = 1.0;
};
