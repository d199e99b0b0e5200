#pragma once

#include <QAbstractButton>
#include <QPointer>

class PaletteLabel;

// The small information mark after a row's title. Hovering it shows its text as a tooltip (wrapped);
// a click opens a popover with the same text above the mark (its arrow on the bottom edge), which
// stays until the mark is clicked again, a press lands anywhere else or the mark goes out of view.
// The popover never takes the keyboard, so the settings window stays key.
class InfoMark : public QAbstractButton {
    Q_OBJECT
public:
    explicit InfoMark(const QString& text, QWidget* parent = nullptr);
    ~InfoMark() override;

    QString explanation() const { return text_; }
    // Whether the popover is presented.
    bool shown() const { return shown_; }
    // The popover window while it exists (for placement and tests).
    QWidget* popover() const { return popover_; }

    // The widest the popover's text gets before it wraps.
    static constexpr int kPopoverTextWidth = 300;

    QSize sizeHint() const override { return {22, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setShown(bool shown);

    QString text_;
    bool shown_ = false;
    QPointer<QWidget> popover_;
};
