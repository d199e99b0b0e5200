#include "settings/ui/BetaSettingsWindowController.h"

#include "core/ui/WindowPlacement.h"
#include "settings/ui/Palette.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace {

void paintWindowBackground(QWidget* window) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, Palette::windowBackground());
    window->setPalette(palette);
}

}  // namespace

BetaSettingsWindowController::BetaSettingsWindowController(SettingsActions actions, Sounds* sounds,
                                                           BetaSettingsRoot::Destination destination)
    : model_(std::make_unique<BetaSettingsModel>(std::move(actions), sounds)) {
    window_ = std::make_unique<QWidget>(nullptr, Qt::Window);
    window_->setWindowTitle(QStringLiteral("Quendle の設定"));
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
    window_->setAttribute(Qt::WA_QuitOnClose, false);
    window_->setMinimumSize(BetaSettingsRoot::kMinimumWidth, BetaSettingsRoot::kMinimumHeight);
    window_->setAutoFillBackground(true);
    paintWindowBackground(window_.get());
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    root_ = new BetaSettingsRoot(*model_, std::move(destination), window_.get());
    layout->addWidget(root_);
    window_->resize(kWidth, kHeight);
    window_->installEventFilter(this);
}

BetaSettingsWindowController::~BetaSettingsWindowController() {
    if (window_) window_->removeEventFilter(this);
    // The window (and the root observing the model) goes before the model.
    window_.reset();
}

QRect BetaSettingsWindowController::placement(const QRect& area, const QMargins& frame) {
    return WindowPlacement::fitted(area, frame, QSize(kWidth, kHeight));
}

void BetaSettingsWindowController::place() {
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = WindowPlacement::frameOf(*window_);
    const QRect target = placement(area, frame);
    window_->setMinimumSize(std::min(BetaSettingsRoot::kMinimumWidth, target.width()),
                            std::min(BetaSettingsRoot::kMinimumHeight, target.height()));
    window_->resize(target.size());
    // A window's position is that of its frame.
    window_->move(target.topLeft() - QPoint(frame.left(), frame.top()));
}

void BetaSettingsWindowController::show() {
    model_->reload();
    if (!placed_) {
        place();
        placed_ = true;
    }
    if (!window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        // Changing the flags of a shown window re-creates it; the flag is set once and kept.
        window_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

bool BetaSettingsWindowController::isVisible() const { return window_ && window_->isVisible(); }

void BetaSettingsWindowController::reloadIfVisible() {
    if (isVisible()) model_->reload();
}

bool BetaSettingsWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_.get()) {
        switch (event->type()) {
        case QEvent::WindowDeactivate: resignedActive(); break;
        case QEvent::Close: willClose(); break;
        case QEvent::ApplicationPaletteChange: paintWindowBackground(window_.get()); break;
        case QEvent::Move:
            // Framed by the window manager now: when the guessed frame was too small, fit again.
            if (placed_ && !frameChecked_ && window_->isVisible() && window_->frameGeometry() != window_->geometry()) {
                frameChecked_ = true;
                const QScreen* screen = window_->screen();
                if (screen && !screen->availableGeometry().contains(window_->frameGeometry())) place();
            }
            break;
        default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void BetaSettingsWindowController::resignedActive() {
    // A modal dialog (an alert over the application) takes the focus without sending us away.
    if (QApplication::activeModalWidget()) return;
    if (!window_->isVisible()) return;
    if (hasOwnWindowUp()) return;
    if (ownsWindow(QApplication::activeWindow())) return;
    window_->hide();
    model_->setNavResetTick(model_->navResetTick() + 1);
    model_->releaseVocabularyEditHold();
}

void BetaSettingsWindowController::willClose() {
    model_->setNavResetTick(model_->navResetTick() + 1);
    model_->releaseVocabularyEditHold();
}

bool BetaSettingsWindowController::ownsWindow(const QWidget* widget) const {
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (w == window_.get()) return widget != window_.get();
    return false;
}

bool BetaSettingsWindowController::hasOwnWindowUp() const {
    if (QWidget* popup = QApplication::activePopupWidget(); popup && ownsWindow(popup)) return true;
    const QList<QWidget*> children = window_->findChildren<QWidget*>();
    for (const QWidget* child : children)
        if (child->isWindow() && child->isVisible()) return true;
    return false;
}
