#include "onboarding/ui/OnboardingScreenPractice.h"

#include "core/AppPrefs.h"
#include "onboarding/ui/OnboardingBubbleTextView.h"
#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingHoldStyleCards.h"
#include "onboarding/ui/OnboardingKeycapView.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingStackView.h"
#include "onboarding/ui/OnboardingTextFade.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "onboarding/ui/OnboardingV2Window.h"
#include "onboarding/ui/OnboardingWritingView.h"  // the window keeps one
#include "onboarding/ui/OnboardingWaveformView.h"
#include "settings/BetaSettingsModel.h"

#include <QLabel>
#include <QPlainTextEdit>

namespace {
const char16_t kSentence[] = u"おはようございます。今日もよろしくお願いします。";
}  // namespace

OnboardingScreenPractice::~OnboardingScreenPractice() { detach(); }

OnboardingScreenViews OnboardingScreenPractice::makeViews(OnboardingV2Window& window) {
    detach();
    const QString keyName = AppPrefs::triggerKeyName();
    auto* keycap = new OnboardingKeycapView(true, false, false, keyName, AppPrefs::triggerKeyCode());
    auto* waveform = new OnboardingWaveformView(11, 132);
    auto* bubble = new OnboardingBubbleTextView(340, 72);
    const QColor green = OnboardingV2Palette::green();
    QLabel* done = onboardingBodyLabel(QStringLiteral("入りました 🎉"), 14, QFont::Normal, green);
    auto* fade = new OnboardingTextFade(done, green, 0);
    auto* stack = new OnboardingStackView({keycap, waveform, bubble, done}, 12, 384);
    bubble_ = bubble;
    doneLabel_ = done;
    doneFade_ = fade;
    if (window.isPreview()) {
        // The finished state.
        bubble->textView()->setPlainText(QString::fromUtf16(kSentence));
        fade->fadeTo(1, 0);
    } else {
        // Out of sight until the first text lands.
        done->hide();
    }
    textChanged_ = QObject::connect(bubble->textView(), &QPlainTextEdit::textChanged, bubble,
                                    [this] { checkSuccess(); });

    QLabel* instruction = onboardingBodyLabel(
        QStringLiteral("では、") + keyName + QStringLiteral(" を押しながら、下の文を読んでみてください。離すと入ります。"), 13,
        QFont::Normal, OnboardingV2Palette::secondaryText());
    QLabel* sentence = onboardingBodyLabel(QStringLiteral("「") + QString::fromUtf16(kSentence) + QStringLiteral("」"), 14,
                                           QFont::Normal, OnboardingV2Palette::secondaryText());

    // The cards' model: a change of hold style rewires the trigger key at once.
    SettingsActions actions;
    actions.settingsChanged = [target = QPointer<OnboardingV2Window>(&window)] {
        if (target) OnboardingHost::call(target->host().startMonitoring);
    };
    model_ = std::make_shared<BetaSettingsModel>(actions);
    auto* cards = new OnboardingHoldStyleCards(model_, 384, 92);

    QLabel* hint = onboardingBodyLabel(
        QStringLiteral("録音中は ↑↓ で品質（Low / High / Max）、←→ で整えかたを切りかえられます。"), 12, QFont::Normal,
        OnboardingV2Palette::tertiaryText());
    return {{stack}, QStringLiteral("ためしに、ひとこと。"), {instruction, sentence, cards, hint}};
}

void OnboardingScreenPractice::onShow(OnboardingV2Window& window) {
    if (window.isPreview()) return;
    const OnboardingHost& host = window.host();
    const bool monitoring = host.isMonitoring && host.isMonitoring();
    const bool trusted = host.isAccessibilityTrusted && host.isAccessibilityTrusted();
    if (!monitoring && trusted) OnboardingHost::call(host.startMonitoring);
    if (bubble_) bubble_->textView()->setFocus(Qt::OtherFocusReason);
}

void OnboardingScreenPractice::onLeave() { detach(); }

void OnboardingScreenPractice::detach() {
    QObject::disconnect(textChanged_);
    textChanged_ = {};
}

void OnboardingScreenPractice::checkSuccess() {
    if (!bubble_ || !doneLabel_ || !doneFade_) return;
    if (bubble_->textView()->toPlainText().isEmpty()) return;
    // Once shown it stays, also when the text is cleared again.
    doneLabel_->show();
    if (doneFade_->opacity() < 1 && !doneFade_->isFading()) doneFade_->fadeTo(1, kSuccessFadeSeconds);
}
