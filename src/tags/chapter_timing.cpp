#include "tags/chapter_timing.h"

#include "speech/speech_engine.h"

#include <algorithm>

namespace vt
{

void ChapterTiming::start(QList<ChapterPlace> places)
{
    places_.clear();
    for (ChapterPlace& p : places)
        places_.append({std::move(p), -1});
    std::stable_sort(places_.begin(), places_.end(), [](const Place& a, const Place& b) {
        return std::pair(a.place.piece, a.place.offset) < std::pair(b.place.piece, b.place.offset);
    });
    next_ = 0;
    pieces_.clear();
}

void ChapterTiming::wordReached(qint32 piece, qint64 textPosition, qint64 sample)
{
    // Words come in the order of the text: the first word at or after a
    // place is the chapter's first.
    while (next_ < places_.size() &&
           (places_[next_].place.piece < piece ||
            (places_[next_].place.piece == piece && places_[next_].place.offset <= textPosition))) {
        if (places_[next_].place.piece == piece)
            places_[next_].sample = sample;
        ++next_;
    }
}

void ChapterTiming::pieceSpoken(qint32 piece, qint64 samples, qint64 characters)
{
    Piece& p = pieces_[piece];
    p.spoken = samples;
    p.characters = characters;
}

void ChapterTiming::pieceEncoded(qint32 piece, qint64 samples)
{
    pieces_[piece].encoded = samples;
}

QList<BookChapter> ChapterTiming::chapters() const
{
    if (places_.isEmpty() || pieces_.isEmpty())
        return {};
    qint32 last = 0;
    for (auto it = pieces_.cbegin(); it != pieces_.cend(); ++it)
        last = std::max(last, it.key());
    // Where each piece begins in the book: the pieces before it as the MP3
    // holds them (as spoken when a piece was not measured).
    QList<qint64> starts(last + 2, 0);
    for (qint32 j = 1; j <= last; ++j) {
        const Piece p = pieces_.value(j);
        starts[j + 1] = starts[j] + std::max<qint64>(0, p.encoded >= 0 ? p.encoded : p.spoken);
    }
    const auto ms = [](qint64 samples) { return samples * 1000 / kSpeechSampleRate; };
    const qint64 end = ms(starts[last] + std::max<qint64>(0, pieces_.value(last).spoken));

    QList<BookChapter> chapters;
    for (const Place& place : places_) {
        const qint32 j = place.place.piece;
        if (j < 1 || j > last)
            continue;
        const Piece p = pieces_.value(j);
        qint64 sample = place.sample;
        if (sample < 0 && p.spoken > 0 &&
            p.characters > 0) // no word reported: by its share of the text
            sample = place.place.offset * p.spoken / p.characters;
        if (sample < 0)
            continue;
        const qint64 at = ms(starts[j] + sample);
        if (!chapters.isEmpty() && at <= chapters.last().startMs)
            continue;
        if (at >= end)
            break;
        if (!chapters.isEmpty())
            chapters.last().endMs = at;
        chapters.append({place.place.title, at, end});
    }
    // What comes before the first chapter (a title page, a copyright page)
    // belongs to it: the book's start belongs to a chapter in every format.
    if (!chapters.isEmpty())
        chapters.first().startMs = 0;
    return chapters;
}

} // namespace vt
