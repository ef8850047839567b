#include "tags/cover_image.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

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

CoverImage drawnSvg(const QByteArray& bytes)
{
    // Drawing text needs the font database, which only a GUI application has.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    QSvgRenderer svg(bytes);
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
    return {encoded(image, "JPEG"), u"image/jpeg"_s};
}

} // namespace

CoverImage PrepareCover(const QByteArray& bytes, const QString& mediaType)
{
    if (bytes.isEmpty())
        return {};
    if (looksLikeSvg(bytes, mediaType))
        return drawnSvg(bytes);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format().toLower();
    const QSize size = reader.size();
    if (size.isEmpty() || qint64(size.width()) * size.height() > kMaxPixels)
        return {};
    const bool jpeg = format == "jpeg" || format == "jpg";
    const bool png = format == "png";
    const QSize target = fitted(size);
    if ((jpeg || png) && target == size)
        return {bytes, jpeg ? u"image/jpeg"_s : u"image/png"_s};

    // Large pictures are decoded straight to the smaller size where the
    // format allows it (JPEG does), so a huge cover costs little.
    reader.setScaledSize(target);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.size() != target)
        image = image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (jpeg)
        return {encoded(image, "JPEG"), u"image/jpeg"_s};
    return {encoded(image, "PNG"), u"image/png"_s};
}

} // namespace vt
