#pragma once

#include <QList>
#include <QWidget>
#include <optional>

class PaletteLabel;
class QVBoxLayout;

// A rounded card that groups rows under an optional small heading. The rows touch: the screen puts
// a RowLine between two neighbours; the group draws no dividers itself.
class RowGroup : public QWidget {
    Q_OBJECT
public:
    explicit RowGroup(std::optional<QString> header = std::nullopt, const QList<QWidget*>& content = {},
                      QWidget* parent = nullptr);

    // Appends a row (or a divider) to the card.
    void add(QWidget* widget);
    // Appends rows with a RowLine between each two.
    void addRows(const QList<QWidget*>& rows);
    // The heading; null without one.
    PaletteLabel* header() const { return header_; }
    QWidget* card() const { return card_; }

private:
    PaletteLabel* header_ = nullptr;
    QWidget* card_ = nullptr;
    QVBoxLayout* cardLayout_ = nullptr;
};
