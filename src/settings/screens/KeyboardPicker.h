#pragma once

#include "core/AppPrefs.h"
#include "settings/BetaSettingsModel.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>
#include <optional>

class KeyCapButton;
class PaletteLabel;

// The trigger key chosen on a drawing of the user's keyboard (JIS, ISO or ANSI rows, by the layout
// the desktop reports through AppPrefs::keyboardLayout()). Keys that may serve as the trigger key
// (F1–F12 among them: on a PC keyboard they are ordinary keys) are green, everything else is
// greyed; the current trigger key is filled green. A tap on a green key selects it through the
// model; a tap on any other key explains in the notice box under the legend why it cannot be used.
// The modifier caps carry the PC keys' names (Ctrl, Alt, Super; the Menu key stands where the fn
// key is).
//
// The picker keeps only its notice; the key classes and the current key follow the model and the
// layout whenever it is drawn. The model must outlive the picker.
class KeyboardPicker : public QWidget {
    Q_OBJECT
public:
    struct Cap {
        QString label;
        std::optional<int> keyCode;  // absent for keys that type characters, the arrows, the blank key
        double width = 1.0;          // in key units; a letter key is 1
    };
    enum class Availability { selectable, unselectable };
    using Layout = AppPrefs::KeyboardLayout;

    // `recommendedKeyCode`: the key that carries the recommended dot (the onboarding passes one,
    // the settings screen none).
    explicit KeyboardPicker(BetaSettingsModel& model, std::optional<int> recommendedKeyCode = std::nullopt,
                            QWidget* parent = nullptr);
    ~KeyboardPicker() override;

    // Draws for a dark background whatever the desktop's appearance (the onboarding window is
    // always dark); otherwise the picker follows the desktop's palette.
    void setDarkBackground(bool dark);
    // The plain label colour and the secondary text colour the picker draws with.
    QColor labelColor() const;
    QColor secondaryColor() const;

    // ---- the drawing's facts (pure)
    // The six rows of a layout, each adding up to 15 key units.
    static const QList<QList<Cap>>& rows(Layout layout);
    // Reads the allowed trigger keys afresh.
    static Availability availability(const Cap& cap);
    static QString refusalText(std::optional<int> keyCode);
    static QString keyboardName(Layout layout);
    // The width of one key unit for the width available: a fifteenth of it, never below 1.
    static double keyUnit(double availableWidth);
    static QColor green();

    static constexpr int kKeyboardHeight = 171;
    static constexpr int kCapHeight = 26;
    static constexpr int kGap = 3;

    // ---- state and actions
    BetaSettingsModel& model() const { return model_; }
    std::optional<int> recommendedKeyCode() const { return recommendedKeyCode_; }
    const std::optional<QString>& notice() const { return notice_; }
    // The layout the caps were built for.
    Layout layout() const { return layout_; }

    // What a tap on a key does.
    void tap(const Cap& cap);

    // The cap of a key button, and what it looks like now.
    const Cap& cap(int row, int index) const;
    bool isCurrentKey(const Cap& cap) const;
    bool showsRecommendedDot(const Cap& cap) const;
    QString toolTipFor(const Cap& cap) const;

    // The widgets, for the screens around and for checks.
    QList<KeyCapButton*> capButtons() const { return caps_; }
    // The first cap with this label (in row order); null when none.
    KeyCapButton* capButton(const QString& label) const;
    QWidget* keyboardArea() const { return keyboard_; }
    QWidget* noticeBox() const { return noticeBox_; }
    PaletteLabel* noticeLabel() const { return noticeText_; }
    PaletteLabel* keyboardNameLabel() const { return keyboardName_; }

    // Rebuilds the caps when the layout changed and redraws everything.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildCaps();
    void placeCaps();
    void showNotice();

    BetaSettingsModel& model_;
    std::optional<int> recommendedKeyCode_;
    BetaSettingsModel::ObserverId observer_ = 0;
    bool darkBackground_ = false;

    std::optional<QString> notice_;

    Layout layout_ = Layout::ANSI;
    QWidget* keyboard_ = nullptr;
    QList<KeyCapButton*> caps_;
    PaletteLabel* keyboardName_ = nullptr;
    QWidget* noticeBox_ = nullptr;
    PaletteLabel* noticeText_ = nullptr;
};

// One key of the drawn keyboard. It keeps its own cap (a key of an earlier layout stays itself
// until it is gone), paints itself from the picker's current state (class, current key,
// recommended dot) every time it is drawn, and asks the picker for its tooltip when one is due.
class KeyCapButton : public QAbstractButton {
    Q_OBJECT
public:
    KeyCapButton(KeyboardPicker& picker, int row, int index, QWidget* parent = nullptr);

    int row() const { return row_; }
    int index() const { return index_; }
    QString label() const;
    std::optional<int> keyCode() const;
    // The tooltip for the key's class right now.
    QString currentToolTip() const;
    // The label's pixel size before any shrinking (10 for up to two characters, 8.5 otherwise).
    double labelPixelSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    KeyboardPicker& picker_;
    int row_;
    int index_;
    KeyboardPicker::Cap cap_;
};
