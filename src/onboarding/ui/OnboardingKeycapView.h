#pragma once

#include "platform/MainQueue.h"

#include <QString>
#include <QWidget>

class QLabel;

// A large drawn key: the key's name, the shift symbol for the shift keys, and either a fixed
// pressed position or a press loop (rests up 2.9 s, goes down in 0.3 s, stays down 1.2 s, comes
// back up in 0.6 s, every 5 s). The press moves the whole view down within its parent, as a key
// sinks; the owner positions it as usual.
class OnboardingKeycapView : public QWidget {
    Q_OBJECT
public:
    OnboardingKeycapView(bool pressed, bool animated, bool compact, const QString& label, int keyCode,
                         QWidget* parent = nullptr);
    ~OnboardingKeycapView() override;

    // "⇧" for the shift keys (by virtual key code), else empty.
    static QString modifierSymbol(int keyCode);

    // How far (points, downwards) the key sits below its place at `uptime`.
    double pressOffset(double uptime) const;
    QLabel* symbolLabel() const { return symbol_; }
    QLabel* textLabel() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void applyOffset();

    bool pressed_;
    bool animated_;
    bool compact_;
    double depth_;
    double started_;
    QLabel* symbol_ = nullptr;
    QLabel* text_ = nullptr;
    MainQueue::TimerId frameTimer_ = 0;
    int applied_ = 0;        // offset the current position includes
    bool movingSelf_ = false;
};
