#pragma once

#include "textio/CorrectionBar.h"

#include <QFont>
#include <QList>
#include <QPointer>

class QLineEdit;
class QWidget;
class CorrectionBarWidget;

// The correction bar's window: a small dark floating window with the chips, then the two fields.
//
// It is an unmanaged (override-redirect) window, so no window manager gives it the focus or moves
// it: while it shows the chips it refuses the keyboard focus (the text field the user dictated
// into keeps typing); once a word is picked it accepts the focus and sets the X input focus to
// itself, so the user can type. A focus that leaves it afterwards (a click into another window
// under a window manager) closes it. Clicks on the desktop outside it arrive through
// CorrectionBar::pointerPressed from the pointer-button watch.
class CorrectionBarWindow final : public CorrectionBar {
public:
    static constexpr double kFadeIn = 0.12;
    static constexpr double kFieldWidth = 140;
    static constexpr double kFieldHeight = 22;
    static constexpr double kEditGap = 8;

    explicit CorrectionBarWindow(Services services);
    ~CorrectionBarWindow() override;

    // ---- what the window shows, for tests
    QWidget* window() const;
    // The chips shown, in order.
    QList<QWidget*> chips() const;
    QString chipWord(const QWidget* chip) const;
    QLineEdit* wrongField() const;
    QLineEdit* rightField() const;
    // The key hint beside the fields, or why Return stored nothing.
    QString hintText() const;

protected:
    QSizeF layoutChipsView(const QStringList& words) override;
    QSizeF layoutEditorView(const QString& word) override;
    QSizeF layoutEditorNotice(const QString& message) override;
    void presentView(const QRectF& frame) override;
    void focusEditorView() override;
    void closeView() override;
    bool viewHasFocus() const override;

private:
    friend class CorrectionBarWidget;
    CorrectionBarWidget& ensureWidget();

    Screens& screens_;
    QPointer<CorrectionBarWidget> widget_;
    QFont titleFont_;
    QFont chipFont_;
    QFont fieldFont_;
    QFont hintFont_;
    QFont noticeFont_;
};
