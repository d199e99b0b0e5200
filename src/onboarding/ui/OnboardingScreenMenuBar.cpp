#include "onboarding/ui/OnboardingScreenMenuBar.h"

#include "core/AppPrefs.h"
#include "onboarding/ui/OnboardingItemRow.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingMenuBarMockView.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "onboarding/ui/OnboardingV2Window.h"
#include "platform/Defaults.h"
#include "platform/SystemInfo.h"
#include "settings/ui/SwitchToggle.h"

// Opening the computer (shown in the picture above the heading) is enough.
const QString OnboardingScreenMenuBar::kHeading = QStringLiteral("開いたら、いつでも。");

OnboardingScreenMenuBar::~OnboardingScreenMenuBar() { onLeave(); }

OnboardingScreenViews OnboardingScreenMenuBar::makeViews(OnboardingV2Window& window) {
    const OnboardingHost& host = window.host();
    const bool laptop = host.systemInfo && host.systemInfo->isLaptop();
    auto* mock = new OnboardingMenuBarMockView(384, laptop, host.statusIconImage ? host.statusIconImage() : QImage());

    auto* toggle = new SwitchToggle;
    toggle->setCheckable(true);
    toggle->setChecked(AppPrefs::launchAtLogin());
    toggle->resize(toggle->sizeHint());
    const OnboardingHost::Action apply = host.applyLaunchAtLogin;
    QObject::connect(toggle, &SwitchToggle::toggled, toggle, [apply](bool on) {
        AppPrefs::defaults().set(QStringLiteral("launchAtLogin"), on);
        OnboardingHost::call(apply);
    });
    switch_ = toggle;
    auto* row = new OnboardingItemRow(QString(), QStringLiteral("起動時に自動でひらく"), QString(), toggle, 384);
    return {{mock},
            kHeading,
            {row, onboardingBodyLabel(QStringLiteral("上のアイコンから、いつでも設定できます。"), 12, QFont::Normal,
                                      OnboardingV2Palette::tertiaryText())}};
}

void OnboardingScreenMenuBar::onShow(OnboardingV2Window& window) {
    windowRef_ = &window;
    if (window.isPreview()) return;
    stopPulse_ = window.host().stopStatusIconBlink;
    pulsing_ = true;
    OnboardingHost::call(window.host().startStatusIconBlink);
}

void OnboardingScreenMenuBar::onLeave() {
    if (!pulsing_) return;
    pulsing_ = false;
    OnboardingHost::call(stopPulse_);
}
