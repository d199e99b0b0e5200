#include "settings/ui/BetaSettingsWindowController.h"

#include "core/AppPrefs.h"
#include "platform/fake/FakeBundle.h"
#include "platform/fake/MemoryDefaults.h"
#include "settings/ui/CheckRow.h"
#include "settings/ui/InfoMark.h"
#include "settings/ui/NavScaffold.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/PickCard.h"
#include "settings/ui/Row.h"
#include "settings/ui/RowGroup.h"
#include "settings/ui/SettingsSectionList.h"
#include "settings/ui/SwitchToggle.h"
#include "settings/ui/SymbolLabel.h"
#include "settings/ui/ToggleRow.h"

#include "TestHome.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

using S = SettingsScreen;

// Presses and releases the left button at a point of `widget`, delivered to whatever the pointer
// would hit there (children that let clicks through are skipped).
void clickAt(QWidget* widget, QPoint pos) {
    QWidget* target = widget->childAt(pos);
    if (!target) target = widget;
    const QPoint local = target->mapFrom(widget, pos);
    const QPointF global = target->mapToGlobal(QPointF(local));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(local), global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

void deactivate(QWidget* window) {
    QEvent event(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(window, &event);
}

class SettingsWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        AppPrefs::setDefaults(&defaults);
        Bundle::install(&bundle);
        AppPrefs::resetFirstRunForTesting();
        defaults.set(QStringLiteral("lastRunVersion"), QStringLiteral("0.0.9"));
    }
    void TearDown() override {
        QApplication::setPalette(QPalette());
        QApplication::processEvents();
        AppPrefs::resetFirstRunForTesting();
        Bundle::install(nullptr);
        AppPrefs::setDefaults(nullptr);
    }

    static QString pageTitle(BetaSettingsWindowController& controller) { return controller.root()->page()->title(); }

    TestHome home;
    MemoryDefaults defaults;
    FakeBundle bundle;
};

// A window of its own for a kit widget, laid out at a given width.
struct Host {
    explicit Host(QWidget* child, int width = 380) {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(child);
        layout->addStretch(1);
        window.resize(width, 400);
        window.show();
        layout->activate();
    }
    QWidget window;
};

TEST(SettingsWindowPlacementTest, TheWindowFitsWhollyIntoTheFreePartOfTheScreen) {
    const QMargins frame(4, 30, 4, 4);
    // 1440 × 900 with a 30-pixel panel: the usual size, centred.
    const QRect roomy(0, 0, 1440, 870);
    const QRect usual = BetaSettingsWindowController::placement(roomy, frame);
    EXPECT_EQ(usual.size(), QSize(430, 820));
    EXPECT_TRUE(roomy.contains(usual.marginsAdded(frame)));
    // 1366 × 768 with the panel at the bottom (or at the top): shorter, title bar and bottom on screen.
    for (const QRect small : {QRect(0, 0, 1366, 738), QRect(0, 30, 1366, 738)}) {
        const QRect fitted = BetaSettingsWindowController::placement(small, frame);
        EXPECT_TRUE(small.contains(fitted.marginsAdded(frame))) << fitted.y();
        EXPECT_EQ(fitted.width(), 430);
        EXPECT_EQ(fitted.height(), 738 - 34);
    }
}

TEST_F(SettingsWindowFixture, OpensNavigatesAndShowsTheSameWindowAgainAfterClosing) {
    int changed = 0;
    SettingsActions actions;
    actions.settingsChanged = [&] { ++changed; };
    BetaSettingsWindowController controller(actions);
    EXPECT_FALSE(controller.isVisible());

    controller.show();
    QWidget* window = controller.window();
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quendle の設定"));
    // The test screen is smaller than the usual window: the window fits into it.
    EXPECT_TRUE(window->screen()->availableGeometry().contains(window->geometry()));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(pageTitle(controller), QStringLiteral("設定"));
    EXPECT_FALSE(controller.root()->page()->showsBack());

    // The root lists the sections; a click on one opens its (still empty) page.
    auto* list = qobject_cast<SettingsSectionList*>(controller.root()->page()->content());
    ASSERT_NE(list, nullptr);
    QStringList titles;
    for (Row* row : list->rows()) titles << row->title();
    EXPECT_EQ(titles, (QStringList{"言い直し", "スピーチの入力", "テキストの出力", "その他の機能"}));
    list->rows()[1]->click();
    controller.root()->completeTransition();
    EXPECT_EQ(pageTitle(controller), QStringLiteral("スピーチの入力"));
    EXPECT_TRUE(controller.root()->page()->showsBack());

    controller.root()->nav().push(S::sounds);
    controller.root()->completeTransition();
    EXPECT_EQ(pageTitle(controller), QStringLiteral("効果音"));
    EXPECT_TRUE(controller.root()->page()->showsBack());

    // Two backs lead home; the first click lands on the button's gap between chevron and text.
    controller.root()->page()->backButton()->click();
    controller.root()->completeTransition();
    EXPECT_EQ(pageTitle(controller), QStringLiteral("スピーチの入力"));
    QAbstractButton* back = controller.root()->page()->backButton();
    clickAt(back, QPoint(back->width() - 2, back->height() / 2));
    controller.root()->completeTransition();
    EXPECT_EQ(pageTitle(controller), QStringLiteral("設定"));
    EXPECT_FALSE(controller.root()->page()->showsBack());

    controller.root()->nav().push(S::text);
    controller.root()->completeTransition();
    window->close();
    EXPECT_FALSE(controller.isVisible());
    EXPECT_EQ(controller.root()->nav().stack(), QList<S>{S::root});

    // Another process changed a setting while the window was away: the next open shows it.
    defaults.set(QStringLiteral("cleanup"), true);
    defaults.set(QStringLiteral("cleanupStyle"), QStringLiteral("formal"));
    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(pageTitle(controller), QStringLiteral("設定"));
    EXPECT_EQ(controller.model().cleanupMode(), QStringLiteral("formal"));
    list = qobject_cast<SettingsSectionList*>(controller.root()->page()->content());
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->rows()[2]->value().endsWith(QStringLiteral("・ていねいに")));
    EXPECT_EQ(changed, 0);
}

TEST_F(SettingsWindowFixture, LosingActiveStatusHidesAndComesBackOnTheRoot) {
    BetaSettingsWindowController controller({});
    controller.show();
    controller.root()->nav().push(S::speak);
    controller.root()->nav().push(S::sounds);
    controller.root()->completeTransition();
    const int tick = controller.model().navResetTick();

    deactivate(controller.window());
    EXPECT_FALSE(controller.isVisible());
    EXPECT_EQ(controller.model().navResetTick(), tick + 1);
    EXPECT_EQ(controller.root()->nav().stack(), QList<S>{S::root});
    EXPECT_TRUE(controller.root()->nav().back());
    EXPECT_EQ(pageTitle(controller), QStringLiteral("設定"));

    // A second deactivation of the hidden window changes nothing.
    deactivate(controller.window());
    EXPECT_EQ(controller.model().navResetTick(), tick + 1);
}

TEST_F(SettingsWindowFixture, StaysWhileAModalDialogOrItsOwnDialogIsUp) {
    BetaSettingsWindowController controller({});
    controller.show();
    {
        QDialog alert;
        alert.setModal(true);
        alert.show();
        deactivate(controller.window());
        EXPECT_TRUE(controller.isVisible());
    }
    {
        auto* sheet = new QDialog(controller.window());
        sheet->show();
        deactivate(controller.window());
        EXPECT_TRUE(controller.isVisible());
        delete sheet;
    }
    deactivate(controller.window());
    EXPECT_FALSE(controller.isVisible());
}

TEST_F(SettingsWindowFixture, HidingOrClosingLetsGoOfUnsavedWordListEdits) {
    BetaSettingsWindowController controller({});
    controller.show();
    controller.model().setVocabularyText(QStringLiteral("Quendle\nOrvane"));
    ASSERT_TRUE(BetaSettingsModel::vocabularyEditPending());
    controller.window()->close();
    EXPECT_FALSE(BetaSettingsModel::vocabularyEditPending());

    controller.show();
    controller.model().setCorrections(QStringLiteral("a → b"));
    ASSERT_TRUE(BetaSettingsModel::vocabularyEditPending());
    deactivate(controller.window());
    EXPECT_FALSE(BetaSettingsModel::vocabularyEditPending());
    // The edit itself survives the next open.
    controller.show();
    EXPECT_EQ(controller.model().corrections(), QStringLiteral("a → b"));
}

TEST_F(SettingsWindowFixture, NeverSmallerThanTheMinimum) {
    BetaSettingsWindowController controller({});
    controller.show();
    controller.window()->resize(200, 300);
    EXPECT_GE(controller.window()->width(), 380);
    EXPECT_GE(controller.window()->height(), 640);
    EXPECT_GE(controller.root()->minimumWidth(), 380);
    EXPECT_GE(controller.root()->minimumHeight(), 640);
}

TEST_F(SettingsWindowFixture, PagesComeFromTheDestinationAndSlideByDirection) {
    int built = 0;
    BetaSettingsWindowController controller({}, nullptr,
                                            [&](S screen, BetaSettingsModel&, SettingsNav&) -> QWidget* {
                                                if (screen != S::sounds) return nullptr;
                                                ++built;
                                                return new QLabel(QStringLiteral("sounds page"));
                                            });
    controller.show();
    BetaSettingsRoot* root = controller.root();
    const int width = root->width();

    root->nav().push(S::sounds);
    ASSERT_TRUE(root->isTransitioning());
    EXPECT_EQ(root->page()->x(), width);  // a forward move comes in from the right
    root->completeTransition();
    EXPECT_EQ(root->page()->x(), 0);
    EXPECT_EQ(built, 1);
    ASSERT_NE(qobject_cast<QLabel*>(root->page()->content()), nullptr);

    root->nav().pop();
    ASSERT_TRUE(root->isTransitioning());
    EXPECT_EQ(root->page()->x(), -width);  // a backward move comes in from the left
    root->completeTransition();
    EXPECT_EQ(root->page()->geometry(), root->rect());

    // A screen nobody builds yet is an empty page under its title.
    root->nav().push(S::permissions);
    root->completeTransition();
    EXPECT_EQ(root->page()->title(), QStringLiteral("許可の状態"));
    EXPECT_EQ(root->page()->content()->children().size(), 0);
}

TEST_F(SettingsWindowFixture, DarkAppearanceRecolorsAnOpenWindow) {
    BetaSettingsWindowController controller({});
    controller.show();
    const PaletteLabel* title = controller.root()->page()->titleLabel();
    EXPECT_NE(title->palette().color(QPalette::WindowText), QColor(245, 247, 255));

    QPalette dark = QApplication::palette();
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    QApplication::processEvents();  // the desktop's palette change is posted to the windows
    EXPECT_EQ(Palette::currentAppearance(), Palette::Appearance::darkAqua);
    EXPECT_EQ(Palette::background(), QColor(14, 22, 38));
    EXPECT_EQ(Palette::windowBackground(), QColor(14, 22, 38));
    EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor(245, 247, 255));
    EXPECT_EQ(controller.window()->palette().color(QPalette::Window), QColor(14, 22, 38));
    EXPECT_EQ(controller.root()->grab().toImage().pixelColor(5, 5), QColor(14, 22, 38));
}

TEST(PaletteTest, OnlyTheDarkAppearanceGetsTheDarkColours) {
    using A = Palette::Appearance;
    EXPECT_EQ(Palette::pick(A::darkAqua, Qt::black, Qt::white), QColor(Qt::black));
    EXPECT_EQ(Palette::pick(A::aqua, Qt::black, Qt::white), QColor(Qt::white));
    EXPECT_EQ(Palette::pick(A::other, Qt::black, Qt::white), QColor(Qt::white));
    EXPECT_EQ(Palette::text(A::darkAqua), QColor(245, 247, 255));
    EXPECT_EQ(Palette::secondaryText(A::darkAqua), QColor(169, 182, 211));
    QColor fill(111, 167, 255);
    fill.setAlphaF(0.14f);
    EXPECT_EQ(Palette::selectedFill(A::darkAqua), fill);
    EXPECT_NEAR(Palette::cardBackground(A::darkAqua).alphaF(), 0.06, 0.005);
    EXPECT_NEAR(Palette::separator(A::darkAqua).alphaF(), 0.09, 0.005);
    EXPECT_EQ(Palette::accent(A::darkAqua), QColor(156, 195, 255));
}

// Every symbol the settings name must draw a real icon, not the letters of its ligature.
TEST(SymbolLabelTest, EveryMappedSymbolIsOneGlyphOfTheIconFont) {
    const QFont font = SymbolLabel::symbolFont(16);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Material Icons"));
    const QFontMetrics metrics(font);
    const QStringList names = {"waveform", "wand.and.stars", "briefcase.fill", "person.2.fill", "hand.wave.fill",
                               "heart.fill", "text.alignleft", "text.justify", "text.append", "text.bubble.fill",
                               "keyboard.fill", "bolt.fill", "cloud.fill", "sparkles", "speedometer", "pin.fill",
                               "hand.tap.fill", "chevron.left", "chevron.right", "info.circle", "checkmark",
                               "exclamationmark.triangle.fill", "mic.fill", "pencil.line", "square.grid.2x2",
                               "checkmark.shield", "questionmark.circle", "arrow.triangle.2.circlepath", "envelope",
                               "speaker.wave.2", "switch.2", "camera.viewfinder", "delete.left", "slider.horizontal.3",
                               "rectangle.topthird.inset.filled", "arrow.counterclockwise", "text.book.closed.fill"};
    for (const QString& name : names) {
        const QString ligature = SymbolLabel::ligature(name);
        ASSERT_FALSE(ligature.isEmpty()) << name.toStdString();
        EXPECT_LE(metrics.horizontalAdvance(ligature), font.pixelSize() * 1.5) << name.toStdString();
    }
    EXPECT_TRUE(SymbolLabel::ligature(QStringLiteral("no.such.symbol")).isEmpty());
}

TEST(RowKitTest, RowsRunTheirActionFromAnywhereOnTheRow) {
    int clicks = 0;
    auto* row = new Row(std::nullopt, QStringLiteral("効果音"), QString(), std::nullopt, [&] { ++clicks; });
    Host host(row);
    EXPECT_EQ(row->icon(), nullptr);
    EXPECT_EQ(row->infoMark(), nullptr);
    clickAt(row, QPoint(3, 3));                                // the padding
    clickAt(row, QPoint(row->width() / 2, row->height() / 2));  // the spacer
    clickAt(row, QPoint(20, row->height() / 2));               // the title
    EXPECT_EQ(clicks, 3);
    EXPECT_GT(row->height(), 30);
}

TEST(RowKitTest, ALongValueWrapsUnderTheTitleAndTheRowGrows) {
    const QString value = QString(60, QChar(0x3042));
    auto* row = new Row(QStringLiteral("mic.fill"), QStringLiteral("スピーチの入力"), value,
                        QStringLiteral("説明"), [] {});
    Host host(row);
    QRect title;
    for (const QLabel* label : row->findChildren<QLabel*>())
        if (label->text() == row->title()) title = label->geometry();
    const QRect shown = row->valueLabel()->geometry();
    EXPECT_GE(shown.top(), title.bottom());
    EXPECT_LE(shown.right(), row->width());
    EXPECT_GE(shown.height(), row->valueLabel()->heightForWidth(shown.width()));
    EXPECT_GE(row->height(), shown.bottom());

    // A short value stays on the title's line.
    row->setValue(QStringLiteral("オン"));
    host.window.layout()->activate();
    EXPECT_LT(row->valueLabel()->geometry().top(), title.bottom());
}

TEST(RowKitTest, OnlyTheSwitchOfAToggleRowChangesTheSetting) {
    bool stored = false;
    int writes = 0;
    auto* row = new ToggleRow(QStringLiteral("修正バー"), {[&] { return stored; }, [&](bool on) {
                                                          ++writes;
                                                          stored = on;
                                                      }});
    Host host(row);
    clickAt(row, QPoint(20, row->height() / 2));
    EXPECT_EQ(writes, 0);
    EXPECT_FALSE(row->toggle()->isChecked());
    row->toggle()->click();
    EXPECT_EQ(writes, 1);
    EXPECT_TRUE(stored);
    EXPECT_TRUE(row->toggle()->isChecked());
    // A refused change shows the stored value again.
    auto* refusing = new ToggleRow(QStringLiteral("x"), {[] { return false; }, [](bool) {}});
    Host other(refusing);
    refusing->toggle()->click();
    EXPECT_FALSE(refusing->toggle()->isChecked());
}

TEST(RowKitTest, CheckRowsAndGroups) {
    auto* plain = new CheckRow(QStringLiteral("入れない"), QString(), true, [] {});
    auto* wrapped = new CheckRow(QStringLiteral("使い分ける"), QString(200, QChar(0x3042)), false, [] {});
    auto* group = new RowGroup(QStringLiteral(""));
    group->addRows({plain, wrapped});
    Host host(group);
    EXPECT_EQ(plain->subtitleLabel(), nullptr);
    EXPECT_TRUE(plain->checkMark()->isVisible());
    EXPECT_FALSE(wrapped->checkMark()->isVisible());
    EXPECT_GT(wrapped->height(), plain->height() * 2);  // the long subtitle wraps
    ASSERT_NE(group->header(), nullptr);
    EXPECT_GT(group->header()->height(), 0);  // an empty heading keeps its line
    EXPECT_EQ(RowGroup(std::nullopt).header(), nullptr);
}

TEST(RowKitTest, AClickOnTheInfoMarkShowsItsTextUntilTheNextClickOrAPressElsewhere) {
    const QString text = QString(120, QChar(0x3042));
    auto* mark = new InfoMark(text);
    Host host(mark);
    EXPECT_TRUE(Qt::mightBeRichText(mark->toolTip()));  // the hover text wraps
    const auto pressAndRelease = [](QWidget* target, QPointF at) {
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(target, &event);
        }
    };
    pressAndRelease(mark, QPointF(11, 11));
    EXPECT_TRUE(mark->shown());  // still up after the button is let go
    ASSERT_NE(mark->popover(), nullptr);
    EXPECT_TRUE(mark->popover()->isVisible());
    EXPECT_LE(mark->popover()->width(), InfoMark::kPopoverTextWidth + 24 + 2);  // long text wraps
    pressAndRelease(mark, QPointF(11, 11));
    EXPECT_FALSE(mark->shown());

    pressAndRelease(mark, QPointF(11, 11));
    ASSERT_TRUE(mark->shown());
    pressAndRelease(&host.window, QPointF(200, 200));
    EXPECT_FALSE(mark->shown());
}

TEST(OptionCardTest, SelectedAndPlainCardsDifferOnlyInFillOutlineAndIcon) {
    const Copy::Item item = *Copy::find(Copy::qualityTiers(), QStringLiteral("high"));
    int clicks = 0;
    auto* selected = new PickCard(item, true, [&] { ++clicks; });
    auto* plain = new PickCard(item, false, [&] { ++clicks; });
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->addWidget(selected);
    layout->addWidget(plain);
    Host host(column);
    EXPECT_EQ(selected->fillColor(), Palette::selectedFill());
    EXPECT_EQ(plain->fillColor(), Palette::withOpacity(Palette::labelColor(), 0.05));
    EXPECT_EQ(selected->outlineColor(), Palette::accent());
    EXPECT_EQ(plain->outlineColor(), Palette::separator());
    EXPECT_EQ(selected->outlineWidth(), 1.5);
    EXPECT_EQ(plain->outlineWidth(), 1.0);
    EXPECT_EQ(selected->icon()->color(), Palette::text());
    EXPECT_EQ(plain->icon()->color(), Palette::secondaryText());
    EXPECT_EQ(selected->height(), plain->height());
    clickAt(plain, QPoint(plain->width() - 3, plain->height() - 3));
    clickAt(plain, QPoint(15, 15));  // on the icon
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(plain->isSelected());  // the screen decides

    auto* bare = new PickCard({QStringLiteral("bolt.fill"), QStringLiteral("Low"), QString()}, false, [] {});
    Host other(bare);
    EXPECT_EQ(bare->detailLabel(), nullptr);
    EXPECT_LT(bare->height(), plain->height());
}

}  // namespace
