#include "epub/formulas_and_drawings.h"

#include "epub/markup.h"

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

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

// Text between tags, its line ends blanks.
QByteArray textBetween(const QByteArray& s, qsizetype from, qsizetype to)
{
    return s.mid(from, to - from).replace('\n', ' ').replace('\r', ' ').replace('\t', ' ');
}

// A formula's tokens, one after the other, its annotations (TeX) left out.
QByteArray formulaText(const QByteArray& s, qsizetype from, qsizetype to)
{
    QByteArray text;
    int annotation = 0;
    MarkupTag tag;
    for (qsizetype pos = from; NextMarkupTag(s, pos, tag) && tag.begin < to; pos = tag.end) {
        if (annotation == 0)
            text += textBetween(s, pos, tag.begin) + ' ';
        if (tag.name == "annotation" || tag.name == "annotation-xml")
            annotation = std::max(0, annotation + (tag.kind == MarkupTag::Start ? 1
                                                   : tag.kind == MarkupTag::End ? -1
                                                                                : 0));
    }
    return text;
}

// The lines a drawing's text shows: each <text> element begins one, and so
// does a <tspan> placed on another line (its own y).
QList<QByteArray> drawingLines(const QByteArray& s, qsizetype from, qsizetype to)
{
    QList<QByteArray> lines;
    int inText = 0;
    int unread = 0; // inside a title, a description, a style or a script
    std::optional<QString> y;
    MarkupTag tag;
    for (qsizetype pos = from; NextMarkupTag(s, pos, tag) && tag.begin < to; pos = tag.end) {
        if (inText > 0 && unread == 0 && !lines.isEmpty())
            lines.last() += textBetween(s, pos, tag.begin);
        const int step = tag.kind == MarkupTag::Start ? 1 : tag.kind == MarkupTag::End ? -1 : 0;
        if (tag.name == "title" || tag.name == "desc" || tag.name == "style" ||
            tag.name == "script") {
            unread = std::max(0, unread + step);
        } else if (tag.name == "text") {
            inText = std::max(0, inText + step);
            if (step > 0) {
                lines.append(QByteArray());
                y = MarkupAttribute(tag, "y", false);
            }
        } else if (tag.name == "tspan" && step > 0 && inText > 0) {
            const std::optional<QString> own = MarkupAttribute(tag, "y", false);
            if (own && y && *own != *y && !lines.last().trimmed().isEmpty())
                lines.append(QByteArray());
            else
                lines.last() += ' ';
            y = own ? own : y;
        }
    }
    return lines;
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
            text = formulaText(s, tag.begin, end);
        const QByteArray element =
            HasToken(MarkupAttribute(tag, "display", false), u"block"_s) ? "div" : "span";
        return '<' + element + withId(tag) + '>' + asText(text) + "</" + element + '>';
    }
    if (tag.name == "svg") {
        QByteArray lines;
        for (const QByteArray& line : drawingLines(s, tag.begin, end))
            if (const QByteArray l = asText(line); !l.isEmpty())
                lines += (lines.isEmpty() ? "" : "<br/>") + l;
        return "<div" + withId(tag) + '>' + lines + "</div>";
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
