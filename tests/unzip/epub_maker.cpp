#include "epub_maker.h"

#include "zip_maker.h"

namespace vt::test
{

void makeEpub(const QString& path, const QByteArray& opf,
              const QList<QPair<QString, QByteArray>>& files)
{
    ZipMaker zip(path);
    zip.file(QStringLiteral("mimetype"), "application/epub+zip", EntrySpec(true));
    zip.file(QStringLiteral("META-INF/container.xml"), R"(<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
<rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>)");
    zip.file(QStringLiteral("OEBPS/content.opf"), opf);
    for (const auto& [name, data] : files)
        zip.file(QStringLiteral("OEBPS/") + name, data);
    zip.close();
}

QByteArray opfDocument(const QByteArray& metadata, const QByteArray& manifest,
                       const QByteArray& spine, const QByteArray& version)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" xmlns:opf="http://www.idpf.org/2007/opf" version=")" +
           version + R"(" unique-identifier="id">
<metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:identifier id="id">test-book</dc:identifier>
)" + metadata +
           "\n</metadata>\n<manifest>\n" + manifest + "\n</manifest>\n" + spine + "\n</package>\n";
}

QByteArray xhtmlPage(const QByteArray& body, const QByteArray& language)
{
    const QByteArray lang = language.isEmpty()
                                ? QByteArray()
                                : " lang=\"" + language + "\" xml:lang=\"" + language + '"';
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops")" +
           lang + "><head><title>Page</title></head>\n<body>\n" + body + "\n</body></html>\n";
}

} // namespace vt::test
