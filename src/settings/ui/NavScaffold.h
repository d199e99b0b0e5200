#pragma once

#include <QWidget>
#include <functional>

class PaletteLabel;
class QAbstractButton;

// One page of the settings window: a header with the page's title (centred) and, below the root,
// a "戻る" button on the leading side; the screen's content directly below it, filling the rest.
class NavScaffold : public QWidget {
    Q_OBJECT
public:
    NavScaffold(const QString& title, bool showBack, std::function<void()> back, QWidget* content,
                QWidget* parent = nullptr);

    QString title() const;
    bool showsBack() const;
    void setShowBack(bool show);
    QAbstractButton* backButton() const { return backButton_; }
    QWidget* content() const { return content_; }
    PaletteLabel* titleLabel() const { return title_; }

    // The header: 56 high, with 46 above, 8 below and 16 at the sides.
    static constexpr int kHeaderHeight = 56;
    static constexpr int kHeaderTop = 46;
    static constexpr int kHeaderBottom = 8;
    static constexpr int kHeaderSide = 16;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    PaletteLabel* title_ = nullptr;
    QAbstractButton* backButton_ = nullptr;
    QWidget* content_ = nullptr;
};
