#include "audio/mp3_encoding.h"
#include "common/paths.h"
#include "common/step_guard.h"
#include "epub/package.h"
#include "epub/spoken_copy.h"
#include "fake_window.h"
#include "test_env.h"
#include "text/cutting.h"
#include "tools/command_runner.h"
#include "tools/text_extraction.h"
#include "tools/tool_deployment.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

// A small French book of our own: the shared books hold no French text.
void makeFrenchBook(const QString& path)
{
    QTemporaryDir dir;
    test::writeFile(dir.filePath(u"mimetype"_s), "application/epub+zip");
    test::writeFile(dir.filePath(u"META-INF/container.xml"_s), R"(<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
<rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>)");
    test::writeFile(dir.filePath(u"OEBPS/content.opf"_s), R"(<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="2.0" unique-identifier="id">
<metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
<dc:title>Noël</dc:title><dc:language>fr</dc:language><dc:identifier id="id">noel-1</dc:identifier>
</metadata>
<manifest><item id="c1" href="c1.xhtml" media-type="application/xhtml+xml"/></manifest>
<spine><itemref idref="c1"/></spine>
</package>)");
    test::writeFile(dir.filePath(u"OEBPS/c1.xhtml"_s), R"(<?xml version="1.0" encoding="UTF-8"?>
<html xmlns="http://www.w3.org/1999/xhtml"><head><title>Noël</title></head>
<body><p>L’été à Noël, où ça? Déjà vu: garçon, cœur, naïve.</p></body></html>)");
    QProcess zip;
    zip.setWorkingDirectory(dir.path());
    zip.start(u"zip"_s, {u"-X0q"_s, path, u"mimetype"_s});
    ASSERT_TRUE(zip.waitForFinished() && zip.exitCode() == 0);
    zip.start(u"zip"_s, {u"-Xr9q"_s, path, u"META-INF"_s, u"OEBPS"_s});
    ASSERT_TRUE(zip.waitForFinished() && zip.exitCode() == 0);
}

// Half a second of a 440 Hz tone, as the speech engine writes it.
void writeWav(const QString& path)
{
    const qint32 rate = 22050;
    const qint32 samples = rate / 2;
    QByteArray wav;
    QDataStream out(&wav, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << qint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << qint32(16) << qint16(1) << qint16(1) << rate << qint32(rate * 2) << qint16(2)
        << qint16(16);
    out.writeRawData("data", 4);
    out << qint32(samples * 2);
    for (qint32 i = 0; i < samples; ++i)
        out << qint16(std::lround(8000 * std::sin(2 * std::numbers::pi * 440 * i / rate)));
    test::writeFile(path, wav);
}

class TextTools : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        StepGuard run(window.report(), u"Form1.PushButton1_Click"_s);
        DeployTools(run, window.yield());
        ASSERT_TRUE(window.messages.isEmpty()) << window.messageTexts().join(u'\n').toStdString();
        ASSERT_TRUE(QFileInfo(w.file(u"calibre/ebook-convert"_s)).isExecutable());
        ASSERT_TRUE(QFileInfo(w.file(u"lame"_s)).isExecutable());
    }
    void TearDown() override
    {
        StepGuard run(window.report(), u"Form1.PushButton1_Click"_s);
        RemoveTools(run, window.yield());
        EXPECT_TRUE(window.messages.isEmpty()) << window.messageTexts().join(u'\n').toStdString();
    }

    // Converts and cuts one book; the text of its pieces, joined.
    QString speakableText(const QString& book, int speed = 0)
    {
        const EpubBook epub(book);
        const ToolRun converter =
            ReadePubToStringToFSO(book, window.report(), runner, [&epub](const QString& copy) {
                return WriteSpokenCopy(epub, copy);
            });
        EXPECT_FALSE(converter.failed()) << converter.output.toStdString();
        EXPECT_TRUE(QFile::exists(output)) << book.toStdString();
        pieces = CutTextFileFSO(output, speed, window.report(), window.yield());
        EXPECT_FALSE(QFile::exists(output));
        QString text;
        for (qint32 j = 1; j <= pieces; ++j)
            text +=
                QString::fromUtf8(test::readFile(w.file(u"output"_s + PieceNumber(j) + u".txt"_s)));
        return text;
    }

    test::TempWorkingFolder w;
    test::FakeWindow window;
    PassingRunner runner;
    const QString output = w.file(u"output.txt"_s);
    qint32 pieces = 0;
};

} // namespace

TEST_F(TextTools, AJapaneseBookKeepsItsLettersAndLosesItsPunctuation)
{
    const QString text = speakableText(test::testBook(u"kusamakura-preview.epub"_s));
    EXPECT_EQ(pieces, 1);
    // A word with a reading in ruby is read as its reading alone.
    EXPECT_TRUE(text.contains(u"やまみちを登りながら こう考えた "_s));
    EXPECT_FALSE(text.contains(u'、'));
    EXPECT_FALSE(text.contains(u'。'));
}

TEST_F(TextTools, AnArabicBookIsCutIntoSmallPiecesAtTheSlowestSpeed)
{
    const QString text = speakableText(test::testBook(u"regime-anticancer-arabic.epub"_s), -10);
    EXPECT_GT(pieces, 3);
    EXPECT_TRUE(text.contains(u"أوّلًا  لنتخيّل أنّ كلّ أشكال الحياة"_s));
    EXPECT_FALSE(text.contains(u'؟'));
}

TEST_F(TextTools, ABookWhosePathHasBlanksBracketsAndAccentsIsConvertedWhole)
{
    QTemporaryDir books;
    const QString folder = books.filePath(u"Mes livres (été) [1]"_s);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString book = folder + u"/L'été à Noël.epub"_s;
    makeFrenchBook(book);
    const QString text = speakableText(book);
    EXPECT_TRUE(text.contains(u"L'été à noël, où ça? Déjà vu  garçon, cœur, naïve.\n"_s))
        << text.toStdString();
}

TEST_F(TextTools, ABookTheConverterCannotReadLeavesNoTextAndNoMessage)
{
    QTemporaryDir books;
    const QString book = books.filePath(u"broken.epub"_s);
    test::writeFile(book, "this is no book");
    const ToolRun converter = ReadePubToStringToFSO(book, window.report(), runner);
    EXPECT_TRUE(converter.failed());
    EXPECT_FALSE(QFile::exists(output));
    EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(TextTools, TheEncoderWritesOrReplacesTheMp3AndLeavesTheWav)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(u"piece 001 (é).wav"_s);
    const QString mp3 = dir.filePath(u"My Book [1].mp3"_s);
    writeWav(wav);
    test::writeFile(mp3, "an older result");
    EXPECT_FALSE(WAVToMP3(wav, mp3, window.report(), runner).failed());
    const QByteArray bytes = test::readFile(mp3);
    ASSERT_GT(bytes.size(), 1000);
    const bool frame = uchar(bytes[0]) == 0xFF && (uchar(bytes[1]) & 0xE0) == 0xE0;
    EXPECT_TRUE(bytes.startsWith("ID3") || frame);
    EXPECT_TRUE(QFile::exists(wav));

    // A missing WAV file: the encoder fails, nothing is made, nothing is shown.
    EXPECT_TRUE(WAVToMP3(dir.filePath(u"missing.wav"_s), dir.filePath(u"missing.mp3"_s),
                         window.report(), runner)
                    .failed());
    EXPECT_FALSE(QFile::exists(dir.filePath(u"missing.mp3"_s)));
    EXPECT_TRUE(window.messages.isEmpty());
}
