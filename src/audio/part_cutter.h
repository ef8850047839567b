#pragma once

#include <QtGlobal>
#include <deque>
#include <vector>

namespace vt
{

// One stretch of a book's audio, encoded on its own.
struct AudioPart {
    qint64 index = 0;            // 0 for the first part
    std::vector<qint16> samples; // what the encoder is given
};

// Cuts a stream of speech into parts that encoders work on side by side.
// A part ends in a pause, and what the encoders add at each seam (the next
// one's delay and this one's padding, `SeamSamples`) is taken out of the
// pauses that follow, so the parts' MP3 streams laid end to end play as long
// as the speech (within one seam, 0.08 s), no word touched.
class PartCutter
{
  public:
    // A part is cut at the first pause after `partSamples`; speech with no
    // pause is cut at four times that.
    explicit PartCutter(qint64 partSamples) : partSamples_(qMax<qint64>(partSamples, 1)) {}

    void push(const qint16* samples, qsizetype count);
    // What remains becomes the last part (none when nothing remains).
    void finish();
    // The parts cut so far, in order; taking them moves them out.
    bool hasPart() const { return !ready_.empty(); }
    AudioPart take();
    // Samples taken in so far (the book's timeline).
    qint64 samplesIn() const { return samplesIn_; }
    // Samples the seams add that no pause has given back yet.
    qint64 seamDebt() const { return debt_; }

    // Below this a sample counts as silence (about -60 dBFS).
    static constexpr int kQuiet = 32;

  private:
    void cut(qsizetype at);

    qint64 partSamples_;
    std::vector<qint16> current_;
    qsizetype quietRun_ = 0;  // quiet samples at the end of the input
    qsizetype keptQuiet_ = 0; // quiet samples at the end of current_
    qint64 debt_ = 0;
    std::deque<AudioPart> ready_;
    qint64 parts_ = 0;
    qint64 samplesIn_ = 0;
};

// The samples one part adds at the seam after it in a byte-wise join of
// separately encoded MP3 streams: the next encoder's delay and this part's
// padding in its last frame (22 050 Hz mono, frames of 576 samples).
qint64 SeamSamples(qint64 partSamples);

} // namespace vt
