#include "audio/m4b_split.h"

#include "audio/m4b_container.h"

#include <QScopeGuard>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// One file of the cut book: its audio stream copies the book's.
class Part
{
  public:
    ~Part()
    {
        if (format_) {
            if (format_->pb)
                avio_closep(&format_->pb);
            avformat_free_context(format_);
        }
    }

    Expected<void> open(const Path& path, const AVStream* audio, const M4bMetadata& metadata)
    {
        const QByteArray name = path.native();
        int code = avformat_alloc_output_context2(&format_, nullptr, "ipod", name.constData());
        if (code < 0)
            return FfmpegProblem(u"Cannot make "_s + path.text(), code);
        stream_ = avformat_new_stream(format_, nullptr);
        avcodec_parameters_copy(stream_->codecpar, audio->codecpar);
        stream_->codecpar->codec_tag = 0;
        stream_->time_base = audio->time_base;
        path_ = path;
        return StartM4bFile(format_, stream_, path, metadata);
    }

    // A packet of the book's audio, its times counted from `origin`, this
    // part's start in the book; one before it is the encoder's lead-in, which
    // players decode but do not play.
    Expected<void> write(AVPacket* packet, int64_t origin)
    {
        packet->stream_index = stream_->index;
        packet->pts -= origin;
        packet->dts -= origin;
        packet->pos = -1;
        if (const int code = av_interleaved_write_frame(format_, packet); code < 0)
            return FfmpegProblem(u"Cannot write the audio"_s, code);
        return {};
    }

    Expected<void> close()
    {
        if (const int code = av_write_trailer(format_); code < 0)
            return FfmpegProblem(u"Cannot finish a file of the book"_s, code);
        if (const int code = avio_closep(&format_->pb); code < 0)
            return FfmpegProblem(u"Cannot finish a file of the book"_s, code);
        return MarkSampleEntryMono(path_);
    }

  private:
    Path path_;
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
};

struct Input {
    AVFormatContext* format = nullptr;
    ~Input() { avformat_close_input(&format); }
};

} // namespace

Expected<void> SplitM4b(const Path& source, const QList<qint64>& startsMs,
                        const QList<Path>& targets, const QList<M4bMetadata>& metadata)
{
    if (startsMs.size() != targets.size() || metadata.size() != targets.size() || targets.isEmpty())
        return Problem{u"no files to cut the book into"_s, err::InvalidCall};
    Input in;
    const QByteArray name = source.native();
    int code = avformat_open_input(&in.format, name.constData(), nullptr, nullptr);
    if (code < 0)
        return FfmpegProblem(u"Cannot read "_s + source.text(), code);
    if ((code = avformat_find_stream_info(in.format, nullptr)) < 0)
        return FfmpegProblem(u"Cannot read "_s + source.text(), code);
    const int audio = av_find_best_stream(in.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (audio < 0)
        return FfmpegProblem(u"No audio in "_s + source.text(), audio);
    const AVStream* stream = in.format->streams[audio];

    qsizetype index = -1;
    std::unique_ptr<Part> part;
    int64_t origin = 0;
    AVPacket* packet = av_packet_alloc();
    AVPacket* previous = av_packet_alloc(); // the packet before, for a part's lead-in
    const auto freePackets = qScopeGuard([&] {
        av_packet_free(&packet);
        av_packet_free(&previous);
    });
    const auto next = [&]() -> Expected<void> {
        if (part)
            if (Expected<void> closed = part->close(); !closed)
                return closed;
        part = std::make_unique<Part>();
        ++index;
        return part->open(targets[index], stream, metadata[index]);
    };
    while ((code = av_read_frame(in.format, packet)) >= 0) {
        if (packet->stream_index != audio) {
            av_packet_unref(packet);
            continue;
        }
        // A part starts with the packet its first words begin in.
        const int64_t end =
            av_rescale_q(packet->pts + packet->duration, stream->time_base, {1, 1000});
        while (index + 1 < targets.size() && (index < 0 || end > startsMs[index + 1])) {
            if (Expected<void> opened = next(); !opened)
                return opened;
            if (index == 0)
                continue; // the book's own start, its lead-in and all
            // A packet's audio overlaps the one before it: each part after
            // the first starts with that one, so its first words decode whole.
            origin = packet->pts;
            if (previous->data) {
                AVPacket* leadIn = av_packet_clone(previous);
                Expected<void> written = part->write(leadIn, origin);
                av_packet_free(&leadIn);
                if (!written)
                    return written;
            }
        }
        av_packet_unref(previous);
        av_packet_ref(previous, packet);
        Expected<void> written = part->write(packet, origin);
        av_packet_unref(packet);
        if (!written)
            return written;
    }
    if (code != AVERROR_EOF)
        return FfmpegProblem(u"Cannot read "_s + source.text(), code);
    while (index + 1 < targets.size())
        if (Expected<void> opened = next(); !opened)
            return opened;
    return part->close();
}

} // namespace vt
