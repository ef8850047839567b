#include "audio/mp3_info_frame.h"

#include "audio/joined_mp3.h"

#include <QFile>
#include <cstring>
#include <lame/lame.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr int kTocEntries = 100;
// The tag's fields, from its start: 9 bytes of the encoder's name, then
// its revision and method, ..., delay and padding, music length and CRCs.
constexpr int kTagMethod = 9;
constexpr int kTagBitrate = 20;
constexpr int kTagDelayPadding = 21;
constexpr int kTagMusicLength = 28;
constexpr int kTagMusicCrc = 32;
constexpr int kTagCrc = 34;
constexpr int kTagLength = 36;

void writeBe(char* p, quint32 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i, value >>= 8)
        p[i] = static_cast<char>(value & 0xFF);
}

// The bytes between the audio of a file: its first frame's offset, and
// the size of an Info frame there already (0 when there is none).
struct AudioStart {
    qint64 first = -1;
    qint64 infoSize = 0;
    QByteArray header;
};

AudioStart audioStart(QByteArrayView head)
{
    AudioStart start;
    Mp3FrameWalker walk(head);
    if (!walk.next())
        return start;
    start.first = walk.offset();
    start.header = head.sliced(walk.offset(), 4).toByteArray();
    if (IsInfoFrame(head, walk.offset(), walk.header()))
        start.infoSize = walk.header().frameSize();
    return start;
}

} // namespace

void Mp3StreamSummary::add(QByteArrayView frames)
{
    marks_.append({frames_, bytes_});
    Mp3FrameWalker walk(frames);
    while (walk.next())
        ++frames_;
    bytes_ += frames.size();
    crc_ = InfoTagCrc(frames, crc_);
}

qint64 Mp3StreamSummary::offsetOf(qint64 frame) const
{
    // The last mark at or before the frame; the frames after it share its
    // bytes alike (they differ by a padding byte at most).
    auto it = std::upper_bound(marks_.begin(), marks_.end(), frame,
                               [](qint64 f, const Mark& m) { return f < m.frame; });
    if (it == marks_.begin())
        return 0;
    const Mark& mark = *(it - 1);
    const Mark next = it == marks_.end() ? Mark{frames_, bytes_} : *it;
    if (next.frame == mark.frame)
        return mark.offset;
    return mark.offset +
           (frame - mark.frame) * (next.offset - mark.offset) / (next.frame - mark.frame);
}

QByteArray MakeInfoFrame(QByteArrayView like, const Mp3StreamSummary& stream, int delay,
                         int padding)
{
    const auto* p = reinterpret_cast<const uchar*>(like.data());
    const auto h = like.size() >= 4 ? ParseMp3Header(p) : std::nullopt;
    if (!h)
        return {};
    // The stream's own bit rate, without padding or CRC: players that take
    // the first frame's rate for the whole stream reckon its length right.
    // The seek table goes in where it fits (a stream of one rate seeks
    // exactly without it); a frame too small for even the tag takes the
    // next rate up, as LAME's does.
    uchar header[4] = {0xFF, uchar(p[1] | 1), uchar(p[2] & 0xFC), p[3]};
    constexpr int kFields = 8 + 4 + 4 + 4 + kTagLength; // name, flags, frames, bytes, quality, tag
    std::optional<Mp3Header> info = ParseMp3Header(header);
    while (info && info->frameSize() < info->sideInfoEnd() + kFields && (header[2] >> 4) < 14) {
        header[2] = uchar(header[2] + 0x10);
        info = ParseMp3Header(header);
    }
    if (!info || info->frameSize() < info->sideInfoEnd() + kFields)
        return {};
    const bool withToc = info->frameSize() >= info->sideInfoEnd() + kFields + kTocEntries;
    QByteArray frame(info->frameSize(), '\0');
    char* f = frame.data();
    std::memcpy(f, header, 4);
    char* x = f + info->sideInfoEnd();
    // "Xing", not LAME's "Info" for a stream of one bit rate: readers that
    // see "Info" reckon the length from the first frame's size (eyeD3), and
    // the stream's frames differ by a padding byte, which over an hour
    // makes seconds. With "Xing" every reader counts the frames.
    std::memcpy(x, "Xing", 4);
    writeBe(x + 4, withToc ? 0x0F : 0x0B, 4); // frames, bytes, [seek table,] quality
    const qint64 bytes = frame.size() + stream.bytes();
    writeBe(x + 8, quint32(std::min<qint64>(stream.frames(), 0xFFFFFFFF)), 4);
    writeBe(x + 12, quint32(std::min<qint64>(bytes, 0xFFFFFFFF)), 4);
    char* field = x + 16;
    if (withToc) {
        for (int i = 0; i < kTocEntries; ++i) {
            const qint64 at = frame.size() + stream.offsetOf(i * stream.frames() / kTocEntries);
            field[i] = static_cast<char>(std::min<qint64>(255, at * 256 / bytes));
        }
        field += kTocEntries;
    }
    writeBe(field, 100 - 10 * 4 - 2, 4); // LAME's quality figure for -h
    char* tag = field + 4;
    const QByteArray name = QByteArray(get_lame_very_short_version()).leftJustified(9, ' ', true);
    std::memcpy(tag, name.constData(), 9);
    tag[kTagMethod] = 1; // revision 0, constant bit rate
    tag[kTagBitrate] = static_cast<char>(std::min(h->bitrate, 255));
    const quint32 delayPadding =
        quint32(std::clamp(delay, 0, 4095)) << 12 | quint32(std::clamp(padding, 0, 4095));
    writeBe(tag + kTagDelayPadding, delayPadding, 3);
    writeBe(tag + kTagMusicLength, quint32(std::min<qint64>(bytes, 0xFFFFFFFF)), 4);
    writeBe(tag + kTagMusicCrc, stream.crc(), 2);
    writeBe(tag + kTagCrc, InfoTagCrc(QByteArrayView(f, tag + kTagCrc - f)), 2);
    static_assert(kTagCrc + 2 == kTagLength);
    return frame;
}

StreamEnds InfoDelayPadding(QByteArrayView mp3)
{
    Mp3FrameWalker walk(mp3);
    if (!walk.next() || !IsInfoFrame(mp3, walk.offset(), walk.header()))
        return {};
    const auto* base = reinterpret_cast<const uchar*>(mp3.data());
    qint64 p = walk.offset() + walk.header().sideInfoEnd();
    const quint32 flags = quint32(base[p + 4]) << 24 | quint32(base[p + 5]) << 16 |
                          quint32(base[p + 6]) << 8 | base[p + 7];
    p += 8 + ((flags & 1) ? 4 : 0) + ((flags & 2) ? 4 : 0) + ((flags & 4) ? kTocEntries : 0) +
         ((flags & 8) ? 4 : 0);
    if (p + kTagLength > walk.end())
        return {};
    const uchar* t = base + p + kTagDelayPadding;
    return {t[0] << 4 | t[1] >> 4, (t[1] & 0x0F) << 8 | t[2]};
}

Expected<void> WriteInfoFrame(const Path& mp3, int delay, int padding)
{
    constexpr qint64 kBlock = qint64(1) << 20;
    QFile file(mp3.text());
    const auto failed = [&] {
        return Problem{u"cannot write "_s + mp3.text() + u": "_s + file.errorString(),
                       err::DiskFull};
    };
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return failed();
    const qint64 size = file.size();
    const qint64 tag = qMin(Id3v2TagLength(file.peek(10)), size);
    if (!file.seek(tag))
        return failed();
    const AudioStart start = audioStart(file.peek(64 * 1024));
    if (start.first < 0)
        return {}; // no audio: nothing to describe
    const qint64 audio = tag + start.first;
    const qint64 frames = audio + start.infoSize; // where the frames described begin
    Mp3StreamSummary stream;
    // Frames near a block's end wait for the next block, where the one
    // behind them is seen too.
    for (qint64 at = frames; at < size;) {
        if (!file.seek(at))
            return failed();
        const QByteArray block = file.read(kBlock + 8192);
        const bool last = at + block.size() >= size;
        qint64 used = 0;
        Mp3FrameWalker walk(block);
        while (walk.next() && (last || walk.offset() < kBlock))
            used = walk.end();
        if (used == 0)
            break;
        stream.add(QByteArrayView(block).first(used));
        at += used;
        if (last)
            break;
    }
    const QByteArray info = MakeInfoFrame(start.header, stream, delay, padding);
    if (info.isEmpty())
        return {};
    const qint64 grow = info.size() - start.infoSize;
    // The audio moves up from its end, a block at a time.
    if (grow > 0) {
        for (qint64 end = size; end > frames;) {
            const qint64 from = qMax(frames, end - kBlock);
            if (!file.seek(from))
                return failed();
            const QByteArray block = file.read(end - from);
            if (block.size() != end - from || !file.seek(from + grow) ||
                file.write(block) != block.size())
                return failed();
            end = from;
        }
    } else if (grow < 0) {
        return {}; // an Info frame of another size is left as it is
    }
    if (!file.seek(audio) || file.write(info) != info.size() || !file.flush())
        return failed();
    return {};
}

} // namespace vt
