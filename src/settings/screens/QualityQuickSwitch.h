#pragma once

#include "settings/BetaSettingsModel.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

// One segment of the quick switch: the level's title, filled when it is the stored level. The
// whole segment takes the click.
class QualitySegment : public QAbstractButton {
    Q_OBJECT
public:
    QualitySegment(const QString& title, const QString& key, QWidget* parent = nullptr);

    QString key() const { return key_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    QColor textColor() const;
    QColor fillColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString key_;
    bool selected_ = false;
};

// The segmented control at the top of the settings: the output quality, "Low" (on the device
// only) or "Max". The middle level is never offered here; while it is stored neither segment is
// marked. A click stores the level through the model (which logs it and tells the shell), also
// when it is already the stored one.
class QualityQuickSwitch : public QWidget {
    Q_OBJECT
public:
    // The model must outlive the switch.
    explicit QualityQuickSwitch(BetaSettingsModel& model, QWidget* parent = nullptr);

    const QList<QualitySegment*>& segments() const { return segments_; }
    // Marks the segment of the model's level again.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    BetaSettingsModel& model_;
    QList<QualitySegment*> segments_;
};
