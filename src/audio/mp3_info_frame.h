#pragma once

#include "audio/mp3_frames.h"
#include "common/expected.h"
#include "common/path.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace vt
{

// LAME's delay at the start of every stream it encodes, in samples.
inline constexpr int kLameEncoderDelay = 576;

// What the Info frame says of the frames behind it, gathered as they are
// written: their count and bytes, the CRC of their bytes, and where they
// lie for the seek table.
class Mp3StreamSummary
{
  public:
    // Whole frames, appended to the stream.
    void add(QByteArrayView frames);
    qint64 frames() const { return frames_; }
    qint64 bytes() const { return bytes_; }
    quint16 crc() const { return crc_; }
    // The byte offset, from the first frame, of about the frame `frame`.
    qint64 offsetOf(qint64 frame) const;

  private:
    struct Mark {
        qint64 frame;
        qint64 offset;
    };
    qint64 frames_ = 0;
    qint64 bytes_ = 0;
    quint16 crc_ = 0;
    QList<Mark> marks_; // one for each add
};

// The Info frame (a Xing header with LAME's tag) that opens an MP3 stream,
// so that players know its exact length and the encoder's delay and
// padding rather than guess them: the frame count and bytes of the stream,
// a seek table where it fits, its CRCs. It is a frame like the stream's
// (`like`: the first frame's four header bytes), of its bit rate when the
// tag fits, and decodes as silence where a player does not know it.
QByteArray MakeInfoFrame(QByteArrayView like, const Mp3StreamSummary& stream, int delay,
                         int padding);

// The encoder delay and padding the Info frame at the start of an MP3
// states; 0 and 0 when it has none.
struct StreamEnds {
    int delay = 0;
    int padding = 0;
};
StreamEnds InfoDelayPadding(QByteArrayView mp3);

// Puts an Info frame for the file's frames at the start of its audio
// (after an ID3v2 tag): an Info frame there already is written anew, or
// the audio moves up to make room. The file is read once, in blocks.
Expected<void> WriteInfoFrame(const Path& mp3, int delay, int padding);

} // namespace vt
