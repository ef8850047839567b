#include "epub/package.h"

#include "common/error.h"
#include "unzip/zip_archive.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

// Descriptions often carry HTML, escaped inside the package document.
QString plainText(QString text)
{
    static const QRegularExpression tags(u"<[^>]*>"_s);
    static const QRegularExpression paragraphEnds(u"</p>|<br\\s*/?>"_s,
                                                  QRegularExpression::CaseInsensitiveOption);
    if (text.contains(u'<')) {
        text.replace(paragraphEnds, u"\n"_s);
        text.remove(tags);
    }
    static const QRegularExpression entity(u"&(#x[0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);"_s);
    static const QHash<QString, QString> named{{u"amp"_s, u"&"_s},  {u"lt"_s, u"<"_s},
                                               {u"gt"_s, u">"_s},   {u"quot"_s, u"\""_s},
                                               {u"apos"_s, u"'"_s}, {u"nbsp"_s, u" "_s}};
    QString out;
    qsizetype at = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += QStringView(text).mid(at, m.capturedStart() - at);
        const QString name = m.captured(1);
        bool ok = false;
        char32_t code = 0;
        if (name.startsWith(u"#x"_s))
            code = name.mid(2).toUInt(&ok, 16);
        else if (name.startsWith(u'#'))
            code = name.mid(1).toUInt(&ok, 10);
        if (ok && code > 0 && code < 0x110000)
            out += QString::fromUcs4(&code, 1);
        else
            out += named.value(name, m.captured(0));
        at = m.capturedEnd();
    }
    out += QStringView(text).mid(at);
    // Paragraphs stay apart; every other run of white space is one blank.
    QStringList paragraphs = out.split(u'\n');
    for (QString& p : paragraphs)
        p = p.simplified();
    paragraphs.removeAll(QString());
    return paragraphs.join(u'\n');
}

struct Creator {
    QString id;
    QString name;
    QStringList roles;
};

// The package document, element by element.
class PackageParser
{
  public:
    PackageParser(const QByteArray& xml, const QString& packagePath)
        : xml_(xml), folder_(folderOf(packagePath))
    {
        package_.packagePath = packagePath;
    }

    EpubPackage parse()
    {
        while (!xml_.atEnd()) {
            if (xml_.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QStringView name = xml_.name();
            if (name == u"package")
                package_.version = attribute(u"version");
            else if (name == u"title" || name == u"creator" || name == u"language" ||
                     name == u"publisher" || name == u"date" || name == u"description")
                dublinCore(name.toString());
            else if (name == u"meta")
                meta();
            else if (name == u"item")
                item();
            else if (name == u"spine")
                package_.ncxItemId = attribute(u"toc");
            else if (name == u"itemref")
                itemref();
            else if (name == u"reference")
                reference();
        }
        finish();
        return std::move(package_);
    }

  private:
    QString attribute(QStringView name) const
    {
        for (const QXmlStreamAttribute& a : xml_.attributes())
            if (a.name() == name)
                return a.value().toString().trimmed();
        return {};
    }

    void dublinCore(const QString& name)
    {
        const QString id = attribute(u"id");
        const QString role = attribute(u"role"); // EPUB 2's opf:role
        const QString text = xml_.readElementText(QXmlStreamReader::IncludeChildElements);
        if (name == u"description") {
            if (package_.description.isEmpty())
                package_.description = plainText(text);
            return;
        }
        const QString value = text.simplified();
        if (value.isEmpty())
            return;
        if (name == u"title") {
            package_.titles.append(value);
            titleIds_.append(id);
        } else if (name == u"creator") {
            creators_.append({id, value, role.isEmpty() ? QStringList() : QStringList{role}});
        } else if (name == u"language" && package_.language.isEmpty()) {
            package_.language = value;
        } else if (name == u"publisher" && package_.publisher.isEmpty()) {
            package_.publisher = value;
        } else if (name == u"date" && package_.date.isEmpty()) {
            package_.date = value;
        }
    }

    void meta()
    {
        const QString name = attribute(u"name");
        if (name == u"cover") {
            coverMetaId_ = attribute(u"content");
            return;
        }
        const QString property = attribute(u"property");
        QString refines = attribute(u"refines");
        if (property.isEmpty() || !refines.startsWith(u'#'))
            return;
        refines.remove(0, 1);
        const QString value =
            xml_.readElementText(QXmlStreamReader::SkipChildElements).simplified();
        if (property == u"title-type" && value == u"main")
            mainTitleId_ = refines;
        else if (property == u"role")
            roles_[refines].append(value);
    }

    void item()
    {
        EpubItem it;
        it.id = attribute(u"id");
        it.path = ResolveEpubHref(folder_ + u"package"_s, attribute(u"href"));
        it.mediaType = attribute(u"media-type");
        it.properties = attribute(u"properties").split(u' ', Qt::SkipEmptyParts);
        if (it.properties.contains(u"cover-image"_s) && package_.coverItemId.isEmpty())
            package_.coverItemId = it.id;
        if (it.properties.contains(u"nav"_s) && package_.navItemId.isEmpty())
            package_.navItemId = it.id;
        if (!it.id.isEmpty() && !it.path.isEmpty())
            package_.manifest.append(std::move(it));
    }

    void itemref() { package_.spine.append(attribute(u"idref")); }

    void reference()
    {
        const QString path = ResolveEpubHref(folder_ + u"package"_s, attribute(u"href"));
        if (!path.isEmpty())
            package_.guide.append({attribute(u"type").toLower(), attribute(u"title"), path});
    }

    void finish()
    {
        const qsizetype main = mainTitleId_.isEmpty() ? -1 : titleIds_.indexOf(mainTitleId_);
        if (!package_.titles.isEmpty())
            package_.title = package_.titles.value(main < 0 ? 0 : main);
        for (Creator& c : creators_)
            c.roles += roles_.value(c.id);
        for (const Creator& c : creators_)
            if (c.roles.isEmpty() || c.roles.contains(u"aut"_s))
                package_.authors.append(c.name);
        if (package_.authors.isEmpty())
            for (const Creator& c : creators_)
                package_.authors.append(c.name);
        if (package_.coverItemId.isEmpty() && package_.item(coverMetaId_))
            package_.coverItemId = coverMetaId_;
        if (!package_.item(package_.ncxItemId))
            package_.ncxItemId.clear();
        if (package_.ncxItemId.isEmpty())
            for (const EpubItem& it : package_.manifest)
                if (it.mediaType == u"application/x-dtbncx+xml") {
                    package_.ncxItemId = it.id;
                    break;
                }
        package_.spine.removeIf([this](const QString& id) { return !package_.item(id); });
    }

    QXmlStreamReader xml_;
    QString folder_;
    EpubPackage package_;
    QStringList titleIds_;
    QString mainTitleId_;
    QString coverMetaId_;
    QList<Creator> creators_;
    QHash<QString, QStringList> roles_;
};

QString rootfilePath(const QByteArray& container)
{
    QXmlStreamReader xml(container);
    QString first;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"rootfile")
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        const QString path = attributes.value(u"full-path"_s).toString().trimmed();
        const QStringView type = attributes.value(u"media-type"_s);
        if (type == u"application/oebps-package+xml")
            return path;
        if (first.isEmpty())
            first = path;
    }
    return first;
}

} // namespace

const EpubItem* EpubPackage::item(const QString& id) const
{
    if (id.isEmpty())
        return nullptr;
    for (const EpubItem& it : manifest)
        if (it.id == id)
            return &it;
    return nullptr;
}

const EpubItem* EpubPackage::itemAt(const QString& path) const
{
    for (const EpubItem& it : manifest)
        if (it.path == path)
            return &it;
    return nullptr;
}

bool IsPage(const EpubItem& item)
{
    return item.mediaType == u"application/xhtml+xml"_s || item.mediaType == u"text/html"_s;
}

QStringList EpubPackage::spinePaths() const
{
    QStringList paths;
    for (const QString& id : spine)
        paths.append(item(id)->path);
    paths.removeDuplicates();
    return paths;
}

QString ResolveEpubHref(const QString& fromPath, const QString& href)
{
    static const QRegularExpression scheme(u"^[A-Za-z][A-Za-z0-9+.-]*:"_s);
    QString target = href.trimmed();
    if (scheme.match(target).hasMatch())
        return {};
    const qsizetype cut = target.indexOf(QRegularExpression(u"[#?]"_s));
    if (cut >= 0)
        target.truncate(cut);
    target = QUrl::fromPercentEncoding(target.toUtf8());
    if (target.isEmpty())
        return fromPath;
    const QString joined = target.startsWith(u'/') ? target : folderOf(fromPath) + target;
    QStringList parts;
    for (const QString& part : joined.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (parts.isEmpty())
                return {};
            parts.removeLast();
        } else {
            parts.append(part);
        }
    }
    return parts.join(u'/');
}

EpubPackage ParseEpubPackage(const QByteArray& xml, const QString& packagePath)
{
    return PackageParser(xml, packagePath).parse();
}

EpubBook::EpubBook(const QString& path)
{
    try {
        archive_ = std::make_unique<ZipArchive>(path);
        QStringList names;
        for (quint64 i = 0, count = archive_->count(); i < count; ++i)
            names.append(archive_->info(i).path);
        // Exact names go in last, so they win over a loose match.
        for (qsizetype i = 0; i < names.size(); ++i)
            index_.insert(names[i].toLower(), quint64(i));
        for (qsizetype i = 0; i < names.size(); ++i)
            index_.insert(names[i], quint64(i));
        const QString packagePath = rootfilePath(read(u"META-INF/container.xml"_s));
        const QByteArray xml = packagePath.isEmpty() ? QByteArray() : read(packagePath);
        if (xml.isEmpty())
            return;
        package_ = ParseEpubPackage(xml, packagePath);
        hasPackage_ = true;
    } catch (const Error&) {
        // An archive that does not open is a book without a package.
    }
}

EpubBook::~EpubBook() = default;

bool EpubBook::readingOrderEncrypted() const
{
    if (!hasPackage_)
        return false;
    const QStringList spine = package_.spinePaths();
    for (const QString& path : spine) {
        const auto at = index_.constFind(path);
        try {
            if (at != index_.cend() && archive_->info(at.value()).encrypted)
                return true;
        } catch (const Error&) {
            // An entry the archive cannot describe is read, and fails, as any other.
        }
    }
    // <EncryptedData><EncryptionMethod Algorithm=".."/>..<CipherReference URI=".."/>
    QXmlStreamReader xml(read(u"META-INF/encryption.xml"_s));
    QString algorithm;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"EncryptionMethod"_s)
            algorithm = xml.attributes().value(u"Algorithm"_s).toString();
        if (xml.name() != u"CipherReference"_s)
            continue;
        static const QStringList fontRules{u"http://www.idpf.org/2008/embedding"_s,
                                           u"http://ns.adobe.com/pdf/enc#RC"_s};
        const QString uri = ResolveEpubHref(QString(), xml.attributes().value(u"URI"_s).toString());
        if (!fontRules.contains(algorithm) && spine.contains(uri))
            return true;
    }
    return false;
}

Expected<void> EpubBook::copyTo(const QString& target) const
{
    if (!archive_)
        return Problem{u"The book could not be opened."_s};
    return archive_->copyTo(target);
}

QByteArray EpubBook::readPage(const QString& path, bool* repaired) const
{
    QByteArray page = read(path);
    if (repaired)
        *repaired = false;
    if (QByteArrayView(page).isValidUtf8())
        return page;
    // The encoding an XML declaration or a <meta> names near the start.
    static const QRegularExpression declared(
        uR"re((?:<\?xml[^>]*?\bencoding|<meta[^>]*?\bcharset)\s*=\s*["']?([A-Za-z0-9._:-]+))re"_s,
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(page.left(1024));
    if (const QRegularExpressionMatch m = declared.match(head);
        m.hasMatch() && m.captured(1).compare(u"utf-8"_s, Qt::CaseInsensitive) != 0) {
        QStringDecoder decoder(m.captured(1).toLatin1().constData());
        const QString text = decoder.isValid() ? decoder.decode(page) : QString();
        if (decoder.isValid() && !decoder.hasError()) {
            // The declaration now names what the page holds.
            QString utf8 = text;
            return utf8.replace(m.capturedStart(1), m.capturedLength(1), u"UTF-8"_s).toUtf8();
        }
    }
    if (repaired)
        *repaired = true;
    if (!repaired_.contains(path))
        repaired_.append(path);
    return QString::fromUtf8(page).toUtf8();
}

QByteArray EpubBook::read(const QString& path, qint64 maxBytes) const
{
    if (!archive_ || path.isEmpty())
        return {};
    // Books made on case-blind systems name their files loosely.
    auto at = index_.constFind(path);
    if (at == index_.cend())
        at = index_.constFind(path.toLower());
    if (at == index_.cend())
        return {};
    const quint64 found = at.value();
    try {
        const EntryInfo info = archive_->info(found);
        if (info.encrypted || info.size > quint64(maxBytes))
            return {};
        QByteArray data;
        data.reserve(qsizetype(info.size));
        const bool ok = archive_->read(found, {}, [&](const char* bytes, qint64 size) {
            if (data.size() + size > maxBytes)
                throw Error(err::Overflow, u"entry larger than it says"_s);
            data.append(bytes, size);
        });
        return ok ? data : QByteArray();
    } catch (const Error&) {
        return {};
    }
}

} // namespace vt
