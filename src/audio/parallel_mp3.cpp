#include "audio/parallel_mp3.h"

#include <chrono>
#include <lame/lame.h>

using namespace Qt::StringLiterals;

namespace vt
{

EncodedPart EncodeMp3Part(const std::vector<qint16>& samples)
{
    EncodedPart part;
    lame_t lame = lame_init();
    if (!lame) {
        part.error = u"the MP3 encoder could not be started (out of memory?)"_s;
        return part;
    }
    // `lame -h` on the engine's WAV files: its defaults for mono 22 050 Hz
    // at quality 2. Its 32 kbit/s frames are too small for an Info frame:
    // the book gets one of its own (MakeInfoFrame).
    lame_set_in_samplerate(lame, 22050);
    lame_set_num_channels(lame, 1);
    lame_set_mode(lame, MONO);
    lame_set_quality(lame, 2);
    lame_set_bWriteVbrTag(lame, 0);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        part.error = u"the MP3 encoder refused its settings"_s;
        return part;
    }
    const auto count = int(samples.size());
    part.mp3.resize(qsizetype(count + count / 4 + 7200 + 2 * 8192));
    auto* out = reinterpret_cast<unsigned char*>(part.mp3.data());
    const int size = int(part.mp3.size());
    const int made = lame_encode_buffer(lame, samples.data(), nullptr, count, out, size);
    const int flushed = made < 0 ? -1 : lame_encode_flush(lame, out + made, size - made);
    if (made < 0 || flushed < 0) {
        part.error =
            u"the MP3 encoder failed (code "_s + QString::number(qMin(made, flushed)) + u')';
    } else {
        part.mp3.resize(made + flushed);
        part.padding = lame_get_encoder_padding(lame);
    }
    lame_close(lame);
    return part;
}

namespace
{

// A write the disk cuts short is tried on, so the error says why.
bool writeAll(QFile& file, const QByteArray& bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

ParallelMp3Encoder::ParallelMp3Encoder(int encoders, qint64 partSamples)
    : cutter_(partSamples), limit_(std::size_t(encoders + 1))
{
}

Expected<std::unique_ptr<ParallelMp3Encoder>>
ParallelMp3Encoder::create(const QString& target, int encoders, qint64 partSamples)
{
    encoders = qMax(1, encoders);
    std::unique_ptr<ParallelMp3Encoder> made(new ParallelMp3Encoder(encoders, partSamples));
    made->file_.setFileName(target);
    if (!made->file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return Problem{u"the MP3 file "_s + target + u" could not be made: "_s +
                       made->file_.errorString()};
    for (int i = 0; i < encoders; ++i)
        made->threads_.emplace_back([p = made.get()] { p->work(); });
    return made;
}

ParallelMp3Encoder::~ParallelMp3Encoder()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    work_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void ParallelMp3Encoder::work()
{
    for (;;) {
        AudioPart part;
        {
            std::unique_lock lock(mutex_);
            work_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (stop_)
                return;
            part = std::move(queue_.front());
            queue_.pop_front();
        }
        EncodedPart encoded = EncodeMp3Part(part.samples);
        {
            const std::lock_guard lock(mutex_);
            encoded_[part.index] = std::move(encoded);
        }
        done_.notify_all();
    }
}

// The parts done, in order, go into the file; this thread is its only writer.
Expected<void> ParallelMp3Encoder::writeDone()
{
    for (;;) {
        EncodedPart part;
        {
            const std::lock_guard lock(mutex_);
            const auto it = encoded_.find(written_);
            if (it == encoded_.end())
                return {};
            part = std::move(it->second);
            encoded_.erase(it);
            --out_;
        }
        ++written_;
        // The Info frame's place is kept at the start; it is written last.
        if (part.error.isEmpty() && firstHeader_.isEmpty() && part.mp3.size() >= 4) {
            firstHeader_ = part.mp3.left(4);
            if (!writeAll(file_, MakeInfoFrame(firstHeader_, {}, 0, 0)))
                part.error = u"the MP3 file could not be written: "_s + file_.errorString();
        }
        if (part.error.isEmpty() && !writeAll(file_, part.mp3))
            part.error = u"the MP3 file could not be written: "_s + file_.errorString();
        stream_.add(part.mp3);
        lastPadding_ = part.padding;
        if (!part.error.isEmpty()) {
            failure_ = part.error;
            return Problem{failure_};
        }
    }
}

void ParallelMp3Encoder::waitForEncoders(const Yield& yield)
{
    {
        std::unique_lock lock(mutex_);
        done_.wait_for(lock, std::chrono::milliseconds(50),
                       [this] { return encoded_.count(written_) > 0; });
    }
    if (yield)
        yield();
}

// Hands the parts cut so far to the encoders, waiting while too many are out.
Expected<void> ParallelMp3Encoder::hand(const Yield& yield)
{
    while (cutter_.hasPart()) {
        for (;;) {
            if (const Expected<void> w = writeDone(); !w)
                return w;
            {
                const std::lock_guard lock(mutex_);
                if (out_ < limit_) {
                    queue_.push_back(cutter_.take());
                    ++out_;
                    break;
                }
            }
            waitForEncoders(yield);
        }
        work_.notify_one();
    }
    return writeDone();
}

Expected<void> ParallelMp3Encoder::write(const qint16* samples, qsizetype count, const Yield& yield)
{
    if (!failure_.isEmpty())
        return Problem{failure_};
    cutter_.push(samples, count);
    return hand(yield);
}

Expected<void> ParallelMp3Encoder::finish(const Yield& yield)
{
    if (!failure_.isEmpty())
        return Problem{failure_};
    cutter_.finish();
    if (const Expected<void> handed = hand(yield); !handed)
        return handed;
    for (;;) {
        if (const Expected<void> w = writeDone(); !w)
            return w;
        {
            const std::lock_guard lock(mutex_);
            if (out_ == 0)
                break;
        }
        waitForEncoders(yield);
    }
    if (!firstHeader_.isEmpty() &&
        (!file_.seek(0) ||
         !writeAll(file_, MakeInfoFrame(firstHeader_, stream_, kLameEncoderDelay, lastPadding_)))) {
        failure_ = u"the MP3 file could not be written: "_s + file_.errorString();
        return Problem{failure_};
    }
    file_.close(); // unbuffered: every part's write was checked as it went
    return {};
}

} // namespace vt
