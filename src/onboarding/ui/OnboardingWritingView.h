#pragma once

#include "onboarding/OnboardingWritingLayout.h"
#include "platform/MainQueue.h"

#include <QPainterPath>
#include <QWidget>

#include <functional>
#include <vector>

class MotionPreference;

// A heading written on screen stroke by stroke, as if by hand. write() lays the text out as a
// row of character boxes, sizes the view to it, and reveals the strokes of every character
// that has stroke data one after another; when the last is done it calls onFinishedWriting.
// The owner only positions the view. What is drawn at any moment is a function of the clock,
// so the view does no bookkeeping per frame beyond asking for a repaint.
class OnboardingWritingView : public QWidget {
    Q_OBJECT
public:
    // `motion` (may be null: no preference) is asked at every write whether to animate.
    explicit OnboardingWritingView(const MotionPreference* motion = nullptr, QWidget* parent = nullptr);
    ~OnboardingWritingView() override;

    // Run on the main queue once per writing, when it is done (at once, on the next turn of
    // the main queue, when the writing is not animated); never after the view went away or
    // after a newer write().
    std::function<void()> onFinishedWriting;

    // Starts afresh: drops what was shown or scheduled, then writes `text` with character
    // boxes of `fontSize` × 1.08 points, scaled down to fit `maxWidth`. `instant` shows it
    // fully drawn at once.
    void write(const QString& text, bool instant, double fontSize, double maxWidth);

    const OnboardingWritingLayout& writingLayout() const { return layout_; }
    // True from an animated write() until its finish has run.
    bool isWriting() const { return pendingFinish_ != 0 && layout_.animated; }
    // The drawn share (0…1) of stroke `index` now.
    double strokeEnd(size_t index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void cancelPending();

    const MotionPreference* motion_;
    OnboardingWritingLayout layout_;
    std::vector<QPainterPath> paths_;
    std::vector<bool> committed_;
    std::vector<MainQueue::TimerId> pendingCommits_;
    MainQueue::TimerId pendingFinish_ = 0;
    MainQueue::TimerId frameTimer_ = 0;
    double startedAt_ = 0;  // monotonic seconds of the write
};
