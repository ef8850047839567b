#pragma once

#include "audio/mp3_info_frame.h"
#include "audio/part_cutter.h"
#include "common/expected.h"
#include "common/files.h"

#include <QFile>
#include <QString>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vt
{

// One part as the encoder made it.
struct EncodedPart {
    QByteArray mp3;  // its frames
    QString error;   // why it could not be encoded
    int padding = 0; // samples the encoder added after the speech
};

// Encodes 22 050 Hz mono speech as `lame -h` does with a WAV file of it.
EncodedPart EncodeMp3Part(const std::vector<qint16>& samples);

// A book's MP3 made as it is spoken: the speech is cut into parts at pauses
// (PartCutter), every core encodes parts, and the parts are written to the
// file in order as they are done. The file plays as long as one encoder's
// stream of the same speech, and opens with an Info frame that tells the
// whole stream's length, delay and padding (written when it is complete).
// Memory stays within a few parts however long the book is.
class ParallelMp3Encoder
{
  public:
    static constexpr qint64 kPartSamples = 15 * 22050;

    // Creates or replaces `target`; `encoders` threads (at least one).
    static Expected<std::unique_ptr<ParallelMp3Encoder>> create(const QString& target, int encoders,
                                                                qint64 partSamples = kPartSamples);
    // Ends the encoders at once; the file stays as far as it got.
    ~ParallelMp3Encoder();
    ParallelMp3Encoder(const ParallelMp3Encoder&) = delete;
    ParallelMp3Encoder& operator=(const ParallelMp3Encoder&) = delete;

    // Takes speech; waits while the encoders are behind, yielding about
    // every 50 ms (a stop raised there ends the encoding).
    Expected<void> write(const qint16* samples, qsizetype count, const Yield& yield = {});
    // Encodes the rest and completes the file.
    Expected<void> finish(const Yield& yield = {});
    // Samples taken so far.
    qint64 samples() const { return cutter_.samplesIn(); }

  private:
    ParallelMp3Encoder(int encoders, qint64 partSamples);
    void work();
    Expected<void> hand(const Yield& yield);
    Expected<void> writeDone();
    void waitForEncoders(const Yield& yield);

    PartCutter cutter_;
    QFile file_;
    std::size_t limit_; // parts handed out and not yet written
    std::size_t out_ = 0;
    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    std::deque<AudioPart> queue_;
    std::map<qint64, EncodedPart> encoded_;
    bool stop_ = false;
    qint64 written_ = 0;      // parts in the file
    QByteArray firstHeader_;  // of the first frame: the Info frame's model
    Mp3StreamSummary stream_; // the frames after the Info frame
    int lastPadding_ = 0;
    QString failure_; // the first failure; every later call gives it
    std::vector<std::thread> threads_;
};

} // namespace vt
