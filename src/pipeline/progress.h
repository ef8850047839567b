#pragma once

#include "common/run_observer.h"

namespace vt
{

// Of a piece's part of the bar, speaking takes the first share and encoding
// the rest: lame -h takes about nine times as long as espeak-ng on a book.
inline constexpr double kSpeakingShare = 0.1;

// The bar's value while book `book` of `books` is worked on and `done` (0..1)
// of it is done: (book - 1) / books at its start, book / books at its end.
double BookProgress(int book, int books, double done);

// The display of a long join: after about five seconds (50 passes) it counts
// the passes, and every 150 passes the bar creeps a tenth of a book's share
// on from where it started, within that share, never back and never past
// `cap`, so that the bar shows the end of a book only once it is done.
class JoinCreep
{
  public:
    JoinCreep(int startValue, int books, double cap)
        : startValue_(startValue), books_(books), cap_(cap)
    {
    }
    // One pass of the runner: sets `waited` and `percent` of the progress.
    void pass(RunProgress& progress);

  private:
    int startValue_;
    int books_;
    double cap_;
    int k_ = 0;
};

} // namespace vt
