#include "onboarding/ui/OnboardingBubbleTextView.h"

#include "onboarding/ui/OnboardingFont.h"
#include "onboarding/ui/OnboardingV2Palette.h"

#include <QPlainTextEdit>

#include <cmath>

OnboardingBubbleTextView::OnboardingBubbleTextView(double width, double height, QWidget* parent)
    : OnboardingPanel(OnboardingV2Palette::cardFill(), OnboardingV2Palette::cardBorder(), 1, 18, parent) {
    const int w = int(std::lround(width));
    const int h = int(std::lround(height));
    resize(w, h);
    textView_ = new QPlainTextEdit(this);
    textView_->setGeometry(14, 8, w - 28, h - 16);
    textView_->setFont(onboardingFont(14));
    textView_->setFrameShape(QFrame::NoFrame);
    textView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textView_->viewport()->setAutoFillBackground(false);
    textView_->setAutoFillBackground(false);
    textView_->setAttribute(Qt::WA_TranslucentBackground);
    textView_->document()->setDocumentMargin(0);
    QPalette palette = textView_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Window, Qt::transparent);
    palette.setColor(QPalette::Text, OnboardingV2Palette::text());
    palette.setColor(QPalette::Highlight, OnboardingV2Palette::selectedFill());
    palette.setColor(QPalette::HighlightedText, OnboardingV2Palette::text());
    textView_->setPalette(palette);
    textView_->setCursorWidth(2);
}
