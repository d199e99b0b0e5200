#include "settings/screens/TextContent.h"

#include "core/AppPrefs.h"
#include "settings/BetaSettingsModel.h"
#include "settings/SettingsNav.h"
#include "settings/screens/ModelWatch.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/Row.h"
#include "settings/ui/RowGroup.h"
#include "settings/ui/ToggleRow.h"

namespace {

// The occupation's name as the occupation screen lists it ("指定なし" for none or an unknown one).
QString occupationLabel(const QString& field) {
    for (const AppPrefs::LabelRow& row : AppPrefs::occupationTable())
        if (row.key == field) return row.label;
    return AppPrefs::occupationTable().first().label;
}

}  // namespace

TextContent::TextContent(BetaSettingsModel& model, SettingsNav& nav, QWidget* parent)
    : PlainPage(20, parent), model_(model) {
    const auto row = [this, &nav](const QString& icon, SettingsScreen screen) {
        auto* made = new Row(icon, SettingsScreens::title(screen), QString(), std::nullopt, [&nav, screen] {
            nav.push(screen);
        });
        rows_.append(made);
        return made;
    };
    auto* making = new RowGroup(QStringLiteral("文字の作り方"));
    making->addRows({row(QStringLiteral("slider.horizontal.3"), SettingsScreen::quality),
                     row(QStringLiteral("globe"), SettingsScreen::outputLanguage),
                     row(QStringLiteral("wand.and.stars"), SettingsScreen::cleanup),
                     row(QStringLiteral("arrow.turn.down.left"), SettingsScreen::newline)});
    auto* learning = new RowGroup(QStringLiteral("覚えさせる"));
    Row* vocabulary = row(QStringLiteral("text.book.closed.fill"), SettingsScreen::vocabulary);
    Row* corrections = row(QStringLiteral("pencil.line"), SettingsScreen::corrections);
    // The occupation sits beside the words it teaches.
    Row* job = row(QStringLiteral("briefcase.fill"), SettingsScreen::job);
    learning->addRows({vocabulary, job, corrections});

    BetaSettingsModel* m = &model_;
    toggles_.append(new ToggleRow(QStringLiteral("入れたあとに「言い直しに追加」を出す"),
                                  Binding<bool>{[m] { return m->correctionBarEnabled(); },
                                                [m](bool on) { m->setCorrectionBarEnabled(on); }}));
    toggles_.append(new ToggleRow(QStringLiteral("入力した文字をクリップボードに残す"),
                                  Binding<bool>{[m] { return m->keepInsertedTextOnClipboard(); },
                                                [m](bool on) { m->setKeepInsertedTextOnClipboard(on); }}));
    auto* after = new RowGroup(QStringLiteral("入力したあと"));
    after->addRows({toggles_[0], toggles_[1]});

    add(making);
    add(learning);
    add(after);

    refresh();
    watchModel(this, model_, [this] { refresh(); });
}

void TextContent::refresh() {
    rows_[0]->setValue(model_.qualityLabel());
    rows_[1]->setValue(model_.outputLanguageLabel());
    rows_[2]->setValue(model_.cleanupModeLabel());
    rows_[3]->setValue(model_.newlineStyleLabel());
    rows_[4]->setValue(QString());
    rows_[5]->setValue(model_.correctionsSummary());
    rows_[6]->setValue(occupationLabel(model_.field()));
    for (ToggleRow* toggle : toggles_) toggle->refresh();
}

QWidget* makeTextScreen(BetaSettingsModel& model, SettingsNav& nav, const ScreenContext&) {
    return new TextContent(model, nav);
}
