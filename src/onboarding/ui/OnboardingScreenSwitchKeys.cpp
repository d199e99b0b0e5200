#include "onboarding/ui/OnboardingScreenSwitchKeys.h"

#include "core/AppPrefs.h"
#include "onboarding/ui/OnboardingChipView.h"
#include "onboarding/ui/OnboardingLabel.h"
#include "onboarding/ui/OnboardingMiniKeycap.h"
#include "onboarding/ui/OnboardingSwitchKeyCard.h"
#include "onboarding/ui/OnboardingSwitchKeyDiagram.h"
#include "onboarding/ui/OnboardingV2Palette.h"

namespace {

QList<OnboardingChipView*> makeChips(const QStringList& titles, int on, const QColor& color) {
    QList<OnboardingChipView*> chips;
    for (int i = 0; i < titles.size(); ++i) chips << new OnboardingChipView(titles[i], i == on, color);
    return chips;
}

}  // namespace

OnboardingScreenViews OnboardingScreenSwitchKeys::makeViews(OnboardingV2Window&) {
    demo_.stop();
    const QColor qualityTint = OnboardingV2Palette::accent();
    const QColor styleTint = OnboardingV2Palette::green();

    QLabel* caption = onboardingBodyLabel(
        AppPrefs::triggerKeyName() + QStringLiteral(" を押したまま矢印キーを押すと、録音中に切りかえられます。"), 13,
        QFont::Normal, OnboardingV2Palette::secondaryText());
    auto* diagram = new OnboardingSwitchKeyDiagram(qualityTint, styleTint, 384);
    upKey_ = diagram->upKey();
    rightKey_ = diagram->rightKey();

    const QList<OnboardingChipView*> quality =
        makeChips({QStringLiteral("Low"), QStringLiteral("High"), QStringLiteral("Max")}, 1, OnboardingV2Palette::accent());
    auto* qualityCard = new OnboardingSwitchKeyCard({QStringLiteral("↑"), QStringLiteral("↓")}, qualityTint,
                                                    QStringLiteral("品質を切りかえ"),
                                                    QStringLiteral("High・Max は正確さが上がり、文章も整います。"),
                                                    quality, 384);
    const QList<OnboardingChipView*> style = makeChips(
        {QStringLiteral("上司に"), QStringLiteral("友だちに"), QStringLiteral("そのまま")}, 0, styleTint);
    auto* styleCard = new OnboardingSwitchKeyCard(
        {QStringLiteral("←"), QStringLiteral("→")}, styleTint, QStringLiteral("整えかたを切りかえ"),
        QStringLiteral("同じ話でも、上司向け・友だち向け・話したまま、で言い回しや語尾が変わります。"), style, 384);
    qualityChips_.clear();
    styleChips_.clear();
    for (OnboardingChipView* chip : quality) qualityChips_ << chip;
    for (OnboardingChipView* chip : style) styleChips_ << chip;
    return {{}, QStringLiteral("押しながら、えらぶ。"), {caption, diagram, qualityCard, styleCard}};
}

void OnboardingScreenSwitchKeys::onShow(OnboardingV2Window&) {
    demo_.onQualityStep = [this](int chip) {
        if (upKey_) upKey_->press();
        light(qualityChips_, chip);
    };
    demo_.onStyleStep = [this](int chip) {
        if (rightKey_) rightKey_->press();
        light(styleChips_, chip);
    };
    demo_.start();
}

void OnboardingScreenSwitchKeys::onLeave() { demo_.stop(); }

void OnboardingScreenSwitchKeys::light(const QList<QPointer<OnboardingChipView>>& chips, int on) {
    for (int i = 0; i < chips.size(); ++i)
        if (chips[i]) chips[i]->setIsOn(i == on);
}

QList<OnboardingChipView*> OnboardingScreenSwitchKeys::unwrap(const QList<QPointer<OnboardingChipView>>& chips) {
    QList<OnboardingChipView*> list;
    for (const auto& chip : chips) list << chip.data();
    return list;
}
