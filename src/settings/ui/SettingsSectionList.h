#pragma once

#include "settings/BetaSettingsModel.h"

#include <QScrollArea>

class Row;
class SettingsNav;

// The root page's list of sections, shown until the full root screen is built: the corrections,
// then speech input, text output and the other features, each row with its current value, each
// opening its screen.
class SettingsSectionList : public QScrollArea {
    Q_OBJECT
public:
    // Model and navigation must outlive the list.
    SettingsSectionList(BetaSettingsModel& model, SettingsNav& nav, QWidget* parent = nullptr);
    ~SettingsSectionList() override;

    // The rows, in order: corrections, speech input, text output, other features.
    QList<Row*> rows() const { return rows_; }

private:
    void refresh();

    BetaSettingsModel& model_;
    BetaSettingsModel::ObserverId observer_ = 0;
    QList<Row*> rows_;
};
