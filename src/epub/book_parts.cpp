#include "epub/book_parts.h"

#include "epub/contents.h"
#include "epub/markup.h"
#include "epub/package.h"
#include "epub/part_titles.h"
#include "epub/reference_marks.h"

#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

const QString kOpsNamespace = u"http://www.idpf.org/2007/ops"_s;

// The kind an epub:type value or an EPUB 2 guide type names.
std::optional<PartKind> kindOfType(QStringView type)
{
    static const QHash<QString, PartKind> kinds{
        {u"cover"_s, PartKind::Cover},
        {u"titlepage"_s, PartKind::TitlePage},
        {u"title-page"_s, PartKind::TitlePage},
        {u"halftitlepage"_s, PartKind::TitlePage},
        {u"toc"_s, PartKind::Contents},
        {u"copyright-page"_s, PartKind::Copyright},
        {u"dedication"_s, PartKind::Dedication},
        {u"index"_s, PartKind::Index},
        {u"bibliography"_s, PartKind::Bibliography},
        {u"endnotes"_s, PartKind::Endnotes},
        {u"rearnotes"_s, PartKind::Endnotes},
        {u"footnotes"_s, PartKind::Endnotes},
        {u"notes"_s, PartKind::Endnotes},
        {u"colophon"_s, PartKind::Colophon},
        {u"imprint"_s, PartKind::Imprint},
        {u"toc-brief"_s, PartKind::Contents},
        {u"loi"_s, PartKind::Illustrations},
        {u"lot"_s, PartKind::Tables},
        {u"loa"_s, PartKind::Lists},
        {u"lov"_s, PartKind::Lists},
    };
    for (const QStringView token : type.split(u' ', Qt::SkipEmptyParts)) {
        const QStringView name = token.mid(token.indexOf(u':') + 1); // "z3998:index"
        if (const QString key = name.toString().toLower(); kinds.contains(key))
            return kinds.value(key);
    }
    return std::nullopt;
}

QString typeOf(const QXmlStreamReader& xml)
{
    for (const QXmlStreamAttribute& a : xml.attributes())
        if (a.name() == u"type" &&
            (a.namespaceUri() == kOpsNamespace || a.qualifiedName() == u"epub:type"))
            return a.value().toString();
    return {};
}

bool isSection(QByteArrayView name)
{
    return name == "body" || name == "section" || name == "div" || name == "article" ||
           name == "aside" || name == "nav";
}

// The kind an element's epub:type or role names ("doc-index" is the index).
std::optional<PartKind> kindOfElement(const MarkupTag& tag)
{
    if (const auto type = MarkupAttribute(tag, "type", true))
        if (const auto kind = kindOfType(*type))
            return kind;
    if (const auto role = MarkupAttribute(tag, "role", false)) {
        QString types = role->toLower();
        return kindOfType(types.replace(u"doc-"_s, QString()));
    }
    return std::nullopt;
}

// What a document's markup says of it and of its anchors.
struct DocumentStructure {
    std::optional<PartKind> kind;    // of the body or its first typed section
    QHash<QString, qsizetype> order; // element id: where its start tag begins
    QHash<QString, PartKind> idKinds;
    bool linkOnly = false; // a page of links to the book's own documents
};

// Read tag by tag, as WithoutStretches finds its places: an id in a comment
// or in escaped markup is no place, and a page that is not well formed is
// read to its end.
DocumentStructure readStructure(const QByteArray& xhtml)
{
    DocumentStructure doc;
    struct Open {
        QByteArray name;
        std::optional<PartKind> kind;
    };
    QList<Open> open;
    int bodyDepth = -1; // how many elements are open around the body's children
    bool firstChild = true;
    MarkupTag tag;
    for (qsizetype pos = 0; NextMarkupTag(xhtml, pos, tag); pos = tag.end) {
        if (tag.kind == MarkupTag::End) {
            const qsizetype closed =
                ClosedElement(open, tag.name, [](const Open& o) { return QByteArrayView(o.name); });
            if (closed >= 0)
                open.resize(closed);
            continue;
        }
        if (tag.kind == MarkupTag::Other)
            continue;
        std::optional<PartKind> kind = open.isEmpty() ? std::nullopt : open.last().kind;
        if (isSection(tag.name))
            if (const auto own = kindOfElement(tag))
                kind = own;
        // The body's own kind, or that of the section it begins with (a page
        // may end with its notes: they do not make it a page of notes).
        if (tag.name == "body") {
            bodyDepth = int(open.size()) + 1;
            doc.kind = kind;
        } else if (bodyDepth >= 0 && open.size() == bodyDepth && firstChild) {
            firstChild = false;
            doc.kind = doc.kind ? doc.kind : kind;
        }
        QString id = MarkupAttribute(tag, "id", false).value_or(QString());
        if (id.isEmpty() && tag.name == "a")
            id = MarkupAttribute(tag, "name", false).value_or(QString());
        if (!id.isEmpty() && !doc.order.contains(id)) {
            doc.order.insert(id, tag.begin);
            if (kind)
                doc.idKinds.insert(id, *kind);
        }
        if (tag.kind == MarkupTag::Start)
            open.append({tag.name, kind});
    }
    return doc;
}

// The landmarks of an EPUB 3 navigation document: "path#fragment": kind.
QHash<QString, PartKind> readLandmarks(const QByteArray& xhtml, const QString& navPath)
{
    QHash<QString, PartKind> landmarks;
    QXmlStreamReader xml(XhtmlForXmlReader(xhtml));
    bool inLandmarks = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"nav")
            inLandmarks = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"nav")
            inLandmarks = typeOf(xml).split(u' ').contains(u"landmarks"_s);
        else if (inLandmarks && xml.name() == u"a")
            if (const auto kind = kindOfType(typeOf(xml))) {
                const QString href = xml.attributes().value(u"href"_s).toString();
                const qsizetype hash = href.indexOf(u'#');
                const QString fragment =
                    hash < 0 ? QString() : QUrl::fromPercentEncoding(href.mid(hash + 1).toUtf8());
                landmarks.insert(ResolveEpubHref(navPath, href) + u'#' + fragment, *kind);
            }
    }
    return landmarks;
}

QString capitalized(const QString& text)
{
    return text.isEmpty() ? text : text.front().toUpper() + text.mid(1);
}

// The documents the converter reads, in its order: those of the reading
// order (linear="no" too) each once, then those the contents names outside
// it (the spoken copy reads them there), but the navigation document.
QStringList readingOrder(const EpubBook& book, const QList<ContentsEntry>& contents)
{
    const EpubPackage& package = book.package();
    QStringList order = package.spinePaths();
    const EpubItem* nav = package.item(package.navItemId);
    for (const ContentsEntry& entry : contents) {
        const EpubItem* item = package.itemAt(entry.path);
        if (item && item != nav && IsPage(*item) && !order.contains(entry.path))
            order.append(entry.path);
    }
    return order;
}

} // namespace

QString PartKindName(PartKind kind)
{
    switch (kind) {
    case PartKind::Text:
        return {};
    case PartKind::Cover:
        return u"cover"_s;
    case PartKind::TitlePage:
        return u"title page"_s;
    case PartKind::Contents:
        return u"contents"_s;
    case PartKind::Copyright:
        return u"copyright page"_s;
    case PartKind::Dedication:
        return u"dedication"_s;
    case PartKind::Index:
        return u"index"_s;
    case PartKind::Bibliography:
        return u"bibliography"_s;
    case PartKind::Endnotes:
        return u"endnotes"_s;
    case PartKind::Colophon:
        return u"colophon"_s;
    case PartKind::Imprint:
        return u"imprint"_s;
    case PartKind::Illustrations:
        return u"list of illustrations"_s;
    case PartKind::Tables:
        return u"list of tables"_s;
    case PartKind::Lists:
        return u"list"_s;
    }
    return {};
}

bool ReadByDefault(PartKind kind)
{
    switch (kind) {
    case PartKind::Copyright:
    case PartKind::Colophon:
    case PartKind::Imprint:
    case PartKind::Index:
    case PartKind::Bibliography:
    case PartKind::Contents:
    case PartKind::Illustrations:
    case PartKind::Tables:
    case PartKind::Lists:
        return false;
    default:
        return true;
    }
}

QList<BookPart> ReadBookParts(const EpubBook& book)
{
    if (!book.hasPackage())
        return {};
    const EpubPackage& package = book.package();
    const QList<ContentsEntry> contents = ReadEpubContents(book);
    const QStringList spine = readingOrder(book, contents);
    const auto ownDocument = [&](const QString& from, const QString& href) {
        const QString target = ResolveEpubHref(from, href);
        return !target.isEmpty() && package.itemAt(target) != nullptr;
    };
    QList<DocumentStructure> documents;
    for (const QString& path : spine) {
        const QByteArray page = book.readPage(path);
        documents.append(readStructure(page));
        documents.last().linkOnly =
            IsLinkOnlyPage(page, [&](const QString& href) { return ownDocument(path, href); });
    }
    QHash<QString, PartKind> landmarks;
    if (const EpubItem* nav = package.item(package.navItemId))
        landmarks = readLandmarks(book.read(nav->path), nav->path);
    QHash<QString, PartKind> guide;
    for (const EpubGuideRef& ref : package.guide)
        if (const auto kind = kindOfType(ref.type))
            guide.insert(ref.path, *kind);

    // Landmarks first, then the markup, the guide, and the title.
    const auto kindOf = [&](const QString& path, const QString& fragment,
                            const QString& title) -> std::optional<PartKind> {
        if (const QString place = path + u'#' + fragment; landmarks.contains(place))
            return landmarks.value(place);
        if (const qsizetype d = spine.indexOf(path); d >= 0) {
            const DocumentStructure& doc = documents[d];
            if (fragment.isEmpty() && doc.kind)
                return *doc.kind;
            if (doc.idKinds.contains(fragment))
                return doc.idKinds.value(fragment);
        }
        if (fragment.isEmpty())
            if (guide.contains(path))
                return guide.value(path);
        return KindOfTitle(title);
    };

    QList<BookPart> parts;
    QSet<QString> listedPaths;
    for (const ContentsEntry& entry : contents) {
        BookPart part{entry.title, entry.path, entry.fragment, entry.level,
                      kindOf(entry.path, entry.fragment, entry.title).value_or(PartKind::Text)};
        listedPaths.insert(entry.path);
        parts.append(part);
    }
    // Pages the contents leaves out are parts when their structure names
    // them, or when they are only links (a contents page of the book's own).
    for (qsizetype d = 0; d < spine.size(); ++d) {
        if (listedPaths.contains(spine[d]))
            continue;
        const auto kind = kindOf(spine[d], {}, {});
        if (kind.value_or(PartKind::Text) != PartKind::Text || documents[d].linkOnly) {
            const PartKind k = kind.value_or(PartKind::Contents);
            parts.append({capitalized(PartKindName(k)), spine[d], {}, 1, k, false});
        }
    }
    for (BookPart& part : parts) {
        part.document = int(spine.indexOf(part.path));
        if (part.document >= 0 && !part.fragment.isEmpty())
            part.order = documents[part.document].order.value(part.fragment, -1);
    }
    // Reading order; parts outside it at the end, in the contents' order.
    std::stable_sort(parts.begin(), parts.end(), [](const BookPart& a, const BookPart& b) {
        const auto key = [](const BookPart& p) {
            return std::pair(p.document < 0 ? INT_MAX : p.document, p.order);
        };
        return key(a) < key(b);
    });
    // No text outside the parts: the first begins the book, and a page of
    // its own is followed by a part that begins the next page, or ends it.
    bool whole = !parts.isEmpty() && parts[0].document == 0 && parts[0].order < 0;
    for (qsizetype i = 0; whole && i < parts.size(); ++i)
        if (!parts[i].listed)
            whole = parts[i].document == spine.size() - 1 ||
                    (i + 1 < parts.size() && parts[i + 1].document == parts[i].document + 1 &&
                     parts[i + 1].order < 0);
    for (BookPart& part : parts)
        part.wholeBook = whole;
    return parts;
}

QList<bool> PartsRead(const QList<BookPart>& parts, const PartChoice& choice)
{
    QList<bool> read;
    for (qsizetype i = 0; i < parts.size(); ++i)
        read.append(choice.readAll  ? true
                    : choice.chosen ? choice.chosen->contains(int(i + 1))
                                    : ReadByDefault(parts[i].kind));
    if (!choice.readAll && !choice.chosen && !read.contains(true) && !parts.isEmpty() &&
        parts[0].wholeBook)
        read.fill(true);
    return read;
}

namespace
{

void sortOnce(QList<int>& numbers)
{
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
}

} // namespace

std::optional<QList<int>> ParsePartNumbers(const QString& text, QString& error)
{
    static const QRegularExpression item(uR"(^\s*(\d{1,6})\s*(?:-\s*(\d{1,6})\s*)?$)"_s);
    QList<int> numbers;
    for (const QString& piece : text.split(u',')) {
        const QRegularExpressionMatch m = item.match(piece);
        const int first = m.captured(1).toInt();
        const int last = m.captured(2).isEmpty() ? first : m.captured(2).toInt();
        if (!m.hasMatch() || first < 1 || last < first) {
            error = u"\""_s + piece.trimmed() +
                    u"\" is not a number or range of numbers from 1 (such as 3-12,15)"_s;
            return std::nullopt;
        }
        for (int n = first; n <= last; ++n)
            numbers.append(n);
        // Sorted once at the end ("1-300000" is a moment's work), or when
        // ranges repeated over and over pile up.
        if (numbers.size() > 2'000'000)
            sortOnce(numbers);
    }
    sortOnce(numbers);
    return numbers;
}

QString WritePartNumbers(QList<int> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    QStringList ranges;
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        qsizetype j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] <= numbers[j] + 1)
            ++j;
        ranges.append(numbers[i] == numbers[j] ? QString::number(numbers[i])
                                               : u"%1-%2"_s.arg(numbers[i]).arg(numbers[j]));
        i = j;
    }
    return ranges.join(u',');
}

SkippedText SkippedParts(const EpubBook& book, const QList<BookPart>& parts,
                         const QList<bool>& read)
{
    SkippedText skipped;
    if (!book.hasPackage() || parts.isEmpty())
        return skipped;
    // The reading order, and the documents the contents names outside it.
    QStringList order = book.package().spinePaths();
    const qsizetype inside = order.size();
    for (const BookPart& p : parts)
        if (p.document >= inside) {
            order.resize(std::max<qsizetype>(order.size(), p.document + 1));
            order[p.document] = p.path;
        }
    skipped.outside = order.mid(inside);
    // Where each part begins; a page only the structure names ends with its
    // document, and what follows it is read.
    struct Start {
        int document;
        qsizetype order;
        QString fragment;
        bool read;
    };
    QList<Start> starts;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const BookPart& p = parts[i];
        if (p.document < 0)
            continue;
        starts.append({p.document, p.order, p.order < 0 ? QString() : p.fragment, read.value(i)});
        if (!p.listed)
            starts.append({p.document + 1, -1, {}, true});
    }
    std::stable_sort(starts.begin(), starts.end(), [](const Start& a, const Start& b) {
        return std::pair(a.document, a.order) < std::pair(b.document, b.order);
    });
    const int end = int(order.size());
    for (qsizetype k = 0; k < starts.size(); ++k) {
        const Start& from = starts[k];
        if (from.read)
            continue;
        const Start to = k + 1 < starts.size() ? starts[k + 1] : Start{end, -1, {}, true};
        for (int d = from.document; d <= std::min(to.document, end - 1); ++d) {
            const QString first = d == from.document ? from.fragment : QString();
            const QString last = d == to.document ? to.fragment : QString();
            if (d == to.document && last.isEmpty())
                break; // the next part begins with this document
            if (first.isEmpty() && last.isEmpty())
                skipped.documents.insert(order[d]);
            else if (first != last)
                skipped.stretches[order[d]].append({first, last});
        }
    }
    return skipped;
}

QByteArray WithoutStretches(const QByteArray& xhtml,
                            const QList<std::pair<QString, QString>>& stretches)
{
    // Where the body's text begins and ends, and where each element with an
    // id begins (the first of an id counts).
    qsizetype bodyStart = -1;
    qsizetype bodyEnd = -1;
    QHash<QString, qsizetype> places;
    MarkupTag tag;
    for (qsizetype pos = 0; NextMarkupTag(xhtml, pos, tag); pos = tag.end) {
        if (tag.name == "body") {
            if (tag.kind == MarkupTag::Start && bodyStart < 0)
                bodyStart = tag.end;
            else if (tag.kind == MarkupTag::End)
                bodyEnd = tag.begin;
        }
        if (tag.kind != MarkupTag::Start && tag.kind != MarkupTag::Empty)
            continue;
        QString id = MarkupAttribute(tag, "id", false).value_or(QString());
        if (id.isEmpty() && tag.name == "a")
            id = MarkupAttribute(tag, "name", false).value_or(QString());
        if (!id.isEmpty() && !places.contains(id))
            places.insert(id, tag.begin);
    }
    QList<std::pair<qsizetype, qsizetype>> dropped; // [from, to) of the document
    for (const auto& [first, last] : stretches) {
        const qsizetype from =
            first.isEmpty() ? std::max<qsizetype>(bodyStart, 0) : places.value(first, -1);
        const qsizetype to =
            last.isEmpty() ? (bodyEnd >= 0 ? bodyEnd : xhtml.size()) : places.value(last, -1);
        if (from >= 0 && to > from)
            dropped.append({from, to});
    }
    if (dropped.isEmpty())
        return xhtml;
    std::sort(dropped.begin(), dropped.end());
    // Inside a stretch only elements' tags are kept: text, comments,
    // character data and processing instructions go.
    QByteArray kept;
    kept.reserve(xhtml.size());
    qsizetype copied = 0;
    for (const auto& [from, to] : dropped) {
        if (to <= copied)
            continue;
        const qsizetype begin = std::max(from, copied);
        kept += QByteArrayView(xhtml).sliced(copied, begin - copied);
        for (qsizetype pos = begin; NextMarkupTag(xhtml, pos, tag) && tag.begin < to; pos = tag.end)
            if (tag.kind != MarkupTag::Other)
                kept += QByteArrayView(xhtml).sliced(tag.begin, tag.end - tag.begin);
        copied = to;
    }
    kept += QByteArrayView(xhtml).sliced(copied);
    return kept;
}

} // namespace vt
