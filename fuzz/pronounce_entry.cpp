#include "fuzz_entries.h"
#include "text/pronunciations.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace vt::fuzz
{
namespace
{

QString sameRules(const QList<PronunciationRule>& a, const QList<PronunciationRule>& b)
{
    if (a.size() != b.size())
        return u"%1 rules became %2"_s.arg(a.size()).arg(b.size());
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].word != b[i].word || a[i].spoken != b[i].spoken || a[i].pattern != b[i].pattern)
            return u"the rule \"%1\" became \"%2\""_s.arg(a[i].word, b[i].word);
    return {};
}

} // namespace

QString ReadPronunciations(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = ScratchFolder() + u"/book.pronounce.txt"_s;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return u"cannot write the scratch list"_s;
    file.close();
    const PronunciationList list = PronunciationList::read(path);
    QFile::remove(path);
    if (list.refused.isEmpty()) {
        if (const QString differs = sameRules(list.rules, PronunciationList::parse(bytes).rules);
            !differs.isEmpty())
            return u"the file reads otherwise than its bytes: "_s + differs;
    } else if (!list.rules.isEmpty()) {
        return u"a list that is not used has rules"_s;
    }
    if (ListNotes(list, u"list"_s).size() > 7)
        return u"the note names too many lines"_s;

    // What the editor saves reads back as the same rules, and nothing else.
    const PronunciationList again =
        PronunciationList::parse(WritePronunciationList(list.rules), {}, true);
    if (const QString differs = sameRules(list.rules, again.rules); !differs.isEmpty())
        return u"the saved list reads back otherwise: "_s + differs;
    if (!again.problems.isEmpty())
        return u"the saved list has a line that is no rule: "_s + again.problems.first();

    // Applied to its own lines and to a sample: every line ends, and grows
    // no more than its replacements can make it.
    Pronouncer pronouncer;
    pronouncer.add(list);
    qsizetype spoken = 1;
    for (const PronunciationRule& rule : list.rules)
        spoken += rule.spoken.size();
    QStringList lines = QString::fromUtf8(bytes).split(u'\n').mid(0, 64);
    lines << u"Call me Ishmael. 12km, ch. 3; St. John met Mr Smith — naïve café!"_s;
    for (const QString& line : std::as_const(lines)) {
        const QString said = pronouncer.apply(line);
        if (said.size() > (line.size() + 1) * spoken)
            return u"a line of %1 characters became %2"_s.arg(line.size()).arg(said.size());
        if (list.rules.isEmpty() && said != line)
            return u"no rules changed a line"_s;
    }
    return {};
}

} // namespace vt::fuzz
