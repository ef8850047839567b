#include "audio/part_cutter.h"

#include <cstdlib>

namespace vt
{
namespace
{

constexpr qint64 kFrame = 576;
constexpr qint64 kEncoderDelay = 576;
// Silence kept on either side of a seam, and at the start of a pause that
// gives samples to a seam, so no word's edge comes near either.
constexpr qsizetype kMargin = 256;

} // namespace

qint64 SeamSamples(qint64 partSamples)
{
    // The encoder pads every stream to whole frames, with at least one
    // frame after its delay and the audio.
    const qint64 frames = (partSamples + kEncoderDelay + kFrame + kFrame - 1) / kFrame;
    const qint64 padding = frames * kFrame - partSamples - kEncoderDelay;
    return kEncoderDelay + padding;
}

void PartCutter::push(const qint16* samples, qsizetype count)
{
    samplesIn_ += count;
    qsizetype from = 0; // the first sample not yet in current_
    const auto keep = [&](qsizetype to) {
        current_.insert(current_.end(), samples + from, samples + to);
        from = to;
    };
    for (qsizetype j = 0; j < count; ++j) {
        const bool quiet = std::abs(int(samples[j])) <= kQuiet;
        quietRun_ = quiet ? quietRun_ + 1 : 0;
        // The seams' samples come out of the pauses after them: every other
        // sample past a pause's first kMargin, so no pause is more than
        // halved and the parts' streams add up to the speech.
        if (debt_ > 0 && quietRun_ > kMargin && (quietRun_ & 1) != 0) {
            keep(j);
            from = j + 1;
            --debt_;
            continue;
        }
        keptQuiet_ = quiet ? keptQuiet_ + 1 : 0;
        const qsizetype length = qsizetype(current_.size()) + (j + 1 - from);
        if (length < partSamples_ || (keptQuiet_ < 2 * kMargin && length < 4 * partSamples_))
            continue;
        keep(j + 1);
        // In a pause the part ends kMargin into it and the next begins with
        // the rest; speech with no pause at all is cut where it is.
        cut(keptQuiet_ >= 2 * kMargin ? length - kMargin : length);
    }
    keep(count);
}

void PartCutter::cut(qsizetype at)
{
    AudioPart part;
    part.index = parts_++;
    part.samples.assign(current_.begin(), current_.begin() + at);
    current_.erase(current_.begin(), current_.begin() + at);
    keptQuiet_ = qsizetype(current_.size());
    debt_ += SeamSamples(at);
    ready_.push_back(std::move(part));
}

void PartCutter::finish()
{
    if (current_.empty())
        return;
    const qint64 debt = debt_;
    cut(qsizetype(current_.size()));
    debt_ = debt; // the last part has no seam after it
}

AudioPart PartCutter::take()
{
    AudioPart part = std::move(ready_.front());
    ready_.pop_front();
    return part;
}

} // namespace vt
