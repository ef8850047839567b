#pragma once

#include "common/expected.h"
#include "tags/cover_image.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace vt
{

class EpubBook;

// One chapter of an audio book: where its first words are heard.
struct BookChapter {
    QString title;
    qint64 startMs = 0;
    qint64 endMs = 0;
};

// What an audio book's ID3 tag says of it.
struct BookTags {
    QString title;
    QStringList authors;
    QString year;     // "2018"; "" when unknown
    QString language; // ISO 639-2, e.g. "eng"; "" when unknown
    QString publisher;
    QString comment; // the description, plain text
    CoverImage cover;
    QList<BookChapter> chapters; // in order, each ending where the next starts
    // A file holding one chapter of the book: its title (the book's title
    // becomes the album) and its number of the book's files.
    struct Track {
        QString title;
        int number = 0; // from 1; 0 for the whole book
        int total = 0;
    } track;
    QStringList notes; // what the listener should know: a text cut short, no cover
};

// The longest texts a tag takes: players show a line or two, and a tag of
// megabytes slows every one of them down.
inline constexpr qsizetype kTagTextMax = 1000;
inline constexpr qsizetype kTagDescriptionMax = 4000;
inline constexpr qsizetype kChapterTitleMax = 200;

// The tags of a book from its package document and cover. A book without
// metadata gives empty fields; texts longer than a tag takes are cut short
// (a note says so); never raises.
BookTags BookTagsFromEpub(const EpubBook& book);

// The three-letter ISO 639-2 (terminology) code of a language tag ("en-US"
// gives "eng", "fr" gives "fra"); "" for a tag whose language is unknown.
QString Iso639_2(const QString& languageTag);

// The year at the start of an EPUB date ("2018-03-27T22:02:30Z" gives
// "2018"); "" when it does not start with one.
QString YearOfDate(const QString& date);

// The ID3v2 versions a tag can be written in: 2.3, which every player
// reads (UTF-16 texts, TYER for the year), or 2.4 (UTF-8 texts, TDRC).
enum class Id3Version { V2_3 = 3, V2_4 = 4 };

// The ID3v2 tag: TIT2, TALB, TPE1, TPE2, TCON "Audiobook", the year, TLAN,
// TPUB, COMM, the front cover as APIC, and one CHAP per chapter (each with
// its TIT2) with a CTOC listing them in order; for a chapter's own file its
// title as TIT2 and TRCK "n/total". Fields that are empty are left out.
QByteArray RenderId3Tag(const BookTags& tags, Id3Version version = Id3Version::V2_3);

// Puts the tag in front of the MP3 file's audio, replacing an ID3v2 tag
// already there; the audio stays byte for byte. The file is rewritten
// beside itself and then renamed over, so a failure (a full disk, a folder
// without room for a second file) leaves it as it was. betweenBlocks runs
// after every few megabytes copied (the window yields there). The problem
// when the file could not be read or rewritten.
Expected<void> PrependId3Tag(const QString& mp3Path, const QByteArray& tag,
                             const std::function<void()>& betweenBlocks = {});

// Tags the audio book with the book's metadata and cover and the chapters
// given. Missing or broken metadata gives fewer tags, never an error; the
// notes on what was cut short or left out, or the problem when the file
// could not be written (a full disk).
Expected<QStringList> TagAudioBook(const EpubBook& book, const QString& mp3Path,
                                   const QList<BookChapter>& chapters = {},
                                   const std::function<void()>& betweenBlocks = {},
                                   Id3Version version = Id3Version::V2_3);

} // namespace vt
