#include "audio/m4b_container.h"

#include <QImage>

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

} // namespace vt
