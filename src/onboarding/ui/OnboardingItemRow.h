#pragma once

#include "onboarding/ui/OnboardingPanel.h"

#include <QPointer>

class QLabel;

// A list row: an optional icon tile, a title with an optional detail under it, and an
// optional accessory at the right edge, on a rounded card; at least 58 high.
class OnboardingItemRow : public OnboardingPanel {
    Q_OBJECT
public:
    // An empty icon or detail counts as none. The row takes `trailing` as its child.
    OnboardingItemRow(const QString& icon, const QString& title, const QString& detail, QWidget* trailing,
                      double width, QWidget* parent = nullptr);

    // The accessory at the right edge, kept for the owner.
    QPointer<QWidget> trailingView;

    QLabel* titleLabel() const { return title_; }
    QLabel* detailLabel() const { return detail_; }
    QWidget* iconTile() const { return tile_; }

    // Shows another detail (empty: none); the row grows or shrinks to it.
    void setDetail(const QString& detail);

private:
    // Sizes the row to its texts and places its parts.
    void arrange();

    QLabel* title_ = nullptr;
    QLabel* detail_ = nullptr;
    QWidget* tile_ = nullptr;
    int width_ = 0;
};
