#pragma once

#include "common/expected.h"
#include "common/files.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vt
{

// An encoder that takes the samples on a thread of its own, so that it
// works while the speech goes on: they are handed over in blocks of a
// second, a few blocks at most waiting.
class EncoderThread
{
  public:
    using Consume = std::function<Expected<void>(const std::vector<qint16>&)>;

    explicit EncoderThread(Consume consume);
    // Ends at once; samples not yet encoded are dropped.
    ~EncoderThread();
    EncoderThread(const EncoderThread&) = delete;
    EncoderThread& operator=(const EncoderThread&) = delete;

    // Waits while the encoder is behind, yielding about every 50 ms. The
    // encoder's first failure is given from then on.
    Expected<void> write(const qint16* samples, qsizetype count, const Yield& yield = {});
    // Hands over the rest and waits until all is encoded.
    Expected<void> finish(const Yield& yield = {});

  private:
    void run();
    Expected<void> hand(const Yield& yield);

    Consume consume_;
    std::vector<qint16> pending_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<qint16>> queue_;
    bool busy_ = false;
    bool stop_ = false;
    QString failure_;
    std::thread thread_;
};

} // namespace vt
