#include "app/captioned_progress_bar.h"

#include <QFontMetrics>

namespace vt
{
namespace
{
constexpr double kSmallestPoints = 6.5;
constexpr int kMargin = 8;
} // namespace

CaptionedProgressBar::CaptionedProgressBar(QWidget* parent) : QProgressBar(parent), base_(font())
{
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
}

void CaptionedProgressBar::setCaption(const QString& caption)
{
    caption_ = caption;
    fit();
}

void CaptionedProgressBar::setCaptionFont(const QFont& font)
{
    base_ = font;
    fit();
}

void CaptionedProgressBar::resizeEvent(QResizeEvent* event)
{
    QProgressBar::resizeEvent(event);
    fit();
}

void CaptionedProgressBar::fit()
{
    const int room = width() - kMargin;
    QFont shrunk = base_;
    while (QFontMetrics(shrunk).horizontalAdvance(caption_) > room &&
           shrunk.pointSizeF() - 0.5 >= kSmallestPoints)
        shrunk.setPointSizeF(shrunk.pointSizeF() - 0.5);
    shown_ = QFontMetrics(shrunk).elidedText(caption_, Qt::ElideRight, room);
    if (shrunk != font())
        setFont(shrunk);
    update();
}

} // namespace vt
