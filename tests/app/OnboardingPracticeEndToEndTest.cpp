// The practice screen with the real application: the setup onboarding opens at the first launch,
// the pill is clicked through to the practice screen, XTest holds the trigger key while speech
// plays into the session's microphone, and the phrase lands in the practice bubble (read back over
// the accessibility bus) with the green success line on screen.
#include "Microphone.h"
#include "QuendleProcess.h"
#include "platform/linux/AtspiAccessibility.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

// Xlib's macros clash with Qt's names: last.
#include "../platform/X11TestDesktop.h"

namespace {

const QByteArray kTitle = QStringLiteral("Quendle のはじめ方").toUtf8();

// The text of the application's focused element when it is a multi-line field.
std::optional<QString> focusedFieldText(AtspiAccessibility& accessibility, qint64 pid) {
    std::shared_ptr<AccessibleElement> element = accessibility.focusedElement(qint32(pid), 1.0);
    if (!element || element->role() != AccessibleRole::TextArea) return std::nullopt;
    return element->stringForRange({0, element->characterCount().value_or(0)}).value_or(QString());
}

// Pixels of the success line's green in `window`.
int greenPixels(Display* display, Window window) {
    XImage* image = XGetImage(display, window, 0, 0, 440, 720, AllPlanes, ZPixmap);
    if (!image) return -1;
    int count = 0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const int r = int((pixel >> 16) & 0xff), g = int((pixel >> 8) & 0xff), b = int(pixel & 0xff);
            count += std::abs(r - 110) < 24 && std::abs(g - 231) < 24 && std::abs(b - 183) < 24;
        }
    }
    XDestroyImage(image);
    return count;
}

TEST(OnboardingPracticeEndToEnd, DictatedPhraseLandsInThePracticeBubble) {
    QUENDLE_REQUIRE_SESSION();
    XKeyboardLock lock;
    XTestKeyboard keyboard;
    XTestPointer pointer;
    ASSERT_TRUE(keyboard.ok() && pointer.ok());
    AtspiAccessibility accessibility;

    QuendleProcess quendle({{"qualityLevel", "low"}, {"spokenLanguage", "en"}, {"triggerKeyCode", 60LL},
                            {"launchAtLogin", false}, {"correctionBar", false}},
                           QuendleLaunch{false, nullptr});
    Window window = 0;
    ASSERT_TRUE(pumpUntil([&] { return (window = pointer.find(kTitle)) != 0; }, 15000));

    // Clicks on the pill that fall into a screen's reveal are ignored: click until the practice
    // screen has put the focus in its bubble.
    QElapsedTimer walk;
    walk.start();
    while (!focusedFieldText(accessibility, quendle.pid()) && walk.elapsed() < 60000) {
        pointer.click(window, 220, 720 - 56 - 23);
        pumpUntil([] { return false; }, 400);
    }
    ASSERT_EQ(focusedFieldText(accessibility, quendle.pid()), QString());
    EXPECT_LT(greenPixels(keyboard.display(), window), 10);  // no success line yet

    // The practice screen has started monitoring on its own.
    ASSERT_TRUE(quendle.waitForLog(QStringLiteral("見張り開始: 成功")));
    const QVector<int16_t> speech = Microphone::speak(QStringLiteral("what time is it"));
    ASSERT_FALSE(speech.isEmpty());
    const int shiftR = keyboard.code(XK_Shift_R);
    ASSERT_TRUE(speakWhileHolding(quendle, speech, [&](bool down) { keyboard.key(shiftR, down); }));
    EXPECT_TRUE(pumpUntil(
        [&] { return focusedFieldText(accessibility, quendle.pid()) == QStringLiteral("what time is it"); }, 20000))
        << focusedFieldText(accessibility, quendle.pid()).value_or(QStringLiteral("(no field)")).toStdString();
    EXPECT_TRUE(pumpUntil([&] { return greenPixels(keyboard.display(), window) > 20; }, 3000));
}

}  // namespace
