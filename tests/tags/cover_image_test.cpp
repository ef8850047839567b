#include "cover_image.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

QByteArray picture(QSize size, const char* format, QColor colour = Qt::darkCyan)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage decoded(const CoverImage& cover)
{
    return QImage::fromData(cover.data);
}

} // namespace

TEST(CoverImage, SmallJpegAndPngCoversAreKeptByteForByte)
{
    const QByteArray jpeg = picture({600, 900}, "JPEG");
    const CoverImage j = PrepareCover(jpeg, u"image/png"_s); // the bytes decide, not the name
    EXPECT_EQ(j.data, jpeg);
    EXPECT_EQ(j.mimeType, u"image/jpeg"_s);
    const QByteArray png = picture({1000, 1000}, "PNG");
    EXPECT_EQ(PrepareCover(png, u"image/png"_s).data, png);
}

TEST(CoverImage, LargeCoversShrinkToAThousandPixelsInTheirFormat)
{
    const struct {
        QSize size;
        const char* format;
        QSize expected;
        const char* mime;
    } cases[] = {
        {{3000, 2000}, "JPEG", {1000, 666}, "image/jpeg"},
        {{1500, 4500}, "PNG", {333, 1000}, "image/png"},
        {{1200, 800}, "PPM", {1000, 666}, "image/png"}, // other formats become PNG
        {{300, 400}, "BMP", {300, 400}, "image/png"},
    };
    for (const auto& c : cases) {
        const CoverImage cover = PrepareCover(picture(c.size, c.format), QString());
        EXPECT_EQ(cover.mimeType, QLatin1String(c.mime)) << c.format;
        const QImage image = decoded(cover);
        EXPECT_EQ(image.size(), c.expected) << c.format;
        const QColor middle = image.pixelColor(image.width() / 2, image.height() / 2);
        EXPECT_NEAR(middle.green(), QColor(Qt::darkCyan).green(), 3) << c.format;
        EXPECT_NEAR(middle.red(), QColor(Qt::darkCyan).red(), 3) << c.format;
    }
}

TEST(CoverImage, SvgCoversAreDrawnWithTheirText)
{
    const QByteArray svg = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 1400 2100">
<rect width="1400" height="2100" fill="#102040"/>
<text x="100" y="1000" font-size="200" fill="white">Title</text></svg>)";
    const CoverImage cover = PrepareCover(svg, u"image/svg+xml"_s);
    EXPECT_EQ(cover.mimeType, u"image/jpeg"_s);
    const QImage image = decoded(cover);
    ASSERT_EQ(image.height(), 1000);
    EXPECT_NEAR(image.width(), 667, 1);
    EXPECT_NEAR(image.pixelColor(10, 10).blue(), 0x40, 3); // the background, not white
    int light = 0;                                         // the text's pixels
    for (int x = 0; x < image.width(); ++x)
        light += image.pixelColor(x, 470).lightness() > 200;
    EXPECT_GT(light, 20);
}

TEST(CoverImage, WhatCannotBeReadGivesNoCover)
{
    const QByteArray cases[] = {
        {},
        "not a picture at all",
        picture({600, 900}, "JPEG").left(200), // cut short
        "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect",
        // A PNG header that claims a picture of 2^31 x 2^31 pixels.
        QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\x7f\xff\xff\xff\x7f\xff\xff\xff", 24),
    };
    for (const QByteArray& bytes : cases)
        EXPECT_TRUE(PrepareCover(bytes, u"image/jpeg"_s).data.isEmpty())
            << bytes.left(20).toStdString();
}
