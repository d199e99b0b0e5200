#include "settings/screens/KeyboardPicker.h"

#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/SettingsFont.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>

namespace {

using Cap = KeyboardPicker::Cap;
using Row = QList<Cap>;

const QList<int>& functionKeyCodes() {
    static const QList<int> codes{122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
    return codes;
}

Cap key(const QString& label, int code, double width = 1.0) { return Cap{label, code, width}; }
Cap plain(const QString& label, double width = 1.0) { return Cap{label, std::nullopt, width}; }

// One character cap per character of the run.
void appendRun(Row& row, const QString& characters) {
    for (const QChar c : characters) row.append(plain(QString(c)));
}

Row functionRow() {
    Row row{key(QStringLiteral("esc"), 53, 1.5)};
    for (int i = 0; i < functionKeyCodes().size(); ++i)
        row.append(key(QStringLiteral("F%1").arg(i + 1), functionKeyCodes().at(i)));
    row.append(plain(QString(), 1.5));
    return row;
}

void appendArrows(Row& row) {
    for (const char* arrow : {"←", "↑", "↓", "→"}) row.append(plain(QString::fromUtf8(arrow), 0.75));
}

const QString kDigits = QStringLiteral("1234567890");
const QString kQRun = QStringLiteral("QWERTYUIOP");
const QString kARun = QStringLiteral("ASDFGHJKL");
const QString kZRun = QStringLiteral("ZXCVBNM");
// The PC keys that stand where a Mac keyboard has fn, control, option, command and delete.
const QString kMenu = QStringLiteral("Menu");
const QString kCtrl = QStringLiteral("Ctrl");
const QString kAlt = QStringLiteral("Alt");
const QString kSuper = QStringLiteral("Super");
const QString kBackspace = QStringLiteral("Backspace");

QList<Row> jisRows() {
    Row r2;
    appendRun(r2, kDigits);
    r2 << plain(QStringLiteral("-")) << plain(QStringLiteral("^")) << plain(QStringLiteral("¥"))
       << key(kBackspace, 51, 2.0);
    Row r3{key(QStringLiteral("tab"), 48, 1.5)};
    appendRun(r3, kQRun);
    r3 << plain(QStringLiteral("@")) << plain(QStringLiteral("[")) << key(QStringLiteral("return"), 36, 1.5);
    Row r4{key(QStringLiteral("⇪"), 57, 1.75)};
    appendRun(r4, kARun);
    r4 << plain(QStringLiteral(";")) << plain(QStringLiteral(":")) << plain(QStringLiteral("]"))
       << key(QStringLiteral("return"), 36, 1.25);
    Row r5{key(QStringLiteral("⇧"), 56, 2.25)};
    appendRun(r5, kZRun);
    r5 << plain(QStringLiteral(",")) << plain(QStringLiteral(".")) << plain(QStringLiteral("/"))
       << plain(QStringLiteral("\\")) << key(QStringLiteral("⇧"), 60, 1.75);
    Row r6{key(kMenu, 63),                         key(kCtrl, 59),
           key(kAlt, 58),                          key(kSuper, 55, 1.25),
           key(QStringLiteral("英数"), 102, 1.25), key(QStringLiteral("space"), 49, 3.25),
           key(QStringLiteral("かな"), 104, 1.25), key(kSuper, 54, 1.25),
           key(kAlt, 61, 0.75)};
    appendArrows(r6);
    return {functionRow(), r2, r3, r4, r5, r6};
}

Row bottomRowISOANSI() {
    Row row{key(kMenu, 63),   key(kCtrl, 59),
            key(kAlt, 58),    key(kSuper, 55, 1.25),
            key(QStringLiteral("space"), 49, 5.5), key(kSuper, 54, 1.25),
            key(kAlt, 61)};
    appendArrows(row);
    return row;
}

QList<Row> isoRows() {
    Row r2{plain(QStringLiteral("§"))};
    appendRun(r2, kDigits);
    r2 << plain(QStringLiteral("-")) << plain(QStringLiteral("=")) << key(kBackspace, 51, 2.0);
    Row r3{key(QStringLiteral("tab"), 48, 1.5)};
    appendRun(r3, kQRun);
    r3 << plain(QStringLiteral("[")) << plain(QStringLiteral("]")) << key(QStringLiteral("return"), 36, 1.5);
    Row r4{key(QStringLiteral("⇪"), 57, 1.75)};
    appendRun(r4, kARun);
    r4 << plain(QStringLiteral(";")) << plain(QStringLiteral("'")) << plain(QStringLiteral("#"))
       << key(QStringLiteral("return"), 36, 1.25);
    Row r5{key(QStringLiteral("⇧"), 56, 1.25), plain(QStringLiteral("`"))};
    appendRun(r5, kZRun);
    r5 << plain(QStringLiteral(",")) << plain(QStringLiteral(".")) << plain(QStringLiteral("/"))
       << key(QStringLiteral("⇧"), 60, 2.75);
    return {functionRow(), r2, r3, r4, r5, bottomRowISOANSI()};
}

QList<Row> ansiRows() {
    Row r2{plain(QStringLiteral("`"))};
    appendRun(r2, kDigits);
    r2 << plain(QStringLiteral("-")) << plain(QStringLiteral("=")) << key(kBackspace, 51, 2.0);
    Row r3{key(QStringLiteral("tab"), 48, 1.5)};
    appendRun(r3, kQRun);
    r3 << plain(QStringLiteral("[")) << plain(QStringLiteral("]")) << plain(QStringLiteral("\\"), 1.5);
    Row r4{key(QStringLiteral("⇪"), 57, 1.75)};
    appendRun(r4, kARun);
    r4 << plain(QStringLiteral(";")) << plain(QStringLiteral("'")) << key(QStringLiteral("return"), 36, 2.25);
    Row r5{key(QStringLiteral("⇧"), 56, 2.25)};
    appendRun(r5, kZRun);
    r5 << plain(QStringLiteral(",")) << plain(QStringLiteral(".")) << plain(QStringLiteral("/"))
       << key(QStringLiteral("⇧"), 60, 2.75);
    return {functionRow(), r2, r3, r4, r5, bottomRowISOANSI()};
}

QColor standardGrey() { return QColor(142, 142, 147); }

}  // namespace

// ---- KeyCapButton

KeyCapButton::KeyCapButton(KeyboardPicker& picker, int row, int index, QWidget* parent)
    : QAbstractButton(parent), picker_(picker), row_(row), index_(index), cap_(picker.cap(row, index)) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setText(label());
    setAccessibleName(label());
    connect(this, &QAbstractButton::clicked, this, [this] { picker_.tap(cap_); });
}

QString KeyCapButton::label() const { return cap_.label; }

std::optional<int> KeyCapButton::keyCode() const { return cap_.keyCode; }

QString KeyCapButton::currentToolTip() const { return picker_.toolTipFor(cap_); }

double KeyCapButton::labelPixelSize() const { return label().size() <= 2 ? 10.0 : 8.5; }

bool KeyCapButton::event(QEvent* event) {
    // The class of a key can change between two hovers (the function-key setting), so the tooltip
    // is worked out when it is about to show.
    if (event->type() == QEvent::ToolTip) setToolTip(currentToolTip());
    return QAbstractButton::event(event);
}

void KeyCapButton::paintEvent(QPaintEvent*) {
    const KeyboardPicker::Cap& cap = cap_;
    const QColor green = KeyboardPicker::green();
    const QColor label = picker_.labelColor();
    QColor fill, outline, text;
    double outlineWidth = 1.0;
    bool bold = false;
    if (picker_.isCurrentKey(cap)) {
        fill = Palette::withOpacity(green, 0.9);
        outline = green;
        outlineWidth = 1.6;
        text = Qt::white;
        bold = true;
    } else {
        switch (KeyboardPicker::availability(cap)) {
        case KeyboardPicker::Availability::selectable:
            fill = Palette::withOpacity(green, 0.13);
            outline = Palette::withOpacity(green, 0.5);
            text = Palette::withOpacity(green, 0.95);
            break;
        case KeyboardPicker::Availability::unselectable:
            fill = Palette::withOpacity(label, 0.04);
            outline = Palette::withOpacity(label, 0.12);
            text = Palette::withOpacity(label, 0.35);
            break;
        }
    }

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The cap's own rectangle; the dot of a recommended key reaches 2 px beyond it (the button is
    // placed with that margin around the cap).
    const QRectF capRect = QRectF(rect()).adjusted(0, 2, -2, 0);
    const double inset = outlineWidth / 2;
    QPainterPath path;
    path.addRoundedRect(capRect.adjusted(inset, inset, -inset, -inset), 4, 4);
    painter.fillPath(path, fill);
    painter.setPen(QPen(outline, outlineWidth));
    painter.drawPath(path);

    const QString labelText = cap.label;
    if (!labelText.isEmpty()) {
        const double size = labelPixelSize();
        QFont font = bold ? SettingsFont::bold(size) : SettingsFont::make(size);
        const double room = std::max(0.0, capRect.width() - 4);
        double width = QFontMetricsF(font).horizontalAdvance(labelText);
        if (width > room && width > 0) {
            // Shrink to fit, down to 0.6 of the size; below that the label is cut.
            const double scaled = std::max(size * 0.6, size * room / width);
            font = bold ? SettingsFont::bold(scaled) : SettingsFont::make(scaled);
        }
        painter.setFont(font);
        painter.setPen(text);
        painter.drawText(capRect, Qt::AlignCenter | Qt::TextSingleLine, labelText);
    }

    if (picker_.showsRecommendedDot(cap)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(green);
        painter.drawEllipse(QRectF(capRect.right() - 5 + 2, capRect.top() - 2, 5, 5));
    }
}

// ---- KeyboardPicker: facts

const QList<QList<Cap>>& KeyboardPicker::rows(Layout layout) {
    static const QList<Row> jis = jisRows();
    static const QList<Row> iso = isoRows();
    static const QList<Row> ansi = ansiRows();
    switch (layout) {
    case Layout::JIS: return jis;
    case Layout::ISO: return iso;
    case Layout::ANSI: break;
    }
    return ansi;
}

KeyboardPicker::Availability KeyboardPicker::availability(const Cap& cap) {
    if (!cap.keyCode) return Availability::unselectable;
    if (!AppPrefs::allowedTriggerKeyCodes().contains(*cap.keyCode)) return Availability::unselectable;
    return Availability::selectable;
}

QString KeyboardPicker::refusalText(std::optional<int> keyCode) {
    switch (keyCode.value_or(-1)) {
    case 36: return QStringLiteral("return は改行に使うので、起動キーにはできません。");
    case 48: return QStringLiteral("tab は入力欄の移動に使うので、起動キーにはできません。");
    case 49: return QStringLiteral("スペースは文章を打つときに必ず使うので、起動キーにはできません。");
    case 51: return QStringLiteral("Backspace は文字を消すのに使うので、起動キーにはできません。");
    case 53: return QStringLiteral("esc は取り消しに使うキーなので、起動キーにはできません。");
    default: break;
    }
    return QStringLiteral(
        "このキーは文字を打つのに使います。起動キーにすると、そのキーで文字が打てなくなるので選べません。"
        "押しても文字が入らないキー（緑）から選んでください。");
}

QString KeyboardPicker::keyboardName(Layout layout) {
    QString name;
    switch (layout) {
    case Layout::ISO: name = QStringLiteral("英国・欧州 ISO"); break;
    case Layout::JIS: name = QStringLiteral("日本語 JIS"); break;
    case Layout::ANSI: name = QStringLiteral("英語 US"); break;
    }
    return QStringLiteral("お使いのキーボード: ") + name;
}

double KeyboardPicker::keyUnit(double availableWidth) { return std::max(availableWidth / 15.0, 1.0); }

QColor KeyboardPicker::green() {
    static const QColor color = QColor::fromRgbF(0.18f, 0.63f, 0.36f);
    return color;
}

// ---- KeyboardPicker: the view

KeyboardPicker::KeyboardPicker(BetaSettingsModel& model, std::optional<int> recommendedKeyCode, QWidget* parent)
    : QWidget(parent), model_(model), recommendedKeyCode_(recommendedKeyCode) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    keyboard_ = new QWidget(this);
    keyboard_->setFixedHeight(kKeyboardHeight);
    keyboard_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    keyboard_->setMinimumWidth(0);
    keyboard_->installEventFilter(this);
    layout->addWidget(keyboard_);

    // The legend: what the three colours mean, and which keyboard is drawn.
    auto* legend = new QHBoxLayout;
    legend->setSpacing(14);
    const auto secondary = [this] { return secondaryColor(); };
    // The swatches are painted by eventFilter (green, then the faint label colour).
    const QStringList legendTexts{QStringLiteral("そのまま選べる"), QStringLiteral("選べない")};
    for (int i = 0; i < legendTexts.size(); ++i) {
        auto* item = new QHBoxLayout;
        item->setSpacing(4);
        auto* box = new QWidget(this);
        box->setFixedSize(9, 9);
        box->setProperty("swatch", true);
        box->setProperty("swatchIndex", i);
        box->installEventFilter(this);
        item->addWidget(box, 0, Qt::AlignVCenter);
        item->addWidget(new PaletteLabel(legendTexts.at(i), SettingsFont::make(10.5), secondary, this), 0,
                        Qt::AlignVCenter);
        legend->addLayout(item);
    }
    // The keyboard's name takes the rest of the line, at its trailing end; on a narrow page it wraps
    // rather than the legend or the page growing wider.
    keyboardName_ = new PaletteLabel(QString(), SettingsFont::make(10.5), secondary, this);
    keyboardName_->setWrapping(true);
    keyboardName_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    legend->addWidget(keyboardName_, 1, Qt::AlignVCenter);
    layout->addLayout(legend);

    // The notice box, shown only while there is a notice.
    noticeBox_ = new QWidget(this);
    noticeBox_->installEventFilter(this);
    auto* box = new QVBoxLayout(noticeBox_);
    box->setContentsMargins(9, 9, 9, 9);
    box->setSpacing(7);
    noticeText_ = new PaletteLabel(QString(), SettingsFont::make(11), [this] { return secondaryColor(); }, noticeBox_);
    noticeText_->setWrapping(true);
    box->addWidget(noticeText_);
    layout->addWidget(noticeBox_);

    buildCaps();
    showNotice();
    observer_ = model_.observe([this](BetaSettingsModel::Property property) {
        if (property == BetaSettingsModel::Property::triggerKeyCode) refresh();
    });
}

KeyboardPicker::~KeyboardPicker() { model_.unobserve(observer_); }

void KeyboardPicker::setDarkBackground(bool dark) {
    darkBackground_ = dark;
    for (PaletteLabel* label : findChildren<PaletteLabel*>()) label->refreshColor();
    update();
    for (QWidget* child : findChildren<QWidget*>()) child->update();
}

QColor KeyboardPicker::labelColor() const {
    return darkBackground_ ? Palette::text(Palette::Appearance::darkAqua) : Palette::labelColor();
}

QColor KeyboardPicker::secondaryColor() const {
    return darkBackground_ ? Palette::withOpacity(labelColor(), 0.5) : Palette::systemSecondary();
}

const KeyboardPicker::Cap& KeyboardPicker::cap(int row, int index) const { return rows(layout_).at(row).at(index); }

bool KeyboardPicker::isCurrentKey(const Cap& cap) const {
    return cap.keyCode && *cap.keyCode == model_.triggerKeyCode();
}

bool KeyboardPicker::showsRecommendedDot(const Cap& cap) const {
    return recommendedKeyCode_ && cap.keyCode && *cap.keyCode == *recommendedKeyCode_ && !isCurrentKey(cap);
}

QString KeyboardPicker::toolTipFor(const Cap& cap) const {
    switch (availability(cap)) {
    case Availability::selectable: return cap.label + QStringLiteral(" を起動キーにする");
    case Availability::unselectable: break;
    }
    return refusalText(cap.keyCode);
}

KeyCapButton* KeyboardPicker::capButton(const QString& label) const {
    for (KeyCapButton* button : caps_)
        if (button->label() == label) return button;
    return nullptr;
}

void KeyboardPicker::tap(const Cap& cap) {
    switch (availability(cap)) {
    case Availability::selectable:
        model_.selectTriggerKey(*cap.keyCode);
        notice_.reset();
        break;
    case Availability::unselectable:
        notice_ = refusalText(cap.keyCode);
        break;
    }
    showNotice();
    refresh();
}

void KeyboardPicker::refresh() {
    if (AppPrefs::keyboardLayout() != layout_) buildCaps();
    keyboardName_->setText(keyboardName(layout_));
    for (KeyCapButton* button : caps_) button->update();
}

void KeyboardPicker::showEvent(QShowEvent* event) {
    refresh();
    QWidget::showEvent(event);
}

void KeyboardPicker::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (Palette::isAppearanceChange(event)) {
        noticeText_->refreshColor();
        update();
    }
}

void KeyboardPicker::showNotice() {
    noticeBox_->setVisible(notice_.has_value());
    noticeText_->setText(notice_.value_or(QString()));
    noticeBox_->update();
}

void KeyboardPicker::buildCaps() {
    // A tap on a key can be what finds the layout changed: that key is still inside its own click,
    // so the old keys go once control is back in the event loop.
    for (KeyCapButton* old : std::as_const(caps_)) {
        old->hide();
        old->deleteLater();
    }
    caps_.clear();
    layout_ = AppPrefs::keyboardLayout();
    const QList<Row>& all = rows(layout_);
    for (int r = 0; r < all.size(); ++r) {
        for (int i = 0; i < all.at(r).size(); ++i) {
            auto* button = new KeyCapButton(*this, r, i, keyboard_);
            button->show();
            caps_.append(button);
        }
    }
    keyboardName_->setText(keyboardName(layout_));
    placeCaps();
}

void KeyboardPicker::placeCaps() {
    const double unit = keyUnit(keyboard_->width());
    const QList<Row>& all = rows(layout_);
    int n = 0;
    for (int r = 0; r < all.size(); ++r) {
        const Row& row = all.at(r);
        double rowWidth = 0;
        for (const Cap& cap : row) rowWidth += std::max(cap.width * unit - kGap, 1.0);
        rowWidth += kGap * (row.size() - 1);
        double x = (keyboard_->width() - rowWidth) / 2;
        const double y = r * (kCapHeight + kGap);
        for (const Cap& cap : row) {
            // A narrow host still gets a visible cap, never a negative width.
            const double width = std::max(cap.width * unit - kGap, 1.0);
            // The button reaches 2 px right and up beyond the cap for the recommended dot.
            caps_.at(n++)->setGeometry(QRectF(x, y - 2, width + 2, kCapHeight + 2).toRect());
            x += width + kGap;
        }
    }
}

bool KeyboardPicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == keyboard_ && event->type() == QEvent::Resize) {
        placeCaps();
    } else if (watched == noticeBox_ && event->type() == QEvent::Paint) {
        QPainter painter(noticeBox_);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(noticeBox_->rect()), 7, 7);
        painter.fillPath(path, Palette::withOpacity(standardGrey(), 0.12));
        return true;
    } else if (event->type() == QEvent::Paint && watched->property("swatch").toBool()) {
        auto* box = static_cast<QWidget*>(watched);
        QColor color;
        switch (box->property("swatchIndex").toInt()) {
        case 0: color = green(); break;
        default: color = Palette::withOpacity(labelColor(), 0.25); break;
        }
        QPainter painter(box);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(box->rect()), 2, 2);
        painter.fillPath(path, Palette::withOpacity(color, 0.5));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
