#include "pipeline/progress.h"

#include "common/settings.h"

#include <algorithm>

namespace vt
{

double BookProgress(int book, int books, double done)
{
    if (books <= 0)
        return 0;
    return (book - 1 + std::clamp(done, 0.0, 1.0)) / books * 100;
}

void JoinCreep::pass(RunProgress& progress)
{
    ++k_;
    if (k_ < 50)
        return;
    const int count = k_ - 50;
    progress.waited = count;
    if (count % 150 != 0 || books_ <= 0)
        return;
    const double share = 100.0 / books_;
    const int step = RoundHalfEven(share / 10);
    const int limit = RoundHalfEven(share + startValue_ - step);
    const double candidate = count / 150.0 * step + startValue_;
    const double value = std::min(candidate < limit ? candidate : limit, cap_);
    if (value > progress.percent)
        progress.percent = value;
}

} // namespace vt
