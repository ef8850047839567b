#include "text/chapter_places.h"

#include "common/voice_marks.h"
#include "epub/markup.h"
#include "epub/package.h"
#include "epub/ruby_readings.h"
#include "epub/spoken_numbers.h"
#include "text/cutting.h"
#include "text/pronunciations.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// How many words in a row place a document or chapter: enough that a
// contents line or a running head does not pass for the chapter itself.
constexpr qsizetype kWindow = 8;
// How many of a place's first words may be missing from the spoken text (a
// reference mark taken out, a word the converter left out).
constexpr qsizetype kSkips = 4;

using Word = size_t;

// Calls add(word, offset) for every word of cleaned text: letters and
// digits with their marks, case-folded; offset counts code points. A
// voice's mark is passed over.
template <class Add> void forEachWord(QStringView text, Add&& add)
{
    QString word;
    qint64 position = 0;
    qint64 start = 0;
    const auto end = [&] {
        if (!word.isEmpty())
            add(qHash(word, 0), start);
        word.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++position) {
        // A voice's mark is no word; its characters count.
        if (const qsizetype mark = VoiceMarkLength(text, i); mark > 0) {
            end();
            i += mark;
            position += mark - 1;
            continue;
        }
        char32_t c = text[i].unicode();
        qsizetype length = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            length = 2;
        }
        i += length;
        const bool inWord = QChar::isLetterOrNumber(c) || (QChar::isMark(c) && !word.isEmpty());
        if (!inWord) {
            end();
            continue;
        }
        if (word.isEmpty())
            start = position;
        const char32_t folded = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(folded)) {
            word += QChar(QChar::highSurrogate(folded));
            word += QChar(QChar::lowSurrogate(folded));
        } else {
            word += QChar(char16_t(folded));
        }
    }
    end();
}

// The words of the book's documents in reading order, as the cleaner
// leaves them.
struct BookWords {
    struct Document {
        qsizetype first = 0;
        qsizetype end = 0;
        QHash<QString, qsizetype> anchors; // element id: the word it stands before
    };
    QList<Word> words;
    QList<Document> documents;
};

// Elements whose text is not read out: scripts, styles, the brackets of
// ruby readings and note references (which the cleaning takes out of the
// text). The readings themselves are read out after their letters, as the
// converter gives them.
bool isUnspoken(const QXmlStreamReader& xml)
{
    const QStringView name = xml.name();
    if (name == u"script" || name == u"style" || name == u"rp" || name == u"head")
        return true;
    for (const QXmlStreamAttribute& a : xml.attributes())
        if ((a.name() == u"type" && a.value().contains(u"noteref"_s)) ||
            (a.name() == u"role" && a.value() == u"doc-noteref"))
            return true;
    return false;
}

void readDocument(const QByteArray& xhtml, BookWords& book, BookWords::Document& doc,
                  const LineTransform& transform)
{
    QXmlStreamReader xml(XhtmlForXmlReader(xhtml));
    QString line;
    const auto flush = [&] {
        if (line.isEmpty())
            return;
        forEachWord(CleanTextLine(transform ? transform(line) : line),
                    [&](Word w, qint64) { book.words.append(w); });
        line.clear();
    };
    int skipped = 0; // depth inside an element that is not read out
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (skipped > 0 || isUnspoken(xml)) {
                ++skipped;
                break;
            }
            if (!IsInlineElement(xml.name()))
                flush();
            const QXmlStreamAttributes attributes = xml.attributes();
            QString id = attributes.value(u"id"_s).toString();
            if (id.isEmpty() && xml.name() == u"a")
                id = attributes.value(u"name"_s).toString();
            if (!id.isEmpty()) {
                flush();
                doc.anchors.insert(id, book.words.size());
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (skipped > 0)
                --skipped;
            else if (!IsInlineElement(xml.name()))
                flush();
            break;
        case QXmlStreamReader::Characters:
            if (skipped == 0)
                line += xml.text();
            break;
        default:
            break;
        }
    }
    flush(); // a document that breaks off keeps the words read
}

// The words of the pieces, each with the piece and offset it stands at.
struct SpokenWords {
    QList<Word> words;
    QList<quint32> offsets;
    QList<qsizetype> pieceStarts; // the first word of each piece
};

// Where the words book[at...] are spoken, searching from `from`: the index
// of the spoken word that stands for book word `at`, or -1.
qsizetype locate(const QList<Word>& book, qsizetype at, const SpokenWords& spoken, qsizetype from)
{
    const qsizetype wanted = std::min(kWindow, book.size() - at);
    for (qsizetype skip = 0; skip <= kSkips && wanted > 0; ++skip) {
        const qsizetype b = at + skip;
        if (b + wanted > book.size())
            break;
        const Word* w = book.constData() + b;
        const Word* s = spoken.words.constData();
        for (qsizetype i = from + skip; i + wanted <= spoken.words.size(); ++i)
            if (s[i] == w[0] && std::equal(w + 1, w + wanted, s + i + 1))
                return i - skip;
    }
    return -1;
}

} // namespace

QList<ChapterPlace> LocateChapters(const EpubBook& book, const QList<ContentsEntry>& contents,
                                   const QStringList& piecePaths,
                                   const std::function<void()>& between,
                                   const LineTransform& transform, const SkippedText& skipped)
{
    const auto pause = [&] {
        if (between)
            between();
    };
    if (contents.isEmpty() || piecePaths.isEmpty() || !book.hasPackage())
        return {};

    BookWords text;
    const QStringList spine = book.package().spinePaths();
    for (const QString& path : spine) {
        BookWords::Document doc;
        doc.first = text.words.size();
        if (!skipped.documents.contains(path)) {
            // The text as the cleaned copy the converter reads has it: the
            // parts read, the numbers written as numbers.
            const auto stretches = skipped.stretches.value(path);
            const QByteArray page = book.read(path);
            readDocument(WithSpokenNumbers(
                             WithRubyReadings(
                                 stretches.isEmpty() ? page : WithoutStretches(page, stretches)),
                             book.package().language),
                         text, doc, transform);
        }
        doc.end = text.words.size();
        text.documents.append(std::move(doc));
        pause();
    }

    SpokenWords spoken;
    for (const QString& piece : piecePaths) {
        spoken.pieceStarts.append(spoken.words.size());
        QFile file(piece);
        if (!file.open(QIODevice::ReadOnly))
            return {}; // a piece that cannot be read would shift every place after it
        forEachWord(QString::fromUtf8(file.readAll()), [&](Word w, qint64 offset) {
            spoken.words.append(w);
            spoken.offsets.append(quint32(offset));
        });
        pause();
    }

    // Each entry's first word in the book, in reading order.
    struct Target {
        qsizetype document;
        qsizetype word;
        qsizetype order;
    };
    QList<Target> targets;
    for (qsizetype i = 0; i < contents.size(); ++i) {
        const qsizetype d = spine.indexOf(contents[i].path);
        if (d < 0)
            continue;
        const BookWords::Document& doc = text.documents[d];
        const qsizetype word = contents[i].fragment.isEmpty()
                                   ? doc.first
                                   : doc.anchors.value(contents[i].fragment, doc.first);
        if (word < doc.end) // a page without words has no place in the audio
            targets.append({d, word, i});
    }
    std::stable_sort(targets.begin(), targets.end(),
                     [](const Target& a, const Target& b) { return a.word < b.word; });

    struct Found {
        qsizetype spoken;
        qsizetype order;
    };
    QList<Found> found;
    qsizetype cursor = 0;
    qsizetype t = 0;
    for (qsizetype d = 0; d < text.documents.size(); ++d) {
        const BookWords::Document& doc = text.documents[d];
        if (doc.first == doc.end)
            continue;
        const qsizetype start = locate(text.words, doc.first, spoken, cursor);
        qsizetype last = std::max(start, cursor);
        for (; t < targets.size() && targets[t].document == d; ++t) {
            const qsizetype at = targets[t].word == doc.first
                                     ? start
                                     : locate(text.words, targets[t].word, spoken, last);
            if (at >= 0) {
                found.append({at, targets[t].order});
                last = at;
            }
        }
        // The next document is looked for after this one's last words, so
        // that a contents page does not take the places of its chapters.
        if (start >= 0) {
            const qsizetype tail = std::max(doc.first, doc.end - kWindow);
            const qsizetype end = locate(text.words, tail, spoken, last);
            cursor = end >= 0 ? end + (doc.end - tail) : last + 1;
        } else if (last > cursor) {
            cursor = last + 1;
        }
        pause();
    }

    QList<ChapterPlace> places;
    qsizetype previous = -1;
    for (const Found& f : found) {
        if (f.spoken <= previous) // one place, one chapter: the first entry names it
            continue;
        previous = f.spoken;
        const auto piece =
            std::upper_bound(spoken.pieceStarts.begin(), spoken.pieceStarts.end(), f.spoken) -
            spoken.pieceStarts.begin();
        places.append({contents[f.order].title, qint32(piece), spoken.offsets[f.spoken]});
    }
    return places;
}

} // namespace vt
