#pragma once

#include "settings/ui/Binding.h"

#include <QList>
#include <QString>
#include <QWidget>

class QAbstractButton;
class QHBoxLayout;

// A row of segments of which at most one is chosen, bound to a string setting: each segment shows
// a name and stands for a stored value. The chosen segment is the one whose value the binding
// reads; a value that no segment has leaves every segment unchosen. Clicking a segment other than
// the chosen one writes its value through the binding and reads the binding back, so a setter that
// maps the value shows at once. A disabled picker takes no clicks and is drawn faded.
class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    struct Segment {
        QString name;
        QString value;
        bool operator==(const Segment&) const = default;
    };

    SegmentedPicker(QList<Segment> segments, Binding<QString> selection, QWidget* parent = nullptr);

    const QList<Segment>& segments() const { return segments_; }
    // Replaces the segments when they differ (the offered choices may change with other settings).
    void setSegments(const QList<Segment>& segments);
    // Reads the binding again (call when the model changed).
    void refresh();

    // The value of the chosen segment; empty when none is chosen.
    QString selectedValue() const;
    // Index of the chosen segment, or -1.
    int selectedIndex() const { return selected_; }
    // The segment's button (for tests and accessibility), or null for an index out of range.
    QAbstractButton* segmentButton(int index) const;

    static constexpr int kHeight = 28;
    static constexpr double kRadius = 7.0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuild();
    void choose(int index);

    QList<Segment> segments_;
    Binding<QString> selection_;
    QList<QAbstractButton*> buttons_;
    QHBoxLayout* layout_ = nullptr;
    int selected_ = -1;
};
