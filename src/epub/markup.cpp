#include "epub/markup.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

} // namespace

bool NextMarkupTag(const QByteArray& s, qsizetype from, MarkupTag& tag)
{
    const qsizetype lt = s.indexOf('<', from);
    if (lt < 0)
        return false;
    tag = MarkupTag{};
    tag.begin = lt;
    const auto closeAt = [&](const char* closing, qsizetype skip) {
        const qsizetype at = s.indexOf(closing, lt + skip);
        tag.end = at < 0 ? s.size() : at + qsizetype(qstrlen(closing));
        return true;
    };
    const QByteArrayView rest = QByteArrayView(s).sliced(lt); // no copy for every tag
    if (rest.startsWith("<!--"))
        return closeAt("-->", 4);
    if (rest.startsWith("<![CDATA["))
        return closeAt("]]>", 9);
    if (lt + 1 < s.size() && (s[lt + 1] == '?' || s[lt + 1] == '!'))
        return closeAt(">", 1);
    qsizetype i = lt + 1;
    const bool endTag = i < s.size() && s[i] == '/';
    if (endTag)
        ++i;
    const qsizetype nameStart = i;
    while (i < s.size() && !isSpace(s[i]) && s[i] != '/' && s[i] != '>')
        ++i;
    QByteArray name = s.mid(nameStart, i - nameStart).toLower();
    if (const qsizetype colon = name.lastIndexOf(':'); colon >= 0)
        name = name.mid(colon + 1);
    const qsizetype attributesStart = i;
    char quote = 0;
    for (; i < s.size(); ++i) {
        if (quote != 0) {
            if (s[i] == quote)
                quote = 0;
        } else if (s[i] == '"' || s[i] == '\'') {
            quote = s[i];
        } else if (s[i] == '>') {
            break;
        }
    }
    tag.end = std::min(i + 1, s.size());
    tag.name = name;
    if (name.isEmpty())
        return true; // a stray "<": Other
    tag.attributes = s.mid(attributesStart, i - attributesStart);
    tag.kind = endTag                                     ? MarkupTag::End
               : i > 0 && i < s.size() && s[i - 1] == '/' ? MarkupTag::Empty
                                                          : MarkupTag::Start;
    return true;
}

std::optional<QString> MarkupAttribute(const MarkupTag& tag, const char* localName, bool prefixed)
{
    static const QRegularExpression pattern(
        uR"re((?:^|\s)([\w.-]+:)?([\w.-]+)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s"'>]+)))re"_s);
    const QString text = QString::fromUtf8(tag.attributes);
    for (auto it = pattern.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(2).compare(QLatin1String(localName), Qt::CaseInsensitive) == 0 &&
            m.hasCaptured(1) == prefixed && (!prefixed || !m.captured(1).isEmpty()))
            return m.captured(3) + m.captured(4) + m.captured(5);
    }
    return std::nullopt;
}

bool HasToken(const std::optional<QString>& value, const QString& token)
{
    return value && value->split(u' ', Qt::SkipEmptyParts).contains(token, Qt::CaseInsensitive);
}

bool IsInlineElement(QAnyStringView name)
{
    static const char* const names[] = {
        "a",     "abbr", "b",      "bdi",    "bdo", "big", "cite", "code", "data", "dfn", "em",
        "font",  "i",    "kbd",    "mark",   "q",   "rb",  "rt",   "rtc",  "ruby", "s",   "samp",
        "small", "span", "strike", "strong", "sub", "sup", "time", "tt",   "u",    "var"};
    return std::any_of(std::begin(names), std::end(names), [&](const char* n) {
        return QAnyStringView::compare(name, QLatin1StringView(n)) == 0;
    });
}

} // namespace vt
