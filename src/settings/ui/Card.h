#pragma once

#include <QWidget>
#include <optional>

class PaletteLabel;

// A heading (title and an optional line under it) over a padded, rounded content area.
class Card : public QWidget {
    Q_OBJECT
public:
    Card(const QString& title, std::optional<QString> subtitle, QWidget* content, QWidget* parent = nullptr);

    QWidget* content() const { return content_; }
    // Null without a subtitle.
    PaletteLabel* subtitleLabel() const { return subtitle_; }

private:
    QWidget* content_ = nullptr;
    PaletteLabel* subtitle_ = nullptr;
};
