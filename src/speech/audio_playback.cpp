#include "speech/audio_playback.h"

#include "common/error.h"

#include <chrono>
#include <pcaudiolib/audio.h>

using namespace Qt::StringLiterals;

namespace vt
{

namespace
{

// About a third of a second waits for the device; the caller yields meanwhile.
constexpr size_t kMaxQueuedSamples = kSpeechSampleRate / 3;

QString deviceError(audio_object* device, int code)
{
    const char* text = audio_object_strerror(device, code);
    return text != nullptr ? QString::fromLocal8Bit(text) : QString::number(code);
}

} // namespace

AudioPlayback::AudioPlayback(Yielder& yielder) : yielder_(yielder)
{
    device_ = create_audio_device_object(nullptr, "Vellumtone", "Speech");
    if (device_ == nullptr)
        raise(err::PathNotFound, u"Cannot play the speech: no audio output was found."_s);
    const int code = audio_object_open(device_, AUDIO_OBJECT_FORMAT_S16LE, kSpeechSampleRate, 1);
    if (code != 0) {
        const QString why = deviceError(device_, code);
        audio_object_destroy(device_);
        device_ = nullptr;
        raise(err::PathNotFound,
              u"Cannot play the speech: the audio output could not be opened ("_s + why + u")."_s);
    }
    player_ = std::thread([this] { play(); });
}

AudioPlayback::~AudioPlayback()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (player_.joinable())
        player_.join();
    if (device_ != nullptr) {
        audio_object_close(device_);
        audio_object_destroy(device_);
    }
}

void AudioPlayback::write(const qint16* samples, int count)
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (queued_ >= kMaxQueuedSamples && error_.isEmpty())
        waitAWhile(lock);
    raiseIfFailed();
    queue_.emplace_back(samples, samples + count);
    queued_ += size_t(count);
    lock.unlock();
    changed_.notify_all();
}

void AudioPlayback::finish()
{
    std::unique_lock<std::mutex> lock(mutex_);
    ended_ = true;
    changed_.notify_all();
    while (!done_ && error_.isEmpty())
        waitAWhile(lock);
    raiseIfFailed();
}

void AudioPlayback::waitAWhile(std::unique_lock<std::mutex>& lock)
{
    changed_.wait_for(lock, std::chrono::milliseconds(100));
    // The window's handlers must not run under the lock.
    lock.unlock();
    yielder_.maybe();
    lock.lock();
}

void AudioPlayback::raiseIfFailed()
{
    if (!error_.isEmpty())
        raise(err::PathFileAccess, u"Cannot play the speech: "_s + error_);
}

void AudioPlayback::play()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || ended_ || !queue_.empty(); });
        if (stop_)
            return;
        if (queue_.empty()) { // ended
            lock.unlock();
            audio_object_drain(device_);
            lock.lock();
            done_ = true;
            changed_.notify_all();
            return;
        }
        std::vector<qint16> chunk = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        const int code = audio_object_write(device_, chunk.data(), chunk.size() * sizeof(qint16));
        lock.lock();
        queued_ -= chunk.size();
        changed_.notify_all();
        if (code != 0) {
            error_ = deviceError(device_, code);
            return;
        }
    }
}

} // namespace vt
