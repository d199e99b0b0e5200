#include "settings/ui/SettingsSectionList.h"

#include "settings/SettingsNav.h"
#include "settings/ui/Row.h"
#include "settings/ui/RowGroup.h"

#include <QVBoxLayout>

SettingsSectionList::SettingsSectionList(BetaSettingsModel& model, SettingsNav& nav, QWidget* parent)
    : QScrollArea(parent), model_(model) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    auto* body = new QWidget;
    body->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(20);

    const auto push = [&nav](SettingsScreen screen) { return [&nav, screen] { nav.push(screen); }; };
    auto* corrections = new Row(QStringLiteral("pencil.line"), SettingsScreens::title(SettingsScreen::corrections),
                                QString(), std::nullopt, push(SettingsScreen::corrections));
    auto* speak = new Row(QStringLiteral("mic.fill"), SettingsScreens::title(SettingsScreen::speak), QString(),
                          std::nullopt, push(SettingsScreen::speak));
    auto* text = new Row(QStringLiteral("text.alignleft"), SettingsScreens::title(SettingsScreen::text), QString(),
                         std::nullopt, push(SettingsScreen::text));
    auto* extras = new Row(QStringLiteral("square.grid.2x2"), SettingsScreens::title(SettingsScreen::extras), QString(),
                           std::nullopt, push(SettingsScreen::extras));
    rows_ = {corrections, speak, text, extras};

    auto* first = new RowGroup;
    first->addRows({corrections});
    auto* second = new RowGroup;
    second->addRows({speak, text, extras});
    layout->addWidget(first);
    layout->addWidget(second);
    layout->addStretch(1);
    setWidget(body);

    refresh();
    observer_ = model_.observe([this](BetaSettingsModel::Property) { refresh(); });
}

SettingsSectionList::~SettingsSectionList() { model_.unobserve(observer_); }

void SettingsSectionList::refresh() {
    rows_[0]->setValue(model_.correctionsSummary());
    rows_[1]->setValue(model_.triggerKeyDisplayName());
    rows_[2]->setValue(model_.qualityLabel() + QStringLiteral("・") + model_.cleanupModeLabel());
}
