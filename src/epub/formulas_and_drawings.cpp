#include "epub/formulas_and_drawings.h"

#include "epub/markup.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// Where each formula and drawing ends (after its end tag), by where it
// begins; found in one pass, each end tag closing the latest open element
// of its name. One the document never closes is left as it is.
QHash<qsizetype, qsizetype> extents(const QByteArray& s)
{
    QHash<qsizetype, qsizetype> ends;
    QList<qsizetype> open[2]; // math, svg
    MarkupTag tag;
    for (qsizetype pos = 0; NextMarkupTag(s, pos, tag); pos = tag.end) {
        if (tag.name != "math" && tag.name != "svg")
            continue;
        QList<qsizetype>& starts = open[tag.name == "svg"];
        if (tag.kind == MarkupTag::Start)
            starts.append(tag.begin);
        else if (tag.kind == MarkupTag::Empty)
            ends.insert(tag.begin, tag.end);
        else if (tag.kind == MarkupTag::End && !starts.isEmpty())
            ends.insert(starts.takeLast(), tag.end);
    }
    return ends;
}

// Text as it stands between tags (escaped already), with an attribute's
// stray "<" escaped.
QByteArray asText(QByteArray text)
{
    return text.replace('<', "&lt;").simplified();
}

// The text of the elements inside [from, to) that `wanted` names, each
// piece of it ending with `separator`; text inside `unread` elements is left out.
QByteArray textOf(const QByteArray& s, qsizetype from, qsizetype to,
                  const std::function<bool(const QByteArray&)>& wanted,
                  const std::function<bool(const QByteArray&)>& unread, const QByteArray& separator)
{
    QByteArray text;
    int inWanted = 0;
    int inUnread = 0;
    MarkupTag tag;
    for (qsizetype pos = from; pos < to && NextMarkupTag(s, pos, tag) && tag.begin < to;
         pos = tag.end) {
        if (inWanted > 0 && inUnread == 0)
            text += s.mid(pos, tag.begin - pos);
        const int step = tag.kind == MarkupTag::Start ? 1 : tag.kind == MarkupTag::End ? -1 : 0;
        if (unread(tag.name))
            inUnread = std::max(0, inUnread + step);
        else if (wanted(tag.name)) {
            inWanted = std::max(0, inWanted + step);
            if (step != 0 && !text.isEmpty() && !text.endsWith(separator))
                text += separator;
        }
    }
    return text;
}

QByteArray withId(const MarkupTag& tag)
{
    const std::optional<QString> id = MarkupAttribute(tag, "id", false);
    return id && !id->isEmpty() ? " id=\"" + id->toUtf8().replace('"', "&quot;") + '"'
                                : QByteArray();
}

// What stands for a formula or a drawing; nothing for other elements.
std::optional<QByteArray> readable(const QByteArray& s, const MarkupTag& tag, qsizetype end)
{
    if (tag.name == "math") {
        QByteArray text;
        if (const auto alt = MarkupAttribute(tag, "alttext", false); alt && !alt->isEmpty())
            text = alt->toUtf8();
        else
            text = textOf(
                s, tag.begin, end, [](const QByteArray&) { return true; },
                [](const QByteArray& n) { return n == "annotation" || n == "annotation-xml"; },
                " ");
        const QByteArray element =
            HasToken(MarkupAttribute(tag, "display", false), u"block"_s) ? "div" : "span";
        return '<' + element + withId(tag) + '>' + asText(text) + "</" + element + '>';
    }
    if (tag.name == "svg") {
        const QByteArray text = textOf(
            s, tag.begin, end, [](const QByteArray& n) { return n == "text"; },
            [](const QByteArray& n) { return n == "title" || n == "desc"; }, "\n");
        QByteArray lines;
        for (const QByteArray& line : text.split('\n'))
            if (const QByteArray l = asText(line); !l.isEmpty())
                lines += (lines.isEmpty() ? "" : "<br/>") + l;
        return "<span" + withId(tag) + '>' + lines + "</span>";
    }
    return std::nullopt;
}

} // namespace

QByteArray WithFormulaAndDrawingText(const QByteArray& xhtml)
{
    if (!xhtml.contains("math") && !xhtml.contains("svg"))
        return xhtml; // most pages, at once
    const QHash<qsizetype, qsizetype> ends = extents(xhtml);
    QByteArray out;
    qsizetype copied = 0;
    MarkupTag tag;
    for (qsizetype pos = 0; NextMarkupTag(xhtml, pos, tag); pos = tag.end) {
        if (tag.name != "math" && tag.name != "svg")
            continue;
        const qsizetype end = ends.value(tag.begin, -1);
        if (end < 0)
            continue;
        if (const std::optional<QByteArray> text = readable(xhtml, tag, end)) {
            out += xhtml.mid(copied, tag.begin - copied) + *text;
            copied = end;
            tag.end = end;
        }
    }
    if (copied == 0)
        return xhtml;
    return out + xhtml.mid(copied);
}

} // namespace vt
