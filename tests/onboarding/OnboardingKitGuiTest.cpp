#include "onboarding/ui/OnboardingCard.h"
#include "onboarding/ui/OnboardingCheckButton.h"
#include "onboarding/ui/OnboardingChipView.h"
#include "onboarding/ui/OnboardingDotsView.h"
#include "onboarding/ui/OnboardingHStack.h"
#include "onboarding/ui/OnboardingItemRow.h"
#include "onboarding/ui/OnboardingKeycapView.h"
#include "onboarding/ui/OnboardingLinkButton.h"
#include "onboarding/ui/OnboardingPillButton.h"
#include "onboarding/ui/OnboardingV2Palette.h"
#include "onboarding/ui/OnboardingWaveformView.h"
#include "platform/fake/FakeMainQueue.h"

#include <QImage>
#include <QLabel>
#include <gtest/gtest.h>

#include <memory>

namespace {

QImage rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST(OnboardingKitGuiTest, DotsSizeAndPlacement) {
    OnboardingDotsView dots;
    EXPECT_EQ(dots.sizeHint(), QSize(0, 0));
    dots.count = -3;
    EXPECT_EQ(dots.sizeHint(), QSize(0, 0));
    EXPECT_TRUE(dots.dotRects().isEmpty());

    dots.count = 1;
    dots.resize(dots.sizeHint());
    EXPECT_EQ(dots.sizeHint(), QSize(18, 6));
    EXPECT_EQ(dots.dotRects(), (QList<QRectF>{QRectF(0, 0, 18, 6)}));
    EXPECT_EQ(rendered(dots).pixelColor(9, 3), OnboardingV2Palette::accent());

    dots.count = 4;
    dots.current = 2;
    EXPECT_EQ(dots.sizeHint(), QSize(3 * 14 + 18, 6));
    const QList<QRectF> rects = dots.dotRects();
    EXPECT_EQ(rects[2], QRectF(28, 0, 18, 6));
    EXPECT_EQ(rects[3], QRectF(54, 0, 6, 6));
    // No dot highlighted: all 6 wide, 12 short of the intrinsic width.
    dots.current = 7;
    EXPECT_EQ(dots.dotRects().back().right(), 14 * 4 - 8);
}

TEST(OnboardingKitGuiTest, ButtonsRunTheirHandlerOncePerClick) {
    int pills = 0, links = 0, checks = 0;
    OnboardingPillButton pill(QStringLiteral("はじめる"), [&] { ++pills; });
    OnboardingLinkButton link(QStringLiteral("スキップ"), [&] { ++links; });
    OnboardingCheckButton check([&] { ++checks; });
    pill.click();
    pill.click();
    link.click();
    check.click();
    EXPECT_EQ(pills, 2);
    EXPECT_EQ(links, 1);
    EXPECT_EQ(checks, 1);
    check.isOn = true;  // a checked button ignores clicks until its owner clears it
    check.applyStyle();
    check.click();
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(check.size(), QSize(26, 26));

    // A full pill at any height: transparent corners, accent inside.
    pill.resize(200, 40);
    EXPECT_EQ(pill.cornerRadius(), 20);
    const QImage image = rendered(pill);
    EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);
    EXPECT_EQ(image.pixelColor(20, 20), OnboardingV2Palette::accent());
    pill.setTitleText(QStringLiteral("次へ"));
    EXPECT_EQ(pill.text(), QStringLiteral("次へ"));
}

TEST(OnboardingKitGuiTest, CardsAndRowsSizeThemselves) {
    auto card = onboardingCard(QStringLiteral("短い"), Qt::AlignLeft, 300, 120, 14);
    std::unique_ptr<QWidget> cardOwner(card.card);
    EXPECT_EQ(card.card->size(), QSize(300, 120));
    EXPECT_EQ(card.label->geometry().topLeft(), QPoint(16, 16));
    EXPECT_EQ(card.label->width(), 268);
    const QString longText(400, QChar(u'あ'));
    auto tall = onboardingCard(longText, Qt::AlignLeft, 300, 60, 14);
    std::unique_ptr<QWidget> tallOwner(tall.card);
    EXPECT_EQ(tall.card->height(), tall.label->height() + 32);
    EXPECT_GT(tall.card->height(), 100);

    OnboardingItemRow plain(QString(), QStringLiteral("マイク"), QString(), nullptr, 360);
    EXPECT_EQ(plain.size(), QSize(360, 58));
    EXPECT_EQ(plain.titleLabel()->geometry(), QRect(14, 20, 332, 18));
    EXPECT_EQ(plain.iconTile(), nullptr);

    auto* check = new OnboardingCheckButton({});
    OnboardingItemRow full(QStringLiteral("🎤"), QStringLiteral("マイク"), QString(300, QChar(u'い')), check, 360);
    EXPECT_EQ(full.trailingView, check);
    EXPECT_EQ(check->geometry().topLeft(), QPoint(360 - 14 - 26, (full.height() - 26) / 2));
    EXPECT_EQ(full.titleLabel()->x(), 62);
    EXPECT_EQ(full.titleLabel()->width(), 360 - 62 - 14 - 34);
    EXPECT_GT(full.height(), 58);
    EXPECT_EQ(full.detailLabel()->y(), full.titleLabel()->y() + 21);

    OnboardingItemRow narrow(QStringLiteral("A"), QStringLiteral("t"), QString(), nullptr, 60);
    EXPECT_EQ(narrow.titleLabel()->width(), 40);
}

TEST(OnboardingKitGuiTest, StackCentresItsViewsAndChipsSwitchStyle) {
    OnboardingHStack empty({}, 8, 200);
    EXPECT_EQ(empty.size(), QSize(200, 0));
    EXPECT_TRUE(empty.children().isEmpty());

    auto* a = new QWidget;
    a->resize(40, 20);
    auto* b = new QWidget;
    b->resize(60, 30);
    OnboardingHStack row({a, b}, 10, 200);
    EXPECT_EQ(row.height(), 30);
    EXPECT_EQ(a->geometry(), QRect(45, 5, 40, 20));
    EXPECT_EQ(b->geometry(), QRect(95, 0, 60, 30));

    OnboardingChipView chip(QStringLiteral("ていねい"), false, OnboardingV2Palette::accent());
    EXPECT_EQ(chip.height(), 30);
    EXPECT_EQ(chip.width(), chip.label()->width() + 28);
    EXPECT_EQ(chip.fill(), OnboardingV2Palette::cardFill());
    chip.setIsOn(true);
    EXPECT_EQ(chip.fill(), OnboardingV2Palette::accent());
    EXPECT_EQ(chip.label()->palette().color(QPalette::WindowText), OnboardingV2Palette::onAccent());
    EXPECT_EQ(rendered(chip).pixelColor(chip.width() / 2, 3), OnboardingV2Palette::accent());
}

TEST(OnboardingKitGuiTest, KeycapsAndWaveformsAnimateOnTheClock) {
    FakeMainQueue queue;
    EXPECT_EQ(OnboardingKeycapView::modifierSymbol(60), QStringLiteral("⇧"));
    EXPECT_TRUE(OnboardingKeycapView::modifierSymbol(63).isEmpty());

    QWidget parent;
    parent.resize(400, 300);
    // Super, Alt and Ctrl carry no Mac glyph (⌘, ⌥, ⌃): the key's PC name is the whole mark.
    for (int code : {54, 55, 58, 61, 59, 62}) {
        const OnboardingKeycapView pc(false, false, false, QStringLiteral("右Super"), code, &parent);
        EXPECT_EQ(pc.symbolLabel(), nullptr) << code;
    }
    auto* fn = new OnboardingKeycapView(false, false, true, QStringLiteral("fn"), 63, &parent);
    EXPECT_EQ(fn->size(), QSize(150, 56));
    EXPECT_EQ(fn->symbolLabel(), nullptr);

    auto* key = new OnboardingKeycapView(false, true, false, QStringLiteral("右 ⇧"), 60, &parent);
    EXPECT_EQ(key->size(), QSize(180, 68));
    ASSERT_NE(key->symbolLabel(), nullptr);
    key->move(100, 100);
    parent.show();
    EXPECT_EQ(key->pos(), QPoint(100, 100));  // resting for the first 2.9 s
    queue.advance(3.3);
    EXPECT_EQ(key->pos(), QPoint(100, 109));  // down
    key->move(10, 10);                          // the owner moves it while it is down
    EXPECT_EQ(key->pos(), QPoint(10, 19));
    queue.advance(1.7);
    EXPECT_EQ(key->pos(), QPoint(10, 10));      // up again at the end of the cycle

    auto* pressed = new OnboardingKeycapView(true, false, false, QStringLiteral("A"), 0, &parent);
    pressed->move(0, 200);
    pressed->show();
    EXPECT_EQ(pressed->pos(), QPoint(0, 209));

    OnboardingWaveformView none(0, 100);
    EXPECT_EQ(none.size(), QSize(100, 30));
    OnboardingWaveformView wave(5, 100);
    const double start = queue.uptime();
    for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(wave.barRect(i, start).center().x(), 10 + 20 * i);
    // Bar 4 starts with bar 0; bar 1 waits 0.15 s.
    EXPECT_DOUBLE_EQ(wave.barRect(4, start + 0.7).height(), wave.barRect(0, start + 0.7).height());
    EXPECT_DOUBLE_EQ(wave.barRect(0, start + 0.84).height(), 26);
    EXPECT_DOUBLE_EQ(wave.barRect(1, start + 0.84).height(), wave.barRect(0, start + 0.69).height());
    EXPECT_DOUBLE_EQ(wave.barRect(0, start + 0.3).height(), 6);
    EXPECT_DOUBLE_EQ(wave.barRect(0, start + 0.3).center().y(), 15);
}

}  // namespace
