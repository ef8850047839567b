#include "audio/joined_mp3.h"

#include "audio/mp3_frames.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <cstring>
#include <optional>

namespace vt
{
namespace
{

constexpr std::array<quint16, 256> kCrcTable = [] {
    std::array<quint16, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        table[i] = static_cast<quint16>(crc);
    }
    return table;
}();

// The encoder's tag behind the Info header: offsets of its fields.
constexpr int kTagLength = 36;
constexpr int kTagDelayPadding = 21; // 12 bits delay, 12 bits padding
constexpr int kTagMusicLength = 28;
constexpr int kTagMusicCrc = 32;
constexpr int kTagCrc = 34;
constexpr int kTocEntries = 100;

enum InfoFlag : quint32 { kFrames = 1, kBytes = 2, kToc = 4, kQuality = 8 };

quint32 readBe32(const uchar* p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

void writeBe(char* p, quint32 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i, value >>= 8)
        p[i] = static_cast<char>(value & 0xFF);
}

// Where the fields of a frame's Info header lie (offsets in the data; -1
// when the frame does not carry the field).
struct InfoHeader {
    qint64 frames = -1;
    qint64 bytes = -1;
    qint64 toc = -1;
    qint64 tag = -1;
};

std::optional<InfoHeader> findInfoHeader(QByteArrayView data, qint64 frame, const Mp3Header& h)
{
    const auto* base = reinterpret_cast<const uchar*>(data.data());
    const qint64 end = frame + h.frameSize();
    qint64 p = frame + h.sideInfoEnd();
    if (p + 8 > end ||
        (std::memcmp(base + p, "Xing", 4) != 0 && std::memcmp(base + p, "Info", 4) != 0))
        return std::nullopt;
    // Only the four known flags: audio that happens to hold the name is no header.
    const quint32 flags = readBe32(base + p + 4);
    if (flags > (kFrames | kBytes | kToc | kQuality))
        return std::nullopt;
    p += 8;
    InfoHeader info;
    bool fits = true;
    const auto field = [&](quint32 flag, int length) -> qint64 {
        if (!(flags & flag) || !fits)
            return -1;
        if (p + length > end) {
            fits = false;
            return -1;
        }
        p += length;
        return p - length;
    };
    info.frames = field(kFrames, 4);
    info.bytes = field(kBytes, 4);
    info.toc = field(kToc, kTocEntries);
    field(kQuality, 4);
    if (fits && p + kTagLength <= end) {
        // Encoders of this tag name themselves; others are known by its CRC.
        const QByteArrayView name(base + p, 4);
        const quint16 stored = quint16(base[p + kTagCrc] << 8 | base[p + kTagCrc + 1]);
        if (name == "LAME" || name == "Lavc" || name == "Lavf" || name == "L3.9" ||
            stored == InfoTagCrc(data.sliced(frame, p + kTagCrc - frame)))
            info.tag = p;
    }
    return info;
}

// A frame of the same header with everything else zero: no main data, no
// borrowed reservoir, so it decodes as silence. No CRC, as it would no
// longer match.
BytePatch silentFrame(QByteArrayView data, qint64 frame, const Mp3Header& h)
{
    QByteArray bytes(h.frameSize(), '\0');
    std::memcpy(bytes.data(), data.data() + frame, 4);
    bytes[1] = static_cast<char>(bytes[1] | 1);
    return {frame, bytes};
}

quint16 crcWithPatches(QByteArrayView data, qint64 from, qint64 to, const QList<BytePatch>& patches)
{
    quint16 crc = 0;
    qint64 pos = from;
    for (const BytePatch& patch : patches) {
        crc = InfoTagCrc(data.sliced(pos, patch.offset - pos), crc);
        crc = InfoTagCrc(patch.bytes, crc);
        pos = patch.offset + patch.bytes.size();
    }
    return InfoTagCrc(data.sliced(pos, to - pos), crc);
}

// Seek table: entry i is where the audio i % into the file starts, in
// 256ths of the stream.
void fillToc(char* toc, QByteArrayView data, qint64 first, qint64 frames, qint64 bytes)
{
    Mp3FrameWalker walk(data);
    qint64 index = 0; // the Info frame is 0
    int entry = 0;
    while (entry < kTocEntries && walk.next()) {
        for (; entry < kTocEntries && 1 + entry * frames / kTocEntries == index; ++entry)
            toc[entry] =
                static_cast<char>(qMin<qint64>(255, (walk.offset() - first) * 256 / bytes));
        ++index;
    }
}

constexpr qint64 kHeadBytes = 64 * 1024;

bool startsWithInfoFrame(const QByteArray& head)
{
    Mp3FrameWalker walk(head);
    return walk.next() && findInfoHeader(head, walk.offset(), walk.header()).has_value();
}

} // namespace

bool IsInfoFrame(QByteArrayView data, qint64 frame, const Mp3Header& header)
{
    return findInfoHeader(data, frame, header).has_value();
}

quint16 InfoTagCrc(QByteArrayView data, quint16 crc)
{
    for (const char c : data)
        crc = static_cast<quint16>((crc >> 8) ^ kCrcTable[(crc ^ static_cast<uchar>(c)) & 0xFF]);
    return crc;
}

QList<BytePatch> JoinedMp3Patches(QByteArrayView data)
{
    Mp3FrameWalker walk(data);
    if (!walk.next())
        return {};
    const qint64 first = walk.offset();
    const Mp3Header firstHeader = walk.header();
    const qint64 firstEnd = walk.end();
    const auto info = findInfoHeader(data, first, firstHeader);

    QList<BytePatch> patches;
    qint64 frames = 0;
    qint64 streamEnd = firstEnd;
    std::optional<int> lastPadding;
    while (walk.next()) {
        ++frames;
        streamEnd = walk.end();
        const auto later = findInfoHeader(data, walk.offset(), walk.header());
        if (!later)
            continue;
        if (later->tag >= 0) {
            const auto* p = reinterpret_cast<const uchar*>(data.data()) + later->tag;
            lastPadding = (p[kTagDelayPadding + 1] & 0x0F) << 8 | p[kTagDelayPadding + 2];
        }
        patches.append(silentFrame(data, walk.offset(), walk.header()));
    }

    const qint64 bytes = streamEnd - first;
    if (!info || frames == 0 || bytes > 0xFFFFFFFF)
        return patches;
    QByteArray frame(data.data() + first, firstHeader.frameSize());
    char* f = frame.data();
    if (info->frames >= 0)
        writeBe(f + (info->frames - first), quint32(frames), 4);
    if (info->bytes >= 0)
        writeBe(f + (info->bytes - first), quint32(bytes), 4);
    if (info->toc >= 0)
        fillToc(f + (info->toc - first), data, first, frames, bytes);
    if (info->tag >= 0) {
        char* tag = f + (info->tag - first);
        if (lastPadding) {
            tag[kTagDelayPadding + 1] =
                static_cast<char>((tag[kTagDelayPadding + 1] & 0xF0) | (*lastPadding >> 8));
            tag[kTagDelayPadding + 2] = static_cast<char>(*lastPadding & 0xFF);
        }
        writeBe(tag + kTagMusicLength, quint32(bytes), 4);
        writeBe(tag + kTagMusicCrc, crcWithPatches(data, firstEnd, streamEnd, patches), 2);
        const qint64 crcAt = info->tag - first + kTagCrc;
        writeBe(tag + kTagCrc, InfoTagCrc(QByteArrayView(f, crcAt)), 2);
    }
    patches.prepend({first, frame});
    return patches;
}

bool FixJoinedMp3(const QString& resultPath)
{
    if (!QFileInfo(resultPath).isFile())
        return false;
    QList<BytePatch> patches;
    {
        QFile file(resultPath);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const qint64 size = file.size();
        if (size < 4)
            return false;
        // The run encodes every piece alike: when the first frame carries no
        // Info header, no later piece does either, and the book (which may
        // be many hours long) is not read at all.
        if (!startsWithInfoFrame(file.peek(kHeadBytes)))
            return false;
        if (uchar* mapped = file.map(0, size)) {
            patches = JoinedMp3Patches(QByteArrayView(mapped, size));
            file.unmap(mapped);
        } else {
            const QByteArray all = file.readAll();
            if (all.size() != size)
                return false;
            patches = JoinedMp3Patches(all);
        }
    }
    if (patches.isEmpty())
        return false;
    QFile file(resultPath);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return false;
    // The first frame goes last, so a fix cut short never has it count frames
    // that are still Info frames.
    for (auto it = patches.crbegin(); it != patches.crend(); ++it)
        if (!file.seek(it->offset) || file.write(it->bytes) != it->bytes.size())
            return false;
    return file.flush();
}

} // namespace vt
