#include "audio/m4b_writer.h"

#include "audio/m4b_container.h"

#include <QFile>
#include <QtEndian>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr int kSampleRate = 22050;
constexpr qint64 kWavHeaderBytes = 44;
constexpr qsizetype kReadBlock = 1 << 20;

} // namespace

struct M4bWriter::Ffmpeg {
    AVFormatContext* format = nullptr;
    AVCodecContext* encoder = nullptr;
    AVStream* audio = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;

    ~Ffmpeg()
    {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&encoder);
        if (format) {
            if (format->pb)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

Expected<std::unique_ptr<M4bWriter>> M4bWriter::create(const Path& file,
                                                       const M4bMetadata& metadata, int bitRate)
{
    av_log_set_level(AV_LOG_ERROR); // the encoder's notes are not the user's
    std::unique_ptr<M4bWriter> writer(new M4bWriter);
    writer->file_ = file;
    writer->ff_ = std::make_unique<Ffmpeg>();
    Ffmpeg& ff = *writer->ff_;
    const QByteArray name = file.native();
    // The "ipod" muxer is MP4 with the audio book's brand and iTunes tags.
    int code = avformat_alloc_output_context2(&ff.format, nullptr, "ipod", name.constData());
    if (code < 0)
        return FfmpegProblem(u"Cannot make an M4B file"_s, code);
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!aac)
        return Problem{u"This FFmpeg has no AAC encoder."_s, err::ObjectRequired};
    ff.encoder = avcodec_alloc_context3(aac);
    ff.encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
    ff.encoder->sample_rate = kSampleRate;
    av_channel_layout_default(&ff.encoder->ch_layout, 1);
    ff.encoder->bit_rate = bitRate;
    ff.encoder->profile = FF_PROFILE_AAC_LOW;
    ff.encoder->time_base = {1, kSampleRate};
    if (ff.format->oformat->flags & AVFMT_GLOBALHEADER)
        ff.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // The constant-quantiser coder: four times as fast as FFmpeg's default
    // search on speech, and closer to the spoken waveform at these rates.
    AVDictionary* coder = nullptr;
    av_dict_set(&coder, "aac_coder", "fast", 0);
    code = avcodec_open2(ff.encoder, aac, &coder);
    av_dict_free(&coder);
    if (code < 0)
        return FfmpegProblem(u"Cannot start the AAC encoder"_s, code);
    ff.audio = avformat_new_stream(ff.format, nullptr);
    avcodec_parameters_from_context(ff.audio->codecpar, ff.encoder);
    ff.audio->time_base = {1, kSampleRate};
    ff.frame = av_frame_alloc();
    ff.packet = av_packet_alloc();
    if (Expected<void> started = StartM4bFile(ff.format, ff.audio, file, metadata); !started)
        return started.problem();
    return writer;
}

M4bWriter::~M4bWriter() = default;

Expected<void> M4bWriter::drain(bool flush)
{
    Ffmpeg& ff = *ff_;
    if (flush)
        avcodec_send_frame(ff.encoder, nullptr);
    for (;;) {
        const int code = avcodec_receive_packet(ff.encoder, ff.packet);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return {};
        if (code < 0)
            return FfmpegProblem(u"The AAC encoder failed"_s, code);
        av_packet_rescale_ts(ff.packet, ff.encoder->time_base, ff.audio->time_base);
        ff.packet->stream_index = ff.audio->index;
        if (const int written = av_interleaved_write_frame(ff.format, ff.packet); written < 0)
            return FfmpegProblem(u"Cannot write the audio"_s, written);
    }
}

Expected<void> M4bWriter::encode(const float* samples, int count)
{
    Ffmpeg& ff = *ff_;
    av_frame_unref(ff.frame);
    ff.frame->nb_samples = count;
    ff.frame->format = AV_SAMPLE_FMT_FLTP;
    ff.frame->sample_rate = kSampleRate;
    av_channel_layout_copy(&ff.frame->ch_layout, &ff.encoder->ch_layout);
    if (const int code = av_frame_get_buffer(ff.frame, 0); code < 0)
        return FfmpegProblem(u"Out of memory"_s, code);
    memcpy(ff.frame->data[0], samples, sizeof(float) * size_t(count));
    ff.frame->pts = samples_;
    samples_ += count;
    if (const int code = avcodec_send_frame(ff.encoder, ff.frame); code < 0)
        return FfmpegProblem(u"The AAC encoder failed"_s, code);
    return drain(false);
}

Expected<void> M4bWriter::appendWav(const Path& wav, const std::function<void(double)>& done,
                                    const Yield& yield)
{
    QFile file(wav.text());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(kWavHeaderBytes))
        return Problem{u"Cannot read "_s + wav.text() + u": "_s + file.errorString()};
    const qint64 total = std::max<qint64>(1, file.size() - kWavHeaderBytes);
    QByteArray block;
    std::vector<qint16> samples;
    while (!file.atEnd()) {
        block = file.read(kReadBlock);
        if (block.isEmpty() && !file.atEnd())
            return Problem{u"Cannot read "_s + wav.text() + u": "_s + file.errorString()};
        samples.resize(std::size_t(block.size() / 2));
        const auto* pcm = reinterpret_cast<const uchar*>(block.constData());
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = qFromLittleEndian<qint16>(pcm + 2 * i);
        if (Expected<void> added = appendSamples(samples.data(), qsizetype(samples.size())); !added)
            return added;
        if (done)
            done(double(file.pos() - kWavHeaderBytes) / double(total));
        if (yield)
            yield();
    }
    return {};
}

Expected<void> M4bWriter::appendSamples(const qint16* samples, qsizetype count)
{
    const int frameSize = ff_->encoder->frame_size;
    for (qsizetype i = 0; i < count; ++i)
        carry_.push_back(samples[i] / 32768.0f);
    size_t used = 0;
    for (; carry_.size() - used >= size_t(frameSize); used += size_t(frameSize))
        if (Expected<void> encoded = encode(carry_.data() + used, frameSize); !encoded)
            return encoded;
    carry_.erase(carry_.begin(), carry_.begin() + qsizetype(used));
    return {};
}

Expected<void> M4bWriter::finish(const QList<M4bMetadata::Chapter>& chapters)
{
    Ffmpeg& ff = *ff_;
    if (!carry_.empty())
        if (Expected<void> last = encode(carry_.data(), int(carry_.size())); !last)
            return last;
    carry_.clear();
    if (Expected<void> flushed = drain(true); !flushed)
        return flushed;
    // Chapters given only now make the muxer write their track at the end,
    // with the times they have.
    for (const M4bMetadata::Chapter& c : chapters) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        chapter->id = ff.format->nb_chapters;
        chapter->time_base = {1, 1000};
        chapter->start = c.startMs;
        chapter->end = c.endMs;
        // The chapter track and the "chpl" list share the title, which the
        // list holds to 255 bytes.
        av_dict_set(&chapter->metadata, "title", ChplTitle(c.title).constData(), 0);
        const unsigned n = ff.format->nb_chapters;
        auto* grown =
            static_cast<AVChapter**>(av_realloc_array(ff.format->chapters, n + 1, sizeof(chapter)));
        if (!grown) {
            av_dict_free(&chapter->metadata);
            av_free(chapter);
            return Problem{u"Out of memory"_s, err::OutOfMemory};
        }
        grown[n] = chapter;
        ff.format->chapters = grown;
        ff.format->nb_chapters = n + 1;
    }
    if (const int code = av_write_trailer(ff.format); code < 0)
        return FfmpegProblem(u"Cannot finish the M4B file"_s, code);
    if (const int code = avio_closep(&ff.format->pb); code < 0)
        return FfmpegProblem(u"Cannot finish the M4B file"_s, code);
    if (Expected<void> mono = MarkSampleEntryMono(file_); !mono)
        return mono;
    finished_ = true;
    return {};
}

} // namespace vt
