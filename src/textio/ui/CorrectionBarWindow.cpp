#include "textio/ui/CorrectionBarWindow.h"

#include "core/ui/WindowShape.h"
#include "platform/Screens.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPropertyAnimation>
#include <QWidget>
#include <QWindow>
#include <cmath>

namespace {

const QColor kMuted(169, 182, 211);
const QColor kChipText(245, 247, 255);
const QColor kNotice(255, 179, 64);

QFont font(int pixels, QFont::Weight weight) {
    QFont f(QStringLiteral("Noto Sans CJK JP"));
    f.setPixelSize(pixels);
    f.setWeight(weight);
    return f;
}

// One word: a rounded chip that lights up under the pointer and reports a press.
class WordChip final : public QWidget {
public:
    WordChip(const QString& word, const QFont& font, QWidget* parent, std::function<void()> onClick)
        : QWidget(parent), word_(word), onClick_(std::move(onClick)) {
        setFont(font);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
        const double label = QFontMetricsF(font).horizontalAdvance(word);
        resize(static_cast<int>(std::ceil(label)) + 16, static_cast<int>(CorrectionBar::kChipHeight));
    }
    const QString& word() const { return word_; }
    bool hovered() const { return hovered_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(QColor(255, 255, 255, qRound((hovered_ ? 0.4 : 0.16) * 255)), 1));
        p.setBrush(QColor(255, 255, 255, qRound((hovered_ ? 0.22 : 0.08) * 255)));
        p.drawRoundedRect(r, 11, 11);
        p.setPen(kChipText);
        p.drawText(rect(), Qt::AlignCenter, word_);
    }
    void enterEvent(QEnterEvent*) override {
        hovered_ = true;
        update();
    }
    void leaveEvent(QEvent*) override {
        hovered_ = false;
        update();
    }
    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        if (event->button() == Qt::LeftButton && onClick_) onClick_();
    }

private:
    QString word_;
    std::function<void()> onClick_;
    bool hovered_ = false;
};

}  // namespace

// The top-level window: the dark glass behind the row; reports the pointer, Esc and the focus.
class CorrectionBarWidget final : public QWidget {
public:
    explicit CorrectionBarWidget(CorrectionBarWindow& owner) : owner_(owner) {
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                       Qt::X11BypassWindowManagerHint);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TranslucentBackground);
        setFocusPolicy(Qt::NoFocus);
        setWindowTitle(QStringLiteral("Quendle Correction Bar"));
        WindowShape::keep(this, WindowShape::rounded(12));
    }

    void clearRow() {
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            child->hide();
            child->deleteLater();
        }
        chips.clear();
        wrongField = nullptr;
        field = nullptr;
        hint = nullptr;
        row.clear();
    }

    // Lays the fields' row out left to right, each view centred vertically; the window's size.
    QSizeF arrangeRow() {
        int height = 0, width = 0;
        for (QWidget* v : std::as_const(row)) {
            height = std::max(height, v->height());
            width += v->width();
        }
        width += static_cast<int>((row.size() - 1) * CorrectionBarWindow::kEditGap);
        int x = static_cast<int>(CorrectionBar::kPadding);
        for (QWidget* v : std::as_const(row)) {
            v->move(x, static_cast<int>(CorrectionBar::kPadding) + (height - v->height()) / 2);
            v->show();
            x += v->width() + static_cast<int>(CorrectionBarWindow::kEditGap);
        }
        const QSizeF size(width + 2 * CorrectionBar::kPadding, height + 2 * CorrectionBar::kPadding);
        resize(size.toSize());
        return size;
    }

    QList<WordChip*> chips;
    QPointer<QLineEdit> wrongField;
    QPointer<QLineEdit> field;
    QPointer<QLabel> hint;  // the key hint, or why Return stored nothing
    QList<QWidget*> row;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(24, 24, 28, 225));
        p.drawRoundedRect(bounds, 12, 12);
        p.setPen(QPen(QColor(255, 255, 255, qRound(0.1 * 255)), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(bounds, 12, 12);
    }
    void enterEvent(QEnterEvent*) override { owner_.pointerEntered(); }
    void leaveEvent(QEvent*) override { owner_.pointerExited(); }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            event->accept();
            owner_.cancel();
            return;
        }
        QWidget::keyPressEvent(event);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Esc in a field closes the bar (the field itself would ignore it).
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            owner_.cancel();
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::ActivationChange) {
            if (isActiveWindow()) {
                hadFocus_ = true;
            } else if (hadFocus_) {
                hadFocus_ = false;
                owner_.focusLost();
            }
        }
        QWidget::changeEvent(event);
    }

private:
    friend class CorrectionBarWindow;
    CorrectionBarWindow& owner_;
    bool hadFocus_ = false;
};

CorrectionBarWindow::CorrectionBarWindow(Services services)
    : CorrectionBar(services),
      screens_(services.screens),
      titleFont_(font(11, QFont::DemiBold)),
      chipFont_(font(12, QFont::Medium)),
      fieldFont_(font(13, QFont::Normal)),
      hintFont_(font(10, QFont::Normal)),
      noticeFont_(font(11, QFont::DemiBold)) {}

CorrectionBarWindow::~CorrectionBarWindow() { delete widget_.data(); }

QWidget* CorrectionBarWindow::window() const { return widget_.data(); }

QList<QWidget*> CorrectionBarWindow::chips() const {
    QList<QWidget*> out;
    if (widget_)
        for (WordChip* chip : widget_->chips) out.append(chip);
    return out;
}

QString CorrectionBarWindow::chipWord(const QWidget* chip) const {
    const auto* c = dynamic_cast<const WordChip*>(chip);
    return c ? c->word() : QString();
}

QLineEdit* CorrectionBarWindow::wrongField() const { return widget_ ? widget_->wrongField.data() : nullptr; }
QLineEdit* CorrectionBarWindow::rightField() const { return widget_ ? widget_->field.data() : nullptr; }

CorrectionBarWidget& CorrectionBarWindow::ensureWidget() {
    if (!widget_) widget_ = new CorrectionBarWidget(*this);
    return *widget_;
}

QSizeF CorrectionBarWindow::layoutChipsView(const QStringList& words) {
    CorrectionBarWidget& w = ensureWidget();
    w.clearRow();
    auto* title = new QLabel(QStringLiteral("言い直しに追加"), &w);
    title->setFont(titleFont_);
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, kMuted);
    title->setPalette(palette);
    title->adjustSize();

    QList<QSizeF> sizes;
    for (const QString& word : words) {
        auto* chip = new WordChip(word, chipFont_, &w, [this, word] { chipClicked(word); });
        w.chips.append(chip);
        sizes.append(QSizeF(chip->size()));
    }
    const ChipLayout layout = layoutChips(QSizeF(title->size()), sizes);
    title->move(static_cast<int>(kPadding), static_cast<int>(kPadding));
    for (qsizetype i = 0; i < w.chips.size(); ++i) {
        if (i >= layout.chips.size()) {
            delete w.chips.at(i);  // beyond three lines
            continue;
        }
        const QRectF r = layout.chips.at(i).translated(kPadding, kPadding);
        w.chips.at(i)->move(qRound(r.x()), qRound(r.y()));
        w.chips.at(i)->show();
    }
    w.chips.resize(layout.chips.size());
    title->show();
    const QSizeF size(std::ceil(layout.size.width()) + 2 * kPadding, std::ceil(layout.size.height()) + 2 * kPadding);
    w.resize(size.toSize());
    return size;
}

QSizeF CorrectionBarWindow::layoutEditorView(const QString& word) {
    CorrectionBarWidget& w = ensureWidget();
    w.clearRow();
    const QString fieldStyle = QStringLiteral(
        "QLineEdit { background: rgba(255,255,255,30); color: white; border: 1px solid rgba(255,255,255,64);"
        " border-radius: 5px; padding: 0 4px; selection-background-color: rgba(120,160,255,160); }"
        "QLineEdit:focus { border: 1px solid rgba(140,180,255,200); }");
    auto makeField = [&](const QString& text, const QString& placeholder) {
        auto* field = new QLineEdit(text, &w);
        field->setFont(fieldFont_);
        field->setPlaceholderText(placeholder);
        field->setStyleSheet(fieldStyle);
        QPalette palette = field->palette();
        palette.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 110));
        field->setPalette(palette);
        field->setFixedSize(static_cast<int>(kFieldWidth), static_cast<int>(kFieldHeight));
        field->installEventFilter(&w);
        return field;
    };
    auto makeLabel = [&](const QString& text, const QFont& f) {
        auto* label = new QLabel(text, &w);
        label->setFont(f);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, kMuted);
        label->setPalette(palette);
        label->adjustSize();
        return label;
    };
    QLineEdit* wrong = makeField(word, QStringLiteral("聞き間違えた言葉"));
    QFont arrowFont = fieldFont_;
    arrowFont.setWeight(QFont::DemiBold);
    QLabel* arrow = makeLabel(QStringLiteral("→"), arrowFont);
    QLineEdit* right = makeField(QString(), QStringLiteral("正しい言葉"));
    QLabel* hint = makeLabel(QStringLiteral("⏎ 保存 / esc やめる"), hintFont_);
    w.wrongField = wrong;
    w.field = right;
    QWidget::setTabOrder(right, wrong);
    QWidget::setTabOrder(wrong, right);

    auto submit = [this, wrong, right] { save(wrong->text(), right->text()); };
    QObject::connect(wrong, &QLineEdit::returnPressed, wrong, submit);
    QObject::connect(right, &QLineEdit::returnPressed, right, submit);

    w.hint = hint;
    w.row = {wrong, arrow, right, hint};
    return w.arrangeRow();
}

QSizeF CorrectionBarWindow::layoutEditorNotice(const QString& message) {
    if (!widget_ || !widget_->hint) return {};
    CorrectionBarWidget& w = *widget_;
    w.hint->setText(message);
    w.hint->setFont(noticeFont_);
    QPalette palette = w.hint->palette();
    palette.setColor(QPalette::WindowText, kNotice);
    w.hint->setPalette(palette);
    w.hint->adjustSize();
    return w.arrangeRow();
}

QString CorrectionBarWindow::hintText() const { return widget_ && widget_->hint ? widget_->hint->text() : QString(); }

void CorrectionBarWindow::presentView(const QRectF& frame) {
    CorrectionBarWidget& w = ensureWidget();
    const QList<Screens::Screen> all = screens_.all();
    const double primaryHeight = all.isEmpty() ? 0.0 : all.first().frame.height();
    const QRect desktop(qRound(frame.x()), qRound(primaryHeight - frame.y() - frame.height()), qRound(frame.width()),
                        qRound(frame.height()));
    w.setGeometry(desktop);
    if (w.isVisible()) return;
    w.setWindowOpacity(0.0);
    w.show();
    auto* fade = new QPropertyAnimation(&w, "windowOpacity", &w);
    fade->setDuration(static_cast<int>(kFadeIn * 1000));
    fade->setEndValue(1.0);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void CorrectionBarWindow::focusEditorView() {
    if (!widget_) return;
    CorrectionBarWidget& w = *widget_;
    // From now on the window may have the focus: the X input focus goes to it directly (no
    // window manager manages it), and the field of the right word gets the keyboard.
    if (QWindow* handle = w.windowHandle()) handle->setFlag(Qt::WindowDoesNotAcceptFocus, false);
    w.setAttribute(Qt::WA_ShowWithoutActivating, false);
    w.raise();
    w.activateWindow();
    if (w.field) w.field->setFocus(Qt::OtherFocusReason);
}

void CorrectionBarWindow::closeView() {
    if (!widget_) return;
    CorrectionBarWidget* w = widget_.data();
    widget_.clear();
    w->hadFocus_ = false;
    w->hide();
    w->deleteLater();  // closing may come from inside one of its own event handlers
}

bool CorrectionBarWindow::viewHasFocus() const { return widget_ && widget_->isActiveWindow(); }
