#include "text/pronunciations.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr qsizetype kBlock = 64 * 1024;
// A list of 100 000 rules is about 3 MB.
constexpr qint64 kMaxListBytes = 10 << 20;

// Text holds no NUL and few control characters; a binary file read as
// text has many.
bool looksBinary(QStringView text)
{
    qsizetype controls = 0;
    for (const QChar c : text) {
        if (c.unicode() == 0)
            return true;
        if (c.unicode() < 32 && c != u'\t' && c != u'\n' && c != u'\r' && c != u'\f')
            ++controls;
    }
    return controls * 20 > text.size();
}

// Half a surrogate pair (UTF-16 that is cut or made up) is no character:
// U+FFFD, as in UTF-8 that is not valid, so a rule saves as it reads.
QString withWholeCharacters(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

bool isWordUnit(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c.isSurrogate();
}

// The token a rule or a place in the text starts with: a run of letters,
// digits and marks, or one other character.
qsizetype tokenEnd(QStringView text, qsizetype i)
{
    if (!isWordUnit(text[i]))
        return i + (text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1);
    qsizetype j = i + 1;
    while (j < text.size() && isWordUnit(text[j]))
        ++j;
    return j;
}

QString decode(const QByteArray& bytes, QString& note)
{
    const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(bytes);
    if (bom && *bom != QStringConverter::Utf8) {
        QStringDecoder decoder(*bom);
        return decoder(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows("windows-1252");
    if (windows.isValid()) {
        note = u"it is not UTF-8 text: it was read as Windows-1252"_s;
        return windows(bytes);
    }
    note = u"it is not UTF-8 text: it was read as Latin-1"_s;
    return QString::fromLatin1(bytes);
}

std::optional<PronunciationRule> parseLine(const QString& raw, int number, QString& problem)
{
    const QString line = raw.trimmed();
    if (line.isEmpty() || line.startsWith(u'#'))
        return std::nullopt;
    PronunciationRule rule;
    rule.line = number;
    if (line.startsWith(u'/')) {
        static const QRegularExpression form(uR"(^/(.*?)/\s*=(.*)$)"_s);
        const QRegularExpressionMatch m = form.match(line);
        if (!m.hasMatch()) {
            problem = u"a pattern is written /pattern/ = replacement"_s;
            return std::nullopt;
        }
        rule.pattern = true;
        rule.word = m.captured(1);
        rule.spoken = m.captured(2).trimmed();
    } else {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            problem = u"no \"=\" between the word and how to say it"_s;
            return std::nullopt;
        }
        rule.word = line.left(eq).trimmed();
        rule.spoken = line.mid(eq + 1).trimmed();
    }
    return rule;
}

// "$1" as well as "\1" names a group of the pattern.
QString replacementOf(const QString& spoken)
{
    static const QRegularExpression dollar(uR"(\$(\d))"_s);
    QString replacement = spoken;
    return replacement.replace(dollar, uR"(\\1)"_s);
}

} // namespace

QString RuleProblem(const PronunciationRule& rule)
{
    // Blanks are a pattern of their own ("/ / = x"), but no word.
    const QString word = rule.pattern ? rule.word : rule.word.trimmed();
    if (word.isEmpty())
        return rule.pattern ? u"the pattern is empty"_s : u"the word is empty"_s;
    // Written as a line of the list, these would read back as something else.
    if (!rule.pattern) {
        if (word.contains(u'='))
            return u"a word cannot hold \"=\""_s;
        if (word.startsWith(u'#'))
            return u"a word cannot begin with \"#\": the line would be a comment"_s;
        if (word.startsWith(u'/'))
            return u"a word cannot begin with \"/\"; a pattern is written /pattern/"_s;
        return {};
    }
    static const QRegularExpression patternEnd(uR"(/\s*=)"_s);
    if (rule.word.contains(patternEnd))
        return u"a pattern cannot hold \"/\" followed by \"=\""_s;
    const QRegularExpression expression(rule.word, QRegularExpression::UseUnicodePropertiesOption);
    if (!expression.isValid())
        return u"the pattern does not compile: %1 (at character %2)"_s.arg(
            expression.errorString(), QString::number(expression.patternErrorOffset() + 1));
    // A pattern that can match nothing at all would put its replacement
    // between every two letters.
    for (auto it = expression.globalMatch(u" Aa 1, b. "_s); it.hasNext();)
        if (it.next().capturedLength() == 0)
            return u"the pattern can match empty text, so it would repeat at every place"_s;
    return {};
}

PronunciationList PronunciationList::parse(const QByteArray& bytes, const QString& name,
                                           bool asWritten)
{
    PronunciationList list;
    list.name = name;
    const QString text = withWholeCharacters(decode(bytes, list.encodingNote));
    if (looksBinary(text)) {
        list.encodingNote.clear();
        list.refused = u"it is not a text file; it is not used"_s;
        return list;
    }
    // A control character means nothing in a rule (the text's are blanks
    // by the time rules apply): a blank here too, so a rule saves as it reads.
    QString blanked = text;
    for (QChar& c : blanked)
        if (c.unicode() < 32 && c != u'\n')
            c = u' ';
    const QStringList lines = blanked.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = int(i + 1);
        QString problem;
        std::optional<PronunciationRule> rule = parseLine(lines[i], number, problem);
        if (rule && !asWritten)
            problem = RuleProblem(*rule);
        if (!problem.isEmpty())
            list.problems.append(u"line %1: %2"_s.arg(number).arg(problem));
        else if (rule)
            list.rules.append(std::move(*rule));
    }
    return list;
}

PronunciationList PronunciationList::read(const QString& path, bool asWritten)
{
    PronunciationList list;
    list.name = path;
    const Expected<QByteArray> bytes = ReadSmallFile(path, kMaxListBytes);
    if (!bytes) {
        if (bytes.problem().number == err::PathNotFound)
            return {};
        list.refused = bytes.error() + u"; it is not used"_s;
        return list;
    }
    return parse(*bytes, path, asWritten);
}

QStringList ListNotes(const PronunciationList& list, const QString& name)
{
    if (!list.refused.isEmpty())
        return {name + u": "_s + list.refused};
    QStringList notes;
    if (!list.encodingNote.isEmpty())
        notes.append(name + u": "_s + list.encodingNote);
    constexpr qsizetype kNamed = 5;
    for (qsizetype i = 0; i < std::min(list.problems.size(), kNamed); ++i)
        notes.append(name + u", "_s + list.problems[i] + u"; the rule is skipped"_s);
    if (list.problems.size() > kNamed)
        notes.append(name + u": "_s + QString::number(list.problems.size() - kNamed) +
                     u" more lines cannot be used either"_s);
    return notes;
}

QByteArray WritePronunciationList(const QList<PronunciationRule>& rules)
{
    QString text = u"# word = how to say it; /pattern/ = replacement\n"_s;
    for (const PronunciationRule& rule : rules) {
        const QString word = rule.pattern ? rule.word : rule.word.trimmed();
        if (word.isEmpty() && rule.spoken.trimmed().isEmpty())
            continue;
        text +=
            (rule.pattern ? u'/' + word + u'/' : word) + u" = "_s + rule.spoken.trimmed() + u'\n';
    }
    return text.toUtf8();
}

void Pronouncer::add(const PronunciationList& list)
{
    for (const PronunciationRule& rule : list.rules) {
        if (rule.pattern) {
            QRegularExpression expression(rule.word,
                                          QRegularExpression::UseUnicodePropertiesOption);
            expression.optimize();
            const int groups = expression.captureCount();
            patterns_.append({std::move(expression), replacementOf(rule.spoken), groups});
            continue;
        }
        const QString word = rule.word.simplified();
        if (word.isEmpty())
            continue;
        QList<Word>& candidates = words_[word.left(tokenEnd(word, 0)).toCaseFolded()];
        const Word added{word, rule.spoken, word != word.toLower()};
        // Longest first; of equal length, the one added first.
        const auto at = std::upper_bound(
            candidates.begin(), candidates.end(), added,
            [](const Word& a, const Word& b) { return a.text.size() > b.text.size(); });
        candidates.insert(at, added);
    }
}

// The line as the rules change it: stretches of the book's own text and
// stretches a rule put in, which no later rule may match.
struct Pronouncer::Stretch {
    QString text;
    bool own;
};

namespace
{

void appendStretch(QList<Pronouncer::Stretch>& line, QStringView text, bool own)
{
    if (text.isEmpty())
        return;
    if (!line.isEmpty() && line.back().own == own)
        line.back().text += text;
    else
        line.append({text.toString(), own});
}

// The replacement with "\1".."\99" filled in, as QString::replace does.
QString expanded(const QString& replacement, const QRegularExpressionMatch& m, int groups)
{
    QString out;
    const qsizetype n = replacement.size();
    for (qsizetype i = 0; i < n; ++i) {
        const int first =
            i + 1 < n && replacement[i] == u'\\' ? replacement[i + 1].digitValue() : -1;
        if (first <= 0 || first > groups) {
            out += replacement[i];
            continue;
        }
        int group = first;
        qsizetype used = 2;
        if (i + 2 < n) {
            const int second = replacement[i + 2].digitValue();
            if (second >= 0 && first * 10 + second <= groups) {
                group = first * 10 + second;
                used = 3;
            }
        }
        out += m.capturedView(group);
        i += used - 1;
    }
    return out;
}

// The first match that starts in [from, to) and ends by `to`: the text
// around is seen (for \b and look-arounds), but a match may not reach into
// what a rule put in after the stretch.
QRegularExpressionMatch matchIn(const QRegularExpression& e, const QString& text, qsizetype from,
                                qsizetype to)
{
    QRegularExpressionMatch m = e.match(text, from);
    if (!m.hasMatch() || m.capturedStart() >= to || m.capturedEnd() <= to)
        return m;
    return e.match(QStringView(text).left(to), from);
}

} // namespace

QString Pronouncer::apply(const QString& line) const
{
    QList<Stretch> stretches;
    const qsizetype n = line.size();
    qsizetype copied = 0;
    for (qsizetype i = 0; i < n && !words_.isEmpty();) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        const qsizetype end = tokenEnd(line, i);
        const auto found = words_.constFind(line.mid(i, end - i).toCaseFolded());
        qsizetype next = end;
        if (found != words_.constEnd()) {
            for (const Word& w : *found) {
                const qsizetype size = w.text.size();
                if (i + size > n)
                    continue;
                const QStringView here = QStringView(line).mid(i, size);
                const bool same =
                    w.exact ? here == w.text : here.compare(w.text, Qt::CaseInsensitive) == 0;
                // A word ends where the text's word ends.
                if (!same ||
                    (isWordUnit(w.text.back()) && i + size < n && isWordUnit(line[i + size])))
                    continue;
                appendStretch(stretches, QStringView(line).mid(copied, i - copied), true);
                appendStretch(stretches, w.spoken, false);
                copied = next = i + size;
                break;
            }
        }
        i = next;
    }
    if (copied == 0 && patterns_.isEmpty())
        return line;
    appendStretch(stretches, QStringView(line).mid(copied), true);
    for (const Pattern& p : patterns_) {
        QString text;
        for (const Stretch& s : std::as_const(stretches))
            text += s.text;
        QList<Stretch> changed;
        qsizetype at = 0;
        for (const Stretch& s : std::as_const(stretches)) {
            const qsizetype to = at + s.text.size();
            qsizetype from = at;
            for (qsizetype search = at; s.own && search < to;) {
                const QRegularExpressionMatch m = matchIn(p.expression, text, search, to);
                if (!m.hasMatch() || m.capturedStart() >= to)
                    break;
                if (m.capturedLength() == 0) { // no rule that matches nothing is kept
                    search = m.capturedStart() + 1;
                    continue;
                }
                appendStretch(changed, QStringView(text).mid(from, m.capturedStart() - from), true);
                appendStretch(changed, expanded(p.replacement, m, p.groups), false);
                search = from = m.capturedEnd();
            }
            appendStretch(changed, QStringView(text).mid(from, to - from), s.own);
            at = to;
        }
        stretches = std::move(changed);
    }
    QString text;
    for (const Stretch& s : std::as_const(stretches))
        text += s.text;
    return text;
}

QString BookPronunciationPath(const QString& bookPath)
{
    QString path = bookPath;
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot > slash + 1)
        path.truncate(dot);
    return path + u".pronounce.txt"_s;
}

Expected<void> RewriteTextLines(const QString& path, const LineTransform& transform,
                                const Yield& yield)
{
    if (!transform)
        return {};
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return Problem{u"the text could not be read: "_s + in.errorString()};
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return Problem{u"the text could not be written: "_s + out.errorString()};
    QElapsedTimer sinceYield;
    sinceYield.start();
    QByteArray carry;
    while (!in.atEnd() || !carry.isEmpty()) {
        QByteArray part = carry + in.readLine(kBlock);
        carry.clear();
        if (!part.endsWith('\n') && !in.atEnd()) {
            // A line longer than a block goes on after its last blank.
            qsizetype cut = part.lastIndexOf(' ') + 1;
            if (cut == 0) { // no blank: before the last character, which may be incomplete
                cut = part.size();
                while (cut > 0 && (static_cast<unsigned char>(part[cut - 1]) & 0xC0) == 0x80)
                    --cut;
                cut = std::max<qsizetype>(cut - 1, 0);
            }
            if (cut > 0) {
                carry = part.mid(cut);
                part.truncate(cut);
            }
        }
        const bool lineEnd = part.endsWith('\n');
        if (lineEnd)
            part.chop(1);
        QByteArray spoken = transform(QString::fromUtf8(part)).toUtf8();
        if (lineEnd)
            spoken += '\n';
        if (out.write(spoken) != spoken.size())
            return Problem{u"the text could not be written: "_s + out.errorString()};
        if (yield && sinceYield.elapsed() >= 50) {
            yield();
            sinceYield.restart();
        }
    }
    if (!out.commit())
        return Problem{u"the text could not be written: "_s + out.errorString()};
    return {};
}

} // namespace vt
