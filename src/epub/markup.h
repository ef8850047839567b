#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace vt
{

// One piece of markup of a document. Books are XHTML, but not always well
// formed (undeclared entities, stray characters), so the markup is read tag
// by tag rather than by an XML parser that would give up on the whole page.
struct MarkupTag {
    enum Kind { Start, End, Empty, Other };
    Kind kind = Other;
    qsizetype begin = 0; // the "<"
    qsizetype end = 0;   // after the ">"
    QByteArray name;     // local name in lower case, prefix dropped
    QByteArray attributes;
};

// The next piece of markup at or after `from`; false when there is none.
bool NextMarkupTag(const QByteArray& s, qsizetype from, MarkupTag& tag);

// The value of an attribute; `prefixed` asks for a name with a namespace
// prefix ("epub:type", not the MIME type of a link's "type").
std::optional<QString> MarkupAttribute(const MarkupTag& tag, const char* localName, bool prefixed);

// True when the blank-separated value holds the token (in any case).
bool HasToken(const std::optional<QString>& value, const QString& token);

// Which open element an end tag closes: the latest of its name among the
// nearest (a page whose tags do not nest costs no more than one that does),
// or -1 for an end tag that closes none.
template <class Open, class NameOf>
qsizetype ClosedElement(const QList<Open>& open, QByteArrayView name, NameOf nameOf)
{
    constexpr qsizetype kNearest = 64;
    for (qsizetype i = open.size() - 1; i >= 0 && i >= open.size() - kNearest; --i)
        if (nameOf(open[i]) == name)
            return i;
    return -1;
}

// Elements whose text runs on in the line around them (a, b, span and the like).
bool IsInlineElement(QAnyStringView name);

} // namespace vt
