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
    const QString word = rule.word.trimmed();
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
    const QStringList lines = decode(bytes, list.encodingNote).split(u'\n');
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
    QFile file(path);
    if (!file.exists())
        return {};
    PronunciationList list;
    if (!file.open(QIODevice::ReadOnly)) {
        list.name = path;
        list.problems.append(u"it could not be read: "_s + file.errorString());
        return list;
    }
    return parse(file.readAll(), path, asWritten);
}

QByteArray WritePronunciationList(const QList<PronunciationRule>& rules)
{
    QString text = u"# word = how to say it; /pattern/ = replacement\n"_s;
    for (const PronunciationRule& rule : rules) {
        if (rule.word.trimmed().isEmpty() && rule.spoken.trimmed().isEmpty())
            continue;
        const QString word = rule.pattern ? u'/' + rule.word + u'/' : rule.word.trimmed();
        text += word + u" = "_s + rule.spoken.trimmed() + u'\n';
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
            patterns_.append({std::move(expression), replacementOf(rule.spoken)});
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

QString Pronouncer::apply(const QString& line) const
{
    QString text = line;
    if (!words_.isEmpty()) {
        QString out;
        qsizetype copied = 0;
        const qsizetype n = line.size();
        for (qsizetype i = 0; i < n;) {
            if (line[i].isSpace()) {
                ++i;
                continue;
            }
            const qsizetype end = tokenEnd(line, i);
            const QList<Word> found = words_.value(line.mid(i, end - i).toCaseFolded());
            qsizetype next = end;
            if (!found.isEmpty()) {
                for (const Word& w : found) {
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
                    out += QStringView(line).mid(copied, i - copied);
                    out += w.spoken;
                    copied = next = i + size;
                    break;
                }
            }
            i = next;
        }
        if (copied > 0) {
            out += QStringView(line).mid(copied);
            text = out;
        }
    }
    for (const Pattern& p : patterns_)
        text.replace(p.expression, p.replacement);
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
