#pragma once

#include "speech/speech_engine.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

struct audio_object;

namespace vt
{

// Plays speech through the default audio output (PulseAudio or ALSA, as
// the engine's audio layer finds them). A player thread feeds the device, so
// the caller can let the window handle its events while the sound plays out.
class AudioPlayback : public AudioSink
{
  public:
    // Opens the default output; raises an error that says why when there is none.
    explicit AudioPlayback(Yielder& yielder);
    ~AudioPlayback() override;
    AudioPlayback(const AudioPlayback&) = delete;
    AudioPlayback& operator=(const AudioPlayback&) = delete;

    void write(const qint16* samples, int count) override;
    // Returns when everything has been played.
    void finish() override;

  private:
    void play();
    // Waits on the player for at most 100 ms with the lock held.
    void waitAWhile(std::unique_lock<std::mutex>& lock);
    void raiseIfFailed();

    Yielder& yielder_;
    audio_object* device_ = nullptr;
    std::thread player_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<qint16>> queue_;
    size_t queued_ = 0;  // samples waiting in the queue
    bool ended_ = false; // no more samples will come
    bool stop_ = false;  // give up playing
    bool done_ = false;  // the player has played and drained everything
    QString error_;
};

} // namespace vt
