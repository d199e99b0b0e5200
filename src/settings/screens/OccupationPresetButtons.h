#pragma once

#include "settings/BetaSettingsModel.h"

#include <QList>
#include <QWidget>

class PaletteLabel;
class QPushButton;

// The block of the vocabulary editor that adds an occupation's common terms: a heading, one small
// button per occupation in a grid of as many columns as fit (at least 98 wide, 6 apart), and the
// model's notice in red while it says something (all terms present, or the 300-character limit).
// The words are added by the model as an unsaved edit of the vocabulary.
class OccupationPresetButtons : public QWidget {
    Q_OBJECT
public:
    // The model must outlive the block.
    explicit OccupationPresetButtons(BetaSettingsModel& model, QWidget* parent = nullptr);
    ~OccupationPresetButtons() override;

    // One button per preset, in the presets' order.
    const QList<QPushButton*>& buttons() const { return buttons_; }
    PaletteLabel* notice() const { return notice_; }
    // The columns of the grid at its current width.
    int columnCount() const;

    // The columns that fit into a width.
    static int columnsForWidth(int width);
    // The title of a preset's button: its label, or the key itself when it has none.
    static QString buttonTitle(const QString& key);

    static constexpr int kMinimumColumnWidth = 98;
    static constexpr int kSpacing = 6;

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    BetaSettingsModel& model_;
    BetaSettingsModel::ObserverId observer_ = 0;
    QWidget* grid_ = nullptr;
    QList<QPushButton*> buttons_;
    PaletteLabel* notice_ = nullptr;
};
