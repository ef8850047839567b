#include "text/chapter_places.h"

#include "common/voice_marks.h"
#include "epub/markup.h"
#include "epub/package.h"
#include "epub/spoken_copy.h"
#include "text/cutting.h"
#include "text/pronunciations.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
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

// Elements whose text is not read out: scripts, styles, the head and the
// brackets of ruby readings. The readings themselves are read out after
// their letters, as the converter gives them.
bool isUnspoken(QByteArrayView name)
{
    return name == "script" || name == "style" || name == "rp" || name == "head";
}

// Text between two tags as the converter reads it: its character references
// resolved, character data as it is.
QString decodedText(QByteArrayView raw)
{
    QString text = QString::fromUtf8(raw);
    if (!text.contains(u'&'))
        return text;
    static const QRegularExpression reference(u"&(#[0-9]{1,7}|#x[0-9a-fA-F]{1,6}|[A-Za-z]+);"_s);
    QString out;
    qsizetype at = 0;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(at, m.capturedStart() - at);
        const QString name = m.captured(1);
        bool ok = false;
        const uint code = name.startsWith(u"#x"_s) ? name.mid(2).toUInt(&ok, 16)
                          : name.startsWith(u'#')  ? name.mid(1).toUInt(&ok, 10)
                                                   : 0;
        static const QHash<QString, QChar> named{{u"amp"_s, u'&'},
                                                 {u"lt"_s, u'<'},
                                                 {u"gt"_s, u'>'},
                                                 {u"quot"_s, u'"'},
                                                 {u"apos"_s, u'\''}};
        if (ok && code > 0 && code < 0x110000) {
            const char32_t c = code;
            out += QString::fromUcs4(&c, 1);
        } else {
            out += named.value(name, u' ');
        }
        at = m.capturedEnd();
    }
    return out + text.mid(at);
}

// The words of one page, read tag by tag: a page that is not well formed
// keeps every word after its fault, as the converter reads it.
void readDocument(const QByteArray& page, BookWords& book, BookWords::Document& doc,
                  const LineTransform& transform)
{
    const QByteArray xhtml = XhtmlForXmlReader(page); // named entities as numbers
    QString line;
    const auto flush = [&] {
        if (line.isEmpty())
            return;
        forEachWord(CleanTextLine(transform ? transform(line) : line),
                    [&](Word w, qint64) { book.words.append(w); });
        line.clear();
    };
    QByteArray unspoken; // the element whose text is not read out, while in it
    int depth = 0;       // elements of its name open inside it
    MarkupTag tag;
    for (qsizetype pos = 0;; pos = tag.end) {
        const bool more = NextMarkupTag(xhtml, pos, tag);
        if (depth == 0)
            line += decodedText(
                QByteArrayView(xhtml).sliced(pos, (more ? tag.begin : xhtml.size()) - pos));
        if (!more)
            break;
        if (tag.kind == MarkupTag::Other) {
            if (depth == 0 && xhtml.mid(tag.begin, 9) == "<![CDATA[")
                line += QString::fromUtf8(xhtml.mid(tag.begin + 9, tag.end - tag.begin - 12));
            continue;
        }
        if (depth > 0) {
            if (tag.name == unspoken && tag.kind != MarkupTag::Empty)
                depth += tag.kind == MarkupTag::Start ? 1 : -1;
            continue;
        }
        const bool inLine = IsInlineElement(QLatin1StringView(tag.name));
        if (tag.kind == MarkupTag::Start && isUnspoken(tag.name)) {
            unspoken = tag.name;
            depth = 1;
        }
        if (!inLine)
            flush();
        if (tag.kind == MarkupTag::End)
            continue;
        QString id = MarkupAttribute(tag, "id", false).value_or(QString());
        if (id.isEmpty() && tag.name == "a")
            id = MarkupAttribute(tag, "name", false).value_or(QString());
        if (!id.isEmpty() && !doc.anchors.contains(id)) {
            flush();
            doc.anchors.insert(id, book.words.size());
        }
    }
    flush();
}

// The words of the pieces, each with the piece and offset it stands at.
struct SpokenWords {
    QList<Word> words;
    QList<quint32> offsets;
    QList<qsizetype> pieceStarts; // the first word of each piece
};

// Where the words book[at...] are spoken, searching spoken words [from,
// to) for `window` of them in a row: the index of the spoken word that
// stands for book word `at`, or -1.
qsizetype locate(const QList<Word>& book, qsizetype at, const SpokenWords& spoken, qsizetype from,
                 qsizetype to = -1, qsizetype window = kWindow)
{
    const qsizetype wanted = std::min(window, book.size() - at);
    const qsizetype end = to < 0 ? spoken.words.size() : std::min(to, spoken.words.size());
    for (qsizetype skip = 0; skip <= kSkips && wanted > 0; ++skip) {
        const qsizetype b = at + skip;
        if (b + wanted > book.size())
            break;
        const Word* w = book.constData() + b;
        const Word* s = spoken.words.constData();
        for (qsizetype i = std::max<qsizetype>(from, 0) + skip; i + wanted <= end; ++i)
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

    // The text as the spoken copy the converter reads has it.
    BookWords text;
    QStringList documents;
    ForEachSpokenPage(
        book, skipped,
        [&](const EpubItem& item, const QByteArray&, const QByteArray& page) {
            BookWords::Document doc;
            doc.first = text.words.size();
            readDocument(page, text, doc, transform);
            doc.end = text.words.size();
            text.documents.append(std::move(doc));
            documents.append(item.path);
        },
        pause);

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
        const qsizetype d = documents.indexOf(contents[i].path);
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

    QList<qsizetype> at(targets.size(), -1); // where each target is spoken
    qsizetype cursor = 0;
    qsizetype t = 0;
    for (qsizetype d = 0; d < text.documents.size(); ++d) {
        const BookWords::Document& doc = text.documents[d];
        if (doc.first == doc.end)
            continue;
        const qsizetype start = locate(text.words, doc.first, spoken, cursor);
        qsizetype last = std::max(start, cursor);
        for (; t < targets.size() && targets[t].document == d; ++t) {
            at[t] = targets[t].word == doc.first
                        ? start
                        : locate(text.words, targets[t].word, spoken, last);
            if (at[t] >= 0)
                last = at[t];
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

    // An entry whose first words were changed on the way (a word the
    // converter reads otherwise, a rule of the listener's) is looked for by
    // fewer of them, between the places of the entries around it.
    for (qsizetype u = 0; u < targets.size(); ++u) {
        if (at[u] >= 0)
            continue;
        qsizetype from = 0;
        for (qsizetype v = u - 1; v >= 0 && from == 0; --v)
            from = std::max<qsizetype>(at[v], 0);
        qsizetype to = -1;
        for (qsizetype v = u + 1; v < targets.size() && to < 0; ++v)
            to = at[v];
        for (const qsizetype window : {qsizetype(5), qsizetype(3)})
            if (at[u] < 0)
                at[u] = locate(text.words, targets[u].word, spoken, from, to < 0 ? -1 : to + window,
                               window);
    }

    QList<ChapterPlace> places;
    qsizetype previous = -1;
    for (qsizetype u = 0; u < targets.size(); ++u) {
        if (at[u] <= previous) // one place, one chapter: the first entry names it
            continue;
        previous = at[u];
        const auto piece =
            std::upper_bound(spoken.pieceStarts.begin(), spoken.pieceStarts.end(), at[u]) -
            spoken.pieceStarts.begin();
        places.append({contents[targets[u].order].title, qint32(piece), spoken.offsets[at[u]]});
    }
    return places;
}

} // namespace vt
