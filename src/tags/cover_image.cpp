#include "tags/cover_image.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr int kJpegQuality = 90;
// A picture larger than this is no cover worth decoding (and may be a bomb).
constexpr qint64 kMaxPixels = 100'000'000;

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, qstrcmp(format, "JPEG") == 0 ? kJpegQuality : -1))
        return {};
    return bytes;
}

QSize fitted(QSize size)
{
    if (size.width() <= kCoverMaxSide && size.height() <= kCoverMaxSide)
        return size;
    return size.scaled(kCoverMaxSide, kCoverMaxSide, Qt::KeepAspectRatio).expandedTo({1, 1});
}

bool looksLikeSvg(const QByteArray& bytes, const QString& mediaType)
{
    if (mediaType == u"image/svg+xml"_s)
        return true;
    const QByteArray head = bytes.left(1024);
    return head.contains("<svg");
}

// False for a PNG file whose chunks claim more bytes than it holds: the
// decoder would set aside what a chunk claims (gigabytes for a few hundred
// bytes) before it finds the file cut short.
bool pngChunksFit(const QByteArray& bytes)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (!bytes.startsWith(signature))
        return true; // no PNG
    qsizetype at = signature.size();
    while (at + 12 <= bytes.size()) {
        const quint32 length = quint32(uchar(bytes[at])) << 24 |
                               quint32(uchar(bytes[at + 1])) << 16 |
                               quint32(uchar(bytes[at + 2])) << 8 | quint32(uchar(bytes[at + 3]));
        if (length > quint64(bytes.size() - at - 12))
            return false;
        if (bytes.mid(at + 4, 4) == "IEND")
            return true;
        at += 12 + qsizetype(length);
    }
    return false;
}

// "image/png" for the bytes of a picture Qt can read, else "".
QString pictureType(const QByteArray& bytes)
{
    if (!pngChunksFit(bytes))
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    return format.isEmpty() ? QString() : u"image/"_s + QString::fromLatin1(format);
}

bool isLink(const QXmlStreamAttribute& attribute)
{
    return attribute.name() == u"href"_s;
}

// The SVG as the cover is drawn from: every link to a picture outside the
// document is replaced by the picture itself from the book (a data: URL),
// or dropped, so that drawing it opens nothing: no file of this computer,
// no device, no address on the net. Empty when the SVG cannot be read or
// is too large to draw.
QByteArray selfContained(const QByteArray& svg, const BookFileReader& bookFile, QString& problem)
{
    // The book's picture for a link, as a data: URL; "" for a link that
    // leads anywhere else. Links within the document and data: URLs stay.
    const auto inlined = [&bookFile](const QString& href) -> QString {
        if (href.startsWith(u'#') || href.startsWith(u"data:"_s, Qt::CaseInsensitive))
            return href;
        const QByteArray picture = bookFile ? bookFile(href) : QByteArray();
        const QString mime = pictureType(picture);
        return mime.isEmpty()
                   ? QString()
                   : u"data:"_s + mime + u";base64,"_s + QString::fromLatin1(picture.toBase64());
    };
    QByteArray out;
    QXmlStreamReader in(svg);
    QXmlStreamWriter writer(&out);
    int elements = 0;
    while (in.readNext() != QXmlStreamReader::Invalid && !in.atEnd()) {
        if (in.tokenType() == QXmlStreamReader::DTD)
            continue; // no entities of its own, no external subset
        if (in.tokenType() != QXmlStreamReader::StartElement) {
            writer.writeCurrentToken(in);
            continue;
        }
        if (++elements > kSvgMaxElements) {
            problem = u"the cover was left out: it is too large a drawing"_s;
            return {};
        }
        QXmlStreamAttributes attributes;
        bool lostPicture = false;
        for (const QXmlStreamAttribute& attribute : in.attributes()) {
            if (!isLink(attribute)) {
                attributes.append(attribute);
                continue;
            }
            const QString value = inlined(attribute.value().toString());
            if (value.isEmpty())
                lostPicture = true;
            else
                attributes.append(attribute.namespaceUri().toString(), attribute.name().toString(),
                                  value);
        }
        if (lostPicture && in.name() == u"image"_s) {
            in.skipCurrentElement(); // a picture from outside the book is not drawn
            continue;
        }
        writer.writeStartElement(in.namespaceUri().toString(), in.name().toString());
        for (const QXmlStreamNamespaceDeclaration& ns : in.namespaceDeclarations())
            writer.writeNamespace(ns.namespaceUri().toString(), ns.prefix().toString());
        writer.writeAttributes(attributes);
    }
    if (in.hasError())
        return {};
    return out;
}

CoverImage drawnSvg(const QByteArray& bytes, const BookFileReader& bookFile)
{
    // Drawing text needs the font database, which only a GUI application has.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    if (bytes.size() > kSvgMaxBytes)
        return {{}, {}, u"the cover was left out: it is too large a drawing"_s};
    QString problem;
    const QByteArray alone = selfContained(bytes, bookFile, problem);
    if (alone.isEmpty())
        return {{}, {}, problem};
    QSvgRenderer svg(alone);
    if (!svg.isValid())
        return {};
    QSize size = svg.defaultSize();
    if (size.isEmpty())
        size = svg.viewBoxF().size().toSize();
    if (size.isEmpty())
        size = {kCoverMaxSide, kCoverMaxSide};
    size = size.scaled(kCoverMaxSide, kCoverMaxSide, Qt::KeepAspectRatio).expandedTo({1, 1});
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    return {encoded(image, "JPEG"), u"image/jpeg"_s, {}};
}

} // namespace

CoverImage PrepareCover(const QByteArray& bytes, const QString& mediaType,
                        const BookFileReader& bookFile)
{
    if (bytes.isEmpty())
        return {};
    if (looksLikeSvg(bytes, mediaType))
        return drawnSvg(bytes, bookFile);
    if (!pngChunksFit(bytes))
        return {{}, {}, u"the cover was left out: its PNG file is damaged"_s};

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format().toLower();
    const QSize size = reader.size();
    if (size.isEmpty())
        return {};
    if (qint64(size.width()) * size.height() > kMaxPixels)
        return {{},
                {},
                u"the cover was left out: it is too large a picture (%1 × %2 pixels)"_s
                    .arg(size.width())
                    .arg(size.height())};
    const bool jpeg = format == "jpeg" || format == "jpg";
    const bool png = format == "png";
    const QSize target = fitted(size);
    if ((jpeg || png) && target == size)
        return {bytes, jpeg ? u"image/jpeg"_s : u"image/png"_s, {}};

    // Large pictures are decoded straight to the smaller size where the
    // format allows it (JPEG does), so a huge cover costs little.
    reader.setScaledSize(target);
    QImage image = reader.read();
    if (image.isNull())
        return {{}, {}, u"the cover was left out: its picture could not be read"_s};
    if (image.size() != target)
        image = image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (jpeg)
        return {encoded(image, "JPEG"), u"image/jpeg"_s, {}};
    return {encoded(image, "PNG"), u"image/png"_s, {}};
}

} // namespace vt
