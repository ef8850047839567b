#pragma once

#include "speech/speech_engine.h"

#include <vector>

struct soxr;

namespace vt
{

// Brings audio of another rate to the program's 22 050 Hz as it comes, in
// blocks (libsoxr, streaming: memory does not grow with the audio), and
// scales it by the volume on the way.
class Resampler
{
  public:
    // volume 0..100; 0 gives exact silence.
    Resampler(int inputRate, int volume, AudioSink& sink);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    int inputRate() const { return inputRate_; }
    // Samples taken in so far.
    qint64 taken() const { return taken_; }
    // Resamples and writes what is ready; raises the sink's errors.
    void write(const qint16* samples, qint64 count);
    void writeSilence(qint64 count);
    // Writes the rest after the last input; nothing may be written after it.
    void finish();

  private:
    void process(const qint16* samples, qint64 count);

    int inputRate_;
    AudioSink& sink_;
    soxr* soxr_ = nullptr;
    std::vector<qint16> out_;
    qint64 taken_ = 0;
};

} // namespace vt
