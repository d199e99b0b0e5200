#pragma once

#include "settings/BetaSettingsModel.h"

#include <QWidget>

#include <memory>

class QAbstractButton;

// The two hold-style cards of the practice screen: 「押している間だけ」 (hold to talk) and
// 「押して開始・停止」 (press to start and stop). A tap writes `holdToTalk` through the model at
// once; the selection follows the model. The cards keep the model alive while they show.
class OnboardingHoldStyleCards : public QWidget {
    Q_OBJECT
public:
    OnboardingHoldStyleCards(std::shared_ptr<BetaSettingsModel> model, double width, double height,
                             QWidget* parent = nullptr);
    ~OnboardingHoldStyleCards() override;

    // 0: hold to talk, 1: press to start and stop.
    QAbstractButton* card(int index) const;

private:
    std::shared_ptr<BetaSettingsModel> model_;
    BetaSettingsModel::ObserverId observer_ = 0;
    QAbstractButton* cards_[2] = {nullptr, nullptr};
};
