// Every screen of the settings window, at the narrowest width the window allows and at its usual
// width: every text is shown whole. A label that is cut, clipped by the card around it or pushed
// out of the window at the side is reported with its screen, width and text.
//
// With QUENDLE_SETTINGS_SHOTS set to a folder, every screen is also saved there as a PNG.
#include "settings/screens/ScreenDirectory.h"

#include "TextScreensFixture.h"
#include "platform/fake/FakePermissions.h"
#include "settings/SettingsScreen.h"
#include "settings/ui/BetaSettingsWindowController.h"
#include "settings/screens/SegmentedPicker.h"
#include "settings/ui/NavScaffold.h"
#include "settings/ui/SymbolLabel.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QDir>
#include <QLabel>
#include <QScrollArea>

namespace {

// Why the label's text is not shown whole, or an empty string.
QString cutReason(const QLabel* label, const QWidget* window) {
    const QRect inner = label->contentsRect();
    const QFontMetrics metrics(label->font());
    if (label->wordWrap()) {
        if (label->heightForWidth(label->width()) > label->height() + 1) return QStringLiteral("折り返しが収まらない");
    } else {
        int widest = 0;
        const QStringList lines = label->text().split(QLatin1Char('\n'));
        for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
        if (widest > inner.width() + 1) return QStringLiteral("幅が足りない");
        if (int(lines.size()) * metrics.lineSpacing() > inner.height() + 2) return QStringLiteral("高さが足りない");
    }
    // Clipped by a parent: up to the scrolled content, every parent holds the label whole.
    const QRect own = label->rect();
    for (const QWidget* w = label; w->parentWidget(); w = w->parentWidget()) {
        const QWidget* parent = w->parentWidget();
        const QRect inParent(label->mapTo(parent, own.topLeft()), own.size());
        if (qobject_cast<const QAbstractScrollArea*>(parent->parentWidget())) {
            // The viewport scrolls vertically only: the label must lie within its width.
            if (inParent.left() < 0 || inParent.right() > parent->width()) return QStringLiteral("横にはみ出す");
            break;
        }
        if (!parent->rect().contains(inParent)) return QStringLiteral("親に切られる");
        if (parent == window) break;
    }
    return {};
}

}  // namespace

class SettingsLayoutTest : public TextScreensFixture {};

TEST_F(SettingsLayoutTest, EveryScreenShowsItsTextsWholeAtTheNarrowestAndTheUsualWidth) {
    FakePermissions permissions;
    ScreenContext context;
    context.permissions = &permissions;
    // A path whose folder name is longer than the page is wide.
    context.screenshotFolderPath = [] {
        return QStringLiteral("/home/someone/Pictures/Screenshots_of_every_desktop_we_ever_had_in_this_house_and_then_some_more_of_them_😀");
    };
    // Lists shown disabled (quality Low, cleanup off) and the longest values the rows can show.
    defaults.set(QStringLiteral("qualityLevel"), QStringLiteral("low"));
    defaults.set(QStringLiteral("field"), QStringLiteral("marketing"));
    defaults.set(QStringLiteral("screenshotPasteKey"), QStringLiteral("controlOptionCommand"));
    defaults.set(QStringLiteral("bulkDelete"), true);
    BetaSettingsWindowController controller(SettingsActions{}, nullptr, screenDirectory(context));
    controller.show();
    QWidget* window = controller.window();
    BetaSettingsRoot& root = *controller.root();
    const QString shots = qEnvironmentVariable("QUENDLE_SETTINGS_SHOTS");

    QStringList problems;
    for (const int width : {BetaSettingsRoot::kMinimumWidth, BetaSettingsWindowController::kWidth}) {
        window->resize(width, BetaSettingsWindowController::kHeight);
        for (SettingsScreen screen : SettingsScreens::all()) {
            root.nav().resetToRoot();
            root.completeTransition();
            if (screen != SettingsScreen::root) root.nav().push(screen);
            root.completeTransition();
            QApplication::processEvents();
            const QString where = SettingsScreens::title(screen) + QStringLiteral(" / %1: ").arg(width);
            if (window->width() != width) problems << where + QStringLiteral("窓の幅が %1").arg(window->width());
            const QList<QLabel*> labels = root.page()->findChildren<QLabel*>();
            for (const QLabel* label : labels) {
                if (!label->isVisibleTo(window) || label->text().isEmpty()) continue;
                if (qobject_cast<const SymbolLabel*>(label)) continue;  // one glyph drawn from its name
                const QString reason = cutReason(label, window);
                if (!reason.isEmpty()) problems << where + reason + QStringLiteral(" 「") + label->text() + QStringLiteral("」");
            }
            // Nothing is wider than the window: pages scroll up and down only.
            for (const QScrollArea* area : root.page()->findChildren<QScrollArea*>())
                if (area->widget() && area->widget()->width() > area->viewport()->width())
                    problems << where + QStringLiteral("ページが窓より広い");
            // The segments of a picker draw their names themselves.
            for (const SegmentedPicker* picker : root.page()->findChildren<SegmentedPicker*>()) {
                for (const QAbstractButton* segment : picker->findChildren<QAbstractButton*>()) {
                    if (!segment->isVisibleTo(window)) continue;
                    const QRect room = segment->rect().adjusted(4, 0, -4, 0);
                    const QRect needed = segment->fontMetrics().boundingRect(QRect(QPoint(), QSize(room.width(), 100000)),
                                                                             Qt::TextWordWrap, segment->text());
                    if (needed.width() > room.width() || needed.height() > room.height())
                        problems << where + QStringLiteral("区切りに入らない 「") + segment->text() + QStringLiteral("」");
                }
            }
            if (!shots.isEmpty()) {
                // The page's whole content, scrolled parts included.
                const auto* area = root.page()->findChild<QScrollArea*>();
                QWidget* content = area && area->widget() ? area->widget() : root.page();
                content->grab().save(QDir(shots).filePath(QStringLiteral("%1-%2.png").arg(int(screen), 2, 10, QLatin1Char('0')).arg(width)));
                window->grab().save(QDir(shots).filePath(QStringLiteral("window-%1-%2.png").arg(int(screen), 2, 10, QLatin1Char('0')).arg(width)));
            }
        }
    }
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}
