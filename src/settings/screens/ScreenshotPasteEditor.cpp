#include "settings/screens/ScreenshotPasteEditor.h"

#include "core/AppPrefs.h"
#include "settings/screens/FactRow.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/ActionRow.h"
#include "settings/ui/InfoBanner.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/RowGroup.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/ToggleRow.h"

#include <QTextBoundaryFinder>
#include <QVBoxLayout>

namespace {

constexpr int kEisuKeyCode = 102;
constexpr int kKanaKeyCode = 104;

PaletteLabel* caption(const QString& text, double size) {
    auto* label = new PaletteLabel(text, SettingsFont::make(size), [] { return Palette::systemSecondary(); });
    label->setWrapping(true);
    return label;
}

PaletteLabel* heading(const QString& text) {
    return new PaletteLabel(text, SettingsFont::semibold(12), [] { return Palette::text(); });
}

QWidget* stack(int spacing, const QList<QWidget*>& widgets) {
    auto* block = new QWidget;
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget* widget : widgets) layout->addWidget(widget);
    return block;
}

// The key that is also the trigger key cannot be the screenshot key.
bool isTriggerKey(const QString& key, int triggerKeyCode) {
    return (key == QLatin1String("eisu") && triggerKeyCode == kEisuKeyCode) ||
           (key == QLatin1String("kana") && triggerKeyCode == kKanaKeyCode);
}

// A path has few places a line may break at (a folder's name can be longer than the page is
// wide): a zero-width space between every two characters as the user sees them lets it wrap
// anywhere.
QString wrappableAnywhere(const QString& text) {
    QString result;
    result.reserve(text.size() * 2);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end > 0; end = graphemes.toNextBoundary()) {
        if (start > 0) result.append(QChar(0x200B));
        result.append(QStringView(text).mid(start, end - start));
        start = end;
    }
    return result;
}

}  // namespace

ScreenshotPasteEditor::ScreenshotPasteEditor(BetaSettingsModel& model, Services services, QWidget* parent)
    : PlainPage(16, parent), model_(model), services_(std::move(services)) {
    BetaSettingsModel* m = &model_;
    add(caption(QStringLiteral("いちばん新しいスクリーンショットを、キー1つで貼れます。"), 12));

    enabledRow_ = new ToggleRow(QStringLiteral("スクリーンショットを貼る"),
                                Binding<bool>{[m] { return m->screenshotPasteEnabled(); },
                                              [m](bool on) { m->setScreenshotPasteEnabled(on); }});
    imageInTerminalRow_ = new ToggleRow(QStringLiteral("ターミナルでも画像で貼る"),
                                        Binding<bool>{[m] { return m->screenshotPasteImageInTerminal(); },
                                                      [m](bool on) { m->setScreenshotPasteImageInTerminal(on); }});
    add(new RowGroup(std::nullopt, {enabledRow_, imageInTerminalRow_}));
    add(caption(QStringLiteral("切ると、ターミナルでは画像のパスを文字で入れます。"), 11));

    keyPicker_ = new SegmentedPicker(offeredKeyChoices(model_.triggerKeyCode()),
                                     Binding<QString>{[m] { return effectiveKey(m->screenshotPasteKey(), m->triggerKeyCode()); },
                                                      [m](QString key) { m->setScreenshotPasteKey(key); }});
    keyPicker_->setAccessibleName(QStringLiteral("使うキー"));
    add(stack(7, {heading(QStringLiteral("使うキー")), keyPicker_}));

    if (services_.folderPath) {
        folderLabel_ = caption(QString(), 11);
        folderLabel_->setTextInteractionFlags(Qt::NoTextInteraction);
        add(stack(7, {heading(QStringLiteral("保存先")), folderLabel_}));
    }

    add(heading(QStringLiteral("どう動くか")));
    const std::pair<const char*, const char*> facts[] = {
        {"checkmark", "ブラウザ・チャット・メールには画像を貼ります。"},
        {"checkmark", "Claude Code などの AI ツールにも画像で渡ります。"},
        {"checkmark", "貼った後、クリップボードは元に戻ります。"},
        {"xmark", "保存先に画像が無ければ何も起きません。"},
    };
    QList<QWidget*> factWidgets;
    for (const auto& [icon, text] : facts) {
        auto* row = new FactRow(QString::fromUtf8(icon), QString::fromUtf8(text));
        facts_.append(row);
        factWidgets.append(row);
    }
    add(stack(8, factWidgets));

    // The hint below names the reset button, so both exist only where a reset does.
    if (services_.canResetFolderAccess && services_.canResetFolderAccess()) {
        std::function<void()> reset = services_.resetFolderAccess;
        resetRow_ = new ActionRow(QStringLiteral("arrow.counterclockwise"), QStringLiteral("保存先フォルダの許可をリセット"),
                                  [reset] {
                                      if (reset) reset();
                                  });
        add(new RowGroup(std::nullopt, {resetRow_}));
        resetHint_ = new InfoBanner(QStringLiteral("「読めません」と出たら、上のリセットを押してからもう一度。"));
        add(resetHint_);
    }

    refresh();
    observer_ = model_.observe([this](BetaSettingsModel::Property) { refresh(); });
}

ScreenshotPasteEditor::~ScreenshotPasteEditor() { model_.unobserve(observer_); }

QList<SegmentedPicker::Segment> ScreenshotPasteEditor::offeredKeyChoices(int triggerKeyCode) {
    QList<SegmentedPicker::Segment> choices;
    for (const AppPrefs::LabelRow& row : AppPrefs::screenshotPasteKeyOptions())
        if (!isTriggerKey(row.key, triggerKeyCode)) choices.append({row.label, row.key});
    return choices;
}

QString ScreenshotPasteEditor::effectiveKey(const QString& storedKey, int triggerKeyCode) {
    return isTriggerKey(storedKey, triggerKeyCode) ? QStringLiteral("controlOptionCommand") : storedKey;
}

QString ScreenshotPasteEditor::keyLabel(const QString& storedKey, int triggerKeyCode) {
    const QString key = effectiveKey(storedKey, triggerKeyCode);
    for (const AppPrefs::LabelRow& row : AppPrefs::screenshotPasteKeyOptions())
        if (row.key == key) return row.label;
    // Not offered on this keyboard (英数 or かな away from a JIS keyboard) or not a key at all: no
    // chooser sets such a value, so it is the stored one, and the store names it.
    return AppPrefs::screenshotPasteKeyLabel();
}

void ScreenshotPasteEditor::refresh() {
    const bool enabled = model_.screenshotPasteEnabled();
    enabledRow_->refresh();
    imageInTerminalRow_->refresh();
    imageInTerminalRow_->setEnabled(enabled);
    keyPicker_->setSegments(offeredKeyChoices(model_.triggerKeyCode()));
    keyPicker_->refresh();
    keyPicker_->setEnabled(enabled);
    // The folder in use changes outside the model (the user makes or removes a folder), so it is
    // never kept from an earlier look.
    if (folderLabel_) {
        const QString path = services_.folderPath();
        folderLabel_->setText(wrappableAnywhere(path));
        folderLabel_->setAccessibleName(path);
    }
}

void ScreenshotPasteEditor::showEvent(QShowEvent* event) {
    refresh();
    PlainPage::showEvent(event);
}

QWidget* makeScreenshotPasteScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext& context) {
    return new ScreenshotPasteEditor(model, ScreenshotPasteEditor::Services{context.screenshotFolderPath,
                                                                            context.canResetFolderAccess,
                                                                            context.resetFolderAccess});
}
