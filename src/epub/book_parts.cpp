#include "epub/book_parts.h"

#include "epub/contents.h"
#include "epub/package.h"

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
        {u"loi"_s, PartKind::Illustrations},
        {u"lot"_s, PartKind::Tables},
    };
    for (const QStringView token : type.split(u' ', Qt::SkipEmptyParts)) {
        const QStringView name = token.mid(token.indexOf(u':') + 1); // "z3998:index"
        if (const QString key = name.toString().toLower(); kinds.contains(key))
            return kinds.value(key);
    }
    return std::nullopt;
}

// The kind a contents title names, for books whose structure says nothing.
std::optional<PartKind> kindOfTitle(const QString& title)
{
    static const QHash<QString, PartKind> kinds{
        {u"cover"_s, PartKind::Cover},
        {u"title page"_s, PartKind::TitlePage},
        {u"titlepage"_s, PartKind::TitlePage},
        {u"contents"_s, PartKind::Contents},
        {u"table of contents"_s, PartKind::Contents},
        {u"copyright"_s, PartKind::Copyright},
        {u"copyright page"_s, PartKind::Copyright},
        {u"copyright notice"_s, PartKind::Copyright},
        {u"uncopyright"_s, PartKind::Copyright},
        {u"dedication"_s, PartKind::Dedication},
        {u"index"_s, PartKind::Index},
        {u"bibliography"_s, PartKind::Bibliography},
        {u"select bibliography"_s, PartKind::Bibliography},
        {u"works cited"_s, PartKind::Bibliography},
        {u"endnotes"_s, PartKind::Endnotes},
        {u"notes"_s, PartKind::Endnotes},
        {u"colophon"_s, PartKind::Colophon},
        {u"imprint"_s, PartKind::Imprint},
        {u"list of illustrations"_s, PartKind::Illustrations},
        {u"list of tables"_s, PartKind::Tables},
    };
    QString key = title.simplified().toLower();
    while (!key.isEmpty() && (key.back() == u'.' || key.back() == u':'))
        key.chop(1);
    if (kinds.contains(key))
        return kinds.value(key);
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

bool isSection(QStringView name)
{
    return name == u"body" || name == u"section" || name == u"div" || name == u"article" ||
           name == u"aside" || name == u"nav";
}

// What a document's markup says of it and of its anchors.
struct DocumentStructure {
    std::optional<PartKind> kind; // of the body or its first typed section
    QHash<QString, int> order;    // element id: its place among the elements
    QHash<QString, PartKind> idKinds;
};

DocumentStructure readStructure(const QByteArray& xhtml)
{
    DocumentStructure doc;
    QXmlStreamReader xml(XhtmlForXmlReader(xhtml));
    QList<std::optional<PartKind>> sections; // the kinds of the open elements
    int elements = 0;
    bool inBody = false;
    int firstChild = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (!sections.isEmpty())
                sections.removeLast();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        ++elements;
        const QStringView name = xml.name();
        inBody = inBody || name == u"body";
        std::optional<PartKind> kind = sections.isEmpty() ? std::nullopt : sections.last();
        if (isSection(name))
            if (const auto own = kindOfType(typeOf(xml)))
                kind = own;
        // The body's own kind, or that of the section it begins with (a page
        // may end with its notes: they do not make it a page of notes).
        if (name == u"body" || (inBody && sections.size() == 2 && !firstChild++))
            doc.kind = doc.kind ? doc.kind : kind;
        sections.append(kind);
        const QString id = xml.attributes().value(u"id"_s).toString();
        if (!id.isEmpty() && !doc.order.contains(id)) {
            doc.order.insert(id, elements);
            if (kind)
                doc.idKinds.insert(id, *kind);
        }
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
    const QStringList spine = package.spinePaths();
    QList<DocumentStructure> documents;
    for (const QString& path : spine)
        documents.append(readStructure(book.readPage(path)));
    QHash<QString, PartKind> landmarks;
    if (const EpubItem* nav = package.item(package.navItemId))
        landmarks = readLandmarks(book.read(nav->path), nav->path);
    QHash<QString, PartKind> guide;
    for (const EpubGuideRef& ref : package.guide)
        if (const auto kind = kindOfType(ref.type))
            guide.insert(ref.path, *kind);

    // Landmarks first, then the markup, the guide, and the title.
    const auto kindOf = [&](const QString& path, const QString& fragment, const QString& title) {
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
        return kindOfTitle(title).value_or(PartKind::Text);
    };

    QList<BookPart> parts;
    QSet<QString> listedPaths;
    for (const ContentsEntry& entry : ReadEpubContents(book)) {
        BookPart part{entry.title, entry.path, entry.fragment, entry.level,
                      kindOf(entry.path, entry.fragment, entry.title)};
        listedPaths.insert(entry.path);
        parts.append(part);
    }
    for (qsizetype d = 0; d < spine.size(); ++d) {
        if (listedPaths.contains(spine[d]))
            continue;
        const PartKind kind = kindOf(spine[d], {}, {});
        if (kind != PartKind::Text)
            parts.append({capitalized(PartKindName(kind)), spine[d], {}, 1, kind, false});
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
    return parts;
}

QList<bool> PartsRead(const QList<BookPart>& parts, const PartChoice& choice)
{
    QList<bool> read;
    for (qsizetype i = 0; i < parts.size(); ++i)
        read.append(choice.readAll  ? true
                    : choice.chosen ? choice.chosen->contains(int(i + 1))
                                    : ReadByDefault(parts[i].kind));
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
    if (!book.hasPackage())
        return skipped;
    const QStringList spine = book.package().spinePaths();
    // Where each part begins; a page only the structure names ends with its
    // document, and what follows it is read.
    struct Start {
        int document;
        int order;
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
    const int end = int(spine.size());
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
                skipped.documents.insert(spine[d]);
            else if (first != last)
                skipped.stretches[spine[d]].append({first, last});
        }
    }
    return skipped;
}

QByteArray WithoutStretches(const QByteArray& xhtml,
                            const QList<std::pair<QString, QString>>& stretches)
{
    const QString text = QString::fromUtf8(xhtml); // decoded once for every id looked for
    const auto placeOf = [&](const QString& id, bool start) -> qsizetype {
        if (id.isEmpty()) {
            if (!start)
                return xhtml.lastIndexOf("</body");
            const qsizetype body = xhtml.indexOf("<body");
            return body < 0 ? -1 : xhtml.indexOf('>', body) + 1;
        }
        const QRegularExpression attribute(
            uR"(\sid\s*=\s*["']%1["'])"_s.arg(QRegularExpression::escape(id)));
        const QRegularExpressionMatch m = attribute.match(text);
        if (!m.hasMatch())
            return -1;
        const qsizetype at = QStringView(text).left(m.capturedStart()).toUtf8().size();
        return xhtml.lastIndexOf('<', at);
    };
    QList<bool> dropped(xhtml.size(), false);
    for (const auto& [first, last] : stretches) {
        const qsizetype from = placeOf(first, true);
        const qsizetype to = placeOf(last, false);
        if (from < 0 || to < 0 || to <= from)
            continue;
        bool inTag = false;
        for (qsizetype i = from; i < to; ++i) {
            if (xhtml[i] == '<')
                inTag = true;
            dropped[i] = !inTag;
            if (xhtml[i] == '>')
                inTag = false;
        }
    }
    QByteArray kept;
    kept.reserve(xhtml.size());
    for (qsizetype i = 0; i < xhtml.size(); ++i)
        if (!dropped[i])
            kept += xhtml[i];
    return kept;
}

} // namespace vt
