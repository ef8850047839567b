#include "speech/resampler.h"

#include "common/error.h"

#include <soxr.h>

using namespace Qt::StringLiterals;

namespace vt
{

namespace
{

constexpr size_t kBlock = 4096; // output samples written at a time

} // namespace

Resampler::Resampler(int inputRate, int volume, AudioSink& sink)
    : inputRate_(inputRate), sink_(sink), out_(kBlock)
{
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    io.scale = volume / 100.0;
    io.flags = SOXR_NO_DITHER; // volume 0 must stay exact silence
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    soxr_ = soxr_create(inputRate, kSpeechSampleRate, 1, &error, &io, &quality, nullptr);
    if (error != nullptr || soxr_ == nullptr)
        raise(err::OutOfMemory,
              u"The speech could not be converted to 22 050 Hz: "_s + QString::fromUtf8(error));
}

Resampler::~Resampler()
{
    soxr_delete(soxr_);
}

void Resampler::write(const qint16* samples, qint64 count)
{
    if (count > 0)
        process(samples, count);
}

void Resampler::writeSilence(qint64 count)
{
    const std::vector<qint16> zeros(kBlock, 0);
    for (qint64 left = count; left > 0; left -= qint64(kBlock))
        process(zeros.data(), std::min<qint64>(left, qint64(kBlock)));
}

void Resampler::finish()
{
    process(nullptr, 0);
}

void Resampler::process(const qint16* samples, qint64 count)
{
    // A null input tells the resampler the end has come: it then gives out
    // what it still holds.
    size_t left = size_t(count);
    const qint16* in = samples;
    for (;;) {
        size_t used = 0;
        size_t made = 0;
        const soxr_error_t error = soxr_process(soxr_, in, left, in != nullptr ? &used : nullptr,
                                                out_.data(), out_.size(), &made);
        if (error != nullptr)
            raise(err::InvalidCall,
                  u"The speech could not be converted to 22 050 Hz: "_s + QString::fromUtf8(error));
        if (made > 0)
            sink_.write(out_.data(), int(made));
        if (in != nullptr) {
            in += used;
            left -= used;
            taken_ += qint64(used);
            if (left == 0 && made < out_.size())
                return;
        } else if (made == 0) {
            return;
        }
    }
}

} // namespace vt
