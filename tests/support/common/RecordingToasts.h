#pragma once

#include "core/Toast.h"

#include <QList>
#include <QStringList>

// A toast presenter that notes every toast instead of showing it.
struct RecordingToasts final : ToastPresenter {
    struct Shown {
        QString message;
        std::optional<QPointF> at;
        double seconds;
    };
    QList<Shown> shown;
    void show(const QString& message, std::optional<QPointF> at, double seconds) override {
        shown.append({message, at, seconds});
    }
    QStringList messages() const {
        QStringList texts;
        for (const Shown& s : shown) texts.append(s.message);
        return texts;
    }
};
