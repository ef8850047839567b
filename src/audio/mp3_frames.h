#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace vt
{

// The header of one MPEG-1, -2 or -2.5 Layer III audio frame.
struct Mp3Header {
    int version = 0; // 10 = MPEG-1, 20 = MPEG-2, 25 = MPEG-2.5
    int bitrate = 0; // kbit/s
    int sampleRate = 0;
    bool padded = false;
    bool crcProtected = false;
    bool mono = false;

    qint64 frameSize() const;
    // Where the frame's side information ends and an encoder's Info header starts.
    int sideInfoEnd() const;
    int samplesPerFrame() const { return version == 10 ? 1152 : 576; }
    // Frames of one stream keep their version and sample rate.
    bool sameStream(const Mp3Header& other) const
    {
        return version == other.version && sampleRate == other.sampleRate;
    }
};

// Reads the four header bytes at p; nothing when they are no Layer III
// header (free-format frames included, as their size is unknown).
std::optional<Mp3Header> ParseMp3Header(const uchar* p);

// The length that an ID3v2 tag at the start of the data declares (it may
// run past the data's end), 0 when there is none.
qint64 Id3v2TagLength(QByteArrayView data);

// Walks the complete frames of an MPEG audio stream in order. A leading
// ID3v2 tag and junk between frames are passed over; a frame found after
// junk must be followed by another frame (or end the data), so stray sync
// bits are not taken for frames. Every call moves forward, so it ends on
// any input.
class Mp3FrameWalker
{
  public:
    explicit Mp3FrameWalker(QByteArrayView data);

    // Moves to the next frame; false at the end of the data.
    bool next();
    qint64 offset() const { return offset_; }
    const Mp3Header& header() const { return header_; }
    qint64 end() const { return offset_ + header_.frameSize(); }

  private:
    std::optional<Mp3Header> frameAt(qint64 pos) const;

    QByteArrayView data_;
    qint64 pos_ = 0;
    qint64 chainEnd_ = -1; // where the frame after the last one found would start
    qint64 offset_ = -1;
    Mp3Header header_;
    std::optional<Mp3Header> stream_;
};

// The samples an MP3 file decodes to, counting every frame; -1 when it
// cannot be read.
qint64 Mp3FrameSamples(const QString& mp3Path);

} // namespace vt
