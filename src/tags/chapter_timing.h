#pragma once

#include "tags/book_tags.h"
#include "text/chapter_places.h"

#include <QHash>
#include <QList>
#include <QString>

namespace vt
{

// The chapters of one book in time, put together while its pieces are
// spoken and encoded: a chapter begins at the sample where the speech
// engine reached its first word, after the audio of the pieces before it.
class ChapterTiming
{
  public:
    // A new book and the places its chapters begin at (none: no chapters).
    void start(QList<ChapterPlace> places);
    bool wanted() const { return !places_.isEmpty(); }

    // The speech engine reached a word of the piece: `textPosition` code
    // points of its text before the word, `sample` samples of audio before.
    void wordReached(qint32 piece, qint64 textPosition, qint64 sample);
    // The piece is spoken: its audio in samples, its text in code points
    // (for chapters whose words the engine did not report).
    void pieceSpoken(qint32 piece, qint64 samples, qint64 characters);
    // The piece is encoded: the samples its MP3 decodes to, every frame
    // counted, as the pieces lie one after the other in the joined book.
    void pieceEncoded(qint32 piece, qint64 samples);

    // The chapters in order, each ending where the next begins and the last
    // at the end of the book; entries that fall on one moment make one. The
    // first begins at the book's start.
    QList<BookChapter> chapters() const;

  private:
    struct Place {
        ChapterPlace place;
        qint64 sample = -1; // in its piece, once the engine reached it
    };
    struct Piece {
        qint64 spoken = -1; // samples of the WAV
        qint64 characters = 0;
        qint64 encoded = -1; // samples of the MP3
    };
    QList<Place> places_;
    qsizetype next_ = 0; // the first place no word has reached yet
    QHash<qint32, Piece> pieces_;
};

} // namespace vt
