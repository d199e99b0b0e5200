#include "onboarding/ui/OnboardingWritingView.h"
#include "platform/fake/FakeMainQueue.h"
#include "platform/fake/FakeMotionPreference.h"

#include <QImage>
#include <gtest/gtest.h>

#include <memory>

namespace {

int inkedPixels(QWidget& view) {
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) count += qAlpha(line[x]) > 0;
    }
    return count;
}

class OnboardingWritingViewGuiTest : public ::testing::Test {
protected:
    FakeMainQueue queue;
    FakeMotionPreference motion;
    int finished = 0;

    std::unique_ptr<OnboardingWritingView> makeView() {
        auto view = std::make_unique<OnboardingWritingView>(&motion);
        view->onFinishedWriting = [this] { ++finished; };
        return view;
    }
};

TEST_F(OnboardingWritingViewGuiTest, DrawsProgressivelyMoreAndFinishesOnce) {
    auto view = makeView();
    view->write(QStringLiteral("話す準備"), false, 28, 384);
    EXPECT_EQ(view->size(), QSize(int(std::ceil(28 * 1.08 * 4.5)), int(std::ceil(28 * 1.08 * 4.5 / (4.5 * 109) * 136.25))));
    const double total = view->writingLayout().finishDelay;
    ASSERT_GT(total, 0.5);  // 13 + 2 + 12 + 4 strokes take a while

    int previous = inkedPixels(*view);
    EXPECT_EQ(previous, 0);  // nothing before the first stroke starts (80 ms)
    double elapsed = 0;
    for (double at : {0.1, total * 0.3, total * 0.6, total * 0.9}) {
        queue.advance(at - elapsed);
        elapsed = at;
        const int inked = inkedPixels(*view);
        EXPECT_GT(inked, previous) << "at " << at << " s";
        previous = inked;
        EXPECT_EQ(finished, 0);
    }
    queue.advance(total - elapsed);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(view->isWriting());
    const int whole = inkedPixels(*view);
    EXPECT_GT(whole, previous);

    // Written at once, the same heading looks the same as at the end of the animation.
    auto instant = makeView();
    instant->write(QStringLiteral("話す準備"), true, 28, 384);
    EXPECT_EQ(inkedPixels(*instant), whole);
    EXPECT_EQ(finished, 1);  // not synchronously inside write()
    queue.advance(0);
    EXPECT_EQ(finished, 2);
    queue.advance(10);
    EXPECT_EQ(finished, 2);
}

TEST_F(OnboardingWritingViewGuiTest, ReduceMotionShowsEverythingAtOnce) {
    motion.reduce = true;
    auto view = makeView();
    view->write(QStringLiteral("長い"), false, 24, 384);
    EXPECT_GT(inkedPixels(*view), 0);
    EXPECT_FALSE(view->isWriting());
    queue.advance(0);
    EXPECT_EQ(finished, 1);
}

TEST_F(OnboardingWritingViewGuiTest, ANewWriteReplacesTheOldOneAndAGoneViewNeverCalls) {
    auto view = makeView();
    view->write(QStringLiteral("話"), false, 28, 384);
    queue.advance(0.2);
    view->write(QStringLiteral("hello"), false, 28, 384);  // no stroke data: blank, finish after 80 ms
    EXPECT_EQ(view->writingLayout().strokes.size(), 0u);
    EXPECT_EQ(inkedPixels(*view), 0);
    queue.advance(0.079);
    EXPECT_EQ(finished, 0);
    queue.advance(0.002);
    EXPECT_EQ(finished, 1);
    queue.advance(10);
    EXPECT_EQ(finished, 1);  // the first text's finish was cancelled

    view->write(QStringLiteral("準備"), false, 28, 384);
    queue.advance(0.3);
    view.reset();
    queue.advance(10);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(queue.pendingTimers(), 0u);
}

}  // namespace
