#include "onboarding/ui/OnboardingScreenTriggerKey.h"

#include "core/AppPrefs.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "onboarding/ui/OnboardingV2Window.h"
#include "settings/BetaSettingsModel.h"
#include "settings/SettingsActions.h"
#include "settings/screens/KeyboardPicker.h"

#include <QPointer>
#include <QVBoxLayout>

namespace {

// The picker in a 384 × 272 frame that owns the picker's model and outlives the picker.
class PickerFrame : public QWidget {
public:
    PickerFrame(std::shared_ptr<BetaSettingsModel> model, int recommended)
        : model(std::move(model)) {
        setFixedSize(384, 272);
        setAttribute(Qt::WA_TranslucentBackground);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        picker_ = new KeyboardPicker(*this->model, recommended);
        picker_->setDarkBackground(true);  // the onboarding window is dark on any desktop
        column->addWidget(picker_, 0, Qt::AlignCenter);
    }
    ~PickerFrame() override { delete picker_; }

    std::shared_ptr<BetaSettingsModel> model;

private:
    KeyboardPicker* picker_;
};

}  // namespace

OnboardingScreenTriggerKey::OnboardingScreenTriggerKey() = default;
OnboardingScreenTriggerKey::~OnboardingScreenTriggerKey() = default;

int OnboardingScreenTriggerKey::recommendedKeyCode() {
    if (AppPrefs::isFirstRun()) return 60;
    return AppPrefs::keyboardLayout() == AppPrefs::KeyboardLayout::JIS ? 63 : 61;
}

OnboardingScreenViews OnboardingScreenTriggerKey::makeViews(OnboardingV2Window& window) {
    QPointer<OnboardingV2Window> windowRef(&window);
    SettingsActions actions;
    actions.settingsChanged = [windowRef] {
        if (windowRef) OnboardingHost::call(windowRef->host().startMonitoring);
    };
    // A fresh model on every visit: it reads the key saved meanwhile.
    auto* frame = new PickerFrame(std::make_shared<BetaSettingsModel>(actions), recommendedKeyCode());
    model_ = frame->model;
    return {{},
            QStringLiteral("押しながら話すキーを、えらぶ。"),
            {onboardingBodyLabel(QStringLiteral("話すときに押すキーを、ここで決めます。あとから設定でいつでも変えられます。"),
                                 13, QFont::Normal, OnboardingV2Palette::secondaryText()),
             frame,
             onboardingBodyLabel(QStringLiteral("右シフトをよく使う方は、右Superや右Altがおすすめです。"), 12,
                                 QFont::Normal, OnboardingV2Palette::tertiaryText())}};
}
