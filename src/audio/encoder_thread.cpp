#include "audio/encoder_thread.h"

#include <chrono>

namespace vt
{
namespace
{

constexpr std::size_t kBlock = 22050;
constexpr std::size_t kWaiting = 8;

} // namespace

EncoderThread::EncoderThread(Consume consume) : consume_(std::move(consume))
{
    thread_ = std::thread([this] { run(); });
}

EncoderThread::~EncoderThread()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    thread_.join();
}

void EncoderThread::run()
{
    for (;;) {
        std::vector<qint16> block;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (stop_)
                return;
            block = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
        }
        const Expected<void> done = failure_.isEmpty() ? consume_(block) : Expected<void>{};
        {
            const std::lock_guard lock(mutex_);
            busy_ = false;
            if (!done && failure_.isEmpty())
                failure_ = done.error();
        }
        changed_.notify_all();
    }
}

Expected<void> EncoderThread::hand(const Yield& yield)
{
    for (;;) {
        {
            const std::lock_guard lock(mutex_);
            if (!failure_.isEmpty())
                return Problem{failure_};
            if (queue_.size() < kWaiting) {
                queue_.push_back(std::move(pending_));
                pending_.clear();
                break;
            }
        }
        {
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::milliseconds(50),
                              [this] { return queue_.size() < kWaiting; });
        }
        if (yield)
            yield();
    }
    changed_.notify_all();
    return {};
}

Expected<void> EncoderThread::write(const qint16* samples, qsizetype count, const Yield& yield)
{
    pending_.insert(pending_.end(), samples, samples + count);
    return pending_.size() >= kBlock ? hand(yield) : Expected<void>{};
}

Expected<void> EncoderThread::finish(const Yield& yield)
{
    if (!pending_.empty())
        if (const Expected<void> handed = hand(yield); !handed)
            return handed;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::milliseconds(50),
                              [this] { return queue_.empty() && !busy_; });
            if (queue_.empty() && !busy_)
                return failure_.isEmpty() ? Expected<void>{} : Problem{failure_};
        }
        if (yield)
            yield();
    }
}

} // namespace vt
