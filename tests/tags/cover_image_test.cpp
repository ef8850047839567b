#include "tags/cover_image.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

QByteArray picture(QSize size, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

TEST(CoverImage, KeptAsFoundOrScaledToAThousandPixels)
{
    const QByteArray small = picture({600, 900}, "JPEG");
    EXPECT_EQ(PrepareCover(small, u"image/png"_s).data, small) << "the bytes decide, not the name";
    const struct {
        QSize size;
        const char* format;
        QSize expected;
        const char* mime;
    } cases[] = {
        {{600, 900}, "JPEG", {600, 900}, "image/jpeg"},
        {{3000, 2000}, "JPEG", {1000, 666}, "image/jpeg"},
        {{1500, 4500}, "PNG", {333, 1000}, "image/png"},
        {{1200, 800}, "PPM", {1000, 666}, "image/png"},
    };
    for (const auto& c : cases) {
        const CoverImage cover = PrepareCover(picture(c.size, c.format), {});
        EXPECT_EQ(cover.mimeType, QLatin1String(c.mime)) << c.format;
        EXPECT_EQ(QImage::fromData(cover.data).size(), c.expected) << c.format;
    }
    for (const QByteArray& broken :
         {QByteArray("not a picture"), small.left(200),
          QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\x7f\xff\xff\xff\x7f\xff\xff\xff", 24)})
        EXPECT_TRUE(PrepareCover(broken, u"image/jpeg"_s).data.isEmpty());

    // A chunk that claims gigabytes in a PNG of a few hundred bytes: the
    // decoder would set them aside. Left out, with a note, at once.
    QByteArray claiming = picture({1200, 30}, "PNG");
    claiming.insert(claiming.size() - 12, QByteArray("\xb7\x00\x77\x00tEXt", 8) + "date");
    const CoverImage damaged = PrepareCover(claiming, {});
    EXPECT_TRUE(damaged.data.isEmpty());
    EXPECT_EQ(damaged.problem, u"the cover was left out: its PNG file is damaged"_s);
}

// Text in an SVG cover needs Qt's fonts: drawn, not dropped.
TEST(CoverImage, SvgCoversAreDrawnWithTheirText)
{
    const CoverImage cover =
        PrepareCover(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 1400 2100">
<rect width="1400" height="2100" fill="#102040"/>
<text x="100" y="1000" font-size="200" fill="white">Title</text></svg>)",
                     u"image/svg+xml"_s);
    EXPECT_EQ(cover.mimeType, u"image/jpeg"_s);
    const QImage image = QImage::fromData(cover.data);
    ASSERT_EQ(image.height(), 1000);
    int light = 0;
    for (int x = 0; x < image.width(); ++x)
        light += image.pixelColor(x, 470).lightness() > 200;
    EXPECT_GT(light, 20);
    EXPECT_TRUE(PrepareCover("<svg xmlns=\"http://www.w3.org/2000/svg\"><rect", {}).data.isEmpty());
}

// An SVG cover is drawn from the book alone: a picture of the book comes in,
// a file of this computer (or a pipe that would never answer) never does.
TEST(CoverImage, SvgCoversDrawOnlyWhatTheBookHolds)
{
    QTemporaryDir dir;
    const QString privateFile = dir.filePath(u"private.png"_s);
    const QByteArray red = [] {
        QImage image(50, 50, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }();
    QFile file(privateFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(red) == red.size());
    file.close();
    const QString fifo = dir.filePath(u"fifo"_s);
    ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0600), 0);
    const auto svg = [](const QString& href) {
        return (uR"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="100" height="100"><rect width="100" height="100" fill="white"/><image x="0" y="0" width="100" height="100" xlink:href=")"_s +
                href + uR"("/></svg>)"_s)
            .toUtf8();
    };
    const auto inBook = [&red](const QString& href) {
        return href == u"images/red.png"_s ? red : QByteArray();
    };
    const auto redness = [](const CoverImage& cover) {
        const QImage image = QImage::fromData(cover.data);
        return image.isNull() ? -1
                              : image.pixelColor(50, 50).red() - image.pixelColor(50, 50).green();
    };
    QElapsedTimer clock;
    clock.start();
    EXPECT_GT(redness(PrepareCover(svg(u"images/red.png"_s), {}, inBook)), 100);
    for (const QString& outside : {privateFile, u"file://"_s + privateFile, fifo, u"/dev/stdin"_s,
                                   u"../../../"_s + privateFile})
        EXPECT_LT(redness(PrepareCover(svg(outside), {}, inBook)), 50) << outside.toStdString();
    EXPECT_LT(clock.elapsed(), 10000);

    // Too large a drawing is left out, and said so.
    QByteArray many = R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">)";
    many += QByteArray(R"(<rect width="1" height="1"/>)").repeated(kSvgMaxElements + 1) + "</svg>";
    const CoverImage dropped = PrepareCover(many, u"image/svg+xml"_s);
    EXPECT_TRUE(dropped.data.isEmpty());
    EXPECT_EQ(dropped.problem, u"the cover was left out: it is too large a drawing"_s);
}
