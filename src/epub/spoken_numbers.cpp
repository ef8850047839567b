#include "epub/spoken_numbers.h"

#include "epub/markup.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// The words around numbers in one language.
struct Language {
    QStringList numbering; // words a numeral follows: "Chapter", "Book", ...
    QStringList rulers;    // names a regnal number follows
    bool english = false;  // rulers' numbers are ordinals, money is named
};

const Language& languageOf(const QString& code)
{
    static const Language english{
        {u"Chapter"_s, u"Book"_s, u"Part"_s, u"Volume"_s, u"Act"_s, u"Scene"_s, u"Canto"_s},
        {u"Alexander"_s, u"Alfonso"_s,   u"Anne"_s,      u"Benedict"_s,    u"Boniface"_s,
         u"Charles"_s,   u"Christian"_s, u"Clement"_s,   u"Constantine"_s, u"David"_s,
         u"Edward"_s,    u"Elizabeth"_s, u"Ferdinand"_s, u"Francis"_s,     u"Frederick"_s,
         u"George"_s,    u"Gregory"_s,   u"Gustavus"_s,  u"Henry"_s,       u"Ivan"_s,
         u"James"_s,     u"John"_s,      u"Leo"_s,       u"Leopold"_s,     u"Louis"_s,
         u"Malcolm"_s,   u"Mary"_s,      u"Napoleon"_s,  u"Nicholas"_s,    u"Otto"_s,
         u"Paul"_s,      u"Peter"_s,     u"Philip"_s,    u"Pius"_s,        u"Ptolemy"_s,
         u"Rameses"_s,   u"Richard"_s,   u"Robert"_s,    u"William"_s},
        true};
    static const Language french{
        {u"Chapitre"_s, u"Livre"_s, u"Partie"_s, u"Tome"_s, u"Volume"_s, u"Acte"_s, u"Scène"_s},
        {u"Louis"_s, u"Henri"_s, u"Charles"_s, u"François"_s, u"Philippe"_s, u"Napoléon"_s,
         u"Jean"_s, u"Pie"_s, u"Léon"_s, u"Guillaume"_s, u"Frédéric"_s, u"Nicolas"_s,
         u"Alexandre"_s, u"Édouard"_s, u"Richard"_s, u"Jacques"_s, u"Grégoire"_s}};
    static const Language german{{u"Kapitel"_s, u"Buch"_s, u"Teil"_s, u"Band"_s, u"Akt"_s,
                                  u"Aufzug"_s, u"Szene"_s, u"Auftritt"_s},
                                 {u"Heinrich"_s, u"Karl"_s, u"Friedrich"_s, u"Wilhelm"_s,
                                  u"Ludwig"_s, u"Otto"_s, u"Leopold"_s, u"Joseph"_s, u"Franz"_s,
                                  u"Maximilian"_s, u"Rudolf"_s, u"Georg"_s, u"Johann"_s, u"Pius"_s,
                                  u"Gregor"_s, u"Eduard"_s, u"Richard"_s, u"Peter"_s}};
    static const Language spanish{
        {u"Capítulo"_s, u"Libro"_s, u"Parte"_s, u"Tomo"_s, u"Volumen"_s, u"Acto"_s, u"Escena"_s},
        {}};
    static const Language italian{
        {u"Capitolo"_s, u"Libro"_s, u"Parte"_s, u"Volume"_s, u"Atto"_s, u"Scena"_s}, {}};
    const QString base = code.section(u'-', 0, 0).section(u'_', 0, 0).toLower();
    if (base == u"fr" || base == u"fra" || base == u"fre")
        return french;
    if (base == u"de" || base == u"deu" || base == u"ger")
        return german;
    if (base == u"es" || base == u"spa")
        return spanish;
    if (base == u"it" || base == u"ita")
        return italian;
    return english; // English, or a book that does not say
}

// The value of a Roman numeral written in the usual way (all capitals or
// all small letters, no "IIII" or "IC"), else 0.
int romanValue(QStringView word)
{
    static const QRegularExpression numeral(
        u"^(?=[MDCLXVI])M{0,3}(CM|CD|D?C{0,3})(XC|XL|L?X{0,3})(IX|IV|V?I{0,3})$"_s);
    if (!std::all_of(word.begin(), word.end(),
                     [](QChar c) { return QStringView(u"IVXLCDMivxlcdm").contains(c); }))
        return 0; // most words, at once
    const QString upper = word.toString().toUpper();
    if ((word != upper && word != word.toString().toLower()) || !numeral.match(upper).hasMatch())
        return 0;
    int value = 0;
    int previous = 0;
    for (qsizetype i = upper.size() - 1; i >= 0; --i) {
        const int digit = QString(u"IVXLCDM"_s).indexOf(upper[i]);
        static constexpr int kValues[] = {1, 5, 10, 50, 100, 500, 1000};
        const int v = kValues[digit];
        value += v < previous ? -v : v;
        previous = std::max(previous, v);
    }
    return value;
}

// "the 8th"; "the 8" when the book writes the suffix ("VIIIth").
QString englishOrdinal(int n, bool suffixed)
{
    const int tens = n % 100;
    const char* suffix = "th";
    if (tens < 11 || tens > 13)
        suffix = n % 10 == 1 ? "st" : n % 10 == 2 ? "nd" : n % 10 == 3 ? "rd" : "th";
    return u"the "_s + QString::number(n) + QLatin1String(suffixed ? "" : suffix);
}

// An element the book marks as a Roman numeral.
bool isNumeralMark(const MarkupTag& tag)
{
    if (HasToken(MarkupAttribute(tag, "type", true), u"z3998:roman"_s))
        return true;
    static const QRegularExpression naming(u"roman.?num|numeral"_s,
                                           QRegularExpression::CaseInsensitiveOption);
    const std::optional<QString> classes = MarkupAttribute(tag, "class", false);
    return classes && classes->contains(naming);
}

// How many characters of a line are read at a time: a page of one endless
// paragraph costs no more memory than this.
constexpr qsizetype kLinePart = 1 << 16;

// The text of one line of a document (between two elements that are not
// inline, or a <br/>), each character with the byte it was read from.
// Each stretch of text between two tags ends in U+FFFF, which parts words.
struct Line {
    QString text;
    QList<qsizetype> from; // the first byte of each character; the next one's is its end
    QByteArray marked;     // 1: inside an element marked as a numeral
    bool part = false;     // a line too long to read whole: one part of it
    QByteArray block;      // the element it starts in ("h2", "p", "td"), if any

    void add(QChar c, qsizetype begin, bool mark)
    {
        text += c;
        from.append(begin);
        marked.append(mark ? 1 : 0);
    }
    // Reads xhtml[begin, end), the text between two tags, up to a blank
    // past kLinePart characters; an entity stands as a blank. Returns where
    // it stopped.
    qsizetype addText(const QByteArray& xhtml, qsizetype begin, qsizetype end, bool mark)
    {
        qsizetype i = begin;
        while (i < end && !(text.size() >= kLinePart && text.back() == u' ')) {
            const qsizetype semicolon = xhtml[i] == '&' ? xhtml.indexOf(';', i) : -1;
            if (semicolon > i && semicolon < end && semicolon - i <= 10) {
                add(u' ', i, mark);
                i = semicolon + 1;
                continue;
            }
            const auto lead = static_cast<unsigned char>(xhtml[i]);
            if (lead < 0x80) {
                add(QChar(char16_t(lead)), i, mark);
                ++i;
                continue;
            }
            // A broken sequence is its first byte alone: the bytes after it are read on their own.
            qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            for (qsizetype k = 1; k < length; ++k)
                if (i + k >= end || (static_cast<unsigned char>(xhtml[i + k]) & 0xC0) != 0x80)
                    length = 1;
            for (const QChar unit : QString::fromUtf8(xhtml.constData() + i, length))
                add(unit, i, mark);
            i += length;
        }
        add(QChar(0xFFFF), i, false);
        return i;
    }
};

struct Replacement {
    qsizetype begin, end;
    QByteArray text;
};

bool isBlank(QChar c)
{
    return c.isSpace() || c == QChar(0xFFFF);
}

class LineReader
{
  public:
    explicit LineReader(const Language& language) : language_(language) {}

    void read(const Line& line, QList<Replacement>& out)
    {
        const QString& t = line.text;
        struct Word {
            qsizetype begin, end;
        };
        QList<Word> words;
        for (qsizetype i = 0; i < t.size();) {
            if (!t[i].isLetterOrNumber()) {
                ++i;
                continue;
            }
            const qsizetype begin = i;
            while (i < t.size() && (t[i].isLetterOrNumber() || t[i].isMark()))
                ++i;
            words.append({begin, i});
        }
        const auto blanksOnly = [&](qsizetype from, qsizetype to) {
            return std::all_of(t.begin() + from, t.begin() + to, isBlank);
        };
        for (qsizetype w = 0; w < words.size(); ++w) {
            const auto [begin, end] = words[w];
            const QStringView word = QStringView(t).mid(begin, end - begin);
            const int value = romanValue(word);
            if (value == 0 || afterSign(t, begin))
                continue; // "$ VIII" would become a sum only the next time
            const bool capitals = word.front().isUpper();
            const qsizetype stop = end < t.size() && t[end] == u'.' ? end + 1 : end;
            const bool alone = !line.part && words.size() == 1 && blanksOnly(0, begin) &&
                               blanksOnly(stop, t.size()) && lineOfItsOwn(line.block, word);
            const QStringView before =
                w > 0 && blanksOnly(words[w - 1].end, begin)
                    ? QStringView(t).mid(words[w - 1].begin, words[w - 1].end - words[w - 1].begin)
                    : QStringView();
            const bool ruler = !before.isEmpty() && before.front().isUpper() &&
                               language_.rulers.contains(before, Qt::CaseInsensitive);
            const bool numbering = language_.numbering.contains(before, Qt::CaseInsensitive);
            qsizetype next = end;
            while (next < t.size() && t[next] == QChar(0xFFFF))
                ++next;
            // Letters after a tag: a suffix ("VIII<i>th</i>"), or a drop capital's word.
            const bool suffixed = next < t.size() && t[next].isLetter();
            while (next < t.size() && isBlank(t[next]))
                ++next;
            const bool pronoun = word == u"I" && next < t.size() && t[next].isLetter();
            const bool number =
                line.marked[begin] != 0 ||
                (!suffixed && capitals && (alone || (!pronoun && (numbering || ruler))));
            if (!number)
                continue;
            const QString spoken = ruler && language_.english ? englishOrdinal(value, suffixed)
                                                              : QString::number(value);
            out.append({line.from[begin], line.from[end], spoken.toUtf8()});
        }
        if (language_.english) {
            nameMoney(line, out);
            nameOldMoney(line, out);
            nameFractions(line, out);
        }
    }

  private:
    // As a sum's number follows its sign: right after it, or past a blank.
    static bool afterSign(const QString& t, qsizetype at)
    {
        const auto sign = [&](qsizetype i) {
            return i >= 0 && QStringView(u"£$€¥").contains(t[i]);
        };
        return sign(at - 1) ||
               (at > 0 && (t[at - 1] == u' ' || t[at - 1] == u'\u00A0') && sign(at - 2));
    }

    // A table's cell holds marks ("X") and letters ("M" for male); a lone
    // C, D, L or M is a chapter's number only as its heading.
    static bool lineOfItsOwn(const QByteArray& block, QStringView numeral)
    {
        if (block == "td" || block == "th")
            return false;
        const bool heading =
            block.size() == 2 && block[0] == 'h' && block[1] >= '1' && block[1] <= '6';
        return heading || numeral.size() > 1 || QStringView(u"IVX").contains(numeral.front());
    }

    // "£4" is "4 pounds", "$1,000.50" "1,000 dollars 50".
    static void nameMoney(const Line& line, QList<Replacement>& out)
    {
        static const QRegularExpression sum(
            // Not after another sign: "$ €4" as "$ 4 euros" would be "4 dollars euros" next.
            u"(?<![£$€¥])(?<![£$€¥][ \u00A0])([£$€¥])[ \u00A0]?"
            u"(\\d{1,3}(?:,\\d{3})+|\\d+)(?:\\.(\\d\\d))?(?![.,]?\\d)"_s);
        static const QHash<QString, std::pair<QString, QString>> names{
            {u"£"_s, {u"pound"_s, u"pounds"_s}},
            {u"$"_s, {u"dollar"_s, u"dollars"_s}},
            {u"€"_s, {u"euro"_s, u"euros"_s}},
            {u"¥"_s, {u"yen"_s, u"yen"_s}}};
        const QString& t = line.text;
        for (auto it = sum.globalMatch(t); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const auto [one, many] = names.value(m.captured(1));
            QString spoken = m.captured(2) + u' ' + (m.captured(2) == u"1" ? one : many);
            if (m.hasCaptured(3))
                spoken += u' ' + m.captured(3);
            const qsizetype begin = m.capturedStart();
            if (begin > 0 && t[begin - 1].isLetterOrNumber())
                spoken.prepend(u' '); // "US$4" is not "US4"
            out.append({line.from[begin], line.from[m.capturedEnd()], spoken.toUtf8()});
        }
    }

    // "2s. 6d." is "2 shillings and 6 pence", "1½d." "1 and a half pence":
    // the voice would say "two z six dee". The abbreviation's full stop
    // stays where it ends a sentence.
    static void nameOldMoney(const Line& line, QList<Replacement>& out)
    {
        static const QRegularExpression sum(
            u"(?<![\\p{L}\\p{N}'\u2019.,])(?:(\\d{1,2})s(?:\\.?[ \u00A0]?(\\d{1,2}|\\d?[½¼¾])d)?"
            u"|(\\d{1,2}|\\d?[½¼¾])d)(\\.?)(?![\\p{L}\\p{N}])"_s);
        static const QRegularExpression decade(
            u"\\b(the|his|her|their|its|our|my|your|early|late|mid)[ \u00A0-]$"_s,
            QRegularExpression::CaseInsensitiveOption);
        const QString& t = line.text;
        for (auto it = sum.globalMatch(t); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString shillings = m.captured(1);
            const QString pence = m.hasCaptured(2) ? m.captured(2) : m.captured(3);
            const bool dot = !m.captured(4).isEmpty();
            // "10s" without its full stop, or after "the", is a decade.
            if (!shillings.isEmpty() &&
                ((pence.isEmpty() && !dot) ||
                 decade.match(QStringView(t).left(m.capturedStart())).hasMatch()))
                continue;
            if (shillings.isEmpty() && !dot)
                continue; // "3d" is a third, or a picture in three dimensions
            QStringList said;
            if (!shillings.isEmpty())
                said << shillings + (shillings == u"1" ? u" shilling"_s : u" shillings"_s);
            if (!pence.isEmpty())
                said << penceSaid(pence);
            QString spoken = said.join(u" and "_s);
            qsizetype next = m.capturedEnd();
            while (next < t.size() && isBlank(t[next]))
                ++next;
            if (dot && (next == t.size() || !(t[next].isLower() || t[next].isDigit() ||
                                              QStringView(u",;:").contains(t[next]))))
                spoken += u'.';
            out.append({line.from[m.capturedStart()], line.from[m.capturedEnd()], spoken.toUtf8()});
        }
    }

    static QString penceSaid(const QString& pence)
    {
        if (pence == u"1")
            return u"1 penny"_s;
        if (pence == u"½")
            return u"a halfpenny"_s;
        if (pence.size() > 1 && QStringView(u"½¼¾").contains(pence.back()))
            return pence.chopped(1) + u' ' + fractionSaid(pence.back()) + u" pence"_s;
        if (pence.size() == 1 && QStringView(u"¼¾").contains(pence.back()))
            return fractionSaid(pence.back()).mid(4) + u" of a penny"_s;
        return pence + u" pence"_s;
    }

    // "4½" is "4 and a half": the voice says "four a half".
    static void nameFractions(const Line& line, QList<Replacement>& out)
    {
        static const QRegularExpression mixed(
            u"\\d([½¼¾⅓⅔⅕⅖⅗⅘⅙⅚⅛⅜⅝⅞])(?!d\\.?(?![\\p{L}\\p{N}]))"_s);
        for (auto it = mixed.globalMatch(line.text); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            out.append({line.from[m.capturedStart(1)], line.from[m.capturedEnd(1)],
                        (u' ' + fractionSaid(m.captured(1).front())).toUtf8()});
        }
    }

    static QString fractionSaid(QChar fraction)
    {
        static const QHash<QChar, QString> said{
            {u'½', u"and a half"_s},         {u'¼', u"and a quarter"_s},
            {u'¾', u"and three quarters"_s}, {u'⅓', u"and a third"_s},
            {u'⅔', u"and two thirds"_s},     {u'⅕', u"and a fifth"_s},
            {u'⅖', u"and two fifths"_s},     {u'⅗', u"and three fifths"_s},
            {u'⅘', u"and four fifths"_s},    {u'⅙', u"and a sixth"_s},
            {u'⅚', u"and five sixths"_s},    {u'⅛', u"and an eighth"_s},
            {u'⅜', u"and three eighths"_s},  {u'⅝', u"and five eighths"_s},
            {u'⅞', u"and seven eighths"_s}};
        return said.value(fraction);
    }

    const Language& language_;
};

} // namespace

QByteArray WithSpokenNumbers(const QByteArray& xhtml, const QString& language)
{
    LineReader reader(languageOf(language));
    QList<Replacement> replacements;
    Line line;
    const auto endLine = [&](bool part = false, const QByteArray& block = {}) {
        if (!line.text.isEmpty())
            reader.read(line, replacements);
        Line next;
        next.part = part;
        next.block = part ? line.block : block;
        line = std::move(next);
    };
    QByteArray markName; // the element marked as a numeral that the text is in
    int markDepth = 0;
    int unread = 0; // inside the head, a script or a style
    MarkupTag tag;
    qsizetype pos = 0;
    for (;; pos = tag.end) {
        const bool more = NextMarkupTag(xhtml, pos, tag);
        const qsizetype textEnd = more ? tag.begin : xhtml.size();
        for (qsizetype at = pos; unread == 0 && at < textEnd;)
            if (at = line.addText(xhtml, at, textEnd, markDepth > 0); at < textEnd)
                endLine(true);
        if (!more)
            break;
        if (tag.kind == MarkupTag::Other)
            continue;
        if (tag.name == "head" || tag.name == "script" || tag.name == "style")
            unread = std::max(0, unread + (tag.kind == MarkupTag::Start ? 1
                                           : tag.kind == MarkupTag::End ? -1
                                                                        : 0));
        if (!IsInlineElement(QLatin1StringView(tag.name)))
            endLine(false, tag.kind == MarkupTag::Start ? tag.name : QByteArray());
        if (markDepth > 0 && tag.name == markName)
            markDepth += tag.kind == MarkupTag::Start ? 1 : tag.kind == MarkupTag::End ? -1 : 0;
        else if (markDepth == 0 && tag.kind == MarkupTag::Start && isNumeralMark(tag)) {
            markName = tag.name;
            markDepth = 1;
        }
    }
    endLine();
    if (replacements.isEmpty())
        return xhtml;
    std::sort(replacements.begin(), replacements.end(),
              [](const Replacement& a, const Replacement& b) { return a.begin < b.begin; });
    QByteArray out;
    out.reserve(xhtml.size() + 16 * replacements.size());
    qsizetype copied = 0;
    for (const Replacement& r : replacements) {
        if (r.begin < copied)
            continue; // two changes of one stretch of text: the first stands
        out += QByteArrayView(xhtml).sliced(copied, r.begin - copied);
        out += r.text;
        copied = r.end;
    }
    out += QByteArrayView(xhtml).sliced(copied);
    return out;
}

} // namespace vt
