#pragma once

#include "platform/MainQueue.h"

#include <QWidget>

// A row of accent bars that grow and shrink about their centres (6 → 26 points every 1.2 s),
// staggered by 0.15 s in groups of four: a voice being heard.
class OnboardingWaveformView : public QWidget {
    Q_OBJECT
public:
    OnboardingWaveformView(int bars, double width, QWidget* parent = nullptr);
    ~OnboardingWaveformView() override;

    int bars() const { return bars_; }
    // Bar `index`'s rectangle at `uptime`.
    QRectF barRect(int index, double uptime) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int bars_;
    double width_;
    double started_;
    MainQueue::TimerId frameTimer_ = 0;
};
