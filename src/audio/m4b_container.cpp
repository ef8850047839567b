#include "audio/m4b_container.h"

#include <QFile>
#include <QImage>
#include <QtEndian>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

using namespace Qt::StringLiterals;

namespace vt
{

Problem FfmpegProblem(const QString& what, int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return Problem{what + u": "_s + QString::fromUtf8(text), err::PathFileAccess};
}

Expected<void> StartM4bFile(AVFormatContext* format, AVStream* audio, const Path& file,
                            const M4bMetadata& metadata)
{
    if (!metadata.language.isEmpty())
        av_dict_set(&audio->metadata, "language", metadata.language.toUtf8().constData(), 0);
    // The cover is a picture stream of one frame, which the muxer keeps as
    // the file's cover art.
    AVStream* picture = nullptr;
    const QImage cover = QImage::fromData(metadata.cover);
    if (!cover.isNull()) {
        picture = avformat_new_stream(format, nullptr);
        picture->disposition = AV_DISPOSITION_ATTACHED_PIC;
        picture->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        picture->codecpar->codec_id =
            metadata.cover.startsWith("\x89PNG") ? AV_CODEC_ID_PNG : AV_CODEC_ID_MJPEG;
        picture->codecpar->width = cover.width();
        picture->codecpar->height = cover.height();
        picture->time_base = {1, 90000};
    }
    for (const auto& [key, value] : metadata.texts)
        if (!value.isEmpty())
            av_dict_set(&format->metadata, key.constData(), value.toUtf8().constData(), 0);
    const QByteArray name = file.native();
    int code = avio_open(&format->pb, name.constData(), AVIO_FLAG_WRITE);
    if (code < 0)
        return FfmpegProblem(u"Cannot write "_s + file.text(), code);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "brand", "M4B ", 0); // an audio book, to the players that look
    code = avformat_write_header(format, &options);
    av_dict_free(&options);
    if (code < 0)
        return FfmpegProblem(u"Cannot start the M4B file "_s + file.text(), code);
    if (!picture)
        return {};
    AVPacket* frame = av_packet_alloc();
    av_new_packet(frame, int(metadata.cover.size()));
    memcpy(frame->data, metadata.cover.constData(), size_t(metadata.cover.size()));
    frame->stream_index = picture->index;
    frame->flags |= AV_PKT_FLAG_KEY;
    frame->pts = frame->dts = 0;
    code = av_interleaved_write_frame(format, frame);
    av_packet_free(&frame);
    if (code < 0)
        return FfmpegProblem(u"Cannot write the cover into "_s + file.text(), code);
    return {};
}

namespace
{

// The boxes inside `data` from `from` to `to`: calls found(type, start, end)
// for each, with the start of its contents; false when they do not fit.
template <class Found> bool forEachBox(QByteArrayView data, qint64 from, qint64 to, Found&& found)
{
    while (from + 8 <= to) {
        const auto* p = reinterpret_cast<const uchar*>(data.data()) + from;
        qint64 size = qFromBigEndian<quint32>(p);
        qint64 header = 8;
        if (size == 1 && from + 16 <= to) {
            size = qint64(qFromBigEndian<quint64>(p + 8));
            header = 16;
        } else if (size == 0) {
            size = to - from;
        }
        if (size < header || from + size > to)
            return false;
        found(QByteArrayView(p + 4, 4), from + header, from + size);
        from += size;
    }
    return true;
}

} // namespace

Expected<void> MarkSampleEntryMono(const Path& file)
{
    QFile mp4(file.text());
    const auto failed = [&] {
        return Problem{u"cannot write "_s + file.text() + u": "_s + mp4.errorString(),
                       err::DiskFull};
    };
    if (!mp4.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return failed();
    // The top-level boxes, read by their headers only: the audio may be
    // hundreds of megabytes.
    qint64 moov = -1, moovEnd = -1;
    for (qint64 at = 0; at + 8 <= mp4.size();) {
        if (!mp4.seek(at))
            return failed();
        const QByteArray head = mp4.read(16);
        if (head.size() < 8)
            break;
        const auto* p = reinterpret_cast<const uchar*>(head.constData());
        qint64 size = qFromBigEndian<quint32>(p);
        if (size == 1 && head.size() == 16)
            size = qint64(qFromBigEndian<quint64>(p + 8));
        else if (size == 0)
            size = mp4.size() - at;
        if (size < 8)
            break;
        if (head.mid(4, 4) == "moov") {
            moov = at;
            moovEnd = at + size;
            break;
        }
        at += size;
    }
    if (moov < 0 || !mp4.seek(moov))
        return {};
    const QByteArray box = mp4.read(moovEnd - moov);
    QList<qint64> counts; // offsets of the channel counts in box
    const auto into = [&](const char* type, auto&& then) {
        return [type, then](QByteArrayView t, qint64 from, qint64 to) {
            if (t == QByteArrayView(type, 4))
                then(from, to);
        };
    };
    const auto stsd = [&](qint64 from, qint64 to) {
        forEachBox(box, from + 8, to, [&](QByteArrayView type, qint64 entry, qint64 end) {
            // An audio sample entry: 8 bytes of its own, 8 reserved, then
            // the channel count.
            if (type == "mp4a" && entry + 18 <= end)
                counts.append(entry + 16);
        });
    };
    const auto stbl =
        into("stbl", [&](qint64 f, qint64 t) { forEachBox(box, f, t, into("stsd", stsd)); });
    const auto minf = into("minf", [&](qint64 f, qint64 t) { forEachBox(box, f, t, stbl); });
    const auto mdia = into("mdia", [&](qint64 f, qint64 t) { forEachBox(box, f, t, minf); });
    const auto trak = into("trak", [&](qint64 f, qint64 t) { forEachBox(box, f, t, mdia); });
    forEachBox(box, 8, box.size(), trak);
    for (const qint64 at : counts) {
        const char one[2] = {0, 1};
        if (!mp4.seek(moov + at) || mp4.write(one, 2) != 2)
            return failed();
    }
    return mp4.flush() ? Expected<void>{} : failed();
}

QByteArray ChplTitle(const QString& title)
{
    QByteArray bytes = title.toUtf8();
    if (bytes.size() <= 255)
        return bytes;
    qsizetype cut = 255;
    while (cut > 0 && (static_cast<uchar>(bytes[cut]) & 0xC0) == 0x80)
        --cut; // bytes[cut] begins a character, which is left out
    bytes.truncate(cut);
    return bytes;
}

} // namespace vt
