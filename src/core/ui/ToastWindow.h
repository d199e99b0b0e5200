#pragma once

#include "core/Toast.h"

#include <QPointer>
#include <QWidget>

// The toast: a borderless, click-through window that never takes the focus (a focused toast
// would send the next paste to the wrong window).
class ToastWindow final : public ToastPresenter {
public:
    void show(const QString& message, std::optional<QPointF> at, double seconds) override;
    QWidget* current() const { return current_; }

private:
    void dismiss(QWidget* window);
    QPointer<QWidget> current_;
};
