#pragma once

#include "settings/BetaSettingsModel.h"
#include "settings/screens/PlainPage.h"
#include "settings/screens/SegmentedPicker.h"

class InfoMark;
class Row;
class SettingsNav;
struct ScreenContext;

// The screen "その他の機能": two rows that open the editors of input-field clearing and screenshot
// paste (each showing its key, or "切" while the feature is off) and the copy-on-select mode, chosen
// here directly. Choosing a mode starts or stops copy-on-select at once (the model's setter does).
// The screen keeps no settings of its own and follows the model while it lives.
class ExtrasContent : public PlainPage {
    Q_OBJECT
public:
    // The model and the navigation must outlive the screen.
    ExtrasContent(BetaSettingsModel& model, SettingsNav& nav, QWidget* parent = nullptr);
    ~ExtrasContent() override;

    Row* bulkDeleteRow() const { return bulkDeleteRow_; }
    Row* screenshotPasteRow() const { return screenshotPasteRow_; }
    SegmentedPicker* copyOnSelectPicker() const { return copyOnSelectPicker_; }
    InfoMark* copyOnSelectInfo() const { return copyOnSelectInfo_; }

    // The copy-on-select modes in the order of the segments ("off" last).
    static const QList<SegmentedPicker::Segment>& copyOnSelectChoices();
    // A row's value: the key's label while the feature is on, "切" while it is off.
    static QString bulkDeleteValue(bool enabled, const QString& key);
    static QString screenshotPasteValue(bool enabled, const QString& key, int triggerKeyCode);

    void refresh();

private:
    BetaSettingsModel& model_;
    BetaSettingsModel::ObserverId observer_ = 0;
    Row* bulkDeleteRow_ = nullptr;
    Row* screenshotPasteRow_ = nullptr;
    SegmentedPicker* copyOnSelectPicker_ = nullptr;
    InfoMark* copyOnSelectInfo_ = nullptr;
};

QWidget* makeExtrasScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
