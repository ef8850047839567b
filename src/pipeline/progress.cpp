#include "pipeline/progress.h"

#include "common/settings.h"
#include "common/window_ports.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{

qint32 CurrentBook = 0;
qint32 ActivityCounter = 0;

QString ProcessingText(int rowCount)
{
    return u"Processing: "_s + QString::number(CurrentBook) + u" of "_s +
           QString::number(rowCount) +
           u".. please wait patiently.. Please do not click on anything.."_s +
           QString::number(ActivityCounter);
}

void ShowProcessingText(WindowPort& window)
{
    window.setProgressCaption(ProcessingText(window.rowCount()));
}

void Timer1_Timer(WindowPort& window)
{
    ++ActivityCounter;
    ShowProcessingText(window);
    window.yieldOnce();
    window.repaint();
}

double BookProgress(int book, int books, double done)
{
    if (books <= 0)
        return 0;
    return (book - 1 + std::clamp(done, 0.0, 1.0)) / books * 100;
}

void CappedBar::setProgressValue(double value)
{
    value = std::min(value, cap_);
    if (value > bar_.progressValue())
        bar_.setProgressValue(value);
}

WaitingDisplay::WaitingDisplay(WindowPort& window, ProgressBarPort* bar, QString caption,
                               int startValue, int bookCount)
    : window_(window), bar_(bar), caption_(std::move(caption)), startValue_(startValue),
      bookCount_(bookCount)
{
}

void WaitingDisplay::pass()
{
    if (!bar_) {
        window_.yieldOnce();
        return;
    }
    window_.yieldOnce();
    ++k_;
    if (k_ >= 50) {
        window_.yieldOnce();
        const int count = k_ - 50;
        bar_->setProgressCaption(caption_ + (caption_.isEmpty() ? u""_s : u", "_s) +
                                 u"Please wait.. "_s + QString::number(count));
        if (count % 150 == 0 && bookCount_ > 0) {
            const double share = 100.0 / bookCount_;
            const int step = RoundHalfEven(share / 10);
            const int limit = RoundHalfEven(share + startValue_ - step);
            const double candidate = count / 150.0 * step + startValue_;
            bar_->setProgressValue(candidate < limit ? candidate : limit);
        }
        window_.yieldOnce();
    }
    window_.yieldOnce();
    window_.yieldOnce();
}

void WaitingDisplay::finish()
{
    if (bar_)
        bar_->setProgressCaption(caption_.isEmpty() ? kIdleCaption : caption_);
}

} // namespace vt
