// Caret context capture against a fake accessibility view.
#include "platform/fake/FakeAccessibility.h"
#include "textio/ContextCapture.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <condition_variable>
#include <future>

namespace {

QString digits(int n) {
    QString s;
    for (int i = 0; i < n; ++i) s.append(QChar(u'0' + i % 10));
    return s;
}

class ContextCaptureTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeAccessibleElement> field(const QString& text, TextRange selection) {
        auto element = std::make_shared<FakeAccessibleElement>();
        element->text = text;
        element->selection = selection;
        accessibility.focused.insert(77, element);
        return element;
    }
    FakeAccessibility accessibility;
    ContextCapture capture{accessibility};
};

TEST_F(ContextCaptureTest, SecureInputAndPasswordFieldsGiveNoSnapshot) {
    auto element = field(QStringLiteral("secret"), {3, 0});
    accessibility.secureInput = true;
    EXPECT_FALSE(capture.captureSync(77));
    accessibility.secureInput = false;
    element->elementRole = AccessibleRole::SecureTextField;
    EXPECT_FALSE(capture.captureSync(77));
    EXPECT_TRUE(element->rangeReads.isEmpty());
}

TEST_F(ContextCaptureTest, CaretAtStartReadsOnlyAfter) {
    auto element = field(digits(10), {0, 0});
    auto snapshot = capture.captureSync(77);
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->before, QString());
    EXPECT_EQ(snapshot->after, digits(10));
    EXPECT_EQ(snapshot->pid, 77);
    EXPECT_EQ(element->rangeReads, (QList<TextRange>{{0, 10}}));
    EXPECT_EQ(accessibility.lastTimeout, ContextCapture::kTimeout);
}

TEST_F(ContextCaptureTest, LongFieldIsCutTo2000UnitsEachSide) {
    const QString text = digits(9000);
    auto element = field(text, {5000, 0});
    auto snapshot = capture.captureSync(77);
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->before, text.mid(3000, 2000));
    EXPECT_EQ(snapshot->after, text.mid(5000, 2000));
}

TEST_F(ContextCaptureTest, SelectionIsInNeitherSide) {
    const QString text = QStringLiteral("abcdefghijKLMNOpqrst");
    field(text, {10, 5});
    auto snapshot = capture.captureSync(77);
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->before, QStringLiteral("abcdefghij"));
    EXPECT_EQ(snapshot->after, QStringLiteral("pqrst"));
}

TEST_F(ContextCaptureTest, InconsistentOrFailedReadsGiveNoSnapshot) {
    auto element = field(digits(20), {15, 10});  // reaches past the end
    EXPECT_FALSE(capture.captureSync(77));
    element->selection = TextRange{-1, 0};
    EXPECT_FALSE(capture.captureSync(77));
    element->selection = std::nullopt;
    EXPECT_FALSE(capture.captureSync(77));
    element->selection = TextRange{5, 0};
    element->failRangeReads = true;
    EXPECT_FALSE(capture.captureSync(77));
    EXPECT_FALSE(capture.captureSync(12345));  // no such application
}

TEST_F(ContextCaptureTest, EmptyFieldGivesEmptySnapshotNotNone) {
    field(QString(), {0, 0});
    auto snapshot = capture.captureSync(77);
    ASSERT_TRUE(snapshot);
    EXPECT_TRUE(snapshot->isEmpty());
}

TEST_F(ContextCaptureTest, OneReplacementCharacterTrimmedAtEachEnd) {
    EXPECT_EQ(ContextCapture::trimReplacementCharacters(QStringLiteral("\uFFFD\uFFFDab\uFFFDc\uFFFD")),
              QStringLiteral("\uFFFDab\uFFFDc"));
    EXPECT_EQ(ContextCapture::trimReplacementCharacters(QStringLiteral("\uFFFD")), QString());
    EXPECT_EQ(ContextCapture::characterCount(QStringLiteral("👨‍👩‍👧あa")), 3);
}

TEST_F(ContextCaptureTest, CaptureRunsOffTheCallerAndAnswersOnItsQueue) {
    field(QStringLiteral("hello"), {5, 0});
    std::promise<std::optional<ContextCapture::Snapshot>> answer;
    const auto caller = std::this_thread::get_id();
    std::thread::id answeredOn;
    capture.capture(77, [&](std::optional<ContextCapture::Snapshot> s) {
        answeredOn = std::this_thread::get_id();
        answer.set_value(std::move(s));
    });
    auto snapshot = answer.get_future().get();
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->before, QStringLiteral("hello"));
    EXPECT_TRUE(answeredOn != caller);
}

TEST_F(ContextCaptureTest, SlowApplicationDoesNotBlockTheCaller) {
    field(QStringLiteral("x"), {0, 0});
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    accessibility.onFocusedElement = [&](qint32) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return release; });
    };
    std::promise<bool> done;
    QElapsedTimer timer;
    timer.start();
    capture.capture(77, [&](std::optional<ContextCapture::Snapshot> s) { done.set_value(s.has_value()); });
    EXPECT_LT(timer.elapsed(), 100);  // returned at once although the application hangs
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    EXPECT_TRUE(done.get_future().get());
}

// An application counting code points answers 2000 offsets with up to 4000 UTF-16 units.
TEST_F(ContextCaptureTest, ReadsInCodePointsAreCutTo2000UnitsWithoutSplittingAPair) {
    auto element = field(digits(5000), {2500, 0});
    QString read = QStringLiteral("a");
    for (int i = 0; i < 1500; ++i) read += QStringLiteral("😀");
    element->replaceReadWith = read;
    auto snapshot = capture.captureSync(77);
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->before, read.right(2000));
    EXPECT_EQ(snapshot->after, read.left(1999));
}

}  // namespace
