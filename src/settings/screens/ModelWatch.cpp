#include "settings/screens/ModelWatch.h"

#include <QObject>

namespace {

// A child of the owner that holds the observation; it ends it when the owner deletes its children.
class ModelObservation : public QObject {
public:
    ModelObservation(QObject* owner, BetaSettingsModel& model, std::function<void()> refresh)
        : QObject(owner), model_(model) {
        id_ = model_.observe([refresh = std::move(refresh)](BetaSettingsModel::Property) {
            if (refresh) refresh();
        });
    }
    ~ModelObservation() override { model_.unobserve(id_); }

private:
    BetaSettingsModel& model_;
    BetaSettingsModel::ObserverId id_ = 0;
};

}  // namespace

void watchModel(QObject* owner, BetaSettingsModel& model, std::function<void()> refresh) {
    if (!owner) return;
    new ModelObservation(owner, model, std::move(refresh));
}
