#pragma once

#include "dictation/HUDContent.h"
#include "dictation/HUDPlacement.h"
#include "dictation/RecordingHUD.h"
#include "platform/MainQueue.h"

#include <QFont>
#include <QPointF>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <vector>
#include <optional>

class QWidget;
class HUDWindow;
class Screens;

// The recording panel: a small floating window while a recording runs, with the quality chips,
// the cleanup-style carousel, the arrows that flash when an arrow key changed a choice, and the
// microphone whose pulse follows the input level. It never takes the keyboard focus (the text
// goes to the field the user dictates into); only its chips answer clicks.
//
// show() waits 0.15 s before the panel appears, so that a tap that is no recording never flashes
// it (an update() meanwhile waits too); hide() fades it out over 0.15 s. Fades, the arrow flash
// and the carousel's slide run on the main queue's clock. A visible panel keeps its top-centre
// while its content changes. After hide(), only the next show() brings the panel up again.
class RecordingHUDPanel final : public RecordingHUD {
public:
    static constexpr double kShowDelay = 0.15;
    static constexpr double kFadeIn = 0.12;
    static constexpr double kFadeOut = 0.15;
    static constexpr double kFlash = 0.35;
    static constexpr double kSlide = 0.15;

    explicit RecordingHUDPanel(HUDPlacement::Services services);
    ~RecordingHUDPanel() override;
    RecordingHUDPanel(const RecordingHUDPanel&) = delete;
    RecordingHUDPanel& operator=(const RecordingHUDPanel&) = delete;

    void show() override;
    void hide() override;
    void update() override;
    bool exists() const override;
    bool hasMicPulse() const override;
    void setMicPulse(float value) override;

    // ---- what the window shows, for tests and the preview
    QWidget* window() const;
    bool isShowPending() const { return pendingShow_ != 0; }
    const HUDContent::Layout& content() const { return content_; }
    double arrowAlpha(Arrow arrow) const;
    double slideOffset() const { return slide_; }
    double micPulse() const { return pulse_; }
    // Clicks the chip at a point of the window (what a mouse click does).
    bool clickAt(QPointF point);

private:
    friend class HUDWindow;
    struct Animation {
        quint64 id;
        double start;
        double duration;
        std::function<void(double)> step;  // progress 0 … 1
        std::function<void()> done;
    };

    void rebuild();
    void ensureWindow();
    void placed(const HUDPlacement::Result& result);
    void moveToGlobal(const QRectF& frame);
    QRectF globalFrame() const;
    double primaryHeight() const;
    quint64 animate(double duration, std::function<void(double)> step, std::function<void()> done = nullptr);
    void stopAnimation(quint64& id);
    void tick();

    HUDPlacement placement_;
    std::unique_ptr<HUDWindow> window_;
    std::shared_ptr<RecordingHUDPanel*> alive_;
    Screens* screens_;
    QFont chipFont_;

    MainQueue::TimerId pendingShow_ = 0;
    bool wanted_ = false;  // between show() and hide(): only then may a rebuild place the panel
    std::optional<QPointF> lastAnchor_;  // top-centre after the last placement (global, y up)
    bool isSessionMode_ = false;
    bool built_ = false;
    std::optional<int> cleanupIndex_;
    HUDContent::Layout content_;
    std::map<Arrow, double> arrowAlpha_;
    double slide_ = 0;
    float pulse_ = 0;

    std::vector<Animation> animations_;
    quint64 nextAnimation_ = 1;
    MainQueue::TimerId ticker_ = 0;
    quint64 fade_ = 0;
    quint64 slideAnimation_ = 0;
    std::map<Arrow, quint64> flashes_;
};
