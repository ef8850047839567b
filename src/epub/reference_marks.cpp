#include "epub/reference_marks.h"

#include "epub/markup.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

using Tag = MarkupTag;

// A link into the book that lands on a place in a page: a note's link.
bool isNoteLink(const Tag& tag)
{
    if (tag.name != "a")
        return false;
    const std::optional<QString> href = MarkupAttribute(tag, "href", false);
    if (!href || !href->contains(u'#'))
        return false;
    const qsizetype scheme = href->indexOf(u':');
    return scheme < 0 || scheme > href->indexOf(u'#');
}

// Where an element that starts with `start` ends: after its end tag (and
// where that end tag begins), or nothing when the document never closes it.
struct Extent {
    qsizetype innerEnd;
    qsizetype end;
};

// The extents of a document's elements, found in one pass over its markup:
// each end tag closes the latest open element of its name, so an element
// that is never closed costs nothing more however much follows it.
class Extents
{
  public:
    Extents(const QByteArray& s, const std::function<bool(const Tag&)>& wanted)
    {
        QHash<QByteArray, QList<std::pair<qsizetype, bool>>> open; // name: start, wanted
        Tag tag;
        for (qsizetype pos = 0; NextMarkupTag(s, pos, tag); pos = tag.end) {
            if (tag.kind == Tag::Start) {
                open[tag.name].append({tag.begin, wanted(tag)});
            } else if (tag.kind == Tag::End) {
                auto it = open.find(tag.name);
                if (it == open.end() || it->isEmpty())
                    continue;
                const auto [start, keep] = it->takeLast();
                if (keep)
                    extents_.insert(start, {tag.begin, tag.end});
            }
        }
    }
    std::optional<Extent> of(const Tag& start) const
    {
        if (start.kind == Tag::Empty)
            return Extent{start.end, start.end};
        const auto it = extents_.constFind(start.begin);
        return it == extents_.cend() ? std::nullopt : std::optional(*it);
    }

  private:
    QHash<qsizetype, Extent> extents_; // by the position of the start tag
};

// A mark is a few characters in a little markup; an element that holds more
// is no mark, and is not read through.
constexpr qsizetype kMarkMarkup = 4096;

// The text of a stretch of markup, tags left out, the usual entities read.
QString textOf(const QByteArray& s, qsizetype from, qsizetype to)
{
    QByteArray text;
    Tag tag;
    qsizetype pos = from;
    while (pos < to && NextMarkupTag(s, pos, tag) && tag.begin < to) {
        text += s.mid(pos, tag.begin - pos);
        pos = tag.end;
    }
    if (pos < to)
        text += s.mid(pos, to - pos);
    static const QRegularExpression entity(u"&(#[0-9]+|#x[0-9a-fA-F]+|[a-zA-Z]+);"_s);
    QString decoded = QString::fromUtf8(text);
    decoded.replace(entity, u" "_s); // every entity a mark may hold is a blank or a symbol
    return decoded.trimmed();
}

// The text of a reference mark: a number, a letter or two, a Roman
// numeral or note symbols, perhaps in brackets.
bool looksLikeMark(const QString& text)
{
    static const QRegularExpression mark(u"^[\\[(]?\\s*([0-9]{1,4}[a-z]?|[a-z]{1,2}|[ivxlc]{1,6}|[*"
                                         u"\u2020\u2021\u00a7\u00b6\u2016#]{1,3})"
                                         u"\\s*[\\])]?$"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    return mark.match(text).hasMatch();
}

bool containsTag(const QByteArray& s, qsizetype from, qsizetype to,
                 const std::function<bool(const Tag&)>& wanted)
{
    Tag tag;
    for (qsizetype pos = from; pos < to && NextMarkupTag(s, pos, tag) && tag.begin < to;
         pos = tag.end)
        if ((tag.kind == Tag::Start || tag.kind == Tag::Empty) && wanted(tag))
            return true;
    return false;
}

// A printed page's number as public-domain e-texts show it: "[Pg 23]",
// "[p. 23]", "23", "[xii]".
bool looksLikePageNumber(const QString& text)
{
    static const QRegularExpression number(
        u"^[\\[(]?\\s*(p(g|age)?\\.?\\s*)?([0-9]{1,5}|[ivxlcdm]{1,8})?\\s*[\\])]?$"_s,
        QRegularExpression::CaseInsensitiveOption);
    return number.match(text).hasMatch();
}

bool isPageNumberHolder(const Tag& tag)
{
    return (tag.name == "span" || tag.name == "div" || tag.name == "p" || tag.name == "a") &&
           HasToken(MarkupAttribute(tag, "class", false), u"pagenum"_s);
}

bool isTypedMark(const Tag& tag)
{
    const std::optional<QString> type = MarkupAttribute(tag, "type", true);
    const std::optional<QString> role = MarkupAttribute(tag, "role", false);
    return HasToken(type, u"noteref"_s) || HasToken(type, u"pagebreak"_s) ||
           HasToken(role, u"doc-noteref"_s) || HasToken(role, u"doc-pagebreak"_s);
}

// Elements that may be marks: their extents are worth finding.
bool mayBeMark(const Tag& tag)
{
    return tag.name == "sup" || isNoteLink(tag) || isPageNumberHolder(tag) || isTypedMark(tag);
}

// The extent of the element that starts with `tag` when it is a mark to
// take out.
std::optional<Extent> markToRemove(const QByteArray& s, const Extents& extents, const Tag& tag)
{
    if (isTypedMark(tag))
        return extents.of(tag);
    const bool pageNumber = isPageNumberHolder(tag);
    if (!pageNumber && tag.name != "sup" && !isNoteLink(tag))
        return std::nullopt;
    const std::optional<Extent> extent = extents.of(tag);
    if (!extent || extent->innerEnd - tag.end > kMarkMarkup)
        return std::nullopt;
    if (pageNumber) // <span class="pagenum"><a id="Page_23"></a>[Pg 23]</span>
        return looksLikePageNumber(textOf(s, tag.end, extent->innerEnd)) ? extent : std::nullopt;
    if (!looksLikeMark(textOf(s, tag.end, extent->innerEnd)))
        return std::nullopt;
    if (tag.name == "sup") // <sup><a href="#n1">1</a></sup>
        return containsTag(s, tag.end, extent->innerEnd, isNoteLink) ? extent : std::nullopt;
    // <a href="#n1"><sup>1</sup></a>, <a href="#n1">[1]</a>
    const bool superscript = containsTag(s, tag.end, extent->innerEnd,
                                         [](const Tag& inner) { return inner.name == "sup"; });
    const QString text = textOf(s, tag.end, extent->innerEnd);
    return superscript || text.startsWith(u'[') ? extent : std::nullopt;
}

qsizetype visibleCharacters(const QByteArray& text)
{
    static const QRegularExpression entity(u"&#?[0-9a-zA-Z]+;"_s);
    const QString decoded = QString::fromUtf8(text).replace(entity, u"x"_s);
    return std::count_if(decoded.begin(), decoded.end(), [](QChar c) { return !c.isSpace(); });
}

// The document without the elements `toRemove` finds (with their content).
QByteArray without(const QByteArray& xhtml,
                   const std::function<std::optional<Extent>(const Tag&)>& toRemove)
{
    QByteArray out;
    qsizetype copied = 0;
    Tag tag;
    for (qsizetype pos = 0; NextMarkupTag(xhtml, pos, tag);) {
        pos = tag.end;
        if (tag.kind != Tag::Start && tag.kind != Tag::Empty)
            continue;
        if (const std::optional<Extent> element = toRemove(tag)) {
            out += xhtml.mid(copied, tag.begin - copied);
            copied = pos = element->end;
        }
    }
    if (copied == 0)
        return xhtml;
    return out + xhtml.mid(copied);
}

// A poem's lines, as books mark them.
bool isVerse(const Tag& tag)
{
    const std::optional<QString> type = MarkupAttribute(tag, "type", true);
    for (const char* kind : {"z3998:poem", "z3998:verse", "z3998:song", "z3998:hymn"})
        if (HasToken(type, QString::fromLatin1(kind)))
            return true;
    static const QRegularExpression verse(
        u"(^|[-_])(poem|poetry|verse|stanza|line-?group)([-_]|s?$)"_s,
        QRegularExpression::CaseInsensitiveOption);
    const std::optional<QString> classes = MarkupAttribute(tag, "class", false);
    if (classes)
        for (const QString& token : classes->split(u' ', Qt::SkipEmptyParts))
            if (verse.match(token).hasMatch())
                return true;
    return false;
}

// "lnum", "linenum", "line-number", "lineno": a line's number in the margin.
bool isLineNumberMark(const Tag& tag)
{
    static const QRegularExpression name(u"^l(ine)?[-_]?(num(ber)?|no|nr)s?$"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    const std::optional<QString> classes = MarkupAttribute(tag, "class", false);
    if (classes)
        for (const QString& token : classes->split(u' ', Qt::SkipEmptyParts))
            if (name.match(token).hasMatch())
                return true;
    const std::optional<QString> type = MarkupAttribute(tag, "type", true);
    return type && (type->contains(u"line-number"_s) || type->contains(u"linenum"_s));
}

// A verse's line numbers: elements that say so, and in a poem a number in a
// span of its own at the end of a line ("handful of dust.<span>30</span>").
QByteArray withoutLineNumbers(const QByteArray& xhtml)
{
    // Most pages name no line number and no poem: they are left at once.
    const QByteArray lower = xhtml.toLower();
    static const char* const hints[] = {
        "lnum",  "lno",    "lnr",       "linen",      "line-n",     "line_n",    "poem",
        "verse", "stanza", "linegroup", "line-group", "z3998:song", "z3998:hymn"};
    if (std::none_of(std::begin(hints), std::end(hints),
                     [&](const char* hint) { return lower.contains(hint); }))
        return xhtml;
    const auto candidate = [](const Tag& tag) {
        return tag.name == "span" || isLineNumberMark(tag);
    };
    const Extents extents(xhtml, candidate);
    static const QRegularExpression number(u"^[0-9]{1,5}$"_s);
    QList<std::pair<QByteArray, bool>> open; // each open element: is it (in) a poem?
    bool lineHasText = false;
    QByteArray out;
    qsizetype copied = 0;
    Tag tag;
    for (qsizetype pos = 0; NextMarkupTag(xhtml, pos, tag);) {
        if (!QByteArrayView(xhtml).sliced(pos, tag.begin - pos).trimmed().isEmpty())
            lineHasText = true;
        pos = tag.end;
        if (tag.kind == Tag::Other)
            continue;
        if (!IsInlineElement(QLatin1StringView(tag.name)))
            lineHasText = false;
        if (tag.kind == Tag::End) {
            const qsizetype closed = ClosedElement(
                open, tag.name, [](const auto& o) { return QByteArrayView(o.first); });
            if (closed >= 0)
                open.resize(closed);
            continue;
        }
        const bool poem = (!open.isEmpty() && open.last().second) || isVerse(tag);
        if (tag.kind == Tag::Start)
            open.append({tag.name, poem});
        if (tag.kind != Tag::Start || !candidate(tag))
            continue;
        const std::optional<Extent> extent = extents.of(tag);
        if (!extent || extent->innerEnd - tag.end > kMarkMarkup)
            continue;
        const QString text = textOf(xhtml, tag.end, extent->innerEnd);
        bool remove = isLineNumberMark(tag) && looksLikePageNumber(text) && !text.isEmpty();
        if (!remove && poem && lineHasText && number.match(text).hasMatch()) {
            // Only blanks between it and the line's end.
            Tag next;
            remove = NextMarkupTag(xhtml, extent->end, next) &&
                     QByteArrayView(xhtml)
                         .sliced(extent->end, next.begin - extent->end)
                         .trimmed()
                         .isEmpty() &&
                     (next.name == "br" ||
                      (next.kind == Tag::End && !IsInlineElement(QLatin1StringView(next.name))));
        }
        if (remove) {
            out += QByteArrayView(xhtml).sliced(copied, tag.begin - copied);
            copied = pos = extent->end;
            open.removeLast();
        }
    }
    if (copied == 0)
        return xhtml;
    return out + xhtml.mid(copied);
}

} // namespace

QByteArray WithoutReferenceMarks(const QByteArray& xhtml)
{
    const Extents extents(xhtml, mayBeMark);
    return withoutLineNumbers(
        without(xhtml, [&](const Tag& tag) { return markToRemove(xhtml, extents, tag); }));
}

QByteArray WithoutNavigation(const QByteArray& xhtml)
{
    const auto isNav = [](const Tag& tag) { return tag.name == "nav"; };
    const Extents extents(xhtml, isNav);
    return without(xhtml,
                   [&](const Tag& tag) { return isNav(tag) ? extents.of(tag) : std::nullopt; });
}

bool IsLinkOnlyPage(const QByteArray& xhtml, const std::function<bool(const QString&)>& ownDocument)
{
    qsizetype inLinks = 0;
    qsizetype outside = 0;
    int links = 0;
    bool inBody = false;
    int ownLinkDepth = 0; // inside a link to the book's own document
    int skipped = 0;      // inside a script or style
    Tag tag;
    qsizetype pos = 0;
    for (; NextMarkupTag(xhtml, pos, tag); pos = tag.end) {
        if (inBody && skipped == 0) {
            const qsizetype count = visibleCharacters(xhtml.mid(pos, tag.begin - pos));
            (ownLinkDepth > 0 ? inLinks : outside) += count;
        }
        if (tag.name == "body")
            inBody = tag.kind == Tag::Start;
        else if (tag.name == "script" || tag.name == "style")
            skipped += tag.kind == Tag::Start ? 1 : tag.kind == Tag::End && skipped > 0 ? -1 : 0;
        else if (tag.name == "a" && tag.kind == Tag::Start) {
            const std::optional<QString> href = MarkupAttribute(tag, "href", false);
            if (ownLinkDepth > 0 || (href && ownDocument(*href))) {
                links += ownLinkDepth == 0;
                ++ownLinkDepth;
            }
        } else if (tag.name == "a" && tag.kind == Tag::End && ownLinkDepth > 0) {
            --ownLinkDepth;
        }
    }
    constexpr qsizetype kHeading = 40; // "Table of Contents" and the like
    return links >= 3 && outside <= std::max(kHeading, (inLinks + outside) / 4);
}

} // namespace vt
