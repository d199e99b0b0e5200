#pragma once

#include "settings/screens/PlainPage.h"

#include <QList>

class BetaSettingsModel;
class Row;
class SettingsNav;
class ToggleRow;
struct ScreenContext;

// The screen "テキストの出力": rows that open the output pages (quality, language, cleanup style,
// newlines, vocabulary, occupation, corrections), each showing the current value, and the two switches of what
// happens after an insertion. The values follow the model.
class TextContent : public PlainPage {
    Q_OBJECT
public:
    // Model and navigation must outlive the screen.
    TextContent(BetaSettingsModel& model, SettingsNav& nav, QWidget* parent = nullptr);

    // The rows: quality, output language, cleanup style, newlines, vocabulary, corrections, and the
    // occupation (shown between vocabulary and corrections).
    const QList<Row*>& rows() const { return rows_; }
    // The switches: correction bar, keep the inserted text on the clipboard.
    const QList<ToggleRow*>& toggles() const { return toggles_; }

private:
    void refresh();

    BetaSettingsModel& model_;
    QList<Row*> rows_;
    QList<ToggleRow*> toggles_;
};

QWidget* makeTextScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext& context);
