#include "epub/contents.h"

#include "epub/package.h"

#include <QHash>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr int kDeepest = 2;
const QString kOpsNamespace = u"http://www.idpf.org/2007/ops"_s;

void splitHref(const QString& fromPath, const QString& href, ContentsEntry& entry)
{
    entry.path = ResolveEpubHref(fromPath, href);
    const qsizetype hash = href.indexOf(u'#');
    entry.fragment =
        hash < 0 ? QString() : QUrl::fromPercentEncoding(href.mid(hash + 1).trimmed().toUtf8());
}

bool isTocNav(const QXmlStreamReader& xml)
{
    for (const QXmlStreamAttribute& a : xml.attributes())
        if (a.name() == u"type" &&
            (a.namespaceUri() == kOpsNamespace || a.qualifiedName() == u"epub:type"))
            return a.value().split(u' ', Qt::SkipEmptyParts).contains(u"toc"_s);
    return false;
}

// The navigation document: the <nav> of type "toc" (else the first <nav>),
// its lists and their items.
class NavParser
{
  public:
    NavParser(const QByteArray& xhtml, const QString& navPath)
        : xml_(XhtmlForXmlReader(xhtml)), navPath_(navPath)
    {
    }

    QList<ContentsEntry> parse()
    {
        QList<ContentsEntry> first;
        while (!xml_.atEnd()) {
            if (xml_.readNext() != QXmlStreamReader::StartElement || xml_.name() != u"nav")
                continue;
            const bool toc = isTocNav(xml_);
            QList<ContentsEntry> entries = nav();
            if (xml_.hasError())
                return {};
            if (toc)
                return entries;
            if (first.isEmpty())
                first = std::move(entries);
        }
        return xml_.hasError() ? QList<ContentsEntry>() : first;
    }

  private:
    // Reads the nav element up to its end. An entry's level counts the list
    // items around it that hold a link: the entries under a heading that
    // links nowhere ("<li><span>Author</span><ol>...") stand at its level.
    QList<ContentsEntry> nav()
    {
        QList<ContentsEntry> entries;
        int lists = 0;
        QList<bool> items; // the open list items: whether each holds a link
        while (!xml_.atEnd()) {
            const auto token = xml_.readNext();
            const QStringView name = xml_.name();
            if (token == QXmlStreamReader::EndElement) {
                if (name == u"nav")
                    break;
                if (name == u"ol" || name == u"ul")
                    --lists;
                else if (name == u"li" && !items.isEmpty())
                    items.removeLast();
            } else if (token == QXmlStreamReader::StartElement) {
                if (name == u"ol" || name == u"ul") {
                    ++lists;
                } else if (name == u"li") {
                    items.append(false);
                } else if ((name == u"a" || name == u"span") && lists >= 1) {
                    const int level =
                        items.isEmpty() ? lists
                                        : 1 + int(std::count(items.begin(), items.end() - 1, true));
                    if (level > kDeepest)
                        continue;
                    ContentsEntry entry;
                    entry.level = level;
                    const bool link = name == u"a"; // the name is gone once the text is read
                    const QString href = xml_.attributes().value(u"href"_s).toString();
                    const QString title = xml_.attributes().value(u"title"_s).toString();
                    entry.title =
                        xml_.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
                    if (entry.title.isEmpty())
                        entry.title = title.simplified();
                    if (link && !href.trimmed().isEmpty())
                        splitHref(navPath_, href, entry);
                    if (entry.path.isEmpty())
                        continue;
                    entries.append(std::move(entry));
                    if (!items.isEmpty())
                        items.last() = true;
                }
            }
        }
        return entries;
    }

    QXmlStreamReader xml_;
    QString navPath_;
};

} // namespace

QByteArray XhtmlForXmlReader(const QByteArray& original)
{
    // Control characters (a NUL in a chapter) stop an XML reader at once,
    // and every word after them would be lost: each is a blank here.
    QByteArray text = original;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
            c = ' ';
    if (!text.contains('&'))
        return text;
    static const QHash<QByteArray, QByteArray> known{
        {"amp", "&amp;"},      {"lt", "&lt;"},        {"gt", "&gt;"},       {"quot", "&quot;"},
        {"apos", "&apos;"},    {"nbsp", "&#160;"},    {"ndash", "&#8211;"}, {"mdash", "&#8212;"},
        {"hellip", "&#8230;"}, {"lsquo", "&#8216;"},  {"rsquo", "&#8217;"}, {"ldquo", "&#8220;"},
        {"rdquo", "&#8221;"},  {"laquo", "&#171;"},   {"raquo", "&#187;"},  {"copy", "&#169;"},
        {"shy", "&#173;"},     {"eacute", "&#233;"},  {"egrave", "&#232;"}, {"agrave", "&#224;"},
        {"uuml", "&#252;"},    {"ouml", "&#246;"},    {"auml", "&#228;"},   {"szlig", "&#223;"},
        {"ccedil", "&#231;"},  {"thinsp", "&#8201;"}, {"emsp", "&#8195;"},  {"ensp", "&#8194;"}};
    static const QRegularExpression entity(u"&([A-Za-z][A-Za-z0-9]*);"_s);
    const QString source = QString::fromUtf8(text);
    QString out;
    qsizetype at = 0;
    for (auto it = entity.globalMatch(source); it.hasNext();) {
        const auto m = it.next();
        out += QStringView(source).mid(at, m.capturedStart() - at);
        out += QString::fromLatin1(known.value(m.captured(1).toLatin1(), "&#32;"));
        at = m.capturedEnd();
    }
    out += QStringView(source).mid(at);
    return out.toUtf8();
}

QList<ContentsEntry> ParseNavDocument(const QByteArray& xhtml, const QString& navPath)
{
    return NavParser(xhtml, navPath).parse();
}

QList<ContentsEntry> ParseNcx(const QByteArray& xml, const QString& ncxPath)
{
    QXmlStreamReader reader(XhtmlForXmlReader(xml));
    QList<ContentsEntry> entries;
    // The entry of each open navPoint; it is complete once its content is read.
    QList<ContentsEntry> open;
    bool inMap = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        const QStringView name = reader.name();
        if (token == QXmlStreamReader::StartElement) {
            if (name == u"navMap") {
                inMap = true;
            } else if (inMap && name == u"navPoint") {
                ContentsEntry entry;
                entry.level = int(open.size()) + 1;
                open.append(entry);
            } else if (!open.isEmpty() && name == u"text" && open.last().title.isEmpty()) {
                open.last().title = reader.readElementText().simplified();
            } else if (!open.isEmpty() && name == u"content" && open.last().path.isEmpty()) {
                splitHref(ncxPath, reader.attributes().value(u"src"_s).toString(), open.last());
                if (open.last().level <= kDeepest && !open.last().path.isEmpty())
                    entries.append(open.last());
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (name == u"navMap")
                inMap = false;
            else if (name == u"navPoint" && !open.isEmpty())
                open.removeLast();
        }
    }
    return reader.hasError() ? QList<ContentsEntry>() : entries;
}

QList<ContentsEntry> ReadEpubContents(const EpubBook& book)
{
    if (!book.hasPackage())
        return {};
    const EpubPackage& package = book.package();
    QList<ContentsEntry> entries;
    if (const EpubItem* nav = package.item(package.navItemId))
        entries = ParseNavDocument(book.read(nav->path), nav->path);
    if (entries.isEmpty())
        if (const EpubItem* ncx = package.item(package.ncxItemId))
            entries = ParseNcx(book.read(ncx->path), ncx->path);
    // A contents made for the whole work may list files this book lacks.
    entries.removeIf([&](const ContentsEntry& e) { return !package.itemAt(e.path); });
    return entries;
}

} // namespace vt
