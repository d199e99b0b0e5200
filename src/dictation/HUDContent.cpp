#include "dictation/HUDContent.h"

#include "core/AppPrefs.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kChipGap = 4;        // between the quality chips
constexpr double kArrowGap = 5;       // between an arrow and its chip
constexpr double kSlotGap = 6;        // between two carousel slots
constexpr double kViewportHeight = 26;
constexpr double kRowGap = 14;        // either side of the divider
constexpr double kMicColumnWidth = 49;

double chipWidth(const std::function<double(const QString&)>& textWidth, const QString& text) {
    return std::ceil(textWidth(text)) + 20;
}

double widestLabel(const std::function<double(const QString&)>& textWidth, const QStringList& texts) {
    double widest = 0;
    for (const QString& text : texts) widest = std::max(widest, chipWidth(textWidth, text));
    return widest;
}

}  // namespace

const QList<HUDContent::Style>& HUDContent::styles() {
    static const QList<Style> table = {
        {QStringLiteral("off"), QStringLiteral("⚡ オフ（喋ったとおり・最速）"), QStringLiteral("オフ"), {156, 163, 175}},
        {QStringLiteral("standard"), QStringLiteral("✨ 整える（口調はそのまま）"), QStringLiteral("整える"), {110, 231, 183}},
        {QStringLiteral("formal"), QStringLiteral("💼 上司モード（敬語・取引先にも）"), QStringLiteral("上司"), {125, 184, 255}},
        {QStringLiteral("junior"), QStringLiteral("🫡 部下モード（指示を明確・感じよく）"), QStringLiteral("部下"), {255, 196, 107}},
        {QStringLiteral("friend"), QStringLiteral("🤝 友達モード（くだけた口調）"), QStringLiteral("友達"), {255, 224, 102}},
        {QStringLiteral("lover"), QStringLiteral("❤️ 恋人モード（やわらかい口調）"), QStringLiteral("恋人"), {255, 158, 196}},
    };
    return table;
}

QString HUDContent::chipLabel(const QString& value) {
    for (const Style& style : styles())
        if (style.value == value) return style.chipLabel.isEmpty() ? style.longLabel : style.chipLabel;
    return value;
}

HUDContent::Rgb HUDContent::chipColor(const QString& value) {
    for (const Style& style : styles())
        if (style.value == value) return style.color;
    return kDefaultStyleColor;
}

HUDContent::OffLook HUDContent::offLook(Rgb onColor, bool tintsWhenOff) {
    if (!tintsWhenOff) return {true, 0.07, 0.12};
    // Brightness as the HSB model has it: the largest component.
    const double brightness = std::max({onColor.r, onColor.g, onColor.b}) / 255.0;
    const double dim = std::clamp(brightness - 0.55, 0.0, 0.45);
    return {false, (1 - dim) * 0.13, (1 - dim) * 0.32};
}

HUDContent::Carousel HUDContent::carousel(const QString& style) {
    const QList<Style>& table = styles();
    const int n = static_cast<int>(table.size());
    int i = 0;
    for (int k = 0; k < n; ++k)
        if (table.at(k).value == style) i = k;
    const int previous = (i + n - 1) % n;
    const int next = (i + 1) % n;
    return {{table.at(previous).value, table.at(i).value, table.at(next).value}, i};
}

int HUDContent::slideSteps(std::optional<int> oldIndex, std::optional<int> newIndex) {
    if (!oldIndex || !newIndex || *oldIndex == *newIndex) return 0;
    const int n = static_cast<int>(styles().size());
    const int d = ((*newIndex - *oldIndex) % n + n) % n;
    if (d == 1) return 1;
    if (d == n - 1) return -1;
    return 0;
}

QString HUDContent::effectiveStyle(const RecordingHUD::Hooks& hooks) {
    return AppPrefs::effectiveCleanupStyle(hooks.sessionStyle ? hooks.sessionStyle() : std::nullopt);
}

void HUDContent::applyClick(ChipKind kind, const QString& value, const RecordingHUD::Hooks& hooks) {
    if (kind == ChipKind::Quality) {
        AppPrefs::setQualityLevel(value);
        if (hooks.updateStatusIcon) hooks.updateStatusIcon();
        if (hooks.rebuildStatusMenu) hooks.rebuildStatusMenu();
        return;
    }
    const bool session = AppPrefs::modeSelectStyle() == QLatin1String("session");
    const bool saved = AppPrefs::qualityLevel() != QLatin1String("low") || AppPrefs::lowCleanup();
    if (!session && saved) {
        AppPrefs::setCleanupMode(value);
        if (hooks.updateStatusIcon) hooks.updateStatusIcon();
        if (hooks.rebuildStatusMenu) hooks.rebuildStatusMenu();
        return;
    }
    // For the coming send only; the stored style stays.
    if (hooks.pickStyleForSend) hooks.pickStyleForSend(value);
    if (hooks.updateStatusIcon) hooks.updateStatusIcon();
}

HUDContent::Layout HUDContent::layout(const std::function<double(const QString&)>& textWidth,
                                      const RecordingHUD::Hooks& hooks) {
    Layout out;

    // Quality column: one chip per selectable level, all as wide as the widest.
    const QList<AppPrefs::QualityRow> levels = AppPrefs::selectableQualityLevels();
    QStringList titles;
    for (const AppPrefs::QualityRow& level : levels) titles << level.title;
    const double qualityChipWidth = widestLabel(textWidth, titles);
    const qsizetype levelCount = levels.size();
    const double qualityWidth = kArrowSize + kArrowGap + qualityChipWidth;
    const double qualityHeight =
        levelCount > 0 ? levelCount * kChipHeight + kChipGap * static_cast<double>(levelCount - 1) : 0;

    // Cleanup carousel: three slots as wide as the widest of all six labels, arrows above.
    QStringList allLabels;
    for (const Style& style : styles()) allLabels << chipLabel(style.value);
    const double slot = widestLabel(textWidth, allLabels);
    out.cleanupStride = slot + kSlotGap;
    const double cleanupWidth = 3 * slot + 2 * kSlotGap;
    const double cleanupHeight = kViewportHeight + kArrowSize + 3;

    // The two rows side by side with a divider, inside the panel's 10 / 8 point margins.
    const double rowHeight = std::max(qualityHeight, cleanupHeight);
    const double rowWidth = qualityWidth + kRowGap + 1 + kRowGap + cleanupWidth;
    const double rowX = 10, rowY = 8;
    const double micX = rowWidth + 20;
    out.size = QSizeF(micX + kMicColumnWidth + 10, rowHeight + 16);

    const QString quality = AppPrefs::qualityLevel();
    const double qy = rowY + (rowHeight - qualityHeight) / 2;
    for (qsizetype i = 0; i < levelCount; ++i) {
        const double y = qy + static_cast<double>(i) * (kChipHeight + kChipGap);
        Chip chip;
        chip.kind = ChipKind::Quality;
        chip.value = levels.at(i).key;
        chip.label = levels.at(i).title;
        chip.color = kQualityChipColor;
        chip.isOn = chip.value == quality;
        chip.frame = QRectF(rowX + kArrowSize + kArrowGap, y, qualityChipWidth, kChipHeight);
        out.chips << chip;
        const QRectF arrow(rowX, y + (kChipHeight - kArrowSize) / 2, kArrowSize, kArrowSize);
        if (i == 0) out.arrows[RecordingHUD::Arrow::Up] = arrow;
        if (i == 1) out.arrows[RecordingHUD::Arrow::Down] = arrow;
    }

    out.divider = QRectF(rowX + qualityWidth + kRowGap, rowY + 4, 1, rowHeight - 8);

    const double cx = rowX + qualityWidth + kRowGap + 1 + kRowGap;
    const double cy = rowY + (rowHeight - cleanupHeight) / 2;
    out.arrows[RecordingHUD::Arrow::Left] = QRectF(cx + 2, cy, kArrowSize, kArrowSize);
    out.arrows[RecordingHUD::Arrow::Right] = QRectF(cx + cleanupWidth - kArrowSize - 2, cy, kArrowSize, kArrowSize);
    out.cleanupViewport = QRectF(cx, cy + cleanupHeight - kViewportHeight, cleanupWidth, kViewportHeight);

    const QString style = effectiveStyle(hooks);
    const Carousel turn = carousel(style);
    out.cleanupIndex = turn.current;
    for (int k = 0; k < 3; ++k) {
        const QString& value = turn.values.at(k);
        Chip chip;
        chip.kind = ChipKind::Cleanup;
        chip.value = value;
        chip.label = chipLabel(value);
        chip.color = chipColor(value);
        chip.tintsWhenOff = true;
        chip.isOn = value == style;
        const double w = std::max(slot, chipWidth(textWidth, chip.label));
        chip.frame = QRectF(out.cleanupViewport.x() + k * out.cleanupStride + (slot - w) / 2,
                            out.cleanupViewport.y() + (kViewportHeight - kChipHeight) / 2, w, kChipHeight);
        out.chips << chip;
    }

    const double micY = (out.size.height() - kPulseSize) / 2;
    out.pulse = QRectF(micX + 9, micY, kPulseSize, kPulseSize);
    out.micSeparator = QRectF(micX, micY + 6, 1, 28);
    return out;
}
