#include "audio/mp3_frames.h"

#include <QFile>

namespace vt
{
namespace
{

// Layer III bit rates in kbit/s by index, for MPEG-1 and for MPEG-2/2.5.
constexpr int kBitratesV1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                 112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kBitratesV2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr int kSampleRatesV1[3] = {44100, 48000, 32000};

} // namespace

qint64 Mp3Header::frameSize() const
{
    const qint64 perKbit = version == 10 ? 144000 : 72000;
    return perKbit * bitrate / sampleRate + (padded ? 1 : 0);
}

int Mp3Header::sideInfoEnd() const
{
    // Encoders put their Info header here whether or not the frame has a CRC.
    if (version == 10)
        return 4 + (mono ? 17 : 32);
    return 4 + (mono ? 9 : 17);
}

std::optional<Mp3Header> ParseMp3Header(const uchar* p)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3)
        return std::nullopt;
    Mp3Header h;
    h.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    h.bitrate = h.version == 10 ? kBitratesV1[bitrateIndex] : kBitratesV2[bitrateIndex];
    const int divisor = h.version == 10 ? 1 : h.version == 20 ? 2 : 4;
    h.sampleRate = kSampleRatesV1[rateIndex] / divisor;
    h.padded = (p[2] & 2) != 0;
    h.crcProtected = (p[1] & 1) == 0;
    h.mono = (p[3] >> 6) == 3;
    return h;
}

qint64 Id3v2TagLength(QByteArrayView data)
{
    const auto* p = reinterpret_cast<const uchar*>(data.data());
    if (data.size() < 10 || p[0] != 'I' || p[1] != 'D' || p[2] != '3' || p[3] == 0xFF ||
        p[4] == 0xFF)
        return 0;
    qint64 size = 0;
    for (int i = 6; i < 10; ++i) {
        if (p[i] & 0x80) // not a sync-safe size: no tag
            return 0;
        size = (size << 7) | p[i];
    }
    return 10 + size + ((p[5] & 0x10) ? 10 : 0);
}

Mp3FrameWalker::Mp3FrameWalker(QByteArrayView data)
    : data_(data), pos_(qMin(Id3v2TagLength(data), data.size()))
{
}

std::optional<Mp3Header> Mp3FrameWalker::frameAt(qint64 pos) const
{
    if (pos < 0 || pos + 4 > data_.size())
        return std::nullopt;
    auto h = ParseMp3Header(reinterpret_cast<const uchar*>(data_.data()) + pos);
    if (!h || (stream_ && !h->sameStream(*stream_)) || pos + h->frameSize() > data_.size())
        return std::nullopt;
    return h;
}

bool Mp3FrameWalker::next()
{
    for (; pos_ + 4 <= data_.size(); ++pos_) {
        const auto h = frameAt(pos_);
        if (!h)
            continue;
        const qint64 end = pos_ + h->frameSize();
        // A frame right behind the last one is trusted; one found after junk
        // needs a frame behind it, or the end of the data.
        if (pos_ != chainEnd_ && end != data_.size()) {
            const auto after = frameAt(end);
            if (!after || !after->sameStream(*h))
                continue;
        }
        offset_ = pos_;
        header_ = *h;
        if (!stream_)
            stream_ = h;
        pos_ = chainEnd_ = end;
        return true;
    }
    pos_ = data_.size();
    return false;
}

qint64 Mp3FrameSamples(const QString& mp3Path)
{
    // Read in blocks, not mapped: a piece can last hours, and mapped pages
    // would count as the run's memory.
    constexpr qint64 kBlock = qint64(1) << 20;
    constexpr qint64 kLookAhead = 8192; // more than two of the largest frames
    QFile file(mp3Path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const qint64 size = file.size();
    qint64 start = Id3v2TagLength(file.peek(10));
    qint64 samples = 0;
    while (start < size) {
        if (!file.seek(start))
            return -1;
        const QByteArray block = file.read(kBlock);
        if (block.isEmpty())
            return -1;
        const bool last = start + block.size() >= size;
        // Frames near a block's end are counted in the next block, where the
        // frame behind them can be seen too.
        const qint64 counted = last ? block.size() : block.size() - kLookAhead;
        qint64 resume = counted;
        Mp3FrameWalker walk(block);
        while (walk.next() && walk.offset() < counted) {
            samples += walk.header().samplesPerFrame();
            resume = walk.end();
        }
        if (last)
            break;
        start += resume;
    }
    return samples;
}

} // namespace vt
