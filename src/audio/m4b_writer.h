#pragma once

#include "common/expected.h"
#include "common/files.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>

namespace vt
{

// The bit rate asked of FFmpeg's AAC encoder for a spoken book: about
// 44 kbit/s come out, within what a spoken mono book needs. It is the
// lowest rate that keeps the sibilants (the 4-10 kHz band within 0.1 dB of
// the WAV's; 24 000 loses 1 dB of it), with the waveform error at 0.11 of
// the signal (0.17 at 24 000, 0.08 at 40 000 for a fifth more bytes).
inline constexpr int kM4bBitRate = 32000;

// What an M4B audio book carries besides its audio.
struct M4bMetadata {
    QList<QPair<QByteArray, QString>> texts; // FFmpeg's keys: "title", "artist", "album", ...
    QString language;                        // ISO 639-2, for the audio track
    QByteArray cover;                        // JPEG or PNG, empty for none
    struct Chapter {
        QString title;
        qint64 startMs = 0;
        qint64 endMs = 0;
    };
};

// A book's audio encoded to AAC-LC mono in an MP4 file (".m4b") as its
// pieces are spoken: each piece's samples go straight into the one encoder,
// so the book is encoded once and needs no join. The tags and cover are
// known when it starts, the chapters when it is finished; they are written
// both as a QuickTime chapter track and as a Nero "chpl" list.
class M4bWriter
{
  public:
    static Expected<std::unique_ptr<M4bWriter>>
    create(const Path& file, const M4bMetadata& metadata, int bitRate = kM4bBitRate);
    ~M4bWriter();
    M4bWriter(const M4bWriter&) = delete;
    M4bWriter& operator=(const M4bWriter&) = delete;

    // Encodes the 22 050 Hz 16-bit mono samples of a WAV file the speech
    // engine wrote; `done` is told how far (0..1), `yield` runs between blocks.
    Expected<void> appendWav(const Path& wav, const std::function<void(double)>& done = {},
                             const Yield& yield = {});
    // Encodes 22 050 Hz 16-bit mono samples as the speech engine makes them.
    Expected<void> appendSamples(const qint16* samples, qsizetype count);
    // Samples encoded so far.
    qint64 samples() const { return samples_; }
    // The last samples, the chapters and the file's index. The file is
    // complete when this succeeds.
    Expected<void> finish(const QList<M4bMetadata::Chapter>& chapters);

  private:
    M4bWriter() = default;
    struct Ffmpeg;
    Expected<void> encode(const float* samples, int count);
    Expected<void> drain(bool flush);

    Path file_;
    std::unique_ptr<Ffmpeg> ff_;
    std::vector<float> carry_; // samples waiting for a whole AAC frame
    qint64 samples_ = 0;
    bool finished_ = false;
};

} // namespace vt
