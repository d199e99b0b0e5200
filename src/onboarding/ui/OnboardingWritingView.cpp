#include "onboarding/ui/OnboardingWritingView.h"

#include "onboarding/ui/OnboardingV2Palette.h"
#include "platform/Clock.h"
#include "platform/MotionPreference.h"

#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

QPainterPath painterPath(const StrokePath& path) {
    QPainterPath out;
    for (const StrokePath::Element& e : path.elements()) {
        switch (e.kind) {
        case StrokePath::Kind::Move: out.moveTo(e.to); break;
        case StrokePath::Kind::Line: out.lineTo(e.to); break;
        case StrokePath::Kind::Quad: out.quadTo(e.c1, e.to); break;
        case StrokePath::Kind::Cubic: out.cubicTo(e.c1, e.c2, e.to); break;
        case StrokePath::Kind::Close: out.closeSubpath(); break;
        }
    }
    return out;
}

constexpr double kFrameSeconds = 1.0 / 60;

}  // namespace

OnboardingWritingView::OnboardingWritingView(const MotionPreference* motion, QWidget* parent)
    : QWidget(parent), motion_(motion) {
    setAttribute(Qt::WA_TranslucentBackground);
    resize(1, 1);
}

OnboardingWritingView::~OnboardingWritingView() { cancelPending(); }

void OnboardingWritingView::cancelPending() {
    MainQueue::cancel(pendingFinish_);
    for (MainQueue::TimerId& id : pendingCommits_) MainQueue::cancel(id);
    pendingCommits_.clear();
    MainQueue::cancel(frameTimer_);
}

void OnboardingWritingView::write(const QString& text, bool instant, double fontSize, double maxWidth) {
    cancelPending();
    const bool animated = !instant && !(motion_ && motion_->reduceMotion());
    layout_ = OnboardingWritingLayout::make(text, animated, fontSize, maxWidth);
    paths_.clear();
    for (const OnboardingWritingLayout::Stroke& stroke : layout_.strokes) paths_.push_back(painterPath(stroke.path));
    committed_.assign(layout_.strokes.size(), !animated);
    startedAt_ = Clock::monotonicNow();
    resize(int(std::ceil(layout_.width)), std::max(1, int(std::ceil(layout_.height))));
    setAccessibleName(text);

    if (animated) {
        for (size_t i = 0; i < layout_.strokes.size(); ++i) {
            const OnboardingWritingLayout::Stroke& s = layout_.strokes[i];
            // When its animation ends the stroke stays fully drawn, whatever the clock says.
            pendingCommits_.push_back(MainQueue::after((s.beginMs + s.durationMs) / 1000, [this, i] {
                committed_[i] = true;
                update();
            }));
        }
        frameTimer_ = MainQueue::every(kFrameSeconds, [this] { update(); });
    }
    QPointer<OnboardingWritingView> self(this);
    pendingFinish_ = MainQueue::after(layout_.finishDelay, [self] {
        if (!self) return;
        self->pendingFinish_ = 0;
        self->pendingCommits_.clear();  // all have run by now
        MainQueue::cancel(self->frameTimer_);
        std::fill(self->committed_.begin(), self->committed_.end(), true);
        self->update();
        if (auto finished = self->onFinishedWriting) finished();
    });
    update();
}

double OnboardingWritingView::strokeEnd(size_t index) const {
    if (index >= committed_.size()) return 0;
    if (committed_[index]) return 1;
    return layout_.strokeEnd(index, (Clock::monotonicNow() - startedAt_) * 1000);
}

void OnboardingWritingView::paintEvent(QPaintEvent*) {
    if (paths_.empty()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(OnboardingV2Palette::text(), layout_.lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (size_t i = 0; i < paths_.size(); ++i) {
        const double end = strokeEnd(i);
        if (end <= 0) continue;
        if (end >= 1) painter.drawPath(paths_[i]);
        else painter.drawPath(painterPath(layout_.strokes[i].path.trimmed(end)));
    }
}
