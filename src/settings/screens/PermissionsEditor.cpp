#include "settings/screens/PermissionsEditor.h"

#include "settings/BetaSettingsModel.h"
#include "settings/screens/ScreenContext.h"
#include "settings/ui/Palette.h"
#include "settings/ui/PaletteLabel.h"
#include "settings/ui/RowGroup.h"
#include "settings/ui/RowLine.h"
#include "settings/ui/SettingsFont.h"
#include "settings/ui/SymbolLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>

namespace {

// The desktop's standard green, for a granted permission.
QColor systemGreen() { return QColor(52, 199, 89); }

// A plain button whose label sits on a thin capsule outline.
class CapsuleButton : public RowButton {
public:
    CapsuleButton(const QString& text, Action action, QWidget* parent = nullptr) : RowButton(std::move(action), parent) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(16, 9, 16, 9);
        layout->addWidget(new PaletteLabel(text, SettingsFont::semibold(13), [] { return Palette::text(); }, this));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF outline = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const double radius = outline.height() / 2.0;
        painter.setPen(QPen(Palette::withOpacity(Palette::secondaryText(), 0.45), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(outline, radius, radius);
    }
};

}  // namespace

// ---------------------------------------------------------------- PermissionRow

QString PermissionRow::title(Step step) {
    switch (step) {
    case Step::microphone: return QStringLiteral("マイクを使えるようにする");
    case Step::speech: return QStringLiteral("音声認識を使えるようにする");
    case Step::accessibility: return QStringLiteral("キー操作を読み取れるようにする");
    case Step::inputMonitoring: return QStringLiteral("キーの押し下げを見られるようにする");
    }
    return {};
}

PermissionRow::PermissionRow(Step step, OnboardingWindow* onboarding, QWidget* parent)
    : RowButton({}, parent), step_(step), onboarding_(onboarding) {
    setAction([this] {
        if (opens_) openSettingsPane();
    });
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(12);
    layout->setContentsMargins(16, 13, 16, 13);
    icon_ = new SymbolLabel(QString(), 17, {}, {}, this);
    layout->addWidget(icon_, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->setContentsMargins(0, 0, 0, 0);
    title_ = new PaletteLabel(title(step), SettingsFont::make(15), [] { return Palette::text(); }, this);
    status_ = new PaletteLabel(QString(), SettingsFont::make(12), [] { return Palette::systemSecondary(); }, this);
    status_->setWrapping(true);
    texts->addWidget(title_);
    texts->addWidget(status_);
    layout->addLayout(texts, 1);

    layout->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Minimum, QSizePolicy::Minimum));
    opensMark_ = new SymbolLabel(QStringLiteral("arrow.up.forward.square"), 13,
                                 [] { return Palette::withOpacity(Palette::secondaryText(), 0.7); }, {}, this);
    layout->addWidget(opensMark_, 0, Qt::AlignVCenter);
    refresh();
}

QString PermissionRow::title() const { return title_->text(); }

QString PermissionRow::statusText() const { return status_->text(); }

void PermissionRow::refresh() {
    granted_ = onboarding_ && onboarding_->isGrantedNow(step_);
    // A row leads somewhere only where the desktop has settings for the permission.
    opens_ = onboarding_ && onboarding_->opensSettings(step_);
    opensMark_->setVisible(opens_);
    setAttribute(Qt::WA_TransparentForMouseEvents, !opens_);
    if (granted_) {
        icon_->setName(QStringLiteral("checkmark.circle.fill"));
        icon_->setColorSource([] { return systemGreen(); });
        status_->setText(QStringLiteral("許可されています"));
    } else {
        icon_->setName(QStringLiteral("exclamationmark.circle.fill"));
        icon_->setColorSource([] { return Palette::systemOrange(); });
        // Nobody grants anything here: the row names what the desktop lacks.
        status_->setText(OnboardingWindow::missingText(step_) +
                         (opens_ ? QStringLiteral("（押すと設定を開きます）") : QString()));
    }
    // Key watching the display does not grant is asked of the probe's child on a worker; its
    // answer shows here when it comes (and starts no new child).
    if (!granted_ && step_ == Step::inputMonitoring && onboarding_ && !showingProbeAnswer_) {
        QPointer<PermissionRow> self(this);
        onboarding_->probeInputMonitoringInBackground([self](bool) {
            if (!self) return;
            self->showingProbeAnswer_ = true;
            self->refresh();
            self->showingProbeAnswer_ = false;
        });
    }
}

void PermissionRow::openSettingsPane() {
    if (!onboarding_) return;
    // The answer of a request that settles later (a microphone still being looked for) shows in
    // this row if the row is still there.
    QPointer<PermissionRow> self(this);
    onboarding_->request(step_, [self] {
        if (self) self->refresh();
    });
}

// ---------------------------------------------------------------- PermissionsEditor

PermissionsEditor::PermissionsEditor(BetaSettingsModel& model, OnboardingWindow* onboarding, QWidget* parent)
    : EditorPage(10, parent), model_(model), onboarding_(onboarding), refreshedAt_(QDateTime::currentDateTime()) {
    QWidget* body = column();

    auto* intro = new PaletteLabel(
        QStringLiteral("Quendle が動くのに必要な4つです。ひとつでも欠けると、話しても文字が入りません。"),
        SettingsFont::make(12), [] { return Palette::systemSecondary(); }, body);
    intro->setWrapping(true);
    add(intro);

    auto* group = new RowGroup(std::nullopt, {}, body);
    for (const PermissionRow::Step step : OnboardingWindow::allCases) {
        if (!rows_.isEmpty()) group->add(new RowLine);
        auto* row = new PermissionRow(step, onboarding);
        rows_.append(row);
        group->add(row);
    }
    add(group);

    // The button stands 2 below the group, at the leading edge.
    auto* buttonLine = new QHBoxLayout;
    buttonLine->setContentsMargins(0, 2, 0, 0);
    recheck_ = new CapsuleButton(QStringLiteral("状態を確かめ直す"), [this] { recheck(); }, body);
    buttonLine->addWidget(recheck_);
    buttonLine->addStretch(1);
    addLayout(buttonLine);

    auto* note = new PaletteLabel(
        QStringLiteral("許可を変えた直後は、反映まで少しかかることがあります。変わらないときは Quendle を再起動してください。"),
        SettingsFont::make(11), [] { return Palette::secondaryText(); }, body);
    note->setWrapping(true);
    note->setContentsMargins(0, 4, 0, 0);
    add(note);
}

void PermissionsEditor::refresh() {
    refreshedAt_ = QDateTime::currentDateTime();
    for (PermissionRow* row : rows_) row->refresh();
}

void PermissionsEditor::recheck() {
    refresh();
    model_.reload();
    // The desktop is asked again now, not from what it answered a while ago; the rows show the
    // fresh answers when they are there.
    if (!onboarding_) return;
    QPointer<PermissionsEditor> self(this);
    onboarding_->checkAgain([self] {
        if (self) self->refresh();
    });
}

void PermissionsEditor::showEvent(QShowEvent* event) {
    EditorPage::showEvent(event);
    if (!checkedSinceHidden_) refresh();
    checkedSinceHidden_ = true;
}

void PermissionsEditor::hideEvent(QHideEvent* event) {
    EditorPage::hideEvent(event);
    checkedSinceHidden_ = false;
}

QWidget* makePermissionsScreen(BetaSettingsModel& model, SettingsNav&, const ScreenContext& context) {
    return new PermissionsEditor(model, context.onboarding);
}
